// Tests of the skinned controls' pixel core (native under the sanitizers, and under Wine): the
// stretch maps on the worked examples and on cells too small for their edge rules, stretching a
// cell from rows that run either way, the brightness shift, the eleven fade effects worked out by
// hand from their formulas, where a fade frame stops, and the opaque runs of a picture.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/SkPixels.h"

namespace vornada::skin {
namespace {

using testing::ExpandSpans;

struct MapCase {
  const char* name;
  int cell;
  int target;
  std::vector<int> expected;
  friend void PrintTo(const MapCase& c, std::ostream* os) { *os << c.name; }
};

class ColumnMap : public ::testing::TestWithParam<MapCase> {};
TEST_P(ColumnMap, MatchesTheRule) {
  EXPECT_EQ(StretchColumnMap(GetParam().cell, GetParam().target), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnMap,
    ::testing::Values(
        // 45 -> 60: 0..21 one to one, 21 again up to target column 37, 22..39, then 41..44.
        MapCase{"widen_45_to_60", 45, 60,
                ExpandSpans({{0, 21}, {21, 21, 16}, {22, 39}, {41, 44}})},
        MapCase{"same_width", 7, 7, ExpandSpans({{0, 6}})},
        // Narrower: the first D - 5 columns, then the cell's last five.
        MapCase{"narrow_45_to_20", 45, 20, ExpandSpans({{0, 14}, {40, 44}})},
        MapCase{"narrow_to_five_is_one_to_one", 45, 5, ExpandSpans({{0, 4}})},
        MapCase{"narrow_to_six", 10, 6, ExpandSpans({{0, 0}, {5, 9}})},
        // Cells under 5 columns: the jump to "cell width - 4" would leave the cell; every
        // column stays inside it.
        MapCase{"cell_of_three", 3, 8, ExpandSpans({{0, 0, 7}, {1, 1, 1}})},
        MapCase{"cell_of_one", 1, 6, ExpandSpans({{0, 0, 6}})},
        MapCase{"empty_cell", 0, 6, {}},
        MapCase{"empty_target", 45, 0, {}}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

class RowMap : public ::testing::TestWithParam<MapCase> {};
TEST_P(RowMap, MatchesTheRule) {
  EXPECT_EQ(StretchRowMap(GetParam().cell, GetParam().target), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, RowMap,
    ::testing::Values(
        // 29 -> 20: rows 0..9, 13..19, 26..28.
        MapCase{"lower_29_to_20", 29, 20, ExpandSpans({{0, 9}, {13, 19}, {26, 28}})},
        // 29 -> 40: rows 0..13, 13 again up to target row 20, 14 up to target row 36, 26..28.
        MapCase{"higher_29_to_40", 29, 40,
                ExpandSpans({{0, 13}, {13, 13, 7}, {14, 14, 16}, {26, 28}})},
        MapCase{"same_height", 10, 10, ExpandSpans({{0, 9}})},
        // Cells under 3 rows: "cell height - 3" lies above the cell; rows stay inside it.
        MapCase{"cell_of_two_rows", 2, 7, ExpandSpans({{0, 0, 6}, {1, 1, 1}})},
        MapCase{"cell_of_one_row", 1, 5, ExpandSpans({{0, 0, 5}})},
        MapCase{"empty_cell", 0, 5, {}}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

// ---- stretching pixels -----------------------------------------------------------------------

// A skin whose pixel (x, y) has the colour 0x00yyxx + 0x010000, and whose columns outside the
// cell hold a sentinel colour that must never be copied.
constexpr int32_t kSentinel = 0xABCDEF;
int32_t Code(int column, int row) { return 0x010000 | (row << 8) | column; }

Picture24 CodedSkin(int width, int height, int cell_left, int cell_width) {
  Picture24 skin(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      skin.Set(x, y, x >= cell_left && x < cell_left + cell_width ? Code(x - cell_left, y)
                                                                  : kSentinel);
  return skin;
}

TEST(StretchCell, WorkedExampleShowsTheMappedCellPixels) {
  // A 45 x 29 cell at column 46 of a 181 x 29 skin, stretched to 60 x 40.
  Picture24 skin = CodedSkin(181, 29, 46, 45);
  Picture24 target(60, 40);
  StretchCellRows(skin.Rows(), 46, 45, 29, target.Rows());
  const std::vector<int> columns = ExpandSpans({{0, 21}, {21, 21, 16}, {22, 39}, {41, 44}});
  const std::vector<int> rows = ExpandSpans({{0, 13}, {13, 13, 7}, {14, 14, 16}, {26, 28}});
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x)
      ASSERT_EQ(target.At(x, y), Code(columns[x], rows[y])) << x << "," << y;
}

TEST(StretchCell, SameSizeReproducesTheCell) {
  Picture24 skin = CodedSkin(21, 6, 1, 10);
  Picture24 target(10, 6);
  StretchCellRows(skin.Rows(), 1, 10, 6, target.Rows());
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(target.At(x, y), Code(x, y));
}

// Tiny cells, cells reaching past the skin's right edge or bottom, and a cell left of the skin:
// no pixel outside the cell (the sentinel) or outside the skin (ASan) is read.
struct SmallCellCase {
  const char* name;
  int skin_width, skin_height, cell_left, cell_width, cell_height, target_width, target_height;
  friend void PrintTo(const SmallCellCase& c, std::ostream* os) { *os << c.name; }
};
class StretchSmallCell : public ::testing::TestWithParam<SmallCellCase> {};
TEST_P(StretchSmallCell, ReadsOnlyInsideTheCell) {
  const SmallCellCase& c = GetParam();
  Picture24 skin = CodedSkin(c.skin_width, c.skin_height, c.cell_left, c.cell_width);
  Picture24 target(c.target_width, c.target_height);
  StretchCellRows(skin.Rows(), c.cell_left, c.cell_width, c.cell_height, target.Rows());
  const int visible_width = std::min(c.cell_width, c.skin_width - c.cell_left);
  const int visible_height = std::min(c.cell_height, c.skin_height);
  for (int y = 0; y < c.target_height; ++y)
    for (int x = 0; x < c.target_width; ++x) {
      const int32_t v = target.At(x, y);
      ASSERT_NE(v, kSentinel) << x << "," << y;
      ASSERT_EQ(v & 0xFF0000, 0x010000) << "a cell pixel at " << x << "," << y;
      EXPECT_LT(v & 0xFF, visible_width);
      EXPECT_LT((v >> 8) & 0xFF, visible_height);
    }
}
INSTANTIATE_TEST_SUITE_P(
    Cases, StretchSmallCell,
    ::testing::Values(SmallCellCase{"four_by_two_widened", 13, 2, 5, 4, 2, 9, 7},
                      SmallCellCase{"one_by_one_widened", 7, 1, 3, 1, 1, 8, 8},
                      SmallCellCase{"three_columns_narrowed", 10, 5, 2, 3, 5, 2, 4},
                      SmallCellCase{"cell_wider_than_skin", 10, 4, 6, 9, 4, 12, 4},
                      SmallCellCase{"cell_higher_than_skin", 10, 4, 1, 4, 9, 6, 12}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(StretchCell, NothingToReadGivesBlack) {
  Picture24 skin = CodedSkin(8, 4, 1, 3);
  Picture24 target(5, 3);
  for (auto& b : target.bytes) b = 0x55;
  StretchCellRows(skin.Rows(), 20, 3, 4, target.Rows());  // the cell lies right of the skin
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(target.At(x, y), 0);
}

TEST(StretchCell, RowsRunningBottomUpAndFourBytePixels) {
  // The same coded skin stored bottom-up with four-byte pixels (as a 32-bit DIB section keeps
  // it), read through a negative row step, into a bottom-up three-byte target with padding.
  const int w = 12, h = 9;
  Picture24 coded = CodedSkin(w, h, 2, 8);
  std::vector<uint8_t> skin_memory(static_cast<size_t>(w) * 4 * h, 0xEE);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &skin_memory[(static_cast<size_t>(h - 1 - y) * w + x) * 4];
      const int32_t v = coded.At(x, y);
      p[0] = static_cast<uint8_t>(v >> 16);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v);
    }
  PixelRows skin{skin_memory.data() + static_cast<size_t>(h - 1) * w * 4, -w * 4, w, h, 4};
  const int tw = 11, th = 6, target_stride = 36;  // 33 bytes of pixels, padded to 36
  std::vector<uint8_t> target_memory(static_cast<size_t>(target_stride) * th, 0x77);
  PixelRows target{target_memory.data() + static_cast<size_t>(th - 1) * target_stride,
                   -target_stride, tw, th, 3};
  StretchCellRows(skin, 2, 8, 9, target);
  // 8 -> 11 columns: h = 3; 0..3 one to one, 3 again up to column 6, then 4..7 (the last
  // four). 9 -> 6 rows: v = 3, m = 3; rows 0, 1, 2, then the last three, 6, 7, 8.
  const std::vector<int> columns = ExpandSpans({{0, 3}, {3, 3, 3}, {4, 7}});
  const std::vector<int> rows = ExpandSpans({{0, 2}, {6, 8}});
  ASSERT_EQ(StretchColumnMap(8, 11), columns);
  ASSERT_EQ(StretchRowMap(9, 6), rows);
  for (int y = 0; y < th; ++y)
    for (int x = 0; x < tw; ++x) EXPECT_EQ(ColourOf(target.Row(y) + x * 3), Code(columns[x], rows[y]));
  for (int y = 0; y < th; ++y)
    for (int pad = 33; pad < 36; ++pad)
      EXPECT_EQ(target_memory[static_cast<size_t>(y) * target_stride + pad], 0x77) << "padding";
}

// ---- brightness ------------------------------------------------------------------------------

TEST(Brighten, DeltaIsAmountTimes255Over200Truncated) {
  const std::pair<int, int> cases[] = {{-40, -51}, {40, 51}, {1, 1},   {-1, -1},
                                       {0, 0},     {200, 255}, {-201, -256}, {7, 8}};
  for (auto [amount, delta] : cases) EXPECT_EQ(BrightenDelta(amount), delta) << amount;
}

TEST(Brighten, ChannelsShiftAndStopAtTheirLimits) {
  Picture24 p(3, 1);
  p.Set(0, 0, 0x331A80);  // blue 0x33, green 0x1A, red 0x80
  p.Set(1, 0, 0xFFFFFF);
  p.Set(2, 0, 0x000000);
  BrightenRows(p.Rows(), -40);  // -51 per channel
  EXPECT_EQ(p.At(0, 0), 0x00004D);  // 0x33 - 51 = 0, 0x1A - 51 -> 0, 0x80 - 51 = 0x4D
  EXPECT_EQ(p.At(1, 0), 0xCCCCCC);
  EXPECT_EQ(p.At(2, 0), 0x000000);
  BrightenRows(p.Rows(), 100);  // +127
  EXPECT_EQ(p.At(0, 0), 0x7F7FCC);
  EXPECT_EQ(p.At(1, 0), 0xFFFFFF);
}

TEST(Brighten, FourBytePixelsKeepTheirFourthByte) {
  std::vector<uint8_t> memory = {10, 20, 30, 0x5A, 250, 0, 128, 0xA5};
  PixelRows rows{memory.data(), 8, 2, 1, 4};
  BrightenRows(rows, 20);  // +25
  EXPECT_EQ(memory, (std::vector<uint8_t>{35, 45, 55, 0x5A, 255, 25, 153, 0xA5}));
}

// ---- fades -----------------------------------------------------------------------------------

struct Bgr {
  int b, g, r;
};
struct FadeCase {
  const char* name;
  TSkFadeFx fx;
  int s, k;
  Bgr a, b, p;
  friend void PrintTo(const FadeCase& c, std::ostream* os) { *os << c.name; }
};

class FadeEffect : public ::testing::TestWithParam<FadeCase> {};
TEST_P(FadeEffect, GivesThePixelOfItsFormula) {
  const FadeCase& c = GetParam();
  const uint8_t a[3] = {static_cast<uint8_t>(c.a.b), static_cast<uint8_t>(c.a.g),
                        static_cast<uint8_t>(c.a.r)};
  const uint8_t b[3] = {static_cast<uint8_t>(c.b.b), static_cast<uint8_t>(c.b.g),
                        static_cast<uint8_t>(c.b.r)};
  uint8_t p[3] = {1, 2, 3};
  ASSERT_TRUE(FadePixel(c.fx, c.s, c.k, a, b, p));
  EXPECT_EQ(p[0], c.p.b) << "blue";
  EXPECT_EQ(p[1], c.p.g) << "green";
  EXPECT_EQ(p[2], c.p.r) << "red";
}

// Worked by hand. With S = 10, k = 4: mix(X, Y) = (6X + 4Y) div 10, p = 25, q = 42, r = 63.
// With S = 10, k = 2: mix(X, Y) = (8X + 2Y) div 10, p = 50, q = 31, r = 127.
constexpr Bgr kA1{100, 50, 200}, kB1{20, 240, 128};
constexpr Bgr kA2{0, 128, 255}, kB2{255, 0, 64};
INSTANTIATE_TEST_SUITE_P(
    Cases, FadeEffect,
    ::testing::Values(
        // Tween: (600+80)/10, (300+960)/10, (1200+512)/10.
        FadeCase{"tween_k4", efxfTween, 10, 4, kA1, kB1, {68, 126, 171}},
        FadeCase{"tween_k2", efxfTween, 10, 2, kA2, kB2, {51, 102, 216}},
        FadeCase{"tween_last_step_is_target", efxfTween, 10, 10, kA1, kB1, {20, 240, 128}},
        // S = 4, k = 3: (X + 3Y) / 4.
        FadeCase{"tween_s4_k3", efxfTween, 4, 3, {10, 20, 30}, {50, 60, 70}, {40, 50, 60}},
        // TweenFade: t = ((B div 128)(S-k) + Bk)/S: 80/10=8, 966/10=96, 518/10=51.
        FadeCase{"tween_fade_k4", efxfTweenFade, 10, 4, kA1, kB1, {63, 68, 140}},
        // t = 518/10=51, 0, 128/10=12.
        FadeCase{"tween_fade_k2", efxfTweenFade, 10, 2, kA2, kB2, {10, 102, 206}},
        FadeCase{"tween_fade_last_step_is_target", efxfTweenFade, 10, 10, kA1, kB1,
                 {20, 240, 128}},
        // Fade1: mix(clamp(A+25), t(A)); t(A) = 40, 20, 806/10=80; clamp(A+25) = 125, 75, 225.
        FadeCase{"fade1_k4", efxfFade1, 10, 4, kA1, kB1, {91, 53, 167}},
        // clamp(A+50) = 50, 178, 255; t(A) = 0, 264/10=26, 518/10=51.
        FadeCase{"fade1_k2", efxfFade1, 10, 2, kA2, kB2, {40, 147, 214}},
        // Fade2 and Build: A k / S.
        FadeCase{"fade2_k4", efxfFade2, 10, 4, kA1, kB1, {40, 20, 80}},
        FadeCase{"fade2_k2", efxfFade2, 10, 2, kA2, kB2, {0, 25, 51}},
        FadeCase{"build_k4", efxfBuild, 10, 4, kA1, kB1, {40, 20, 80}},
        // Invert: t = 255 - ((clamp(42 - B) * 24 / 10) mod 256): 255-52, 255, 255.
        FadeCase{"invert_k4", efxfInvert, 10, 4, kA1, kB1, {141, 132, 222}},
        // q = 31: clamp(31 - B) = 0, 31, 0; * 16 / 10: 0, 49, 0; t = 255, 206, 255.
        FadeCase{"invert_k2", efxfInvert, 10, 2, kA2, kB2, {51, 143, 255}},
        // S = 4, k = 3: q = 255; clamp(255 - B) * 3 / 4 = 153, 146, 138; t = 102, 109, 117.
        FadeCase{"invert_s4_k3", efxfInvert, 4, 3, {10, 20, 30}, {50, 60, 70}, {79, 86, 95}},
        // Greyscale: g = (3*128 + 4*20 + 2*240)/9 = 104; t = mix(104, B) = 70, 158, 113.
        FadeCase{"greyscale_k4", efxfGreyscale, 10, 4, kA1, kB1, {88, 93, 165}},
        // g = (3*64 + 4*255)/9 = 134; t = 158, 107, 120.
        FadeCase{"greyscale_k2", efxfGreyscale, 10, 2, kA2, kB2, {31, 123, 228}},
        FadeCase{"greyscale_last_step_is_target", efxfGreyscale, 10, 10, kA1, kB1,
                 {20, 240, 128}},
        // Mess: blue 6*20 - 20/10 = 118; green 1440 - 24 = 1416 mod 256 = 136; red 768 - 128
        // = 640 mod 256 = 128.
        FadeCase{"mess_k4", efxfMess, 10, 4, kA1, kB1, {107, 84, 171}},
        // blue 8*255 - 25 = 2015 mod 256 = 223; green 0; red 512 - 64 = 448 mod 256 = 192.
        FadeCase{"mess_k2", efxfMess, 10, 2, kA2, kB2, {44, 102, 242}},
        // At k = S the terms go negative: -2, -24, -128 keep their low 8 bits: 254, 232, 128.
        FadeCase{"mess_wraps_below_zero", efxfMess, 10, 10, kA1, kB1, {254, 232, 128}},
        // Flash: mix(clamp(A+63), clamp(B-63)) = mix(163|113|255, 0|177|65).
        FadeCase{"flash_k4", efxfFlash, 10, 4, kA1, kB1, {97, 138, 179}},
        // mix(127|255|255, 128|0|0).
        FadeCase{"flash_k2", efxfFlash, 10, 2, kA2, kB2, {127, 204, 204}},
        // Colour1: blue clamp(B.red + A.red - r), green clamp(A.green + r), red clamp(B.red - r).
        FadeCase{"colour1_k4", efxfColour1, 10, 4, kA1, kB1, {255, 113, 65}},
        FadeCase{"colour1_k2", efxfColour1, 10, 2, kA2, kB2, {192, 255, 0}},
        // Colour2: blue clamp(A.blue - r), green clamp(B.green + r), red clamp(B.red - r).
        FadeCase{"colour2_k4", efxfColour2, 10, 4, kA1, kB1, {37, 255, 65}},
        FadeCase{"colour2_k2", efxfColour2, 10, 2, kA2, kB2, {0, 127, 0}}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(FadeEffect, WhichStepsDraw) {
  struct Case {
    TSkFadeFx fx;
    int s, k;
    bool draws;
  };
  const Case cases[] = {
      {efxfInvert, 10, 10, false},  // S - k = 0 leaves q undefined: nothing is drawn
      {efxfInvert, 10, 9, true},     {efxfTween, 10, 10, true},  {efxfTween, 10, 11, false},
      {efxfColour2, 10, 2, true},    {efxfTween, 0, 0, false},   {efxfTween, -3, 1, false},
      {efxfFlash, 10, 0, false},     {static_cast<TSkFadeFx>(11), 10, 3, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FadeStepDraws(c.fx, c.s, c.k), c.draws) << int(c.fx) << " " << c.s << " " << c.k;
  uint8_t a[3] = {1, 2, 3}, b[3] = {4, 5, 6}, p[3] = {7, 8, 9};
  EXPECT_FALSE(FadePixel(efxfInvert, 10, 10, a, b, p));
  EXPECT_EQ(p[0], 7) << "a step that does not draw leaves the pixel";
}

TEST(FadeFrame, EveryPixelOfTheFrameFromTheTop) {
  Picture24 from(3, 2), to(3, 2), frame(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      from.Set(x, y, 0x0A141E);  // blue 10, green 20, red 30
      to.Set(x, y, 0x32 << 16 | (0x3C << 8) | 0x46);  // blue 50, green 60, red 70
    }
  EXPECT_EQ(FadeFrame(efxfTween, 4, 3, from.Rows(), to.Rows(), frame.Rows()), 6);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(frame.At(x, y), 0x28 << 16 | (0x32 << 8) | 0x3C);
}

TEST(FadeFrame, StopsAtTheFirstPixelOutsideASourceKeepingWhatWasWritten) {
  Picture24 from(3, 2), to(2, 2), frame(3, 2);
  for (auto& v : frame.bytes) v = 0x11;
  EXPECT_EQ(FadeFrame(efxfFade2, 10, 5, from.Rows(), to.Rows(), frame.Rows()), 2);
  EXPECT_EQ(frame.At(0, 0), 0);
  EXPECT_EQ(frame.At(1, 0), 0);
  EXPECT_EQ(frame.At(2, 0), 0x111111) << "drawing ended here";
  EXPECT_EQ(frame.At(0, 1), 0x111111);

  Picture24 short_from(3, 1), full_to(3, 2);
  for (auto& v : frame.bytes) v = 0x11;
  EXPECT_EQ(FadeFrame(efxfFade2, 10, 5, short_from.Rows(), full_to.Rows(), frame.Rows()), 3);
  EXPECT_EQ(frame.At(2, 0), 0);
  EXPECT_EQ(frame.At(0, 1), 0x111111);

  for (auto& v : frame.bytes) v = 0x11;
  EXPECT_EQ(FadeFrame(efxfInvert, 10, 10, full_to.Rows(), full_to.Rows(), frame.Rows()), 0);
  EXPECT_EQ(frame.At(0, 0), 0x111111) << "the last invert step draws nothing";
}

// ---- opaque runs -----------------------------------------------------------------------------

Picture24 FromRows(const std::vector<std::string>& rows, int32_t clear, int32_t solid) {
  Picture24 p(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) p.Set(x, y, rows[y][x] == '.' ? clear : solid);
  return p;
}

TEST(OpaqueRuns, OneRunPerStretchOfNonTransparentPixels) {
  constexpr int32_t kClear = 0xFF00FF;
  Picture24 p = FromRows({".##.##",  // runs end at a transparent pixel and at the right edge
                          "......",
                          "#....#",  // a transparent pixel at either end splits exactly there
                          "#.#.#."},
                         kClear, 0x00FE00);
  p.Set(3, 1, kClear + 1);  // one value off the transparent colour is opaque: no tolerance
  const RunScan scan = ScanOpaqueRuns(p.Rows(), kClear);
  const std::vector<OpaqueRun> expected = {{0, 1, 3}, {0, 4, 6}, {1, 3, 4}, {2, 0, 1},
                                           {2, 5, 6}, {3, 0, 1}, {3, 2, 3}, {3, 4, 5}};
  EXPECT_EQ(scan.runs, expected);
  EXPECT_EQ(scan.extent, 6);
}

TEST(OpaqueRuns, ExtentIsTheRightmostOpaqueColumnPlusOne) {
  Picture24 p = FromRows({"##....", ".###..", "......"}, 0, 0x123456);
  const RunScan scan = ScanOpaqueRuns(p.Rows(), 0);
  EXPECT_EQ(scan.extent, 4);
  EXPECT_EQ(scan.runs.size(), 2u);
}

TEST(OpaqueRuns, AllTransparentAndAllOpaque) {
  Picture24 clear = FromRows({"...", "..."}, 0x0000FF, 0);
  const RunScan none = ScanOpaqueRuns(clear.Rows(), 0x0000FF);
  EXPECT_TRUE(none.runs.empty());
  EXPECT_EQ(none.extent, 0);
  const RunScan full = ScanOpaqueRuns(clear.Rows(), 0x00FF00);
  EXPECT_EQ(full.runs, (std::vector<OpaqueRun>{{0, 0, 3}, {1, 0, 3}}));
  EXPECT_EQ(full.extent, 3);
  EXPECT_TRUE(ScanOpaqueRuns(PixelRows{}, 0).runs.empty());
}

}  // namespace
}  // namespace vornada::skin
