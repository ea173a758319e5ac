// Tests of TTimer under Wine: ticking through the message loop, switching off, changing the
// interval while running, no handler or a zero interval meaning no ticks, a failure inside a
// tick reported while the timer goes on, and the error when no window timer can be had.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::PumpMessages;

TEST(Timer, TicksThroughTheMessageLoopUntilSwitchedOff) {
  TTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u) << "the default interval";
  int ticks = 0;
  TObject* sender = nullptr;
  timer.SetInterval(10);
  timer.SetOnTimer([&](TObject* s) {
    ++ticks;
    sender = s;
  });
  PumpMessages(1000, [&] { return ticks >= 5; });
  EXPECT_GE(ticks, 5);
  EXPECT_EQ(sender, &timer);
  timer.SetEnabled(false);
  PumpMessages(10);
  const int stopped_at = ticks;
  PumpMessages(100);
  EXPECT_EQ(ticks, stopped_at) << "no ticks once switched off";
  timer.SetEnabled(true);
  PumpMessages(1000, [&] { return ticks >= stopped_at + 2; });
  EXPECT_GE(ticks, stopped_at + 2) << "ticks again once switched on";
}

TEST(Timer, IntervalChangeTakesEffectWhileRunning) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(10);
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  PumpMessages(1000, [&] { return ticks >= 2; });
  ASSERT_GE(ticks, 2);
  timer.SetInterval(60000);
  const int before = ticks;
  PumpMessages(150);
  EXPECT_EQ(ticks, before) << "a minute's interval does not tick within 150 ms";
  timer.SetInterval(10);
  PumpMessages(1000, [&] { return ticks >= before + 3; });
  EXPECT_GE(ticks, before + 3);
}

TEST(Timer, NoHandlerOrZeroIntervalMeansNoTicks) {
  TTimer timer(nullptr);
  timer.SetInterval(10);
  PumpMessages(50);  // running without a handler would have nothing to call
  int ticks = 0;
  timer.SetInterval(0);
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  PumpMessages(80);
  EXPECT_EQ(ticks, 0) << "interval 0";
  timer.SetInterval(10);
  PumpMessages(1000, [&] { return ticks >= 2; });
  EXPECT_GE(ticks, 2);
  timer.SetOnTimer(nullptr);
  PumpMessages(10);
  const int before = ticks;
  PumpMessages(80);
  EXPECT_EQ(ticks, before) << "handler removed";
}

TEST(Timer, CallingTimerRunsTheHandlerOnlyWhenEnabled) {
  TTimer timer(nullptr);
  timer.SetInterval(60000);
  int ticks = 0;
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  timer.Timer();
  EXPECT_EQ(ticks, 1);
  timer.SetEnabled(false);
  timer.Timer();
  EXPECT_EQ(ticks, 1);
}

TEST(Timer, FailureInATickIsReportedAndTheTimerGoesOn) {
  std::vector<std::string> reported;
  Application()->OnException = [&](TObject*, const std::exception& e) {
    reported.push_back(e.what());
  };
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(10);
  timer.SetOnTimer([&](TObject*) {
    ++ticks;
    throw Exception("tick " + std::to_string(ticks) + " failed");
  });
  PumpMessages(2000, [&] { return ticks >= 4; });
  Application()->OnException = nullptr;
  timer.SetEnabled(false);
  ASSERT_GE(ticks, 4);
  ASSERT_GE(reported.size(), 4u);
  EXPECT_EQ(reported[0], "tick 1 failed");
  EXPECT_EQ(reported[3], "tick 4 failed");
}

TEST(Timer, FreedTimerTicksNoMore) {
  int ticks = 0;
  {
    TComponent owner(nullptr);
    auto* timer = new TTimer(&owner);
    timer->SetInterval(10);
    timer->SetOnTimer([&](TObject*) { ++ticks; });
    PumpMessages(1000, [&] { return ticks >= 1; });
    ::Sleep(30);  // a tick may be waiting in the queue when the owner frees the timer
  }
  const int before = ticks;
  PumpMessages(80);
  EXPECT_EQ(ticks, before);
}

// Finds this thread's hidden window that carries the window timers.
HWND FindThreadTimerWindow() {
  HWND found = nullptr;
  while ((found = ::FindWindowExW(HWND_MESSAGE, found, L"VornadaTimerWindow", nullptr)) != nullptr) {
    if (::GetWindowThreadProcessId(found, nullptr) == ::GetCurrentThreadId()) return found;
  }
  return nullptr;
}

TEST(Timer, NoWindowTimerAvailableFailsWithOutOfResources) {
  // On a thread of its own, whose timer window the test takes away: the system then refuses
  // every new window timer of that thread.
  std::string message;
  std::string class_name;
  bool enabled_after = false;
  std::thread worker([&] {
    TTimer timer(nullptr);
    timer.SetInterval(10);
    timer.SetOnTimer([](TObject*) {});
    const HWND window = FindThreadTimerWindow();
    if (window == nullptr) {
      message = "no timer window found";
      return;
    }
    ::DestroyWindow(window);
    try {
      timer.SetInterval(20);
      message = "no failure";
    } catch (const EOutOfResources& e) {
      message = e.Message();
      class_name = e.ClassName();
    }
    enabled_after = timer.Enabled();
  });
  worker.join();
  EXPECT_EQ(message, "Not enough timers available");
  EXPECT_EQ(class_name, "EOutOfResources");
  EXPECT_TRUE(enabled_after);
}

}  // namespace
}  // namespace vornada
