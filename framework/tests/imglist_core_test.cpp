// The pixel work of image lists: cutting a strip into images with a transparent colour, and
// putting an image onto a destination enabled and disabled.
#include <gtest/gtest.h>

#include "ImgListCore.h"

namespace vornada {
namespace {

constexpr uint32_t kKey = 0xFF00FF, kRed = 0x0000FF, kWhite = 0xFFFFFF, kBlue = 0xFF0000;

TEST(ImageListCore, SplitCutsWholeImagesAndMarksTheKeyColour) {
  // A 5 x 2 strip holding two 2 x 2 images and one spare column.
  const std::vector<uint32_t> strip = {kRed, kKey, kWhite, kBlue, kRed,
                                       kKey, kRed, kKey,   kKey,  kRed};
  const auto images = SplitImageStrip(strip, 5, 2, 2, 2, kKey);
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[0].pixels, (std::vector<uint32_t>{kRed, kKey, kKey, kRed}));
  EXPECT_EQ(images[0].transparent, (std::vector<uint8_t>{0, 1, 1, 0}));
  EXPECT_EQ(images[1].pixels, (std::vector<uint32_t>{kWhite, kBlue, kKey, kKey}));
  EXPECT_EQ(images[1].transparent, (std::vector<uint8_t>{0, 0, 1, 1}));
  // A strip lower than the images: the missing rows are transparent.
  const auto low = SplitImageStrip({kRed, kRed}, 2, 1, 2, 2, kKey);
  ASSERT_EQ(low.size(), 1u);
  EXPECT_EQ(low[0].transparent, (std::vector<uint8_t>{0, 0, 1, 1}));
  // Nothing fits, or the pixels do not match the size given.
  EXPECT_TRUE(SplitImageStrip(strip, 5, 2, 6, 2, kKey).empty());
  EXPECT_TRUE(SplitImageStrip({kRed}, 5, 2, 2, 2, kKey).empty());
  EXPECT_TRUE(SplitImageStrip(strip, 5, 2, 0, 2, kKey).empty());
}

TEST(ImageListCore, EnabledImagesReplaceOnlyTheirOpaquePixels) {
  const auto image = SplitImageStrip({kRed, kKey, kKey, kBlue}, 2, 2, 2, 2, kKey)[0];
  std::vector<uint32_t> dest(9, 0x010203);
  ComposeImage(dest, 3, 3, image, 1, 1, true, kWhite, 0, false, 0);
  EXPECT_EQ(dest, (std::vector<uint32_t>{0x010203, 0x010203, 0x010203,
                                         0x010203, kRed, 0x010203,
                                         0x010203, 0x010203, kBlue}));
  // With a background colour the transparent pixels take it; clipping at the edges.
  std::vector<uint32_t> small(4, 0);
  ComposeImage(small, 2, 2, image, -1, 0, true, kWhite, 0, true, 0x777777);
  EXPECT_EQ(small, (std::vector<uint32_t>{0x777777, 0, kBlue, 0}));
}

TEST(ImageListCore, DisabledImagesShowTheirShapeEmbossed) {
  // Shape: the opaque pixels that are not white (red at (0, 0), blue at (1, 1); white at (1, 0)
  // is not part of it).
  const auto image = SplitImageStrip({kRed, kWhite, kKey, kBlue}, 2, 2, 2, 2, kKey)[0];
  EXPECT_EQ(DisabledShape(image), (std::vector<uint8_t>{1, 0, 0, 1}));
  const uint32_t hi = 0xEEEEEE, sh = 0x444444, bg = 0x010203;
  std::vector<uint32_t> dest(9, bg);
  ComposeImage(dest, 3, 3, image, 0, 0, false, hi, sh, false, 0);
  // The highlight copy at (+1, +1): (1, 1) and (2, 2); then the shadow copy over it at (0, 0)
  // and (1, 1).
  EXPECT_EQ(dest, (std::vector<uint32_t>{sh, bg, bg,
                                         bg, sh, bg,
                                         bg, bg, hi}));
}

}  // namespace
}  // namespace vornada
