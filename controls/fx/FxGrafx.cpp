// Gradient fills (see FxGrafx.h).
#include "FxGrafx.h"

#include <cstdlib>

#include "DcPixels.h"

namespace vornada {

void FillGradientStrip(HDC target, TGradientAxis axis, int length, TStripForm form,
                       TColor start_color, TColor stop_color, BYTE band_step) {
  const auto runs = GradientStripRuns(length, form, ResolveRgb(start_color),
                                      ResolveRgb(stop_color), band_step);
  for (const GradientRun& run : runs) {
    const RECT r = axis == TGradientAxis::gaAlongY ? RECT{0, run.low, 8, run.high + 1}
                                                   : RECT{run.low, 0, run.high + 1, 8};
    win::UniqueBrush brush(::CreateSolidBrush(static_cast<COLORREF>(run.color)));
    ::FillRect(target, &r, brush.get());
  }
}

void ReplicateStrip(HDC target, int filled_width, int filled_height, int total_width,
                    int total_height) {
  for (const BlockCopy& c : ReplicationPlan(filled_width, filled_height, total_width, total_height))
    ::BitBlt(target, c.dest_x, c.dest_y, c.width, c.height, target, 0, 0, SRCCOPY);
}

void DrawGradient(TCanvas& canvas, const RECT& bounds, TGradientDirection direction,
                  TColor start_color, TColor stop_color, BYTE band_step) {
  const TColor start = ToTColor(ResolveRgb(start_color)), stop = ToTColor(ResolveRgb(stop_color));
  const int64_t w64 = std::abs(int64_t{bounds.right} - bounds.left),
                h64 = std::abs(int64_t{bounds.bottom} - bounds.top);
  if (w64 == 0 || h64 == 0) return;
  // Larger than any display: refused as a bitmap of that size would be.
  if (w64 > kMaxGradientLength || h64 > kMaxGradientLength || w64 * h64 > kMaxGradientArea)
    throw EOutOfResources("Out of system resources");
  const int w = static_cast<int>(w64), h = static_cast<int>(h64);
  TBitmap work;
  work.SetPixelFormat(TPixelFormat::pf32bit);
  work.SetSize(w, h);
  {
    TCanvas& wc = work.Canvas();
    ScopedCanvasLock lock(wc);
    wc.Pen().SetWidth(1);
    wc.Pen().SetStyle(TPenStyle::psClear);
    wc.Pen().SetMode(TPenMode::pmCopy);
    wc.Brush().SetStyle(TBrushStyle::bsSolid);
    HDC dc = wc.Handle();
    switch (direction) {
      case TGradientDirection::gdHorizontalEnd:
      case TGradientDirection::gdHorizontalCenter:
        FillGradientStrip(dc, TGradientAxis::gaAlongY, h,
                          direction == TGradientDirection::gdHorizontalEnd ? TStripForm::sfEnd
                                                                           : TStripForm::sfCentre,
                          start, stop, band_step);
        ReplicateStrip(dc, 8, h, w, h);
        break;
      case TGradientDirection::gdVerticalEnd:
      case TGradientDirection::gdVerticalCenter:
        FillGradientStrip(dc, TGradientAxis::gaAlongX, w,
                          direction == TGradientDirection::gdVerticalEnd ? TStripForm::sfEnd
                                                                         : TStripForm::sfCentre,
                          start, stop, band_step);
        ReplicateStrip(dc, w, 8, w, h);
        break;
      default: {
        const auto pixels = GradientPixels(direction, w, h, ResolveRgb(start), ResolveRgb(stop), band_step);
        if (pixels.empty()) throw EOutOfResources("Out of system resources");
        win::WriteDcPixels(dc, 0, 0, w, h, pixels);
        break;
      }
    }
  }
  ScopedCanvasLock lock(work.Canvas());
  ::BitBlt(canvas.Handle(), bounds.left, bounds.top, w, h, work.Canvas().Handle(), 0, 0, SRCCOPY);
}

void DrawTransparentCell(TCanvas& canvas, TBitmap& source, const RECT& dest,
                         const RECT& source_rect, TColor transparent_color) {
  const int w = dest.right - dest.left, h = dest.bottom - dest.top;
  if (w <= 0 || h <= 0 || source.Empty()) return;
  ScopedCanvasLock lock(source.Canvas());
  // A bitmap's transparent colour may carry the palette-relative flag; it is a plain colour.
  TColor plain = transparent_color;
  if ((plain & static_cast<TColor>(0xFF000000)) == 0x02000000) plain &= 0xFFFFFF;
  const COLORREF key = static_cast<COLORREF>(ResolveRgb(plain));
  TransparentStretch(canvas.Handle(), RECT{0, 0, w, h}, source.Canvas().Handle(), source_rect, key,
                     source.Palette());
}

}  // namespace vornada
