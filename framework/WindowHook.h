// Watching the messages of a window that belongs to someone else (the application window, a
// control's form) without taking its window procedure away: `TWindowHook` subclasses the
// window through the common controls' window subclassing, so any number of hooks on one window
// can come and go in any order. Each message reaches the newest hook first, then the older ones,
// then the window's own procedure; removing a hook leaves the others in place, and when the last
// one goes the window has its original procedure again.
//
// The handler sees the message first; a hook never swallows it. The handler may hand it on
// itself with `CallNext` (to see the result of the rest of the chain, which lands in the
// message's Result); otherwise it goes on unchanged once the handler returns, also when the
// handler failed (the application reports the failure). A hook whose window is destroyed lets
// go of it by itself.
//
// Hooks belong to the thread that owns the window; one installed from another thread fails.
#pragma once

#include <windows.h>

#include <functional>

#include "Controls.h"

namespace vornada {

class TWindowHook {
 public:
  using Handler = std::function<void(TMessage& message)>;

  TWindowHook() = default;
  ~TWindowHook();
  TWindowHook(const TWindowHook&) = delete;
  TWindowHook& operator=(const TWindowHook&) = delete;

  // Hooks `window` (removing any earlier hook of this object first). False when the window
  // does not exist or cannot be subclassed from this thread.
  bool Install(HWND window, Handler handler);
  void Remove();
  bool Installed() const;
  // The hooked window (nullptr once it was destroyed or the hook removed).
  HWND Window() const;

  // From inside the handler: passes the message on to the rest of the chain and stores the
  // result in message.Result.
  void CallNext(TMessage& message);

 private:
  struct Link;
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR data);
  Link* link_ = nullptr;
};

}  // namespace vornada
