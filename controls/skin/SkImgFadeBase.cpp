// The fade-animated base of the image button and check box (see SkImgFadeBase.h).
#include "SkImgFadeBase.h"

#include <algorithm>

#include "ScopeExit.h"
#include "core/SkPixels.h"

namespace vornada {

namespace {

bool IsDib24(const TBitmap& bitmap) {
  return bitmap.HandleType() == TBitmapHandleType::bmDIB && bitmap.BitsPerPixel() == 24;
}

skin::PixelRows Rows24(TBitmap& bitmap) {
  skin::PixelRows rows;
  if (bitmap.Empty() || bitmap.Width() <= 0 || bitmap.Height() <= 0) return rows;
  rows.top = static_cast<uint8_t*>(bitmap.ScanLine(0));
  rows.stride = -static_cast<ptrdiff_t>(bitmap.Stride());
  rows.width = bitmap.Width();
  rows.height = bitmap.Height();
  return rows;
}

}  // namespace

TSkImgFadeBase::TSkImgFadeBase(TComponent* owner) : TCustomControl(owner) {
  control_style_ |= csOpaque;
  // All three start empty, so the control is 0 x 0 until a subclass gives it its own size.
  for (TBitmap* bitmap : {&frame_, &fade_from_, &fade_to_}) {
    SetBounds(Left(), Top(), bitmap->Width(), bitmap->Height());
    frame_.SetSize(Width(), Height());
    EnsureDib24(*bitmap);
  }
  SetTabStop(true);
  timer_ = new TTimer(this);
  timer_->SetInterval(static_cast<UINT>(fade_update_interval_));
  timer_->SetOnTimer([this](TObject*) { Tick(); });
  // The timer runs only while a fade does (SetFadeActive starts and stops it): an idle control
  // costs nothing.
  timer_->SetEnabled(false);
  if (dynamic_cast<TForm*>(owner) != nullptr && !IsDesigning()) {
    HookApplication();
    HookForm();
  }
}

TSkImgFadeBase::~TSkImgFadeBase() {
  Destroying();
  delete timer_;
  timer_ = nullptr;
  if (!IsDesigning()) {
    UnhookApplication();
    UnhookForm();
  }
}

// ---- properties ------------------------------------------------------------------------------

void TSkImgFadeBase::SetFadeFx(TSkFadeFx value) {
  if (fade_fx_ == value) return;
  fade_fx_ = value;
  RequestRepaint();
}

void TSkImgFadeBase::SetFadeUpdateInterval(int value) {
  if (fade_update_interval_ == value) return;
  fade_update_interval_ = value;
  timer_->SetInterval(static_cast<UINT>(std::max(value, 0)));
  RequestRepaint();
}

void TSkImgFadeBase::SetFadeLoop(bool value) {
  if (fade_loop_ == value) return;
  fade_loop_ = value;
  fade_step_ = 1;
  RequestRepaint();
}

void TSkImgFadeBase::SetFadeAutoReverse(bool value) {
  if (fade_auto_reverse_ == value) return;
  fade_auto_reverse_ = value;
  RequestRepaint();
}

void TSkImgFadeBase::SetFadeActive(bool value) {
  fade_active_ = value;
  timer_->SetEnabled(value);
  RequestRepaint();
}

void TSkImgFadeBase::SetFadeReverse(bool value) {
  if (fade_reverse_ == value) return;
  fade_reverse_ = value;
  RequestRepaint();
}

void TSkImgFadeBase::RequestRepaint() {
  if (painting_) {
    repaint_after_paint_ = true;
  } else {
    Invalidate();
  }
}

// ---- fades -----------------------------------------------------------------------------------

void TSkImgFadeBase::FadeStep() {
  if (fade_from_.Empty() || fade_to_.Empty() || !fade_active_) return;
  ++fade_step_;
  const int k = fade_step_;
  const int states = fade_states_;
  if (fade_auto_reverse_ && fade_step_ > states && fade_active_) fade_reverse_ = !fade_reverse_;
  if (k > states) {
    if (fade_loop_) {
      fade_step_ = 1;
    } else {
      SetFadeActive(false);
    }
    return;
  }
  // A failure ends this step's drawing; what was written stays.
  try {
    for (TBitmap* bitmap : {&frame_, &fade_from_, &fade_to_})
      if (!IsDib24(*bitmap)) EnsureDib24(*bitmap);
    TBitmap& start = fade_reverse_ ? fade_to_ : fade_from_;
    TBitmap& target = fade_reverse_ ? fade_from_ : fade_to_;
    skin::FadeFrame(fade_fx_, states, k, Rows24(start), Rows24(target), Rows24(frame_));
  } catch (...) {
  }
}

void TSkImgFadeBase::Tick() {
  if (animating_ && fade_active_ && !painting_) Invalidate();
}

void TSkImgFadeBase::Paint() {
  if (!Visible()) return;
  painting_ = true;
  repaint_after_paint_ = false;
  const ScopeExit done([this] {
    painting_ = false;
    // While a fade runs its timer paints next; otherwise the asked-for repaint happens now.
    if (repaint_after_paint_ && !(fade_active_ && animating_)) Invalidate();
    repaint_after_paint_ = false;
  });
  if (frame_.Empty()) frame_.Assign(fade_reverse_ ? &fade_to_ : &fade_from_);
  PaintSkin();
}

// ---- window ----------------------------------------------------------------------------------

void TSkImgFadeBase::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  if (transparent_window_) params.ex_style |= WS_EX_TRANSPARENT;
}

void TSkImgFadeBase::CreateWnd() {
  TCustomControl::CreateWnd();
  // A transparent window shows what its parent paints beneath it.
  if (transparent_window_ && Parent() != nullptr && Parent()->HandleAllocated()) {
    HWND parent = Parent()->Handle();
    ::SetWindowLongW(parent, GWL_STYLE, ::GetWindowLongW(parent, GWL_STYLE) & ~WS_CLIPCHILDREN);
  }
}

void TSkImgFadeBase::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_ERASEBKGND:
      m.Result = 1;  // every pixel is painted by the subclass
      return;
    case CM_CTL3DCHANGED:
      TCustomControl::WndProc(m);
      RequestRepaint();
      return;
    case CM_FOCUSCHANGED:
      RequestRepaint();
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      HandleFocusMessage(m);
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      HandleMouseTracking(m);
      return;
    default:
      TCustomControl::WndProc(m);
  }
}

void TSkImgFadeBase::HandleFocusMessage(TMessage& m) {
  focused_ = m.Msg == WM_SETFOCUS;
  TCustomControl::WndProc(m);
}

// The framework tells a control of the pointer entering or leaving it (lParam 0) or one of its
// children (lParam: the child); only the control itself fires the events.
void TSkImgFadeBase::HandleMouseTracking(TMessage& m) {
  const bool entered = m.Msg == CM_MOUSEENTER;
  const LPARAM child = m.LParam;
  TCustomControl::WndProc(m);
  if (child != 0) return;
  const TNotifyEvent handler = entered ? OnMouseEnter : OnMouseLeave;
  if (handler) handler(this);
}

void TSkImgFadeBase::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  if (OnClick && x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight()) {
    const TNotifyEvent handler = OnClick;
    handler(nullptr);
  }
}

// ---- hooks -----------------------------------------------------------------------------------

void TSkImgFadeBase::HookApplication() {
  hooks_.HookApplication([this](TMessage& m) { AppWndProc(m); });
}

void TSkImgFadeBase::UnhookApplication() { hooks_.UnhookApplication(); }

void TSkImgFadeBase::HookForm() {
  if (auto* form = dynamic_cast<TCustomForm*>(Owner()))
    hooks_.HookForm(*form, [this](TMessage& m) { FormWndProc(m); });
}

void TSkImgFadeBase::UnhookForm() { hooks_.UnhookForm(); }

// The notifications may free this control; then the hook passes the message on by itself.
void TSkImgFadeBase::AppWndProc(TMessage& m) {
  const auto alive = Alive();
  if (m.Msg == WM_SIZE) {
    if (m.WParam == SIZE_MINIMIZED) {
      DoAppMinimize();
    } else if (m.WParam == SIZE_RESTORED) {
      DoAppRestore();
    }
  }
  if (*alive) hooks_.PassOnApplication(m);
}

// The notification comes before the form itself handles its activation.
void TSkImgFadeBase::FormWndProc(TMessage& m) {
  const auto alive = Alive();
  if (m.Msg == WM_ACTIVATE && Screen()->ActiveControl() != nullptr) {
    if (LOWORD(m.WParam) != WA_INACTIVE) {
      DoFormActivate();
    } else {
      DoFormDeactivate();
    }
  }
  if (*alive) hooks_.PassOnForm(m);
}

// The handlers are called through copies: one that frees the control frees the originals.
void TSkImgFadeBase::DoFormActivate() {
  if (const TNotifyEvent handler = OnFormActivate) handler(this);
}

void TSkImgFadeBase::DoFormDeactivate() {
  if (const TNotifyEvent handler = OnFormDeactivate) handler(this);
}

void TSkImgFadeBase::DoAppRestore() { DoFormActivate(); }

void TSkImgFadeBase::DoAppMinimize() {}

}  // namespace vornada
