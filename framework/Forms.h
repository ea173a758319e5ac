// Forms, the application object and the screen.
//
// `TApplication` owns the application window: an invisible top-level window that owns every
// form, carries the application title as its caption and stands for the program on the taskbar.
// It runs the message loop, reports failures that no handler caught (a message box with the
// title as caption), and minimises and restores the program as a whole. One instance per
// process, reached through `Application()`; `Screen()` tells the focused control and form.
//
// A form owns its controls (as their component owner) and frees them before its window goes.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"

namespace vornada {

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
enum class TFormStyle { fsNormal, fsStayOnTop };
enum class TPosition { poDesigned, poDefault, poScreenCenter, poDesktopCenter, poMainFormCenter };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
// Asked when the Windows session is about to end; setting `can_end` to false asks the system to
// keep the session (it may end it all the same).
using TQueryEndSessionEvent = std::function<void(TObject* sender, bool& can_end)>;

// The answer a form was closed with: a button's ModalResult, copied to its form on each click.
using TModalResult = int;
enum : TModalResult {
  mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
  mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10
};

class TCustomForm : public TWinControl {
 public:
  VORNADA_CLASS_NAME(TCustomForm)
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;

  // Runs the creation event; the application calls it once the whole form is constructed.
  virtual void AfterConstruction();

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle value);
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }
  bool ScreenSnap() const { return screen_snap_; }
  void SetScreenSnap(bool value) { screen_snap_ = value; }
  int SnapBuffer() const { return snap_buffer_; }
  void SetSnapBuffer(int value) { snap_buffer_ = value; }
  bool AlphaBlend() const { return alpha_blend_; }
  void SetAlphaBlend(bool value);
  BYTE AlphaBlendValue() const { return alpha_blend_value_; }
  void SetAlphaBlendValue(BYTE value);

  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult value) { modal_result_ = value; }

  bool Active() const { return active_; }
  TWinControl* ActiveControl() const { return active_control_; }
  void SetActiveControl(TWinControl* control);
  void FocusControl(TWinControl* control);
  // Focus bookkeeping when a control of this form gets the focus; false when the focus moved
  // elsewhere meanwhile.
  bool SetFocusedControl(TWinControl* control);
  void DefocusControl(TWinControl* control);
  void ControlRemoving(TControl* control);
  void SelectFirst();
  bool CanFocus() const override;

  void Show();
  void Hide();
  void Close();

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TQueryEndSessionEvent OnQueryEndSession;
  // Runs once when the Windows session really ends (not when an ending was cancelled), before
  // the system ends the process: the last moment to leave things in order.
  TNotifyEvent OnEndSession;

  // Runs OnEndSession unless it ran already; the form's WM_ENDSESSION and the application
  // window's call it, whichever the system sends first.
  void EndSession();

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  virtual void DoCreate();
  virtual void DoShow();
  virtual void DoHide();
  void SetWindowFocus();

 private:
  void ApplyLayeredAttributes();
  void ShowingChanged(bool showing);
  bool SendFocusMessage(HWND hwnd, UINT msg);

  TFormBorderStyle border_style_ = TFormBorderStyle::bsSizeable;
  TFormStyle form_style_ = TFormStyle::fsNormal;
  TPosition position_ = TPosition::poDesigned;
  bool screen_snap_ = false;
  int snap_buffer_ = 10;
  bool alpha_blend_ = false;
  BYTE alpha_blend_value_ = 255;
  bool active_ = false;
  bool shown_once_ = false;
  bool session_ended_ = false;
  TModalResult modal_result_ = mrNone;
  TWinControl* active_control_ = nullptr;
  TWinControl* focused_control_ = nullptr;
};

class TForm : public TCustomForm {
 public:
  VORNADA_CLASS_NAME(TForm)
  using TCustomForm::TCustomForm;
};

// The focused control and form of the whole application.
class TScreen : public TComponent {
 public:
  VORNADA_CLASS_NAME(TScreen)
  TScreen() : TComponent(nullptr) {}
  TWinControl* ActiveControl() const { return active_control_; }
  TCustomForm* ActiveCustomForm() const { return active_form_; }
  int Width() const { return ::GetSystemMetrics(SM_CXSCREEN); }
  int Height() const { return ::GetSystemMetrics(SM_CYSCREEN); }
  RECT DesktopRect() const;
  RECT WorkAreaRect() const;

 private:
  friend class TCustomForm;
  friend class TApplication;
  TWinControl* active_control_ = nullptr;
  TCustomForm* active_form_ = nullptr;
  TCustomForm* focused_form_ = nullptr;
};

using TExceptionEvent = std::function<void(TObject* sender, const std::exception& e)>;

class TApplication : public TComponent {
 public:
  VORNADA_CLASS_NAME(TApplication)
  TApplication();
  ~TApplication() override;

  void Initialize();
  // Creates a form of class T owned by the application, runs its creation event, and makes the
  // first one created the main form.
  template <typename T, typename... Args>
  T* CreateForm(Args&&... args) {
    auto* form = new T(this, std::forward<Args>(args)...);
    if (main_form_ == nullptr) main_form_ = form;
    form->AfterConstruction();
    return form;
  }
  TCustomForm* MainForm() const { return main_form_; }
  bool ShowMainForm() const { return show_main_form_; }
  void SetShowMainForm(bool value) { show_main_form_ = value; }

  HWND Handle() const { return handle_.get(); }
  const std::wstring& Title() const { return title_; }
  void SetTitle(const std::wstring& title);

  // Shows the main form and runs the message loop until Terminate.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  void ProcessMessages();
  // Hands what the windows painted so far to the screen now, before a pause that takes no
  // messages: some systems (Wine's window surfaces) show painted pixels only when a thread
  // waits for messages, or some time after the last such wait.
  void ShowPaintingNow();
  void HandleMessage();
  void Minimize();
  void Restore();
  int MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);

  // Reports a failure that no handler caught: OnException when assigned, else the error box.
  void HandleException(std::exception_ptr error);
  void ShowException(const std::exception& error);
  TExceptionEvent OnException;
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;
  TNotifyEvent OnIdle;

  // The control under the mouse pointer; it hears CM_MOUSEENTER and CM_MOUSELEAVE.
  void UpdateMouseControl();
  TControl* MouseControl() const { return mouse_control_; }
  void ForgetControl(TControl* control);
  // Whether `msg` is a tick of the thread timer that wakes the loop to look at the pointer.
  bool IsPointerWatchTick(const MSG& msg) const {
    return msg.message == WM_TIMER && msg.hwnd == nullptr && pointer_watch_timer_ != 0 &&
           msg.wParam == pointer_watch_timer_;
  }

 private:
  friend LRESULT CALLBACK ApplicationWindowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam);
  bool ProcessMessage(MSG& msg);
  // Handles a message taken from the queue (dispatch, synchronisation, pointer tracking).
  void HandleTakenMessage(const MSG& msg);
  void ReportException(const std::exception& error);
  bool IsKeyMsg(MSG& msg);
  void Idle();

  win::UniqueWindow handle_;
  std::wstring title_;
  TCustomForm* main_form_ = nullptr;
  bool show_main_form_ = true;
  bool terminated_ = false;
  TControl* mouse_control_ = nullptr;
  // The idle round's look for the control under the pointer: due after any message other than a
  // timer tick, whenever the pointer stands elsewhere than at the last look, and at least every
  // kIdlePointerRecheckInterval while the pointer stands still.
  bool pointer_check_due_ = true;
  unsigned long long last_pointer_check_ = 0;
  DWORD last_pointer_pos_ = 0;
  // While a control is under the pointer, a timer of the thread (pointer_watch_timer_, 0 when
  // off) wakes the loop every kIdlePointerRecheckInterval, so that the pointer leaving for
  // another program's window is noticed even when no other message comes. A look that other
  // messages brought starts the watch's interval again: while they keep coming, the watch never
  // wakes the loop itself.
  void SetPointerWatch(bool on);
  void RestartPointerWatch();
  UINT_PTR pointer_watch_timer_ = 0;
  bool pointer_watch_ticked_ = false;
  // The last message the idle round waited for was a timer tick: the next round idles again at
  // once, without first looking whether more messages wait.
  bool idle_after_tick_ = false;
};

// How long, at most, rounds that only serve timer ticks go without looking at the pointer's
// position (ms); each of them looks at the position its tick brought.
inline constexpr unsigned long long kIdlePointerInterval = 50;
// How long, at most, the idle round goes without looking up the control under a pointer that
// stands still (ms): windows can move or go away under it without any message to this thread.
inline constexpr unsigned long long kIdlePointerRecheckInterval = 1000;

TApplication* Application();
TScreen* Screen();
void ForgetMouseControl(TControl* control);

}  // namespace vornada
