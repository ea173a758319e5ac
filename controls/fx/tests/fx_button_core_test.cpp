// The bitmap button's arithmetic: the window's 137 x 25 button themed and classic, the glyph
// layouts and margins, the cell rules, the visual-style states, caption copies, bevel colours
// and the stock kinds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "FxButtonCore.h"

namespace vornada {
namespace {

ButtonGeometryInput WindowButton(ButtonFaceMode mode, bool pressed) {
  ButtonGeometryInput b;
  b.width = 137;
  b.height = 25;
  b.mode = mode;
  b.pressed_look = pressed;
  return b;
}

GlyphLayoutInput SixteenPixelGlyph() {
  GlyphLayoutInput g;
  g.glyph_width = 16;
  g.glyph_height = 16;
  g.has_glyph = true;
  g.caption_height = 13;
  return g;
}

TEST(ButtonGeometry, TheWindowsButtonThemed) {
  const auto rest = WindowButton(ButtonFaceMode::kThemed, false);
  EXPECT_EQ(ButtonFocusRect(rest), (FxRect{3, 3, 134, 22}));
  EXPECT_EQ(BitBtnGlyphRect(rest, SixteenPixelGlyph()), (FxRect{7, 5, 23, 21}));
  EXPECT_EQ(BitBtnCaptionRect(rest, SixteenPixelGlyph()), (FxRect{27, 5, 132, 20}));
  const auto pressed = WindowButton(ButtonFaceMode::kThemed, true);
  EXPECT_EQ(BitBtnGlyphRect(pressed, SixteenPixelGlyph()), (FxRect{8, 5, 24, 21}));
  EXPECT_EQ(BitBtnCaptionRect(pressed, SixteenPixelGlyph()), (FxRect{27, 5, 132, 20}));
}

TEST(ButtonGeometry, TheWindowsButtonClassic) {
  const auto rest = WindowButton(ButtonFaceMode::kClassic, false);
  EXPECT_EQ(ButtonFocusRect(rest), (FxRect{4, 4, 133, 21}));
  EXPECT_EQ(BitBtnGlyphRect(rest, SixteenPixelGlyph()), (FxRect{7, 5, 23, 21}));
  const auto pressed = WindowButton(ButtonFaceMode::kClassic, true);
  EXPECT_EQ(BitBtnGlyphRect(pressed, SixteenPixelGlyph()), (FxRect{8, 6, 24, 22}));
  EXPECT_EQ(BitBtnCaptionRect(pressed, SixteenPixelGlyph()), (FxRect{28, 6, 133, 21}));
  // The focus border does not move for a pressed ungrouped button; a grouped one moves it.
  EXPECT_EQ(ButtonFocusRect(pressed), (FxRect{4, 4, 133, 21}));
  auto grouped = WindowButton(ButtonFaceMode::kClassic, false);
  grouped.grouped = true;
  grouped.down = true;
  EXPECT_EQ(ButtonFocusRect(grouped), (FxRect{5, 5, 134, 22}));
  // Hot-track mode: inset 3, and the caption does not move when pressed.
  const auto hot = WindowButton(ButtonFaceMode::kHotTrack, true);
  EXPECT_EQ(ButtonFocusRect(hot), (FxRect{3, 3, 134, 22}));
  EXPECT_EQ(ButtonCaptionRect(hot), (FxRect{5, 5, 132, 20}));
}

struct LayoutCase {
  TButtonLayout layout;
  int margin;
  bool right_to_left;
  FxRect caption, glyph;
};
class GlyphLayoutTable : public ::testing::TestWithParam<LayoutCase> {};
TEST_P(GlyphLayoutTable, CaptionRoomAndGlyphPlace) {
  // A 100 x 60 classic button at rest, glyph 16 x 16, spacing 4, caption 13 high.
  ButtonGeometryInput b;
  b.width = 100;
  b.height = 60;
  GlyphLayoutInput g = SixteenPixelGlyph();
  g.layout = GetParam().layout;
  g.margin = GetParam().margin;
  g.right_to_left = GetParam().right_to_left;
  EXPECT_EQ(BitBtnCaptionRect(b, g), GetParam().caption);
  EXPECT_EQ(BitBtnGlyphRect(b, g), GetParam().glyph);
}
INSTANTIATE_TEST_SUITE_P(
    Layouts, GlyphLayoutTable,
    ::testing::Values(
        // Caption rectangle before the glyph's room: (5, 5, 95, 55).
        // Left, margin 2: caption left 5 + 2 + 16 + 4 = 27; glyph at 7, centred across
        // (55 - 5 - 16 + 1) / 2 = 17 -> top 22.
        LayoutCase{TButtonLayout::blGlyphLeft, 2, false, {27, 5, 95, 55}, {7, 22, 23, 38}},
        // Right-to-left reading turns left into right: glyph at 95 - 2 - 16 = 77.
        LayoutCase{TButtonLayout::blGlyphLeft, 2, true, {5, 5, 73, 55}, {77, 22, 93, 38}},
        LayoutCase{TButtonLayout::blGlyphRight, 2, false, {5, 5, 73, 55}, {77, 22, 93, 38}},
        // Top: glyph top 5 + 2, centred along (95 - 5 - 16 + 1) / 2 = 37 -> left 42.
        LayoutCase{TButtonLayout::blGlyphTop, 2, false, {5, 27, 95, 55}, {42, 7, 58, 23}},
        LayoutCase{TButtonLayout::blGlyphBottom, 2, false, {5, 5, 95, 33}, {42, 37, 58, 53}},
        // Margin -1, left: caption left 5 - 1 + 16 + 4 = 24, glyph at the rectangle's left.
        LayoutCase{TButtonLayout::blGlyphLeft, -1, false, {24, 5, 95, 55}, {5, 22, 21, 38}},
        LayoutCase{TButtonLayout::blGlyphRight, -1, false, {5, 5, 76, 55}, {79, 22, 95, 38}},
        // Margin -1, top: free (60 - (16 + 13 + 4)) / 2 = 13; glyph top 13; caption top
        // 5 + 13 + 16 = 34, 13 high.
        LayoutCase{TButtonLayout::blGlyphTop, -1, false, {5, 34, 95, 47}, {42, 13, 58, 29}},
        // Bottom: caption top 5 + 13 = 18; glyph top 5 + 13 + 13 = 31.
        LayoutCase{TButtonLayout::blGlyphBottom, -1, false, {5, 18, 95, 31}, {42, 31, 58, 47}}));

TEST(ButtonGeometry, ExtremeMarginsAndSpacingStayWithinBounds) {
  GlyphLayoutInput g = SixteenPixelGlyph();
  g.margin = 2147483647;
  g.spacing = 2147483647;
  for (TButtonLayout layout : {TButtonLayout::blGlyphLeft, TButtonLayout::blGlyphRight,
                               TButtonLayout::blGlyphTop, TButtonLayout::blGlyphBottom}) {
    g.layout = layout;
    const auto b = WindowButton(ButtonFaceMode::kClassic, true);
    const FxRect caption = BitBtnCaptionRect(b, g), glyph = BitBtnGlyphRect(b, g);
    EXPECT_LE(std::abs(caption.left) + std::abs(caption.right), 4 * kMaxExtent);
    EXPECT_EQ(glyph.Width(), 16);
  }
  EXPECT_EQ(ButtonTextCopies(TTextStyle::tsShadow, false, 2147483647, true, true)[1].dx, -kMaxExtent);
}

TEST(ButtonGeometry, WithoutAGlyphTheCaptionKeepsItsRectangle) {
  GlyphLayoutInput g;
  const auto b = WindowButton(ButtonFaceMode::kClassic, false);
  EXPECT_EQ(BitBtnCaptionRect(b, g), (FxRect{5, 5, 132, 20}));
}

TEST(ButtonGeometry, CaptionVerticalPlacement) {
  const FxRect r{27, 5, 132, 20};
  EXPECT_EQ(PlaceCaptionVertically(r, TAlignmentVertical::avTop, 13), (FxRect{27, 5, 132, 18}));
  // (5 + 20 - 13) / 2 = 6.
  EXPECT_EQ(PlaceCaptionVertically(r, TAlignmentVertical::avCenter, 13), (FxRect{27, 6, 132, 19}));
  EXPECT_EQ(PlaceCaptionVertically(r, TAlignmentVertical::avBottom, 13), (FxRect{27, 6, 132, 20}));
  // Taller than the rectangle: (0 + 10 - 15) / 2 is -2 (towards zero).
  EXPECT_EQ(PlaceCaptionVertically({0, 0, 50, 10}, TAlignmentVertical::avCenter, 15),
            (FxRect{0, -2, 50, 13}));
}

TEST(ButtonFocus, DotsAtEverySecondPositionOfEachEdge) {
  const auto dots = FocusBorderDots({3, 3, 9, 8});
  std::set<std::pair<int, int>> set;
  for (auto p : dots) set.insert({p.x, p.y});
  // Left and right columns (x 3 and 8) at y 4 and 6; top and bottom rows (y 3 and 7) at x 4, 6, 8.
  const std::set<std::pair<int, int>> expected = {{3, 4}, {8, 4}, {3, 6}, {8, 6}, {4, 3}, {4, 7},
                                                  {6, 3}, {6, 7}, {8, 3}, {8, 7}};
  EXPECT_EQ(set, expected);
}

TEST(ButtonGlyphs, NumGlyphsFromTheBitmapSize) {
  EXPECT_EQ(NumGlyphsFor(64, 16, 1), 4);
  EXPECT_EQ(NumGlyphsFor(48, 16, 1), 3);
  EXPECT_EQ(NumGlyphsFor(32, 16, 1), 2);
  EXPECT_EQ(NumGlyphsFor(16, 16, 3), 1);
  EXPECT_EQ(NumGlyphsFor(80, 16, 2), 1);
  EXPECT_EQ(NumGlyphsFor(20, 16, 3), 3);
  EXPECT_EQ(NumGlyphsFor(20, 0, 2), 2);
  EXPECT_EQ(NumGlyphsFor(8, 16, 2), 2);
}

TEST(ButtonGlyphs, CellByState) {
  struct Case {
    int num;
    bool down, pressed, enabled;
    int cell;
  };
  const Case cases[] = {{4, true, false, true, 3},  {4, true, true, false, 3},
                        {3, true, false, true, 0},  {3, false, true, true, 2},
                        {2, false, true, true, 0},  {2, false, false, false, 1},
                        {3, false, true, false, 2}, {1, false, false, false, 0},
                        {4, false, false, true, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(GlyphCell(c.num, c.down, c.pressed, c.enabled), c.cell)
        << c.num << c.down << c.pressed << c.enabled;
}

TEST(ButtonThemes, PushButtonStates) {
  ThemedStateInput s;
  EXPECT_EQ(ThemedPushButtonState(s), 1);  // neither active nor focused
  s.focused = true;
  EXPECT_EQ(ThemedPushButtonState(s), 5);
  s.pressed_look = true;
  EXPECT_EQ(ThemedPushButtonState(s), 1);
  s.pressed = true;
  EXPECT_EQ(ThemedPushButtonState(s), 3);
  s.mouse_inside = true;
  EXPECT_EQ(ThemedPushButtonState(s), 3);
  s.pressed = false;
  EXPECT_EQ(ThemedPushButtonState(s), 2);
  s.enabled = false;
  EXPECT_EQ(ThemedPushButtonState(s), 4);
  ThemedStateInput active;
  active.active = true;
  EXPECT_EQ(ThemedPushButtonState(active), 5);
  active.grouped = true;
  EXPECT_EQ(ThemedPushButtonState(active), 1);
}

TEST(ButtonCaption, RightAlignedCaptionsMoveLeftByTheDepth) {
  constexpr auto kHi = TextCopyColor::kHighlight, kSh = TextCopyColor::kShadow,
                 kMain = TextCopyColor::kMain;
  const std::vector<TextCopy> normal = {{-2, 0, kMain}};
  EXPECT_EQ(ButtonTextCopies(TTextStyle::tsNormal, false, 2, true, true), normal);
  const std::vector<TextCopy> shadow = {{0, 2, kSh}, {-2, 0, kMain}};
  EXPECT_EQ(ButtonTextCopies(TTextStyle::tsShadow, false, 2, true, true), shadow);
  const std::vector<TextCopy> shadow_left = {{2, 2, kSh}, {0, 0, kMain}};
  EXPECT_EQ(ButtonTextCopies(TTextStyle::tsShadow, false, 2, false, true), shadow_left);
  const std::vector<TextCopy> raised = {{-1, 1, kSh}, {-3, -1, kHi}, {-2, 0, kMain}};
  EXPECT_EQ(ButtonTextCopies(TTextStyle::tsRaised, false, 2, true, true), raised);
  const std::vector<TextCopy> disabled = {{0, 0, TextCopyColor::kDisabled}};
  EXPECT_EQ(ButtonTextCopies(TTextStyle::tsShadow, false, 2, true, false), disabled);
}

TEST(ButtonColours, ClassicBevels) {
  const ClassicColors sys{MakeRgb(255, 255, 255), MakeRgb(64, 64, 64), MakeRgb(227, 227, 227),
                          MakeRgb(128, 128, 128), MakeRgb(0, 0, 0)};
  const std::vector<FrameRing> raised = {{sys.highlight, sys.dark_shadow}, {sys.light, sys.shadow}};
  EXPECT_EQ(ClassicBevelRings(false, true, 0, sys), raised);
  const std::vector<FrameRing> pressed = {{sys.text, sys.text}, {sys.shadow, sys.shadow}};
  EXPECT_EQ(ClassicBevelRings(true, true, 0, sys), pressed);
  // Another face colour, grey 128 (lightness 120): +100 -> 234, -100 -> 21, +40 -> 170,
  // -50 -> 74 (lightness 70: 74.4).
  const RgbColor g = MakeRgb(128, 128, 128);
  const std::vector<FrameRing> derived = {{MakeRgb(234, 234, 234), MakeRgb(21, 21, 21)},
                                          {MakeRgb(170, 170, 170), MakeRgb(74, 74, 74)}};
  EXPECT_EQ(ClassicBevelRings(false, false, g, sys), derived);
  const std::vector<FrameRing> derived_pressed = {{MakeRgb(21, 21, 21), MakeRgb(21, 21, 21)},
                                                  {MakeRgb(74, 74, 74), MakeRgb(74, 74, 74)}};
  EXPECT_EQ(ClassicBevelRings(true, false, g, sys), derived_pressed);
}

TEST(ButtonColours, HotTrackAndFocusHighlights) {
  const RgbColor hot = MakeRgb(240, 155, 20);
  const HotTrackRing actual = HotTrackHighlight(TFxHotTrackColorType::htctActual, hot);
  EXPECT_EQ(actual.top, MakeRgb(251, 230, 195));
  EXPECT_EQ(actual.bottom, hot);
  const HotTrackRing complement = HotTrackHighlight(TFxHotTrackColorType::htctComplement, hot);
  EXPECT_EQ(complement.top, MakeRgb(128, 175, 255));
  EXPECT_EQ(complement.bottom, DarkenRgb(MakeRgb(128, 175, 255), 30));
  // Face grey 128: B = lighten 30 = 159. A highlight far from the button face stays.
  const HotTrackRing focus = FocusHighlight(MakeRgb(128, 128, 128), MakeRgb(0, 0, 255), MakeRgb(245, 245, 245));
  EXPECT_EQ(focus.top, MixRgb(MakeRgb(0, 0, 255), MakeRgb(159, 159, 159), 60));
  EXPECT_EQ(focus.bottom, MixRgb(MakeRgb(0, 0, 255), MakeRgb(159, 159, 159), 160));
  // A highlight nearly the button face is darkened by 30 first (245 -> 214).
  const HotTrackRing near = FocusHighlight(MakeRgb(128, 128, 128), MakeRgb(240, 240, 240), MakeRgb(245, 245, 245));
  EXPECT_EQ(near.top, MixRgb(DarkenRgb(MakeRgb(240, 240, 240), 30), MakeRgb(159, 159, 159), 60));
}

TEST(ButtonColours, DisabledCaptionAndDownPattern) {
  const RgbColor gray_text = MakeRgb(128, 128, 128), dark = MakeRgb(64, 64, 64);
  EXPECT_EQ(DisabledCaptionColor(MakeRgb(245, 245, 245), gray_text, dark), gray_text);
  EXPECT_EQ(DisabledCaptionColor(MakeRgb(140, 140, 140), gray_text, dark), dark);
  const RgbColor face = MakeRgb(10, 20, 30), silver = MakeRgb(192, 192, 192);
  EXPECT_EQ(DownPatternPixel(face, 0, 0), silver);
  EXPECT_EQ(DownPatternPixel(face, 1, 0), face);
  EXPECT_EQ(DownPatternPixel(face, 0, 1), face);
  EXPECT_EQ(DownPatternPixel(face, 5, 3), silver);
  EXPECT_EQ(DownPatternPixel(silver, 2, 2), MakeRgb(128, 128, 128));
  EXPECT_EQ(DownPatternPixel(silver, 2, 3), silver);
}

TEST(ButtonKinds, StockSettings) {
  EXPECT_EQ(std::wstring(StockKindOf(TBitBtnKind::bkOK).caption), L"OK");
  EXPECT_EQ(StockKindOf(TBitBtnKind::bkOK).modal_result, 1);
  EXPECT_TRUE(StockKindOf(TBitBtnKind::bkOK).is_default);
  EXPECT_TRUE(StockKindOf(TBitBtnKind::bkCancel).is_cancel);
  EXPECT_TRUE(StockKindOf(TBitBtnKind::bkNo).is_cancel);
  EXPECT_TRUE(StockKindOf(TBitBtnKind::bkYes).is_default);
  EXPECT_EQ(StockKindOf(TBitBtnKind::bkAll).modal_result, 8);
  EXPECT_TRUE(StockGlyphPixels(TBitBtnKind::bkCustom, 0).empty());
  const RgbColor bg = MakeRgb(255, 0, 255);
  for (int k = 1; k <= static_cast<int>(TBitBtnKind::bkAll); ++k) {
    const auto pixels = StockGlyphPixels(static_cast<TBitBtnKind>(k), bg);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(2 * kStockGlyphSize * kStockGlyphSize)) << k;
    const int w = 2 * kStockGlyphSize;
    // The lower-left pixel is background (it is what makes the glyph transparent).
    EXPECT_EQ(pixels[static_cast<size_t>((kStockGlyphSize - 1) * w)], bg) << k;
    // Every drawn pixel of the enabled cell is grey in the disabled cell; the rest of that cell
    // is background or the white emboss.
    int ink = 0;
    for (int y = 0; y < kStockGlyphSize; ++y)
      for (int x = 0; x < kStockGlyphSize; ++x) {
        const RgbColor on = pixels[static_cast<size_t>(y * w + x)];
        const RgbColor off = pixels[static_cast<size_t>(y * w + kStockGlyphSize + x)];
        if (on != bg) {
          ++ink;
          EXPECT_EQ(off, MakeRgb(128, 128, 128)) << k;
        } else {
          EXPECT_TRUE(off == bg || off == MakeRgb(255, 255, 255)) << k;
        }
      }
    EXPECT_GT(ink, 10) << k;
  }
}

}  // namespace
}  // namespace vornada
