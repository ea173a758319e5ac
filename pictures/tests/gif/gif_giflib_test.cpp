// giflib as the independent reference (native only): the fixtures decoded by giflib and by
// the core give the same frames; images encoded by giflib (random sizes, depths, interlacing)
// decode the same; and every GIF the core writes is read by giflib to the same pixels.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "GifTestSupport.h"

namespace vornada::gif::test {
namespace {

struct MemoryReader {
  const std::vector<uint8_t>* bytes;
  size_t pos = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int n) {
  auto* r = static_cast<MemoryReader*>(gif->UserData);
  const size_t count = std::min(static_cast<size_t>(n), r->bytes->size() - r->pos);
  std::memcpy(out, r->bytes->data() + r->pos, count);
  r->pos += count;
  return static_cast<int>(count);
}

int WriteToMemory(GifFileType* gif, const GifByteType* in, int n) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), in, in + n);
  return n;
}

// A GIF fully read by giflib; `gif` is null when giflib refuses it.
struct Slurped {
  GifFileType* gif = nullptr;
  MemoryReader reader;
  explicit Slurped(const std::vector<uint8_t>& bytes) : reader{&bytes} {
    int error = 0;
    gif = DGifOpen(&reader, ReadFromMemory, &error);
    if (gif && DGifSlurp(gif) != GIF_OK) {
      DGifCloseFile(gif, &error);
      gif = nullptr;
    }
  }
  ~Slurped() {
    int error = 0;
    if (gif) DGifCloseFile(gif, &error);
  }
  Slurped(const Slurped&) = delete;
  Slurped& operator=(const Slurped&) = delete;
};

// Compares every frame's geometry, maps and pixels; with `controls`, also the graphic control
// values as giflib reads them.
void ExpectSameFrames(const std::vector<uint8_t>& bytes, bool controls) {
  Slurped ref(bytes);
  ASSERT_NE(ref.gif, nullptr) << "giflib cannot read it";
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, bytes, false), "");
  ASSERT_EQ(p.FrameCount(), static_cast<size_t>(ref.gif->ImageCount));
  EXPECT_EQ(p.LogicalWidth(), ref.gif->SWidth);
  EXPECT_EQ(p.LogicalHeight(), ref.gif->SHeight);
  for (int i = 0; i < ref.gif->ImageCount; ++i) {
    SCOPED_TRACE(i);
    const SavedImage& saved = ref.gif->SavedImages[i];
    const GifImageDesc& d = saved.ImageDesc;
    const GifFrame& f = p.Frame(static_cast<size_t>(i));
    EXPECT_EQ(f.Origin(), (Point{d.Left, d.Top}));
    EXPECT_EQ(f.Interlaced(), d.Interlace);
    EXPECT_EQ(f.HasLocalMap(), d.ColorMap != nullptr);
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : ref.gif->SColorMap;
    ASSERT_NE(map, nullptr);
    ASSERT_EQ(f.Item().color_map.count, static_cast<uint32_t>(map->ColorCount));
    for (int k = 0; k < map->ColorCount; ++k) {
      EXPECT_EQ(f.Item().color_map.ColorAt(static_cast<size_t>(k)),
                MakeColor(map->Colors[k].Red, map->Colors[k].Green, map->Colors[k].Blue));
    }
    const FrameBitmap& b = p.FrameBitmapAt(static_cast<size_t>(i));
    ASSERT_EQ(b.Width(), static_cast<uint32_t>(d.Width));
    ASSERT_EQ(b.Height(), static_cast<uint32_t>(d.Height));
    const std::vector<uint8_t> expected(saved.RasterBits, saved.RasterBits + d.Width * d.Height);
    EXPECT_EQ(IndicesOf(b), expected);
    EXPECT_FALSE(f.Damaged());
    if (controls) {
      GraphicsControlBlock gcb;
      if (DGifSavedExtensionToGCB(ref.gif, i, &gcb) == GIF_OK) {
        EXPECT_EQ(f.DelayMs(), gcb.DelayTime * 10);
        EXPECT_EQ(f.DisposeMode(), gcb.DisposalMode);
        EXPECT_EQ(f.TransColor(), gcb.TransparentColor == NO_TRANSPARENT_COLOR
                                      ? clNone
                                      : f.Item().color_map.ColorAt(static_cast<size_t>(gcb.TransparentColor)));
      } else {
        EXPECT_EQ(f.DelayMs(), 0);
        EXPECT_EQ(f.TransColor(), clNone);
      }
    }
  }
}

// The fixtures giflib can read. (The others are damaged on purpose or use a minimum code size
// giflib refuses; their expected pixels are checked in the portable tests.)
const char* const kReadable[] = {"codesize_large.gif", "codesize_small.gif", "comments.gif",
                                 "disposal.gif",       "im_anim.gif",        "interlace.gif",
                                 "loop65535.gif",      "maps.gif",           "pil_anim.gif",
                                 "plaintext.gif",      "table_full.gif"};

TEST(GifGiflib, FixturesDecodeAsGiflibDecodesThem) {
  for (const char* name : kReadable) {
    SCOPED_TRACE(name);
    // giflib does not drop a graphic control extension that a plain-text extension follows.
    ExpectSameFrames(RequireFileBytes(FixturePath(name)), std::string(name) != "plaintext.gif");
  }
}

TEST(GifGiflib, ResavedFixturesReadByGiflib) {
  for (const char* name : kReadable) {
    SCOPED_TRACE(name);
    GifPicture p;
    ASSERT_EQ(LoadMessage(p, RequireFileBytes(FixturePath(name))), "");
    ExpectSameFrames(p.Save(), true);
  }
}

// Writes a GIF with giflib's encoder: one frame per entry of `frames`, random pixels.
struct RefFrame {
  int width, height, bits;
  bool interlaced;
  bool local;
};
std::vector<uint8_t> GiflibEncode(const std::vector<RefFrame>& frames, int screen_bits,
                                  std::mt19937& rng) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, WriteToMemory, &error);
  EXPECT_NE(gif, nullptr);
  if (!gif) return out;
  int sw = 1, sh = 1;
  for (const RefFrame& f : frames) {
    sw = std::max(sw, f.width);
    sh = std::max(sh, f.height);
  }
  auto make_map = [&](int bits) {
    std::vector<GifColorType> colors(size_t{1} << bits);
    for (auto& c : colors) {
      c.Red = static_cast<GifByteType>(rng());
      c.Green = static_cast<GifByteType>(rng());
      c.Blue = static_cast<GifByteType>(rng());
    }
    return GifMakeMapObject(1 << bits, colors.data());
  };
  ColorMapObject* screen_map = make_map(screen_bits);
  EGifPutScreenDesc(gif, sw, sh, screen_bits, 0, screen_map);
  GifFreeMapObject(screen_map);
  for (const RefFrame& f : frames) {
    ColorMapObject* local = f.local ? make_map(f.bits) : nullptr;
    if (!local && gif->Image.ColorMap) {
      // giflib forgets (and leaks) the previous frame's local map when the next has none.
      GifFreeMapObject(gif->Image.ColorMap);
      gif->Image.ColorMap = nullptr;
    }
    EGifPutImageDesc(gif, 0, 0, f.width, f.height, f.interlaced, local);
    if (local) GifFreeMapObject(local);
    const int values = 1 << (f.local ? f.bits : screen_bits);
    std::vector<std::vector<GifPixelType>> rows(static_cast<size_t>(f.height));
    for (auto& row : rows) {
      row.resize(static_cast<size_t>(f.width));
      const bool smooth = rng() % 2;
      for (int x = 0; x < f.width; ++x) {
        const uint32_t v = smooth ? static_cast<uint32_t>(x / 3) : rng();
        row[x] = static_cast<GifPixelType>(v % static_cast<uint32_t>(values));
      }
    }
    // Interlaced frames are written in pass order.
    std::vector<int> order;
    if (f.interlaced) {
      for (int pass = 0; pass < 4; ++pass) {
        static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int y = start[pass]; y < f.height; y += step[pass]) order.push_back(y);
      }
    } else {
      for (int y = 0; y < f.height; ++y) order.push_back(y);
    }
    for (int y : order) EGifPutLine(gif, rows[static_cast<size_t>(y)].data(), f.width);
  }
  EGifCloseFile(gif, &error);
  return out;
}

TEST(GifGiflib, ImagesEncodedByGiflib) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    std::vector<RefFrame> frames;
    const int count = 1 + static_cast<int>(rng() % 3);
    for (int i = 0; i < count; ++i) {
      const int w = 1 + static_cast<int>(rng() % (round < 20 ? 20 : 300));
      const int h = 1 + static_cast<int>(rng() % (round < 20 ? 20 : 200));
      frames.push_back({w, h, 1 + static_cast<int>(rng() % 8), rng() % 2 == 0, rng() % 2 == 0});
    }
    ExpectSameFrames(GiflibEncode(frames, 1 + static_cast<int>(rng() % 8), rng), false);
  }
}

TEST(GifGiflib, OurEncodingReadByGiflib) {
  std::mt19937 rng(99);
  for (int bits : {1, 4, 8}) {
    for (auto [w, h] : {std::pair{1u, 1u}, {13u, 7u}, {300u, 200u}}) {
      SCOPED_TRACE(std::to_string(bits) + " " + std::to_string(w) + "x" + std::to_string(h));
      std::vector<uint8_t> pixels(size_t{w} * h);
      for (auto& v : pixels) v = static_cast<uint8_t>(rng() % (1u << bits));
      GifPicture p;
      p.AppendBitmap(std::make_shared<FrameBitmap>(MakeBitmap(bits, w, h, pixels, GrayMap(1u << bits))));
      p.AppendBitmap(std::make_shared<FrameBitmap>(MakeBitmap(bits, w, h, pixels, GrayMap(1u << bits))),
                     MakeColor(0, 0, 0));
      p.Frame(1).SetDelayMs(120);
      p.Frame(1).SetDisposeMode(2);
      p.SetLoopFlag(true);
      p.SetLoopCount(3);
      const std::vector<uint8_t> out = p.Save();
      ExpectSameFrames(out, true);
      Slurped ref(out);
      ASSERT_NE(ref.gif, nullptr);
      const std::vector<uint8_t> raster(ref.gif->SavedImages[1].RasterBits,
                                        ref.gif->SavedImages[1].RasterBits + w * h);
      EXPECT_EQ(raster, pixels);
    }
  }
}

}  // namespace
}  // namespace vornada::gif::test
