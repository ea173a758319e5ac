// Tests of window hooks under Wine: several hooks on one window hear each message newest first
// and before the window; any of them can go in any order, and the last one leaving restores the
// window's own procedure; a handler may see the result of the rest of the chain, may fail
// without keeping the message from the window, and may remove its own hook; a destroyed window
// lets go of its hooks; windows of other threads cannot be hooked.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Forms.h"
#include "WinTestSupport.h"
#include "WindowHook.h"

namespace vornada {
namespace {

constexpr UINT kProbe = WM_APP + 7;

// A window that answers kProbe with 42 and records that it saw it.
class ProbeWindow {
 public:
  ProbeWindow() {
    static const ATOM atom = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = &ProbeWindow::Proc;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.lpszClassName = L"VornadaHookProbe";
      return ::RegisterClassExW(&wc);
    }();
    (void)atom;
    hwnd_ = ::CreateWindowExW(0, L"VornadaHookProbe", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                              nullptr, ::GetModuleHandleW(nullptr), nullptr);
  }
  ~ProbeWindow() {
    if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
  }
  HWND get() const { return hwnd_; }
  static std::vector<std::string>* log;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == kProbe) {
      if (log != nullptr) log->push_back("window");
      return 42;
    }
    return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  }
  HWND hwnd_ = nullptr;
};
std::vector<std::string>* ProbeWindow::log = nullptr;

class WindowHooks : public ::testing::Test {
 protected:
  void SetUp() override { ProbeWindow::log = &log_; }
  void TearDown() override {
    ProbeWindow::log = nullptr;
    Application()->OnException = nullptr;
  }
  TWindowHook::Handler Recorder(const std::string& name) {
    return [this, name](TMessage& m) {
      if (m.Msg == kProbe) log_.push_back(name);
    };
  }
  std::vector<std::string> log_;
};

TEST_F(WindowHooks, NewestFirstThenTheWindowInAnyRemovalOrder) {
  ProbeWindow window;
  const LONG_PTR original = ::GetWindowLongPtrW(window.get(), GWLP_WNDPROC);
  for (const std::vector<int>& removal :
       {std::vector<int>{1, 0, 2}, std::vector<int>{0, 1, 2}, std::vector<int>{2, 1, 0},
        std::vector<int>{1, 2, 0}}) {
    TWindowHook hooks[3];
    for (int i = 0; i < 3; ++i)
      ASSERT_TRUE(hooks[i].Install(window.get(), Recorder("hook" + std::to_string(i))));
    std::vector<std::string> expected = {"hook2", "hook1", "hook0", "window"};
    log_.clear();
    EXPECT_EQ(::SendMessageW(window.get(), kProbe, 0, 0), 42);
    EXPECT_EQ(log_, expected);
    for (int gone : removal) {
      hooks[gone].Remove();
      EXPECT_FALSE(hooks[gone].Installed());
      std::erase(expected, "hook" + std::to_string(gone));
      log_.clear();
      EXPECT_EQ(::SendMessageW(window.get(), kProbe, 0, 0), 42);
      EXPECT_EQ(log_, expected);
    }
    EXPECT_EQ(::GetWindowLongPtrW(window.get(), GWLP_WNDPROC), original)
        << "the last hook gone: the window's own procedure again";
  }
}

TEST_F(WindowHooks, HandlerSeesTheResultOfTheRestOfTheChain) {
  ProbeWindow window;
  TWindowHook hook;
  LRESULT seen = 0;
  ASSERT_TRUE(hook.Install(window.get(), [&](TMessage& m) {
    if (m.Msg != kProbe) return;
    log_.push_back("before");
    hook.CallNext(m);
    seen = m.Result;
    log_.push_back("after");
  }));
  EXPECT_EQ(::SendMessageW(window.get(), kProbe, 0, 0), 42);
  EXPECT_EQ(seen, 42);
  EXPECT_EQ(log_, (std::vector<std::string>{"before", "window", "after"})) << "handed on once";
}

TEST_F(WindowHooks, AFailingHandlerIsReportedAndTheWindowStillGetsTheMessage) {
  ProbeWindow window;
  std::vector<std::string> reported;
  Application()->OnException = [&](TObject*, const std::exception& e) {
    reported.push_back(e.what());
  };
  TWindowHook hook;
  ASSERT_TRUE(hook.Install(window.get(), [](TMessage& m) {
    if (m.Msg == kProbe) throw Exception("hook failed");
  }));
  EXPECT_EQ(::SendMessageW(window.get(), kProbe, 0, 0), 42);
  EXPECT_EQ(log_, std::vector<std::string>{"window"});
  EXPECT_EQ(reported, std::vector<std::string>{"hook failed"});
}

TEST_F(WindowHooks, AHookMayRemoveItselfWhileHandlingAMessage) {
  ProbeWindow window;
  TWindowHook older, self;
  ASSERT_TRUE(older.Install(window.get(), Recorder("older")));
  ASSERT_TRUE(self.Install(window.get(), [&](TMessage& m) {
    if (m.Msg != kProbe) return;
    log_.push_back("self");
    self.Remove();
  }));
  EXPECT_EQ(::SendMessageW(window.get(), kProbe, 0, 0), 42);
  EXPECT_EQ(log_, (std::vector<std::string>{"self", "older", "window"}));
  log_.clear();
  EXPECT_EQ(::SendMessageW(window.get(), kProbe, 0, 0), 42);
  EXPECT_EQ(log_, (std::vector<std::string>{"older", "window"}));
}

TEST_F(WindowHooks, ADestroyedWindowLetsGoOfItsHooks) {
  auto window = std::make_unique<ProbeWindow>();
  TWindowHook hook;
  ASSERT_TRUE(hook.Install(window->get(), Recorder("hook")));
  EXPECT_EQ(hook.Window(), window->get());
  window.reset();
  EXPECT_FALSE(hook.Installed());
  EXPECT_EQ(hook.Window(), nullptr);
  hook.Remove();  // nothing left to do, and no failure
}

TEST_F(WindowHooks, OnlyLiveWindowsOfThisThread) {
  TWindowHook hook;
  EXPECT_FALSE(hook.Install(nullptr, Recorder("x")));
  HWND other = nullptr;
  HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread owner([&] {
    ProbeWindow w;
    other = w.get();
    ::SetEvent(ready);
    ::WaitForSingleObject(stop, 5000);
  });
  ::WaitForSingleObject(ready, 5000);
  EXPECT_FALSE(hook.Install(other, Recorder("x"))) << "a window of another thread";
  EXPECT_FALSE(hook.Installed());
  ::SetEvent(stop);
  owner.join();
  EXPECT_FALSE(hook.Install(other, Recorder("x"))) << "a window that is gone";
  ::CloseHandle(ready);
  ::CloseHandle(stop);
}

}  // namespace
}  // namespace vornada
