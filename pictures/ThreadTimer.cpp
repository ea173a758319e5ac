// TThreadTimer and its thread (see ThreadTimer.h for the guarantees and who owns what).
//
// The timer and its thread meet in TimerThreadShared, guarded by one critical section with one
// condition variable that every change of the shared state signals. The thread's loop waits
// there for its interval; the timer changes the state and wakes it. Nothing ever suspends the
// thread from outside: a thread stopped at an arbitrary point could be holding a lock (a canvas
// lock, the heap lock) that the user-interface thread needs next.
#include "ThreadTimer.h"

#include <exception>
#include <utility>

#include "Forms.h"

namespace vornada {

struct TimerThreadShared {
  TimerThreadShared() {
    ::InitializeCriticalSection(&lock);
    ::InitializeConditionVariable(&changed);
  }
  ~TimerThreadShared() { ::DeleteCriticalSection(&lock); }
  TimerThreadShared(const TimerThreadShared&) = delete;
  TimerThreadShared& operator=(const TimerThreadShared&) = delete;

  CRITICAL_SECTION lock;
  CONDITION_VARIABLE changed;

  // Written by the timer, read by the thread.
  TThreadTimer* owner = nullptr;  // null once the timer is being destroyed
  TNotifyEvent on_timer;
  bool enabled = true;
  bool sync_event = true;
  uint32_t interval = 1000;       // the thread's copy of the interval
  bool paused = true;             // the thread waits without ticking
  bool terminate = false;         // the thread leaves its loop
  uint64_t generation = 0;        // bumped to make a waiting thread start its wait again

  // The tick in progress.
  bool ticking = false;           // the thread is inside a tick: owner code may run
  DWORD running_thread = 0;       // the thread running owner code (timer or user interface)
  int ui_serving = 0;             // the user-interface thread runs a method a tick waits for
  DWORD thread_id = 0;
  bool thread_alive = false;
  std::exception_ptr last_error;  // the failure of the last tick that failed on the thread
};

namespace {

class SharedLock {
 public:
  explicit SharedLock(TimerThreadShared& shared) : shared_(shared) {
    ::EnterCriticalSection(&shared_.lock);
  }
  ~SharedLock() { ::LeaveCriticalSection(&shared_.lock); }
  SharedLock(const SharedLock&) = delete;
  SharedLock& operator=(const SharedLock&) = delete;

 private:
  TimerThreadShared& shared_;
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
  explicit TTimerThread(std::shared_ptr<TimerThreadShared> shared)
      : TThread(true), shared_(std::move(shared)) {
    SetFreeOnTerminate(true);
    SharedLock lock(*shared_);
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

  std::shared_ptr<TimerThreadShared> shared_;
};

void TTimerThread::TickOnUserInterfaceThread() {
  std::shared_ptr<TimerThreadShared> shared = shared_;
  TThread::Synchronize([shared] {
    TThreadTimer* timer = nullptr;
    DWORD waiting_thread = 0;
    {
      SharedLock lock(*shared);
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
    SharedLock lock(*shared);
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
      SharedLock lock(*shared_);
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
    SharedLock lock(*shared_);
    shared_->ticking = false;
    shared_->running_thread = 0;
    shared_->thread_alive = false;
    ::WakeAllConditionVariable(&shared_->changed);
  }
}

void TTimerThread::Loop() {
  TimerThreadShared& s = *shared_;
  const DWORD self = ::GetCurrentThreadId();
  // The shared lock, held except while a tick runs; let go of on the way out whatever happens.
  class HeldLock {
   public:
    explicit HeldLock(CRITICAL_SECTION& cs) : cs_(cs) { Enter(); }
    ~HeldLock() {
      if (held_) Leave();
    }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;
    void Enter() {
      ::EnterCriticalSection(&cs_);
      held_ = true;
    }
    void Leave() {
      held_ = false;
      ::LeaveCriticalSection(&cs_);
    }

   private:
    CRITICAL_SECTION& cs_;
    bool held_ = false;
  } lock(s.lock);
  for (;;) {
    if (s.terminate || Terminated()) break;
    if (s.paused) {
      ::SleepConditionVariableCS(&s.changed, &s.lock, INFINITE);
      continue;
    }
    // Wait for the interval; any change of the state (pause, end, a new interval) starts over.
    const uint64_t generation = s.generation;
    const uint32_t interval = s.interval;
    const uint64_t start = SteadyMilliseconds();
    bool elapsed = false;
    while (!s.terminate && !s.paused && generation == s.generation) {
      const uint64_t waited = SteadyMilliseconds() - start;
      if (waited >= interval) {
        elapsed = true;
        break;
      }
      ::SleepConditionVariableCS(&s.changed, &s.lock, static_cast<DWORD>(interval - waited));
    }
    if (!elapsed) continue;
    TThreadTimer* timer = s.owner;
    if (timer == nullptr || !s.enabled || Application()->Terminated()) continue;
    const bool sync = s.sync_event;
    s.ticking = true;
    s.running_thread = self;
    lock.Leave();
    Tick(timer, sync);
    lock.Enter();
    s.ticking = false;
    s.running_thread = 0;
    ::WakeAllConditionVariable(&s.changed);
  }
  s.thread_alive = false;
  ::WakeAllConditionVariable(&s.changed);
}

// ---- the timer -------------------------------------------------------------------------------

TThreadTimer::TThreadTimer(TComponent* owner)
    : TComponent(owner), shared_(std::make_shared<TimerThreadShared>()) {
  Application();  // the application object exists before any tick may report through it
  shared_->owner = this;
  StartThreadIfEnded();
}

TThreadTimer::~TThreadTimer() {
  Destroying();
  {
    SharedLock lock(*shared_);
    enabled_ = false;
    shared_->enabled = false;
    shared_->on_timer = nullptr;
    shared_->owner = nullptr;
    if (shared_->thread_alive && thread_ != nullptr) thread_->Terminate();
    shared_->terminate = true;
    ::WakeAllConditionVariable(&shared_->changed);
  }
  WaitForTickEnd();
  thread_ = nullptr;  // it frees itself as its loop ends
  ReleaseMessageWindow();
}

void TThreadTimer::StartThreadIfEnded() {
  {
    SharedLock lock(*shared_);
    if (shared_->thread_alive) return;
    shared_->terminate = false;
  }
  thread_ = new TTimerThread(shared_);
  thread_->Resume();
}

bool TThreadTimer::ThreadRunning() const {
  SharedLock lock(*shared_);
  return shared_->thread_alive && !shared_->paused && !shared_->terminate;
}

void TThreadTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  {
    SharedLock lock(*shared_);
    shared_->enabled = value;
  }
  ApplyTimerState();
  if (!value) WaitForTickEnd();
}

void TThreadTimer::SetInterval(uint32_t value) {
  if (value == interval_) return;
  interval_ = value;
  ApplyTimerState();
}

void TThreadTimer::SetSyncEvent(bool value) {
  sync_event_ = value;
  SharedLock lock(*shared_);
  shared_->sync_event = value;
}

void TThreadTimer::SetThreaded(bool value) {
  if (value == threaded_) return;
  threaded_ = value;
  ApplyTimerState();
}

void TThreadTimer::SetThreadPriority(TThreadPriority value) {
  if (value == priority_) return;
  priority_ = value;
  if (threaded_) ApplyTimerState();
}

TNotifyEvent TThreadTimer::OnTimer() const {
  SharedLock lock(*shared_);
  return shared_->on_timer;
}

void TThreadTimer::SetOnTimer(TNotifyEvent handler) {
  bool had = false;
  const bool has = static_cast<bool>(handler);
  {
    SharedLock lock(*shared_);
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
    SharedLock lock(*shared_);
    if (!shared_->enabled || shared_->owner == nullptr) return;
    handler = shared_->on_timer;
  }
  if (!IsDestroying() && handler) handler(this);
}

void TThreadTimer::ApplyTimerState() {
  const bool has_handler = static_cast<bool>(OnTimer());
  const bool runs = interval_ != 0 && enabled_ && has_handler && !IsDestroying();
  if (threaded_) {
    ReleaseMessageWindow();
    if (runs) StartThreadIfEnded();
    {
      SharedLock lock(*shared_);
      shared_->interval = interval_;
      shared_->paused = !runs;
      ++shared_->generation;
      ::WakeAllConditionVariable(&shared_->changed);
    }
    if (runs && thread_ != nullptr) thread_->SetPriority(priority_);
    return;
  }
  {
    SharedLock lock(*shared_);
    shared_->paused = true;
    ++shared_->generation;
    ::WakeAllConditionVariable(&shared_->changed);
  }
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
    if (!window_ || ::SetTimer(window_.get(), kWindowTimerId, interval_, nullptr) == 0)
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
    SharedLock lock(*shared);
    if (!shared->thread_alive || shared->terminate) hand_over = false;
  }
  if (!hand_over) {
    method();
  } else {
    TThread::Synchronize([&shared, &method] {
      {
        SharedLock lock(*shared);
        if (shared->owner == nullptr) return;  // the timer went while the method waited
        ++shared->ui_serving;
      }
      struct Served {
        TimerThreadShared& s;
        ~Served() {
          SharedLock lock(s);
          --s.ui_serving;
        }
      } served{*shared};
      method();
    });
  }
  SharedLock lock(*shared);
  return shared->owner != nullptr;
}

void TThreadTimer::WaitForTickEnd() {
  std::shared_ptr<TimerThreadShared> shared = shared_;
  const DWORD self = ::GetCurrentThreadId();
  const bool ui = self == MainThreadID();
  SharedLock lock(*shared);
  for (;;) {
    if (!shared->ticking || !shared->thread_alive || shared->running_thread == self) return;
    // The user-interface thread inside a method that the tick waits for cannot wait for it.
    if (ui && shared->ui_serving > 0) return;
    if (!ui) {
      ::SleepConditionVariableCS(&shared->changed, &shared->lock, INFINITE);
      continue;
    }
    // Keep serving what the tick may be waiting for: methods handed to this thread and
    // messages sent to its windows.
    ::LeaveCriticalSection(&shared->lock);
    CheckSynchronize();
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    ::EnterCriticalSection(&shared->lock);
    if (shared->ticking && shared->running_thread != self)
      ::SleepConditionVariableCS(&shared->changed, &shared->lock, 2);
  }
}

}  // namespace vornada
