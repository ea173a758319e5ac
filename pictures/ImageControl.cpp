// TImageControl: double-buffered painting, painting from a foreign thread and the parent's
// background (see ImageControl.h).
#include "ImageControl.h"

#include <algorithm>

#include "Classes_win.h"
#include "Forms.h"
#include "ScopeExit.h"
#include "WinHandles.h"

namespace vornada {

namespace {

// Reaches a windowed control's own window painting, which the framework keeps protected: a
// pointer to the member, formed through a derived class, calls it on any windowed control.
struct WindowPainting : TWinControl {
  static void PaintWindowOf(TWinControl& control, HDC dc) {
    void (TWinControl::*paint_window)(HDC) = &WindowPainting::PaintWindow;
    (control.*paint_window)(dc);
  }
};

}  // namespace

// The framework's paint-copy flag, and for an image control also the mark that its foreign
// thread reads, for the lifetime of the object.
class TImageControl::ScopedPaintCopy {
 public:
  explicit ScopedPaintCopy(TControl& control)
      : control_(control),
        image_(dynamic_cast<TImageControl*>(&control)),
        was_set_(control.InState(csPaintCopy)) {
    if (image_ != nullptr) ++image_->paint_copies_;
    control_.SetControlState(control_.ControlStateFlags() | csPaintCopy);
  }
  ~ScopedPaintCopy() {
    if (!was_set_) control_.SetControlState(control_.ControlStateFlags() & ~csPaintCopy);
    if (image_ != nullptr) --image_->paint_copies_;
  }
  ScopedPaintCopy(const ScopedPaintCopy&) = delete;
  ScopedPaintCopy& operator=(const ScopedPaintCopy&) = delete;

 private:
  TControl& control_;
  TImageControl* image_;
  bool was_set_;
};

TImageControl::TImageControl(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyleFlags() | csCaptureMouse | csClickEvents | csOpaque |
                  csDoubleClicks | csReplicatable);
  SetBounds(Left(), Top(), 105, 105);
  SetParentColor(true);
}

TImageControl::~TImageControl() { Destroying(); }

void TImageControl::WndProc(TMessage& m) {
  if (m.Msg == CM_VISIBLECHANGED) visible_.store(Visible());
  if (m.Msg != WM_PAINT) {
    TGraphicControl::WndProc(m);
    return;
  }
  // The locks first: whether this thread is already inside the buffered paint can only be told
  // with the canvas locked (another thread's buffered paint holds the lock meanwhile).
  ScopedLock state(StateLock());
  ScopedCanvasLock lock(Canvas());
  if (buffered_paint_) {
    TGraphicControl::WndProc(m);
    return;
  }
  if (m.WParam == 0) return;
  const HDC target = reinterpret_cast<HDC>(m.WParam);
  const int width = std::max(ClientWidth(), 1);
  const int height = std::max(ClientHeight(), 1);
  win::UniqueBitmap buffer;
  {
    win::ScopedGetDC screen(nullptr);
    buffer.reset(::CreateCompatibleBitmap(screen, width, height));
  }
  win::UniqueMemoryDc memory(::CreateCompatibleDC(nullptr));
  if (!buffer || !memory) throw EOutOfResources("Out of system resources");
  win::ScopedSelectObject select(memory.get(), buffer.get());
  buffered_paint_ = true;
  try {
    TMessage inner{WM_PAINT, reinterpret_cast<WPARAM>(memory.get()), 0, 0};
    WndProc(inner);
  } catch (...) {
    buffered_paint_ = false;
    throw;
  }
  buffered_paint_ = false;
  ::BitBlt(target, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
}

void TImageControl::Paint() {
  TCanvas& canvas = Canvas();
  canvas.Brush().SetColor(Color());
  canvas.FillRect(ClientRect());
  {
    // Paint runs with the canvas locked, so one thread at a time is marked as painting.
    ScopedCanvasLock lock(canvas);
    if (painting_depth_++ == 0) painting_thread_.store(::GetCurrentThreadId());
    const ScopeExit unmark([this] {
      if (--painting_depth_ == 0) painting_thread_.store(0);
    });
    PaintImage();
  }
  if (IsDesigning() && picture_ != nullptr && (picture_->Transparent() || picture_->Empty())) {
    canvas.Pen().SetStyle(TPenStyle::psDash);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.Rectangle(0, 0, Width(), Height());
  }
}

void TImageControl::PaintNow() {
  if (::GetCurrentThreadId() == MainThreadID()) {
    Repaint();
    return;
  }
  const HWND parent_window = ParentWindowHandle();
  if (parent_window == nullptr) return;
  win::ScopedGetDC dc(parent_window);
  if (dc.get() == nullptr) return;
  ::IntersectClipRect(dc, Left(), Top(), Left() + Width(), Top() + Height());
  ::SetViewportOrgEx(dc, Left(), Top(), nullptr);
  Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc.get()), 0);
}

void TImageControl::PaintParentBackground(TCanvas& canvas) {
  TWinControl* parent = Parent();
  if (parent == nullptr) return;
  ScopedPaintCopy parent_copy(*parent);
  const HDC dc = canvas.Handle();
  POINT origin{0, 0};
  ::GetViewportOrgEx(dc, &origin);
  {
    win::ScopedSaveDC saved(dc);
    ::SetViewportOrgEx(dc, origin.x - Left(), origin.y - Top(), nullptr);
    const RECT client = parent->ClientRect();
    ::IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    // wParam = lParam: an erase into a buffer of its own, also for a double-buffered parent.
    parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dc));
    // A form draws nothing of its own over its background: its window painting is the window
    // class's default, which ignores the given context and would validate the form's window
    // (from a foreign thread, even wait for the user-interface thread). Other parents paint.
    if (dynamic_cast<TCustomForm*>(parent) == nullptr) WindowPainting::PaintWindowOf(*parent, dc);
  }
  const RECT self = BoundsRect();
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* sibling = parent->Controls(i);
    if (sibling == this) break;
    if (dynamic_cast<TGraphicControl*>(sibling) == nullptr || !sibling->Visible()) continue;
    RECT overlap;
    const RECT bounds = sibling->BoundsRect();
    if (!::IntersectRect(&overlap, &bounds, &self)) continue;
    win::ScopedSaveDC saved(dc);
    ::SetViewportOrgEx(dc, origin.x + sibling->Left() - Left(), origin.y + sibling->Top() - Top(),
                       nullptr);
    ::IntersectClipRect(dc, 0, 0, sibling->Width(), sibling->Height());
    ScopedPaintCopy sibling_copy(*sibling);
    sibling->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  }
}

void TImageControl::RefreshPicture() {
  if (IsDestroying()) return;
  AdjustSize();
  if (picture_ != nullptr && picture_->PaletteModified() && Visible() && !IsLoading()) {
    if (GetPalette() != nullptr) {
      TCustomForm* form = GetParentForm(this);
      if (form != nullptr && form->Active() && form->HandleAllocated()) {
        if (Painting()) {
          ::SendMessageW(form->Handle(), WM_QUERYNEWPALETTE, 0, 0);
        } else {
          ::PostMessageW(form->Handle(), WM_QUERYNEWPALETTE, 0, 0);
        }
        picture_->SetPaletteModified(false);
      }
    } else {
      picture_->SetPaletteModified(false);
    }
  }
  if (Painting()) {
    Update();
  } else {
    Invalidate();
  }
}

}  // namespace vornada
