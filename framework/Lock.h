// One lock type for the whole tree: `Lock`, a recursive mutual-exclusion lock (the thread that
// holds it may take it again), with `ScopedLock` holding it for a scope. A lock counts how many
// times it is held (all holds of its one owner together), for tests and diagnostics.
// Portable: no windows.h.
#pragma once

#include <atomic>
#include <mutex>

namespace vornada {

class Lock {
 public:
  Lock() = default;
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  void Enter() {
    mutex_.lock();
    ++holds_;
  }
  bool TryEnter() {
    if (!mutex_.try_lock()) return false;
    ++holds_;
    return true;
  }
  void Leave() {
    --holds_;
    mutex_.unlock();
  }
  // Holds not yet left (0 when the lock is free).
  int HoldCount() const { return holds_.load(); }

 private:
  std::recursive_mutex mutex_;
  std::atomic<int> holds_{0};
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
