// Tests of the skin bitmap helpers under Wine: 24-bit conversion of every depth, the top-left
// colour, the pixel-format check and its error, cutting 4- and 8-cell strips, stretching a cell
// (worked examples, tiny cells), the brightness shift on 24-, 32- and 8-bit bitmaps, the dotted
// focus rectangle, and window regions read back from real windows (control and form shapes,
// fully transparent and fully opaque pictures, pictures of other depths, the frame of a form).
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "SkUtil.h"
#include "SkinTestSupport.h"

namespace vornada {
namespace {

using testing::RunsOf;
using testing::kMarker;
using testing::MakeSkin;
using testing::MakeStandardSkin;
using testing::PixelsOf;
using testing::StandardCellPixel;
using testing::StandardCellTransparent;
using testing::WindowRegionRuns;

using testing::ExpandSpans;

uint32_t At(const std::vector<uint32_t>& pixels, int width, int x, int y) {
  return pixels.at(static_cast<size_t>(y) * width + x);
}

// ---- formats ---------------------------------------------------------------------------------

// A picture every depth can hold: the sixteen standard colours in stripes.
void StripedBitmap(TBitmap& bitmap, TPixelFormat format, int width, int height) {
  static constexpr TColor kColours[] = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF,
                                        0x808080, 0x00FFFF, 0xFF00FF};
  const bool mono = format == TPixelFormat::pf1bit;
  bitmap.SetPixelFormat(format);
  bitmap.SetSize(width, height);
  for (int x = 0; x < width; ++x) {
    bitmap.Canvas().Brush().SetColor(mono ? (x % 2 ? clWhite : clBlack) : kColours[x % 8]);
    bitmap.Canvas().FillRect(RECT{x, 0, x + 1, height});
  }
}

struct FormatCase {
  const char* name;
  TPixelFormat format;
  friend void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }
};
const FormatCase kFormats[] = {{"1bit", TPixelFormat::pf1bit},   {"4bit", TPixelFormat::pf4bit},
                               {"8bit", TPixelFormat::pf8bit},   {"16bit", TPixelFormat::pf16bit},
                               {"24bit", TPixelFormat::pf24bit}, {"32bit", TPixelFormat::pf32bit},
                               {"device", TPixelFormat::pfDevice}};

class EnsureDib24Format : public ::testing::TestWithParam<FormatCase> {};
TEST_P(EnsureDib24Format, Becomes24BitDibKeepingThePicture) {
  TBitmap bitmap;
  StripedBitmap(bitmap, GetParam().format, 11, 3);
  const std::vector<uint32_t> before = PixelsOf(bitmap);
  EnsureDib24(bitmap);
  EXPECT_EQ(bitmap.BitsPerPixel(), 24);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(bitmap.HandleType(), TBitmapHandleType::bmDIB);
  EXPECT_EQ(bitmap.Width(), 11);
  EXPECT_EQ(PixelsOf(bitmap), before);
}
INSTANTIATE_TEST_SUITE_P(Formats, EnsureDib24Format, ::testing::ValuesIn(kFormats),
                         [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(EnsureDib24, EmptyBitmapTakesTheFormatForItsNextSize) {
  TBitmap bitmap;
  EnsureDib24(bitmap);
  EXPECT_TRUE(bitmap.Empty());
  bitmap.SetSize(3, 2);
  EXPECT_EQ(bitmap.BitsPerPixel(), 24);
  EXPECT_EQ(bitmap.HandleType(), TBitmapHandleType::bmDIB);
}

TEST(TopLeftColor, ReadsPixelZeroOfEveryDepth) {
  for (const FormatCase& f : kFormats) {
    TBitmap bitmap;
    StripedBitmap(bitmap, f.format, 4, 2);
    bitmap.Canvas().Brush().SetColor(f.format == TPixelFormat::pf1bit ? clWhite : clRed);
    bitmap.Canvas().FillRect(RECT{0, 0, 1, 1});
    EXPECT_EQ(TopLeftColor(bitmap), f.format == TPixelFormat::pf1bit ? 0xFFFFFF : 0x0000FF)
        << f.name;
  }
  TBitmap empty;
  EXPECT_EQ(TopLeftColor(empty), 0);
}

TEST(CheckPixelFormat, TrueFor24And32BitsFalseWhenEmptyErrorOtherwise) {
  TBitmap empty;
  EXPECT_FALSE(CheckPixelFormat(empty));
  for (const FormatCase& f : kFormats) {
    TBitmap bitmap;
    StripedBitmap(bitmap, f.format, 4, 2);
    const int bits = bitmap.BitsPerPixel();
    if (bits == 24 || bits == 32) {
      EXPECT_TRUE(CheckPixelFormat(bitmap)) << f.name;
      continue;
    }
    try {
      CheckPixelFormat(bitmap);
      ADD_FAILURE() << f.name << " passed";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Error: Only 24/32 bit pixel formats are supported") << f.name;
    }
  }
}

// ---- splitting -------------------------------------------------------------------------------

TEST(SplitSkin, FourCellsCutAtOnePlusIW) {
  TBitmap skin;
  MakeStandardSkin(skin, 4, 45, 29);
  ASSERT_EQ(skin.Width(), 181);
  TBitmap cells[4];
  TColor transparent = 0x123;
  SplitSkin4(skin, {&cells[0], &cells[1], &cells[2], &cells[3]}, transparent);
  EXPECT_EQ(transparent, kMarker);
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(cells[i].Width(), 45);
    ASSERT_EQ(cells[i].Height(), 29);
    EXPECT_EQ(cells[i].TransparentColor() & 0xFFFFFF, kMarker) << "each cell carries it";
    const std::vector<uint32_t> pixels = PixelsOf(cells[i]);
    for (int y = 0; y < 29; ++y)
      for (int x = 0; x < 45; ++x)
        ASSERT_EQ(At(pixels, 45, x, y), static_cast<uint32_t>(StandardCellPixel(i, x, y, 45, 29)))
            << "cell " << i << " at " << x << "," << y;
  }
}

TEST(SplitSkin, EightCellsAndUnusedColumnsOnTheRight) {
  // 1 + 8 * 46 + 3 = 372 columns: still 46-wide cells; the last three columns are not used.
  TBitmap skin;
  MakeSkin(skin, 8, 46, 10, [](int cell, int x, int y) { return StandardCellPixel(cell, x, y, 46, 10); },
           3);
  ASSERT_EQ(skin.Width(), 372);
  TBitmap cells[8];
  std::array<TBitmap*, 8> targets;
  for (int i = 0; i < 8; ++i) targets[static_cast<size_t>(i)] = &cells[i];
  TColor transparent = 0;
  SplitSkin8(skin, targets, transparent);
  EXPECT_EQ(transparent, kMarker);
  for (int i = 0; i < 8; ++i) {
    ASSERT_EQ(cells[i].Width(), 46);
    const std::vector<uint32_t> pixels = PixelsOf(cells[i]);
    EXPECT_EQ(At(pixels, 46, 45, 0), static_cast<uint32_t>(StandardCellPixel(i, 45, 0, 46, 10)));
    EXPECT_EQ(At(pixels, 46, 7, 6), static_cast<uint32_t>(StandardCellPixel(i, 7, 6, 46, 10)));
  }
}

TEST(SplitSkin, EmptySkinChangesNothing) {
  TBitmap skin;
  TBitmap cells[4];
  for (TBitmap& c : cells) c.SetSize(3, 3);
  TColor transparent = 0x00ABCDEF;
  SplitSkin4(skin, {&cells[0], &cells[1], &cells[2], &cells[3]}, transparent);
  EXPECT_EQ(transparent, 0x00ABCDEF);
  for (TBitmap& c : cells) EXPECT_EQ(c.Width(), 3);
}

// ---- stretching ------------------------------------------------------------------------------

// Skin pixel of cell i at (x, y): red = x, green = y, blue = 100 + i.
TColor Coded(int cell, int x, int y) { return x | (y << 8) | ((100 + cell) << 16); }

struct StretchCase {
  const char* name;
  int width, height;
  std::vector<int> columns, rows;
  friend void PrintTo(const StretchCase& c, std::ostream* os) { *os << c.name; }
};
class StretchWorkedExample : public ::testing::TestWithParam<StretchCase> {};
TEST_P(StretchWorkedExample, TargetShowsTheMappedCellPixels) {
  const StretchCase& c = GetParam();
  TBitmap skin;
  MakeSkin(skin, 4, 45, 29, Coded);
  TBitmap target;
  target.SetPixelFormat(TPixelFormat::pf32bit);  // whatever it was, it ends as 24 bits
  StretchCell(skin, target, 46, 45, 29, c.width, c.height);  // cell 1
  ASSERT_EQ(target.Width(), c.width);
  ASSERT_EQ(target.Height(), c.height);
  EXPECT_EQ(target.BitsPerPixel(), 24);
  const std::vector<uint32_t> pixels = PixelsOf(target);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      ASSERT_EQ(At(pixels, c.width, x, y), static_cast<uint32_t>(Coded(1, c.columns[x], c.rows[y])))
          << x << "," << y;
}
INSTANTIATE_TEST_SUITE_P(
    Cases, StretchWorkedExample,
    ::testing::Values(
        // 45 -> 60 columns: 0..21, 21 repeated up to column 37, 22..39, 41..44. 29 -> 40 rows:
        // 0..13, 13 up to row 20, 14 up to row 36, 26..28.
        StretchCase{"wider_and_higher", 60, 40,
                    ExpandSpans({{0, 21}, {21, 21, 16}, {22, 39}, {41, 44}}),
                    ExpandSpans({{0, 13}, {13, 13, 7}, {14, 14, 16}, {26, 28}})},
        // 29 -> 20 rows: 0..9, 13..19, 26..28; 45 -> 20 columns: 0..14 and the last five.
        StretchCase{"narrower_and_lower", 20, 20, ExpandSpans({{0, 14}, {40, 44}}),
                    ExpandSpans({{0, 9}, {13, 19}, {26, 28}})},
        StretchCase{"same_size", 45, 29, ExpandSpans({{0, 44}}), ExpandSpans({{0, 28}})}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(StretchCell, TinyCellsNeverReadBesideThemselves) {
  // Cells of 3 x 2: the edge rules reach 5 columns and 3 rows into a cell. The neighbour cells
  // and the marker column have colours of their own, which must not appear in the result.
  TBitmap skin;
  MakeSkin(skin, 4, 3, 2, Coded);
  for (auto [w, h] : {std::pair{9, 7}, {2, 1}, {3, 9}, {12, 2}}) {
    TBitmap target;
    StretchCell(skin, target, 1 + 3 * 2, 3, 2, w, h);  // cell 2
    const std::vector<uint32_t> pixels = PixelsOf(target);
    for (uint32_t v : pixels) {
      ASSERT_EQ((v >> 16) & 0xFF, 102u) << w << "x" << h << ": a pixel of another cell";
      EXPECT_LT(v & 0xFF, 3u);
      EXPECT_LT((v >> 8) & 0xFF, 2u);
    }
  }
}

// ---- brightness ------------------------------------------------------------------------------

TEST(Brighten, MinusFortyLowersEveryChannelBy51StoppingAtZero) {
  TBitmap bitmap;
  MakeSkin(bitmap, 1, 2, 1, [](int, int x, int) { return x == 0 ? 0x402010 : 0xFFFFFF; });
  TBitmap& result = Brighten(bitmap, -40);
  EXPECT_EQ(&result, &bitmap);
  const std::vector<uint32_t> pixels = PixelsOf(bitmap);
  EXPECT_EQ(pixels[0], 0xCC00CCu) << "the marker column: magenta less 51";
  EXPECT_EQ(pixels[1], 0x0D0000u);  // blue 0x40 - 51 = 0x0D, green and red stop at 0
  EXPECT_EQ(pixels[2], 0xCCCCCCu);
  Brighten(bitmap, 160);  // +204
  EXPECT_EQ(PixelsOf(bitmap)[2], 0xFFFFFFu);
}

TEST(Brighten, ThirtyTwoBitPixelsKeepTheirFourthByte) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  bitmap.SetSize(2, 1);
  auto* row = static_cast<uint8_t*>(bitmap.ScanLine(0));
  const uint8_t start[8] = {10, 20, 30, 0x5A, 200, 250, 5, 0xA5};
  std::copy(std::begin(start), std::end(start), row);
  Brighten(bitmap, 20);  // +25
  row = static_cast<uint8_t*>(bitmap.ScanLine(0));
  EXPECT_EQ(std::vector<uint8_t>(row, row + 8),
            (std::vector<uint8_t>{35, 45, 55, 0x5A, 225, 255, 30, 0xA5}));
}

TEST(Brighten, OtherDepthsAreConvertedFirstAndEmptyIsLeftAlone) {
  TBitmap bitmap;
  StripedBitmap(bitmap, TPixelFormat::pf8bit, 8, 2);  // column 5 is 0x808080
  Brighten(bitmap, -40);
  EXPECT_EQ(bitmap.BitsPerPixel(), 24);
  const std::vector<uint32_t> pixels = PixelsOf(bitmap);
  EXPECT_EQ(pixels[5], 0x4D4D4Du);
  EXPECT_EQ(pixels[1], 0x0000CCu);  // red 255 - 51
  TBitmap empty;
  EXPECT_NO_THROW(Brighten(empty, -40));
  EXPECT_TRUE(empty.Empty());
}

// ---- focus rectangle -------------------------------------------------------------------------

TEST(DrawSkinFocusRect, DottedTwoPixelsInsideAndGoneWhenDrawnTwice) {
  TBitmap bitmap;
  testing::MakeFilled32(bitmap, 20, 12, 0x336699);
  const std::vector<uint32_t> before = PixelsOf(bitmap);
  DrawSkinFocusRect(RECT{0, 0, 20, 12}, bitmap.Canvas());
  const std::vector<uint32_t> once = PixelsOf(bitmap);
  int changed = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 20; ++x) {
      if (At(once, 20, x, y) == At(before, 20, x, y)) continue;
      ++changed;
      const bool on_edge = (x == 2 || x == 17 || y == 2 || y == 9) && x >= 2 && x <= 17 &&
                           y >= 2 && y <= 9;
      EXPECT_TRUE(on_edge) << x << "," << y;
    }
  // A dotted line: about every other pixel of the 2 * 16 + 2 * 6 edge pixels.
  EXPECT_GE(changed, 18);
  EXPECT_LE(changed, 26);
  DrawSkinFocusRect(RECT{0, 0, 20, 12}, bitmap.Canvas());
  EXPECT_EQ(PixelsOf(bitmap), before);
}

// ---- regions ---------------------------------------------------------------------------------

// A child window of the stage to shape.
class RegionTarget : public ::testing::Test {
 protected:
  void SetUp() override {
    panel_ = std::make_unique<TPanel>(nullptr);
    panel_->SetParent(&testing::StagePanel());
    panel_->SetBounds(5, 5, 120, 60);
    panel_->HandleNeeded();
  }
  void TearDown() override { panel_.reset(); }
  HWND Window() { return panel_->Handle(); }
  std::unique_ptr<TPanel> panel_;
};

TEST_F(RegionTarget, ControlTakesTheShapeOfTheCell) {
  TBitmap cell;
  MakeSkin(cell, 1, 45, 29, [](int, int x, int y) { return StandardCellPixel(0, x, y, 45, 29); });
  // The skin's marker column is part of this picture: column 0 is magenta on top only.
  ASSERT_TRUE(ApplyControlRegion(cell, kMarker, Window()));
  const auto opaque = [](int x, int y) {
    if (x == 0) return y != 0;
    return !StandardCellTransparent(x - 1, y, 45, 29);
  };
  EXPECT_EQ(WindowRegionRuns(Window()), RunsOf(46, 29, opaque));
}

TEST_F(RegionTarget, FullyTransparentAndFullyOpaquePictures) {
  TBitmap bitmap;
  testing::MakeFilled32(bitmap, 10, 4, kMarker);
  ASSERT_TRUE(ApplyControlRegion(bitmap, kMarker, Window()));
  bool has_region = false;
  EXPECT_TRUE(WindowRegionRuns(Window(), &has_region).empty());
  EXPECT_TRUE(has_region) << "an empty region: the window shows nothing";

  testing::MakeFilled32(bitmap, 10, 4, 0x00FE00);
  ASSERT_TRUE(ApplyControlRegion(bitmap, kMarker, Window()));
  EXPECT_EQ(WindowRegionRuns(Window()), RunsOf(10, 4, [](int, int) { return true; }));
}

TEST_F(RegionTarget, PicturesOfOtherDepthsAreReadWhole) {
  // An 8-bit and a 1-bit picture 13 pixels wide: read as 3-byte pixels their rows would end
  // long before the picture does (or run past it).
  for (TPixelFormat format : {TPixelFormat::pf8bit, TPixelFormat::pf1bit, TPixelFormat::pf32bit}) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(13, 3);
    bitmap.Canvas().Brush().SetColor(clWhite);
    bitmap.Canvas().FillRect(RECT{0, 0, 13, 3});
    bitmap.Canvas().Brush().SetColor(clBlack);
    bitmap.Canvas().FillRect(RECT{3, 0, 5, 3});
    bitmap.Canvas().FillRect(RECT{11, 1, 13, 2});
    ASSERT_TRUE(ApplyControlRegion(bitmap, clWhite, Window()));
    const auto opaque = [](int x, int y) { return (x >= 3 && x < 5) || (y == 1 && x >= 11); };
    EXPECT_EQ(WindowRegionRuns(Window()), RunsOf(13, 3, opaque)) << int(format);
  }
}

TEST_F(RegionTarget, NoWindowNoRegion) {
  TBitmap bitmap;
  testing::MakeFilled32(bitmap, 4, 4, clRed);
  EXPECT_FALSE(ApplyControlRegion(bitmap, kMarker, nullptr));
}

TEST(FormRegion, BorderlessFormTakesTheShapeAndTheWidthOfItsRightmostOpaqueColumn) {
  TForm form(nullptr);
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  form.SetBounds(30, 40, 200, 100);
  // 12 x 5; the last four columns are transparent, so the form becomes 8 wide.
  TBitmap bitmap;
  testing::MakeFilled32(bitmap, 12, 5, kMarker);
  bitmap.Canvas().Brush().SetColor(0x00AA00);
  bitmap.Canvas().FillRect(RECT{1, 0, 8, 5});
  bitmap.Canvas().Brush().SetColor(kMarker);
  bitmap.Canvas().FillRect(RECT{4, 2, 6, 3});
  ASSERT_TRUE(ApplyFormRegion(form, bitmap, kMarker));
  EXPECT_EQ(form.Width(), 8);
  EXPECT_EQ(form.Height(), 5);
  const auto opaque = [](int x, int y) {
    return x >= 1 && x < 8 && !(y == 2 && (x == 4 || x == 5));
  };
  EXPECT_EQ(WindowRegionRuns(form.Handle()), RunsOf(12, 5, opaque));

  testing::MakeFilled32(bitmap, 12, 5, kMarker);
  ASSERT_TRUE(ApplyFormRegion(form, bitmap, kMarker));
  EXPECT_EQ(form.Width(), 0) << "nothing opaque";
  EXPECT_TRUE(WindowRegionRuns(form.Handle()).empty());
}

TEST(FormRegion, BorderedFormKeepsItsFrameAndShapesItsClientArea) {
  TForm form(nullptr);
  form.SetBorderStyle(TFormBorderStyle::bsSingle);
  form.SetBounds(30, 40, 200, 120);
  HWND window = form.Handle();
  RECT bounds{}, client{};
  ::GetWindowRect(window, &bounds);
  ::GetClientRect(window, &client);
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  const int dx = origin.x - bounds.left, dy = origin.y - bounds.top;
  ASSERT_GT(dx + dy, 0) << "the form has a frame";

  win::UniqueRegion frame = FrameRegion(form);
  ASSERT_TRUE(frame);
  EXPECT_TRUE(::PtInRegion(frame.get(), 0, 0)) << "the frame's corner";
  EXPECT_FALSE(::PtInRegion(frame.get(), dx + 5, dy + 5)) << "inside the client area";

  // Larger than a captioned window's smallest size, so the form can take the picture's size.
  TBitmap bitmap;
  testing::MakeFilled32(bitmap, 150, 60, 0x00AA00);
  bitmap.Canvas().Brush().SetColor(kMarker);
  bitmap.Canvas().FillRect(RECT{0, 0, 2, 60});
  ASSERT_TRUE(ApplyFormRegion(form, bitmap, kMarker));
  win::UniqueRegion applied(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(window, applied.get()), ERROR);
  EXPECT_TRUE(::PtInRegion(applied.get(), 0, 0)) << "the frame stays";
  EXPECT_TRUE(::PtInRegion(applied.get(), dx + 2, dy)) << "an opaque pixel, moved by the frame";
  EXPECT_FALSE(::PtInRegion(applied.get(), dx + 1, dy)) << "a transparent pixel";
  EXPECT_EQ(form.Width(), 150);
  EXPECT_EQ(form.Height(), 60);
}

TEST(FrameRegion, EmptyForABorderlessWindow) {
  TForm form(nullptr);
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  form.SetBounds(0, 0, 50, 40);
  win::UniqueRegion frame = FrameRegion(form);
  ASSERT_TRUE(frame);
  RECT box{};
  EXPECT_EQ(::GetRgnBox(frame.get(), &box), NULLREGION);
}

}  // namespace
}  // namespace vornada
