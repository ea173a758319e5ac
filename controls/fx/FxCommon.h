// The effect controls' shared unit: the enumerations and colour routines (from FxCommonCore,
// here on the framework's colours, system colours resolved first), whether the display shows
// full colour, the shared frame routine that draws a control's outer frame, the gap and the
// inner frame, and the frame controller that hands one set of frame settings to many controls.
#pragma once

#include <vector>

#include "Controls.h"
#include "FxCommonCore.h"
#include "FxLabelCore.h"
#include "Graphics.h"

namespace vornada {

// A framework colour (system colours resolved) as a plain colour.
RgbColor ResolveRgb(TColor color);
inline TColor ToTColor(RgbColor c) { return static_cast<TColor>(c & 0xFFFFFF); }

TColor LightenColor(TColor color, int amount);
TColor DarkenColor(TColor color, int amount);
TColor MixColors(TColor a, TColor b, int weight);
TColor OppositeHueColor(TColor color, int lightness);
bool ColorsNearlyEqual(TColor a, TColor b);

// True when the screen shows more than 256 colours (its NUMCOLORS is -1), worked out once when
// the program starts. SetFullColorDisplay replaces the value (to show what the controls draw on
// a paletted display).
bool FullColorDisplay();
void SetFullColorDisplay(bool value);

// Whether a font is a TrueType font (only those can be drawn turned).
bool IsTrueTypeFont(TFont& font);

// The frame settings of a control, as the frame routine takes them.
struct TFxFrameSettings {
  LabelFrames frames;
  TColor border_color = clBtnFace;
  TColor border_highlight = clBtnHighlight;
  TColor border_shadow = clBtnShadow;
  TColor flat_color = clBtnShadow;
  int flat_color_adjustment = 30;
};
FrameColors ResolveFrameColors(const TFxFrameSettings& settings);

// Fills `r` of `dc` with one colour (nothing for an empty rectangle).
void FillSolidRect(HDC dc, const RECT& r, RgbColor color);

// Draws one-pixel rings (outermost first) on the sides of `sides`, deflating `r` on those sides
// after each ring: the left and top lines in the ring's first colour, then the right and bottom
// lines in its second.
void DrawFrameRings(TCanvas& canvas, RECT& r, const std::vector<FrameRing>& rings, TSides sides);
// The shared frame routine: the outer frame, the BorderWidth gap (filled with the border colour
// when `fill_gap`), the inner frame; returns the remaining inner rectangle.
RECT DrawFrames(TCanvas& canvas, RECT r, const TFxFrameSettings& settings, bool fill_gap);

// ---- frame controller ------------------------------------------------------------------------

enum class TFrameControllerNotification {
  fcnBorderOuter, fcnBorderInner, fcnBorderSides, fcnBorderWidth, fcnBevelWidth, fcnBorderColor,
  fcnBorderHighlight, fcnBorderShadow, fcnFlatColor, fcnFlatColorAdjustment
};
// A set of notifications, one bit each.
using TFrameControllerNotifications = unsigned;
constexpr unsigned NotificationBit(TFrameControllerNotification n) {
  return 1u << static_cast<unsigned>(n);
}
constexpr TFrameControllerNotifications kAllFrameControllerNotifications = (1u << 10) - 1;

// A control that takes its frame settings from a controller.
class IFxFrameControllerClient {
 public:
  virtual void UpdateFromFrameController() = 0;

 protected:
  ~IFxFrameControllerClient() = default;
};

// One set of frame settings shared by many controls: each registered control takes over the
// settings its notification set names whenever one of them changes.
class TFxFrameController : public TComponent {
 public:
  VORNADA_CLASS_NAME(TFxFrameController)
  explicit TFxFrameController(TComponent* owner);
  ~TFxFrameController() override;

  const TFxFrameSettings& Settings() const { return settings_; }
  TFrameStyleEx BorderOuter() const { return settings_.frames.outer; }
  void SetBorderOuter(TFrameStyleEx value);
  TFrameStyleEx BorderInner() const { return settings_.frames.inner; }
  void SetBorderInner(TFrameStyleEx value);
  TSides BorderSides() const { return settings_.frames.sides; }
  void SetBorderSides(TSides value);
  int BorderWidth() const { return settings_.frames.border_width; }
  void SetBorderWidth(int value);
  int BevelWidth() const { return settings_.frames.bevel_width; }
  void SetBevelWidth(int value);
  TColor BorderColor() const { return settings_.border_color; }
  void SetBorderColor(TColor value);
  TColor BorderHighlight() const { return settings_.border_highlight; }
  void SetBorderHighlight(TColor value);
  TColor BorderShadow() const { return settings_.border_shadow; }
  void SetBorderShadow(TColor value);
  TColor FlatColor() const { return settings_.flat_color; }
  void SetFlatColor(TColor value);
  int FlatColorAdjustment() const { return settings_.flat_color_adjustment; }
  void SetFlatColorAdjustment(int value);

  void RegisterClient(IFxFrameControllerClient* client);
  void UnregisterClient(IFxFrameControllerClient* client);
  int ClientCount() const { return static_cast<int>(clients_.size()); }

 private:
  template <typename T>
  void Set(T& field, const T& value);
  TFxFrameSettings settings_;
  std::vector<IFxFrameControllerClient*> clients_;
};

}  // namespace vornada
