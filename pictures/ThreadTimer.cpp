// TThreadTimer and its thread (see ThreadTimer.h for the guarantees and who owns what).
//
// The timer and its thread meet in TimerThreadShared, guarded by one lock; every change of the
// shared state signals an event that wakes the thread, and the end of a tick signals another
// for whoever waits for it. The thread's loop waits on its event for its interval (a kernel
// wait, as fine as the system's timers); the timer changes the state and wakes it. Nothing ever suspends the thread from
// outside: a thread stopped at an arbitrary point could be holding a lock (a canvas lock, the
// heap lock) that the user-interface thread needs next.
#include "ThreadTimer.h"

#include <exception>
#include <utility>

#include "Forms.h"
#include "Lock.h"

namespace vornada {

// Every field is guarded by `lock`; `wake` is signalled after every change (only the thread
// waits on it) and `tick_ended` whenever a tick ends or the thread leaves. Both events reset
// themselves when a waiter wakes; waiters look at the state again whichever way they woke.
struct TimerThreadShared {
  Lock lock;
  win::UniqueKernelHandle wake{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  win::UniqueKernelHandle tick_ended{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  void Changed() { ::SetEvent(wake.get()); }
  void TickEnded() { ::SetEvent(tick_ended.get()); }

  // The timer's properties.
  TThreadTimer* owner = nullptr;  // null once the timer is being destroyed
  TNotifyEvent on_timer;
  bool enabled = true;
  uint32_t interval = 1000;
  bool sync_event = true;
  bool threaded = true;
  TThreadPriority priority = TThreadPriority::tpNormal;

  // The thread.
  TTimerThread* thread = nullptr;  // the running thread object; it frees itself as it ends
  uint32_t wait_interval = 1000;   // the interval the thread waits for
  bool paused = true;              // the thread waits without ticking
  bool terminate = false;          // the thread leaves its loop
  uint64_t generation = 0;         // bumped to make a waiting thread start its wait again
  DWORD thread_id = 0;
  bool thread_alive = false;

  // The tick in progress.
  bool ticking = false;           // the thread is inside a tick: owner code may run
  DWORD running_thread = 0;       // the thread running owner code (timer or user interface)
  int ui_serving = 0;             // the user-interface thread runs a method a tick waits for
  std::exception_ptr last_error;  // the failure of the last tick that failed on the thread
};

namespace {

// The shared lock taken for a scope, let go of while the holder waits for an event and taken
// again afterwards. The lock must be held once only.
class SharedState {
 public:
  explicit SharedState(TimerThreadShared& shared) : shared_(shared) { Enter(); }
  ~SharedState() {
    if (held_) Leave();
  }
  SharedState(const SharedState&) = delete;
  SharedState& operator=(const SharedState&) = delete;

  void Enter() {
    shared_.lock.Enter();
    held_ = true;
  }
  void Leave() {
    held_ = false;
    shared_.lock.Leave();
  }
  // Waits (without the lock) for a change of the state, at most `ms` milliseconds.
  void WaitForChange(DWORD ms = INFINITE) { WaitFor(shared_.wake.get(), ms); }
  // Waits (without the lock) for the end of a tick, at most `ms` milliseconds.
  void WaitForTickEnd(DWORD ms) { WaitFor(shared_.tick_ended.get(), ms); }

 private:
  void WaitFor(HANDLE event, DWORD ms) {
    Leave();
    ::WaitForSingleObject(event, ms);
    Enter();
  }

 private:
  TimerThreadShared& shared_;
  bool held_ = false;
};

constexpr wchar_t kMessageWindowClass[] = L"VornadaThreadTimerWindow";
constexpr UINT_PTR kWindowTimerId = 1;

bool OnUserInterfaceThread() { return ::GetCurrentThreadId() == MainThreadID(); }

// Milliseconds of a steady clock finer than the system tick (waits of a few milliseconds must
// not stretch to the tick's 10 to 16 ms).
uint64_t SteadyMilliseconds() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return static_cast<uint64_t>(now.QuadPart / frequency * 1000 +
                               now.QuadPart % frequency * 1000 / frequency);
}

}  // namespace

// ---- the thread ------------------------------------------------------------------------------

class TTimerThread : public TThread {
 public:
  VORNADA_CLASS_NAME(TTimerThread)
  // Created with the shared lock held.
  explicit TTimerThread(std::shared_ptr<TimerThreadShared> shared)
      : TThread(true), shared_(std::move(shared)) {
    SetFreeOnTerminate(true);
    shared_->thread = this;
    shared_->thread_id = ThreadID();
    shared_->thread_alive = true;
  }

 protected:
  void Execute() override;

 private:
  // Runs the owner's FireTimer on the user-interface thread while this thread waits. A tick
  // that reaches the user-interface thread after the timer is gone does nothing; a failure is
  // reported there, as a window timer's would be.
  void TickOnUserInterfaceThread();
  void Tick(TThreadTimer* timer, bool sync);
  void Loop();
  // The thread is leaving: the timer no longer waits for it or refers to it.
  void Leaving();

  std::shared_ptr<TimerThreadShared> shared_;
};

void TTimerThread::TickOnUserInterfaceThread() {
  std::shared_ptr<TimerThreadShared> shared = shared_;
  TThread::Synchronize([shared] {
    TThreadTimer* timer = nullptr;
    DWORD waiting_thread = 0;
    {
      ScopedLock lock(shared->lock);
      timer = shared->owner;
      if (timer == nullptr) return;
      waiting_thread = shared->running_thread;
      shared->running_thread = ::GetCurrentThreadId();
    }
    try {
      timer->FireTimer();  // may destroy the timer: only `shared` is used after it
    } catch (...) {
      Application()->HandleException(std::current_exception());
    }
    ScopedLock lock(shared->lock);
    shared->running_thread = waiting_thread;
  });
}

void TTimerThread::Tick(TThreadTimer* timer, bool sync) {
  try {
    if (sync) {
      TickOnUserInterfaceThread();
    } else {
      timer->FireTimer();
    }
  } catch (...) {
    // Kept and reported from this thread; the loop goes on either way.
    std::exception_ptr error = std::current_exception();
    {
      ScopedLock lock(shared_->lock);
      shared_->last_error = error;
    }
    try {
      Application()->HandleException(error);
    } catch (...) {
      // A failing report must not end the thread.
    }
  }
}

void TTimerThread::Execute() {
  try {
    Loop();
  } catch (...) {
    // The loop itself does not fail; should it ever, the timer must not wait for a tick that
    // will never end.
  }
  Leaving();
}

void TTimerThread::Leaving() {
  ScopedLock lock(shared_->lock);
  shared_->ticking = false;
  shared_->running_thread = 0;
  shared_->thread_alive = false;
  if (shared_->thread == this) shared_->thread = nullptr;
  shared_->TickEnded();
}

void TTimerThread::Loop() {
  TimerThreadShared& s = *shared_;
  const DWORD self = ::GetCurrentThreadId();
  // Held except while a tick runs and while waiting.
  SharedState state(s);
  for (;;) {
    if (s.terminate || Terminated()) break;
    if (s.paused) {
      state.WaitForChange();
      continue;
    }
    // Wait for the interval; any change of the state (pause, end, a new interval) starts over.
    const uint64_t generation = s.generation;
    const uint32_t interval = s.wait_interval;
    const uint64_t start = SteadyMilliseconds();
    bool elapsed = false;
    while (!s.terminate && !s.paused && generation == s.generation) {
      const uint64_t waited = SteadyMilliseconds() - start;
      if (waited >= interval) {
        elapsed = true;
        break;
      }
      state.WaitForChange(static_cast<DWORD>(interval - waited));
    }
    if (!elapsed) continue;
    TThreadTimer* timer = s.owner;
    if (timer == nullptr || !s.enabled || Application()->Terminated()) continue;
    const bool sync = s.sync_event;
    s.ticking = true;
    s.running_thread = self;
    state.Leave();
    Tick(timer, sync);
    state.Enter();
    s.ticking = false;
    s.running_thread = 0;
    s.TickEnded();
  }
}

// ---- the timer -------------------------------------------------------------------------------

TThreadTimer::TThreadTimer(TComponent* owner)
    : TComponent(owner), shared_(std::make_shared<TimerThreadShared>()) {
  Application();  // the application object exists before any tick may report through it
  ScopedLock lock(shared_->lock);
  shared_->owner = this;
  // No thread yet: ApplyTimerState makes it when the timer first has ticks to wait for. A
  // process with a second thread, even a waiting one, pays for it on every call into the system
  // (the C library's thread-safe paths; under Wine about half again the CPU time of each idle
  // timer tick), and the main window's animator ticks only after the password is accepted.
}

TThreadTimer::~TThreadTimer() {
  Destroying();
  {
    ScopedLock lock(shared_->lock);
    shared_->enabled = false;
    shared_->on_timer = nullptr;
    shared_->owner = nullptr;
    if (shared_->thread != nullptr) shared_->thread->Terminate();
    shared_->terminate = true;
    shared_->Changed();
  }
  WaitForTickEnd();
  ReleaseMessageWindow();
}

bool TThreadTimer::ThreadRunning() const {
  ScopedLock lock(shared_->lock);
  return shared_->thread_alive && !shared_->paused && !shared_->terminate;
}

bool TThreadTimer::Enabled() const {
  ScopedLock lock(shared_->lock);
  return shared_->enabled;
}

void TThreadTimer::SetEnabled(bool value) {
  {
    ScopedLock lock(shared_->lock);
    if (value == shared_->enabled) return;
    shared_->enabled = value;
  }
  ApplyTimerState();
  if (!value) WaitForTickEnd();
}

uint32_t TThreadTimer::Interval() const {
  ScopedLock lock(shared_->lock);
  return shared_->interval;
}

void TThreadTimer::SetInterval(uint32_t value) {
  {
    ScopedLock lock(shared_->lock);
    if (value == shared_->interval) return;
    shared_->interval = value;
  }
  ApplyTimerState();
}

bool TThreadTimer::SyncEvent() const {
  ScopedLock lock(shared_->lock);
  return shared_->sync_event;
}

void TThreadTimer::SetSyncEvent(bool value) {
  ScopedLock lock(shared_->lock);
  shared_->sync_event = value;
}

bool TThreadTimer::Threaded() const {
  ScopedLock lock(shared_->lock);
  return shared_->threaded;
}

void TThreadTimer::SetThreaded(bool value) {
  {
    ScopedLock lock(shared_->lock);
    if (value == shared_->threaded) return;
    shared_->threaded = value;
  }
  ApplyTimerState();
}

TThreadPriority TThreadTimer::ThreadPriority() const {
  ScopedLock lock(shared_->lock);
  return shared_->priority;
}

void TThreadTimer::SetThreadPriority(TThreadPriority value) {
  bool threaded = false;
  {
    ScopedLock lock(shared_->lock);
    if (value == shared_->priority) return;
    shared_->priority = value;
    threaded = shared_->threaded;
  }
  if (threaded) ApplyTimerState();
}

TNotifyEvent TThreadTimer::OnTimer() const {
  ScopedLock lock(shared_->lock);
  return shared_->on_timer;
}

void TThreadTimer::SetOnTimer(TNotifyEvent handler) {
  bool had = false;
  const bool has = static_cast<bool>(handler);
  {
    ScopedLock lock(shared_->lock);
    had = static_cast<bool>(shared_->on_timer);
    shared_->on_timer = std::move(handler);
  }
  if (had != has) {
    ApplyTimerState();
    if (!has) WaitForTickEnd();
  }
}

void TThreadTimer::FireTimer() {
  TNotifyEvent handler;
  {
    ScopedLock lock(shared_->lock);
    if (!shared_->enabled || shared_->owner == nullptr) return;
    handler = shared_->on_timer;
  }
  // The component's destroying state is the user-interface thread's to read; on the timer
  // thread the cleared owner above tells that the timer is going.
  if (OnUserInterfaceThread() && IsDestroying()) return;
  if (handler) handler(this);
}

void TThreadTimer::ApplyTimerState() {
  // Windowed mode is only handled on the user-interface thread, which owns the window.
  const bool destroying = OnUserInterfaceThread() && IsDestroying();
  bool threaded = true;
  bool runs = false;
  uint32_t interval = 0;
  {
    ScopedLock lock(shared_->lock);
    TimerThreadShared& s = *shared_;
    threaded = s.threaded;
    interval = s.interval;
    runs = s.interval != 0 && s.enabled && s.on_timer && s.owner != nullptr && !destroying;
    if (threaded && runs && !s.thread_alive) {
      s.terminate = false;
      (new TTimerThread(shared_))->Resume();
    }
    s.wait_interval = s.interval;
    s.paused = !threaded || !runs;
    ++s.generation;
    if (threaded && runs && s.thread != nullptr) s.thread->SetPriority(s.priority);
    s.Changed();
  }
  if (!OnUserInterfaceThread()) return;
  if (threaded) {
    ReleaseMessageWindow();
  } else {
    ApplyWindowTimer(runs, interval);
  }
}

void TThreadTimer::ApplyWindowTimer(bool runs, uint32_t interval) {
  if (window_) {
    if (window_timer_) ::KillTimer(window_.get(), kWindowTimerId);
    window_timer_ = false;
  } else {
    static const ATOM registered = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = &TThreadTimer::MessageWindowProc;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.lpszClassName = kMessageWindowClass;
      return ::RegisterClassExW(&wc);
    }();
    (void)registered;
    window_.reset(::CreateWindowExW(0, kMessageWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                    nullptr, ::GetModuleHandleW(nullptr), nullptr));
    if (window_)
      ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  if (runs) {
    if (!window_ || ::SetTimer(window_.get(), kWindowTimerId, interval, nullptr) == 0)
      throw EOutOfResources(std::string(msg::kOutOfTimers));
    window_timer_ = true;
  }
}

void TThreadTimer::ReleaseMessageWindow() {
  if (!window_) return;
  ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  if (window_timer_) ::KillTimer(window_.get(), kWindowTimerId);
  window_timer_ = false;
  window_.reset();
}

LRESULT CALLBACK TThreadTimer::MessageWindowProc(HWND hwnd, UINT msg, WPARAM wparam,
                                                 LPARAM lparam) {
  if (msg == WM_TIMER) {
    auto* timer = reinterpret_cast<TThreadTimer*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (timer != nullptr) {
      try {
        timer->FireTimer();
      } catch (...) {
        Application()->HandleException(std::current_exception());
      }
    }
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wparam, lparam);
}

bool TThreadTimer::RunOnUIThread(const std::function<void()>& method) {
  std::shared_ptr<TimerThreadShared> shared = shared_;  // `this` may be gone after `method`
  bool hand_over = !OnUserInterfaceThread();
  {
    ScopedLock lock(shared->lock);
    if (!shared->thread_alive || shared->terminate) hand_over = false;
  }
  if (!hand_over) {
    method();
  } else {
    TThread::Synchronize([&shared, &method] {
      {
        ScopedLock lock(shared->lock);
        if (shared->owner == nullptr) return;  // the timer went while the method waited
        ++shared->ui_serving;
      }
      struct Served {
        TimerThreadShared& s;
        ~Served() {
          ScopedLock lock(s.lock);
          --s.ui_serving;
        }
      } served{*shared};
      method();
    });
  }
  ScopedLock lock(shared->lock);
  return shared->owner != nullptr;
}

void TThreadTimer::WaitForTickEnd() {
  std::shared_ptr<TimerThreadShared> shared = shared_;
  const DWORD self = ::GetCurrentThreadId();
  const bool ui = self == MainThreadID();
  SharedState state(*shared);
  for (;;) {
    if (!shared->ticking || !shared->thread_alive || shared->running_thread == self) return;
    // The user-interface thread inside a method that the tick waits for cannot wait for it.
    if (ui && shared->ui_serving > 0) return;
    if (!ui) {
      // Another waiter may have taken the signal: look again now and then.
      state.WaitForTickEnd(10);
      continue;
    }
    // Keep serving what the tick may be waiting for: methods handed to this thread and
    // messages sent to its windows.
    state.Leave();
    CheckSynchronize();
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    state.Enter();
    if (shared->ticking && shared->running_thread != self) state.WaitForTickEnd(2);
  }
}

}  // namespace vornada
