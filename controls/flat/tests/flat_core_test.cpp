// Tests of the flat controls' portable core: the platform's MulDiv rounding, the gradient's
// colour table (rounded half to even) and band rows, the dithering with a seeded and with
// planted random sources, the 16-column repetition, the one-pixel border rings (drawn by an
// independent rasterizer of the polylines), and the panel, button and edit geometry.
#include <gtest/gtest.h>

#include <cfenv>
#include <climits>
#include <map>
#include <ostream>
#include <set>
#include <utility>
#include <vector>

#include "FlGeometry.h"
#include "FlGradient.h"

namespace vornada::flat {
namespace {

// ---- MulDiv ----------------------------------------------------------------------------------

struct MulDivCase {
  int a, b, c, expected;
};

TEST(MulDiv, RoundsToNearestWithHalvesAwayFromZero) {
  const MulDivCase cases[] = {
      {0, 23, 32, 0},
      {1, 16, 32, 1},       // 0.5 -> 1
      {1, 23, 32, 1},       // 0.72
      {3, 23, 32, 2},       // 2.16
      {16, 23, 32, 12},     // 11.5 -> 12
      {31, 62, 32, 60},     // 60.06
      {32, 23, 32, 23},
      {-1, 16, 32, -1},     // -0.5 -> -1
      {1, -16, 32, -1},
      {7, 10, -3, -23},     // -23.33
      {-7, 10, -3, 23},
      {5, 7, 0, -1},        // no divisor
      {INT_MAX, 4, 2, -1},  // the result does not fit
      {INT_MAX, 2, 2, INT_MAX},  // the product does not fit in 32 bits, the result does
  };
  for (const MulDivCase& c : cases)
    EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << " * " << c.b << " / " << c.c;
}

// ---- colour table ----------------------------------------------------------------------------

// Round(num / den) for a quotient that is never exactly half-way, in exact integer arithmetic.
int NearestOfQuotient(int num, int den) {
  const int n = 2 * num + den, d = 2 * den;
  return n >= 0 ? n / d : -((-n + d - 1) / d);  // floor division
}

TEST(GradientColorTable, EachChannelMovesByRoundedThirtyFirsts) {
  const std::pair<Rgb, Rgb> gradients[] = {
      {MakeRgb(255, 255, 255), MakeRgb(239, 235, 231)},  // face
      {MakeRgb(214, 207, 198), MakeRgb(247, 243, 235)},  // pressed face
      {MakeRgb(255, 243, 206), MakeRgb(231, 150, 0)},    // hot frame
      {MakeRgb(206, 231, 255), MakeRgb(109, 132, 239)},  // focus frame
      {MakeRgb(0, 128, 255), MakeRgb(255, 127, 0)},
  };
  for (const auto& [top, bottom] : gradients) {
    const std::vector<Rgb> table = GradientColorTable(top, bottom, 32);
    ASSERT_EQ(table.size(), 32u);
    EXPECT_EQ(table.front(), top);
    EXPECT_EQ(table.back(), bottom);
    for (int i = 0; i < 32; ++i) {
      auto expected = [&](int t, int b) { return t + NearestOfQuotient(i * (b - t), 31); };
      const Rgb want = MakeRgb(expected(RedOf(top), RedOf(bottom)),
                               expected(GreenOf(top), GreenOf(bottom)),
                               expected(BlueOf(top), BlueOf(bottom)));
      EXPECT_EQ(table[static_cast<size_t>(i)], want) << "colour " << i;
    }
  }
}

TEST(GradientColorTable, ValuesWorkedOutByHand) {
  const std::vector<Rgb> face = GradientColorTable(MakeRgb(255, 255, 255), MakeRgb(239, 235, 231), 32);
  // 255 + Round(-16/31), 255 + Round(-20/31), 255 + Round(-24/31)
  EXPECT_EQ(face[1], MakeRgb(254, 254, 254));
  // 255 + Round(-240/31 = -7.74), 255 + Round(-300/31 = -9.68), 255 + Round(-360/31 = -11.61)
  EXPECT_EQ(face[15], MakeRgb(247, 245, 243));
  const std::vector<Rgb> hot = GradientColorTable(MakeRgb(255, 243, 206), MakeRgb(231, 150, 0), 32);
  // 255 + Round(-384/31 = -12.39), 243 - 48, 206 + Round(-3296/31 = -106.32)
  EXPECT_EQ(hot[16], MakeRgb(243, 195, 100));
}

TEST(GradientColorTable, HalvesGoToTheEvenNeighbourWhateverTheRoundingMode) {
  // With three bands the middle colour is half-way: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, 10 - 1.5 -> 8.
  const int saved = std::fegetround();
  std::fesetround(FE_UPWARD);
  const std::vector<Rgb> table = GradientColorTable(MakeRgb(0, 0, 0), MakeRgb(1, 3, 5), 3);
  const std::vector<Rgb> falling = GradientColorTable(MakeRgb(10, 10, 10), MakeRgb(7, 7, 7), 3);
  EXPECT_EQ(std::fegetround(), FE_UPWARD) << "the caller's rounding mode is left as it was";
  std::fesetround(saved);
  EXPECT_EQ(table[1], MakeRgb(0, 2, 2));
  EXPECT_EQ(falling[1], MakeRgb(8, 8, 8));
}

TEST(GradientColorTable, OneBandIsTheTopColour) {
  const std::vector<Rgb> table = GradientColorTable(MakeRgb(1, 2, 3), MakeRgb(200, 100, 50), 1);
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table[0], MakeRgb(1, 2, 3));
}

// ---- bands -----------------------------------------------------------------------------------

// The band a row belongs to: the last band whose first row, MulDiv(i, h, 32) (for non-negative
// values (i × h + 16) div 32), is not below it.
int BandOfRow(int y, int height) {
  int band = 0;
  for (int i = 0; i < 32; ++i)
    if ((i * height + 16) / 32 <= y) band = i;
  return band;
}

TEST(GradientStrip, WithoutDitherEveryRowHasItsBandColour) {
  const Rgb top = MakeRgb(255, 255, 255), bottom = MakeRgb(239, 235, 231);
  const std::vector<Rgb> colors = GradientColorTable(top, bottom, 32);
  const auto never = [](int) -> int {
    ADD_FAILURE() << "no random numbers without dithering";
    return 0;
  };
  for (const int h : {1, 5, 23, 31, 64, 100}) {
    for (const int w : {1, 7, 16, 40}) {
      const GradientStrip g = MakeGradientStrip(w, h, top, bottom, 32, false, never);
      ASSERT_EQ(g.width, w);
      ASSERT_EQ(g.height, h);
      ASSERT_EQ(g.strip_width, std::min(w, 16));
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(g.At(x, y), colors[static_cast<size_t>(BandOfRow(y, h))])
              << w << "x" << h << " at " << x << "," << y;
    }
  }
}

TEST(GradientStrip, BandBoundariesOfAButtonFace) {
  // A 73 x 25 button's hot frame is 71 x 23. Band 15 starts at MulDiv(15, 23, 32) = 11 (10.78);
  // band 16 at MulDiv(16, 23, 32) = 12 (11.5 rounded up), but so does band 17 (12.22), which
  // paints over it; band 18 starts at 13 (12.94); band 31 covers the last row.
  const Rgb top = MakeRgb(255, 243, 206), bottom = MakeRgb(231, 150, 0);
  const std::vector<Rgb> colors = GradientColorTable(top, bottom, 32);
  const GradientStrip g = MakeGradientStrip(71, 23, top, bottom, 32, false, {});
  EXPECT_EQ(g.At(30, 0), top);
  EXPECT_EQ(g.At(30, 11), colors[15]);
  EXPECT_EQ(g.At(30, 12), colors[17]);
  EXPECT_EQ(g.At(30, 13), colors[18]);
  EXPECT_EQ(g.At(30, 22), bottom);
}

TEST(GradientStrip, EmptyForSizesBelowOne) {
  for (const auto& [w, h] : {std::pair{0, 10}, {10, 0}, {-3, 5}, {5, -3}}) {
    const GradientStrip g = MakeGradientStrip(w, h, 0, 0xFFFFFF, 32, true, [](int) { return 0; });
    EXPECT_TRUE(g.pixels.empty());
    EXPECT_EQ(g.width, 0);
  }
}

// ---- dithering -------------------------------------------------------------------------------

TEST(GradientStrip, DitherAsksForRandomRowsInTheRuleOrder) {
  // For each band 1 .. 31, each of the 16 columns, k = 0 .. h div 31.
  const int h = 70;  // two random rows per column: k = 0, 1, 2
  std::vector<int> asked;
  MakeGradientStrip(40, h, MakeRgb(0, 0, 0), MakeRgb(255, 255, 255), 32, true, [&](int k) {
    asked.push_back(k);
    return 0;
  });
  std::vector<int> expected;
  for (int band = 1; band < 32; ++band)
    for (int x = 0; x < 16; ++x)
      for (int k = 0; k <= h / 31; ++k) expected.push_back(k);
  EXPECT_EQ(asked, expected);
}

TEST(GradientStrip, ZeroRandomRowsPaintEachBandsFirstRowInThePreviousColour) {
  const Rgb top = MakeRgb(206, 231, 255), bottom = MakeRgb(109, 132, 239);
  const std::vector<Rgb> colors = GradientColorTable(top, bottom, 32);
  for (const int h : {23, 64, 100}) {
    const GradientStrip g = MakeGradientStrip(50, h, top, bottom, 32, true, [](int) { return 0; });
    for (int y = 0; y < h; ++y) {
      const int band = BandOfRow(y, h);
      const bool first_row = band > 0 && (band * h + 16) / 32 == y;
      const Rgb want = colors[static_cast<size_t>(first_row ? band - 1 : band)];
      for (int x = 0; x < 50; ++x) ASSERT_EQ(g.At(x, y), want) << h << ": " << x << "," << y;
    }
  }
}

TEST(GradientStrip, LargestRandomRowsShiftEachBandDownToTheNext) {
  // h = 64: bands are two rows each (band i at rows 2i, 2i + 1) and k runs 0 .. 2; a source that
  // always answers k - 1 (0 for k = 0) marks rows 2i, 2i and 2i + 1 of band i in colour i - 1.
  // So row y shows colour y div 2 - 1, except the top band's two rows, which keep colour 0.
  const Rgb top = MakeRgb(0, 0, 0), bottom = MakeRgb(31, 62, 93);
  const std::vector<Rgb> colors = GradientColorTable(top, bottom, 32);
  const GradientStrip g = MakeGradientStrip(33, 64, top, bottom, 32, true,
                                            [](int k) { return k > 0 ? k - 1 : 0; });
  for (int y = 0; y < 64; ++y) {
    const int want = y < 2 ? 0 : y / 2 - 1;
    for (int x = 0; x < 33; ++x)
      ASSERT_EQ(g.At(x, y), colors[static_cast<size_t>(want)]) << x << "," << y;
  }
}

TEST(GradientStrip, SeededDitherStaysAtEachBandsTopEdgeAndRepeatsEvery16Columns) {
  const Rgb top = MakeRgb(255, 255, 255), bottom = MakeRgb(0, 0, 0);
  const std::vector<Rgb> colors = GradientColorTable(top, bottom, 32);
  const int w = 70, h = 200, tries = h / 31;  // random rows 0 .. 5 below each band's top
  DitherRandom random(12345);
  const GradientStrip g = MakeGradientStrip(w, h, top, bottom, 32, true,
                                            [&](int k) { return random.Next(k); });
  int dithered = 0;
  for (int y = 0; y < h; ++y) {
    const int band = BandOfRow(y, h);
    const int band_top = (band * h + 16) / 32;
    for (int x = 0; x < w; ++x) {
      const Rgb c = g.At(x, y);
      ASSERT_EQ(c, g.At(x % 16, y)) << "repeats every 16 columns, at " << x << "," << y;
      if (band > 0 && y == band_top) {
        ASSERT_EQ(c, colors[static_cast<size_t>(band - 1)]) << "k = 0 marks the top row";
      } else if (band > 0 && y < band_top + tries) {
        ASSERT_TRUE(c == colors[static_cast<size_t>(band)] || c == colors[static_cast<size_t>(band - 1)])
            << x << "," << y;
        if (c != colors[static_cast<size_t>(band)] && x < 16) ++dithered;
      } else {
        ASSERT_EQ(c, colors[static_cast<size_t>(band)]) << "undithered row " << y;
      }
    }
  }
  EXPECT_GT(dithered, 31 * 16 / 4) << "the random rows below the top edge are used";

  // The same seed gives the same pattern; another seed another one.
  DitherRandom again(12345), other(777);
  const GradientStrip same = MakeGradientStrip(w, h, top, bottom, 32, true,
                                               [&](int k) { return again.Next(k); });
  const GradientStrip different = MakeGradientStrip(w, h, top, bottom, 32, true,
                                                    [&](int k) { return other.Next(k); });
  EXPECT_EQ(same.pixels, g.pixels);
  EXPECT_NE(different.pixels, g.pixels);
}

TEST(DitherRandom, FollowsItsCongruentialRuleAndStaysInRange) {
  // State 0 -> 1 -> 0x08088406: Next(k) is the high half of state × k.
  DitherRandom r(0);
  EXPECT_EQ(r.Next(1000), 0);                // 1 × 1000 >> 32
  EXPECT_EQ(r.State(), 1u);
  EXPECT_EQ(r.Next(100), 3);                 // 134775814 × 100 >> 32 = 3.14
  EXPECT_EQ(r.State(), 0x08088406u);
  EXPECT_EQ(r.Next(0), 0);
  EXPECT_EQ(r.Next(-5), 0);

  DitherRandom s(42);
  std::map<int, int> seen;
  for (int i = 0; i < 20000; ++i) {
    const int v = s.Next(4);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 4);
    ++seen[v];
  }
  for (int v = 0; v < 4; ++v) EXPECT_GT(seen[v], 4000) << "value " << v << " is drawn often";
}

// ---- border rings ----------------------------------------------------------------------------

// Pixels the platform draws for a polyline with a one-pixel pen: each axis-parallel segment from
// its start up to, not including, its end.
std::set<std::pair<int, int>> Rasterize(const std::array<Point, 3>& line) {
  std::set<std::pair<int, int>> pixels;
  for (size_t i = 0; i + 1 < line.size(); ++i) {
    const Point a = line[i], b = line[i + 1];
    const int dx = (b.x > a.x) - (b.x < a.x), dy = (b.y > a.y) - (b.y < a.y);
    for (Point p = a; !(p == b); p = {p.x + dx, p.y + dy}) pixels.insert({p.x, p.y});
  }
  return pixels;
}

std::set<std::pair<int, int>> Outline(int left, int top, int right, int bottom) {
  std::set<std::pair<int, int>> pixels;
  for (int x = left; x <= right; ++x) {
    pixels.insert({x, top});
    pixels.insert({x, bottom});
  }
  for (int y = top; y <= bottom; ++y) {
    pixels.insert({left, y});
    pixels.insert({right, y});
  }
  return pixels;
}

TEST(FrameRings, EachRingCoversExactlyOneOutlineInsideTheLastOne) {
  struct Case {
    int width, height, rings;
  };
  for (const Case c : {Case{121, 21, 1}, Case{121, 21, 2}, Case{121, 21, 3}, Case{40, 27, 4},
                       Case{3, 3, 2}, Case{10, 4, 2}}) {
    Rect r{0, 0, c.width, c.height};
    const std::vector<RingPolylines> rings = FrameRings(r, c.rings);
    ASSERT_EQ(rings.size(), static_cast<size_t>(c.rings));
    for (int i = 0; i < c.rings; ++i) {
      std::set<std::pair<int, int>> drawn = Rasterize(rings[static_cast<size_t>(i)].first);
      const auto second = Rasterize(rings[static_cast<size_t>(i)].second);
      drawn.insert(second.begin(), second.end());
      EXPECT_EQ(drawn, Outline(i, i, c.width - 1 - i, c.height - 1 - i))
          << c.width << "x" << c.height << " ring " << i;
    }
    EXPECT_EQ(r, (Rect{c.rings, c.rings, c.width - c.rings, c.height - c.rings}))
        << "left shrunk by the rings for the next frame";
  }
}

TEST(FrameRings, NoRingsLeaveTheRectangle) {
  Rect r{2, 3, 50, 20};
  EXPECT_TRUE(FrameRings(r, 0).empty());
  EXPECT_EQ(r, (Rect{2, 3, 50, 20}));
}

// ---- panel, button and edit geometry ---------------------------------------------------------

TEST(PanelGeometry, CaptionLineIsCentredWithTheTopRoundedTowardZero) {
  // Defaults: 185 x 41, border 1, offset 10, a 13-pixel "W": top (11 + 30 - 13) div 2 = 14.
  EXPECT_EQ(PanelCaptionRect(185, 41, 1, 10, 13), (Rect{11, 14, 174, 27}));
  // A panel too low for its offsets: (11 + (-1) - 13) div 2 = -3 div 2 = -1 (toward zero).
  EXPECT_EQ(PanelCaptionRect(100, 10, 1, 10, 13), (Rect{11, -1, 89, 12}));
  // The main window's panels: border 3, offset 10.
  EXPECT_EQ(PanelCaptionRect(620, 555, 3, 10, 16), (Rect{13, 269, 607, 285}));
}

TEST(PanelGeometry, CornerSizeIsPassedOnAsComputed) {
  EXPECT_EQ(PanelCornerSize(1, 10), -10);
  EXPECT_EQ(PanelCornerSize(3, 1), 1);
  EXPECT_EQ(PanelCornerSize(10, 30), -21);
}

TEST(ButtonGeometry, GlyphAndCaptionPlaces) {
  struct Case {
    const char* what;
    ButtonLayout layout;
    Point glyph;
    Rect caption;
  };
  const Case cases[] = {
      {"enabled, no glyph", EnabledButtonLayout(73, 25, 0, 0, 0), {0, 0}, {4, 0, 69, 25}},
      {"enabled, 16 x 16 glyph", EnabledButtonLayout(73, 25, 0, 16, 16), {7, 4}, {23, 0, 69, 25}},
      {"pressed with offset 2", EnabledButtonLayout(73, 25, 2, 16, 16), {9, 6}, {25, 2, 71, 27}},
      {"glyph taller than the button", EnabledButtonLayout(40, 10, 0, 8, 17), {7, -3}, {15, 0, 36, 10}},
      {"disabled, 16 x 16 glyph", DisabledButtonLayout(73, 25, 16, 16), {7, 4}, {21, 2, 71, 23}},
      {"disabled, no glyph", DisabledButtonLayout(73, 25, 0, 0), {0, 0}, {2, 2, 71, 23}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.layout.glyph, c.glyph) << c.what;
    EXPECT_EQ(c.layout.caption, c.caption) << c.what;
  }
}

TEST(EditGeometry, HeightIsTheFontCellPlusRoomForTheBorder) {
  EXPECT_EQ(EditAutoHeight(13, 16, 1, true, true), 21);   // 8 border heights
  EXPECT_EQ(EditAutoHeight(13, 16, 1, true, false), 19);  // 6 when flat
  EXPECT_EQ(EditAutoHeight(22, 16, 2, true, true), 38);
  EXPECT_EQ(EditAutoHeight(13, 16, 1, false, true), 20);  // 4 + min(16, 13) div 4
  EXPECT_EQ(EditAutoHeight(30, 16, 1, false, true), 38);  // 4 + 16 div 4
}

}  // namespace
}  // namespace vornada::flat
