// The image check box: a two-state switch whose picture comes from an eight-cell skin strip
// (normal, pointer-over, pressed and disabled looks, unchecked then checked), with an optional
// caption right of the picture, drawn in a highlight colour while the pointer is over the box.
// Its window is transparent (the parent paints beneath it) and cut to the shape of the
// unchecked cell plus the caption area.
//
// Clicks: a left press and release on the box, or Space (without Shift, Ctrl or Alt) pressed
// and released, toggles Checked and then fires OnClick (null sender for the mouse, the box for
// Space). Enter does nothing. Setting Checked from code never fires OnClick.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "EventProperty.h"
#include "SkImgFadeBase.h"

namespace vornada {

// The look shown while enabled.
enum TSkCheckLook : uint8_t {
  eclCheckedHot,
  eclChecked,
  eclCheckedDown,
  eclUncheckedHot,
  eclUnchecked,
  eclUncheckedDown,
};

class TSkImgCheckBox : public TSkImgFadeBase {
 public:
  VORNADA_CLASS_NAME(TSkImgCheckBox)
  explicit TSkImgCheckBox(TComponent* owner);
  ~TSkImgCheckBox() override;
  void Loaded() override;

  // The box's own click event: an assignment while the box shows a pressed look is ignored.
  TEventProperty<TNotifyEvent> OnClick{[this] { return !IsPressedLook(look_); }};

  bool FadeEnable() const { return fade_enable_; }
  void SetFadeEnable(bool value) { fade_enable_ = value; }
  bool FadeUponLoad() const { return fade_upon_load_; }
  void SetFadeUponLoad(bool value) { fade_upon_load_ = value; }
  bool Checked() const { return checked_; }
  // Shows the normal look of the value (also when it does not change); no OnClick.
  void SetChecked(bool value) { ApplyChecked(value); }
  // The box's caption (a framework text set on the box becomes it at the next paint while no
  // caption was ever given).
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& value) { ApplyCaption(value); }
  int TextSpacing() const { return text_spacing_; }
  void SetTextSpacing(int value);
  TColor TextOverColor() const { return text_over_color_; }
  void SetTextOverColor(TColor value);
  TBitmap* Skin() { return &skin_; }
  void SetSkin(TBitmap* value) { StoreSkin(value); }
  int ImgY() const { return img_y_; }
  void SetImgY(int value);

  TSkCheckLook Look() const { return look_; }
  static bool IsPressedLook(TSkCheckLook look) {
    return look == eclCheckedDown || look == eclUncheckedDown;
  }

  void WndProc(TMessage& message) override;

 protected:
  void CreateWnd() override;
  void PaintSkin() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyUp(WORD& key, TShiftState shift) override;

 private:
  void StoreSkin(TBitmap* value);
  void ApplyChecked(bool value);
  void ApplyCaption(const std::wstring& value);
  void PrepareCell(TBitmap& bitmap);
  void UpdateRegion();
  void PaintCaption(int x0, TCanvas& canvas);
  void ChooseByLook();
  TBitmap& CellOfLook(TSkCheckLook look);
  void FadeForward();
  void HandlePointer(TMessage& message);
  void HandleStateMessage(TMessage& message);
  void TakeFocus();
  TSkCheckLook HotLook() const { return checked_ ? eclCheckedHot : eclUncheckedHot; }
  TSkCheckLook NormalLook() const { return checked_ ? eclChecked : eclUnchecked; }
  TSkCheckLook PressedLook() const { return checked_ ? eclCheckedDown : eclUncheckedDown; }

  std::array<TBitmap, 8> cells_;
  TBitmap skin_;
  TSkCheckLook look_ = eclCheckedHot;
  TSkMouseState mouse_state_ = emsReleased;
  TColor transparent_color_ = 0;
  TColor saved_font_color_ = 0;
  int text_width_ = 0;
  int cell_width_ = 0;
  int image_height_ = 0;
  bool mouse_inside_ = false;
  bool caption_pending_ = true;
  bool dirty_ = false;
  bool show_look_at_once_ = false;  // the next dirty paint shows the look's cell without a fade
  bool fade_enable_ = false;
  bool fade_upon_load_ = false;
  bool checked_ = true;
  std::wstring caption_;
  int text_spacing_ = 6;
  TColor text_over_color_ = 255;
  int img_y_ = 0;
};

}  // namespace vornada
