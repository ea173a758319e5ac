// TFileStream over CreateFileW; threads and the queue of methods they hand to the
// user-interface thread.
#include "Classes_win.h"

#include <algorithm>
#include <deque>

#include "Lock.h"
#include "WinUtil.h"

namespace vornada {

std::wstring ExpandFileName(const std::wstring& file_name) {
  DWORD needed = ::GetFullPathNameW(file_name.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return file_name;
  std::wstring out(needed, L'\0');
  DWORD got = ::GetFullPathNameW(file_name.c_str(), needed, out.data(), nullptr);
  if (got == 0 || got >= needed) return file_name;
  out.resize(got);
  return out;
}

TFileStream::TFileStream(const std::wstring& file_name, unsigned mode) : file_name_(file_name) {
  if (mode == fmCreate) {
    file_.reset(::CreateFileW(file_name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
      const DWORD error = ::GetLastError();
      throw EFCreateError(FormatMessageText(
          msg::kFCreateError,
          {win::Utf8FromWide(ExpandFileName(file_name)), win::SysErrorMessage(error)}));
    }
    return;
  }
  static constexpr DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  static constexpr DWORD kShare[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE};
  const unsigned access = mode & 3;
  const unsigned share = (mode & 0xF0) >> 4;
  file_.reset(::CreateFileW(file_name.c_str(), kAccess[std::min(access, 2u)],
                            kShare[std::min(share, 4u)], nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) {
    const DWORD error = ::GetLastError();
    throw EFOpenError(FormatMessageText(
        msg::kFOpenError,
        {win::Utf8FromWide(ExpandFileName(file_name)), win::SysErrorMessage(error)}));
  }
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  int64_t total = 0;
  auto* out = static_cast<char*>(buffer);
  while (count > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<int64_t>(count, 1 << 30));
    DWORD got = 0;
    if (!::ReadFile(file_.get(), out + total, chunk, &got, nullptr) || got == 0) break;
    total += got;
    count -= got;
  }
  return total;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  int64_t total = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (count > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<int64_t>(count, 1 << 30));
    DWORD put = 0;
    if (!::WriteFile(file_.get(), in + total, chunk, &put, nullptr) || put == 0) break;
    total += put;
    count -= put;
  }
  return total;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  static constexpr DWORD kMethod[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER result;
  if (!::SetFilePointerEx(file_.get(), distance, &result, kMethod[static_cast<int>(origin)]))
    return -1;
  return result.QuadPart;
}

void TFileStream::SetSize(int64_t new_size) {
  const int64_t pos = Position();
  Seek(new_size, TSeekOrigin::soBeginning);
  if (!::SetEndOfFile(file_.get())) throw EWriteError(std::string(msg::kWriteError));
  if (pos < new_size) Seek(pos, TSeekOrigin::soBeginning);
}

}  // namespace vornada

// ---- threads ---------------------------------------------------------------------------------

namespace vornada {

namespace {

struct SyncRequest {
  const std::function<void()>* method;
  std::exception_ptr error;
  HANDLE done;  // an event the waiting thread owns
};

struct SyncQueue {
  Lock lock;
  std::deque<SyncRequest*> pending;
  std::function<void()> wake;
};

SyncQueue& Queue() {
  static SyncQueue* queue = new SyncQueue();  // lives until the process ends
  return *queue;
}

// Recorded at start-up of the program: the thread that runs static initialisation is the one
// that runs the user interface.
const DWORD g_main_thread_id = ::GetCurrentThreadId();

}  // namespace

DWORD MainThreadID() { return g_main_thread_id; }

void SetWakeMainThread(std::function<void()> wake) {
  ScopedLock hold(Queue().lock);
  Queue().wake = std::move(wake);
}

bool CheckSynchronize() {
  if (::GetCurrentThreadId() != g_main_thread_id) return false;
  bool ran = false;
  for (;;) {
    SyncRequest* request = nullptr;
    {
      ScopedLock hold(Queue().lock);
      if (Queue().pending.empty()) break;
      request = Queue().pending.front();
      Queue().pending.pop_front();
    }
    try {
      (*request->method)();
    } catch (...) {
      request->error = std::current_exception();
    }
    ::SetEvent(request->done);
    ran = true;
  }
  return ran;
}

void TThread::Synchronize(const std::function<void()>& method) {
  if (::GetCurrentThreadId() == g_main_thread_id) {
    method();
    return;
  }
  win::UniqueKernelHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done) throw EThread("Cannot create a synchronisation event");
  SyncRequest request{&method, nullptr, done.get()};
  std::function<void()> wake;
  {
    ScopedLock hold(Queue().lock);
    Queue().pending.push_back(&request);
    wake = Queue().wake;
  }
  if (wake) wake();
  ::WaitForSingleObject(done.get(), INFINITE);
  if (request.error) std::rethrow_exception(request.error);
}

TThread::TThread(bool create_suspended) {
  handle_.reset(::CreateThread(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED,
                               &thread_id_));
  if (!handle_) throw EThread("Thread creation error: " + win::SysErrorMessage(::GetLastError()));
  suspend_count_ = 1;
  if (!create_suspended) Resume();
}

TThread::~TThread() {
  if (!finished_.load() && handle_) {
    run_state_.exchange(2);  // a thread that has not started yet skips Execute
    Terminate();
    while (Suspended()) Resume();
    ::WaitForSingleObject(handle_.get(), INFINITE);
  }
}

DWORD WINAPI TThread::ThreadProc(void* self) {
  auto* thread = static_cast<TThread*>(self);
  int not_started = 0;
  if (thread->run_state_.compare_exchange_strong(not_started, 1)) {
    try {
      thread->Execute();
    } catch (...) {
      // A thread's failure ends the thread; it never takes the process down.
    }
  }
  const DWORD result = thread->return_value_;
  const bool free_self = thread->free_on_terminate_;
  if (thread->OnTerminate) {
    try {
      Synchronize([thread] { thread->OnTerminate(thread); });
    } catch (...) {
    }
  }
  thread->finished_.store(true);
  if (free_self) delete thread;
  return result;
}

void TThread::Resume() {
  if (suspend_count_.load() <= 0) return;
  const DWORD previous = ::ResumeThread(handle_.get());
  if (previous == static_cast<DWORD>(-1)) return;
  --suspend_count_;
}

void TThread::Suspend() {
  if (finished_.load()) return;
  if (::SuspendThread(handle_.get()) != static_cast<DWORD>(-1)) ++suspend_count_;
}

DWORD TThread::WaitFor() {
  HANDLE h = handle_.get();
  if (::GetCurrentThreadId() == g_main_thread_id) {
    // Keep serving the thread's Synchronize calls while waiting for it.
    while (::WaitForSingleObject(h, 10) == WAIT_TIMEOUT) CheckSynchronize();
  } else {
    ::WaitForSingleObject(h, INFINITE);
  }
  DWORD code = 0;
  ::GetExitCodeThread(h, &code);
  return code;
}

TThreadPriority TThread::Priority() const {
  switch (::GetThreadPriority(handle_.get())) {
    case THREAD_PRIORITY_IDLE: return TThreadPriority::tpIdle;
    case THREAD_PRIORITY_LOWEST: return TThreadPriority::tpLowest;
    case THREAD_PRIORITY_BELOW_NORMAL: return TThreadPriority::tpLower;
    case THREAD_PRIORITY_ABOVE_NORMAL: return TThreadPriority::tpHigher;
    case THREAD_PRIORITY_HIGHEST: return TThreadPriority::tpHighest;
    case THREAD_PRIORITY_TIME_CRITICAL: return TThreadPriority::tpTimeCritical;
    default: return TThreadPriority::tpNormal;
  }
}

void TThread::SetPriority(TThreadPriority priority) {
  static constexpr int kPriorities[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                                        THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                        THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                        THREAD_PRIORITY_TIME_CRITICAL};
  ::SetThreadPriority(handle_.get(), kPriorities[static_cast<int>(priority)]);
}

}  // namespace vornada
