// The memory budget of one picture: how many bytes the picture's data may hold at once (pixel
// stores, decoded frames, compressed data kept from the file, compositions and the working
// buffers of reading and writing). Every allocation of such data first takes its size from the
// budget and gives it back when the data goes, so that a small file that declares huge images
// fails with the picture's out-of-memory error instead of making the process allocate
// gigabytes. The default fits every real picture; a picture's budget can be set.
//
// Ownership: a picture holds its budget through a shared_ptr; every share taken from it holds
// the budget too, so data that outlives its picture (frame data shared with a copy) still gives
// its bytes back safely. Shares can be taken and given back from any thread.
// Portable: no platform headers.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>

namespace vornada::pictures {

class MemoryBudget {
 public:
  // 512 MiB: a 8192 x 8192 picture in 32-bit colour twice over, far beyond what a control shows.
  static constexpr uint64_t kDefaultLimit = uint64_t{512} << 20;

  explicit MemoryBudget(uint64_t limit = kDefaultLimit) : limit_(limit) {}
  MemoryBudget(const MemoryBudget&) = delete;
  MemoryBudget& operator=(const MemoryBudget&) = delete;

  uint64_t Limit() const { return limit_.load(); }
  // A new limit applies to what is taken from then on; what is held stays held.
  void SetLimit(uint64_t bytes) { limit_.store(bytes); }
  // Bytes held now.
  uint64_t Used() const { return used_.load(); }

  // Takes `bytes` when they fit under the limit together with what is held; otherwise takes
  // nothing and answers false.
  bool TryTake(uint64_t bytes) {
    uint64_t used = used_.load();
    for (;;) {
      const uint64_t limit = limit_.load();
      if (bytes > limit || used > limit - bytes) return false;
      if (used_.compare_exchange_weak(used, used + bytes)) return true;
    }
  }
  void Give(uint64_t bytes) { used_.fetch_sub(bytes); }

 private:
  std::atomic<uint64_t> limit_;
  std::atomic<uint64_t> used_{0};
};

// Bytes taken from a budget, held until the share goes (or is reset). Move-only; an empty
// share holds nothing.
class BudgetShare {
 public:
  BudgetShare() = default;
  BudgetShare(BudgetShare&& other) noexcept
      : budget_(std::move(other.budget_)), bytes_(std::exchange(other.bytes_, 0)) {}
  BudgetShare& operator=(BudgetShare&& other) noexcept {
    if (this != &other) {
      Reset();
      budget_ = std::move(other.budget_);
      bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
  }
  BudgetShare(const BudgetShare&) = delete;
  BudgetShare& operator=(const BudgetShare&) = delete;
  ~BudgetShare() { Reset(); }

  // `bytes` of `budget`; false (and the share left as it was) when they do not fit.
  bool TryTake(const std::shared_ptr<MemoryBudget>& budget, uint64_t bytes) {
    if (!budget->TryTake(bytes)) return false;
    Reset();
    budget_ = budget;
    bytes_ = bytes;
    return true;
  }
  // Adds `bytes` to the share (of the budget it holds, or of `budget` when it holds none);
  // false when they do not fit.
  bool TryGrow(const std::shared_ptr<MemoryBudget>& budget, uint64_t bytes) {
    const std::shared_ptr<MemoryBudget>& from = budget_ ? budget_ : budget;
    if (!from->TryTake(bytes)) return false;
    if (!budget_) budget_ = from;
    bytes_ += bytes;
    return true;
  }
  // Gives back what lies beyond `bytes`.
  void ShrinkTo(uint64_t bytes) {
    if (bytes >= bytes_) return;
    budget_->Give(bytes_ - bytes);
    bytes_ = bytes;
  }
  void Reset() {
    if (budget_) budget_->Give(bytes_);
    budget_.reset();
    bytes_ = 0;
  }
  uint64_t Bytes() const { return bytes_; }

 private:
  std::shared_ptr<MemoryBudget> budget_;
  uint64_t bytes_ = 0;
};

// A value that holds `share` for as long as any pointer to it lives: the returned pointer
// shares ownership of a block holding both.
template <typename T>
std::shared_ptr<const T> HoldingShare(T value, BudgetShare share) {
  struct Held {
    T value;
    BudgetShare share;
  };
  auto held = std::make_shared<Held>(Held{std::move(value), std::move(share)});
  return std::shared_ptr<const T>(held, &held->value);
}

// An existing shared value that holds `share` from now on for as long as any pointer to it
// lives.
template <typename T>
std::shared_ptr<const T> HoldingShare(std::shared_ptr<const T> value, BudgetShare share) {
  if (!value) return value;
  struct Held {
    std::shared_ptr<const T> value;
    BudgetShare share;
  };
  const T* raw = value.get();
  auto held = std::make_shared<Held>(Held{std::move(value), std::move(share)});
  return std::shared_ptr<const T>(held, raw);
}

}  // namespace vornada::pictures
