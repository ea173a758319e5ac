// Window hooks over the common controls' window subclassing (see WindowHook.h).
#include "WindowHook.h"

#include <commctrl.h>

#include "Forms.h"

namespace vornada {

// The state of one installed hook. It outlives its TWindowHook when the hook is removed while
// one of its messages is still being handled (the handler removed it, or freed its owner); the
// last of those calls to return frees it.
struct TWindowHook::Link {
  HWND window = nullptr;
  Handler handler;
  int running = 0;        // calls of SubclassProc in progress
  bool detached = false;  // taken off the window (removed, or the window is gone)
  bool orphaned = false;  // its TWindowHook let go of it while calls were running
  // The message of the innermost running call, and whether it was handed on.
  struct Call {
    bool passed = false;
  };
  Call* current = nullptr;
};

TWindowHook::~TWindowHook() { Remove(); }

bool TWindowHook::Install(HWND window, Handler handler) {
  Remove();
  // Subclassing belongs to the window's own thread.
  if (window == nullptr || !::IsWindow(window) ||
      ::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId())
    return false;
  auto* link = new Link;
  link->window = window;
  link->handler = std::move(handler);
  if (!::SetWindowSubclass(window, &TWindowHook::SubclassProc, reinterpret_cast<UINT_PTR>(link),
                           reinterpret_cast<DWORD_PTR>(link))) {
    delete link;
    return false;
  }
  link_ = link;
  return true;
}

void TWindowHook::Remove() {
  Link* link = link_;
  if (link == nullptr) return;
  link_ = nullptr;
  if (!link->detached) {
    link->detached = true;
    if (link->window != nullptr)
      ::RemoveWindowSubclass(link->window, &TWindowHook::SubclassProc,
                             reinterpret_cast<UINT_PTR>(link));
  }
  if (link->running > 0) {
    link->orphaned = true;  // freed when its last running call returns
  } else {
    delete link;
  }
}

bool TWindowHook::Installed() const { return link_ != nullptr && !link_->detached; }

HWND TWindowHook::Window() const { return Installed() ? link_->window : nullptr; }

void TWindowHook::CallNext(TMessage& message) {
  if (link_ == nullptr || link_->current == nullptr) return;
  link_->current->passed = true;
  message.Result = ::DefSubclassProc(link_->window, message.Msg, message.WParam, message.LParam);
}

LRESULT CALLBACK TWindowHook::SubclassProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                                           UINT_PTR id, DWORD_PTR data) {
  auto* link = reinterpret_cast<Link*>(data);
  Link::Call call;
  Link::Call* outer = link->current;
  link->current = &call;
  ++link->running;
  TMessage m{msg, wparam, lparam, 0};
  if (!link->detached && link->handler) {
    try {
      link->handler(m);
    } catch (...) {
      Application()->HandleException(std::current_exception());
    }
  }
  // Whatever the handler did (or failed to do), an unhandled message goes on unchanged.
  if (!call.passed) {
    m = TMessage{msg, wparam, lparam, 0};
    m.Result = ::DefSubclassProc(hwnd, msg, wparam, lparam);
  }
  link->current = outer;
  --link->running;
  if (msg == WM_NCDESTROY && !link->detached) {
    // The window is going: it keeps no hook, and the TWindowHook forgets it.
    link->detached = true;
    ::RemoveWindowSubclass(hwnd, &TWindowHook::SubclassProc, id);
    link->window = nullptr;
  }
  if (link->orphaned && link->running == 0) delete link;
  return m.Result;
}

}  // namespace vornada
