// The flat button: gradient bitmaps, the two looks, and the press/hot/focus state machine with
// its mouse, keyboard, accelerator and Enter handling.
#include "FlButton.h"

#include <algorithm>

#include "FlGeometry.h"
#include "FlPaint.h"
#include "ScopeExit.h"

namespace vornada {

namespace {

flat::Rgb RgbOf(TColor color) { return static_cast<flat::Rgb>(ColorToRGB(color)) & 0xFFFFFF; }

// A 0x00BBGGRR colour as a 32-bit DIB pixel (blue in the low byte).
uint32_t DibPixel(flat::Rgb c) {
  return static_cast<uint32_t>(flat::BlueOf(c)) | (static_cast<uint32_t>(flat::GreenOf(c)) << 8) |
         (static_cast<uint32_t>(flat::RedOf(c)) << 16);
}

RECT ToRECT(const flat::Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

flat::DitherRandom& FlatButtonRandom() {
  static flat::DitherRandom random(0);
  return random;
}

void MakeGradientBitmap(TBitmap& bitmap, int width, int height, TColor top, TColor bottom,
                        int bands, bool dither, const flat::RandomSource& random) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  // Every pixel is written below: a new size starts from an empty image (nothing to keep).
  if (bitmap.Width() != width || bitmap.Height() != height) bitmap.Assign(nullptr);
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  bitmap.SetSize(width, height);
  if (width == 0 || height == 0) return;
  const flat::GradientStrip strip =
      flat::MakeGradientStrip(width, height, RgbOf(top), RgbOf(bottom), bands, dither, random);
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<uint32_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < width; ++x) row[x] = DibPixel(strip.At(x, y));
  }
}

void MakeGradientBitmap(TBitmap& bitmap, int width, int height, TColor top, TColor bottom,
                        int bands, bool dither) {
  MakeGradientBitmap(bitmap, width, height, top, bottom, bands, dither,
                     [](int range) { return FlatButtonRandom().Next(range); });
}

// ---- construction and properties -------------------------------------------------------------

TFlButton::TFlButton(TComponent* owner) : TCustomControl(owner) {
  // No framework click on mouse release: the button decides itself when it clicks.
  control_style_ = csCaptureMouse | csSetCaption | csOpaque;
  SetDoubleBuffered(true);
  SetTabStop(true);
  glyph_.OnChange = [this](TObject*) { GlyphChanged(); };
  SetBounds(Left(), Top(), 73, 25);
}

TFlButton::~TFlButton() { glyph_.OnChange = nullptr; }

void TFlButton::SetDefault(bool value) {
  if (default_ == value) return;
  default_ = value;
  // Every flat button of the form looks again at who is active (and so at its frame).
  if (TCustomForm* form = GetParentForm(this)) {
    form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->ActiveControl()));
  } else {
    Invalidate();
  }
}

void TFlButton::SetGlyph(TPicture* value) {
  glyph_.Assign(value);
  Invalidate();
}

void TFlButton::SetGlyph(TGraphic* value) {
  glyph_.SetGraphic(value);
  Invalidate();
}

void TFlButton::GlyphChanged() {
  // The glyph is drawn with transparency, whatever the picture it was copied from said.
  if (TGraphic* g = glyph_.Graphic(); g != nullptr && !g->Empty() && !g->Transparent())
    g->SetTransparent(true);
  Invalidate();
}

void TFlButton::SetShowFocusRect(bool value) {
  if (show_focus_rect_ == value) return;
  show_focus_rect_ = value;
  Invalidate();
}

void TFlButton::SetFocusRectOffset(int value) {
  if (focus_rect_offset_ == value) return;
  focus_rect_offset_ = value;
  Invalidate();
}

void TFlButton::SetMouseBorderWidth(int value) {
  if (mouse_border_width_ == value) return;
  mouse_border_width_ = value;
  Invalidate();
}

void TFlButton::SetOffsetOnClick(int value) {
  if (offset_on_click_ == value) return;
  offset_on_click_ = value;
  Invalidate();
}

bool TFlButton::FrameCondition(bool with_default) const {
  const bool frame = pressed_ ? !hot_ : (hot_ || focused_);
  return frame || (with_default && default_ && !another_active_);
}

// ---- gradients -------------------------------------------------------------------------------

void TFlButton::RebuildGradients() {
  const int w = Width(), h = Height();
  const int a = FrameCondition(false) ? 6 : 2;
  MakeGradientBitmap(face_, w - a, h - a, kFaceTop, kFaceBottom, kGradientBands, true);
  MakeGradientBitmap(pressed_face_, w - 2, h - 2, kPressedTop, kPressedBottom, kGradientBands, true);
  MakeGradientBitmap(hot_frame_, w - 2, h - 2, kHotTop, kHotBottom, kGradientBands, true);
  MakeGradientBitmap(focus_frame_, w - 2, h - 2, kFocusTop, kFocusBottom, kGradientBands, true);
}

void TFlButton::Resize() {
  RebuildGradients();
  // The look depends on the size everywhere (border, corners, centred caption): paint it all.
  Invalidate();
  TCustomControl::Resize();
}

// ---- state machine ---------------------------------------------------------------------------

void TFlButton::StateChanged() {
  if (!updating_) Invalidate();
}

void TFlButton::MouseEntered() {
  hot_ = true;
  StateChanged();
  if (!IsDesigning() && OnMouseEnter) OnMouseEnter(this);
}

void TFlButton::MouseLeft() {
  hot_ = false;
  StateChanged();
  if (OnMouseLeave) OnMouseLeave(this);
}

void TFlButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  if (CanFocus() && !Focused()) SetFocus();
  pressed_ = true;
  StateChanged();
}

void TFlButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  if (!pressed_) return;
  const bool click = hot_ && focused_;
  pressed_ = false;
  StateChanged();
  if (!click) return;
  // A click from the mouse or the space bar keeps its failure to itself.
  try {
    Click();
  } catch (...) {
  }
}

void TFlButton::KeyDown(WORD& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key != VK_SPACE || (shift & (ssShift | ssAlt | ssCtrl)) != 0) return;
  {
    // One repaint for the two steps, at the end.
    updating_ = true;
    ScopeExit done([this] { updating_ = false; });
    MouseEntered();
    MouseDown(TMouseButton::mbLeft, 0, 0, 0);
  }
  Invalidate();
}

void TFlButton::KeyUp(WORD& key, TShiftState shift) {
  if (!pressed_) return;
  MouseUp(TMouseButton::mbLeft, shift, 0, 0);
  MouseLeft();
  TCustomControl::KeyUp(key, shift);
}

void TFlButton::FocusChanged(const TWinControl* focused) {
  if (focused == this) {
    focused_ = true;
  } else {
    focused_ = false;
    pressed_ = false;
  }
  const TCustomForm* form = GetParentForm(this);
  another_active_ = form != nullptr && dynamic_cast<TFlButton*>(form->ActiveControl()) != nullptr;
  StateChanged();
}

bool TFlButton::DialogKey(WPARAM key) {
  if (key != VK_RETURN) return false;
  if (!(focused_ || (default_ && !another_active_)) || !CanFocus()) return false;
  Click();  // not guarded: a failure goes to the error report
  return true;
}

bool TFlButton::DialogChar(WPARAM char_code, LPARAM key_data) {
  if (!IsAccel(char_code, Caption()) || !CanFocus()) return false;
  const bool alt = (key_data & 0x20000000) != 0 || ::GetKeyState(VK_MENU) < 0;
  if (!Focused() && !alt) return false;
  Click();  // not guarded: a failure goes to the error report
  return true;
}

void TFlButton::Click() {
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modal_result_);
  TCustomControl::Click();
}

void TFlButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      if (m.LParam == 0 || m.LParam == reinterpret_cast<LPARAM>(this)) {
        if (m.Msg == CM_MOUSEENTER) MouseEntered(); else MouseLeft();
      }
      break;
    case CM_FOCUSCHANGED:
      FocusChanged(reinterpret_cast<const TWinControl*>(m.LParam));
      break;
    case CM_DIALOGKEY:
      if (DialogKey(m.WParam)) {
        m.Result = 1;
        return;
      }
      break;
    case CM_DIALOGCHAR:
      if (DialogChar(m.WParam, m.LParam)) {
        m.Result = 1;
        return;
      }
      break;
    case CM_ENABLEDCHANGED:
    case CM_PARENTCOLORCHANGED:
      TCustomControl::WndProc(m);
      Invalidate();
      return;
    case CM_TEXTCHANGED:
      Invalidate();
      return;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

// ---- painting --------------------------------------------------------------------------------

void TFlButton::Paint() {
  if (Enabled()) {
    PaintEnabled();
  } else {
    PaintDisabled();
  }
}

void TFlButton::CopyFace(int at, int width, int height) {
  // Never more than the face holds (it is smaller after a size change made while framed).
  width = std::min(width, face_.Width());
  height = std::min(height, face_.Height());
  if (width <= 0 || height <= 0) return;
  Canvas().CopyRect(RECT{at, at, at + width, at + height}, face_.Canvas(),
                    RECT{0, 0, width, height});
}

void TFlButton::DrawGlyph(int x, int y) {
  TGraphic* g = glyph_.Graphic();
  if (g == nullptr || g->Empty()) return;
  Canvas().Draw(x, y, g);
}

void TFlButton::DrawCaption(const RECT& r, TColor color) {
  if (Caption().empty()) return;
  TCanvas& c = Canvas();
  flat::UseFont(c, Font());
  c.Font().SetColor(color);
  c.Brush().SetStyle(TBrushStyle::bsClear);
  RECT box = r;
  c.DrawText(Caption(), box,
             DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS |
                 DrawTextBiDiModeFlagsReadingOnly());
}

void TFlButton::PaintEnabled() {
  const int w = Width(), h = Height();
  TCanvas& c = Canvas();
  c.Brush().SetStyle(TBrushStyle::bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(RECT{0, 0, w, h});

  const bool frame = FrameCondition(true);
  if (frame) c.Draw(1, 1, hot_ ? &hot_frame_ : &focus_frame_);
  if (hot_ && pressed_) {
    c.Draw(1, 1, &pressed_face_);
  } else if (frame) {
    const int m = mouse_border_width_ + 1;
    CopyFace(m, w - 2 * m, h - 2 * m);
  } else {
    CopyFace(1, w - 2, h - 2);
  }

  if (focused_ && show_focus_rect_) {
    const int o = focus_rect_offset_;
    c.DrawFocusRect(RECT{o, o, w - o, h - o});
  }

  c.Pen().SetStyle(TPenStyle::psSolid);
  c.Pen().SetWidth(1);
  c.Pen().SetColor(kBorderColor);
  c.Brush().SetStyle(TBrushStyle::bsClear);
  c.RoundRect(0, 0, w, h, 5, 5);

  // Softened corners; each line leaves out its end point.
  c.SetPixel(0, 1, kCornerColor);
  c.SetPixel(1, 0, kCornerColor);
  c.Pen().SetColor(kCornerColor);
  c.MoveTo(w - 2, 0);
  c.LineTo(w, 2);
  c.MoveTo(0, h - 2);
  c.LineTo(2, h);
  c.MoveTo(w - 3, h);
  c.LineTo(w, h - 3);

  TGraphic* g = glyph_.Graphic();
  const bool has_glyph = g != nullptr && !g->Empty();
  const flat::ButtonLayout layout = flat::EnabledButtonLayout(
      w, h, hot_ && pressed_ ? offset_on_click_ : 0, has_glyph ? g->Width() : 0,
      has_glyph ? g->Height() : 0);
  if (has_glyph) DrawGlyph(layout.glyph.x, layout.glyph.y);
  DrawCaption(ToRECT(layout.caption), Font().Color());
}

void TFlButton::PaintDisabled() {
  const int w = Width(), h = Height();
  TCanvas& c = Canvas();
  c.Brush().SetStyle(TBrushStyle::bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(RECT{0, 0, w, h});
  c.Brush().SetColor(kDisabledFace);
  c.FillRect(RECT{2, 2, w - 2, h - 2});
  c.Pen().SetStyle(TPenStyle::psSolid);
  c.Pen().SetWidth(1);
  c.Pen().SetColor(kDisabledBorder);
  c.RoundRect(0, 0, w, h, -6, -6);

  TGraphic* g = glyph_.Graphic();
  const bool has_glyph = g != nullptr && !g->Empty();
  const flat::ButtonLayout layout = flat::DisabledButtonLayout(
      w, h, has_glyph ? g->Width() : 0, has_glyph ? g->Height() : 0);
  if (has_glyph) DrawGlyph(layout.glyph.x, layout.glyph.y);
  DrawCaption(ToRECT(layout.caption), kDisabledText);
}

}  // namespace vornada
