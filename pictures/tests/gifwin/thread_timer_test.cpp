// Tests of TThreadTimer under Wine: defaults, the thread made at the first tick, ticking in
// threaded mode on either thread and in windowed mode, switching off, priority, the
// window-timer failure, and the four guarantees:
// an interval change inside a tick takes effect for the next wait, a failure in a tick never
// leaves the timer unusable, no tick runs after the timer is destroyed (also one already handed
// to the user-interface thread), and switching off waits for a tick in progress; a timer
// switched off stays off whatever a tick set meanwhile. The racy ones run hundreds of times.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Forms.h"
#include "ThreadTimer.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::NowMs;
using testing::PumpMessages;
using testing::ReportedFailures;

TEST(ThreadTimer, DefaultsAndAnIdleThread) {
  TThreadTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_TRUE(timer.SyncEvent());
  EXPECT_TRUE(timer.Threaded());
  EXPECT_EQ(timer.ThreadPriority(), TThreadPriority::tpNormal);
  EXPECT_FALSE(timer.OnTimer());
  EXPECT_FALSE(timer.ThreadRunning()) << "without a handler no thread waits for ticks";
}

// The threads of this process that run now (a snapshot may still list a thread that ended).
int ProcessThreadCount() {
  win::UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL more = ::Thread32First(snapshot.get(), &entry); more;
       more = ::Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID != ::GetCurrentProcessId()) continue;
    win::UniqueKernelHandle thread(::OpenThread(SYNCHRONIZE, FALSE, entry.th32ThreadID));
    if (thread && ::WaitForSingleObject(thread.get(), 0) == WAIT_TIMEOUT) ++count;
  }
  return count;
}

// A timer makes its thread only when it first has ticks to wait for in threaded mode: a waiting
// thread costs the whole process on every call into the system, and a program's timers may
// never tick (the main window's animator ticks only after the password is accepted). Stopped,
// the timer keeps its one thread for the next start.
TEST(ThreadTimer, MakesItsThreadWhenItFirstTicks) {
  const int before = ProcessThreadCount();
  TThreadTimer timer(nullptr);
  timer.SetInterval(10);
  timer.SetSyncEvent(false);
  PumpMessages(100);
  EXPECT_EQ(ProcessThreadCount() - before, 0) << "a timer without a handler has a thread";
  timer.SetThreaded(false);
  std::atomic<int> ticks{0};
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  PumpMessages(2000, [&] { return ticks.load() >= 3; });
  EXPECT_GE(ticks.load(), 3);
  EXPECT_EQ(ProcessThreadCount() - before, 0) << "a timer in windowed mode has a thread";
  timer.SetThreaded(true);
  ticks = 0;
  PumpMessages(2000, [&] { return ticks.load() >= 3; });
  EXPECT_GE(ticks.load(), 3) << "no ticks in threaded mode";
  EXPECT_EQ(ProcessThreadCount() - before, 1);
  timer.SetEnabled(false);
  timer.SetEnabled(true);
  ticks = 0;
  PumpMessages(2000, [&] { return ticks.load() >= 3; });
  EXPECT_GE(ticks.load(), 3) << "no ticks after a stop and start";
  EXPECT_EQ(ProcessThreadCount() - before, 1) << "a second start made another thread";
}

TEST(ThreadTimer, TicksOnTheChosenThread) {
  for (const bool sync : {true, false}) {
    SCOPED_TRACE(sync ? "SyncEvent on" : "SyncEvent off");
    TThreadTimer timer(nullptr);
    timer.SetSyncEvent(sync);
    timer.SetInterval(20);
    std::atomic<int> ticks{0};
    std::atomic<DWORD> thread{0};
    std::atomic<TObject*> sender{nullptr};
    timer.SetOnTimer([&](TObject* s) {
      thread = ::GetCurrentThreadId();
      sender = s;
      ++ticks;
    });
    EXPECT_TRUE(timer.ThreadRunning());
    const int64_t start = NowMs();
    PumpMessages(3000, [&] { return ticks.load() >= 10; });
    const int64_t took = NowMs() - start;
    ASSERT_GE(ticks.load(), 10);
    EXPECT_GE(took, 10 * 20 - 20) << "ticks come at the interval";
    EXPECT_LT(took, 2000) << "(a loose bound: the machine may be busy)";
    EXPECT_EQ(sender.load(), &timer);
    EXPECT_EQ(thread.load() == ::GetCurrentThreadId(), sync);
  }
}

TEST(ThreadTimer, SwitchingOffStopsTicksAndWaitsForATickInProgress) {
  struct Stop {
    const char* what;
    void (*apply)(TThreadTimer&);
    void (*restart)(TThreadTimer&, TNotifyEvent);
  };
  const std::vector<Stop> stops = {
      {"Enabled False", [](TThreadTimer& t) { t.SetEnabled(false); },
       [](TThreadTimer& t, TNotifyEvent) { t.SetEnabled(true); }},
      {"handler removed", [](TThreadTimer& t) { t.SetOnTimer(nullptr); },
       [](TThreadTimer& t, TNotifyEvent h) { t.SetOnTimer(std::move(h)); }},
      {"interval 0", [](TThreadTimer& t) { t.SetInterval(0); },
       [](TThreadTimer& t, TNotifyEvent) { t.SetInterval(5); }},
  };
  for (const Stop& stop : stops) {
    SCOPED_TRACE(stop.what);
    TThreadTimer timer(nullptr);
    timer.SetSyncEvent(false);
    timer.SetInterval(5);
    std::atomic<int> ticks{0};
    std::atomic<int> inside{0};
    TNotifyEvent handler = [&](TObject*) {
      ++inside;
      ::Sleep(15);
      ++ticks;
      --inside;
    };
    timer.SetOnTimer(handler);
    PumpMessages(2000, [&] { return inside.load() > 0; });
    stop.apply(timer);
    if (std::string(stop.what) != "interval 0") {
      EXPECT_EQ(inside.load(), 0) << "the tick in progress ended before the call returned";
    }
    ::Sleep(30);
    const int after = ticks.load();
    ::Sleep(60);
    EXPECT_EQ(ticks.load(), after) << "no ticks once stopped";
    EXPECT_FALSE(timer.ThreadRunning());
    stop.restart(timer, handler);
    PumpMessages(2000, [&] { return ticks.load() >= after + 2; });
    EXPECT_GE(ticks.load(), after + 2) << "ticks again once restarted";
  }
}

TEST(ThreadTimer, ThreadPriorityIsApplied) {
  TThreadTimer timer(nullptr);
  timer.SetSyncEvent(false);
  timer.SetInterval(5);
  timer.SetThreadPriority(TThreadPriority::tpHigher);
  std::atomic<int> priority{-100};
  timer.SetOnTimer([&](TObject*) { priority = ::GetThreadPriority(::GetCurrentThread()); });
  PumpMessages(2000, [&] { return priority.load() != -100; });
  EXPECT_EQ(priority.load(), THREAD_PRIORITY_ABOVE_NORMAL);
  timer.SetThreadPriority(TThreadPriority::tpLower);
  priority = -100;
  PumpMessages(2000, [&] { return priority.load() == THREAD_PRIORITY_BELOW_NORMAL; });
  EXPECT_EQ(priority.load(), THREAD_PRIORITY_BELOW_NORMAL);
}

TEST(ThreadTimer, IntervalChangedInsideATickTakesEffectForTheNextWait) {
  for (const bool sync : {false, true}) {
    SCOPED_TRACE(sync ? "tick on the user-interface thread" : "tick on the timer thread");
    TThreadTimer timer(nullptr);
    timer.SetSyncEvent(sync);
    timer.SetInterval(20);
    std::mutex mutex;
    std::vector<int64_t> times;
    timer.SetOnTimer([&](TObject*) {
      size_t n;
      {
        std::lock_guard<std::mutex> lock(mutex);
        times.push_back(NowMs());
        n = times.size();
      }
      if (n == 3) timer.SetInterval(400);  // from inside the tick
      if (n == 4) timer.SetInterval(20);
    });
    PumpMessages(5000, [&] {
      std::lock_guard<std::mutex> lock(mutex);
      return times.size() >= 8;
    });
    timer.SetEnabled(false);
    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_GE(times.size(), 8u) << "the timer keeps running after its interval changed";
    const int64_t long_gap = times[3] - times[2];
    const int64_t short_gap = times[4] - times[3];
    EXPECT_GE(long_gap, 380) << "the wait after the change used the new interval";
    EXPECT_LT(long_gap, 1500);
    EXPECT_LT(short_gap, 300) << "and the next change shortened the next wait";
  }
}

TEST(ThreadTimer, IntervalChangedFromOutsideRestartsTheWait) {
  TThreadTimer timer(nullptr);
  timer.SetSyncEvent(false);
  timer.SetInterval(5000);
  std::atomic<int> ticks{0};
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  ::Sleep(50);
  const int64_t start = NowMs();
  timer.SetInterval(30);
  PumpMessages(3000, [&] { return ticks.load() >= 1; });
  EXPECT_EQ(ticks.load(), 1);
  EXPECT_LT(NowMs() - start, 1000) << "the long wait did not have to run out first";
}

TEST(ThreadTimer, FailuresInTicksAreReportedAndTheTimerKeepsRunning) {
  for (const bool sync : {true, false}) {
    SCOPED_TRACE(sync ? "SyncEvent on" : "SyncEvent off");
    ReportedFailures reported;
    TThreadTimer timer(nullptr);
    timer.SetSyncEvent(sync);
    timer.SetInterval(1);
    std::atomic<int> ticks{0};
    DWORD tick_thread = 0;
    timer.SetOnTimer([&](TObject*) {
      tick_thread = ::GetCurrentThreadId();
      const int n = ++ticks;
      if (n % 3 == 0) throw EAbort();                 // silent
      if (n % 3 == 1) throw Exception("tick " + std::to_string(n) + " failed");
      throw 42;                                       // not even an exception class
    });
    PumpMessages(8000, [&] { return ticks.load() >= 150; });
    timer.SetEnabled(false);
    ASSERT_GE(ticks.load(), 150) << "ticks go on after failures";
    const std::vector<std::string> messages = reported.Messages();
    const int n = ticks.load();
    EXPECT_EQ(messages.size(), static_cast<size_t>(n - n / 3)) << "every failure but EAbort";
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[0], "tick 1 failed");
    EXPECT_EQ(messages[1], "Unknown failure");
    for (DWORD t : reported.Threads()) EXPECT_EQ(t, tick_thread) << "reported where the tick ran";
    // Still fully usable.
    const int before = ticks.load();
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    timer.SetInterval(2);
    timer.SetEnabled(true);
    PumpMessages(3000, [&] { return ticks.load() >= before + 5; });
    EXPECT_GE(ticks.load(), before + 5);
  }
}

TEST(ThreadTimer, NoTickRunsAfterTheTimerIsDestroyed) {
  struct Mode {
    const char* what;
    bool sync;
    bool owned;  // freed by its owner component rather than directly
  };
  for (const Mode mode : {Mode{"handed to the user-interface thread", true, false},
                          Mode{"on the timer thread", false, false},
                          Mode{"freed with its owner", false, true},
                          Mode{"handed over, freed with its owner", true, true}}) {
    SCOPED_TRACE(mode.what);
    std::atomic<int> late{0};
    std::atomic<int> inside{0};
    std::atomic<int> ticks{0};
    // Ticks on this thread cannot have begun before the destruction: they must not run during
    // it. A tick on the timer thread may be under way when it begins and is waited for: none
    // may begin after it.
    std::atomic<bool> destroying{false};
    std::atomic<bool> destroyed{false};
    int pending_at_destruction = 0;
    for (int iteration = 0; iteration < 125; ++iteration) {
      destroying = false;
      destroyed = false;
      auto owner = std::make_unique<TComponent>(nullptr);
      std::unique_ptr<TThreadTimer> own_timer;
      TThreadTimer* timer = nullptr;
      if (mode.owned) {
        timer = new TThreadTimer(owner.get());  // the owner frees it
      } else {
        own_timer = std::make_unique<TThreadTimer>(nullptr);
        timer = own_timer.get();
      }
      timer->SetSyncEvent(mode.sync);
      timer->SetInterval(1);
      timer->SetOnTimer([&](TObject*) {
        ++inside;
        if (mode.sync ? destroying.load() : destroyed.load()) ++late;
        ++ticks;
        if (!mode.sync) ::Sleep(1);
        --inside;
      });
      // Once it ticks, let it go on for a moment without serving it (when its ticks come to
      // this thread, one is then waiting unserved).
      const int before = ticks.load();
      PumpMessages(2000, [&] { return ticks.load() > before; });
      ::Sleep(static_cast<DWORD>(iteration % 3));
      if (!mode.sync && inside.load() > 0) ++pending_at_destruction;
      destroying = true;
      own_timer.reset();
      owner.reset();
      destroyed = true;
      EXPECT_EQ(inside.load(), 0) << "no tick is running once the timer is gone";
      const int after = ticks.load();
      ::Sleep(2);
      Application()->ProcessMessages();  // serves anything still handed to this thread
      EXPECT_EQ(ticks.load(), after);
    }
    EXPECT_EQ(late.load(), 0) << "ticks that ran while or after the timer was destroyed";
    EXPECT_GE(ticks.load(), 125) << "every timer ticked";
    if (!mode.sync) {
      EXPECT_GT(pending_at_destruction, 10) << "ticks in progress at destruction";
    }
  }
}

TEST(ThreadTimer, RunOnUIThreadDoesNotRunAMethodOfADestroyedTimer) {
  // Direct on the user-interface thread.
  {
    TThreadTimer timer(nullptr);
    bool ran = false;
    EXPECT_TRUE(timer.RunOnUIThread([&] { ran = true; }));
    EXPECT_TRUE(ran);
  }
  for (const bool destroy : {false, true}) {
    SCOPED_TRACE(destroy ? "timer destroyed while the method waits" : "timer alive");
    auto timer = std::make_unique<TThreadTimer>(nullptr);
    timer->SetInterval(60000);
    timer->SetOnTimer([](TObject*) {});
    std::atomic<bool> ran{false};
    std::atomic<DWORD> ran_on{0};
    std::atomic<int> result{-1};
    std::thread worker([&] {
      result = timer->RunOnUIThread([&] {
        ran = true;
        ran_on = ::GetCurrentThreadId();
      }) ? 1 : 0;
    });
    ::Sleep(50);
    EXPECT_FALSE(ran.load()) << "waits for this thread";
    if (destroy) timer.reset();
    PumpMessages(2000, [&] { return result.load() != -1; });
    worker.join();
    EXPECT_EQ(ran.load(), !destroy);
    EXPECT_EQ(result.load(), destroy ? 0 : 1);
    if (!destroy) {
      EXPECT_EQ(ran_on.load(), ::GetCurrentThreadId());
    }
  }
}

TEST(ThreadTimer, SwitchedOffItStaysOffWhateverATickSetMeanwhile) {
  // As the animator's ticks do, every tick sets the interval of the next wait, on the timer
  // thread (here many times over, to meet this thread's changes often), while this thread sets
  // the interval and switches the timer off and on. Once switched off, the timer stays off: no
  // running thread and no tick, whatever the tick in progress set meanwhile.
  testing::Watchdog watchdog("timer setters against ticks", std::chrono::milliseconds(8000));
  TThreadTimer timer(nullptr);
  timer.SetSyncEvent(false);
  timer.SetInterval(1);
  std::atomic<int> ticks{0};
  timer.SetOnTimer([&](TObject*) {
    ++ticks;
    for (int i = 0; i < 50; ++i) timer.SetInterval(i % 2 == 0 ? 1 : 2);
  });
  int running_after_stop = 0, ticks_after_stop = 0;
  for (int round = 0; round < 200; ++round) {
    const int before = ticks.load();
    PumpMessages(2000, [&] { return ticks.load() > before; });
    timer.SetInterval(1 + round % 3);
    timer.SetEnabled(false);
    if (timer.ThreadRunning()) ++running_after_stop;
    const int stopped = ticks.load();
    ::Sleep(4);
    if (ticks.load() != stopped) ++ticks_after_stop;
    EXPECT_FALSE(timer.Enabled());
    timer.SetEnabled(true);
    watchdog.Kick();
  }
  timer.SetEnabled(false);
  EXPECT_EQ(running_after_stop, 0) << "rounds whose timer thread went on waiting for ticks";
  EXPECT_EQ(ticks_after_stop, 0) << "rounds with ticks after the timer was switched off";
  EXPECT_GE(ticks.load(), 200);
}

// Finds this thread's message window of a timer in windowed mode.
HWND FindTimerWindow() {
  HWND found = nullptr;
  while ((found = ::FindWindowExW(HWND_MESSAGE, found, L"VornadaThreadTimerWindow", nullptr)) !=
         nullptr) {
    if (::GetWindowThreadProcessId(found, nullptr) == ::GetCurrentThreadId()) return found;
  }
  return nullptr;
}

TEST(ThreadTimer, WindowedModeTicksThroughTheMessageLoop) {
  ReportedFailures reported;
  TThreadTimer timer(nullptr);
  timer.SetThreaded(false);
  timer.SetInterval(10);
  std::atomic<int> ticks{0};
  DWORD thread = 0;
  timer.SetOnTimer([&](TObject*) {
    thread = ::GetCurrentThreadId();
    if (++ticks % 2 == 0) throw Exception("windowed tick failed");
  });
  EXPECT_FALSE(timer.ThreadRunning());
  EXPECT_NE(FindTimerWindow(), nullptr);
  ::Sleep(60);
  EXPECT_EQ(ticks.load(), 0) << "ticks come from the message loop";
  PumpMessages(3000, [&] { return ticks.load() >= 6; });
  EXPECT_GE(ticks.load(), 6);
  EXPECT_EQ(thread, ::GetCurrentThreadId());
  EXPECT_GE(reported.Messages().size(), 3u);
  EXPECT_EQ(reported.Messages()[0], "windowed tick failed");
  timer.SetEnabled(false);
  PumpMessages(30);
  const int stopped = ticks.load();
  PumpMessages(80);
  EXPECT_EQ(ticks.load(), stopped);
  // Back to threaded mode: the window goes.
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  timer.SetEnabled(true);
  timer.SetThreaded(true);
  EXPECT_EQ(FindTimerWindow(), nullptr);
  PumpMessages(3000, [&] { return ticks.load() >= stopped + 3; });
  EXPECT_GE(ticks.load(), stopped + 3);
}

TEST(ThreadTimer, WindowedModeWithoutAWindowTimerFailsWithOutOfResources) {
  TThreadTimer timer(nullptr);
  timer.SetThreaded(false);
  timer.SetInterval(10);
  timer.SetOnTimer([](TObject*) {});
  const HWND window = FindTimerWindow();
  ASSERT_NE(window, nullptr);
  ::DestroyWindow(window);  // the system then refuses the window timer
  try {
    timer.SetInterval(20);
    FAIL() << "no failure";
  } catch (const EOutOfResources& e) {
    EXPECT_EQ(e.Message(), "Not enough timers available");
    EXPECT_STREQ(e.ClassName(), "EOutOfResources");
  }
}

}  // namespace
}  // namespace vornada
