// Controls, windowless and windowed: bounds and alignment, visibility, colours and fonts passed
// down from parents, mouse routing to windowless children, capture, keyboard and focus, tab
// order, painting (double-buffered when asked) and the window procedure every framework window
// runs through.
#include "Controls.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "Forms.h"
#include "AccelChars.h"
#include "KeyboardCues.h"
#include "Lock.h"
#include "ScopeExit.h"

namespace vornada {

namespace {

constexpr wchar_t kWindowClass[] = L"VornadaWindow";

// Which control owns which of the process's windows. Every message a control's window gets
// looks its control up here; a window property would do as well, but reading one is a round
// trip to the window server on some systems (Wine), for every message.
class WindowControls {
 public:
  void Attach(HWND hwnd, TWinControl* control) {
    ScopedLock hold(lock_);
    controls_[hwnd] = control;
  }
  void Detach(HWND hwnd) {
    ScopedLock hold(lock_);
    controls_.erase(hwnd);
  }
  TWinControl* Find(HWND hwnd) {
    ScopedLock hold(lock_);
    const auto it = controls_.find(hwnd);
    return it != controls_.end() ? it->second : nullptr;
  }

 private:
  Lock lock_;
  std::unordered_map<HWND, TWinControl*> controls_;
};

WindowControls& ControlsOfWindows() {
  static WindowControls* map = new WindowControls;  // lives until the process ends
  return *map;
}

thread_local TWinControl* t_creating_control = nullptr;
TControl* g_capture_control = nullptr;

std::vector<TControlCanvas*>& LiveControlCanvases() {
  static std::vector<TControlCanvas*> list;
  return list;
}

// How many control canvases hold a window's device context: the idle round frees them, and
// when none does it looks at no canvas at all.
std::atomic<int> g_canvases_holding_context{0};

ATOM RegisterFrameworkClass() {
  static ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ControlWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    return ::RegisterClassExW(&wc);
  }();
  return atom;
}

LPCWSTR SystemCursor(TCursor c) {
  switch (c) {
    case TCursor::crIBeam: return IDC_IBEAM;
    case TCursor::crHandPoint: return IDC_HAND;
    case TCursor::crSizeAll: return IDC_SIZEALL;
    case TCursor::crCross: return IDC_CROSS;
    case TCursor::crNo: return IDC_NO;
    default: return IDC_ARROW;
  }
}

}  // namespace

TShiftState KeysToShiftState(WPARAM keys) {
  TShiftState s = 0;
  if (keys & MK_SHIFT) s |= ssShift;
  if (keys & MK_CONTROL) s |= ssCtrl;
  if (keys & MK_LBUTTON) s |= ssLeft;
  if (keys & MK_RBUTTON) s |= ssRight;
  if (keys & MK_MBUTTON) s |= ssMiddle;
  if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

TShiftState KeyDataToShiftState(LPARAM key_data) {
  TShiftState s = 0;
  if (::GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (::GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (key_data & 0x20000000) s |= ssAlt;
  return s;
}

TControl* GetCaptureControl() {
  if (g_capture_control != nullptr) return g_capture_control;
  return FindControl(::GetCapture());
}

void SetCaptureControl(TControl* control) {
  g_capture_control = nullptr;
  if (control == nullptr) {
    ::ReleaseCapture();
    return;
  }
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    ::SetCapture(win->Handle());
    return;
  }
  if (control->Parent() != nullptr) {
    ::SetCapture(control->Parent()->Handle());
    g_capture_control = control;
  }
}

TWinControl* FindControl(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  return ControlsOfWindows().Find(hwnd);
}

TControl* FindDragTarget(POINT screen_pos, bool allow_disabled) {
  HWND hwnd = ::WindowFromPoint(screen_pos);
  TWinControl* win = FindControl(hwnd);
  if (win == nullptr) return nullptr;
  POINT client = screen_pos;
  ::ScreenToClient(win->Handle(), &client);
  if (TControl* c = win->ControlAtPos(client, allow_disabled)) return c;
  return win;
}

TCustomForm* GetParentForm(const TControl* control) {
  const TControl* c = control;
  while (c != nullptr && c->Parent() != nullptr) c = c->Parent();
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

bool IsAccel(WPARAM char_code, const std::wstring& caption) {
  const wchar_t hot = AccelCharOf(caption);
  if (hot == 0 || char_code == 0 || char_code > 0xFFFF) return false;
  // CharUpperW upper-cases a single character passed in the low word of the pointer value.
  auto upper = [](WPARAM c) {
    return reinterpret_cast<UINT_PTR>(::CharUpperW(reinterpret_cast<LPWSTR>(c & 0xFFFF))) & 0xFFFF;
  };
  return upper(char_code) == upper(static_cast<WPARAM>(hot));
}

// ---- TControlCanvas --------------------------------------------------------------------------

TControlCanvas::TControlCanvas(TControl& control) : control_(control) {
  LiveControlCanvases().push_back(this);
}

TControlCanvas::~TControlCanvas() {
  FreeContext();
  std::erase(LiveControlCanvases(), this);
}

void TControlCanvas::FreeContext() {
  if (!HoldsContext()) return;
  ScopedLock hold(CanvasLock());
  SetHandle(nullptr);
  window_dc_.reset();
  if (holds_context_.exchange(false, std::memory_order_acq_rel))
    g_canvases_holding_context.fetch_sub(1, std::memory_order_release);
}

void TControlCanvas::CreateHandle() {
  HWND hwnd = nullptr;
  POINT origin{0, 0};
  if (auto* win = dynamic_cast<TWinControl*>(&control_)) {
    hwnd = win->Handle();
  } else if (control_.Parent() != nullptr) {
    hwnd = control_.Parent()->Handle();
    origin = {control_.Left(), control_.Top()};
  }
  if (hwnd == nullptr) return;
  win::UniqueWindowDc dc = win::UniqueWindowDc::GetEx(hwnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
  if (dc.get() == nullptr) return;
  ::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  ::IntersectClipRect(dc, 0, 0, control_.Width(), control_.Height());
  window_dc_ = std::move(dc);
  if (!holds_context_.exchange(true, std::memory_order_acq_rel))
    g_canvases_holding_context.fetch_add(1, std::memory_order_release);
  SetHandle(window_dc_.get());
}

void FreeControlDeviceContexts() {
  // Runs after every message the program waits for: most canvases hold no context, and those
  // are passed over without taking their locks. A canvas that another thread is drawing on
  // keeps its context until the next time.
  if (g_canvases_holding_context.load(std::memory_order_acquire) == 0) return;
  for (TControlCanvas* c : LiveControlCanvases())
    if (c->HoldsContext() && c->TryLock()) {
      ScopeExit unlock([c] { c->Unlock(); });
      c->FreeContext();
    }
}

// ---- TControl --------------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {
  font_.OnChange = [this](TObject*) {
    if (!updating_font_) parent_font_ = false;
    Perform(CM_FONTCHANGED);
  };
  constraints_.OnChange = [this](TObject*) { SetBounds(left_, top_, width_, height_); };
}

TControl::~TControl() {
  Destroying();
  if (g_capture_control == this) SetCaptureControl(nullptr);
  ForgetMouseControl(this);
  if (parent_ != nullptr) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent_ == parent) return;
  if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (parent_ != nullptr) parent_->RemoveControl(this);
  if (parent != nullptr) {
    parent->InsertControl(this);
    if (parent_color_) ParentColorChanged();
    if (parent_font_) ParentFontChanged();
  }
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (!CanResize(width, height)) return;
  Constraints().Constrain(width, height);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  InvalidateControl(visible_, false);
  const bool resized = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  InvalidateControl(visible_, false);
  RequestAlign();
  if (resized) Resize();
}

bool TControl::CanResize(int&, int&) { return true; }

bool TControl::CanAutoSize(int&, int&) { return true; }

void TControl::AdjustSize() {
  int w = width_, h = height_;
  if (CanAutoSize(w, h)) SetBounds(left_, top_, w, h);
}

void TControl::SetClientSize(int width, int height) {
  const RECT r = ClientRect();
  SetBounds(left_, top_, width_ - (r.right - r.left) + width, height_ - (r.bottom - r.top) + height);
}

POINT TControl::ClientToScreen(POINT p) const {
  if (const auto* win = dynamic_cast<const TWinControl*>(this); win && win->HandleAllocated()) {
    ::ClientToScreen(const_cast<TWinControl*>(win)->Handle(), &p);
    return p;
  }
  if (parent_ == nullptr) return p;
  return parent_->ClientToScreen({p.x + left_, p.y + top_});
}

POINT TControl::ScreenToClient(POINT p) const {
  if (const auto* win = dynamic_cast<const TWinControl*>(this); win && win->HandleAllocated()) {
    ::ScreenToClient(const_cast<TWinControl*>(win)->Handle(), &p);
    return p;
  }
  if (parent_ == nullptr) return p;
  const POINT q = parent_->ScreenToClient(p);
  return {q.x - left_, q.y - top_};
}

void TControl::SetAlign(TAlign align) {
  if (align_ == align) return;
  const TAlign old = align_;
  align_ = align;
  // A control that stops being aligned keeps its current bounds.
  if (old != TAlign::alNone || align != TAlign::alNone) RequestAlign();
}

void TControl::RequestAlign() {
  if (parent_ != nullptr && align_ != TAlign::alNone) parent_->AlignControls(this);
}

void TControl::SetVisible(bool visible) {
  if (visible_ == visible) return;
  VisibleChanging();
  visible_ = visible;
  Perform(CM_VISIBLECHANGED, visible ? 1 : 0);
  if (parent_ != nullptr && align_ != TAlign::alNone) parent_->AlignControls(this);
}

void TControl::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Perform(CM_ENABLEDCHANGED);
}

bool TControl::IsShowing() const {
  for (const TControl* c = this; c != nullptr; c = c->parent_)
    if (!c->visible_) return false;
  return true;
}

void TControl::SetParentFont(bool value) {
  if (parent_font_ == value) return;
  parent_font_ = value;
  if (value) ParentFontChanged();
}

TBiDiMode TControl::BiDiMode() const {
  if (parent_bidi_mode_ && parent_ != nullptr) return parent_->BiDiMode();
  return bidi_mode_;
}

void TControl::SetBiDiMode(TBiDiMode value) {
  parent_bidi_mode_ = false;
  if (bidi_mode_ == value) return;
  bidi_mode_ = value;
  Perform(CM_BIDIMODECHANGED);
}

void TControl::SetParentBiDiMode(bool value) {
  if (parent_bidi_mode_ == value) return;
  const TBiDiMode before = BiDiMode();
  parent_bidi_mode_ = value;
  if (BiDiMode() != before) Perform(CM_BIDIMODECHANGED);
}

UINT TControl::DrawTextBiDiModeFlags(UINT flags) const {
  if (UseRightToLeftAlignment()) {
    if ((flags & DT_CENTER) == 0) {
      if (flags & DT_RIGHT) flags &= ~DT_RIGHT;
      else flags |= DT_RIGHT;
    }
  }
  if (UseRightToLeftReading()) flags |= DT_RTLREADING;
  return flags;
}

TAlignment TControl::DrawnAlignment(TAlignment alignment) const {
  if (!UseRightToLeftAlignment()) return alignment;
  switch (alignment) {
    case TAlignment::taLeftJustify: return TAlignment::taRightJustify;
    case TAlignment::taRightJustify: return TAlignment::taLeftJustify;
    default: return alignment;
  }
}

void TControl::ParentFontChanged() {
  if (!parent_font_ || parent_ == nullptr) return;
  updating_font_ = true;
  font_.Assign(&parent_->Font());
  updating_font_ = false;
  parent_font_ = true;
}

void TControl::SetColor(TColor color) {
  if (color_ == color) return;
  color_ = color;
  parent_color_ = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value) {
  if (parent_color_ == value) return;
  parent_color_ = value;
  if (value) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetText(const std::wstring& text) {
  if (text_ == text) return;
  text_ = text;
  Perform(CM_TEXTCHANGED);
}

LRESULT TControl::Perform(UINT msg, WPARAM wparam, LPARAM lparam) {
  TMessage m{msg, wparam, lparam, 0};
  WndProc(m);
  return m.Result;
}

void TControl::HandleMouseButton(TMessage& m, TMouseButton button, bool down, bool dbl) {
  const int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
  TShiftState shift = KeysToShiftState(m.WParam);
  if (down) {
    if (button == TMouseButton::mbLeft) {
      if (HasStyle(csCaptureMouse)) SetMouseCapture(true);
      if (HasStyle(csClickEvents)) control_state_ |= csClicked;
      control_state_ |= csLButtonDown;
    }
    if (dbl) {
      shift |= ssDouble;
      if (button == TMouseButton::mbLeft) DblClick();
    }
    MouseDown(button, shift, x, y);
  } else {
    if (button == TMouseButton::mbLeft) {
      control_state_ &= ~csLButtonDown;
      if (HasStyle(csCaptureMouse)) SetMouseCapture(false);
      if (InState(csClicked)) {
        control_state_ &= ~csClicked;
        const RECT r = ClientRect();
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) Click();
      }
    }
    MouseUp(button, shift, x, y);
  }
}

void TControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN: HandleMouseButton(m, TMouseButton::mbLeft, true, false); return;
    case WM_LBUTTONDBLCLK:
      HandleMouseButton(m, TMouseButton::mbLeft, true, HasStyle(csDoubleClicks));
      return;
    case WM_LBUTTONUP: HandleMouseButton(m, TMouseButton::mbLeft, false, false); return;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: HandleMouseButton(m, TMouseButton::mbRight, true, false); return;
    case WM_RBUTTONUP: HandleMouseButton(m, TMouseButton::mbRight, false, false); return;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: HandleMouseButton(m, TMouseButton::mbMiddle, true, false); return;
    case WM_MBUTTONUP: HandleMouseButton(m, TMouseButton::mbMiddle, false, false); return;
    case WM_MOUSEMOVE:
      MouseMove(KeysToShiftState(m.WParam), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      // A parent hears that the pointer entered or left one of its children.
      if (parent_ != nullptr)
        parent_->Perform(m.Msg, 0, m.LParam != 0 ? m.LParam : reinterpret_cast<LPARAM>(this));
      return;
    case CM_VISIBLECHANGED:
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
    case CM_BIDIMODECHANGED:
      InvalidateControl(true, HasStyle(csOpaque));
      return;
    case CM_PARENTCOLORCHANGED:
      if (parent_color_ && parent_ != nullptr) {
        if (color_ != parent_->Color()) {
          color_ = parent_->Color();
          Perform(CM_COLORCHANGED);
        }
        parent_color_ = true;
      }
      return;
    case CM_PARENTFONTCHANGED:
      ParentFontChanged();
      return;
    default:
      DefaultHandler(m);
  }
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::Click() {
  if (OnClick) OnClick(this);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}
void TControl::Resize() {
  if (OnResize) OnResize(this);
}
void TControl::DoContextPopup(POINT mouse_pos, bool& handled) {
  if (OnContextPopup) OnContextPopup(this, mouse_pos, handled);
}

HWND TControl::ParentWindowHandle() const {
  if (parent_ != nullptr && parent_->HandleAllocated()) return parent_->hwnd_;
  return nullptr;
}

void TControl::InvalidateControl(bool is_visible, bool is_opaque) {
  if (!is_visible || dynamic_cast<TWinControl*>(this) != nullptr) return;
  HWND hwnd = ParentWindowHandle();
  if (hwnd == nullptr || width_ <= 0 || height_ <= 0) return;
  const RECT r = BoundsRect();
  ::InvalidateRect(hwnd, &r, !is_opaque);
}

void TControl::Invalidate() { InvalidateControl(visible_, HasStyle(csOpaque)); }

void TControl::Update() {
  if (parent_ != nullptr) parent_->Update();
}

void TControl::Repaint() {
  if (!visible_ || parent_ == nullptr || !parent_->HandleAllocated()) return;
  if (HasStyle(csOpaque)) {
    // An opaque windowless control paints itself (and what lies above it) straight away.
    win::ScopedGetDC dc(parent_->Handle());
    win::ScopedSaveDC saved(dc);
    ::IntersectClipRect(dc, left_, top_, left_ + width_, top_ + height_);
    parent_->PaintControls(dc, this);
    // ...this control and the ones stacked above it.
    const auto& list = parent_->controls_;
    auto it = std::find(list.begin(), list.end(), this);
    for (; it != list.end(); ++it) {
      TControl* c = *it;
      if (dynamic_cast<TWinControl*>(c) != nullptr || !c->Visible()) continue;
      win::ScopedSaveDC one(dc);
      POINT org;
      ::GetViewportOrgEx(dc, &org);
      ::SetViewportOrgEx(dc, org.x + c->Left(), org.y + c->Top(), nullptr);
      ::IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
      c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc.get()), 0);
    }
  } else {
    Invalidate();
    Update();
  }
}

void TControl::BringToFront() {
  if (parent_ == nullptr) return;
  auto& list = parent_->controls_;
  std::erase(list, this);
  list.push_back(this);
  if (auto* win = dynamic_cast<TWinControl*>(this); win && win->HandleAllocated())
    ::SetWindowPos(win->hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Invalidate();
}

void TControl::SendToBack() {
  if (parent_ == nullptr) return;
  auto& list = parent_->controls_;
  std::erase(list, this);
  list.insert(list.begin(), this);
  if (auto* win = dynamic_cast<TWinControl*>(this); win && win->HandleAllocated())
    ::SetWindowPos(win->hwnd_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Invalidate();
}

bool TControl::MouseCapture() const { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool value) {
  if (MouseCapture() == value) return;
  SetCaptureControl(value ? this : nullptr);
}

// ---- TGraphicControl -------------------------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

TGraphicControl::~TGraphicControl() {
  Destroying();
  if (parent_ != nullptr) {
    InvalidateControl(Visible(), false);
    parent_->RemoveControl(this);
  }
}

void TGraphicControl::WndProc(TMessage& m) {
  if (m.Msg == WM_PAINT) {
    if (m.WParam != 0) {
      ScopedLock hold(canvas_.CanvasLock());
      canvas_.FreeContext();
      canvas_.SetHandle(reinterpret_cast<HDC>(m.WParam));
      ScopeExit let_go([this] { canvas_.SetHandle(nullptr); });
      Paint();
    }
    return;
  }
  TControl::WndProc(m);
}

// ---- TWinControl -----------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  Destroying();
  // Children go first, newest first, while this window still exists.
  while (!controls_.empty()) {
    TControl* child = controls_.back();
    delete child;
  }
  if (parent_ != nullptr) parent_->RemoveControl(this);
  DestroyWnd();
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  control->parent_ = this;
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    tab_list_.push_back(win);
    // A control being read from a description gets its window once all its stored properties
    // are set (CreateMissingChildHandles): a live window would take each of them as messages.
    if (hwnd_ != nullptr && !win->IsLoading()) win->CreateWnd();
  } else {
    control->Invalidate();
  }
  if (control->Align() != TAlign::alNone) AlignControls(control);
}

void TWinControl::RemoveControl(TControl* control) {
  if (control == g_capture_control) SetCaptureControl(nullptr);
  if (auto* form = GetParentForm(this)) form->ControlRemoving(control);
  std::erase(controls_, control);
  if (auto* win = dynamic_cast<TWinControl*>(control)) std::erase(tab_list_, win);
  control->parent_ = nullptr;
  if (control->Align() != TAlign::alNone && !IsDestroying()) AlignControls(nullptr);
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent_ == parent) return;
  if (hwnd_ != nullptr && parent != nullptr && parent->HandleAllocated()) {
    TControl::SetParent(parent);
    ::SetParent(hwnd_, parent->Handle());
    UpdateWindowBounds();
    return;
  }
  TControl::SetParent(parent);
}

HWND TWinControl::Handle() {
  if (hwnd_ == nullptr) CreateWnd();
  return hwnd_;
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.caption = Text();
  params.style = WS_CHILD | WS_CLIPSIBLINGS;
  if (HasStyle(csAcceptsControls)) params.style |= WS_CLIPCHILDREN;
  if (Visible()) params.style |= WS_VISIBLE;
  if (!Enabled()) params.style |= WS_DISABLED;
  if (tab_stop_) params.style |= WS_TABSTOP;
  params.x = left_;
  params.y = top_;
  params.width = width_;
  params.height = height_;
  params.parent = ParentWindowHandle();
  params.win_class_name = kWindowClass;
}

void TWinControl::CreateWnd() {
  if (hwnd_ != nullptr) return;
  if (parent_ != nullptr && !parent_->HandleAllocated()) {
    parent_->CreateWnd();
    if (hwnd_ != nullptr) return;  // the parent created its children, this one included
  }
  TCreateParams params;
  CreateParams(params);
  if ((params.style & WS_CHILD) && params.parent == nullptr)
    throw EInvalidOperation(FormatMessageText(msg::kParentRequired, {Name()}));
  ui_state_ = InitialUiState(parent_);
  control_state_ |= csCreating;
  {
    ScopeExit created([this] { control_state_ &= ~csCreating; });
    CreateWindowHandle(params);
  }
  if (hwnd_ == nullptr) throw EOutOfResources("Error creating window");
  // Later siblings lie above earlier ones: the window goes right below the nearest later
  // sibling that has a window already, or on top, so that a window made again keeps its place.
  if (params.style & WS_CHILD)
    ::SetWindowPos(hwnd_, WindowAboveInStackingOrder(), 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
  // The window measured its non-client area before this control saw its messages: a bevel set
  // beforehand (as while reading a description) takes its band now.
  if (bevel_.EdgeSize() > 0) SetBevel(bevel_);
  CreateChildHandles();
  AlignControls(nullptr);
}

HWND TWinControl::WindowAboveInStackingOrder() const {
  if (parent_ == nullptr) return HWND_TOP;
  const auto& siblings = parent_->controls_;
  auto it = std::find(siblings.begin(), siblings.end(), this);
  if (it == siblings.end()) return HWND_TOP;
  for (++it; it != siblings.end(); ++it) {
    if (auto* win = dynamic_cast<TWinControl*>(*it); win != nullptr && win->hwnd_ != nullptr)
      return win->hwnd_;
  }
  return HWND_TOP;
}

void TWinControl::CreateMissingChildHandles() {
  if (hwnd_ == nullptr) return;
  for (TControl* c : controls_) {
    auto* win = dynamic_cast<TWinControl*>(c);
    if (win == nullptr) continue;
    if (win->hwnd_ == nullptr)
      win->CreateWnd();  // with the windows of all the controls inside it
    else
      win->CreateMissingChildHandles();
  }
}

void TWinControl::CreateChildHandles() {
  for (TControl* c : controls_)
    if (auto* win = dynamic_cast<TWinControl*>(c)) win->CreateWnd();
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
  RegisterFrameworkClass();
  const bool wraps_system_class = !params.subclass_of.empty();
  TWinControl* previous = t_creating_control;
  t_creating_control = wraps_system_class ? nullptr : this;
  HWND hwnd = ::CreateWindowExW(
      params.ex_style, wraps_system_class ? params.subclass_of.c_str() : kWindowClass,
      params.caption.c_str(), params.style, params.x, params.y, params.width, params.height,
      params.parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  t_creating_control = previous;
  if (hwnd == nullptr) return;
  if (wraps_system_class) {
    hwnd_ = hwnd;
    ControlsOfWindows().Attach(hwnd, this);
    default_proc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlWindowProc)));
  }
  // For our own class the window procedure attached hwnd_ during WM_NCCREATE.
}

void TWinControl::DestroyWnd() {
  if (hwnd_ == nullptr) return;
  control_state_ |= csDestroyingHandle;
  HWND hwnd = hwnd_;
  ::DestroyWindow(hwnd);  // WM_NCDESTROY detaches hwnd_
  hwnd_ = nullptr;
  control_state_ &= ~csDestroyingHandle;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (!CanResize(width, height)) return;
  Constraints().Constrain(width, height);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const bool resized = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (hwnd_ != nullptr) {
    ::SetWindowPos(hwnd_, nullptr, left, top, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (resized) {
    AlignControls(nullptr);
  }
  RequestAlign();
  if (resized && hwnd_ == nullptr) Resize();
}

void TWinControl::UpdateWindowBounds() {
  if (hwnd_ == nullptr) return;
  RECT r;
  ::GetWindowRect(hwnd_, &r);
  if (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD) {
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
  }
  left_ = r.left;
  top_ = r.top;
  width_ = r.right - r.left;
  height_ = r.bottom - r.top;
}

RECT TWinControl::ClientRect() const {
  if (hwnd_ != nullptr) {
    RECT r;
    ::GetClientRect(hwnd_, &r);
    return r;
  }
  return TControl::ClientRect();
}

TControl* TWinControl::ControlAtPos(POINT p, bool allow_disabled) const {
  // Windowless children only; the last one created lies on top.
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (dynamic_cast<TWinControl*>(c) != nullptr) continue;
    if (!c->Visible() || (!allow_disabled && !c->Enabled())) continue;
    const RECT r = c->BoundsRect();
    if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return c;
  }
  return nullptr;
}

bool TWinControl::Focused() const { return hwnd_ != nullptr && ::GetFocus() == hwnd_; }

bool TWinControl::CanFocus() const {
  const TCustomForm* form = GetParentForm(this);
  if (form == nullptr) return false;
  for (const TControl* c = this; c != nullptr; c = c->Parent()) {
    if (!c->Visible() || !c->Enabled()) return false;
    if (c == form) break;
  }
  return true;
}

void TWinControl::SetFocus() {
  if (TCustomForm* form = GetParentForm(this)) {
    form->FocusControl(this);
  } else if (hwnd_ != nullptr) {
    ::SetFocus(hwnd_);
  }
}

void TWinControl::SetTabStop(bool value) {
  if (tab_stop_ == value) return;
  tab_stop_ = value;
  if (hwnd_ != nullptr) {
    LONG style = ::GetWindowLongW(hwnd_, GWL_STYLE);
    style = value ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
    ::SetWindowLongW(hwnd_, GWL_STYLE, style);
  }
  Perform(CM_TABSTOPCHANGED);
}

int TWinControl::TabOrder() const {
  if (parent_ == nullptr) return -1;
  const auto& list = parent_->tab_list_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
  if (IsLoading()) {
    loaded_tab_order_ = value;
    return;
  }
  if (parent_ == nullptr) return;
  auto& list = parent_->tab_list_;
  std::erase(list, this);
  const int pos = std::clamp(value, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + pos, this);
}

void TWinControl::Loaded() {
  TControl::Loaded();
  FixupTabOrder();
  // Read on its own (its parent was not read with it): the kept place is taken now.
  if (loaded_tab_order_ >= 0 && parent_ != nullptr && !parent_->IsLoading()) {
    const int wanted = loaded_tab_order_;
    loaded_tab_order_ = -1;
    SetTabOrder(wanted);
  }
  // Loaded on its own onto a parent with a window: the window it did not get while loading.
  if (hwnd_ == nullptr && parent_ != nullptr && parent_->HandleAllocated()) CreateWnd();
}

void TWinControl::FixupTabOrder() {
  // The children read with a tab order go to those places, in the order of their values; the
  // others keep their creation order around them.
  const size_t count = tab_list_.size();
  std::vector<TWinControl*> placed(count, nullptr);
  bool any = false;
  for (TWinControl* child : tab_list_) {
    const int wanted = child->loaded_tab_order_;
    child->loaded_tab_order_ = -1;
    if (wanted >= 0 && static_cast<size_t>(wanted) < count && placed[static_cast<size_t>(wanted)] == nullptr) {
      placed[static_cast<size_t>(wanted)] = child;
      any = true;
    }
  }
  if (!any) return;
  std::vector<TWinControl*> rest;
  for (TWinControl* child : tab_list_)
    if (std::find(placed.begin(), placed.end(), child) == placed.end()) rest.push_back(child);
  auto next_rest = rest.begin();
  for (TWinControl*& slot : placed)
    if (slot == nullptr) slot = *next_rest++;
  tab_list_ = std::move(placed);
}

void TWinControl::SetBevel(const TWindowBevel& bevel) {
  bevel_ = bevel;
  // The window measures and paints its non-client area again.
  if (hwnd_ != nullptr)
    ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TWinControl::SetBevelKind(TBevelKind value) {
  if (bevel_.kind == value) return;
  TWindowBevel b = bevel_;
  b.kind = value;
  SetBevel(b);
}

void TWinControl::SetBevelInner(TBevelCut value) {
  if (bevel_.inner == value) return;
  TWindowBevel b = bevel_;
  b.inner = value;
  SetBevel(b);
}

void TWinControl::SetBevelOuter(TBevelCut value) {
  if (bevel_.outer == value) return;
  TWindowBevel b = bevel_;
  b.outer = value;
  SetBevel(b);
}

void TWinControl::SetBevelEdges(TBevelEdges value) {
  value &= kAllBevelEdges;
  if (bevel_.edges == value) return;
  TWindowBevel b = bevel_;
  b.edges = value;
  SetBevel(b);
}

void TWinControl::SetBevelWidth(int value) {
  value = std::max(value, 1);
  if (bevel_.width == value) return;
  TWindowBevel b = bevel_;
  b.width = value;
  SetBevel(b);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
  for (TWinControl* c : tab_list_) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool go_forward,
                                          bool check_tab_stop, bool check_parent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int count = static_cast<int>(list.size());
  auto it = std::find(list.begin(), list.end(), current);
  int start = it == list.end() ? (go_forward ? count - 1 : 0) : static_cast<int>(it - list.begin());
  int i = start;
  do {
    if (go_forward) {
      if (++i == count) i = 0;
    } else {
      if (i == 0) i = count;
      --i;
    }
    TWinControl* c = list[static_cast<size_t>(i)];
    if (c->CanFocus() && (!check_tab_stop || c->TabStop()) &&
        (!check_parent || c->Parent() == this) && c->HasVisibleArea())
      return c;
  } while (i != start);
  return nullptr;
}

bool TWinControl::HasVisibleArea() const {
  const TCustomForm* form = GetParentForm(this);
  // What is left of the control's rectangle, in the coordinates of the parent at hand: clipped
  // by each parent's client area and cut by the windowed siblings stacked above each parent
  // (windowless ones lie under every window and hide nothing). Controls overlapping on one
  // parent are that parent's own layout: only the parents are put away by covering.
  const RECT bounds = BoundsRect();
  const win::UniqueRegion seen(::CreateRectRgnIndirect(&bounds));
  if (!seen) return true;
  for (const TWinControl* c = this; c != form; c = c->Parent()) {
    const TWinControl* parent = c->Parent();
    if (parent == nullptr) return false;
    const RECT area = parent->ClientRect();
    const win::UniqueRegion clip(::CreateRectRgnIndirect(&area));
    if (clip && ::CombineRgn(seen.get(), seen.get(), clip.get(), RGN_AND) == NULLREGION)
      return false;
    const auto& siblings = parent->controls_;
    const auto self = std::find(siblings.begin(), siblings.end(), c);
    const auto above_first = c == this || self == siblings.end() ? siblings.end() : self + 1;
    for (auto it = above_first; it != siblings.end(); ++it) {
      const auto* above = dynamic_cast<const TWinControl*>(*it);
      if (above == nullptr || !above->Visible()) continue;
      const RECT r = above->BoundsRect();
      const win::UniqueRegion cover(::CreateRectRgnIndirect(&r));
      if (cover && ::CombineRgn(seen.get(), seen.get(), cover.get(), RGN_DIFF) == NULLREGION)
        return false;
    }
    ::OffsetRgn(seen.get(), parent->Left(), parent->Top());
  }
  return true;
}

void TWinControl::SelectNext(TWinControl* current, bool go_forward, bool check_tab_stop) {
  if (TWinControl* next = FindNextControl(current, go_forward, check_tab_stop, !check_tab_stop))
    next->SetFocus();
}

void TWinControl::EnableAlign() {
  if (--align_disabled_ == 0 && InState(csAlignmentNeeded)) {
    control_state_ &= ~csAlignmentNeeded;
    AlignControls(nullptr);
  }
}

void TWinControl::DoAlign(TAlign align, RECT& rect, TControl* control) {
  std::vector<TControl*> list;
  auto eligible = [&](TControl* c) { return c->Align() == align && c->Visible(); };
  if (control != nullptr && eligible(control)) list.push_back(control);
  auto insert_before = [&](TControl* c1, TControl* c2) {
    switch (align) {
      case TAlign::alTop: return c1->Top() < c2->Top();
      case TAlign::alBottom: return c1->Top() + c1->Height() >= c2->Top() + c2->Height();
      case TAlign::alLeft: return c1->Left() < c2->Left();
      case TAlign::alRight: return c1->Left() + c1->Width() >= c2->Left() + c2->Width();
      default: return false;
    }
  };
  for (TControl* c : controls_) {
    if (!eligible(c) || c == control) continue;
    size_t j = 0;
    while (j < list.size() && !insert_before(c, list[j])) ++j;
    list.insert(list.begin() + static_cast<ptrdiff_t>(j), c);
  }
  for (TControl* c : list) {
    int l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
    switch (align) {
      case TAlign::alTop:
        l = rect.left; t = rect.top; w = rect.right - rect.left;
        rect.top += h;
        break;
      case TAlign::alBottom:
        rect.bottom -= h;
        l = rect.left; t = rect.bottom; w = rect.right - rect.left;
        break;
      case TAlign::alLeft:
        l = rect.left; t = rect.top; h = rect.bottom - rect.top;
        rect.left += w;
        break;
      case TAlign::alRight:
        rect.right -= w;
        l = rect.right; t = rect.top; h = rect.bottom - rect.top;
        break;
      case TAlign::alClient:
        l = rect.left; t = rect.top; w = rect.right - rect.left; h = rect.bottom - rect.top;
        break;
      default: break;
    }
    c->SetBounds(l, t, std::max(w, 0), std::max(h, 0));
  }
}

void TWinControl::AlignControls(TControl* control) {
  if (align_disabled_ > 0) {
    control_state_ |= csAlignmentNeeded;
    return;
  }
  if (aligning_ || IsDestroying()) return;
  aligning_ = true;
  ScopeExit aligned([this] { aligning_ = false; });
  RECT rect = ClientRect();
  for (TAlign a : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight,
                   TAlign::alClient})
    DoAlign(a, rect, control);
}

void TWinControl::Invalidate() {
  if (hwnd_ != nullptr) ::InvalidateRect(hwnd_, nullptr, !HasStyle(csOpaque));
}

void TWinControl::Update() {
  if (hwnd_ != nullptr) ::UpdateWindow(hwnd_);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  for (TControl* c : controls_) {
    if (c == first) break;
    if (dynamic_cast<TWinControl*>(c) != nullptr || !c->Visible()) continue;
    if (c->Width() <= 0 || c->Height() <= 0) continue;
    const RECT bounds = c->BoundsRect();
    if (!::RectVisible(dc, &bounds)) continue;
    win::ScopedSaveDC saved(dc);
    POINT org;
    ::GetViewportOrgEx(dc, &org);
    ::SetViewportOrgEx(dc, org.x + c->Left(), org.y + c->Top(), nullptr);
    ::IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  }
}

void TWinControl::PaintWindow(HDC dc) {
  TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintHandler(HDC dc, const RECT*) {
  bool paint_self = true;
  {
    win::ScopedSaveDC saved(dc);
    for (TControl* c : controls_) {
      if (dynamic_cast<TWinControl*>(c) != nullptr || !c->Visible() || !c->HasStyle(csOpaque))
        continue;
      if (::ExcludeClipRect(dc, c->Left(), c->Top(), c->Left() + c->Width(),
                            c->Top() + c->Height()) == NULLREGION) {
        paint_self = false;
        break;
      }
    }
    if (paint_self) PaintWindow(dc);
  }
  PaintControls(dc, nullptr);
}

bool TWinControl::ReflectToChild(TMessage& m) {
  HWND child = nullptr;
  switch (m.Msg) {
    case WM_COMMAND: child = reinterpret_cast<HWND>(m.LParam); break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: child = reinterpret_cast<HWND>(m.LParam); break;
    case WM_DRAWITEM:
      child = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam)->hwndItem;
      break;
    default: return false;
  }
  TWinControl* control = FindControl(child);
  if (control == nullptr || control == this) return false;
  m.Result = control->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
  return true;
}

void TWinControl::BroadcastMessage(TMessage& m) {
  for (TControl* c : std::vector<TControl*>(controls_)) {
    c->WndProc(m);
    if (m.Result != 0) return;
  }
}

bool TWinControl::IsControlMouseMsg(TMessage& m) {
  TControl* target = nullptr;
  POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  if (g_capture_control != nullptr) {
    if (g_capture_control->Parent() == this) target = g_capture_control;
  } else {
    target = ControlAtPos(p, false);
  }
  if (target == nullptr) return false;
  TMessage forwarded = m;
  forwarded.LParam = MAKELPARAM(p.x - target->Left(), p.y - target->Top());
  target->WndProc(forwarded);
  m.Result = forwarded.Result;
  return true;
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}
void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}
void TWinControl::KeyPress(wchar_t& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}
bool TWinControl::DoKeyDown(WORD& key, TShiftState shift) {
  KeyDown(key, shift);
  return key == 0;
}
bool TWinControl::DoKeyUp(WORD& key, TShiftState shift) {
  KeyUp(key, shift);
  return key == 0;
}
bool TWinControl::DoKeyPress(wchar_t& key) {
  KeyPress(key);
  return key == 0;
}

// Keys a window does not want for itself (Tab, arrows, Enter, Escape) go to the form first.
void TWinControl::HandleKeyMessage(TMessage& m) {
  m.Result = 1;
  UINT mask = 0;
  switch (m.WParam) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    default: break;
  }
  if (mask != 0 && Perform(CM_WANTSPECIALKEY, m.WParam, 0) == 0 &&
      (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0) {
    if (TCustomForm* form = GetParentForm(this)) {
      if (form->Perform(CM_DIALOGKEY, m.WParam, m.LParam) != 0) return;
    }
  }
  m.Result = 0;
}

// Characters that the focused window does not take as text, and every Alt+character, are
// offered to the form as accelerators (CM_DIALOGCHAR travels down to every control); a control
// that owns the accelerator acts on it and the character goes no further.
void TWinControl::HandleDialogChar(TMessage& m) {
  m.Result = 0;
  if (m.Msg == CN_SYSCHAR) {
    if (m.WParam == VK_SPACE) return;  // Alt+Space opens the system menu
  } else if ((Perform(WM_GETDLGCODE, 0, 0) & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) != 0) {
    return;
  }
  if (TCustomForm* form = GetParentForm(this))
    m.Result = form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam);
}

// A context menu asked for over this window: the windowless child under the point, or this
// control, hears OnContextPopup first; unless a handler took it, the window's own handling runs.
void TWinControl::HandleContextMenu(TMessage& m) {
  const int sx = GET_X_LPARAM(m.LParam), sy = GET_Y_LPARAM(m.LParam);
  TControl* target = this;
  POINT at{-1, -1};
  if (!(sx == -1 && sy == -1)) {
    POINT client{sx, sy};
    ::ScreenToClient(hwnd_, &client);
    at = client;
    if (TControl* child = ControlAtPos(client, false)) {
      target = child;
      at = {client.x - child->Left(), client.y - child->Top()};
    }
  }
  bool handled = false;
  target->DoContextPopup(at, handled);
  if (handled) {
    m.Result = 1;
    return;
  }
  DefaultHandler(m);
}

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_CHAR:
    case CN_SYSCHAR:
      HandleDialogChar(m);
      return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
      // Offered to every control down the tree until one takes it (a non-zero result).
      BroadcastMessage(m);
      return;
    case WM_CONTEXTMENU:
      HandleContextMenu(m);
      return;
    case WM_SETFOCUS:
      // A control being freed may get the focus for a moment when the system moves it off a
      // child window that goes first; it does not become the form's focused control then.
      if (TCustomForm* form = GetParentForm(this); form != nullptr && !IsDestroying()) {
        if (!form->SetFocusedControl(this)) return;
      }
      DefaultHandler(m);
      return;
    case WM_KILLFOCUS:
      DefaultHandler(m);
      return;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
      HandleKeyMessage(m);
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      // Alt shows the accelerator cues of the whole window.
      if (m.Msg == WM_SYSKEYDOWN && m.WParam == VK_MENU) ShowKeyboardCues(hwnd_, UISF_HIDEACCEL);
      WORD key = static_cast<WORD>(m.WParam);
      if (!DoKeyDown(key, KeyDataToShiftState(m.LParam))) {
        m.WParam = key;
        DefaultHandler(m);
      }
      return;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      WORD key = static_cast<WORD>(m.WParam);
      if (!DoKeyUp(key, KeyDataToShiftState(m.LParam))) {
        m.WParam = key;
        DefaultHandler(m);
      }
      return;
    }
    case WM_CHAR: {
      wchar_t ch = static_cast<wchar_t>(m.WParam);
      if (!DoKeyPress(ch)) {
        m.WParam = ch;
        DefaultHandler(m);
      }
      return;
    }
    case WM_PRINTCLIENT:
      // Drawing this window into another surface (the platform asks so when a child draws its
      // parent's background): the same painting as on the screen, windowless children included.
      if (default_proc_ == nullptr) {
        if (m.LParam & PRF_CLIENT) PaintHandler(reinterpret_cast<HDC>(m.WParam), nullptr);
        return;
      }
      DefaultHandler(m);
      return;
    case WM_UPDATEUISTATE:
    case WM_CHANGEUISTATE:
    case WM_QUERYUISTATE:
      HandleUiStateMessage(*this, m);
      return;
    case CM_ENTER:
      if (!IsDestroying()) DoEnter();
      return;
    case CM_EXIT:
      if (!IsDestroying()) DoExit();
      return;
    case CM_FOCUSCHANGED:
      BroadcastMessage(m);
      return;
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_DRAWITEM:
      if (ReflectToChild(m)) return;
      DefaultHandler(m);
      return;
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      // Double-buffered painting erases into its own bitmap (wParam = lParam).
      if (!double_buffered_ || m.WParam == static_cast<WPARAM>(m.LParam)) {
        RECT r = ClientRect();
        win::UniqueBrush brush(::CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color()))));
        ::FillRect(dc, &r, brush.get());
      }
      m.Result = 1;
      return;
    }
    case WM_PAINT: {
      if (m.WParam != 0) {
        PaintHandler(reinterpret_cast<HDC>(m.WParam), nullptr);
        return;
      }
      // The painting ends (EndPaint) even when a paint handler fails.
      const win::ScopedPaint painting(hwnd_);
      HDC dc = painting.dc();
      const RECT* dirty = &painting.paint().rcPaint;
      if (double_buffered_) {
        const RECT r = ClientRect();
        win::ScopedGetDC screen(nullptr);
        win::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen, std::max<LONG>(r.right, 1),
                                                          std::max<LONG>(r.bottom, 1)));
        win::UniqueMemoryDc mem(::CreateCompatibleDC(nullptr));
        {
          win::ScopedSelectObject sel(mem.get(), bitmap.get());
          // Only the part that needs painting is painted (as on the window's own device
          // context): controls outside it are passed over, which matters for small, frequent
          // repaints such as a growing underline.
          ::IntersectClipRect(mem.get(), dirty->left, dirty->top, dirty->right, dirty->bottom);
          Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem.get()),
                  reinterpret_cast<LPARAM>(mem.get()));
          PaintHandler(mem.get(), dirty);
          ::BitBlt(dc, dirty->left, dirty->top, dirty->right - dirty->left,
                   dirty->bottom - dirty->top, mem.get(), dirty->left, dirty->top, SRCCOPY);
        }
      } else {
        PaintHandler(dc, dirty);
      }
      return;
    }
    case WM_SIZE:
      UpdateWindowBounds();
      AlignControls(nullptr);
      Resize();
      DefaultHandler(m);
      return;
    case WM_WINDOWPOSCHANGED:
      UpdateWindowBounds();
      DefaultHandler(m);
      return;
    case WM_SETCURSOR:
      if (LOWORD(m.LParam) == HTCLIENT && reinterpret_cast<HWND>(m.WParam) == hwnd_) {
        POINT p;
        ::GetCursorPos(&p);
        ::ScreenToClient(hwnd_, &p);
        TControl* c = ControlAtPos(p, false);
        if (c == nullptr) c = this;
        if (c->Cursor() != TCursor::crDefault) {
          ::SetCursor(::LoadCursorW(nullptr, SystemCursor(c->Cursor())));
          m.Result = 1;
          return;
        }
      }
      DefaultHandler(m);
      return;
    case WM_MOUSEMOVE:
      // The pointer leaving is noticed by the message loop (see TApplication::Idle), not by
      // asking the system to track it: some systems (Wine) track by polling the pointer several
      // times a second for as long as it stands over the window, also while the program idles.
      if (IsControlMouseMsg(m)) return;
      TControl::WndProc(m);
      return;
    case WM_MOUSELEAVE:
      Application()->UpdateMouseControl();
      DefaultHandler(m);
      return;
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
      if (IsControlMouseMsg(m)) return;
      if (m.Msg == WM_LBUTTONDOWN && tab_stop_ && !Focused() && CanFocus() &&
          default_proc_ == nullptr)
        SetFocus();
      TControl::WndProc(m);
      DefaultHandler(m);
      return;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(m.LParam) != hwnd_) g_capture_control = nullptr;
      DefaultHandler(m);
      return;
    case CM_ENABLEDCHANGED:
      if (hwnd_ != nullptr) ::EnableWindow(hwnd_, Enabled());
      TControl::WndProc(m);
      return;
    case CM_VISIBLECHANGED:
      if (hwnd_ != nullptr) {
        if (!Visible() && Focused()) {
          if (TCustomForm* form = GetParentForm(this)) form->DefocusControl(this);
        }
        ::ShowWindow(hwnd_, Visible() ? SW_SHOWNA : SW_HIDE);
      }
      return;
    case CM_COLORCHANGED: {
      Invalidate();
      TMessage down{CM_PARENTCOLORCHANGED, 0, 0, 0};
      for (TControl* c : std::vector<TControl*>(controls_)) c->WndProc(down);
      return;
    }
    case CM_FONTCHANGED: {
      if (hwnd_ != nullptr)
        ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
      Invalidate();
      TMessage down{CM_PARENTFONTCHANGED, 0, 0, 0};
      for (TControl* c : std::vector<TControl*>(controls_)) c->WndProc(down);
      return;
    }
    case CM_TEXTCHANGED:
      return;
    case CM_BIDIMODECHANGED:
      // Children that follow this control's reading order change with it.
      Invalidate();
      for (TControl* c : std::vector<TControl*>(controls_))
        if (c->ParentBiDiMode()) c->Perform(CM_BIDIMODECHANGED);
      return;
    case WM_NCCALCSIZE:
      BevelCalcSize(bevel_, *reinterpret_cast<RECT*>(m.LParam));
      DefaultHandler(m);
      return;
    case WM_NCPAINT:
      PaintWindowBevel(hwnd_, bevel_, Color());
      DefaultHandler(m);
      return;
    case WM_NCDESTROY:
      DefaultHandler(m);
      ControlsOfWindows().Detach(hwnd_);
      if (default_proc_ != nullptr)
        ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(default_proc_));
      hwnd_ = nullptr;
      return;
    default:
      break;
  }
  TControl::WndProc(m);
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (hwnd_ == nullptr || m.Msg >= CM_BASE) return;
  if (default_proc_ != nullptr)
    m.Result = ::CallWindowProcW(default_proc_, hwnd_, m.Msg, m.WParam, m.LParam);
  else
    m.Result = ::DefWindowProcW(hwnd_, m.Msg, m.WParam, m.LParam);
}

// Text of a windowed control lives in its window once there is one.
// Whether no part of the window (frame included) can be seen: it lies under later siblings of
// its own or of a parent.
bool WindowIsCovered(HWND hwnd) {
  const win::UniqueWindowDc dc =
      win::UniqueWindowDc::GetEx(hwnd, nullptr, DCX_WINDOW | DCX_CACHE | DCX_CLIPSIBLINGS);
  RECT box{};
  return dc && ::GetClipBox(dc, &box) == NULLREGION;
}

LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* control = ControlsOfWindows().Find(hwnd);
  if (control == nullptr) {
    if (t_creating_control == nullptr) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
    control = t_creating_control;
    t_creating_control = nullptr;
    control->hwnd_ = hwnd;
    ControlsOfWindows().Attach(hwnd, control);
  }
  // A window that was made invalid while it could be seen and has been covered since (the
  // screens of the main window lie on top of each other) has nothing to paint: it is made
  // invalid again when it is uncovered.
  if (((msg == WM_PAINT && wparam == 0) || msg == WM_NCPAINT) && WindowIsCovered(hwnd)) {
    if (msg == WM_PAINT) ::ValidateRect(hwnd, nullptr);
    return 0;
  }
  NoteInputMessage(msg);
  TMessage m{msg, wparam, lparam, 0};
  try {
    control->WndProc(m);
  } catch (...) {
    Application()->HandleException(std::current_exception());
  }
  return m.Result;
}

// ---- TCustomControl --------------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

TCustomControl::~TCustomControl() {
  Destroying();
  canvas_.SetHandle(nullptr);
}

void TCustomControl::PaintWindow(HDC dc) {
  ScopedLock hold(canvas_.CanvasLock());
  canvas_.FreeContext();
  canvas_.SetHandle(dc);
  ScopeExit let_go([this] { canvas_.SetHandle(nullptr); });
  Paint();
}

}  // namespace vornada
