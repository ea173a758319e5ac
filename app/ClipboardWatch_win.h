// Watching whether the clipboard holds text without holding the clipboard open all the time.
//
// The clipboard can be opened by one program at a time; a program that opens it on every tick
// of a fast timer makes other programs' copy and paste fail while it holds it. The watch reads
// the clipboard only when the system's clipboard sequence number has changed since its last
// successful read, so an unchanged clipboard is never opened. A read that fails (the clipboard
// held open by another program) raises and leaves the last read as it was: the next poll tries
// again.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

namespace vornada {

class TClipboardTextWatch {
 public:
  // The clipboard's sequence number (0 where the system does not keep one).
  using SequenceSource = std::function<DWORD()>;
  // Opens the clipboard once and tells whether it holds non-empty text; raises when the
  // clipboard cannot be opened.
  using TextProbe = std::function<bool()>;

  // Watches the system clipboard, opening it with `owner` as the opening window.
  explicit TClipboardTextWatch(HWND owner = nullptr);
  TClipboardTextWatch(SequenceSource sequence, TextProbe probe);

  // When the clipboard changed since the last successful read (or was never read), reads it
  // and returns whether it holds non-empty text; otherwise returns nothing and leaves the
  // clipboard alone. Where the system keeps no sequence number every poll reads. A failed read
  // raises and is not recorded.
  std::optional<bool> Poll();

  // Forgets the last read, so that the next poll reads.
  void Reset() { last_sequence_.reset(); }

 private:
  SequenceSource sequence_;
  TextProbe probe_;
  std::optional<DWORD> last_sequence_;
};

// Opens the clipboard once (no waiting) and tells whether it holds non-empty text; raises
// "Cannot open clipboard" when another program holds it.
bool ClipboardHoldsText(HWND owner);

}  // namespace vornada
