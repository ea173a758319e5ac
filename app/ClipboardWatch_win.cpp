// Watching the clipboard's text by its sequence number, with change notices sparing the polls
// of an unchanged clipboard.
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

namespace {
constexpr wchar_t kListenerClass[] = L"VornadaClipboardListener";
}  // namespace

TClipboardChangeListener::TClipboardChangeListener() {
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kListenerClass;
    return ::RegisterClassExW(&wc);
  }();
  if (atom == 0) return;
  window_.reset(::CreateWindowExW(0, kListenerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr));
  if (!window_) return;
  ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  listening_ = ::AddClipboardFormatListener(window_.get()) != FALSE;
}

TClipboardChangeListener::~TClipboardChangeListener() {
  if (!window_) return;
  if (listening_) ::RemoveClipboardFormatListener(window_.get());
  ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK TClipboardChangeListener::WindowProc(HWND hwnd, UINT msg, WPARAM wparam,
                                                      LPARAM lparam) {
  if (msg == WM_CLIPBOARDUPDATE) {
    if (auto* self = reinterpret_cast<TClipboardChangeListener*>(
            ::GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
      self->changed_ = true;
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wparam, lparam);
}

TClipboardTextWatch::TClipboardTextWatch(HWND owner)
    : TClipboardTextWatch([] { return ::GetClipboardSequenceNumber(); },
                          [owner] { return ClipboardHoldsText(owner); }, TNotices::Listen) {}

TClipboardTextWatch::TClipboardTextWatch(SequenceSource sequence, TextProbe probe,
                                         TNotices notices)
    : sequence_(std::move(sequence)), probe_(std::move(probe)) {
  if (notices == TNotices::Listen) listener_ = std::make_unique<TClipboardChangeListener>();
}

std::optional<bool> TClipboardTextWatch::Poll() {
  if (Listening()) {
    if (listener_->TakeChange()) read_ = false;
    // Nothing changed since the last successful read: not even the number is asked for.
    if (read_) return std::nullopt;
  }
  // The number is taken before the read: a change during the read shows at the next poll.
  const DWORD sequence = sequence_();
  if (sequence != 0 && last_sequence_ == sequence) {
    read_ = true;
    return std::nullopt;
  }
  const bool holds_text = probe_();  // raises without recording anything
  if (sequence != 0) last_sequence_ = sequence;
  read_ = true;
  return holds_text;
}

}  // namespace vornada
