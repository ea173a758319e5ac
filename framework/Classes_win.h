// The file stream (a TStream over a file opened with the framework's mode and sharing flags)
// and threads with synchronisation to the user-interface thread.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <string>

#include "Classes.h"
#include "WinHandles.h"

namespace vornada {

// Open modes and sharing modes; combine one of each with |.
enum : unsigned {
  fmCreate = 0xFFFF,  // create or truncate, for reading and writing, exclusive
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
};

class TFileStream : public TStream {
 public:
  VORNADA_CLASS_NAME(TFileStream)
  // Fails with EFCreateError ("Cannot create file ...") for fmCreate, EFOpenError otherwise.
  TFileStream(const std::wstring& file_name, unsigned mode);
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t new_size) override;
  HANDLE Handle() const { return file_.get(); }
  const std::wstring& FileName() const { return file_name_; }

 private:
  win::UniqueFile file_;
  std::wstring file_name_;
};

// The full path of a file name, as the error messages show it.
std::wstring ExpandFileName(const std::wstring& file_name);

}  // namespace vornada

// ---- threads ---------------------------------------------------------------------------------

namespace vornada {

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// A thread running `Execute`. Created suspended or running; `Resume` and `Suspend` count like the
// system's suspend count. `Synchronize` runs a method on the user-interface thread while the
// calling thread waits; a failure inside it comes back to the caller. A thread with
// FreeOnTerminate deletes itself when Execute returns.
class TThread : public TObject {
 public:
  VORNADA_CLASS_NAME(TThread)
  explicit TThread(bool create_suspended);
  // Without FreeOnTerminate: tells the thread to end, lets it run if suspended, and waits. A
  // thread that never ran ends without running Execute. A subclass whose Execute uses the
  // subclass's own members ends the thread in its own destructor (Terminate, then WaitFor),
  // because they are gone by the time this destructor runs.
  ~TThread() override;

  void Resume();
  void Suspend();
  bool Suspended() const { return suspend_count_.load() > 0; }
  void Terminate() { terminated_.store(true); }
  bool Terminated() const { return terminated_.load(); }
  // Waits until Execute has returned; gives the exit code.
  DWORD WaitFor();
  bool FreeOnTerminate() const { return free_on_terminate_; }
  void SetFreeOnTerminate(bool value) { free_on_terminate_ = value; }
  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority priority);
  HANDLE Handle() const { return handle_.get(); }
  DWORD ThreadID() const { return thread_id_; }
  bool Finished() const { return finished_.load(); }

  // Runs `method` on the user-interface thread and waits for it; runs it directly when called
  // on that thread.
  static void Synchronize(const std::function<void()>& method);

  TNotifyEvent OnTerminate;  // runs on the user-interface thread when Execute has returned

 protected:
  virtual void Execute() = 0;
  void SetReturnValue(DWORD value) { return_value_ = value; }

 private:
  static DWORD WINAPI ThreadProc(void* self);
  win::UniqueKernelHandle handle_;
  DWORD thread_id_ = 0;
  std::atomic<int> suspend_count_{0};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  // 0 not started, 1 running Execute, 2 given up before it started.
  std::atomic<int> run_state_{0};
  bool free_on_terminate_ = false;
  DWORD return_value_ = 0;
};

// The user-interface thread runs the methods other threads handed to Synchronize; the message
// loop calls it. Returns whether it ran any.
bool CheckSynchronize();
// The thread that runs the user interface (the one that first used the framework's threads or
// the application object).
DWORD MainThreadID();
// Tells the user-interface thread that a method waits (by default it posts a message to the
// application window).
void SetWakeMainThread(std::function<void()> wake);

}  // namespace vornada
