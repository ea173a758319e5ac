// Decoding frames: every fixture against the pixels an independent decoder gives (written by
// the fixture generator), the bitmap file image, value masking, damaged and truncated data,
// hand-written LZW code streams for the decoder's decisions, progress and size limits.
#include <gtest/gtest.h>

#include <cstring>

#include "GifTestSupport.h"
#include "gif/GifLzw.h"

namespace vornada::gif::test {
namespace {

constexpr Color kBlack = MakeColor(0, 0, 0);
constexpr Color kWhite = MakeColor(255, 255, 255);

uint32_t Read32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }
uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

TEST(GifDecode, EveryFixtureGivesTheExpectedPixels) {
  const auto expects = FilesIn(FixtureDir(), ".expect");
  ASSERT_GE(expects.size(), 12u);
  for (const std::string& expect_path : expects) {
    const std::string gif_path = expect_path.substr(0, expect_path.size() - 7) + ".gif";
    SCOPED_TRACE(gif_path);
    const std::vector<ExpectedFrame> expected = ReadExpectation(expect_path);
    GifPicture p;
    ASSERT_EQ(LoadMessage(p, RequireFileBytes(gif_path), false), "");
    ASSERT_EQ(p.FrameCount(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(i);
      const ExpectedFrame& e = expected[i];
      const FrameBitmap& b = p.FrameBitmapAt(i);
      EXPECT_EQ(p.Frame(i).Origin(), (Point{e.left, e.top}));
      ASSERT_EQ(b.Width(), e.width);
      ASSERT_EQ(b.Height(), e.height);
      EXPECT_EQ(IndicesOf(b), e.indices);
      EXPECT_EQ(p.Frame(i).Damaged(), e.damaged);
    }
  }
}

TEST(GifDecode, InterlacedHeightsOneToEightFillEveryRowOnce) {
  // Row r of each frame holds (r + x) mod 8, so a row stored twice or in the wrong place
  // shows. The pixels match giflib's (checked above); here the rows are checked directly.
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, RequireFileBytes(FixturePath("interlace.gif")), false), "");
  ASSERT_EQ(p.FrameCount(), 8u);
  for (uint32_t h = 1; h <= 8; ++h) {
    SCOPED_TRACE(h);
    ASSERT_TRUE(p.Frame(h - 1).Interlaced());
    const FrameBitmap& b = p.FrameBitmapAt(h - 1);
    ASSERT_EQ(b.Height(), h);
    for (uint32_t y = 0; y < h; ++y) {
      for (uint32_t x = 0; x < 3; ++x) EXPECT_EQ(b.IndexAt(x, y), (y + x) % 8);
    }
    EXPECT_FALSE(p.Frame(h - 1).Damaged());
  }
}

TEST(GifDecode, MinimumCodeSizesOutsideTheRangeAreClampedAndDamaged) {
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, RequireFileBytes(FixturePath("codesize_bad.gif")), false), "");
  ASSERT_EQ(p.FrameCount(), 4u);  // sizes 0, 1, 10, 12
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const FrameBitmap& b = p.FrameBitmapAt(i);
    EXPECT_EQ(b.Width(), 8u);
    EXPECT_EQ(b.Height(), 4u);
    EXPECT_TRUE(p.Frame(i).Damaged());
    for (uint8_t v : IndicesOf(b)) EXPECT_LT(v, 4);  // masked to the frame's 2 bits
  }
}

TEST(GifDecode, BitmapFileImage) {
  struct Case {
    uint32_t map_count;  // local map entries: bits per pixel 1..8
    int bit_count;
    uint32_t width;
    size_t stride;
  } cases[] = {{2, 1, 33, 8}, {4, 4, 9, 8}, {8, 4, 8, 4}, {16, 4, 1, 4}, {32, 8, 5, 8},
               {256, 8, 4, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.map_count);
    const ColorMap local = GrayMap(c.map_count);
    const int bpp = BitsForCount(c.map_count);
    std::vector<uint8_t> indices(size_t{c.width} * 3);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>(i % c.map_count);
    // The core's encoder only writes 1/4/8-bit data; the decoder masks to the frame's bits.
    const int encode_bits = bpp == 1 ? 1 : (bpp <= 4 ? 4 : 8);
    GifPicture p;
    ASSERT_EQ(LoadMessage(p, GifBytes().Screen(c.width, 3, ColorMap{})
                                 .Image(0, 0, c.width, 3, Encode(encode_bits, c.width, 3, indices), local)
                                 .Trailer().Bytes()), "");
    const FrameBitmap& b = p.FrameBitmapAt(0);
    ASSERT_EQ(b.BitCount(), c.bit_count);
    EXPECT_EQ(b.Stride(), c.stride);
    const uint8_t* f = b.FileData();
    const size_t table = size_t{1} << c.bit_count;
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(Read32(f + 2), b.FileSize());
    EXPECT_EQ(Read32(f + 10), 54 + 4 * table);
    EXPECT_EQ(Read32(f + 14), 40u);
    EXPECT_EQ(Read32(f + 18), c.width);
    EXPECT_EQ(Read32(f + 22), 3u);  // positive: bottom-up rows
    EXPECT_EQ(Read16(f + 26), 1);
    EXPECT_EQ(Read16(f + 28), c.bit_count);
    EXPECT_EQ(Read32(f + 30), 0u);
    EXPECT_EQ(Read32(f + 34), 3 * c.stride);
    EXPECT_EQ(b.FileSize(), 54 + 4 * table + 3 * c.stride);
    for (size_t i = 0; i < table; ++i) {
      const uint8_t* q = f + 54 + 4 * i;
      if (i < c.map_count) {
        EXPECT_EQ(q[2], local.entries[i].red);
        EXPECT_EQ(q[3], 0);
      } else {
        EXPECT_EQ(q[0], 128);
        EXPECT_EQ(q[1], 128);
        EXPECT_EQ(q[2], 128);
        EXPECT_EQ(q[3], 128);
      }
    }
    EXPECT_EQ(IndicesOf(b), indices);
    // The top row is stored last.
    EXPECT_EQ(b.RowFromTop(0), b.Pixels() + 2 * c.stride);
  }
}

TEST(GifDecode, PixelValuesAreMaskedToTheFrameBits) {
  // A 2-entry local map (1 bit per pixel) with 2-bit data holding the values 3, 2, 1.
  const auto encoded = CodeStream(2).Code(4, 3).Code(3, 3).Code(2, 3).Code(1, 3).Code(5, 3).Encoded();
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, GifBytes().Screen(3, 1, ColorMap{})
                               .Image(0, 0, 3, 1, encoded, MakeMap({kBlack, kWhite}))
                               .Trailer().Bytes()), "");
  EXPECT_EQ(IndicesOf(p.FrameBitmapAt(0)), (std::vector<uint8_t>{1, 0, 1}));
  EXPECT_FALSE(p.Frame(0).Damaged());
}

// Decodes one hand-written code stream into a width x 1 (or given height) 8-bit frame.
struct Decoded {
  std::vector<uint8_t> pixels;
  bool damaged;
};
Decoded DecodeCodes(const std::vector<uint8_t>& encoded, uint32_t width, uint32_t height = 1,
                    int bpp = 8, bool interlaced = false) {
  const BitmapLayout layout = ComputeBitmapLayout(8, width, height, Limits{});
  std::vector<uint8_t> rows(layout.pixel_bytes, 0xEE);  // not zero: the decoder zeroes
  PixelRows target{rows.data(), layout.stride, 8, width, height, false};
  const LzwDecodeResult r = DecodeLzw(encoded, bpp, interlaced, target);
  Decoded d{{}, r.damaged};
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) d.pixels.push_back(rows[y * layout.stride + x]);
  }
  return d;
}

TEST(GifDecode, HandWrittenCodeStreams) {
  // Minimum code size 2: clear 4, end 5, first free 6; codes start with 3 bits.
  struct Case {
    const char* name;
    std::vector<uint8_t> encoded;
    uint32_t width;
    std::vector<uint8_t> pixels;
    bool damaged;
  };
  std::vector<Case> cases = {
      {"plain roots", CodeStream(2).Code(4, 3).Code(1, 3).Code(2, 3).Code(3, 3).Code(5, 3).Encoded(),
       3, {1, 2, 3}, false},
      {"code equal to the next free code (previous string + its first pixel)",
       CodeStream(2).Code(4, 3).Code(1, 3).Code(6, 3).Code(5, 3).Encoded(), 3, {1, 1, 1}, false},
      {"table entry reused", CodeStream(2).Code(4, 3).Code(1, 3).Code(2, 3).Code(6, 3).Code(5, 3)
                                 .Encoded(), 4, {1, 2, 1, 2}, false},
      {"no clear code at the start", CodeStream(2).Code(3, 3).Code(0, 3).Code(6, 3).Code(5, 3)
                                         .Encoded(), 4, {3, 0, 3, 0}, false},
      {"code above the next free code", CodeStream(2).Code(4, 3).Code(1, 3).Code(7, 3).Code(5, 3)
                                            .Encoded(), 3, {1, 1, 1}, true},
      {"table code right after a clear code", CodeStream(2).Code(4, 3).Code(7, 3).Code(2, 3)
                                                  .Code(5, 3).Encoded(), 2, {7, 2}, true},
      {"table code as the very first code", CodeStream(2).Code(6, 3).Code(1, 3).Encoded(), 2,
       {6, 1}, true},
      {"clear code in the middle resets the table",
       // 1, 2 adds 6 = "1 2"; after the clear, 6 is the first free code again: "3 3".
       CodeStream(2).Code(4, 3).Code(1, 3).Code(2, 3).Code(4, 3).Code(3, 3).Code(6, 3).Code(5, 3)
           .Encoded(), 5, {1, 2, 3, 3, 3}, false},
      {"end code before the last pixel", CodeStream(2).Code(4, 3).Code(1, 3).Code(5, 3).Encoded(),
       3, {1, 0, 0}, true},
      {"data ends before the last pixel", CodeStream(2).Code(4, 3).Code(2, 3).Encoded(), 3,
       {2, 0, 0}, true},
      {"pixels beyond the last row are discarded",
       CodeStream(2).Code(4, 3).Code(1, 3).Code(2, 3).Code(3, 3).Code(5, 3).Encoded(), 2, {1, 2},
       false},
      {"no data sub-blocks", {2, 0}, 2, {0, 0}, true},
      {"not even the minimum code size", {}, 2, {0, 0}, true},
      {"sub-block longer than the data", {2, 9, 0x0C}, 2, {1, 0}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded d = DecodeCodes(c.encoded, c.width);
    EXPECT_EQ(d.pixels, c.pixels);
    EXPECT_EQ(d.damaged, c.damaged);
  }
}

TEST(GifDecode, PartialLastCodeUsesTheBitsThatAreThere) {
  // Codes clear(4), 1, 2 take 9 bits; only the first byte is there. Its top two bits are the
  // low bits of the code 2 (binary 010), which is read as 2.
  const std::vector<uint8_t> full = CodeStream(2).Code(4, 3).Code(1, 3).Code(2, 3).Encoded();
  ASSERT_EQ(full[1], 2);  // two data bytes
  const std::vector<uint8_t> cut = {2, 1, full[2], 0};
  const Decoded d = DecodeCodes(cut, 2);
  EXPECT_EQ(d.pixels, (std::vector<uint8_t>{1, 2}));
  EXPECT_FALSE(d.damaged);
}

TEST(GifDecode, CodesWidenAtTheTableBoundaries) {
  // Minimum code size 2: entries 6 and 7 are added after the 2nd and 3rd code; once the next
  // free code reaches 8 the codes are 4 bits wide.
  const auto encoded = CodeStream(2)
                           .Code(4, 3)
                           .Code(1, 3)   // 1
                           .Code(2, 3)   // 2, adds 6 = 1 2
                           .Code(3, 3)   // 3, adds 7 = 2 3 -> next free 8: 4 bits
                           .Code(6, 4)   // 1 2, adds 8 = 3 1
                           .Code(8, 4)   // 3 1, adds 9 = 1 2 3
                           .Code(5, 4)
                           .Encoded();
  const Decoded d = DecodeCodes(encoded, 7);
  EXPECT_EQ(d.pixels, (std::vector<uint8_t>{1, 2, 3, 1, 2, 3, 1}));
  EXPECT_FALSE(d.damaged);
}

TEST(GifDecode, FullTableStopsAddingAndKeepsTwelveBitCodes) {
  // 4093 two-pixel strings fill the table (first free code 258 for 8-bit data). Afterwards
  // codes stay 12 bits wide and refer to the existing entries.
  CodeStream s(8);
  s.Code(256, 9);
  std::vector<uint8_t> expected;
  uint32_t next_free = 258;
  int size = 9;
  uint32_t codes = 0;
  // Roots only: every code adds (previous, this pixel) until the table is full.
  while (next_free < 4096 + 1) {
    const auto pixel = static_cast<uint8_t>((codes * 7) & 0xFF);
    s.Code(pixel, size);
    expected.push_back(pixel);
    if (codes > 0) {
      ++next_free;
      if (next_free == (1u << size) && size < 12) ++size;
    }
    ++codes;
    if (next_free == 4096) break;
  }
  ASSERT_EQ(size, 12);
  // Entry 258 is the string of the first two roots; 4095 the last two.
  s.Code(258, 12).Code(4095, 12).Code(257, 12);
  expected.push_back(expected[0]);
  expected.push_back(expected[1]);
  expected.push_back(expected[expected.size() - 4]);
  expected.push_back(expected[expected.size() - 4]);
  const Decoded d = DecodeCodes(s.Encoded(), static_cast<uint32_t>(expected.size()));
  EXPECT_EQ(d.pixels, expected);
  EXPECT_FALSE(d.damaged);
}

TEST(GifDecode, PackedBitmapsFromTopAndBottom) {
  // The same pixels into 1-, 4- and 8-bit rows, stored bottom-up and top-down.
  const uint32_t w = 11, h = 3;
  std::vector<uint8_t> pixels(w * h);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * 5) % 2);
  const auto encoded = Encode(8, w, h, pixels);
  for (int bits : {1, 4, 8}) {
    for (bool bottom_up : {true, false}) {
      SCOPED_TRACE(std::to_string(bits) + (bottom_up ? " bottom-up" : " top-down"));
      const BitmapLayout layout = ComputeBitmapLayout(bits, w, h, Limits{});
      std::vector<uint8_t> rows(layout.pixel_bytes, 0xFF);
      PixelRows target{rows.data(), layout.stride, bits, w, h, bottom_up};
      EXPECT_FALSE(DecodeLzw(encoded, 8, false, target).damaged);
      for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = rows.data() + (bottom_up ? h - 1 - y : y) * layout.stride;
        for (uint32_t x = 0; x < w; ++x) {
          uint8_t v;
          if (bits == 1) {
            v = (row[x >> 3] >> (7 - (x & 7))) & 1;
          } else if (bits == 4) {
            v = (x & 1) ? (row[x >> 1] & 15) : (row[x >> 1] >> 4);
          } else {
            v = row[x];
          }
          EXPECT_EQ(v, pixels[y * w + x]) << x << "," << y;
        }
        // Padding bytes are zero.
        const size_t used = (size_t{w} * bits + 7) / 8;
        for (size_t k = used; k < layout.stride; ++k) EXPECT_EQ(row[k], 0);
      }
    }
  }
}

// The decoder is handed rows that hold anything (they are not zeroed beforehand) and must
// leave every byte defined: decoded pixels, index 0 for pixels it did not reach, 0 in the
// padding after each row's pixels. A 5 x 4 frame pads every row at 1, 4 and 8 bits per pixel;
// its interlaced row order is 0, 2, 1, 3.
TEST(GifDecode, EveryByteOfTheRowsIsWritten) {
  const uint32_t w = 5, h = 4;
  std::vector<uint8_t> full(w * h);
  for (size_t i = 0; i < full.size(); ++i) full[i] = static_cast<uint8_t>((i * 7 + 3) % 11);
  // Clear code, seven roots (three 3-bit codes, then 4-bit ones once the table reaches 8),
  // then the end code: decoding stops after 7 of the 20 pixels.
  const std::vector<uint8_t> seven_values = {1, 2, 3, 1, 2, 3, 1};
  CodeStream early(2);
  early.Code(4, 3);
  for (size_t k = 0; k < seven_values.size(); ++k) early.Code(seven_values[k], k < 3 ? 3 : 4);
  early.Code(5, 4);
  struct Case {
    const char* name;
    std::vector<uint8_t> encoded;
    std::vector<uint8_t> values;  // the values decoded, in row order; every other pixel is 0
    bool damaged;
  };
  const std::vector<Case> cases = {
      {"every pixel decoded", Encode(8, w, h, full), {}, false},
      {"end code after seven pixels", early.Encoded(), seven_values, true},
      {"no data at all", {}, {}, true},
  };
  for (const Case& c : cases) {
    for (int bits : {1, 4, 8}) {
      for (bool interlaced : {false, true}) {
        SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(bits) + " bits" +
                     (interlaced ? ", interlaced" : ""));
        const uint32_t order[4] = {0, interlaced ? 2u : 1u, interlaced ? 1u : 2u, 3};
        // Index of every pixel, rows top-down, from the rules above.
        std::vector<uint8_t> index(w * h, 0);
        for (uint32_t n = 0; n < w * h; ++n) {
          const uint32_t y = order[n / w], x = n % w;
          // The complete stream was encoded from `full` in top-down order; interlaced rows
          // take its values in their decoding order.
          uint8_t v = 0;
          if (c.values.empty() && !c.encoded.empty()) v = full[n];
          if (n < c.values.size()) v = c.values[n];
          index[y * w + x] = static_cast<uint8_t>(v & ((1u << bits) - 1));
        }
        const BitmapLayout layout = ComputeBitmapLayout(bits, w, h, Limits{});
        std::vector<uint8_t> expected(layout.pixel_bytes, 0);
        for (uint32_t y = 0; y < h; ++y) {
          uint8_t* row = expected.data() + (h - 1 - y) * layout.stride;
          for (uint32_t x = 0; x < w; ++x) {
            const uint8_t v = index[y * w + x];
            if (bits == 8) row[x] = v;
            if (bits == 4) row[x / 2] |= static_cast<uint8_t>(x % 2 ? v : v << 4);
            if (bits == 1) row[x / 8] |= static_cast<uint8_t>(v << (7 - x % 8));
          }
        }
        std::vector<uint8_t> rows(layout.pixel_bytes, 0xEE);
        PixelRows target{rows.data(), layout.stride, bits, w, h, true};
        EXPECT_EQ(DecodeLzw(c.encoded, 8, interlaced, target).damaged, c.damaged);
        EXPECT_EQ(rows, expected);
      }
    }
  }
}

TEST(GifDecode, ProgressReportsStartRunningAndEnd) {
  std::vector<uint8_t> pixels(64 * 64);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * 131) >> 3);
  const auto encoded = Encode(8, 64, 64, pixels);
  std::vector<std::pair<ProgressStage, int>> events;
  ProgressCallback callback = [&](ProgressStage s, int pct) { events.emplace_back(s, pct); };
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, GifBytes().Screen(64, 64, GrayMap(256)).Image(0, 0, 64, 64, encoded)
                               .Trailer().Bytes(), false), "");
  p.SetProgressCallback(callback);
  p.FrameBitmapAt(0);
  ASSERT_GE(events.size(), 10u);
  EXPECT_EQ(events.front().first, ProgressStage::kStarting);
  EXPECT_EQ(events.back().first, ProgressStage::kEnding);
  int last = -1;
  for (size_t i = 1; i + 1 < events.size(); ++i) {
    EXPECT_EQ(events[i].first, ProgressStage::kRunning);
    EXPECT_GT(events[i].second, last);  // reported when the percentage changes
    last = events[i].second;
  }
  EXPECT_GE(last, 98);
  EXPECT_LE(last, 100);

  // A callback that fails while running still hears the end.
  events.clear();
  ProgressCallback failing = [&](ProgressStage s, int pct) {
    events.emplace_back(s, pct);
    if (s == ProgressStage::kRunning && pct >= 50) throw std::runtime_error("stop");
  };
  const BitmapLayout layout = ComputeBitmapLayout(8, 64, 64, Limits{});
  std::vector<uint8_t> rows(layout.pixel_bytes);
  PixelRows target{rows.data(), layout.stride, 8, 64, 64, true};
  EXPECT_THROW(DecodeLzw(encoded, 8, false, target, &failing), std::runtime_error);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().first, ProgressStage::kEnding);
}

TEST(GifDecode, SizeLimits) {
  // A frame of 65535 x 65535 would need 4 GiB: refused before anything is allocated.
  const auto encoded = Encode(1, 2, 1, {0, 1});
  const auto huge = GifBytes().Screen(0xFFFF, 0xFFFF, MakeMap({kBlack, kWhite}))
                        .Image(0, 0, 0xFFFF, 0xFFFF, encoded).Trailer().Bytes();
  GifPicture p;
  EXPECT_EQ(LoadMessage(p, huge), "GIF image too large");
  EXPECT_EQ(p.FrameCount(), 0u);  // frame 0 failed to decode and was removed
  ASSERT_EQ(LoadMessage(p, huge, false), "");
  EXPECT_EQ(p.Frame(0).Width(), 0xFFFFu);  // parsing alone is cheap
  try {
    p.FrameBitmapAt(0);
    ADD_FAILURE() << "decoded";
  } catch (const GifError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kTooLarge);
  }
  // The limit is the caller's to choose.
  Limits small;
  small.max_pixels = 99;
  EXPECT_THROW(ComputeBitmapLayout(8, 10, 10, small), GifError);
  EXPECT_NO_THROW(ComputeBitmapLayout(8, 9, 11, small));
  // Largest accepted by default: 8192 x 8192.
  EXPECT_NO_THROW(ComputeBitmapLayout(8, 8192, 8192, Limits{}));
  EXPECT_THROW(ComputeBitmapLayout(8, 8193, 8192, Limits{}), GifError);
}

TEST(GifDecode, BitCountForBitsPerPixel) {
  const int expected[] = {1, 4, 4, 4, 8, 8, 8, 8};
  for (int bpp = 1; bpp <= 8; ++bpp) EXPECT_EQ(BitCountForBitsPerPixel(bpp), expected[bpp - 1]);
  for (int bpp : {0, 9, -1}) {
    try {
      BitCountForBitsPerPixel(bpp);
      ADD_FAILURE() << bpp;
    } catch (const GifError& e) {
      EXPECT_EQ(std::string(e.what()), "Wrong number of colors; must be a power of 2");
    }
  }
}

}  // namespace
}  // namespace vornada::gif::test
