// Tests of the application object under Wine: its hidden window and title, failures reported
// through OnException (silent EAbort) or the error box, failures escaping event handlers,
// minimising and restoring the program with its forms, failures of the pointer's enter and leave
// handling in the message loop, following the pointer while only timer ticks come without
// looking it up on every tick, and the message loop ending on Terminate.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "Text.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::KeepUntilExit;
using testing::MessageBoxWatcher;
using testing::PumpMessages;

std::wstring WindowText(HWND hwnd) {
  wchar_t text[256] = {};
  ::GetWindowTextW(hwnd, text, 256);
  return text;
}

// Restores the application's OnException when a test ends.
struct ExceptionHandlerScope {
  explicit ExceptionHandlerScope(TExceptionEvent handler) {
    Application()->OnException = std::move(handler);
  }
  ~ExceptionHandlerScope() { Application()->OnException = nullptr; }
};

TEST(ApplicationWindow, HiddenOwnerOfFormsCarryingTheTitle) {
  const HWND app = Application()->Handle();
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(WindowText(app), L"application_test") << "the program's name until a title is set";
  EXPECT_FALSE(::IsWindowVisible(app));
  EXPECT_EQ(::GetWindowLongW(app, GWL_STYLE) & WS_CHILD, 0) << "a top-level window";
  Application()->SetTitle(L"Vornada-Ver-1.1");
  EXPECT_EQ(Application()->Title(), L"Vornada-Ver-1.1");
  EXPECT_EQ(WindowText(app), L"Vornada-Ver-1.1");
  // Another instance finds the program by the title alone.
  EXPECT_EQ(::FindWindowW(nullptr, L"Vornada-Ver-1.1"), app);
  TForm form(nullptr);
  EXPECT_EQ(::GetWindow(form.Handle(), GW_OWNER), app);
}

struct FailureCase {
  const char* name;
  std::function<void()> raise;
  bool reported;
  const char* text;
  friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }
};

class HandleException : public ::testing::TestWithParam<FailureCase> {};

TEST_P(HandleException, GoesToOnExceptionUnlessItIsAnAbort) {
  std::vector<std::string> seen;
  ExceptionHandlerScope scope([&](TObject* sender, const std::exception& e) {
    EXPECT_EQ(sender, Application());
    seen.push_back(e.what());
  });
  try {
    GetParam().raise();
  } catch (...) {
    Application()->HandleException(std::current_exception());
  }
  if (GetParam().reported) {
    EXPECT_EQ(seen, std::vector<std::string>{GetParam().text});
  } else {
    EXPECT_TRUE(seen.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, HandleException,
    ::testing::Values(
        FailureCase{"framework_exception", [] { throw Exception("Access denied"); }, true,
                    "Access denied"},
        FailureCase{"derived_exception", [] { throw EInvalidOperation("Cannot focus"); }, true,
                    "Cannot focus"},
        FailureCase{"abort", [] { throw EAbort(); }, false, ""},
        FailureCase{"abort_with_text", [] { throw EAbort("quiet"); }, false, ""},
        FailureCase{"standard_exception", [] { throw std::runtime_error("plain"); }, true,
                    "plain"},
        FailureCase{"not_an_exception", [] { throw 42; }, true, "Unknown failure"}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(ErrorReport, BoxShowsTheTextWithItsFullStopUnderTheTitle) {
  Application()->SetTitle(L"Vornada-Ver-1.1");
  MessageBoxWatcher watcher;
  // The text arrives as UTF-8; the box shows it converted, a full stop after its last letter.
  Application()->HandleException(std::make_exception_ptr(
      Exception("\xD0\x9D\xD0\xB5\xD1\x82 \xD0\xB4\xD0\xBE\xD1\x81\xD1\x82\xD1\x83\xD0\xBF\xD0\xB0")));
  Application()->HandleException(std::make_exception_ptr(EAbort()));
  const auto seen = watcher.Seen();
  ASSERT_EQ(seen.size(), 1u) << "one box, none for the abort";
  EXPECT_EQ(seen[0].caption, L"Vornada-Ver-1.1");
  EXPECT_EQ(seen[0].text, L"\u041D\u0435\u0442 \u0434\u043E\u0441\u0442\u0443\u043F\u0430.");
  EXPECT_EQ(seen[0].buttons, std::vector<std::wstring>{L"OK"});
  EXPECT_TRUE(seen[0].has_icon);
  EXPECT_EQ(seen[0].icon, ::LoadIconW(nullptr, IDI_HAND)) << "the error icon";
}

TEST(ErrorReport, FailureEscapingAnEventHandlerIsReportedAndTheProgramGoesOn) {
  std::vector<std::string> seen;
  ExceptionHandlerScope scope([&](TObject*, const std::exception& e) { seen.push_back(e.what()); });
  TForm form(nullptr);
  form.SetBounds(0, 0, 100, 100);
  form.OnClick = [](TObject*) { throw EInvalidOperation("Click failed"); };
  form.OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { seen.push_back("up"); };
  ::SendMessageW(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(seen, std::vector<std::string>{"Click failed"})
      << "the rest of the failing message's handling is skipped";
  ::SendMessageW(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  form.OnClick = nullptr;
  ::SendMessageW(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(seen, (std::vector<std::string>{"Click failed", "up"})) << "later messages work";
}

// A control whose pointer-entered or pointer-left handling fails.
class FailingOnPointer : public TCustomControl {
 public:
  FailingOnPointer(TComponent* owner, UINT failing) : TCustomControl(owner), failing_(failing) {}
  void WndProc(TMessage& m) override {
    if (m.Msg == failing_) throw Exception(m.Msg == CM_MOUSEENTER ? "Enter failed" : "Leave failed");
    TCustomControl::WndProc(m);
  }

 private:
  UINT failing_;
};

// Puts `control` at (20, 20, 60, 40) on `parent` (its owner), moves the pointer to `outside`
// (a point of the parent's client area off the control) and lets the loop look; the screen
// points inside the control and outside it.
std::pair<POINT, POINT> PlaceWithPointerOutside(TControl& control, TWinControl& parent,
                                                POINT outside) {
  control.SetParent(&parent);
  control.SetBounds(20, 20, 60, 40);
  PumpMessages(20);
  POINT inside{20 + 30, 20 + 20};
  ::ClientToScreen(parent.Handle(), &inside);
  ::ClientToScreen(parent.Handle(), &outside);
  ::SetCursorPos(outside.x, outside.y);
  Application()->UpdateMouseControl();
  return {inside, outside};
}

// The same on the stage panel.
std::pair<POINT, POINT> PlaceWithPointerOutside(TControl& control) {
  return PlaceWithPointerOutside(control, testing::StagePanel(), POINT{200, 200});
}

// A form of its own above all others, for tests that watch the pointer stand still over a
// control for seconds: windows of programs running beside this one must not come over it.
std::unique_ptr<TForm> TopMostForm() {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBorderStyle(TFormBorderStyle::bsNone);
  form->SetBounds(700, 300, 200, 150);
  form->Show();
  ::SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return form;
}

struct PointerFailureCase {
  const char* name;
  UINT failing;
  const char* text;
  friend void PrintTo(const PointerFailureCase& c, std::ostream* os) { *os << c.name; }
};

class PointerFailure : public ::testing::TestWithParam<PointerFailureCase> {};

// The control under the pointer is updated by the message loop itself, outside any window
// procedure: a failing enter or leave is reported and the loop goes on (the program does not
// end without saving through its normal path).
TEST_P(PointerFailure, FailingEnterOrLeaveIsReportedAndTheLoopGoesOn) {
  std::vector<std::string> seen;
  ExceptionHandlerScope scope([&](TObject*, const std::exception& e) { seen.push_back(e.what()); });
  auto control = std::make_unique<FailingOnPointer>(&testing::StagePanel(), GetParam().failing);
  const auto [inside, outside] = PlaceWithPointerOutside(*control);
  ASSERT_NE(Application()->MouseControl(), control.get());
  // Into the control and out again: one of the two fails; neither leaves the loop.
  for (const POINT& at : {inside, outside}) {
    ::SetCursorPos(at.x, at.y);
    EXPECT_NO_THROW(Application()->UpdateMouseControl());
  }
  EXPECT_EQ(seen, std::vector<std::string>{GetParam().text});
  // The message loop still runs its round after a pointer move.
  ::SetCursorPos(inside.x, inside.y);
  ::PostMessageW(testing::StagePanel().Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(50, 40));
  EXPECT_NO_THROW(Application()->ProcessMessages());
  ::SetCursorPos(outside.x, outside.y);
  EXPECT_NO_THROW(Application()->UpdateMouseControl());
  EXPECT_EQ(seen.size(), 2u) << "reported again on the second round";
}

INSTANTIATE_TEST_SUITE_P(
    Table, PointerFailure,
    ::testing::Values(PointerFailureCase{"enter", CM_MOUSEENTER, "Enter failed"},
                      PointerFailureCase{"leave", CM_MOUSELEAVE, "Leave failed"}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

// A control that counts the pointer's entering and leaving, and the hit tests of its window
// (each look for the window under the pointer asks the windows there for one).
class PointerCounting : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_MOUSEENTER) ++entered;
    if (m.Msg == CM_MOUSELEAVE) {
      ++left;
      left_at = ::GetTickCount64();
    }
    if (m.Msg == WM_NCHITTEST) ++hit_tests;
    TCustomControl::WndProc(m);
  }
  int entered = 0;
  int left = 0;
  int hit_tests = 0;
  ULONGLONG left_at = 0;
};

// Runs the loop's rounds, with every pointer message taken away first, until `reached` holds
// or `limit_ms` pass; the milliseconds it took.
ULONGLONG RunRoundsUntil(const std::function<bool()>& reached, ULONGLONG limit_ms) {
  const ULONGLONG start = ::GetTickCount64();
  while (!reached() && ::GetTickCount64() - start < limit_ms) {
    MSG m;
    while (::PeekMessageW(&m, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    Application()->HandleMessage();
  }
  return ::GetTickCount64() - start;
}

// A program whose only messages are a fast timer's ticks still follows the pointer: the loop
// looks at it less often then, but it notices the pointer entering and leaving a control without
// any pointer message reaching it, within a few of its looks.
TEST(MessageLoop, ThePointerIsFollowedWhileOnlyTimerTicksCome) {
  auto control = std::make_unique<PointerCounting>(&testing::StagePanel());
  const auto [inside, outside] = PlaceWithPointerOutside(*control);
  ASSERT_NE(Application()->MouseControl(), control.get());
  TTimer timer(nullptr);
  timer.SetInterval(10);
  timer.SetOnTimer([](TObject*) {});
  timer.SetEnabled(true);
  // The loop's rounds until `reached` holds; the milliseconds it took (kept below two seconds).
  const auto run_ticks_until = [](const std::function<bool()>& reached) {
    return RunRoundsUntil(reached, 2000);
  };
  const struct {
    const char* name;
    POINT to;
    std::function<bool()> noticed;
  } moves[] = {
      {"into the control", inside, [&] { return control->entered == 1; }},
      {"out of it", outside, [&] { return control->left == 1; }},
  };
  for (const auto& move : moves) {
    SCOPED_TRACE(move.name);
    ::SetCursorPos(move.to.x, move.to.y);
    const ULONGLONG took = run_ticks_until(move.noticed);
    EXPECT_TRUE(move.noticed());
    EXPECT_LE(took, 10 * kIdlePointerInterval) << "the loop looked at the pointer too seldom";
  }
  EXPECT_EQ(control->entered, 1);
  EXPECT_EQ(control->left, 1);
  timer.SetEnabled(false);
}

// Counts the ticks of the loop's pointer watch that the thread takes from its queue.
class PointerWatchTickCounter {
 public:
  PointerWatchTickCounter() {
    count_ = 0;
    hook_ = ::SetWindowsHookExW(WH_GETMESSAGE, &Hook, nullptr, ::GetCurrentThreadId());
  }
  ~PointerWatchTickCounter() { ::UnhookWindowsHookEx(hook_); }
  bool Hooked() const { return hook_ != nullptr; }
  int Count() const { return count_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
    const auto* msg = reinterpret_cast<const MSG*>(lparam);
    if (code == HC_ACTION && wparam == PM_REMOVE && Application()->IsPointerWatchTick(*msg))
      ++count_;
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
  }
  static inline int count_ = 0;
  HHOOK hook_ = nullptr;
};

// While only timer ticks come and the pointer stands still over a control, the loop does not
// look for the control under it on every tick (each look hit-tests the windows under the
// pointer): a still pointer is looked up at most once every kIdlePointerRecheckInterval, on the
// ticks that come anyway, so the pointer watch never has to wake the loop itself.
TEST(MessageLoop, AStillPointerIsNotLookedUpOnEveryTick) {
  auto form = TopMostForm();
  auto control = std::make_unique<PointerCounting>(form.get());
  const auto [inside, outside] = PlaceWithPointerOutside(*control, *form, POINT{150, 120});
  int ticks = 0;
  TTimer timer(nullptr);
  timer.SetInterval(10);
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  timer.SetEnabled(true);
  ::SetCursorPos(inside.x, inside.y);
  RunRoundsUntil([&] { return control->entered == 1; }, 2000);
  ASSERT_EQ(control->entered, 1);
  RunRoundsUntil([] { return false; }, 100);  // the pointer's own messages settle
  const int ticks_before = ticks;
  const int hit_tests_before = control->hit_tests;
  constexpr ULONGLONG kWatched = 3 * kIdlePointerRecheckInterval + 300;
  {
    PointerWatchTickCounter watch_ticks;
    ASSERT_TRUE(watch_ticks.Hooked());
    RunRoundsUntil([] { return false; }, kWatched);
    EXPECT_EQ(watch_ticks.Count(), 0) << "the pointer watch woke a loop that the ticks kept going";
  }
  EXPECT_GE(ticks - ticks_before, 100) << "the timer ticked all along";
  EXPECT_LE(control->hit_tests - hit_tests_before,
            static_cast<int>(kWatched / kIdlePointerRecheckInterval + 1));
  EXPECT_EQ(control->left, 0);
  EXPECT_EQ(Application()->MouseControl(), control.get());
  timer.SetEnabled(false);
  ::SetCursorPos(outside.x, outside.y);
  control.reset();
  form->Hide();
  testing::KeepUntilExit(std::move(form));
}

// A point of the screen where no window of this program lies.
POINT PointOutsideTheProgram() {
  const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
  for (const POINT p : {POINT{width - 5, 5}, POINT{width - 5, height / 2}, POINT{width / 2, 5},
                        POINT{width - 5, height - 5}}) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(::WindowFromPoint(p), &process);
    if (process != ::GetCurrentProcessId()) return p;
  }
  ADD_FAILURE() << "no place on the screen is free of this program's windows";
  return {width - 5, 5};
}

// Counts the messages other than pointer messages that the thread takes from its queue, each
// one a wake-up of a waiting loop. A helper thread posts messages of its own (not counted) from
// `limit_ms` on, so that a loop that nothing wakes ends its wait all the same.
class WakeUpCounter {
 public:
  explicit WakeUpCounter(DWORD limit_ms) : thread_id_(::GetCurrentThreadId()) {
    current_ = this;
    hook_ = ::SetWindowsHookExW(WH_GETMESSAGE, &Hook, nullptr, thread_id_);
    waker_ = std::thread([this, limit_ms] {
      std::unique_lock<std::mutex> lock(mutex_);
      auto wait = std::chrono::milliseconds(limit_ms);
      while (!stop_.wait_for(lock, wait, [this] { return done_; })) {
        ::PostThreadMessageW(thread_id_, kWakeUp, 0, 0);
        wait = std::chrono::milliseconds(100);
      }
    });
  }
  ~WakeUpCounter() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    stop_.notify_all();
    waker_.join();
    ::UnhookWindowsHookEx(hook_);
    current_ = nullptr;
    MSG m;
    while (::PeekMessageW(&m, nullptr, kWakeUp, kWakeUp, PM_REMOVE)) {
    }
  }
  bool Hooked() const { return hook_ != nullptr; }
  int Count() const { return count_; }

 private:
  static constexpr UINT kWakeUp = WM_APP + 77;
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
    const auto* msg = reinterpret_cast<const MSG*>(lparam);
    if (code == HC_ACTION && wparam == PM_REMOVE && current_ != nullptr &&
        (msg->message < WM_MOUSEFIRST || msg->message > WM_MOUSELAST) &&
        msg->message != WM_MOUSELEAVE && msg->message != kWakeUp)
      ++current_->count_;
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
  }
  static inline WakeUpCounter* current_ = nullptr;
  DWORD thread_id_;
  HHOOK hook_ = nullptr;
  int count_ = 0;
  std::mutex mutex_;
  std::condition_variable stop_;
  bool done_ = false;
  std::thread waker_;
};

// With no timer of the program running, a pointer standing still over a control wakes the
// loop at most once every kIdlePointerRecheckInterval (the system is not asked to poll the
// pointer several times a second), the pointer leaving for a place outside the program is still
// noticed within about one such interval, and after that nothing wakes the loop any more.
TEST(MessageLoop, AnIdleLoopNoticesThePointerLeavingTheProgramWithoutPollingIt) {
  auto form = TopMostForm();
  auto control = std::make_unique<PointerCounting>(form.get());
  const auto [inside, outside] = PlaceWithPointerOutside(*control, *form, POINT{150, 120});
  ASSERT_NE(Application()->MouseControl(), control.get());
  const POINT away = PointOutsideTheProgram();
  ::SetCursorPos(inside.x, inside.y);
  // The pointer comes in as the user moves it: a pointer message to the control's window.
  ::PostMessageW(control->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(30, 20));
  Application()->ProcessMessages();
  ASSERT_EQ(control->entered, 1);
  constexpr ULONGLONG kWatched = 2 * kIdlePointerRecheckInterval + 200;
  {
    WakeUpCounter wake_ups(kWatched);
    ASSERT_TRUE(wake_ups.Hooked());
    RunRoundsUntil([] { return false; }, kWatched);
    EXPECT_LE(wake_ups.Count(), static_cast<int>(kWatched / kIdlePointerRecheckInterval + 1))
        << "the loop was woken more often than the pointer needs looking at";
    EXPECT_EQ(control->left, 0);
  }
  {
    WakeUpCounter ends_the_wait(2 * kIdlePointerRecheckInterval);
    ::SetCursorPos(away.x, away.y);
    const ULONGLONG moved_at = ::GetTickCount64();
    RunRoundsUntil([&] { return control->left == 1; }, 2 * kIdlePointerRecheckInterval);
    ASSERT_EQ(control->left, 1);
    EXPECT_LE(control->left_at - moved_at, kIdlePointerRecheckInterval + 500)
        << "the pointer's leaving was noticed late";
    EXPECT_EQ(Application()->MouseControl(), nullptr);
  }
  {
    WakeUpCounter wake_ups(kIdlePointerRecheckInterval + 500);
    RunRoundsUntil([] { return false; }, kIdlePointerRecheckInterval + 500);
    EXPECT_EQ(wake_ups.Count(), 0) << "the loop is still woken with no control under the pointer";
  }
  ::SetCursorPos(outside.x, outside.y);
  control.reset();
  testing::KeepUntilExit(std::move(form));
}

TEST(ApplicationWindow, MinimiseHidesTheFormsAndRestoreBringsThemBack) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBorderStyle(TFormBorderStyle::bsNone);
  form->SetBounds(200, 200, 150, 100);
  form->Show();
  ::ShowWindow(Application()->Handle(), SW_SHOWNA);  // as the message loop does at the start
  PumpMessages(20);
  int minimised = 0, restored = 0;
  Application()->OnMinimize = [&](TObject*) { ++minimised; };
  Application()->OnRestore = [&](TObject*) { ++restored; };
  ASSERT_TRUE(::IsWindowVisible(form->Handle()));

  Application()->Minimize();
  PumpMessages(20);
  EXPECT_TRUE(::IsIconic(Application()->Handle()));
  EXPECT_FALSE(::IsWindowVisible(form->Handle())) << "the form goes with the program";
  EXPECT_EQ(minimised, 1);
  Application()->Minimize();  // already minimised
  EXPECT_EQ(minimised, 1);

  Application()->Restore();
  PumpMessages(20);
  EXPECT_FALSE(::IsIconic(Application()->Handle()));
  EXPECT_TRUE(::IsWindowVisible(form->Handle()));
  EXPECT_EQ(restored, 1);
  EXPECT_TRUE(form->Visible());

  // The system menu's commands on the application window do the same.
  ::SendMessageW(Application()->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(::IsIconic(Application()->Handle()));
  EXPECT_EQ(minimised, 2);
  ::SendMessageW(Application()->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  PumpMessages(20);
  EXPECT_FALSE(::IsIconic(Application()->Handle()));
  EXPECT_TRUE(::IsWindowVisible(form->Handle()));
  EXPECT_EQ(restored, 2);
  Application()->OnMinimize = nullptr;
  Application()->OnRestore = nullptr;
  KeepUntilExit(std::move(form));
}

TEST(MessageLoop, RunShowsTheMainFormAndEndsOnTerminate) {
  auto* main_form = Application()->CreateForm<TForm>();
  main_form->SetBorderStyle(TFormBorderStyle::bsNone);
  main_form->SetBounds(300, 300, 80, 40);
  ASSERT_EQ(Application()->MainForm(), main_form);
  TTimer timer(nullptr);
  timer.SetInterval(10);
  int ticks = 0;
  bool visible_while_running = false;
  timer.SetOnTimer([&](TObject*) {
    visible_while_running = ::IsWindowVisible(main_form->Handle()) != FALSE;
    if (++ticks == 3) Application()->Terminate();
  });
  Application()->Run();
  EXPECT_TRUE(Application()->Terminated());
  EXPECT_EQ(ticks, 3);
  EXPECT_TRUE(visible_while_running);
  timer.SetEnabled(false);
  // The main form stays with the application object, as it would until the program ends.
}

}  // namespace
}  // namespace vornada
