// Skin bitmap helpers (see SkUtil.h). The pixel work itself is in core/SkPixels.
#include "SkUtil.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

#include "core/SkPixels.h"

namespace vornada {

namespace {

constexpr int kRunsPerRegionPart = 2000;

bool IsDib24(const TBitmap& bitmap) {
  return bitmap.HandleType() == TBitmapHandleType::bmDIB && bitmap.BitsPerPixel() == 24;
}

// The bitmap's rows as the pixel core addresses them (row 0 at the top). 24- or 32-bit DIBs.
skin::PixelRows RowsOf(TBitmap& bitmap) {
  skin::PixelRows rows;
  if (bitmap.Empty() || bitmap.Width() <= 0 || bitmap.Height() <= 0) return rows;
  rows.top = static_cast<uint8_t*>(bitmap.ScanLine(0));
  rows.stride = -static_cast<ptrdiff_t>(bitmap.Stride());  // the section keeps rows bottom-up
  rows.width = bitmap.Width();
  rows.height = bitmap.Height();
  rows.pixel_bytes = bitmap.BitsPerPixel() / 8;
  return rows;
}

// A 24-bit DIB to read `bitmap`'s pixels from: the bitmap itself when it is one, otherwise a
// converted copy kept in `copy`.
TBitmap& Readable24(TBitmap& bitmap, std::unique_ptr<TBitmap>& copy) {
  if (IsDib24(bitmap)) return bitmap;
  copy = std::make_unique<TBitmap>();
  copy->Assign(&bitmap);
  EnsureDib24(*copy);
  return *copy;
}

// A region of the runs (moved by dx, dy) joined to `region`. False on failure.
bool AddRuns(HRGN region, const std::vector<skin::OpaqueRun>& runs, int dx, int dy) {
  std::vector<uint8_t> buffer(sizeof(RGNDATAHEADER) + sizeof(RECT) * kRunsPerRegionPart);
  for (size_t first = 0; first < runs.size(); first += kRunsPerRegionPart) {
    const size_t count = std::min<size_t>(kRunsPerRegionPart, runs.size() - first);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(count);
    data->rdh.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
    RECT bounds{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    auto* rects = reinterpret_cast<RECT*>(data->Buffer);
    for (size_t i = 0; i < count; ++i) {
      const skin::OpaqueRun& r = runs[first + i];
      rects[i] = {r.left + dx, r.y + dy, r.right + dx, r.y + 1 + dy};
      bounds.left = std::min(bounds.left, rects[i].left);
      bounds.top = std::min(bounds.top, rects[i].top);
      bounds.right = std::max(bounds.right, rects[i].right);
      bounds.bottom = std::max(bounds.bottom, rects[i].bottom);
    }
    data->rdh.rcBound = bounds;
    win::UniqueRegion part(::ExtCreateRegion(
        nullptr, static_cast<DWORD>(sizeof(RGNDATAHEADER) + count * sizeof(RECT)), data));
    if (!part || ::CombineRgn(region, region, part.get(), RGN_OR) == ERROR) return false;
  }
  return true;
}

// Gives the region to the window. On success the system owns it.
bool GiveRegion(HWND window, win::UniqueRegion region) {
  if (window == nullptr || !::SetWindowRgn(window, region.get(), TRUE)) return false;
  region.release();
  return true;
}

template <size_t N>
void SplitSkin(TBitmap& skin, const std::array<TBitmap*, N>& cells, TColor& transparent) {
  if (skin.Empty()) return;
  const int w = (skin.Width() - 1) / static_cast<int>(N);
  const int h = skin.Height();
  transparent = TopLeftColor(skin);
  TBitmap scratch;
  scratch.SetPixelFormat(TPixelFormat::pf24bit);
  scratch.SetSize(w, h);
  scratch.SetTransparentColor(transparent);
  for (size_t i = 0; i < N; ++i) {
    if (w > 0 && h > 0) {
      ScopedCanvasLock source_lock(skin.Canvas());
      ScopedCanvasLock target_lock(scratch.Canvas());
      ::BitBlt(scratch.Canvas().Handle(), 0, 0, w, h, skin.Canvas().Handle(),
               1 + static_cast<int>(i) * w, 0, SRCCOPY);
    }
    cells[i]->Assign(&scratch);
  }
}

}  // namespace

void EnsureDib24(TBitmap& bitmap) {
  if (bitmap.PixelFormat() != TPixelFormat::pf24bit || bitmap.BitsPerPixel() != 24)
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  if (bitmap.HandleType() != TBitmapHandleType::bmDIB)
    bitmap.SetHandleType(TBitmapHandleType::bmDIB);
}

uint8_t ClampByte(int value) { return skin::ClampByte(value); }

TColor TopLeftColor(TBitmap& bitmap) {
  if (bitmap.Empty() || bitmap.Width() <= 0 || bitmap.Height() <= 0) return 0;
  std::unique_ptr<TBitmap> copy;
  TBitmap& readable = Readable24(bitmap, copy);
  return skin::ColourOf(static_cast<const uint8_t*>(readable.ScanLine(0)));
}

bool CheckPixelFormat(TBitmap& bitmap) {
  if (bitmap.Empty()) return false;
  const int bits = bitmap.BitsPerPixel();
  if (bits == 24 || bits == 32) return true;
  throw Exception("Error: Only 24/32 bit pixel formats are supported");
}

void DrawSkinFocusRect(const RECT& r, TCanvas& canvas) {
  RECT inner = r;
  ::InflateRect(&inner, -2, -2);
  canvas.Brush().SetColor(clBlack);
  canvas.DrawFocusRect(inner);
}

void StretchCell(TBitmap& skin, TBitmap& target, int cell_left, int cell_width, int skin_height,
                 int target_width, int target_height) {
  EnsureDib24(target);
  target.SetSize(std::max(target_width, 0), std::max(target_height, 0));
  if (target.Empty()) return;
  skin::PixelRows source;
  std::unique_ptr<TBitmap> copy;
  if (!skin.Empty() && skin.Width() > 0 && skin.Height() > 0)
    source = RowsOf(Readable24(skin, copy));
  skin::StretchCellRows(source, cell_left, cell_width, skin_height, RowsOf(target));
}

void SplitSkin4(TBitmap& skin, const std::array<TBitmap*, 4>& cells, TColor& transparent) {
  SplitSkin(skin, cells, transparent);
}

void SplitSkin8(TBitmap& skin, const std::array<TBitmap*, 8>& cells, TColor& transparent) {
  SplitSkin(skin, cells, transparent);
}

TBitmap& Brighten(TBitmap& bitmap, int amount) {
  if (bitmap.Empty()) return bitmap;
  const int bits = bitmap.BitsPerPixel();
  if (bits != 24 && bits != 32) EnsureDib24(bitmap);
  CheckPixelFormat(bitmap);
  skin::BrightenRows(RowsOf(bitmap), amount);
  return bitmap;
}

win::UniqueRegion FrameRegion(TWinControl& control) {
  HWND window = control.Handle();
  RECT bounds{};
  ::GetWindowRect(window, &bounds);
  POINT client{0, 0};
  ::ClientToScreen(window, &client);
  RECT inner{};
  ::GetClientRect(window, &inner);
  const int dx = client.x - bounds.left, dy = client.y - bounds.top;
  win::UniqueRegion frame(
      ::CreateRectRgn(0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top));
  win::UniqueRegion client_area(::CreateRectRgn(dx, dy, dx + inner.right, dy + inner.bottom));
  if (!frame || !client_area ||
      ::CombineRgn(frame.get(), frame.get(), client_area.get(), RGN_XOR) == ERROR)
    return {};
  return frame;
}

bool ApplyFormRegion(TCustomForm& form, TBitmap& bitmap, TColor transparent) {
  win::UniqueRegion region = FrameRegion(form);
  if (!region) return false;
  HWND window = form.Handle();
  RECT bounds{};
  ::GetWindowRect(window, &bounds);
  POINT client{0, 0};
  ::ClientToScreen(window, &client);
  skin::RunScan scan;
  if (!bitmap.Empty()) {
    std::unique_ptr<TBitmap> copy;
    scan = skin::ScanOpaqueRuns(RowsOf(Readable24(bitmap, copy)), transparent);
  }
  if (!AddRuns(region.get(), scan.runs, client.x - bounds.left, client.y - bounds.top))
    return false;
  const bool applied = GiveRegion(window, std::move(region));
  form.SetBounds(form.Left(), form.Top(), scan.extent, bitmap.Empty() ? 0 : bitmap.Height());
  return applied;
}

bool ApplyControlRegion(TBitmap& bitmap, TColor transparent, HWND window) {
  win::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
  if (!region) return false;
  if (!bitmap.Empty()) {
    std::unique_ptr<TBitmap> copy;
    const skin::RunScan scan =
        skin::ScanOpaqueRuns(RowsOf(Readable24(bitmap, copy)), transparent);
    if (!AddRuns(region.get(), scan.runs, 0, 0)) return false;
  }
  return GiveRegion(window, std::move(region));
}

// ---- hooks -----------------------------------------------------------------------------------

void TSkWindowHooks::HookApplication(TWindowHook::Handler handler) {
  HWND window = Application()->Handle();
  if (window == nullptr) throw Exception("Error: Couldn't get Application.Handle");
  if (!application_.Install(window, std::move(handler)))
    throw EOutOfResources("Error: WndProc pointer = nil");
}

void TSkWindowHooks::HookForm(TCustomForm& form, TWindowHook::Handler handler) {
  if (!form_.Install(form.Handle(), std::move(handler)))
    throw EOutOfResources("Error: WndProc pointer = nil");
}

}  // namespace vornada
