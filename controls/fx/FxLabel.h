// The effect label: the framework label with three-dimensional text styles (raised, recessed,
// drop shadow), flat-rotated and curved captions, blinking, a hover colour, frames around the
// text, condensed captions and a text margin. It paints itself completely.
//
// Colours. The caption is drawn in its current colour, which follows the font colour (a font
// change copies it, unless the label is loading or blinking; Loaded copies it too). While the
// hover colour is on (FlyByEnabled) the mouse entering sets the font colour to FlyByColor and
// leaving puts the remembered one back. A blinking label alternates between BlinkColor and its
// font colour in the phases of one blink timer that all labels share.
//
// A caption change repaints the label at once, before the setter returns, so that a caption set
// just before the program blocks (in a sleep, say) is already on the screen.
//
// Blinking: all labels are registered with one shared list (TFxBlinkingControlsList) that keeps
// the global phase for as long as any label exists. The phase changes on a clock that starts
// when the list is made (the first change, BlinkIntervalOff later, enters the normal phase; each
// phase lasts the length of its interval). At each change the list asks every label whether it
// blinks (message 46056, answer 1) and tells those the phase (message 46057, first parameter 1
// for the blink phase). Its timer runs only while a label blinks: while none does, the phase
// changes are counted from the clock when a label starts blinking again, so an idle window
// costs no timer messages and the blinking keeps its rhythm.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "FxCommon.h"
#include "FxLabelCore.h"
#include "Labels.h"

namespace vornada {

// The blinking list's private messages.
constexpr UINT kFxBlinkQueryMessage = 46056;
constexpr UINT kFxBlinkPhaseMessage = 46057;

class TFxBlinkingControlsList {
 public:
  // The one list; null while no label exists.
  static TFxBlinkingControlsList* Instance();
  // Registers a control, making the list (and its timer) with the first one.
  static void Add(TControl* control);
  // Unregisters it; the list goes with the last one.
  static void Remove(TControl* control);
  // A registered control started or stopped blinking: the timer runs while any control blinks.
  static void BlinkingChanged();

  uint16_t IntervalOn() const { return interval_on_; }
  void SetIntervalOn(uint16_t value) { interval_on_ = value; }
  uint16_t IntervalOff() const { return interval_off_; }
  void SetIntervalOff(uint16_t value) { interval_off_ = value; }
  bool InBlinkPhase() const { return blink_phase_; }
  int Count() const { return static_cast<int>(controls_.size()); }
  const TTimer& Timer() const { return timer_; }

 private:
  TFxBlinkingControlsList();
  void Tick();
  bool AnyBlinks() const;
  void UpdateTimer();
  // Moves the phase clock up to `now` (the phase changes that passed while no timer ran).
  void CatchUp(uint64_t now);
  std::vector<TControl*> controls_;
  uint64_t next_change_ = 0;  // GetTickCount64 time of the next phase change
  TTimer timer_{nullptr};
  uint16_t interval_on_ = 500;
  uint16_t interval_off_ = 500;
  bool blink_phase_ = true;
  bool ticking_ = false;
  bool free_after_tick_ = false;
};

class TFxLabel : public TLabel, public IFxFrameControllerClient {
 public:
  VORNADA_CLASS_NAME(TFxLabel)
  explicit TFxLabel(TComponent* owner);
  ~TFxLabel() override;

  // The caption unchanged.
  std::wstring GetLabelText() const override { return Caption(); }

  // New virtual operations.
  void UpdateFromFrameController() override;
  virtual void ApplyBlinkPhase(bool blink_phase);
  virtual void InflateBoundsForEffects(RECT& r);
  virtual void DeflateRectForBorders(RECT& r);

  virtual int Angle() const { return angle_; }
  virtual void SetAngle(int value);
  virtual bool Blinking() const { return blinking_; }
  virtual void SetBlinking(bool value);
  virtual TColor BlinkColor() const { return blink_color_; }
  virtual void SetBlinkColor(TColor value);
  virtual uint16_t BlinkIntervalOff() const;
  virtual void SetBlinkIntervalOff(uint16_t value);
  virtual uint16_t BlinkIntervalOn() const;
  virtual void SetBlinkIntervalOn(uint16_t value);
  virtual int BevelWidth() const { return frames_.bevel_width; }
  virtual void SetBevelWidth(int value);
  virtual TColor BorderColor() const { return border_color_; }
  virtual void SetBorderColor(TColor value);
  virtual TFrameStyleEx BorderInner() const { return frames_.inner; }
  virtual void SetBorderInner(TFrameStyleEx value);
  virtual TFrameStyleEx BorderOuter() const { return frames_.outer; }
  virtual void SetBorderOuter(TFrameStyleEx value);
  virtual TSides BorderSides() const { return frames_.sides; }
  virtual void SetBorderSides(TSides value);
  virtual TColor BorderHighlight() const { return border_highlight_; }
  virtual void SetBorderHighlight(TColor value);
  virtual TColor BorderShadow() const { return border_shadow_; }
  virtual void SetBorderShadow(TColor value);
  virtual int BorderWidth() const { return frames_.border_width; }
  virtual void SetBorderWidth(int value);
  virtual TFxCondenseCaption CondenseCaption() const { return condense_caption_; }
  virtual void SetCondenseCaption(TFxCondenseCaption value);
  virtual TColor FlatColor() const { return flat_color_; }
  virtual void SetFlatColor(TColor value);
  virtual int FlatColorAdjustment() const { return flat_color_adjustment_; }
  virtual void SetFlatColorAdjustment(int value);
  virtual TFxFrameController* FrameController() const { return frame_controller_; }
  virtual void SetFrameController(TFxFrameController* value);
  virtual TCenterPoint CenterPoint() const { return center_point_; }
  virtual void SetCenterPoint(TCenterPoint value);
  virtual TColor FlyByColor() const { return fly_by_color_; }
  virtual void SetFlyByColor(TColor value);
  virtual bool FlyByEnabled() const { return fly_by_enabled_; }
  virtual void SetFlyByEnabled(bool value);
  TTextLayout Layout() const override { return TLabel::Layout(); }
  void SetLayout(TTextLayout value) override { TLabel::SetLayout(value); }
  virtual bool LightTextStyle() const { return light_text_style_; }
  virtual void SetLightTextStyle(bool value);
  virtual TRotation Rotation() const { return rotation_; }
  virtual void SetRotation(TRotation value);
  virtual int TextMargin() const { return text_margin_; }
  virtual void SetTextMargin(int value);
  virtual TTextStyle TextStyle() const { return text_style_; }
  virtual void SetTextStyle(TTextStyle value);
  virtual TColor HighlightColor() const { return highlight_color_; }
  virtual void SetHighlightColor(TColor value);
  virtual TColor ShadowColor() const { return shadow_color_; }
  virtual void SetShadowColor(TColor value);
  virtual int ShadowDepth() const { return shadow_depth_; }
  virtual void SetShadowDepth(int value);

  TFrameControllerNotifications FrameControllerNotifications() const { return notifications_; }
  void SetFrameControllerNotifications(TFrameControllerNotifications value);

  // The colour the caption is drawn in now, and the font colour a blink phase returns to.
  TColor CurrentColor() const { return current_color_; }
  TColor FontColor() const { return font_color_; }

  void Loaded() override;
  void WndProc(TMessage& message) override;

 protected:
  void Paint() override;
  void AdjustBounds() override;
  void Notification(TComponent* component, TOperation operation) override;
  // The caption, unrotated or turned flat, into the text rectangle.
  void DrawCaption();
  void DrawRotatedCaption(const RECT& text_rect);
  void DrawCurvedCaption();
  TFxFrameSettings FrameSettings() const;
  LabelEffects Effects() const;
  UINT TextFlags() const;
  TColor CopyColor(TextCopyColor color) const;

 private:
  void FrameChanged();
  void SwitchToTrueTypeFont();

  TTextStyle text_style_ = TTextStyle::tsNormal;
  bool light_text_style_ = false;
  TColor highlight_color_ = clBtnHighlight;
  TColor shadow_color_ = clBtnShadow;
  int shadow_depth_ = 2;
  int text_margin_ = 0;
  TFxCondenseCaption condense_caption_ = TFxCondenseCaption::ccNone;
  TRotation rotation_ = TRotation::roNone;
  int angle_ = 0;
  TCenterPoint center_point_ = TCenterPoint::cpCenter;
  bool blinking_ = false;
  TColor blink_color_ = clHighlight;
  bool fly_by_enabled_ = false;
  TColor fly_by_color_ = clHighlight;
  LabelFrames frames_;
  TColor border_color_ = clBtnFace;
  TColor border_highlight_ = clBtnHighlight;
  TColor border_shadow_ = clBtnShadow;
  TColor flat_color_ = clBtnShadow;
  int flat_color_adjustment_ = 30;
  TFxFrameController* frame_controller_ = nullptr;
  TFrameControllerNotifications notifications_ = kAllFrameControllerNotifications;

  TColor current_color_ = clWindowText;  // FCurrentColor
  TColor font_color_ = clWindowText;     // FFontColor
  TColor saved_font_color_ = clWindowText;  // FSavedFontColor
  bool fly_by_shown_ = false;  // the hover colour is in the font now
  bool blink_phase_ = false;
  bool constructing_ = true;
};

}  // namespace vornada
