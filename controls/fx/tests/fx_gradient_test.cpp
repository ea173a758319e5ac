// The gradient passes, runs and block copies, and the per-pixel directions. The expected values
// are worked out by hand from the 16.16 pass rule (see each comment).
#include <gtest/gtest.h>

#include <set>

#include "FxGrafxCore.h"

namespace vornada {
namespace {

RgbColor Grey(int v) { return MakeRgb(v, v, v); }
const RgbColor kWhite = Grey(255);

TEST(GradientStrip, TheWindowsSeparatorColumn) {
  // 375 rows, centre form, start white, stop 223: split 187. Pass one (188 positions from 223
  // towards 255): inc = 2097152 / 188 = 11155, row 0 = (14614528 + 187 * 11155) >> 16 = 254.
  // Pass two (187 positions from 255 towards 223): inc = -11214, row 188 =
  // (16711680 - 186 * 11214) >> 16 = 223.
  const auto colors = GradientStripColors(375, TStripForm::sfCentre, kWhite, Grey(223));
  ASSERT_EQ(colors.size(), 375u);
  EXPECT_EQ(colors[0], Grey(254));
  EXPECT_EQ(colors[187], Grey(223));
  EXPECT_EQ(colors[188], Grey(223));
  EXPECT_EQ(colors[374], Grey(255));
  EXPECT_EQ(colors[186], Grey((14614528 + 1 * 11155) >> 16));
  EXPECT_EQ(colors[300], Grey((16711680 - 74 * 11214) >> 16));

  const auto runs = GradientStripRuns(375, TStripForm::sfCentre, kWhite, Grey(223), 1);
  int pass_one = 0, pass_two = 0;
  for (const auto& run : runs) (run.high <= 187 ? pass_one : pass_two)++;
  EXPECT_EQ(pass_one, 32);
  EXPECT_EQ(pass_two, 33);
  // Painting order: pass one from its top position down, then pass two from the end down.
  EXPECT_EQ(runs.front().high, 187);
  EXPECT_EQ(runs[31].low, 0);
  EXPECT_EQ(runs[32].high, 374);
  EXPECT_EQ(runs.back().low, 188);
  // The runs cover every position exactly once, each in the colour of its positions.
  std::vector<int> covered(375, 0);
  for (const auto& run : runs)
    for (int p = run.low; p <= run.high; ++p) {
      ++covered[static_cast<size_t>(p)];
      EXPECT_EQ(run.color, colors[static_cast<size_t>(p)]) << p;
    }
  for (int n : covered) EXPECT_EQ(n, 1);
}

struct FormCase {
  TStripForm form;
  std::vector<int> values;  // start 255, stop 0, one channel (all three equal)
};
class ShortStrips : public ::testing::TestWithParam<FormCase> {};
TEST_P(ShortStrips, ValuesOfEachPosition) {
  const auto& c = GetParam();
  const auto colors = GradientStripColors(static_cast<int>(c.values.size()), c.form, kWhite, Grey(0));
  ASSERT_EQ(colors.size(), c.values.size());
  for (size_t i = 0; i < colors.size(); ++i) EXPECT_EQ(colors[i], Grey(c.values[i])) << i;
}
INSTANTIATE_TEST_SUITE_P(
    CentreAndEnd, ShortStrips,
    ::testing::Values(
        // Centre, length 1: split 0, pass one is the single stop position.
        FormCase{TStripForm::sfCentre, {0}},
        // Length 2: split 1, pass one 1 -> 0: inc = 8355840, position 0 = 127; pass two empty.
        FormCase{TStripForm::sfCentre, {127, 0}},
        // Length 3: as length 2, then pass two at position 2 begins with the start colour.
        FormCase{TStripForm::sfCentre, {127, 0, 255}},
        // Length 4: split 2, pass one over 3 positions: inc = 5570560 -> 0, 85, 170.
        FormCase{TStripForm::sfCentre, {170, 85, 0, 255}},
        FormCase{TStripForm::sfEnd, {0}},
        FormCase{TStripForm::sfEnd, {127, 0}},
        FormCase{TStripForm::sfEnd, {170, 85, 0}},
        // End, length 4: inc = 4177920 -> 0, 63, 127, 191 from the end.
        FormCase{TStripForm::sfEnd, {191, 127, 63, 0}}));

TEST(GradientStrip, OverlongStripsGiveNothing) {
  EXPECT_EQ(GradientStripColors(kMaxGradientLength, TStripForm::sfEnd, 0, 0).size(),
            static_cast<size_t>(kMaxGradientLength));
  EXPECT_TRUE(GradientStripColors(kMaxGradientLength + 1, TStripForm::sfEnd, 0, 0).empty());
  EXPECT_TRUE(GradientStripRuns(2147483647, TStripForm::sfCentre, 0, 0, 1).empty());
}

TEST(GradientStrip, ChannelsMoveIndependently) {
  // End form over 2 positions from (0, 100, 200) towards (255, 0, 50): position 0 is half way
  // (truncated): 127, 50, 125.
  const auto colors = GradientStripColors(2, TStripForm::sfEnd, MakeRgb(255, 0, 50), MakeRgb(0, 100, 200));
  EXPECT_EQ(colors[1], MakeRgb(0, 100, 200));
  EXPECT_EQ(colors[0], MakeRgb(127, 50, 125));
}

TEST(GradientStrip, BandStepSetsTheMinimumRunLength) {
  EXPECT_EQ(MinimumRunLength(0), 1);
  EXPECT_EQ(MinimumRunLength(1), 1);
  EXPECT_EQ(MinimumRunLength(3), 3);
  EXPECT_EQ(MinimumRunLength(8), 8);
  EXPECT_EQ(MinimumRunLength(9), 29);
  EXPECT_EQ(MinimumRunLength(255), 2);
  // End form over 10 positions from 0 towards 255: inc = 1671168, position 9 - k gets
  // floor(k * 25.5): 0, 25, 51, 76, 102, 127, 153, 178, 204, 229.
  const auto plain = GradientStripRuns(10, TStripForm::sfEnd, kWhite, Grey(0), 1);
  EXPECT_EQ(plain.size(), 10u);
  const auto banded = GradientStripRuns(10, TStripForm::sfEnd, kWhite, Grey(0), 3);
  const std::vector<GradientRun> expected = {
      {7, 9, Grey(0)}, {4, 6, Grey(76)}, {1, 3, Grey(153)}, {0, 0, Grey(229)}};
  EXPECT_EQ(banded, expected);
  // BandStep 20: runs of at least 255 / 20 + 1 = 13 positions, so one run.
  const std::vector<GradientRun> one = {{0, 9, Grey(0)}};
  EXPECT_EQ(GradientStripRuns(10, TStripForm::sfEnd, kWhite, Grey(0), 20), one);
}

TEST(GradientStrip, EqualColoursMakeOneRunPerPass) {
  const auto runs = GradientStripRuns(9, TStripForm::sfCentre, Grey(7), Grey(7), 1);
  const std::vector<GradientRun> expected = {{0, 4, Grey(7)}, {5, 8, Grey(7)}};
  EXPECT_EQ(runs, expected);
  EXPECT_TRUE(GradientStripRuns(0, TStripForm::sfEnd, Grey(0), Grey(9), 1).empty());
  EXPECT_TRUE(GradientStripRuns(-4, TStripForm::sfCentre, Grey(0), Grey(9), 1).empty());
}

TEST(Replication, DoublesTheFilledBlock) {
  // A strip along x (W x 8) spread down a 100 x 50 area: 8 -> 16 -> 32 -> 50 rows.
  const std::vector<BlockCopy> down = {{0, 8, 100, 8}, {0, 16, 100, 16}, {0, 32, 100, 18}};
  EXPECT_EQ(ReplicationPlan(100, 8, 100, 50), down);
  // A strip along y (8 x H) over a 30 wide area: 8 -> 16 -> 30 columns.
  const std::vector<BlockCopy> across = {{8, 0, 8, 40}, {16, 0, 14, 40}};
  EXPECT_EQ(ReplicationPlan(8, 40, 30, 40), across);
  // Both short: height first, then alternating, then what is still short.
  const std::vector<BlockCopy> both = {
      {0, 2, 3, 2}, {3, 0, 3, 4}, {0, 4, 6, 4}, {6, 0, 4, 8}, {0, 8, 10, 1}};
  EXPECT_EQ(ReplicationPlan(3, 2, 10, 9), both);
  // The window's separator: an 8-wide strip already covers its 5 columns.
  EXPECT_TRUE(ReplicationPlan(8, 375, 5, 375).empty());
  EXPECT_TRUE(ReplicationPlan(0, 8, 10, 10).empty());
}

TEST(Replication, ThePlanCoversTheWholeAreaOnce) {
  for (int tw : {1, 7, 8, 9, 64, 375})
    for (int th : {1, 2, 8, 13, 200}) {
      const int fw = 8 < tw ? 8 : tw, fh = th;  // a strip along y
      std::vector<int> covered(static_cast<size_t>(tw * th), 0);
      for (int y = 0; y < fh; ++y)
        for (int x = 0; x < fw; ++x) covered[static_cast<size_t>(y * tw + x)] = 1;
      for (const auto& c : ReplicationPlan(8, th, tw, th)) {
        for (int y = 0; y < c.height; ++y)
          for (int x = 0; x < c.width; ++x) {
            ASSERT_LT(c.dest_x + x, tw);
            ASSERT_LT(c.dest_y + y, th);
            // Copies read only what is filled already.
            ASSERT_EQ(covered[static_cast<size_t>(y * tw + x)], 1);
            ++covered[static_cast<size_t>((c.dest_y + y) * tw + c.dest_x + x)];
          }
      }
      for (int n : covered) ASSERT_EQ(n, 1) << tw << "x" << th;
    }
}

RgbColor At(const std::vector<RgbColor>& pixels, int width, int x, int y) {
  return pixels.at(static_cast<size_t>(y * width + x));
}

TEST(GradientPixels, DiagonalsRunFromCornerToCorner) {
  // 4 x 3, start 255, stop 0: 6 positions (x + y), end form: inc = 2785280, position 5 - k
  // gets floor(k * 42.5): 5: 0, 4: 42, 3: 85, 2: 127, 1: 170, 0: 212.
  const auto down = GradientPixels(TGradientDirection::gdDiagonalDown, 4, 3, kWhite, Grey(0), 1);
  EXPECT_EQ(At(down, 4, 0, 0), Grey(212));
  EXPECT_EQ(At(down, 4, 3, 2), Grey(0));
  EXPECT_EQ(At(down, 4, 3, 0), Grey(85));
  EXPECT_EQ(At(down, 4, 0, 2), Grey(127));
  EXPECT_EQ(At(down, 4, 1, 1), Grey(127));
  const auto up = GradientPixels(TGradientDirection::gdDiagonalUp, 4, 3, kWhite, Grey(0), 1);
  EXPECT_EQ(At(up, 4, 0, 2), Grey(212));
  EXPECT_EQ(At(up, 4, 3, 0), Grey(0));
  EXPECT_EQ(At(up, 4, 0, 0), Grey(127));
  EXPECT_EQ(At(up, 4, 3, 2), Grey(85));
}

TEST(GradientPixels, BoxesHaveTheStartColourOutsideAndTheStopColourInside) {
  // 7 x 5. Horizontal box: 3 positions (0: 170, 1: 85, 2: 0) by the distance to the nearest edge.
  const auto hbox = GradientPixels(TGradientDirection::gdHorizontalBox, 7, 5, kWhite, Grey(0), 1);
  EXPECT_EQ(At(hbox, 7, 0, 0), Grey(170));
  EXPECT_EQ(At(hbox, 7, 6, 4), Grey(170));
  EXPECT_EQ(At(hbox, 7, 1, 2), Grey(85));
  EXPECT_EQ(At(hbox, 7, 3, 2), Grey(0));
  EXPECT_EQ(At(hbox, 7, 2, 2), Grey(0));
  // Vertical box: 4 positions (191, 127, 63, 0) over half the width; this area is too low for
  // the middle to get further than position 2.
  const auto vbox = GradientPixels(TGradientDirection::gdVerticalBox, 7, 5, kWhite, Grey(0), 1);
  EXPECT_EQ(At(vbox, 7, 0, 0), Grey(191));
  EXPECT_EQ(At(vbox, 7, 3, 2), Grey(63));
  // Square box: 4 positions by the larger distance from the centre (in half pixels / 2).
  const auto square = GradientPixels(TGradientDirection::gdSquareBox, 7, 5, kWhite, Grey(0), 1);
  EXPECT_EQ(At(square, 7, 3, 2), Grey(0));
  EXPECT_EQ(At(square, 7, 0, 0), Grey(191));
  EXPECT_EQ(At(square, 7, 6, 2), Grey(191));
  EXPECT_EQ(At(square, 7, 3, 0), Grey(127));
  // Big square box: the same 4 positions, each axis against its own half size: every edge
  // pixel is at the start end.
  const auto big = GradientPixels(TGradientDirection::gdBigSquareBox, 7, 5, kWhite, Grey(0), 1);
  EXPECT_EQ(At(big, 7, 3, 2), Grey(0));
  EXPECT_EQ(At(big, 7, 0, 0), Grey(191));
  EXPECT_EQ(At(big, 7, 3, 0), Grey(191));
  EXPECT_EQ(At(big, 7, 0, 2), Grey(191));
  EXPECT_EQ(At(big, 7, 1, 1), Grey(127));
}

TEST(GradientPixels, StripDirectionsMatchTheirStrips) {
  const auto column = GradientStripColors(9, TStripForm::sfCentre, Grey(10), Grey(200));
  const auto pixels = GradientPixels(TGradientDirection::gdHorizontalCenter, 3, 9, Grey(10), Grey(200), 1);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(At(pixels, 3, x, y), column[static_cast<size_t>(y)]);
  const auto row = GradientStripColors(6, TStripForm::sfEnd, Grey(10), Grey(200));
  const auto vertical = GradientPixels(TGradientDirection::gdVerticalEnd, 6, 2, Grey(10), Grey(200), 1);
  for (int x = 0; x < 6; ++x) EXPECT_EQ(At(vertical, 6, x, 1), row[static_cast<size_t>(x)]);
}

TEST(GradientPixels, EmptyAndHugeAreasGiveNothing) {
  EXPECT_TRUE(GradientPixels(TGradientDirection::gdSquareBox, 0, 5, 0, 0, 1).empty());
  EXPECT_TRUE(GradientPixels(TGradientDirection::gdDiagonalUp, 5, -1, 0, 0, 1).empty());
  EXPECT_TRUE(GradientPixels(TGradientDirection::gdDiagonalUp, 100000, 100000, 0, 0, 1).empty());
  // One pixel is the stop colour in every direction.
  for (int d = 0; d <= static_cast<int>(TGradientDirection::gdBigSquareBox); ++d) {
    const auto one = GradientPixels(static_cast<TGradientDirection>(d), 1, 1, Grey(3), Grey(99), 1);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], Grey(99)) << d;
  }
}

}  // namespace
}  // namespace vornada
