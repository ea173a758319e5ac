// Image lists under Wine: adding a strip of images with a transparent colour or a mask, drawing
// them enabled and disabled onto a bitmap, copying one out, the size rule and change listeners.
#include <gtest/gtest.h>

#include "ImgList.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

constexpr COLORREF kFuchsia = RGB(255, 0, 255), kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255),
                   kWhite = RGB(255, 255, 255), kGround = RGB(10, 20, 30);

// A strip of two 18 x 18 images on fuchsia: image 0 a red square at (4..7, 4..7) with one white
// pixel at (5, 5), image 1 a blue column at x = 2.
void MakeStrip(TBitmap& strip) {
  testing::MakeFilled32(strip, 36, 18, clFuchsia);
  ScopedCanvasLock lock(strip.Canvas());
  HDC dc = strip.Canvas().Handle();
  for (int y = 4; y < 8; ++y)
    for (int x = 4; x < 8; ++x) ::SetPixel(dc, x, y, kRed);
  ::SetPixel(dc, 5, 5, kWhite);
  for (int y = 0; y < 18; ++y) ::SetPixel(dc, 18 + 2, y, kBlue);
}

testing::Rendering DrawOnGround(TImageList& list, int index, bool enabled, int x = 1, int y = 2) {
  TBitmap target;
  testing::MakeFilled32(target, 24, 24, static_cast<TColor>(kGround));
  {
    ScopedCanvasLock lock(target.Canvas());
    list.Draw(target.Canvas(), x, y, index, enabled);
  }
  testing::Rendering out;
  out.width = 24;
  out.height = 24;
  out.pixels = testing::PixelsOf(target);
  return out;
}

TEST(ImageList, AddMaskedCutsTheStripAndDrawsOpaquePixelsOnly) {
  TImageList list(nullptr, 18, 18);
  TBitmap strip;
  MakeStrip(strip);
  EXPECT_EQ(list.AddMasked(strip, clFuchsia), 0);
  EXPECT_EQ(list.Count(), 2);
  const auto r = DrawOnGround(list, 0, true);
  EXPECT_EQ(r.At(1 + 4, 2 + 4), kRed);
  EXPECT_EQ(r.At(1 + 5, 2 + 5), kWhite);
  EXPECT_EQ(r.At(1 + 8, 2 + 4), kGround);
  EXPECT_EQ(r.At(0, 0), kGround);
  EXPECT_EQ(r.At(1 + 17, 2 + 17), kGround);
  const auto blue = DrawOnGround(list, 1, true);
  for (int y = 0; y < 18; ++y) EXPECT_EQ(blue.At(1 + 2, 2 + y), kBlue);
  EXPECT_EQ(blue.At(1 + 3, 2 + 3), kGround);
  // The default transparent colour is the lower-left pixel's (fuchsia here).
  TImageList again(nullptr, 18, 18);
  EXPECT_EQ(again.AddMasked(strip, clDefault), 0);
  EXPECT_EQ(DrawOnGround(again, 0, true).pixels, r.pixels);
  // An index out of range draws nothing.
  EXPECT_EQ(testing::PixelsOf(strip).size(), 36u * 18u);
  EXPECT_EQ(DrawOnGround(list, 7, true).At(5, 6), kGround);
}

TEST(ImageList, DisabledImagesAreTheirShapeEmbossed) {
  TImageList list(nullptr, 18, 18);
  TBitmap strip;
  MakeStrip(strip);
  list.AddMasked(strip, clFuchsia);
  const auto r = DrawOnGround(list, 0, false);
  const COLORREF hi = ::GetSysColor(COLOR_BTNHIGHLIGHT), sh = ::GetSysColor(COLOR_BTNSHADOW);
  // The red square less its white pixel is the shape: shadow in place...
  EXPECT_EQ(r.At(1 + 4, 2 + 4), sh);
  EXPECT_EQ(r.At(1 + 7, 2 + 7), sh);
  // ...the highlight copy shows one pixel right and down where the shadow does not cover it...
  EXPECT_EQ(r.At(1 + 8, 2 + 8), hi);
  EXPECT_EQ(r.At(1 + 8, 2 + 5), hi);
  // ...and at the white pixel, which is not part of the shape, the highlight of (4, 4) shows.
  EXPECT_EQ(r.At(1 + 5, 2 + 5), hi);
  EXPECT_EQ(r.At(1 + 3, 2 + 3), kGround);
  EXPECT_EQ(r.At(1 + 9, 2 + 9), kGround);
}

TEST(ImageList, AddWithAMaskAndGetBitmap) {
  TImageList list(nullptr, 4, 2);
  TBitmap image, mask;
  testing::MakeFilled32(image, 4, 2, static_cast<TColor>(kRed));
  testing::MakeFilled32(mask, 4, 2, clBlack);
  {
    ScopedCanvasLock lock(mask.Canvas());
    ::SetPixel(mask.Canvas().Handle(), 1, 0, kWhite);  // white: transparent
  }
  EXPECT_EQ(list.Add(image, &mask), 0);
  const auto r = DrawOnGround(list, 0, true, 0, 0);
  EXPECT_EQ(r.At(0, 0), kRed);
  EXPECT_EQ(r.At(1, 0), kGround);
  EXPECT_EQ(r.At(3, 1), kRed);
  TBitmap copy;
  list.GetBitmap(0, copy);
  EXPECT_EQ(copy.Width(), 4);
  EXPECT_EQ(copy.Height(), 2);
  // The copy keeps the pixel values, the masked one included.
  EXPECT_EQ(testing::PixelOf(copy, 1, 0), kRed);
  EXPECT_THROW(list.GetBitmap(1, copy), EInvalidOperation);
}

TEST(ImageList, SizeChangesEmptyTheListAndListenersHearOfChanges) {
  TImageList list(nullptr, 18, 18);
  int changes = 0;
  const int id = list.AddChangeListener([&] { ++changes; });
  TBitmap strip;
  MakeStrip(strip);
  list.AddMasked(strip, clFuchsia);
  EXPECT_EQ(changes, 1);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(changes, 2);
  EXPECT_THROW(list.Delete(5), EInvalidOperation);
  list.SetSize(16, 16);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(changes, 3);
  EXPECT_THROW(list.SetSize(0, 16), EInvalidOperation);
  list.RemoveChangeListener(id);
  list.AddMasked(strip, clFuchsia);  // 36 / 16: two images
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(changes, 3);
  TBitmap empty;
  EXPECT_EQ(list.AddMasked(empty, clFuchsia), -1);
}

}  // namespace
}  // namespace vornada
