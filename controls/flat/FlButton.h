// TFlButton: a push button that draws itself in the style of the platform's themed buttons - a
// vertical gradient face with dithered band edges, a coloured inner frame while the button is
// hot (under the mouse) or focused, a dark border with softened corners, an optional glyph left
// of the caption, and a flat grey look when disabled.
//
// States: pressed (left mouse button or space bar held on the button), focused, hot. A click
// needs the button to be both hot and focused when it is released; any focus change on the form
// clears pressed on a button that does not keep the focus, so a handler that moves the focus
// away during a press cancels the click. A click from the mouse or the space bar swallows any
// failure of the click handler; a click from the Enter key or the caption's accelerator lets it
// reach the application's error report.
//
// The four gradient bitmaps (face, pressed face, hot frame, focus frame) are made again on every
// size change by MakeGradientBitmap (32 bands, dithered).
#pragma once

#include "Controls.h"
#include "FlGradient.h"
#include "Forms.h"
#include "Graphics.h"

namespace vornada {

// Makes `bitmap` a 32-bit `width` × `height` gradient from `top` to `bottom` in `bands` bands,
// dithered at the band edges when `dither` is set (see flat::MakeGradientStrip), with `random`
// choosing the dithered rows. A width or height of 0 or less leaves it empty.
void MakeGradientBitmap(TBitmap& bitmap, int width, int height, TColor top, TColor bottom,
                        int bands, bool dither, const flat::RandomSource& random);
// The same with the generator the flat buttons share (seeded once, with 0, per process).
void MakeGradientBitmap(TBitmap& bitmap, int width, int height, TColor top, TColor bottom,
                        int bands, bool dither);
flat::DitherRandom& FlatButtonRandom();

class TFlButton : public TCustomControl {
 public:
  VORNADA_CLASS_NAME(TFlButton)
  explicit TFlButton(TComponent* owner);
  ~TFlButton() override;

  // The gradients' colours (top, bottom) and the fixed colours of the two looks.
  static constexpr TColor kFaceTop = 16777215, kFaceBottom = 15199215;
  static constexpr TColor kPressedTop = 13029334, kPressedBottom = 15463415;
  static constexpr TColor kHotTop = 13562879, kHotBottom = 38631;
  static constexpr TColor kFocusTop = 16771022, kFocusBottom = 15697005;
  static constexpr TColor kBorderColor = 7552000;        // RGB(0, 60, 115)
  static constexpr TColor kCornerColor = 11376251;       // RGB(123, 150, 173)
  static constexpr TColor kDisabledFace = 15726576;      // RGB(240, 247, 239)
  static constexpr TColor kDisabledBorder = 12568527;    // RGB(207, 199, 191)
  static constexpr TColor kDisabledText = 9478304;       // RGB(160, 160, 144)
  static constexpr int kGradientBands = 32;

  // Takes Enter and shows its frame while no flat button is the form's active control.
  bool Default() const { return default_; }
  virtual void SetDefault(bool value);
  // Any registered picture; assigning copies it. Drawn with transparency.
  TPicture& Glyph() { return glyph_; }
  virtual void SetGlyph(TPicture* value);
  void SetGlyph(TGraphic* value);
  bool ShowFocusRect() const { return show_focus_rect_; }
  virtual void SetShowFocusRect(bool value);
  int FocusRectOffset() const { return focus_rect_offset_; }
  virtual void SetFocusRectOffset(int value);
  int MouseBorderWidth() const { return mouse_border_width_; }
  virtual void SetMouseBorderWidth(int value);
  int OffsetOnClick() const { return offset_on_click_; }
  virtual void SetOffsetOnClick(int value);
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult value) { modal_result_ = value; }

  // The state the look is drawn from.
  bool IsPressed() const { return pressed_; }
  bool IsHot() const { return hot_; }
  bool HasFocusState() const { return focused_; }
  bool AnotherFlatButtonActive() const { return another_active_; }
  // Pressed: not hot; otherwise hot or focused. With `with_default`, Default set while no flat
  // button is the form's active control also counts.
  bool FrameCondition(bool with_default) const;

  // The gradient bitmaps as last made.
  TBitmap& FaceBitmap() { return face_; }
  TBitmap& PressedFaceBitmap() { return pressed_face_; }
  TBitmap& HotFrameBitmap() { return hot_frame_; }
  TBitmap& FocusFrameBitmap() { return focus_frame_; }

  // Copies ModalResult to the parent form, then raises OnClick.
  void Click() override;
  void WndProc(TMessage& message) override;

 protected:
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyUp(WORD& key, TShiftState shift) override;

 private:
  void RebuildGradients();
  void StateChanged();
  void MouseEntered();
  void MouseLeft();
  void FocusChanged(const TWinControl* focused);
  bool DialogKey(WPARAM key);
  bool DialogChar(WPARAM char_code, LPARAM key_data);
  void GlyphChanged();
  void PaintEnabled();
  void PaintDisabled();
  void CopyFace(int at, int width, int height);
  void DrawGlyph(int x, int y);
  void DrawCaption(const RECT& r, TColor color);

  bool default_ = false;
  TPicture glyph_;
  bool show_focus_rect_ = true;
  int focus_rect_offset_ = 2;
  int mouse_border_width_ = 2;
  int offset_on_click_ = 0;
  TModalResult modal_result_ = mrNone;

  bool pressed_ = false;
  bool focused_ = false;
  bool hot_ = false;
  bool another_active_ = false;
  bool updating_ = false;

  TBitmap face_;
  TBitmap pressed_face_;
  TBitmap hot_frame_;
  TBitmap focus_frame_;
};

}  // namespace vornada
