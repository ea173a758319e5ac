// The window's pictures, read from the stored forms a design description embeds, the way the
// controls read them: each skin has the cell layout its control expects (marker column, cell
// count by width, the transparent colour cut where the window's shape needs it and the same in
// every cell, every cell different); the PNG pictures are 8-bit RGBA with their pHYs and iTXt
// chunks at the sizes the window gives; the glyph bitmaps key out their lower-left colour; the
// success animation has its frames, timing and transparency.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "GifImage.h"
#include "Graphics.h"
#include "PngGraphic.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

std::vector<uint8_t> Stored(const std::string& name) {
  bool ok = false;
  std::vector<uint8_t> bytes = testing::ReadFileBytes(testing::SourcePath("app/design/stored/" + name), &ok);
  EXPECT_TRUE(ok) << name;
  return bytes;
}

std::vector<uint8_t> PictureFile(const std::string& name) {
  bool ok = false;
  std::vector<uint8_t> bytes = testing::ReadFileBytes(testing::SourcePath("app/design/pictures/" + name), &ok);
  EXPECT_TRUE(ok) << name;
  return bytes;
}

// A bitmap property's stored form read as the bitmap reads it; every byte must be used.
void ReadBitmapForm(const std::vector<uint8_t>& form, TBitmap& bitmap) {
  TBytesStream stream(form.data(), static_cast<int64_t>(form.size()));
  bitmap.ReadData(stream);
  EXPECT_EQ(stream.Position(), stream.Size());
}

// A picture holder's stored form read as the holder reads it.
void ReadPictureForm(const std::vector<uint8_t>& form, TPicture& picture) {
  TBytesStream stream(form.data(), static_cast<int64_t>(form.size()));
  picture.ReadData(stream);
  EXPECT_EQ(stream.Position(), stream.Size());
}

constexpr COLORREF kFuchsia = RGB(255, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

struct Point {
  int x, y;
};

struct SkinCase {
  const char* name;  // stored/<name>.bitmap
  int cells;
  int cell_width, height;
  // The transparent colour the window's shape needs: the caption buttons and answers cut their
  // corners with a colour no cell uses; the switches must use black, because the switch's
  // window also covers its 6-pixel caption gap, which the control fills with black and which
  // must be cut out as well.
  COLORREF key;
  std::vector<Point> cut;   // cell pixels that must be transparent (cut out of the window)
  std::vector<Point> kept;  // cell pixels that must belong to the window
};

const std::vector<Point> kCaptionCut = {{0, 28}, {44, 28}};        // rounded bottom corners
const std::vector<Point> kCaptionKept = {{0, 0}, {44, 0}, {22, 14}, {0, 14}, {44, 14}, {22, 28}};
const std::vector<Point> kAnswerCut = {{0, 0}, {60, 0}, {0, 27}, {60, 27}};
const std::vector<Point> kAnswerKept = {{30, 0}, {0, 14}, {60, 14}, {30, 27}, {30, 14}};
const std::vector<Point> kSwitchCut = {{0, 0}, {45, 0}, {0, 9}, {45, 9}};
const std::vector<Point> kSwitchKept = {{23, 0}, {23, 9}, {5, 5}, {40, 5}, {23, 5}};

const SkinCase kSkins[] = {
    {"skin_info", 4, 45, 29, kFuchsia, kCaptionCut, kCaptionKept},
    {"skin_minimise", 4, 45, 29, kFuchsia, kCaptionCut, kCaptionKept},
    {"skin_close", 4, 45, 29, kFuchsia, kCaptionCut, kCaptionKept},
    {"skin_back", 4, 45, 29, kFuchsia, kCaptionCut, kCaptionKept},
    {"skin_yes", 4, 61, 28, kFuchsia, kAnswerCut, kAnswerKept},
    {"skin_no", 4, 61, 28, kFuchsia, kAnswerCut, kAnswerKept},
    {"skin_switch", 8, 46, 10, kBlack, kSwitchCut, kSwitchKept},
};

class SkinLayout : public ::testing::TestWithParam<SkinCase> {};

TEST_P(SkinLayout, HasTheCellsItsControlCutsAndTheShapeTheWindowNeeds) {
  const SkinCase& c = GetParam();
  TBitmap skin;
  ReadBitmapForm(Stored(std::string(c.name) + ".bitmap"), skin);
  // The skin strip: one marker column, then N cells; the cell width is (width - 1) / N, and no
  // columns are left over.
  ASSERT_EQ(skin.Width(), 1 + c.cells * c.cell_width);
  ASSERT_EQ(skin.Height(), c.height);
  EXPECT_EQ((skin.Width() - 1) / c.cells, c.cell_width);
  const std::vector<uint32_t> px = testing::PixelsOf(skin);
  auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * skin.Width() + x]; };
  const COLORREF key = at(0, 0);
  EXPECT_EQ(key, c.key) << "the marker column's top pixel is the transparent colour";

  std::vector<std::vector<uint32_t>> cells;
  std::vector<std::set<int>> cut_sets;
  for (int i = 0; i < c.cells; ++i) {
    std::vector<uint32_t> cell;
    std::set<int> cut;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.cell_width; ++x) {
        const uint32_t p = at(1 + i * c.cell_width + x, y);
        cell.push_back(p);
        if (p == key) cut.insert(y * c.cell_width + x);
      }
    cells.push_back(cell);
    cut_sets.push_back(cut);
    SCOPED_TRACE("cell " + std::to_string(i));
    for (const Point& p : c.cut) EXPECT_EQ(at(1 + i * c.cell_width + p.x, p.y), key) << p.x << "," << p.y;
    for (const Point& p : c.kept) EXPECT_NE(at(1 + i * c.cell_width + p.x, p.y), key) << p.x << "," << p.y;
  }
  // The window takes its shape from cell 0: every other cell is transparent exactly there, so
  // no cell shows the transparent colour inside the window or leaves a hole in it.
  ASSERT_FALSE(cut_sets[0].empty());
  for (int i = 1; i < c.cells; ++i) EXPECT_EQ(cut_sets[i], cut_sets[0]) << "cell " << i;
  // Each state looks different from every other.
  for (int i = 0; i < c.cells; ++i)
    for (int j = i + 1; j < c.cells; ++j) {
      int differing = 0;
      for (size_t k = 0; k < cells[i].size(); ++k) differing += cells[i][k] != cells[j][k];
      EXPECT_GE(differing, 20) << "cells " << i << " and " << j << " are nearly the same";
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SkinLayout, ::testing::ValuesIn(kSkins),
                         [](const auto& row) { return std::string(row.param.name); });

// ---- PNG pictures -------------------------------------------------------------------------------

struct PngCase {
  const char* name;
  int width, height;
};

class PngPicture : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngPicture, IsAnRgbaPngWithItsChunksAtTheWindowsSize) {
  PngGraphicRegistered();
  const PngCase& c = GetParam();
  const std::vector<uint8_t> file = PictureFile(std::string(c.name) + ".png");
  ASSERT_GT(file.size(), 33u);
  // The chunks, read from the file format: IHDR's bit depth 8, colour type 6, no interlace.
  std::set<std::string> chunks;
  size_t pos = 8;
  while (pos + 8 <= file.size()) {
    const uint32_t length = (file[pos] << 24) | (file[pos + 1] << 16) | (file[pos + 2] << 8) | file[pos + 3];
    chunks.insert(std::string(file.begin() + static_cast<std::ptrdiff_t>(pos + 4),
                              file.begin() + static_cast<std::ptrdiff_t>(pos + 8)));
    pos += 12 + length;
  }
  EXPECT_EQ(pos, file.size()) << "the chunks end with the file";
  EXPECT_EQ(file[24], 8) << "bit depth";
  EXPECT_EQ(file[25], 6) << "colour type RGBA";
  EXPECT_EQ(file[28], 0) << "not interlaced";
  for (const char* chunk : {"IHDR", "pHYs", "iTXt", "IDAT", "IEND"})
    EXPECT_TRUE(chunks.count(chunk)) << chunk;

  TPicture picture;
  ReadPictureForm(Stored(std::string(c.name) + ".picture"), picture);
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_STREQ(picture.Graphic()->ClassName(), "TPngGraphic");
  EXPECT_EQ(picture.Width(), c.width);
  EXPECT_EQ(picture.Height(), c.height);
  EXPECT_TRUE(picture.Graphic()->Transparent()) << "blended over the control's background";
}

INSTANTIATE_TEST_SUITE_P(Table, PngPicture,
                         ::testing::Values(PngCase{"title_icon", 24, 31}, PngCase{"arrow_up", 24, 24},
                                           PngCase{"arrow_down", 24, 24}, PngCase{"keyboard", 16, 16}),
                         [](const auto& row) { return std::string(row.param.name); });

// ---- bitmaps -----------------------------------------------------------------------------------

struct BitmapCase {
  const char* name;
  int width, height;
  bool keyed;  // drawn with transparency: the lower-left pixel is the key, fuchsia
};

class BitmapPicture : public ::testing::TestWithParam<BitmapCase> {};

TEST_P(BitmapPicture, HasItsSizeAndItsKeyColour) {
  const BitmapCase& c = GetParam();
  TPicture picture;
  ReadPictureForm(Stored(std::string(c.name) + ".picture"), picture);
  auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Width(), c.width);
  EXPECT_EQ(bitmap->Height(), c.height);
  // The bitmap property's form holds the same bitmap.
  TBitmap same;
  ReadBitmapForm(Stored(std::string(c.name) + ".bitmap"), same);
  EXPECT_EQ(testing::PixelsOf(same), testing::PixelsOf(*bitmap));
  const std::vector<uint32_t> px = testing::PixelsOf(*bitmap);
  size_t keyed = 0;
  for (uint32_t p : px) keyed += p == kFuchsia;
  if (c.keyed) {
    EXPECT_EQ(px[static_cast<size_t>(c.height - 1) * c.width], kFuchsia) << "lower-left pixel";
    EXPECT_EQ(bitmap->TransparentColor() & 0xFFFFFF, static_cast<TColor>(kFuchsia));
    EXPECT_GT(keyed, px.size() / 10) << "a background to key out";
    EXPECT_GT(px.size() - keyed, px.size() / 5) << "something drawn";
  } else {
    EXPECT_EQ(keyed, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, BitmapPicture,
    ::testing::Values(BitmapCase{"glyph_diskette", 22, 22, true}, BitmapCase{"glyph_clipboard", 16, 16, true},
                      BitmapCase{"glyph_copy", 16, 16, true}, BitmapCase{"pen_writing", 18, 18, true},
                      BitmapCase{"pen_lifted", 18, 18, true}, BitmapCase{"pen_images", 36, 18, true},
                      BitmapCase{"underline", 61, 2, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(WindowPictures, PenImagesHoldTheTwoPensSideBySide) {
  TBitmap strip, writing, lifted;
  ReadBitmapForm(Stored("pen_images.bitmap"), strip);
  ReadBitmapForm(Stored("pen_writing.bitmap"), writing);
  ReadBitmapForm(Stored("pen_lifted.bitmap"), lifted);
  const auto s = testing::PixelsOf(strip), w = testing::PixelsOf(writing), l = testing::PixelsOf(lifted);
  ASSERT_EQ(s.size(), 36u * 18u);
  int differing = 0;
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 18; ++x) {
      EXPECT_EQ(s[y * 36 + x], w[y * 18 + x]);
      EXPECT_EQ(s[y * 36 + 18 + x], l[y * 18 + x]);
      differing += w[y * 18 + x] != l[y * 18 + x];
    }
  EXPECT_GE(differing, 20) << "writing and lifted look different";
}

TEST(WindowPictures, SuccessAnimationHasItsFramesTimingAndTransparency) {
  const std::vector<uint8_t> form = Stored("success.gifimage");
  TGIFImage gif;
  TBytesStream stream(form.data(), static_cast<int64_t>(form.size()));
  gif.ReadData(stream);
  EXPECT_EQ(stream.Position(), stream.Size());
  EXPECT_EQ(gif.LogicalWidth(), 24);
  EXPECT_EQ(gif.LogicalHeight(), 24);
  ASSERT_EQ(gif.FrameCount(), 48);
  EXPECT_TRUE(gif.LoopFlag());
  EXPECT_EQ(gif.LoopCount(), 0);
  int smaller_at_offset = 0;
  for (int i = 0; i < gif.FrameCount(); ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    TGIFFrame* f = gif.Frames(i);
    EXPECT_EQ(f->DelayMs(), 40);
    EXPECT_TRUE(f->DisposeMode() == 1 || f->DisposeMode() == 2);
    EXPECT_NE(f->TransColor(), clNone) << "every frame transparent";
    EXPECT_FALSE(f->Damaged());
    const POINT o = f->Origin();
    EXPECT_LE(o.x + f->Width(), 24);
    EXPECT_LE(o.y + f->Height(), 24);
    if (i >= 44) {
      EXPECT_EQ(f->Width(), 1);
      EXPECT_EQ(f->Height(), 1);
    } else if (f->Width() < 24 || f->Height() < 24) {
      smaller_at_offset += o.x > 0 || o.y > 0;
    }
  }
  EXPECT_EQ(gif.Frames(0)->Width(), 24) << "the first frame covers the picture";
  EXPECT_GT(smaller_at_offset, 10) << "frames only paint what they change";
  // The picture holder's form names the class and holds the same GIF.
  TPicture picture;
  GifImageRegistered();
  ReadPictureForm(Stored("success.picture"), picture);
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_STREQ(picture.Graphic()->ClassName(), "TGIFImage");
  EXPECT_EQ(picture.Width(), 24);
}

}  // namespace
}  // namespace vornada
