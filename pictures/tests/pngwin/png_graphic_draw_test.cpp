// The PNG picture class under Wine: drawing into 32-bit bitmaps, checked pixel by pixel, in
// each transparency mode: plain stretch, colour-key masking and alpha blending (the blend
// formula, the fourth-byte rule of RGBA images, gray + alpha and palette blending, doubling
// into a rectangle twice as large), empty and reversed rectangles, failures, and pictures
// blending on two threads at once.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "../png/PngTestSupport.h"
#include "Classes.h"
#include "Graphics.h"
#include "PngGraphic.h"
#include "PngWinTestSupport.h"
#include "WinHandles.h"
#include "png/PngRows.h"

namespace vornada {
namespace {

using namespace pngwin_test;
using namespace testing;
using png::test::FixturePath;
using png::test::RequireFileBytes;

std::unique_ptr<TPngGraphic> LoadFixtureGraphic(const char* name) {
  return LoadGraphic(RequireFileBytes(FixturePath(name)));
}

// Background of the target bitmaps: every pixel different, fourth bytes of all sizes.
uint32_t Background(int x, int y) {
  return static_cast<uint32_t>((x * 37 + y * 11) & 0xFF) |
         static_cast<uint32_t>((x * 5 + y * 71 + 40) & 0xFF) << 8 |
         static_cast<uint32_t>((255 - x * 3 - y * 9) & 0xFF) << 16 |
         static_cast<uint32_t>((x * 29 + y * 53) & 0xFF) << 24;
}

std::vector<uint32_t> AllBytes(TBitmap& bitmap) {
  std::vector<uint32_t> bytes;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) bytes.push_back(Bytes32(bitmap, x, y));
  return bytes;
}

uint8_t Blend(unsigned s, unsigned d, unsigned a) {
  return static_cast<uint8_t>((s * a + d * (255 - a) + 255) >> 8);
}

uint32_t Pack(unsigned b, unsigned g, unsigned r, unsigned fourth) {
  return b | g << 8 | r << 16 | fourth << 24;
}

// The blended result of source pixel (sx, sy) over destination bytes `d`.
uint32_t ExpectedBlend(TPngGraphic& graphic, uint32_t sx, uint32_t sy, uint32_t d) {
  const png::TPngChunkIHDR& header = *graphic.Core().Header();
  const unsigned db = d & 0xFF, dg = d >> 8 & 0xFF, dr = d >> 16 & 0xFF, df = d >> 24;
  const uint32_t colour =
      static_cast<uint32_t>(graphic.GetPixelColor(static_cast<int>(sx), static_cast<int>(sy)));
  const unsigned sr = colour & 0xFF, sg = colour >> 8 & 0xFF, sb = colour >> 16 & 0xFF;
  switch (header.ColourType()) {
    case 6: {
      const unsigned a = header.AlphaRow(sy)[sx];
      if (a == 0) return d;
      if (a == 255) return Pack(sb, sg, sr, 255);
      return Pack(Blend(sb, db, a), Blend(sg, dg, a), Blend(sr, dr, a),
                  255 - (((255 - df) * (255 - a) + 255) >> 8));
    }
    case 4: {
      const unsigned a = header.AlphaRow(sy)[sx];
      return Pack(Blend(sr, db, a), Blend(sr, dg, a), Blend(sr, dr, a), df);
    }
    default: {
      const uint32_t index = png::ReadStorePixel(header.BitCount(), header.StoreRow(sy), sx);
      const unsigned a = graphic.Core().AlphaTable()[index];
      return Pack(Blend(sb, db, a), Blend(sg, dg, a), Blend(sr, dr, a), df);
    }
  }
}

// Draws `graphic` into `rect` of a background bitmap of `width` x `height` and checks every
// pixel: outside the rectangle the background, inside `expected(x, y, background)` with x, y
// counted from the rectangle's top-left corner.
void ExpectDrawing(TPngGraphic& graphic, int width, int height, const RECT& rect,
                   const std::function<uint32_t(int x, int y, uint32_t background)>& expected) {
  TBitmap target;
  MakeBitmap32(target, width, height, Background);
  graphic.Draw(target.Canvas(), rect);
  const int left = std::min(rect.left, rect.right), top = std::min(rect.top, rect.bottom);
  const int right = std::max(rect.left, rect.right), bottom = std::max(rect.top, rect.bottom);
  int mismatches = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool inside = x >= left && x < right && y >= top && y < bottom;
      const uint32_t want =
          inside ? expected(x - left, y - top, Background(x, y)) : Background(x, y);
      const uint32_t got = Bytes32(target, x, y);
      if (got != want && ++mismatches <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y << ": got " << std::hex << got << ", expected "
                      << want;
    }
  EXPECT_EQ(mismatches, 0);
}

// ---- alpha blending --------------------------------------------------------------------------

TEST(PngGraphicDraw, BlendFormulaAndFourthByteRuleOnKnownValues) {
  // Four pixels of one colour with alpha 0, 255, 128 and 1.
  TBitmap source;
  const unsigned alphas[4] = {0, 255, 128, 1};
  MakeBitmap32(source, 4, 1, [&](int x, int) { return Pack(250, 20, 10, alphas[x]); });
  TPngGraphic graphic;
  graphic.Assign(&source);
  ASSERT_EQ(graphic.AlphaKind(), akBlended);
  TBitmap target;
  MakeBitmap32(target, 4, 1, [](int, int) { return Pack(100, 50, 200, 0x40); });
  graphic.Draw(target.Canvas(), RECT{0, 0, 4, 1});
  EXPECT_EQ(Bytes32(target, 0, 0), Pack(100, 50, 200, 0x40));  // alpha 0: untouched
  EXPECT_EQ(Bytes32(target, 1, 0), Pack(250, 20, 10, 255));    // alpha 255: copied
  EXPECT_EQ(Bytes32(target, 2, 0), Pack(175, 35, 105, 160));
  EXPECT_EQ(Bytes32(target, 3, 0), Pack(101, 50, 199, 65));
}

TEST(PngGraphicDraw, BlendedImagesFollowTheFormulaPixelByPixel) {
  for (const char* name : {"rgba8.png", "rgba16.png", "rgba8_i.png", "ga8.png", "ga16.png",
                           "pal4_partial.png", "pal8_trns.png", "icon_phys_itxt.png"}) {
    SCOPED_TRACE(name);
    std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic(name);
    ASSERT_EQ(graphic->AlphaKind(), akBlended);
    const int w = graphic->Width(), h = graphic->Height();
    // Natural size, away from the corner.
    ExpectDrawing(*graphic, w + 6, h + 4, RECT{3, 2, 3 + w, 2 + h}, [&](int x, int y, uint32_t d) {
      return ExpectedBlend(*graphic, static_cast<uint32_t>(x), static_cast<uint32_t>(y), d);
    });
    // Twice as large: every source pixel covers two by two destination pixels.
    ExpectDrawing(*graphic, 2 * w + 2, 2 * h + 2, RECT{1, 1, 1 + 2 * w, 1 + 2 * h},
                  [&](int x, int y, uint32_t d) {
                    return ExpectedBlend(*graphic, static_cast<uint32_t>(x / 2),
                                         static_cast<uint32_t>(y / 2), d);
                  });
  }
}

TEST(PngGraphicDraw, ReversedRectangleBlendsLikeItsNormalForm) {
  std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic("rgba8.png");
  const int w = graphic->Width(), h = graphic->Height();
  ExpectDrawing(*graphic, w + 4, h + 4, RECT{2 + w, 2 + h, 2, 2}, [&](int x, int y, uint32_t d) {
    return ExpectedBlend(*graphic, static_cast<uint32_t>(x), static_cast<uint32_t>(y), d);
  });
}

TEST(PngGraphicDraw, PaletteIndexBeyondThePaletteFailsAndLeavesTheTarget) {
  // Two palette entries, both partly transparent; the second pixel's index 5 has no entry.
  using png::test::RawChunk;
  const std::vector<uint8_t> png = png::test::BuildPng({
      {"IHDR", png::test::HeaderData(2, 1, 4, 3), 0},
      {"PLTE", {255, 0, 0, 0, 255, 0}, 0},
      {"tRNS", {0x80, 0x40}, 0},
      {"IDAT", png::test::Compress({0, 0x05}), 0},
      {"IEND", {}, 0},
  });
  std::unique_ptr<TPngGraphic> graphic = LoadGraphic(png);
  ASSERT_EQ(graphic->AlphaKind(), akBlended);
  TBitmap target;
  MakeBitmap32(target, 2, 1, Background);
  const Failure f = FailureOf([&] { graphic->Draw(target.Canvas(), RECT{0, 0, 2, 1}); });
  EXPECT_EQ(f.class_name, "EPngError");
  EXPECT_EQ(f.message, "There is no such palette entry.");
  EXPECT_EQ(Bytes32(target, 0, 0), Background(0, 0));
  EXPECT_EQ(Bytes32(target, 1, 0), Background(1, 0));
}

TEST(PngGraphicDraw, WorkBitmapThatCannotBeMadeIsOutOfMemory) {
  for (const char* name : {"rgba8.png", "pal4_key.png"}) {
    SCOPED_TRACE(name);
    std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic(name);
    TBitmap target;
    MakeBitmap32(target, 4, 4, Background);
    const Failure f = FailureOf([&] { graphic->Draw(target.Canvas(), RECT{0, 0, 50000, 50000}); });
    EXPECT_EQ(f.class_name, "EPngOutMemory");
    EXPECT_EQ(f.message,
              "Some operation could not be performed because the system is out of resources. "
              "Close some windows and try again.");
    EXPECT_EQ(Bytes32(target, 1, 1), Background(1, 1));
  }
}

// ---- plain stretch ---------------------------------------------------------------------------

TEST(PngGraphicDraw, OpaqueImagesAreStretchedWhole) {
  for (const char* name : {"rgb8.png", "rgb16.png", "pal1.png", "pal4.png", "pal8.png", "gray2.png",
                           "gray16.png", "gray4_gamma.png"}) {
    SCOPED_TRACE(name);
    std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic(name);
    ASSERT_EQ(graphic->AlphaKind(), akOpaque);
    const int w = graphic->Width(), h = graphic->Height();
    // The fourth byte of what a stretch writes is the platform's business: colours only.
    auto colour_at = [&](int x, int y) {
      return static_cast<uint32_t>(graphic->GetPixelColor(x, y));
    };
    TBitmap target;
    MakeBitmap32(target, w + 3, h + 3, Background);
    graphic->Draw(target.Canvas(), RECT{2, 1, 2 + w, 1 + h});
    TBitmap doubled;
    MakeBitmap32(doubled, 2 * w, 2 * h, Background);
    graphic->Draw(doubled.Canvas(), RECT{0, 0, 2 * w, 2 * h});
    int mismatches = 0;
    for (int y = 0; y < h + 3; ++y)
      for (int x = 0; x < w + 3; ++x) {
        const bool inside = x >= 2 && x < 2 + w && y >= 1 && y < 1 + h;
        const uint32_t got = Bytes32(target, x, y);
        if (inside ? ColourOfBytes(got) != colour_at(x - 2, y - 1) : got != Background(x, y))
          ++mismatches;
      }
    for (int y = 0; y < 2 * h; ++y)
      for (int x = 0; x < 2 * w; ++x)
        if (ColourOfBytes(Bytes32(doubled, x, y)) != colour_at(x / 2, y / 2)) ++mismatches;
    EXPECT_EQ(mismatches, 0);
  }
}

// A reversed rectangle is handed to the platform's stretch as it stands (as the framework's
// bitmaps draw): the image comes out mirrored in both directions, on the pixels the platform
// gives negative extents, from the rectangle's right and bottom edges (exclusive) to its
// left and top edges (inclusive).
TEST(PngGraphicDraw, ReversedRectangleMirrorsAnOpaqueImage) {
  std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic("rgb8.png");
  const int w = graphic->Width(), h = graphic->Height();
  TBitmap target;
  MakeBitmap32(target, w + 4, h + 4, Background);
  const RECT reversed{2 + w, 2 + h, 2, 2};
  graphic->Draw(target.Canvas(), reversed);
  int mismatches = 0;
  for (int y = 0; y < h + 4; ++y)
    for (int x = 0; x < w + 4; ++x) {
      const bool inside =
          x > reversed.right && x <= reversed.left && y > reversed.bottom && y <= reversed.top;
      const uint32_t got = Bytes32(target, x, y);
      const bool ok = inside ? ColourOfBytes(got) == static_cast<uint32_t>(graphic->GetPixelColor(
                                                         reversed.left - x, reversed.top - y))
                             : got == Background(x, y);
      if (!ok && ++mismatches <= 3) ADD_FAILURE() << x << "," << y;
    }
  EXPECT_EQ(mismatches, 0);
}

TEST(PngGraphicDraw, TwoBitGrayShowsFourEvenLevels) {
  std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic("gray2.png");
  TBitmap target;
  MakeBitmap32(target, graphic->Width(), graphic->Height(), Background);
  graphic->Draw(target.Canvas(), RECT{0, 0, graphic->Width(), graphic->Height()});
  std::set<uint32_t> levels;
  for (int y = 0; y < graphic->Height(); ++y)
    for (int x = 0; x < graphic->Width(); ++x) levels.insert(ColourOfBytes(Bytes32(target, x, y)));
  EXPECT_EQ(levels, (std::set<uint32_t>{0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF}));
}

// ---- colour key ------------------------------------------------------------------------------

// The image stretched as the platform stretches it, without transparency.
std::vector<uint32_t> PlainStretch(TPngGraphic& graphic, int width, int height) {
  const png::TPngChunkIHDR& header = *graphic.Core().Header();
  TBitmap plain;
  MakeBitmap32(plain, width, height, [](int, int) { return 0u; });
  HDC dc = plain.Canvas().Handle();
  ::SetStretchBltMode(dc, COLORONCOLOR);
  ::StretchDIBits(dc, 0, 0, width, height, 0, 0, static_cast<int>(header.Width()),
                  static_cast<int>(header.Height()), header.Bits(),
                  reinterpret_cast<const BITMAPINFO*>(&header.Info()), DIB_RGB_COLORS, SRCCOPY);
  std::vector<uint32_t> colours;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) colours.push_back(ColourOfBytes(Bytes32(plain, x, y)));
  return colours;
}

TEST(PngGraphicDraw, KeyColourPixelsLeaveTheDestinationAlone) {
  for (const char* name : {"pal4_key.png", "gray8_trns.png", "gray2_trns.png", "rgb8_trns.png"}) {
    SCOPED_TRACE(name);
    std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic(name);
    ASSERT_EQ(graphic->AlphaKind(), akKeyColour);
    const uint32_t key = static_cast<uint32_t>(graphic->KeyColour());
    const int w = graphic->Width(), h = graphic->Height();
    int keyed = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        keyed += static_cast<uint32_t>(graphic->GetPixelColor(x, y)) == key;
    ASSERT_GT(keyed, 0) << "the fixture shows its key colour";
    ASSERT_LT(keyed, w * h);
    // Natural size, twice the size, and larger and smaller sizes that are no multiples of the
    // image's.
    const SIZE sizes[] = {
        {w, h}, {2 * w, 2 * h}, {w * 3 / 2, h * 4 / 3}, {w * 2 / 3, h * 3 / 4}, {w / 2, h / 2}};
    for (const SIZE& size : sizes) {
      SCOPED_TRACE(::testing::Message() << size.cx << "x" << size.cy);
      const std::vector<uint32_t> plain = PlainStretch(*graphic, size.cx, size.cy);
      TBitmap target;
      MakeBitmap32(target, size.cx + 4, size.cy + 2, Background);
      graphic->Draw(target.Canvas(), RECT{3, 1, 3 + size.cx, 1 + size.cy});
      int mismatches = 0;
      for (int y = 0; y < size.cy + 2; ++y)
        for (int x = 0; x < size.cx + 4; ++x) {
          const bool inside = x >= 3 && x < 3 + size.cx && y >= 1 && y < 1 + size.cy;
          const uint32_t got = ColourOfBytes(Bytes32(target, x, y));
          uint32_t want = ColourOfBytes(Background(x, y));
          if (inside) {
            const uint32_t shown = plain[static_cast<size_t>((y - 1) * size.cx + (x - 3))];
            if (shown != key) want = shown;
          }
          if (got != want && ++mismatches <= 3)
            ADD_FAILURE() << x << "," << y << ": " << std::hex << got << " != " << want;
        }
      EXPECT_EQ(mismatches, 0);
    }
    // A reversed rectangle draws as its normal form.
    TBitmap normal, reversed;
    MakeBitmap32(normal, w + 2, h + 2, Background);
    MakeBitmap32(reversed, w + 2, h + 2, Background);
    graphic->Draw(normal.Canvas(), RECT{1, 1, 1 + w, 1 + h});
    graphic->Draw(reversed.Canvas(), RECT{1 + w, 1 + h, 1, 1});
    EXPECT_EQ(PixelsOf(reversed), PixelsOf(normal));
  }
}

// ---- every mode ------------------------------------------------------------------------------

TEST(PngGraphicDraw, ZeroWidthOrHeightDrawsNothing) {
  for (const char* name : {"rgb8.png", "pal4_key.png", "rgba8.png"}) {
    SCOPED_TRACE(name);
    std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic(name);
    for (const RECT& r : {RECT{5, 5, 5, 20}, RECT{5, 5, 20, 5}, RECT{7, 7, 7, 7}}) {
      TBitmap target;
      MakeBitmap32(target, 24, 24, Background);
      const std::vector<uint32_t> before = AllBytes(target);
      graphic->Draw(target.Canvas(), r);
      EXPECT_EQ(AllBytes(target), before);
    }
  }
}

TEST(PngGraphicDraw, EmptyPictureDrawsNothing) {
  TPngGraphic empty;
  TBitmap target;
  MakeBitmap32(target, 8, 8, Background);
  const std::vector<uint32_t> before = AllBytes(target);
  empty.Draw(target.Canvas(), RECT{0, 0, 8, 8});
  target.Canvas().StretchDraw(RECT{0, 0, 8, 8}, &empty);
  EXPECT_EQ(AllBytes(target), before);
}

TEST(PngGraphicDraw, CanvasDrawAndStretchDrawUseThePicture) {
  std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic("icon_phys_itxt.png");
  TBitmap direct, through;
  MakeBitmap32(direct, 30, 40, Background);
  MakeBitmap32(through, 30, 40, Background);
  graphic->Draw(direct.Canvas(), RECT{2, 3, 26, 34});
  through.Canvas().Draw(2, 3, graphic.get());
  EXPECT_EQ(AllBytes(through), AllBytes(direct));
}

// ---- threads ---------------------------------------------------------------------------------

// Two pictures blend at the same time on two threads, each into its own bitmap, in sizes that
// differ between the threads: each result is the one drawn alone.
TEST(PngGraphicDraw, PicturesBlendOnTwoThreadsAtOnce) {
  std::unique_ptr<TPngGraphic> first = LoadFixtureGraphic("rgba8.png");
  std::unique_ptr<TPngGraphic> second = LoadFixtureGraphic("ga8.png");
  auto draw = [](TPngGraphic& graphic, int scale) {
    const int w = graphic.Width() * scale, h = graphic.Height() * scale;
    TBitmap target;
    MakeBitmap32(target, w, h, Background);
    graphic.Draw(target.Canvas(), RECT{0, 0, w, h});
    return AllBytes(target);
  };
  const std::vector<uint32_t> first_alone = draw(*first, 1);
  const std::vector<uint32_t> second_alone = draw(*second, 3);
  int first_wrong = 0, second_wrong = 0;
  std::thread worker([&] {
    for (int i = 0; i < 40; ++i) first_wrong += draw(*first, 1) != first_alone;
  });
  for (int i = 0; i < 40; ++i) second_wrong += draw(*second, 3) != second_alone;
  worker.join();
  EXPECT_EQ(first_wrong, 0);
  EXPECT_EQ(second_wrong, 0);
}

}  // namespace
}  // namespace vornada
