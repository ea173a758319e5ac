// An event member whose assignment goes through a rule of its owner: for events a control may
// refuse to change at certain moments (for example while it is being pressed). It reads like a
// plain event member: assign a handler (or nullptr), test it, call it. Portable (no windows.h).
#pragma once

#include <functional>
#include <utility>

namespace vornada {

template <typename Event>
class TEventProperty {
 public:
  // `accept` decides whether an assignment takes place; without it every assignment does.
  explicit TEventProperty(std::function<bool()> accept = nullptr) : accept_(std::move(accept)) {}
  TEventProperty(const TEventProperty&) = delete;
  TEventProperty& operator=(const TEventProperty&) = delete;

  TEventProperty& operator=(Event handler) {
    if (!accept_ || accept_()) handler_ = std::move(handler);
    return *this;
  }
  explicit operator bool() const { return static_cast<bool>(handler_); }
  const Event& Get() const { return handler_; }

  template <typename... Args>
  void operator()(Args&&... args) const {
    // A copy: the handler may replace itself (or free its owner's other state) while it runs.
    const Event handler = handler_;
    if (handler) handler(std::forward<Args>(args)...);
  }

 private:
  std::function<bool()> accept_;
  Event handler_;
};

}  // namespace vornada
