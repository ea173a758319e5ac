// One lock type for the whole tree: `Lock`, a recursive mutual-exclusion lock (the thread that
// holds it may take it again), with `ScopedLock` holding it for a scope. Portable: no windows.h.
#pragma once

#include <mutex>

namespace vornada {

class Lock {
 public:
  Lock() = default;
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  void Enter() { mutex_.lock(); }
  bool TryEnter() { return mutex_.try_lock(); }
  void Leave() { mutex_.unlock(); }

 private:
  std::recursive_mutex mutex_;
};

class ScopedLock {
 public:
  explicit ScopedLock(Lock& lock) : lock_(lock) { lock_.Enter(); }
  ~ScopedLock() { lock_.Leave(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  Lock& lock_;
};

}  // namespace vornada
