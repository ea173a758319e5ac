// Alpha blending onto a BGRA work buffer: the blend arithmetic per colour type, nearest
// neighbour scaling and empty rectangles.
#include <gtest/gtest.h>

#include "PngTestSupport.h"
#include "png/PngBlend.h"

namespace vornada::png::test {
namespace {

// A BGRA buffer of w x h pixels, every pixel (blue, green, red, fourth).
std::vector<uint8_t> Fill(uint32_t w, uint32_t h, uint8_t b, uint8_t g, uint8_t r, uint8_t fourth) {
  std::vector<uint8_t> buffer(size_t{w} * h * 4);
  for (size_t i = 0; i < buffer.size(); i += 4) {
    buffer[i] = b;
    buffer[i + 1] = g;
    buffer[i + 2] = r;
    buffer[i + 3] = fourth;
  }
  return buffer;
}

PngPicture& Load(PngPicture& picture, const std::vector<RawChunk>& chunks) {
  LoadOutcome outcome = LoadBytes(picture, BuildPng(chunks));
  EXPECT_TRUE(outcome.ok) << outcome.message;
  return picture;
}

TEST(PngBlend, RgbaPixelsByAlpha) {
  // One row: alpha 0, 255, 128 and 128 over a buffer whose fourth byte is 0 or 100.
  PngPicture picture;
  Load(picture, {{"IHDR", HeaderData(4, 1, 8, 6)},
                 {"IDAT", Compress({0, 200, 150, 50, 0, 200, 150, 50, 255, 200, 150, 50, 128,
                                    200, 150, 50, 128})},
                 {"IEND", {}}});
  std::vector<uint8_t> d = Fill(4, 1, 100, 100, 100, 0);
  d[15] = 100;
  BlendOnto(picture, d.data(), 4, 1, 16);
  // a = 0: unchanged.
  EXPECT_EQ((std::vector<uint8_t>(d.begin(), d.begin() + 4)), (std::vector<uint8_t>{100, 100, 100, 0}));
  // a = 255: the source (blue 50, green 150, red 200) and a fourth byte of 255.
  EXPECT_EQ((std::vector<uint8_t>(d.begin() + 4, d.begin() + 8)), (std::vector<uint8_t>{50, 150, 200, 255}));
  // a = 128: red (200 * 128 + 100 * 127 + 255) >> 8 = 150, green (150 * 128 + 12700 + 255) >> 8
  // = 125, blue (50 * 128 + 12700 + 255) >> 8 = 75; fourth 255 - ((255 * 127 + 255) >> 8) = 128.
  EXPECT_EQ((std::vector<uint8_t>(d.begin() + 8, d.begin() + 12)), (std::vector<uint8_t>{75, 125, 150, 128}));
  // Fourth byte 100: 255 - ((155 * 127 + 255) >> 8) = 178.
  EXPECT_EQ(d[15], 178);
}

TEST(PngBlend, GrayAlphaBlendsEveryPixel) {
  // Gray 200 at alpha 0, 255 and 64 over 100.
  PngPicture picture;
  Load(picture, {{"IHDR", HeaderData(3, 1, 8, 4)},
                 {"IDAT", Compress({0, 200, 0, 200, 255, 200, 64})},
                 {"IEND", {}}});
  std::vector<uint8_t> d = Fill(3, 1, 100, 100, 100, 7);
  BlendOnto(picture, d.data(), 3, 1, 12);
  // (100 * 255 + 255) >> 8 = 100; (200 * 255 + 255) >> 8 = 200;
  // (200 * 64 + 100 * 191 + 255) >> 8 = 125. The fourth byte is left alone.
  EXPECT_EQ(d, (std::vector<uint8_t>{100, 100, 100, 7, 200, 200, 200, 7, 125, 125, 125, 7}));
}

TEST(PngBlend, PaletteUsesTheAlphaTableAndRejectsIndicesBeyondThePalette) {
  PngPicture picture;
  Load(picture, {{"IHDR", HeaderData(3, 1, 8, 3)},
                 {"PLTE", {255, 0, 0, 0, 255, 0}},
                 {"tRNS", {0, 128}},
                 {"IDAT", Compress({0, 0, 1, 1})},
                 {"IEND", {}}});
  ASSERT_EQ(picture.AlphaKind(), akBlended);
  std::vector<uint8_t> d = Fill(2, 1, 10, 10, 10, 0);
  BlendOnto(picture, d.data(), 2, 1, 8);
  // Entry 0 (red) at alpha 0: (10 * 255 + 255) >> 8 = 10. Entry 1 (green) at 128:
  // green (255 * 128 + 10 * 127 + 255) >> 8 = 133, others (1270 + 255) >> 8 = 5.
  // The 2-pixel buffer is a scaled-down view of the 3-pixel image: columns 0 and 1.
  EXPECT_EQ(d, (std::vector<uint8_t>{10, 10, 10, 0, 5, 133, 5, 0}));

  PngPicture beyond;
  Load(beyond, {{"IHDR", HeaderData(2, 1, 8, 3)},
                {"PLTE", {1, 2, 3, 4, 5, 6}},
                {"tRNS", {0, 7}},
                {"IDAT", Compress({0, 1, 2})},
                {"IEND", {}}});
  std::vector<uint8_t> e = Fill(2, 1, 0, 0, 0, 0);
  try {
    BlendOnto(beyond, e.data(), 2, 1, 8);
    FAIL();
  } catch (const PngError& err) {
    EXPECT_EQ(err.Kind(), ErrorKind::Error);
    EXPECT_STREQ(err.what(), "There is no such palette entry.");
  }
}

TEST(PngBlend, PackedPaletteIndicesAreReadFromTheirOwnPosition) {
  // 2-bit palette indices 3, 0, 2, 1 (held as 4-bit), each entry fully opaque.
  PngPicture picture;
  Load(picture, {{"IHDR", HeaderData(4, 1, 2, 3)},
                 {"PLTE", {10, 0, 0, 20, 0, 0, 30, 0, 0, 40, 0, 0}},
                 {"tRNS", {255, 255, 255, 254}},
                 {"IDAT", Compress({0, 0xC9})},
                 {"IEND", {}}});
  std::vector<uint8_t> d = Fill(4, 1, 0, 0, 0, 0);
  BlendOnto(picture, d.data(), 4, 1, 16);
  EXPECT_EQ(d[2], (40 * 254 + 255) >> 8);
  EXPECT_EQ(d[6], 10);
  EXPECT_EQ(d[10], 30);
  EXPECT_EQ(d[14], 20);
}

TEST(PngBlend, DoubleSizeDoublesEveryPixelAndOddScalesTruncate) {
  PngPicture picture;
  Load(picture, {{"IHDR", HeaderData(2, 2, 8, 6)},
                 {"IDAT", Compress({0, 1, 1, 1, 255, 2, 2, 2, 255, 0, 3, 3, 3, 255, 4, 4, 4, 255})},
                 {"IEND", {}}});
  std::vector<uint8_t> d = Fill(4, 4, 0, 0, 0, 0);
  BlendOnto(picture, d.data(), 4, 4, 16);
  const uint8_t expected[4][4] = {{1, 1, 2, 2}, {1, 1, 2, 2}, {3, 3, 4, 4}, {3, 3, 4, 4}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(d[(y * 4 + x) * 4], expected[y][x]) << x << "," << y;

  // 3 source columns onto 7: trunc(x * 3 / 7) = 0 0 0 1 1 2 2.
  PngPicture row;
  Load(row, {{"IHDR", HeaderData(3, 1, 8, 6)},
             {"IDAT", Compress({0, 10, 0, 0, 255, 20, 0, 0, 255, 30, 0, 0, 255})},
             {"IEND", {}}});
  std::vector<uint8_t> wide = Fill(7, 1, 0, 0, 0, 0);
  BlendOnto(row, wide.data(), 7, 1, 28);
  const uint8_t reds[7] = {10, 10, 10, 20, 20, 30, 30};
  for (int x = 0; x < 7; ++x) EXPECT_EQ(wide[x * 4 + 2], reds[x]) << x;

  // A buffer with padding after each row (stride larger than 4 * width).
  std::vector<uint8_t> padded(2 * 12, 0xEE);
  BlendOnto(picture, padded.data(), 2, 2, 12);
  EXPECT_EQ(padded[0], 1);
  EXPECT_EQ(padded[12 + 4], 4);
  EXPECT_EQ(padded[8], 0xEE);
}

TEST(PngBlend, ZeroSizeDrawsNothingAndRectanglesAreNormalised) {
  PngPicture picture;
  LoadFixture(picture, FixturePath("rgba8.png"));
  std::vector<uint8_t> d = Fill(4, 4, 9, 9, 9, 9);
  const std::vector<uint8_t> before = d;
  BlendOnto(picture, d.data(), 0, 4, 16);
  BlendOnto(picture, d.data(), 4, 0, 16);
  EXPECT_EQ(d, before);
  BlendRect r = NormalizeRect({10, 20, 2, 5});
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.right, 10);
  EXPECT_EQ(r.top, 5);
  EXPECT_EQ(r.bottom, 20);
  PngPicture empty;
  BlendOnto(empty, d.data(), 4, 4, 16);
  EXPECT_EQ(d, before);
}

}  // namespace
}  // namespace vornada::png::test
