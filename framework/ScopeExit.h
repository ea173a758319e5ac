// One scope guard for the whole tree: `ScopeExit` runs a function when the scope it guards is
// left, by return or by exception, unless it was dismissed. Used for undo steps ("put the old
// value back if anything below fails") instead of hand-written catch-and-rethrow blocks.
// Portable: no windows.h.
#pragma once

#include <utility>

namespace vornada {

template <typename Fn>
class ScopeExit {
 public:
  explicit ScopeExit(Fn fn) : fn_(std::move(fn)) {}
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ~ScopeExit() {
    if (active_) fn_();
  }
  // The work succeeded: nothing to undo.
  void Dismiss() { active_ = false; }

 private:
  Fn fn_;
  bool active_ = true;
};

template <typename Fn>
ScopeExit(Fn) -> ScopeExit<Fn>;

}  // namespace vornada
