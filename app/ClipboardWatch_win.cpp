// Watching the clipboard's text by its sequence number.
#include "ClipboardWatch_win.h"

#include "SysUtils.h"
#include "WinHandles.h"

namespace vornada {

bool ClipboardHoldsText(HWND owner) {
  const win::ScopedClipboard clipboard(owner);
  if (!clipboard.IsOpen()) throw Exception("Cannot open clipboard");
  // The system offers CF_UNICODETEXT for every kind of text on the clipboard; only whether its
  // first character ends it matters.
  HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  if (data == nullptr) return false;
  if (::GlobalSize(data) < sizeof(wchar_t)) return false;
  const win::ScopedGlobalLock block(data);
  const auto* text = static_cast<const wchar_t*>(block.get());
  return text != nullptr && text[0] != L'\0';
}

TClipboardTextWatch::TClipboardTextWatch(HWND owner)
    : TClipboardTextWatch([] { return ::GetClipboardSequenceNumber(); },
                          [owner] { return ClipboardHoldsText(owner); }) {}

TClipboardTextWatch::TClipboardTextWatch(SequenceSource sequence, TextProbe probe)
    : sequence_(std::move(sequence)), probe_(std::move(probe)) {}

std::optional<bool> TClipboardTextWatch::Poll() {
  // The number is taken before the read: a change during the read shows at the next poll.
  const DWORD sequence = sequence_();
  if (sequence != 0 && last_sequence_ == sequence) return std::nullopt;
  const bool holds_text = probe_();  // raises without recording anything
  if (sequence != 0) last_sequence_ = sequence;
  return holds_text;
}

}  // namespace vornada
