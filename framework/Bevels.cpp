// Bevels of windowed controls: the non-client band they take and its drawing.
#include "Bevels.h"

#include "WinHandles.h"

namespace vornada {

int TWindowBevel::EdgeSize() const {
  if (kind == TBevelKind::bkNone || width <= 0) return 0;
  int size = 0;
  if (inner != TBevelCut::bvNone) size += width;
  if (outer != TBevelCut::bvNone) size += width;
  return size;
}

void BevelCalcSize(const TWindowBevel& bevel, RECT& proposed) {
  const int size = bevel.EdgeSize();
  if (size == 0) return;
  if (bevel.edges & beLeft) proposed.left += size;
  if (bevel.edges & beTop) proposed.top += size;
  if (bevel.edges & beRight) proposed.right -= size;
  if (bevel.edges & beBottom) proposed.bottom -= size;
  if (proposed.right < proposed.left) proposed.right = proposed.left;
  if (proposed.bottom < proposed.top) proposed.bottom = proposed.top;
}

namespace {

UINT InnerEdgeStyle(TBevelCut cut) {
  switch (cut) {
    case TBevelCut::bvLowered: return BDR_SUNKENINNER;
    case TBevelCut::bvRaised: return BDR_RAISEDINNER;
    default: return 0;
  }
}

UINT OuterEdgeStyle(TBevelCut cut) {
  switch (cut) {
    case TBevelCut::bvLowered: return BDR_SUNKENOUTER;
    case TBevelCut::bvRaised: return BDR_RAISEDOUTER;
    default: return 0;
  }
}

UINT KindFlags(TBevelKind kind) {
  switch (kind) {
    case TBevelKind::bkSoft: return BF_SOFT;
    case TBevelKind::bkFlat: return BF_FLAT;
    default: return 0;
  }
}

}  // namespace

void PaintWindowBevel(HWND window, const TWindowBevel& bevel, TColor background) {
  if (bevel.EdgeSize() == 0) return;
  win::ScopedGetWindowDC dc(window);
  if (dc.get() == nullptr) return;
  RECT outline{};
  ::GetWindowRect(window, &outline);
  // The client area in window coordinates: the bevel never paints over it.
  RECT client{};
  ::GetClientRect(window, &client);
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  ::OffsetRect(&client, origin.x - outline.left, origin.y - outline.top);
  ::OffsetRect(&outline, -outline.left, -outline.top);
  ::ExcludeClipRect(dc.get(), client.left, client.top, client.right, client.bottom);
  // The band is the outermost part of the non-client area: its edges run along the outline.
  RECT inside = outline;
  ::DrawEdge(dc.get(), &inside, InnerEdgeStyle(bevel.inner) | OuterEdgeStyle(bevel.outer),
             bevel.edges | KindFlags(bevel.kind) | BF_ADJUST);
  RECT band_inner = outline;
  BevelCalcSize(bevel, band_inner);
  // What the edges left of the band (wider bevels) gets the control's colour.
  if (::EqualRect(&inside, &band_inner)) return;
  win::UniqueBrush brush(::CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(background))));
  RECT r = inside;
  ::IntersectClipRect(dc.get(), r.left, r.top, r.right, r.bottom);
  ::ExcludeClipRect(dc.get(), band_inner.left, band_inner.top, band_inner.right, band_inner.bottom);
  ::FillRect(dc.get(), &r, brush.get());
}

}  // namespace vornada
