// The system clipboard.
#include "Clipbrd.h"

#include <cstring>

#include "Forms.h"
#include "Graphics.h"
#include "ScopeExit.h"
#include "WinHandles.h"

namespace vornada {

TClipboard* Clipboard() {
  static TClipboard* clipboard = new TClipboard();
  return clipboard;
}

void TClipboard::Open() {
  if (open_count_ == 0) {
    // Another program may hold the clipboard for a moment; try a few times.
    bool opened = false;
    for (int attempt = 0; attempt < 10 && !opened; ++attempt) {
      opened = ::OpenClipboard(Application()->Handle()) != FALSE;
      if (!opened) ::Sleep(10);
    }
    if (!opened) throw Exception("Cannot open clipboard");
    emptied_ = false;
  }
  ++open_count_;
}

void TClipboard::Close() {
  if (open_count_ == 0) return;
  if (--open_count_ == 0) ::CloseClipboard();
}

void TClipboard::Clear() {
  Open();
  ::EmptyClipboard();
  emptied_ = true;
  Close();
}

void TClipboard::Adding() {
  if (open_count_ > 0 && !emptied_) {
    ::EmptyClipboard();
    emptied_ = true;
  }
}

bool TClipboard::HasFormat(UINT format) const {
  return ::IsClipboardFormatAvailable(format) != FALSE;
}

std::wstring TClipboard::AsText() {
  std::wstring text;
  Open();
  ScopeExit close([this] { Close(); });
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    const SIZE_T bytes = ::GlobalSize(data);
    const win::ScopedGlobalLock block(data);
    if (const auto* p = static_cast<const wchar_t*>(block.get())) {
      const size_t max_chars = bytes / sizeof(wchar_t);
      size_t n = 0;
      while (n < max_chars && p[n] != L'\0') ++n;  // never past the block
      text.assign(p, n);
    }
  }
  return text;
}

void TClipboard::SetAsText(const std::wstring& text) {
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  win::UniqueGlobal data(::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes));
  if (!data) throw EOutOfMemory("Out of memory");
  {
    const win::ScopedGlobalLock block(data.get());
    if (block.get() == nullptr) throw EOutOfMemory("Out of memory");
    std::memcpy(block.get(), text.c_str(), bytes);
  }
  SetAsHandle(CF_UNICODETEXT, data.release());  // the clipboard owns it from here on
}

HANDLE TClipboard::GetAsHandle(UINT format) {
  Open();
  ScopeExit close([this] { Close(); });
  return ::GetClipboardData(format);
}

namespace {
// Frees clipboard data that the clipboard did not take: GDI objects and metafiles by their own
// kind, everything else as global memory.
void FreeClipboardData(UINT format, HANDLE data) {
  if (data == nullptr) return;
  switch (format) {
    case CF_BITMAP:
    case CF_DSPBITMAP:
    case CF_PALETTE: ::DeleteObject(data); break;
    case CF_ENHMETAFILE:
    case CF_DSPENHMETAFILE: ::DeleteEnhMetaFile(static_cast<HENHMETAFILE>(data)); break;
    default: ::GlobalFree(data); break;
  }
}
}  // namespace

void TClipboard::SetAsHandle(UINT format, HANDLE data) {
  // Until the clipboard has taken the data, they are freed on every way out.
  ScopeExit free_data([format, data] { FreeClipboardData(format, data); });
  Open();
  ScopeExit close([this] { Close(); });
  Adding();
  if (::SetClipboardData(format, data) == nullptr) throw Exception("Cannot set clipboard data");
  free_data.Dismiss();
}

void TClipboard::Assign(TPersistent* source) {
  auto* graphic = dynamic_cast<TGraphic*>(source);
  auto* picture = dynamic_cast<TPicture*>(source);
  if (graphic == nullptr && picture == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (picture != nullptr) graphic = picture->Graphic();  // an empty holder empties the clipboard
  Open();
  ScopeExit close([this] { Close(); });
  Adding();
  UINT format = 0;
  HANDLE data = nullptr;
  HPALETTE palette = nullptr;
  if (graphic != nullptr) graphic->SaveToClipboardFormat(format, data, palette);
  if (data != nullptr && ::SetClipboardData(format, data) == nullptr)
    FreeClipboardData(format, data);
  if (palette != nullptr && ::SetClipboardData(CF_PALETTE, palette) == nullptr)
    FreeClipboardData(CF_PALETTE, palette);
}

}  // namespace vornada
