// Pixels of a device context as plain colours (see DcPixels.h).
#include "DcPixels.h"

#include <algorithm>

#include "SysUtils.h"
#include "WinHandles.h"

namespace vornada::win {

namespace {

// 0x00BBGGRR <-> the bitmap's blue, green, red, unused byte order (0x00RRGGBB as a number).
uint32_t SwapRedBlue(uint32_t v) { return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16); }

}  // namespace

BITMAPINFO TopDown32BitInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // negative: rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

std::vector<uint32_t> ReadDcPixels(HDC dc, int x, int y, int width, int height) {
  std::vector<uint32_t> pixels;
  if (width <= 0 || height <= 0) return pixels;
  const BITMAPINFO info = TopDown32BitInfo(width, height);
  void* bits = nullptr;
  UniqueBitmap dib(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDc mem(::CreateCompatibleDC(dc));
  if (!dib || !mem || bits == nullptr) throw EOutOfResources("Out of system resources");
  {
    ScopedSelectObject sel(mem.get(), dib.get());
    ::BitBlt(mem.get(), 0, 0, width, height, dc, x, y, SRCCOPY);
  }
  ::GdiFlush();
  const auto* bgrx = static_cast<const uint32_t*>(bits);
  pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = SwapRedBlue(bgrx[i]);
  return pixels;
}

void WriteDcPixels(HDC dc, int x, int y, int width, int height,
                   const std::vector<uint32_t>& pixels) {
  if (width <= 0 || height <= 0) return;
  const BITMAPINFO info = TopDown32BitInfo(width, height);
  std::vector<uint32_t> bgrx(static_cast<size_t>(width) * static_cast<size_t>(height));
  const size_t n = std::min(bgrx.size(), pixels.size());
  for (size_t i = 0; i < n; ++i) bgrx[i] = SwapRedBlue(pixels[i]);
  ::SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                      static_cast<UINT>(height), bgrx.data(), &info, DIB_RGB_COLORS);
}

}  // namespace vornada::win
