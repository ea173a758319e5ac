// Forms, the application object (window, message loop, error report, minimise and restore) and
// the screen's focus bookkeeping.
#include "Forms.h"

#include <algorithm>

#include "Classes_win.h"
#include "KeyboardCues.h"
#include "Text.h"
#include "WinUtil.h"

namespace vornada {

namespace {
constexpr wchar_t kApplicationClass[] = L"VornadaApplication";

bool ContainsControl(const TControl* container, const TControl* control) {
  for (const TControl* c = control; c != nullptr; c = c->Parent())
    if (c == container) return true;
  return false;
}
}  // namespace

// Set by the constructor before the application window exists, so that the window procedure
// can reach the object while the window is being created.
TApplication* g_application = nullptr;

TApplication* Application() {
  static TApplication* application = new TApplication();  // lives until the process ends
  return application;
}

TScreen* Screen() {
  static TScreen* screen = new TScreen();
  return screen;
}

void ForgetMouseControl(TControl* control) { Application()->ForgetControl(control); }

RECT TScreen::DesktopRect() const {
  return {::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
          ::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
          ::GetSystemMetrics(SM_YVIRTUALSCREEN) + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

RECT TScreen::WorkAreaRect() const {
  RECT r{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

// ---- TCustomForm -----------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  control_style_ = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption |
                   csDoubleClicks;
  SetParentColor(false);
  SetParentFont(false);
  SetVisible(false);
  SetBounds(0, 0, 320, 240);
}

TCustomForm::~TCustomForm() {
  Destroying();
  if (Screen()->active_form_ == this) Screen()->active_form_ = nullptr;
  if (Screen()->focused_form_ == this) Screen()->focused_form_ = nullptr;
  if (Screen()->active_control_ != nullptr && GetParentForm(Screen()->active_control_) == this)
    Screen()->active_control_ = nullptr;
  // Owned components go while this form is still whole.
  DestroyComponents();
}

void TCustomForm::AfterConstruction() { DoCreate(); }

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}
void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}
void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  params.ex_style = 0;
  switch (border_style_) {
    case TFormBorderStyle::bsNone: params.style |= WS_POPUP; break;
    case TFormBorderStyle::bsSingle:
    case TFormBorderStyle::bsDialog:
      params.style |= WS_CAPTION | WS_SYSMENU | WS_BORDER;
      break;
    case TFormBorderStyle::bsSizeable:
      params.style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
      break;
    case TFormBorderStyle::bsToolWindow:
      params.style |= WS_CAPTION | WS_SYSMENU;
      params.ex_style |= WS_EX_TOOLWINDOW;
      break;
  }
  if (!Enabled()) params.style |= WS_DISABLED;
  if (form_style_ == TFormStyle::fsStayOnTop) params.ex_style |= WS_EX_TOPMOST;
  if (alpha_blend_) params.ex_style |= WS_EX_LAYERED;
  // Every form is owned by the application window, which stands for it on the taskbar.
  params.parent = Application()->Handle();
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  ApplyLayeredAttributes();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
  if (border_style_ == value) return;
  border_style_ = value;
  if (HandleAllocated()) {
    TCreateParams params;
    CreateParams(params);
    ::SetWindowLongW(hwnd_, GWL_STYLE,
                     static_cast<LONG>((::GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) |
                                       params.style));
    const LONG ex = ::GetWindowLongW(hwnd_, GWL_EXSTYLE);
    ::SetWindowLongW(hwnd_, GWL_EXSTYLE,
                     (ex & ~WS_EX_TOOLWINDOW) | static_cast<LONG>(params.ex_style & WS_EX_TOOLWINDOW));
    ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

void TCustomForm::SetFormStyle(TFormStyle value) {
  if (form_style_ == value) return;
  form_style_ = value;
  if (!HandleAllocated()) return;
  constexpr UINT kFlags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  if (value == TFormStyle::fsStayOnTop) {
    ::SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, kFlags);
    return;
  }
  ::SetWindowPos(hwnd_, HWND_NOTOPMOST, 0, 0, 0, 0, kFlags);
  if (::GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_TOPMOST) {
    // Wine keeps an owned window right above its owner, which can hold it in the topmost band
    // whatever is asked; for the moment without its owner, the window leaves the band.
    const HWND owner = ::GetWindow(hwnd_, GW_OWNER);
    ::SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, 0);
    ::SetWindowPos(hwnd_, HWND_NOTOPMOST, 0, 0, 0, 0, kFlags);
    ::SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  }
}

void TCustomForm::SetAlphaBlend(bool value) {
  if (alpha_blend_ == value) return;
  alpha_blend_ = value;
  if (HandleAllocated()) {
    LONG ex = ::GetWindowLongW(hwnd_, GWL_EXSTYLE);
    ex = value ? (ex | WS_EX_LAYERED) : (ex & ~WS_EX_LAYERED);
    ::SetWindowLongW(hwnd_, GWL_EXSTYLE, ex);
    ApplyLayeredAttributes();
  }
}

void TCustomForm::SetAlphaBlendValue(BYTE value) {
  if (alpha_blend_value_ == value) return;
  alpha_blend_value_ = value;
  ApplyLayeredAttributes();
}

void TCustomForm::ApplyLayeredAttributes() {
  if (HandleAllocated() && alpha_blend_)
    ::SetLayeredWindowAttributes(hwnd_, 0, alpha_blend_value_, LWA_ALPHA);
}

bool TCustomForm::CanFocus() const { return Visible() && Enabled(); }

void TCustomForm::Show() {
  SetVisible(true);
  if (HandleAllocated()) ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::Close() {
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (Application()->MainForm() == this) {
    Application()->Terminate();
  } else if (action == TCloseAction::caHide) {
    Hide();
  } else if (action == TCloseAction::caMinimize) {
    ::ShowWindow(Handle(), SW_MINIMIZE);
  }
}

void TCustomForm::EndSession() {
  if (session_ended_) return;
  session_ended_ = true;
  if (OnEndSession) OnEndSession(this);
}

void TCustomForm::ShowingChanged(bool showing) {
  if (!showing && !HandleAllocated()) return;
  if (showing) {
    if (!shown_once_) {
      shown_once_ = true;
      if (position_ == TPosition::poDesktopCenter || position_ == TPosition::poScreenCenter) {
        const RECT d = position_ == TPosition::poDesktopCenter ? Screen()->DesktopRect()
                                                               : RECT{0, 0, Screen()->Width(),
                                                                      Screen()->Height()};
        SetBounds(d.left + (d.right - d.left - Width()) / 2,
                  d.top + (d.bottom - d.top - Height()) / 2, Width(), Height());
      }
    }
    DoShow();
    if (active_control_ == nullptr) SelectFirst();
    ::ShowWindow(Handle(), SW_SHOWNORMAL);
  } else {
    DoHide();
    ::ShowWindow(Handle(), SW_HIDE);
  }
}

void TCustomForm::SelectFirst() {
  if (TWinControl* first = FindNextControl(nullptr, true, true, false))
    SetActiveControl(first);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (active_control_ == control) return;
  if (control != nullptr &&
      !(control != this && GetParentForm(control) == this && (IsLoading() || control->CanFocus())))
    throw EInvalidOperation(std::string(msg::kCannotFocus));
  active_control_ = control;
  if (!IsLoading() && active_) SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* control) {
  const bool was_active = active_;
  SetActiveControl(control);
  if (!was_active) {
    if (!(Visible() && Enabled())) throw EInvalidOperation(std::string(msg::kCannotFocus));
    SetWindowFocus();
  }
}

void TCustomForm::SetWindowFocus() {
  HWND target = active_control_ != nullptr ? active_control_->Handle() : Handle();
  ::SetFocus(target);
}

bool TCustomForm::SendFocusMessage(HWND hwnd, UINT msg) {
  HWND focus = ::GetFocus();
  if (TWinControl* c = FindControl(hwnd)) c->Perform(msg);
  return ::GetFocus() == focus;
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
  if (control != this) active_control_ = control; else active_control_ = nullptr;
  Screen()->active_control_ = control;
  Screen()->active_form_ = this;
  if (control->InState(csFocusing)) return false;
  control->SetControlState(control->ControlStateFlags() | csFocusing);
  struct Clear {
    TWinControl* c;
    ~Clear() { c->SetControlState(c->ControlStateFlags() & ~csFocusing); }
  } clear{control};
  if (Screen()->focused_form_ != this) {
    if (TCustomForm* previous = Screen()->focused_form_) {
      Screen()->focused_form_ = nullptr;
      if (!SendFocusMessage(previous->Handle(), CM_DEACTIVATE)) return false;
    }
    Screen()->focused_form_ = this;
    if (!SendFocusMessage(Handle(), CM_ACTIVATE)) return false;
  }
  if (focused_control_ == nullptr) focused_control_ = this;
  if (focused_control_ != control) {
    while (focused_control_ != nullptr && !ContainsControl(focused_control_, control)) {
      HWND h = focused_control_->Handle();
      focused_control_ = focused_control_->Parent();
      if (!SendFocusMessage(h, CM_EXIT)) return false;
    }
    while (focused_control_ != control) {
      TWinControl* step = control;
      while (step->Parent() != focused_control_) step = step->Parent();
      focused_control_ = step;
      if (!SendFocusMessage(step->Handle(), CM_ENTER)) return false;
    }
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
  }
  return true;
}

void TCustomForm::DefocusControl(TWinControl* control) {
  if (active_control_ != nullptr && ContainsControl(control, active_control_)) {
    active_control_ = nullptr;
    if (active_ && HandleAllocated()) ::SetFocus(hwnd_);
  }
}

void TCustomForm::ControlRemoving(TControl* control) {
  if (active_control_ != nullptr && ContainsControl(control, active_control_))
    active_control_ = nullptr;
  if (focused_control_ != nullptr && ContainsControl(control, focused_control_))
    focused_control_ = nullptr;
  if (Screen()->active_control_ != nullptr && ContainsControl(control, Screen()->active_control_))
    Screen()->active_control_ = nullptr;
}

void TCustomForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_VISIBLECHANGED:
      if (IsDestroying()) return;
      ShowingChanged(Visible());
      return;
    case WM_ACTIVATE:
      DefaultHandler(m);
      if (LOWORD(m.WParam) != WA_INACTIVE) {
        active_ = true;
        SetWindowFocus();
        if (OnActivate) OnActivate(this);
      } else {
        active_ = false;
        if (OnDeactivate) OnDeactivate(this);
      }
      m.Result = 0;
      return;
    case WM_SETFOCUS:
      // Focus on the bare form goes on to its active control.
      if (active_control_ != nullptr && active_control_ != this && active_control_->HandleAllocated()) {
        ::SetFocus(active_control_->Handle());
        return;
      }
      break;
    case WM_WINDOWPOSCHANGING:
      if (screen_snap_) {
        auto* pos = reinterpret_cast<WINDOWPOS*>(m.LParam);
        if (!(pos->flags & SWP_NOMOVE)) {
          const RECT wa = Screen()->WorkAreaRect();
          const int w = (pos->flags & SWP_NOSIZE) ? Width() : pos->cx;
          const int h = (pos->flags & SWP_NOSIZE) ? Height() : pos->cy;
          if (std::abs(pos->x - wa.left) < snap_buffer_) pos->x = wa.left;
          else if (std::abs(pos->x + w - wa.right) < snap_buffer_) pos->x = wa.right - w;
          if (std::abs(pos->y - wa.top) < snap_buffer_) pos->y = wa.top;
          else if (std::abs(pos->y + h - wa.bottom) < snap_buffer_) pos->y = wa.bottom - h;
        }
      }
      break;
    case WM_CLOSE:
      Close();
      return;
    case WM_QUERYENDSESSION: {
      bool can_end = true;
      if (OnQueryEndSession) OnQueryEndSession(this, can_end);
      m.Result = can_end ? TRUE : FALSE;
      return;
    }
    case WM_ENDSESSION:
      if (m.WParam) EndSession();
      m.Result = 0;
      return;
    case CM_DIALOGKEY:
      switch (m.WParam) {
        case VK_TAB:
          if ((::GetKeyState(VK_CONTROL) < 0) || (::GetKeyState(VK_MENU) < 0)) break;
          // Moving the focus by keyboard shows where it goes.
          ShowKeyboardCues(hwnd_, UISF_HIDEFOCUS);
          SelectNext(active_control_, ::GetKeyState(VK_SHIFT) >= 0, true);
          m.Result = 1;
          return;
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
          if (active_control_ != nullptr && active_control_->Parent() != nullptr) {
            ShowKeyboardCues(hwnd_, UISF_HIDEFOCUS);
            active_control_->Parent()->SelectNext(active_control_,
                                                  m.WParam == VK_RIGHT || m.WParam == VK_DOWN,
                                                  false);
            m.Result = 1;
          }
          return;
        default:
          break;
      }
      // Other keys (Enter, Escape ...) go on to the controls.
      m.Result = 0;
      break;
    default:
      break;
  }
  TWinControl::WndProc(m);
}

// ---- TApplication ----------------------------------------------------------------------------

LRESULT CALLBACK ApplicationWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  TApplication* app = g_application;
  if (app == nullptr || app->handle_.get() == nullptr || app->handle_.get() != hwnd) {
    return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  }
  try {
    return app->WndProc(msg, wparam, lparam);
  } catch (...) {
    app->HandleException(std::current_exception());
    return 0;
  }
}

TApplication::TApplication() : TComponent(nullptr) {
  g_application = this;
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name = path;
  if (const size_t slash = name.find_last_of(L"\\/"); slash != std::wstring::npos)
    name = name.substr(slash + 1);
  if (const size_t dot = name.rfind(L'.'); dot != std::wstring::npos) name.resize(dot);
  title_ = name;

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ApplicationWindowProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hIcon = ::LoadIconW(wc.hInstance, L"MAINICON");
  wc.hIconSm = wc.hIcon;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kApplicationClass;
  ::RegisterClassExW(&wc);
  // Methods that other threads hand to Synchronize wake the message loop through this window.
  SetWakeMainThread([] {
    if (g_application != nullptr && g_application->handle_.get() != nullptr)
      ::PostMessageW(g_application->handle_.get(), WM_NULL, 0, 0);
  });
  // Zero-sized so that showing it gives the program a taskbar button and nothing else.
  handle_.reset(::CreateWindowExW(0, kApplicationClass, title_.c_str(),
                                  WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU |
                                      WS_MINIMIZEBOX,
                                  ::GetSystemMetrics(SM_CXSCREEN) / 2,
                                  ::GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr, nullptr,
                                  wc.hInstance, nullptr));
}

TApplication::~TApplication() {
  Destroying();
  DestroyComponents();
  handle_.reset();  // the window procedure still knows the window while it is destroyed
}

void TApplication::Initialize() {}

void TApplication::SetTitle(const std::wstring& title) {
  title_ = title;
  if (handle_.get() != nullptr) ::SetWindowTextW(handle_.get(), title_.c_str());
}

LRESULT TApplication::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_SYSCOMMAND:
      switch (wparam & 0xFFF0) {
        case SC_MINIMIZE: Minimize(); return 0;
        case SC_RESTORE: Restore(); return 0;
        default: break;
      }
      break;
    case WM_CLOSE:
      if (main_form_ != nullptr) main_form_->Close();
      return 0;
    case WM_SIZE:
      // The forms owned by the application window go and come with it, whoever minimised or
      // restored it (the program itself, the taskbar, a second instance).
      if (wparam == SIZE_MINIMIZED) {
        ::ShowOwnedPopups(handle_.get(), FALSE);
      } else if (wparam == SIZE_RESTORED) {
        ::ShowOwnedPopups(handle_.get(), TRUE);
        if (OnRestore) OnRestore(this);
      }
      break;
    case WM_NULL:
      CheckSynchronize();
      return 0;
    case WM_ACTIVATEAPP:
      break;
    case WM_ENDSESSION:
      if (wparam) {
        // The main form hears of it here too, in case the system ends the process before its
        // own window was told.
        if (main_form_ != nullptr) main_form_->EndSession();
        Terminate();
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(handle_.get(), msg, wparam, lparam);
}

void TApplication::Run() {
  if (main_form_ != nullptr && show_main_form_) {
    ::ShowWindow(handle_.get(), SW_SHOWNA);
    main_form_->Show();
  }
  while (!terminated_) HandleMessage();
}

void TApplication::Terminate() {
  terminated_ = true;
  ::PostQuitMessage(0);
}

bool TApplication::IsKeyMsg(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  HWND hwnd = msg.hwnd;
  TWinControl* control = FindControl(hwnd);
  while (control == nullptr && hwnd != nullptr) {
    hwnd = ::GetParent(hwnd);
    control = FindControl(hwnd);
  }
  if (control == nullptr) return false;
  // A failure of what the key set off (a button clicked by Enter or its accelerator) is
  // reported like any other failure of a message handler; the key counts as used.
  try {
    return control->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
  } catch (...) {
    HandleException(std::current_exception());
    return true;
  }
}

namespace {
// WM_SYSTIMER: the ticks of the system's own timers (the caret's blinking, the pointer's hover
// tracking); like a program's timer ticks they change nothing under the pointer.
constexpr UINT kSystemTimerMessage = 0x0118;

bool IsTimerTick(UINT message) { return message == WM_TIMER || message == kSystemTimerMessage; }

// The pointer watch's period: a little longer than the recheck interval, so that in a loop that
// other ticks bring round the look falls on one of them before the watch's own tick comes.
constexpr UINT kPointerWatchInterval =
    static_cast<UINT>(kIdlePointerRecheckInterval + kIdlePointerInterval);
}  // namespace

bool TApplication::ProcessMessage(MSG& msg) {
  if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  HandleTakenMessage(msg);
  return true;
}

void TApplication::HandleTakenMessage(const MSG& taken) {
  if (taken.message == WM_QUIT) {
    terminated_ = true;
    return;
  }
  MSG msg = taken;
  if (!IsKeyMsg(msg)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  CheckSynchronize();
  const bool pointer_watch_tick = IsPointerWatchTick(msg);
  if (!IsTimerTick(msg.message) || pointer_watch_tick) pointer_check_due_ = true;
  if (pointer_watch_tick) pointer_watch_ticked_ = true;
  if (msg.message == WM_MOUSEMOVE || (msg.message >= WM_LBUTTONDOWN && msg.message <= WM_MBUTTONDBLCLK))
    UpdateMouseControl();
}

// A round after a timer tick that the idle wait brought idles again at once: ticks come in
// one at a time while the program is idle, and looking whether another message waits would
// cost one more call into the system on every tick. After any other message the next round
// looks first, and idles only when nothing waits.
void TApplication::HandleMessage() {
  MSG msg;
  if (idle_after_tick_ || !ProcessMessage(msg)) Idle();
}

void TApplication::ShowPaintingNow() {
  ::GdiFlush();
  // A wait for messages that takes none and returns at once.
  ::MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

// A program with a fast timer (the main window's clipboard watch ticks every 10 ms) comes here
// after every tick; looking for the control under the pointer each time (pointer position,
// window hit tests) would cost several times what the tick itself costs. After other messages
// the look is taken at once. While only ticks come, the pointer can still leave the windows
// without a message: each tick brings the pointer's position with it (GetMessagePos, which asks
// the system nothing), and the control under it is looked up when that position differs from
// the last look's, and every kIdlePointerRecheckInterval ms for a pointer standing still. On
// some systems (Wine) a pointer that left for another program's window no longer moves the
// position the ticks bring; the look every kIdlePointerRecheckInterval ms notices it, and while a
// control is under the pointer the pointer watch timer brings that look also to a program that
// gets no other messages.
//
// The round then waits for the next message with GetMessage and handles it: GetMessage sets the
// queue's wake-up mask in the same call that finds the queue empty, whereas an empty PeekMessage
// followed by WaitMessage costs one call into the system more for every wait.
void TApplication::Idle() {
  try {
    const unsigned long long now = ::GetTickCount64();
    const DWORD pointer_pos = ::GetMessagePos();
    if (pointer_check_due_ || pointer_pos != last_pointer_pos_ ||
        now - last_pointer_check_ >= kIdlePointerRecheckInterval) {
      const bool brought_by_watch = pointer_watch_ticked_;
      pointer_check_due_ = false;
      pointer_watch_ticked_ = false;
      last_pointer_check_ = now;
      last_pointer_pos_ = pointer_pos;
      UpdateMouseControl();
      if (!brought_by_watch) RestartPointerWatch();
    }
    if (OnIdle) OnIdle(this);
  } catch (...) {
    HandleException(std::current_exception());
  }
  FreeControlDeviceContexts();
  idle_after_tick_ = false;
  if (terminated_) return;
  MSG msg;
  const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
  if (got == 0) {
    terminated_ = true;  // WM_QUIT
    return;
  }
  if (got < 0) return;
  HandleTakenMessage(msg);
  idle_after_tick_ = IsTimerTick(msg.message);
}

// Called from the message loop outside any window procedure: a failure of an enter or leave
// handler is reported like any other handler's failure and the program goes on.
void TApplication::UpdateMouseControl() {
  try {
    POINT p;
    TControl* target = nullptr;
    if (::GetCursorPos(&p)) target = FindDragTarget(p, true);
    if (target == mouse_control_) return;
    TControl* old = mouse_control_;
    mouse_control_ = target;
    SetPointerWatch(mouse_control_ != nullptr);
    if (old != nullptr) old->Perform(CM_MOUSELEAVE);
    if (mouse_control_ != nullptr && mouse_control_ == target) target->Perform(CM_MOUSEENTER);
  } catch (...) {
    HandleException(std::current_exception());
  }
}

void TApplication::ForgetControl(TControl* control) {
  if (mouse_control_ != control) return;
  mouse_control_ = nullptr;
  SetPointerWatch(false);
}

// A timer of the thread rather than of a window: its ticks reach no window procedure (the
// application window may carry hooks that would each see every tick).
void TApplication::SetPointerWatch(bool on) {
  if (on == (pointer_watch_timer_ != 0)) return;
  if (on) {
    pointer_watch_timer_ = ::SetTimer(nullptr, 0, kPointerWatchInterval, nullptr);
  } else if (::KillTimer(nullptr, pointer_watch_timer_)) {
    pointer_watch_timer_ = 0;
  }
}

// Setting a thread timer again under its own id replaces it: its next tick comes a full
// interval from now.
void TApplication::RestartPointerWatch() {
  if (pointer_watch_timer_ == 0) return;
  if (const UINT_PTR id = ::SetTimer(nullptr, pointer_watch_timer_, kPointerWatchInterval, nullptr))
    pointer_watch_timer_ = id;
}

void TApplication::Minimize() {
  if (::IsIconic(handle_.get())) return;
  ::SetActiveWindow(handle_.get());
  ::ShowWindow(handle_.get(), SW_MINIMIZE);
  if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
  if (!::IsIconic(handle_.get())) return;
  ::SetActiveWindow(handle_.get());
  ::ShowWindow(handle_.get(), SW_RESTORE);
  if (main_form_ != nullptr && main_form_->HandleAllocated() && main_form_->Visible())
    ::SetForegroundWindow(main_form_->Handle());
}

int TApplication::MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags) {
  HWND owner = ::GetActiveWindow();
  if (owner == nullptr && main_form_ != nullptr && main_form_->HandleAllocated())
    owner = main_form_->Handle();
  return ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

void TApplication::HandleException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    // Silent by design.
  } catch (const std::exception& e) {
    ReportException(e);
  } catch (...) {
    ReportException(Exception("Unknown failure"));
  }
}

// OnException when assigned, else the error box. A failure of the handler itself is shown in
// the box instead of leaving the window procedure that called us.
void TApplication::ReportException(const std::exception& error) {
  if (!OnException) {
    ShowException(error);
    return;
  }
  try {
    OnException(this, error);
  } catch (const EAbort&) {
  } catch (const std::exception& handler_error) {
    ShowException(handler_error);
  } catch (...) {
    ShowException(Exception("Unknown failure"));
  }
}

void TApplication::ShowException(const std::exception& error) {
  std::u16string text = Utf16FromUtf8(error.what());
  text = WithReportFullStop(std::move(text));
  MessageBox(win::WideString(text), title_, MB_OK | MB_ICONSTOP);
}

}  // namespace vornada
