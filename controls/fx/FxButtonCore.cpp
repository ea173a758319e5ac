// Bitmap button arithmetic (see FxButtonCore.h).
#include "FxButtonCore.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vornada {

FxRect ButtonFocusRect(const ButtonGeometryInput& b) {
  const int inset = b.mode == ButtonFaceMode::kClassic ? 4 : 3;
  FxRect f = FxRect{0, 0, b.width, b.height}.Deflate(inset, inset);
  if (b.grouped && IsPressed(b)) f = f.Offset(1, 1);
  return f;
}

std::vector<FxPoint> FocusBorderDots(FxRect f) {
  std::vector<FxPoint> dots;
  for (int y = f.top + 1; y < f.bottom; y += 2) {
    dots.push_back({f.left, y});
    dots.push_back({f.right - 1, y});
  }
  for (int x = f.left + 1; x < f.right; x += 2) {
    dots.push_back({x, f.top});
    dots.push_back({x, f.bottom - 1});
  }
  return dots;
}

FxRect ButtonCaptionRect(const ButtonGeometryInput& b) {
  FxRect r = FxRect{0, 0, b.width, b.height}.Deflate(5, 5);
  if (b.mode == ButtonFaceMode::kClassic && IsPressed(b)) r = r.Offset(1, 1);
  return r;
}

namespace {
GlyphLayoutInput BoundedLayout(GlyphLayoutInput g) {
  g.margin = Bounded(g.margin);
  g.spacing = Bounded(g.spacing);
  g.glyph_width = Bounded(g.glyph_width);
  g.glyph_height = Bounded(g.glyph_height);
  g.caption_height = Bounded(g.caption_height);
  return g;
}

TButtonLayout EffectiveLayout(const GlyphLayoutInput& g) {
  if (g.right_to_left && g.layout == TButtonLayout::blGlyphLeft) return TButtonLayout::blGlyphRight;
  return g.layout;
}
}  // namespace

FxRect BitBtnCaptionRect(const ButtonGeometryInput& b, const GlyphLayoutInput& in) {
  FxRect r = ButtonCaptionRect(b);
  if (!in.has_glyph) return r;
  const GlyphLayoutInput g = BoundedLayout(in);
  const int w = g.glyph_width, h = g.glyph_height;
  const TButtonLayout layout = EffectiveLayout(g);
  if (g.margin >= 0 || layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphRight) {
    const int margin = g.margin >= 0 ? g.margin : -1;
    switch (layout) {
      case TButtonLayout::blGlyphLeft: r.left += margin + w + g.spacing; break;
      case TButtonLayout::blGlyphRight: r.right -= margin + w + g.spacing; break;
      case TButtonLayout::blGlyphTop: r.top += margin + h + g.spacing; break;
      case TButtonLayout::blGlyphBottom: r.bottom -= margin + h + g.spacing; break;
    }
    return r;
  }
  // Margin -1, glyph above or below: glyph and caption centred together.
  const int free_height = (b.height - (h + g.caption_height + g.spacing)) / 2;
  if (layout == TButtonLayout::blGlyphTop) r.top += free_height + h;
  else r.top += free_height;
  r.bottom = r.top + g.caption_height;
  return r;
}

FxRect BitBtnGlyphRect(const ButtonGeometryInput& b, const GlyphLayoutInput& in) {
  const GlyphLayoutInput g = BoundedLayout(in);
  const bool themed = b.mode == ButtonFaceMode::kThemed;
  FxRect r = ButtonCaptionRect(b);
  if (b.pressed_look) r = themed ? r.Offset(-1, 0) : r.Offset(-1, -1);
  const int w = g.glyph_width, h = g.glyph_height;
  const TButtonLayout layout = EffectiveLayout(g);
  if (g.margin >= 0) {
    switch (layout) {
      case TButtonLayout::blGlyphLeft: r.left += g.margin; break;
      case TButtonLayout::blGlyphRight: r.left = r.right - g.margin - w; break;
      case TButtonLayout::blGlyphTop: r.top += g.margin; break;
      case TButtonLayout::blGlyphBottom: r.top = r.bottom - g.margin - h; break;
    }
  } else {
    const int free_height = (b.height - (h + g.caption_height + g.spacing)) / 2;
    switch (layout) {
      case TButtonLayout::blGlyphLeft: break;
      case TButtonLayout::blGlyphRight: r.left = r.right - w; break;
      case TButtonLayout::blGlyphTop: r.top = free_height; break;
      case TButtonLayout::blGlyphBottom: r.top += g.caption_height + free_height; break;
    }
  }
  if (layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphRight)
    r.top += (r.bottom - r.top - h + 1) / 2;
  else
    r.left += (r.right - r.left - w + 1) / 2;
  r.right = r.left + w;
  r.bottom = r.top + h;
  if (b.pressed_look) r = themed ? r.Offset(2, 0) : r.Offset(1, 1);
  return r;
}

FxRect PlaceCaptionVertically(FxRect r, TAlignmentVertical placement, int h) {
  switch (placement) {
    case TAlignmentVertical::avTop:
      r.bottom = r.top + h;
      break;
    case TAlignmentVertical::avCenter:
      r.top = (r.top + r.bottom - h) / 2;
      r.bottom = r.top + h;
      break;
    case TAlignmentVertical::avBottom:
      r.top = r.bottom - h - 1;
      break;
  }
  return r;
}

int NumGlyphsFor(int width, int height, int current) {
  if (height == 0 || width % height != 0) return current;
  const int n = width / height;
  return n >= 1 && n <= 4 ? n : 1;
}

int GlyphCell(int num_glyphs, bool down, bool pressed_look, bool enabled) {
  if (num_glyphs == 4 && down) return 3;
  if (num_glyphs >= 3 && pressed_look) return 2;
  if (num_glyphs >= 2 && !enabled) return 1;
  return 0;
}

int ThemedPushButtonState(const ThemedStateInput& s) {
  if (!s.enabled) return 4;
  if (s.pressed) return 3;
  if (s.mouse_inside) return 2;
  if (s.grouped || (!s.active && !s.focused) || s.pressed_look) return 1;
  return 5;
}

std::vector<TextCopy> ButtonTextCopies(TTextStyle style, bool light, int depth, bool right_aligned,
                                       bool enabled) {
  depth = Bounded(depth);
  std::vector<TextCopy> copies = LabelTextCopies(style, light, depth, enabled);
  if (!enabled) return copies;
  if (!right_aligned) return copies;
  for (TextCopy& c : copies) {
    // The drop shadow stays at the caption rectangle's right edge, under the moved caption.
    if (style == TTextStyle::tsShadow && c.color == TextCopyColor::kShadow) c.dx = 0;
    // The caption and the raised or recessed copies that belong to it move together.
    else c.dx -= depth;
  }
  return copies;
}

std::vector<FrameRing> ClassicBevelRings(bool pressed, bool system_face, RgbColor face,
                                         const ClassicColors& sys) {
  if (system_face) {
    if (pressed) return {{sys.text, sys.text}, {sys.shadow, sys.shadow}};
    return {{sys.highlight, sys.dark_shadow}, {sys.light, sys.shadow}};
  }
  if (pressed) {
    const RgbColor outer = DarkenRgb(face, 100), inner = DarkenRgb(face, 50);
    return {{outer, outer}, {inner, inner}};
  }
  return {{LightenRgb(face, 100), DarkenRgb(face, 100)}, {LightenRgb(face, 40), DarkenRgb(face, 50)}};
}

HotTrackRing HotTrackHighlight(TFxHotTrackColorType type, RgbColor hot) {
  if (type == TFxHotTrackColorType::htctActual) return {MixRgb(MakeRgb(255, 255, 255), hot, 190), hot};
  const RgbColor top = OppositeHueRgb(hot, 180);
  return {top, DarkenRgb(top, 30)};
}

HotTrackRing FocusHighlight(RgbColor face, RgbColor highlight, RgbColor system_face) {
  const RgbColor b = LightenRgb(face, 30);
  const RgbColor h = RgbNearlyEqual(highlight, system_face) ? DarkenRgb(highlight, 30) : highlight;
  return {MixRgb(h, b, 60), MixRgb(h, b, 160)};
}

RgbColor DisabledCaptionColor(RgbColor face, RgbColor gray_text, RgbColor dark_shadow) {
  return RgbNearlyEqual(face, gray_text) ? dark_shadow : gray_text;
}

RgbColor DownPatternPixel(RgbColor face, int x, int y) {
  const RgbColor silver = MakeRgb(192, 192, 192), grey = MakeRgb(128, 128, 128);
  if ((x & 1) != (y & 1)) return face;
  return face == silver ? grey : silver;
}

// ---- stock kinds -----------------------------------------------------------------------------

StockKind StockKindOf(TBitBtnKind kind) {
  switch (kind) {
    case TBitBtnKind::bkOK: return {L"OK", 1, true, false};
    case TBitBtnKind::bkCancel: return {L"Cancel", 2, false, true};
    case TBitBtnKind::bkHelp: return {L"&Help", 0, false, false};
    case TBitBtnKind::bkYes: return {L"&Yes", 6, true, false};
    case TBitBtnKind::bkNo: return {L"&No", 7, false, true};
    case TBitBtnKind::bkClose: return {L"&Close", 0, false, false};
    case TBitBtnKind::bkAbort: return {L"Abort", 3, false, false};
    case TBitBtnKind::bkRetry: return {L"&Retry", 4, false, false};
    case TBitBtnKind::bkIgnore: return {L"&Ignore", 5, false, false};
    case TBitBtnKind::bkAll: return {L"&All", 8, false, false};
    default: return {L"", 0, false, false};
  }
}

namespace {

using Art = std::array<std::string_view, kStockGlyphSize>;

// The stock pictures, drawn for this program: '.' is background.
constexpr Art kCheck = {
    "..................", "..................", "..................", "..............gg..",
    ".............ggg..", "............ggg...", "...........ggg....", "..........ggg.....",
    "..gg.....ggg......", "..ggg...ggg.......", "...ggg.ggg........", "....ggggg.........",
    ".....ggg..........", "......g...........", "..................", "..................",
    "..................", ".................."};
constexpr Art kCross = {
    "..................", "..................", "...rr........rr...", "...rrr......rrr...",
    "....rrr....rrr....", ".....rrr..rrr.....", "......rrrrrr......", ".......rrrr.......",
    ".......rrrr.......", "......rrrrrr......", ".....rrr..rrr.....", "....rrr....rrr....",
    "...rrr......rrr...", "...rr........rr...", "..................", "..................",
    "..................", ".................."};
constexpr Art kQuestion = {
    "..................", "......bbbbbb......", ".....bbb..bbb.....", ".....bb....bb.....",
    "...........bb.....", "..........bbb.....", ".........bbb......", "........bbb.......",
    "........bb........", "........bb........", "..................", "........bb........",
    "........bb........", "..................", "..................", "..................",
    "..................", ".................."};
constexpr Art kNo = {
    "..................", "......rrrrrr......", "....rrr....rrr....", "...rr.......rrr...",
    "...r.......rr.r...", "..rr......rr..rr..", "..r......rr....r..", "..r.....rr.....r..",
    "..r....rr......r..", "..r...rr.......r..", "..rr.rr.......rr..", "...rrr........r...",
    "...rrr.......rr...", "....rrr....rrr....", "......rrrrrr......", "..................",
    "..................", ".................."};
constexpr Art kDoor = {
    "..................", ".....kkkkkkkk.....", ".....kyyyyyyk.....", ".....kyyyyyyk.....",
    ".....kyyyyyyk.....", ".....kyyyyyyk.....", ".....kyyyyyyk.....", ".....kyyyykyk.....",
    ".....kyyyyyyk.....", ".....kyyyyyyk.....", ".....kyyyyyyk.....", ".....kyyyyyyk.....",
    ".....kyyyyyyk.....", ".....kkkkkkkk.....", "..................", "..................",
    "..................", ".................."};
constexpr Art kAbort = {
    "..................", "......rrrrrr......", "....rr......rr....", "...r..........r...",
    "..r..rr....rr..r..", "..r...rr..rr...r..", ".r.....rrrr.....r.", ".r......rr......r.",
    ".r.....rrrr.....r.", "..r...rr..rr...r..", "..r..rr....rr..r..", "...r..........r...",
    "....rr......rr....", "......rrrrrr......", "..................", "..................",
    "..................", ".................."};
constexpr Art kRetry = {
    "..................", "......gggggg......", "....ggg....ggg....", "...gg........gg...",
    "..gg..........g...", "..g.........ggggg.", "..g..........ggg..", "..g...........g...",
    "..g...............", "..gg..............", "...gg........gg...", "....ggg....ggg....",
    "......gggggg......", "..................", "..................", "..................",
    "..................", ".................."};
constexpr Art kIgnore = {
    "..................", "..................", "......bbbbb.......", "....bb.....bb.....",
    "...b.........b....", "..b...........b...", "..b.........bbbbb.", "..b..........bbb..",
    "..b...........b...", "..................", ".kkkkkkkkkkkkkkkk.", "..................",
    "..................", "..................", "..................", "..................",
    "..................", ".................."};
constexpr Art kAll = {
    "..................", "..................", "...............gg.", "..............ggg.",
    ".......gg....ggg..", "......ggg...ggg...", ".....ggg...ggg....", ".gg.ggg.g.ggg.....",
    ".gggggg.gggg......", "..gggg..ggg.......", "...gg....g........", "..................",
    "..................", "..................", "..................", "..................",
    "..................", ".................."};

const Art* ArtOf(TBitBtnKind kind) {
  switch (kind) {
    case TBitBtnKind::bkOK:
    case TBitBtnKind::bkYes: return &kCheck;
    case TBitBtnKind::bkCancel: return &kCross;
    case TBitBtnKind::bkHelp: return &kQuestion;
    case TBitBtnKind::bkNo: return &kNo;
    case TBitBtnKind::bkClose: return &kDoor;
    case TBitBtnKind::bkAbort: return &kAbort;
    case TBitBtnKind::bkRetry: return &kRetry;
    case TBitBtnKind::bkIgnore: return &kIgnore;
    case TBitBtnKind::bkAll: return &kAll;
    default: return nullptr;
  }
}

RgbColor LegendColor(char c) {
  switch (c) {
    case 'g': return MakeRgb(0, 128, 0);
    case 'r': return MakeRgb(192, 0, 0);
    case 'b': return MakeRgb(0, 0, 160);
    case 'y': return MakeRgb(255, 255, 0);
    default: return MakeRgb(0, 0, 0);
  }
}

}  // namespace

std::vector<RgbColor> StockGlyphPixels(TBitBtnKind kind, RgbColor transparent) {
  const Art* art = ArtOf(kind);
  if (art == nullptr) return {};
  constexpr int n = kStockGlyphSize, w = 2 * kStockGlyphSize;
  std::vector<RgbColor> pixels(static_cast<size_t>(w * n), transparent);
  auto at = [&](int x, int y) -> RgbColor& { return pixels[static_cast<size_t>(y * w + x)]; };
  auto ink = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < n && y < n && (*art)[static_cast<size_t>(y)][static_cast<size_t>(x)] != '.';
  };
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      if (ink(x, y)) at(x, y) = LegendColor((*art)[static_cast<size_t>(y)][static_cast<size_t>(x)]);
  // The disabled cell: the shape embossed, a white copy one pixel down and right under a grey
  // one (the bottom row and right column stay background, as in the enabled cell).
  for (int y = 0; y < n - 1; ++y)
    for (int x = 0; x < n - 1; ++x)
      if (ink(x, y)) at(n + x + 1, y + 1) = MakeRgb(255, 255, 255);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      if (ink(x, y)) at(n + x, y) = MakeRgb(128, 128, 128);
  return pixels;
}

}  // namespace vornada
