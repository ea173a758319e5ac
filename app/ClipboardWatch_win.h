// Watching whether the clipboard holds text without holding the clipboard open all the time.
//
// The clipboard can be opened by one program at a time; a program that opens it on every tick
// of a fast timer makes other programs' copy and paste fail while it holds it. The watch reads
// the clipboard only when the system's clipboard sequence number has changed since its last
// successful read, so an unchanged clipboard is never opened. A read that fails (the clipboard
// held open by another program) raises and leaves the last read as it was: the next poll tries
// again.
//
// Asking for the sequence number is itself a call into the system on every poll. A watch that
// listens for change notices (a clipboard format listener window, told of every change by any
// program) skips even that while nothing changed since its last successful read; the notices
// arrive through the message loop of the thread that made the watch.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "WinHandles.h"

namespace vornada {

// A hidden message-only window registered as a clipboard format listener: it notes every
// change notice (WM_CLIPBOARDUPDATE) that the system sends it. Made and used on one thread,
// whose message loop delivers the notices.
class TClipboardChangeListener {
 public:
  TClipboardChangeListener();
  ~TClipboardChangeListener();
  TClipboardChangeListener(const TClipboardChangeListener&) = delete;
  TClipboardChangeListener& operator=(const TClipboardChangeListener&) = delete;

  // Whether the system accepted the listener (when not, no notice ever comes).
  bool Listening() const { return listening_; }
  // Whether a notice came since the last call; forgets it.
  bool TakeChange() { return std::exchange(changed_, false); }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  win::UniqueWindow window_;
  bool listening_ = false;
  bool changed_ = false;
};

class TClipboardTextWatch {
 public:
  // The clipboard's sequence number (0 where the system does not keep one).
  using SequenceSource = std::function<DWORD()>;
  // Opens the clipboard once and tells whether it holds non-empty text; raises when the
  // clipboard cannot be opened.
  using TextProbe = std::function<bool()>;
  // Whether the watch listens for change notices.
  enum class TNotices { Ignore, Listen };

  // Watches the system clipboard, opening it with `owner` as the opening window, and listens
  // for change notices.
  explicit TClipboardTextWatch(HWND owner = nullptr);
  TClipboardTextWatch(SequenceSource sequence, TextProbe probe,
                      TNotices notices = TNotices::Ignore);

  // When the clipboard changed since the last successful read (or was never read), reads it
  // and returns whether it holds non-empty text; otherwise returns nothing and leaves the
  // clipboard alone. Where the system keeps no sequence number every poll reads (unless change
  // notices tell that nothing changed). A failed read raises and is not recorded.
  std::optional<bool> Poll();

  // Forgets the last read, so that the next poll reads.
  void Reset() {
    last_sequence_.reset();
    read_ = false;
  }

  // Whether change notices spare the polls of an unchanged clipboard.
  bool Listening() const { return listener_ != nullptr && listener_->Listening(); }

 private:
  SequenceSource sequence_;
  TextProbe probe_;
  std::unique_ptr<TClipboardChangeListener> listener_;
  std::optional<DWORD> last_sequence_;
  // A read succeeded, and no change notice came after it.
  bool read_ = false;
};

// Opens the clipboard once (no waiting) and tells whether it holds non-empty text; raises
// "Cannot open clipboard" when another program holds it.
bool ClipboardHoldsText(HWND owner);

}  // namespace vornada
