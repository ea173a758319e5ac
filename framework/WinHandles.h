// Move-only owners for Win32 handles, one type per handle kind, and scoped helpers that undo a
// device-context change when they go out of scope (so no GDI object stays selected).
//
// The owners of GDI objects (bitmaps, brushes, pens, fonts, regions, palettes, memory device
// contexts), of window device contexts and of painting keep a process-wide count of what they
// hold, so that a test can show that repeated work does not leak (Wine reports no GDI resource
// counts of its own). A handle given up with `release` leaves the count: it is someone else's.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <string_view>
#include <utility>

namespace vornada::win {

// Live GDI objects, window device contexts and paintings held by the owners below.
inline std::atomic<long> live_gdi_objects{0};
inline long LiveGdiObjects() { return live_gdi_objects.load(); }

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;
  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : handle_(h) { Count(h, +1); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, Traits::Invalid());
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return Traits::Valid(handle_); }
  Handle release() {
    Count(handle_, -1);
    return std::exchange(handle_, Traits::Invalid());
  }
  void reset(Handle h = Traits::Invalid()) {
    if (Traits::Valid(handle_)) {
      Count(handle_, -1);
      Traits::Close(handle_);
    }
    handle_ = h;
    Count(h, +1);
  }

 private:
  static void Count(Handle h, long delta) {
    if constexpr (Traits::kCountsGdi) {
      if (Traits::Valid(h)) live_gdi_objects.fetch_add(delta);
    }
  }
  Handle handle_ = Traits::Invalid();
};

struct FileHandleTraits {  // CreateFile results: INVALID_HANDLE_VALUE means none
  using Handle = HANDLE;
  static constexpr bool kCountsGdi = false;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
struct KernelHandleTraits {  // mappings, events, threads: nullptr means none
  using Handle = HANDLE;
  static constexpr bool kCountsGdi = false;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
template <typename H>
struct GdiObjectTraits {
  using Handle = H;
  static constexpr bool kCountsGdi = true;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};
struct MemoryDcTraits {  // CreateCompatibleDC / CreateDC results
  using Handle = HDC;
  static constexpr bool kCountsGdi = true;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteDC(h); }
};
struct WindowTraits {
  using Handle = HWND;
  static constexpr bool kCountsGdi = false;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DestroyWindow(h); }
};
struct GlobalMemoryTraits {
  using Handle = HGLOBAL;
  static constexpr bool kCountsGdi = false;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::GlobalFree(h); }
};

struct IconTraits {  // CreateIconIndirect / CopyIcon results
  using Handle = HICON;
  static constexpr bool kCountsGdi = true;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DestroyIcon(h); }
};

struct FindHandleTraits {  // FindFirstFile results: INVALID_HANDLE_VALUE means none
  using Handle = HANDLE;
  static constexpr bool kCountsGdi = false;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Handle h) { ::FindClose(h); }
};

using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueHandle<GdiObjectTraits<HPEN>>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueRegion = UniqueHandle<GdiObjectTraits<HRGN>>;
using UniquePalette = UniqueHandle<GdiObjectTraits<HPALETTE>>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;
using UniqueWindow = UniqueHandle<WindowTraits>;
using UniqueGlobal = UniqueHandle<GlobalMemoryTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;

// A window's device context from GetDC or GetDCEx, given back with ReleaseDC. Move-only; counted
// among the live GDI objects while held.
class UniqueWindowDc {
 public:
  UniqueWindowDc() = default;
  // GetDC(hwnd) (nullptr: the screen).
  explicit UniqueWindowDc(HWND hwnd) : UniqueWindowDc(hwnd, ::GetDC(hwnd)) {}
  // GetDCEx(hwnd, clip, flags).
  static UniqueWindowDc GetEx(HWND hwnd, HRGN clip, DWORD flags) {
    return UniqueWindowDc(hwnd, ::GetDCEx(hwnd, clip, flags));
  }
  UniqueWindowDc(UniqueWindowDc&& other) noexcept
      : hwnd_(std::exchange(other.hwnd_, nullptr)), hdc_(std::exchange(other.hdc_, nullptr)) {}
  UniqueWindowDc& operator=(UniqueWindowDc&& other) noexcept {
    if (this != &other) {
      reset();
      hwnd_ = std::exchange(other.hwnd_, nullptr);
      hdc_ = std::exchange(other.hdc_, nullptr);
    }
    return *this;
  }
  UniqueWindowDc(const UniqueWindowDc&) = delete;
  UniqueWindowDc& operator=(const UniqueWindowDc&) = delete;
  ~UniqueWindowDc() { reset(); }

  HDC get() const { return hdc_; }
  operator HDC() const { return hdc_; }
  HWND window() const { return hwnd_; }
  void reset() {
    if (hdc_ != nullptr) {
      ::ReleaseDC(hwnd_, hdc_);
      live_gdi_objects.fetch_sub(1);
    }
    hwnd_ = nullptr;
    hdc_ = nullptr;
  }

 private:
  UniqueWindowDc(HWND hwnd, HDC hdc) : hwnd_(hwnd), hdc_(hdc) {
    if (hdc_ != nullptr) live_gdi_objects.fetch_add(1);
  }
  HWND hwnd_ = nullptr;
  HDC hdc_ = nullptr;
};

// A device context held for a scope: GetDC/ReleaseDC.
using ScopedGetDC = UniqueWindowDc;

// BeginPaint/EndPaint pair: the painting ends and its device context goes back however the
// painting code is left, by return or by exception (so the window's caret and the context are
// given back even when a paint handler fails). Counted among the live GDI objects while held.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND hwnd) : hwnd_(hwnd), hdc_(::BeginPaint(hwnd, &paint_)) {
    if (hdc_ != nullptr) live_gdi_objects.fetch_add(1);
  }
  ~ScopedPaint() {
    if (hdc_ != nullptr) {
      ::EndPaint(hwnd_, &paint_);
      live_gdi_objects.fetch_sub(1);
    }
  }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;
  HDC dc() const { return hdc_; }
  const PAINTSTRUCT& paint() const { return paint_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT paint_{};
  HDC hdc_;
};

// GetWindowDC/ReleaseDC pair: a context for the whole window, non-client area included.
class ScopedGetWindowDC {
 public:
  explicit ScopedGetWindowDC(HWND hwnd) : hwnd_(hwnd), hdc_(::GetWindowDC(hwnd)) {
    if (hdc_ != nullptr) live_gdi_objects.fetch_add(1);
  }
  ~ScopedGetWindowDC() {
    if (hdc_ != nullptr) {
      ::ReleaseDC(hwnd_, hdc_);
      live_gdi_objects.fetch_sub(1);
    }
  }
  ScopedGetWindowDC(const ScopedGetWindowDC&) = delete;
  ScopedGetWindowDC& operator=(const ScopedGetWindowDC&) = delete;
  HDC get() const { return hdc_; }
  operator HDC() const { return hdc_; }

 private:
  HWND hwnd_;
  HDC hdc_;
};

// SelectObject that puts the previous object back.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC hdc, HGDIOBJ obj) : hdc_(hdc), previous_(::SelectObject(hdc, obj)) {}
  ~ScopedSelectObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(hdc_, previous_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC hdc_;
  HGDIOBJ previous_;
};

// SelectPalette that puts the previous palette back.
class ScopedSelectPalette {
 public:
  ScopedSelectPalette(HDC hdc, HPALETTE palette, BOOL background = FALSE)
      : hdc_(hdc), previous_(palette ? ::SelectPalette(hdc, palette, background) : nullptr) {
    if (palette) ::RealizePalette(hdc);
  }
  ~ScopedSelectPalette() {
    if (previous_ != nullptr) ::SelectPalette(hdc_, previous_, TRUE);
  }
  ScopedSelectPalette(const ScopedSelectPalette&) = delete;
  ScopedSelectPalette& operator=(const ScopedSelectPalette&) = delete;

 private:
  HDC hdc_;
  HPALETTE previous_;
};

// SaveDC/RestoreDC pair.
class ScopedSaveDC {
 public:
  explicit ScopedSaveDC(HDC hdc) : hdc_(hdc), saved_(::SaveDC(hdc)) {}
  ~ScopedSaveDC() {
    if (saved_ != 0) ::RestoreDC(hdc_, saved_);
  }
  ScopedSaveDC(const ScopedSaveDC&) = delete;
  ScopedSaveDC& operator=(const ScopedSaveDC&) = delete;

 private:
  HDC hdc_;
  int saved_;
};

// Clipboard open for the lifetime of the object.
class ScopedClipboard {
 public:
  explicit ScopedClipboard(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
  ~ScopedClipboard() {
    if (open_) ::CloseClipboard();
  }
  ScopedClipboard(const ScopedClipboard&) = delete;
  ScopedClipboard& operator=(const ScopedClipboard&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

// GlobalLock/GlobalUnlock pair.
class ScopedGlobalLock {
 public:
  explicit ScopedGlobalLock(HGLOBAL h) : h_(h), ptr_(h ? ::GlobalLock(h) : nullptr) {}
  ~ScopedGlobalLock() {
    if (ptr_ != nullptr) ::GlobalUnlock(h_);
  }
  ScopedGlobalLock(const ScopedGlobalLock&) = delete;
  ScopedGlobalLock& operator=(const ScopedGlobalLock&) = delete;
  void* get() const { return ptr_; }

 private:
  HGLOBAL h_;
  void* ptr_;
};

// Wide strings for the window functions (wchar_t is 16 bits with MinGW and MSVC).
inline std::wstring WideString(std::u16string_view s) {
  return std::wstring(reinterpret_cast<const wchar_t*>(s.data()), s.size());
}
inline std::u16string U16String(std::wstring_view s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.data()), s.size());
}

}  // namespace vornada::win
