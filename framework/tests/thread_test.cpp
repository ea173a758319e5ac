// Threads: suspended start and resume, Synchronize running methods on the user-interface thread
// while the caller waits (failures come back to the caller), WaitFor serving those calls, the
// end-of-thread event, and threads that free themselves.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "Classes_win.h"
#include "Forms.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::PumpMessages;

class LambdaThread : public TThread {
 public:
  LambdaThread(bool suspended, std::function<void(LambdaThread&)> body)
      : TThread(true), body_(std::move(body)) {
    if (!suspended) Resume();
  }
  ~LambdaThread() override { destroyed = true; }
  using TThread::SetReturnValue;
  static inline std::atomic<bool> destroyed{false};

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(LambdaThread&)> body_;
};

TEST(ThreadTest, SuspendedThreadRunsOnlyAfterResume) {
  std::atomic<int> runs{0};
  LambdaThread thread(true, [&](LambdaThread&) { ++runs; });
  ::Sleep(50);
  EXPECT_TRUE(thread.Suspended());
  EXPECT_EQ(runs, 0);
  thread.Resume();
  EXPECT_FALSE(thread.Suspended());
  thread.WaitFor();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(thread.Finished());
}

TEST(ThreadTest, SynchronizeRunsOnTheUserInterfaceThreadAndWaits) {
  Application();  // the application window carries the wake-up messages
  std::vector<DWORD> ran_on;
  std::atomic<bool> returned{false};
  LambdaThread thread(false, [&](LambdaThread&) {
    for (int i = 0; i < 20; ++i) TThread::Synchronize([&] { ran_on.push_back(::GetCurrentThreadId()); });
    returned = true;
  });
  PumpMessages(5000, [&] { return returned.load(); });
  thread.WaitFor();
  ASSERT_EQ(ran_on.size(), 20u);
  for (DWORD id : ran_on) EXPECT_EQ(id, ::GetCurrentThreadId());
  EXPECT_EQ(MainThreadID(), ::GetCurrentThreadId());
}

TEST(ThreadTest, FailureInsideSynchronizeComesBackToTheCaller) {
  std::atomic<int> caught{0};
  LambdaThread thread(false, [&](LambdaThread&) {
    try {
      TThread::Synchronize([] { throw EInvalidOperation("from the user-interface thread"); });
    } catch (const EInvalidOperation& e) {
      if (e.Message() == "from the user-interface thread") ++caught;
    }
  });
  // WaitFor on the user-interface thread serves the call while it waits.
  thread.WaitFor();
  EXPECT_EQ(caught, 1);
}

TEST(ThreadTest, SynchronizeOnTheUserInterfaceThreadRunsDirectly) {
  bool ran = false;
  TThread::Synchronize([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST(ThreadTest, TerminateIsSeenByTheLoopAndTheExitCodeComesBack) {
  LambdaThread thread(false, [](LambdaThread& self) {
    while (!self.Terminated()) ::Sleep(1);
    self.SetReturnValue(7);
  });
  ::Sleep(20);
  thread.Terminate();
  EXPECT_EQ(thread.WaitFor(), 7u);
}

TEST(ThreadTest, OnTerminateRunsOnTheUserInterfaceThreadAndFreeOnTerminateFrees) {
  LambdaThread::destroyed = false;
  DWORD terminate_thread = 0;
  auto* thread = new LambdaThread(true, [](LambdaThread&) {});
  thread->OnTerminate = [&](TObject*) { terminate_thread = ::GetCurrentThreadId(); };
  thread->SetFreeOnTerminate(true);
  thread->Resume();
  PumpMessages(5000, [] { return LambdaThread::destroyed.load(); });
  EXPECT_TRUE(LambdaThread::destroyed);
  EXPECT_EQ(terminate_thread, ::GetCurrentThreadId());
}

TEST(ThreadTest, AFailingExecuteEndsOnlyTheThread) {
  LambdaThread thread(false, [](LambdaThread&) { throw std::runtime_error("inside the thread"); });
  thread.WaitFor();
  EXPECT_TRUE(thread.Finished());
}

TEST(ThreadTest, FreeingAThreadThatNeverRanEndsItWithoutRunningIt) {
  std::atomic<bool> ran{false};
  HANDLE handle_copy = nullptr;
  {
    LambdaThread thread(true, [&](LambdaThread&) { ran = true; });
    ::DuplicateHandle(::GetCurrentProcess(), thread.Handle(), ::GetCurrentProcess(), &handle_copy,
                      0, FALSE, DUPLICATE_SAME_ACCESS);
  }
  EXPECT_EQ(::WaitForSingleObject(handle_copy, 0), WAIT_OBJECT_0) << "the thread still runs";
  ::CloseHandle(handle_copy);
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace vornada
