// TThreadTimer: a timer component that waits on a thread of its own (threaded mode) or on a
// window timer of a hidden message window (windowed mode), and runs its OnTimer handler either
// on the user-interface thread or, with SyncEvent off, on the timer thread itself.
//
// Ownership and lifetime: the timer owns its message window and window timer. Its thread
// (TTimerThread) is made when the timer first ticks in threaded mode and frees itself when its
// loop ends, which happens when the timer is destroyed; the state both share lives in a
// reference-counted block that outlives whichever goes first.
//
// Threads and locks: the properties (Enabled, Interval, SyncEvent, Threaded, ThreadPriority,
// OnTimer) and everything the timer thread reads live in that shared block under its one lock,
// so they may be read and set from any thread (a tick on the timer thread sets the interval of
// the next wait). The message window of windowed mode belongs to the thread that created it,
// the user-interface thread: windowed mode is switched on, off and retimed there.
//
// Guarantees:
//  - an interval change made inside a tick (on the timer thread) takes effect for the next
//    wait; a change from another thread restarts the current wait with the new interval;
//  - the thread is never stopped inside a tick or while it holds a lock: pausing it is a
//    request it honours at a safe point of its loop;
//  - once Enabled is False, the handler is removed or the timer is destroyed, no tick runs any
//    more (a tick in progress on the timer thread is waited for, while the waiting
//    user-interface thread keeps serving what that tick may wait for), except when the call
//    comes from inside that very tick;
//  - a tick handed to the user-interface thread does not run after the timer is destroyed;
//  - a failure in a tick is reported (EAbort silently, others through the application's
//    exception handling) and the timer keeps running.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "Classes_win.h"
#include "WinHandles.h"

namespace vornada {

struct TimerThreadShared;
class TTimerThread;

class TThreadTimer : public TComponent {
 public:
  VORNADA_CLASS_NAME(TThreadTimer)
  explicit TThreadTimer(TComponent* owner);
  ~TThreadTimer() override;

  bool Enabled() const;
  void SetEnabled(bool value);
  // Milliseconds between ticks; 0 stops the timer.
  uint32_t Interval() const;
  void SetInterval(uint32_t value);
  // Threaded mode: run OnTimer on the user-interface thread (the timer thread waits for it).
  bool SyncEvent() const;
  void SetSyncEvent(bool value);
  // Wait on a thread instead of a window timer.
  bool Threaded() const;
  void SetThreaded(bool value);
  TThreadPriority ThreadPriority() const;
  void SetThreadPriority(TThreadPriority value);
  TNotifyEvent OnTimer() const;
  void SetOnTimer(TNotifyEvent handler);

  // Runs `method` on the user-interface thread: directly when called there (or when there is
  // no running timer thread), otherwise handed to the framework's synchronisation while the
  // calling thread waits. A method handed over after the timer was destroyed does not run.
  // Returns whether the timer still exists afterwards (the method may have destroyed it; when
  // it returns false, the caller must not touch the timer or what owns it any more).
  bool RunOnUIThread(const std::function<void()>& method);

  // True while the timer thread waits for ticks (neither paused nor ended).
  bool ThreadRunning() const;

 protected:
  // Calls OnTimer when the timer is enabled, not being destroyed and has a handler.
  virtual void FireTimer();
  void ApplyTimerState();

 private:
  friend class TTimerThread;
  static LRESULT CALLBACK MessageWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  // Windowed mode, on the user-interface thread: (re)starts or stops the window timer.
  void ApplyWindowTimer(bool runs, uint32_t interval);
  void ReleaseMessageWindow();
  // Waits until no tick runs on the timer thread (see the guarantees above).
  void WaitForTickEnd();

  std::shared_ptr<TimerThreadShared> shared_;  // set once by the constructor
  // Windowed mode, touched on the user-interface thread only.
  win::UniqueWindow window_;
  bool window_timer_ = false;
};

}  // namespace vornada
