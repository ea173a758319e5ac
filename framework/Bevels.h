// Bevels: raised and lowered edges drawn around an area. A windowed control can carry a bevel
// outside its client area (its non-client area, outside scroll bars and a client edge):
// `BevelKind` chooses whether and how (plain edges, soft edges or a flat one-colour line),
// `BevelInner` and `BevelOuter` the inner and outer edge, `BevelEdges` the sides that carry it
// and `BevelWidth` the width of each edge. The bevel is drawn with the platform's DrawEdge;
// what the edge leaves of the band is filled with the control's colour. Panels paint their own
// bevels inside their client area with the same `TBevelCut` values (ExtCtrls.h).
#pragma once

#include <windows.h>

#include "Graphics.h"

namespace vornada {

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum class TBevelKind { bkNone, bkTile, bkSoft, bkFlat };
enum TBevelEdge : unsigned { beLeft = 1, beTop = 2, beRight = 4, beBottom = 8 };
using TBevelEdges = unsigned;
inline constexpr TBevelEdges kAllBevelEdges = beLeft | beTop | beRight | beBottom;

struct TWindowBevel {
  TBevelKind kind = TBevelKind::bkNone;
  TBevelCut inner = TBevelCut::bvRaised;
  TBevelCut outer = TBevelCut::bvLowered;
  TBevelEdges edges = kAllBevelEdges;
  int width = 1;

  // Pixels the bevel takes on each side that carries it (0 without a bevel).
  int EdgeSize() const;
};

// Takes the bevel's band off the window rectangle a WM_NCCALCSIZE proposes, before the window
// class places its own border, scroll bars and client area inside what is left.
void BevelCalcSize(const TWindowBevel& bevel, RECT& proposed);

// Draws the bevel into the window's non-client area (WM_NCPAINT, before the window class paints
// its scroll bars): the edges along the window's outline, the rest of the band in `background`.
void PaintWindowBevel(HWND window, const TWindowBevel& bevel, TColor background);

}  // namespace vornada
