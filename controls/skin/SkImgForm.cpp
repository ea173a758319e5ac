// The image form skin (see SkImgForm.h).
#include "SkImgForm.h"

namespace vornada {

namespace {

constexpr TColor kInactiveFontColor = 8421504;  // gray, 0x808080
constexpr int kInactiveBrightness = -40;        // 51 levels darker per channel
constexpr WPARAM kMoveByCaption = 0xF012;       // SC_MOVE | HTCAPTION: the system move loop

}  // namespace

TSkImgForm::TSkImgForm(TComponent* owner) : TGraphicControl(owner) {
  control_style_ |= csOpaque;
  skin_.OnChange = [this](TObject*) {
    if (IsLoading()) return;
    SizeToBitmap(skin_);
    Invalidate();
  };
  SizeToBitmap(skin_);
  SetBounds(Left(), Top(), 271, 188);
  form_ = dynamic_cast<TForm*>(owner);
  if (form_ == nullptr) form_ = dynamic_cast<TCustomForm*>(owner);
  if (form_ == nullptr) throw Exception("Error: FForm could not be created");
  form_->SetBorderStyle(TFormBorderStyle::bsNone);
  form_->SetPosition(TPosition::poDesktopCenter);
  form_->SetScreenSnap(true);
  SendToBack();
  if (dynamic_cast<TForm*>(owner) != nullptr && !IsDesigning()) {
    hooks_.HookApplication([this](TMessage& m) { AppWndProc(m); });
    hooks_.HookForm(*form_, [this](TMessage& m) { FormWndProc(m); });
  }
}

TSkImgForm::~TSkImgForm() {
  Destroying();
  skin_.OnChange = nullptr;
  if (!IsDesigning()) {
    hooks_.UnhookApplication();
    hooks_.UnhookForm();
  }
}

void TSkImgForm::Loaded() {
  TGraphicControl::Loaded();
  mouse_state_ = emsIdle;
  if (skin_.Empty()) return;
  SetLeft(0);
  ApplyFormRegion(*form_, skin_, transparent_color_);
  buffer_.Assign(&skin_);
}

// ---- properties ------------------------------------------------------------------------------

void TSkImgForm::RefreshBuffer() { buffer_.Assign(&skin_); }

void TSkImgForm::SetDesignTimeApply(bool value) {
  if (design_time_apply_ == value) return;
  design_time_apply_ = value;
  Invalidate();
}

void TSkImgForm::SetWordWrap(bool value) {
  if (word_wrap_ == value) return;
  word_wrap_ = value;
  RefreshBuffer();
  Invalidate();
}

void TSkImgForm::SetText(const std::wstring& text) {
  if (text == Text()) return;
  TGraphicControl::SetText(text);  // stores it and sends the text-changed notification
  Canvas().Font().Assign(&Font());
  Canvas().Brush().SetStyle(TBrushStyle::bsClear);
  RefreshBuffer();
  Invalidate();
}

void TSkImgForm::SetCaptionX(int value) {
  if (caption_x_ == value) return;
  caption_x_ = value;
  RefreshBuffer();
  Invalidate();
}

void TSkImgForm::SetCaptionY(int value) {
  if (caption_y_ == value) return;
  caption_y_ = value;
  RefreshBuffer();
  Invalidate();
}

TIcon* TSkImgForm::Icon() {
  icon_.SetTransparent(true);
  return &icon_;
}

void TSkImgForm::SetIcon(TIcon* value) {
  icon_.Assign(value);
  if (!icon_.Empty()) {
    icon_.SetTransparent(true);
    icon_size_ = icon_.Width();
  }
  RefreshBuffer();
  Invalidate();
}

void TSkImgForm::SetIconSize(int value) {
  if (icon_size_ == value) return;
  icon_size_ = value;
  RefreshBuffer();
  Invalidate();
}

void TSkImgForm::ApplyActive(bool value) {
  active_ = value;
  if (value) {
    buffer_.Assign(&skin_);
    Font().SetColor(saved_font_color_);
  } else {
    TBitmap darker;
    darker.Assign(&skin_);
    buffer_.Assign(&Brighten(darker, kInactiveBrightness));
    saved_font_color_ = Font().Color();
    Font().SetColor(kInactiveFontColor);
  }
  Invalidate();
}

void TSkImgForm::StoreSkin(TBitmap* value) {
  skin_.Assign(value);
  buffer_.Assign(&skin_);
  SendToBack();
  if (skin_.Empty()) {
    Invalidate();
    return;
  }
  SetBounds(0, 0, Width(), Height());
  form_->SetBounds(form_->Left(), form_->Top(), skin_.Width(), skin_.Height());
  // The window is shaped at loading and when the transparent colour changes, not here.
  SizeToBitmap(skin_);
  Invalidate();
}

void TSkImgForm::ApplyTransparentColor(TColor value) {
  if (transparent_color_ == value) return;
  transparent_color_ = value;
  if (!skin_.Empty()) ApplyFormRegion(*form_, skin_, value);
  Invalidate();
}

void TSkImgForm::SizeToBitmap(TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  EnsureDib24(bitmap);
  int w = Width(), h = Height();
  if (bitmap.Width() > 0 && bitmap.Width() != w) w = bitmap.Width();
  if (bitmap.Height() > 0 && bitmap.Height() != h) h = bitmap.Height();
  SetBounds(Left(), Top(), w, h);
}

// ---- painting --------------------------------------------------------------------------------

void TSkImgForm::Paint() {
  if (IsDesigning() && !design_time_apply_) {
    SetBounds(Left(), Top(), 25, 25);
    Canvas().Pen().SetStyle(TPenStyle::psSolid);
    Canvas().Brush().SetStyle(TBrushStyle::bsClear);
    Canvas().Rectangle(0, 0, Width(), Height());
    return;
  }
  if (!skin_.Empty() && (Width() != skin_.Width() || Height() != skin_.Height()))
    SetBounds(Left(), Top(), skin_.Width(), skin_.Height());
  if (!buffer_.Empty()) {
    PaintCaption(buffer_.Canvas());
    PaintIcon(buffer_.Canvas());
  }
  Canvas().Draw(0, 0, &buffer_);
}

void TSkImgForm::PaintCaption(TCanvas& canvas) {
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  canvas.Font().Assign(&Font());
  std::wstring text = Caption();
  const int tw = canvas.TextWidth(text);  // selects the font and its colour
  const int x = icon_.Empty() ? caption_x_ : caption_x_ + icon_size_ + 2;
  const int y = caption_y_;
  HDC dc = canvas.Handle();
  ::SetBkMode(dc, TRANSPARENT);
  if (word_wrap_ && tw > ClientWidth()) {
    RECT r{6, caption_y_, Width(), Height()};
    ::DrawTextExW(dc, text.data(), static_cast<int>(text.size()), &r, DT_END_ELLIPSIS, nullptr);
  } else {
    ::ExtTextOutW(dc, x, y, ETO_CLIPPED, nullptr, text.c_str(), static_cast<UINT>(text.size()),
                  nullptr);
  }
}

void TSkImgForm::PaintIcon(TCanvas& canvas) {
  if (!icon_.Empty()) canvas.Draw(caption_x_, caption_y_, &icon_);
}

// ---- input -----------------------------------------------------------------------------------

// A left press drags the window: the press is ended at once (the form passes the release to the
// control at its point (0, 0), which may be this one) and the system's move loop follows the
// pointer until the button is released.
void TSkImgForm::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft || mouse_state_ == emsDown) return;
  mouse_state_ = emsDown;
  if (form_ == nullptr) return;
  ::ReleaseCapture();
  form_->Perform(WM_LBUTTONUP, 0, 0);
  form_->Perform(WM_SYSCOMMAND, kMoveByCaption, 8);
}

void TSkImgForm::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (button != TMouseButton::mbLeft || mouse_state_ != emsDown) return;
  mouse_state_ = emsReleased;
  if (OnClick && x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight()) OnClick(nullptr);
}

void TSkImgForm::WndProc(TMessage& m) {
  if (m.Msg == CM_MOUSEENTER || m.Msg == CM_MOUSELEAVE) {
    const bool entered = m.Msg == CM_MOUSEENTER;
    const LPARAM child = m.LParam;
    TGraphicControl::WndProc(m);
    if (IsDesigning() || child != 0) return;
    const TNotifyEvent handler = entered ? OnMouseEnter : OnMouseLeave;
    if (handler) handler(this);
    return;
  }
  TGraphicControl::WndProc(m);
}

// ---- hooks -----------------------------------------------------------------------------------

// The event handlers are called through copies and may free this control; then the hook passes
// the message on by itself.
void TSkImgForm::AppWndProc(TMessage& m) {
  const auto alive = hooks_.Alive();
  if (m.Msg == WM_SIZE) {
    TNotifyEvent handler;
    if (m.WParam == SIZE_MINIMIZED) handler = OnMinimize;
    if (m.WParam == SIZE_RESTORED) handler = OnRestore;
    if (handler) handler(this);
  }
  if (*alive) hooks_.PassOnApplication(m);
}

void TSkImgForm::FormWndProc(TMessage& m) {
  const auto alive = hooks_.Alive();
  if (m.Msg == WM_ACTIVATE && Screen()->ActiveControl() != nullptr) {
    const bool active = LOWORD(m.WParam) != WA_INACTIVE;
    ApplyActive(active);
    if (const TNotifyEvent handler = active ? OnActivate : OnDeactivate) handler(this);
  }
  if (*alive) hooks_.PassOnForm(m);
}

}  // namespace vornada
