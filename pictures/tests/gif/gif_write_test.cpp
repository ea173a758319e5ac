// Writing GIFs and encoding frames: resaving keeps frame data byte for byte, graphic control
// extensions are brought up to date, loop and comment extensions, version rules, the encoder's
// code stream (clear first, growth, restart, sub-blocks), encode-then-decode identity, frames
// made from bitmaps, sharing between assigned pictures, and the write errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "GifTestSupport.h"
#include "gif/GifLzw.h"

namespace vornada::gif::test {
namespace {

constexpr Color kBlack = MakeColor(0, 0, 0);
constexpr Color kWhite = MakeColor(255, 255, 255);
constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kGreen = MakeColor(0, 255, 0);

std::vector<uint8_t> Fixture(const std::string& name) { return RequireFileBytes(FixturePath(name)); }

bool Contains(const std::vector<uint8_t>& haystack, const std::vector<uint8_t>& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
         haystack.end();
}

std::string SaveMessage(GifPicture& p) {
  try {
    p.Save();
  } catch (const GifError& e) {
    return e.what();
  }
  return "";
}

TEST(GifWrite, ResaveKeepsFramesByteForByte) {
  for (const char* name : {"maps.gif", "interlace.gif", "loop65535.gif", "comments.gif",
                           "plaintext.gif", "disposal.gif", "pil_anim.gif", "im_anim.gif",
                           "codesize_small.gif", "codesize_large.gif", "table_full.gif",
                           "codesize_bad.gif", "truncated.gif"}) {
    SCOPED_TRACE(name);
    GifPicture original;
    ASSERT_EQ(LoadMessage(original, Fixture(name), false), "");
    const std::vector<uint8_t> saved = original.Save();
    GifPicture again;
    ASSERT_EQ(LoadMessage(again, saved, false), "");
    ASSERT_EQ(again.FrameCount(), original.FrameCount());
    EXPECT_EQ(again.LoopFlag(), original.LoopFlag() && original.FrameCount() > 1);
    EXPECT_EQ(again.LoopCount(), again.LoopFlag() ? original.LoopCount() : 1);
    EXPECT_EQ(again.Data().comment, original.Data().comment);
    EXPECT_EQ(again.Data().color_map, original.Data().color_map);
    EXPECT_EQ(again.BackgroundColor(), original.BackgroundColor());
    for (size_t i = 0; i < original.FrameCount(); ++i) {
      SCOPED_TRACE(i);
      const GifFrame& a = original.Frame(i);
      const GifFrame& b = again.Frame(i);
      // The encoded data (code size, sub-blocks, terminator) appears unchanged in the file.
      EXPECT_TRUE(Contains(saved, a.Item().encoded));
      EXPECT_EQ(b.Item().encoded, a.Item().encoded);
      EXPECT_EQ(b.Origin(), a.Origin());
      EXPECT_EQ(b.Item().width, a.Item().width);
      EXPECT_EQ(b.Item().height, a.Item().height);
      EXPECT_EQ(b.Interlaced(), a.Interlaced());
      EXPECT_EQ(b.HasLocalMap(), a.HasLocalMap());
      EXPECT_EQ(b.Item().color_map, a.Item().color_map);
      EXPECT_EQ(b.DelayMs(), a.DelayMs());
      EXPECT_EQ(b.DisposeMode(), a.DisposeMode());
      EXPECT_EQ(b.TransColor(), a.TransColor());
      const auto* ca = a.FirstNonEmptyComment();
      const auto* cb = b.FirstNonEmptyComment();
      ASSERT_EQ(ca == nullptr, cb == nullptr);
      if (ca) {
        EXPECT_EQ(*ca, *cb);
      }
    }
  }
}

TEST(GifWrite, LogicalScreenAndHeaderFields) {
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, Fixture("maps.gif")), "");
  const std::vector<uint8_t> out = p.Save();
  ASSERT_GE(out.size(), 13u);
  EXPECT_EQ(std::string(out.begin(), out.begin() + 6), "GIF87a");  // no extensions
  EXPECT_EQ(out[6] | (out[7] << 8), 6);  // largest origin + size over the frames
  EXPECT_EQ(out[8] | (out[9] << 8), 4);
  EXPECT_EQ(out[10], 0x80 + (2 - 1) * 16 + (2 - 1));
  EXPECT_EQ(out[11], 1);  // the first global entry equal to the background colour
  EXPECT_EQ(out.back(), ';');

  // Frames that do not reach the screen's edge give a smaller screen.
  GifPicture q;
  ASSERT_EQ(LoadMessage(q, GifBytes().Screen(9, 9, MakeMap({kBlack, kWhite}))
                               .Image(2, 1, 2, 1, Encode(1, 2, 1, {0, 1})).Trailer().Bytes()), "");
  const std::vector<uint8_t> small = q.Save();
  EXPECT_EQ(small[6], 4);
  EXPECT_EQ(small[8], 2);
}

TEST(GifWrite, GraphicControlBroughtUpToDate) {
  // Colours 0 black, 1 white, 2 red, 3 white again.
  const ColorMap map = MakeMap({kBlack, kWhite, kRed, kWhite});
  const auto data = Encode(4, 2, 1, {0, 3});
  struct Case {
    const char* name;
    std::vector<uint8_t> gif;
    uint16_t delay_ms;
    Color trans;
    uint8_t disposal;
    std::vector<uint8_t> expected_gce;  // the 8 bytes written, or empty for none
  };
  auto gif_with = [&](int trans_index) {
    GifBytes b;
    b.Screen(2, 1, map);
    if (trans_index >= -1) b.Control(30, 2, trans_index);
    return b.Image(0, 0, 2, 1, data).Trailer().Bytes();
  };
  std::vector<Case> cases = {
      {"delay, colour and disposal", gif_with(-2), 130, kRed, 3,
       {'!', 0xF9, 4, 0x0D, 13, 0, 2, 0}},
      {"no delay, colour or disposal: none created", gif_with(-2), 0, clNone, 0, {}},
      {"colour not in the map: flag cleared", gif_with(-2), 0, MakeColor(1, 2, 3), 0,
       {'!', 0xF9, 4, 0x00, 0, 0, 0, 0}},
      {"index read stays when it still shows the colour", gif_with(3), 300, kWhite, 2,
       {'!', 0xF9, 4, 0x09, 30, 0, 3, 0}},
      {"otherwise the first entry with the colour", gif_with(2), 300, kWhite, 2,
       {'!', 0xF9, 4, 0x09, 30, 0, 1, 0}},
      {"existing extension with nothing left to say", gif_with(1), 0, clNone, 0,
       {'!', 0xF9, 4, 0x00, 0, 0, 0, 0}},
      {"delay kept in tens of milliseconds", gif_with(-2), 65535, clNone, 0,
       {'!', 0xF9, 4, 0x00, 0x99, 0x19, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GifPicture p;
    ASSERT_EQ(LoadMessage(p, c.gif), "");
    p.Frame(0).SetDelayMs(c.delay_ms);
    p.Frame(0).SetTransColor(c.trans);
    p.Frame(0).SetDisposeMode(c.disposal);
    const std::vector<uint8_t> out = p.Save();
    const std::vector<uint8_t> label = {'!', 0xF9};
    const auto at = std::search(out.begin(), out.end(), label.begin(), label.end());
    if (c.expected_gce.empty()) {
      EXPECT_EQ(at, out.end());
      continue;
    }
    ASSERT_NE(at, out.end());
    EXPECT_EQ(std::vector<uint8_t>(at, at + 8), c.expected_gce);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 6), "GIF89a");
    EXPECT_EQ(p.Version(), 2);
    GifPicture again;
    ASSERT_EQ(LoadMessage(again, out), "");
    EXPECT_EQ(again.Frame(0).DelayMs(), c.delay_ms / 10 * 10);
    EXPECT_EQ(again.Frame(0).DisposeMode(), c.disposal);
    EXPECT_EQ(again.Frame(0).TransColor(), c.expected_gce[3] & 1 ? c.trans : clNone);
  }
}

TEST(GifWrite, LoopExtensionOnlyWithSeveralFrames) {
  const ColorMap map = MakeMap({kBlack, kWhite});
  const auto frame = Encode(1, 2, 1, {0, 1});
  const std::vector<uint8_t> netscape = {'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E',
                                         '2', '.', '0', 3, 1, 0x34, 0x12, 0};
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, GifBytes().Screen(2, 1, map).Loop(0x1234, "ANIMEXTS1.0")
                               .Image(0, 0, 2, 1, frame).Image(0, 0, 2, 1, frame).Trailer().Bytes()), "");
  EXPECT_TRUE(Contains(p.Save(), netscape));
  p.DeleteFrame(1);
  EXPECT_FALSE(Contains(p.Save(), {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E'}));
}

TEST(GifWrite, CommentsWrittenAndEmptyOnesDropped) {
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, Fixture("comments.gif")), "");
  p.Frame(0).CommentLines().clear();  // an empty comment extension is dropped
  const std::string long_line(300, 'z');
  p.MutableData().comment = {"one", "", long_line};
  const std::vector<uint8_t> out = p.Save();
  GifPicture again;
  ASSERT_EQ(LoadMessage(again, out), "");
  ASSERT_EQ(again.Frame(0).Extensions().size(), 1u);
  EXPECT_EQ(again.Frame(0).Extensions()[0].kind, ExtensionKind::kGraphicControl);
  // Empty lines cannot be sub-blocks; a line longer than 255 bytes goes into two.
  EXPECT_EQ(again.Data().comment,
            (std::vector<std::string>{"one", std::string(255, 'z'), std::string(45, 'z')}));
  // The image comment is written after the frames, right before the trailer.
  std::vector<uint8_t> tail = {45};
  tail.insert(tail.end(), 45, 'z');
  tail.push_back(0);
  tail.push_back(';');
  ASSERT_GE(out.size(), tail.size());
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), out.end() - static_cast<std::ptrdiff_t>(tail.size())));
  // An image comment alone makes the version 89a.
  GifPicture plain;
  ASSERT_EQ(LoadMessage(plain, Fixture("maps.gif")), "");
  plain.MutableData().comment = {"note"};
  const std::vector<uint8_t> noted = plain.Save();
  EXPECT_EQ(std::string(noted.begin(), noted.begin() + 6), "GIF89a");
}

TEST(GifWrite, WriteErrors) {
  GifPicture empty;
  EXPECT_EQ(SaveMessage(empty), "No GIF Data to write");

  GifPicture no_bitmap;
  no_bitmap.AppendBitmap(nullptr);
  EXPECT_EQ(SaveMessage(no_bitmap), "No GIF Data to write");

  GifPicture bad_global;
  ASSERT_EQ(LoadMessage(bad_global, Fixture("maps.gif")), "");
  bad_global.MutableData().color_map.count = 3;
  EXPECT_EQ(SaveMessage(bad_global), "Wrong number of colors; must be a power of 2");

  GifPicture bad_local;
  ASSERT_EQ(LoadMessage(bad_local, Fixture("maps.gif")), "");
  auto item = std::make_shared<TGIFItem>(bad_local.Frame(1).Item());
  item->color_map.count = 5;
  bad_local.Frame(1).SetItem(item);
  EXPECT_EQ(SaveMessage(bad_local), "Wrong number of colors; must be a power of 2");

  for (int bits : {0, 2, 3, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    std::vector<uint8_t> pixels(64);
    ConstPixelRows rows{pixels.data(), 16, bits, 2, 2, true};
    try {
      EncodeLzw(rows);
      ADD_FAILURE() << "encoded";
    } catch (const GifError& e) {
      EXPECT_EQ(std::string(e.what()), "GIF image encoding error");
      EXPECT_EQ(e.kind(), ErrorKind::kEncodingError);
    }
  }
}

// Walks an encoded stream the way a decoder sizes its codes, independently of the core:
// returns the codes in order and the largest table entry the decoder assigns.
struct CodeWalk {
  std::vector<uint32_t> codes;
  uint32_t max_assigned = 0;
  size_t clears = 0;
};
CodeWalk WalkCodes(const std::vector<uint8_t>& encoded) {
  const int m = encoded[0];
  std::vector<uint8_t> data;
  size_t p = 1;
  while (p < encoded.size() && encoded[p] != 0) {
    data.insert(data.end(), encoded.begin() + static_cast<std::ptrdiff_t>(p + 1),
                encoded.begin() + static_cast<std::ptrdiff_t>(p + 1 + encoded[p]));
    p += encoded[p] + 1;
  }
  CodeWalk w;
  const uint32_t clear = 1u << m;
  uint32_t size = m + 1, next = clear + 2;
  bool first = true;
  uint64_t bit = 0;
  while (bit + size <= data.size() * 8) {
    uint32_t code = 0;
    for (uint32_t k = 0; k < size; ++k, ++bit) code |= ((data[bit >> 3] >> (bit & 7)) & 1u) << k;
    w.codes.push_back(code);
    if (code == clear) {
      ++w.clears;
      size = m + 1;
      next = clear + 2;
      first = true;
      continue;
    }
    if (code == clear + 1) break;
    if (!first && next < 4096) {
      w.max_assigned = std::max(w.max_assigned, next);
      ++next;
      if (next == (1u << size) && size < 12) ++size;
    }
    first = false;
  }
  return w;
}

TEST(GifWrite, EncoderCodeStream) {
  std::mt19937 rng(5);
  std::vector<uint8_t> noise(300 * 200);
  for (auto& v : noise) v = static_cast<uint8_t>(rng());
  struct Case {
    int bits;
    uint32_t width, height;
    std::vector<uint8_t> pixels;
    size_t min_clears;
  };
  std::vector<Case> cases = {{1, 3, 1, {1, 0, 1}, 1},
                             {4, 5, 2, {1, 2, 3, 4, 5, 15, 14, 13, 12, 11}, 1},
                             {8, 300, 200, noise, 10}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    const std::vector<uint8_t> encoded = Encode(c.bits, c.width, c.height, c.pixels);
    EXPECT_EQ(encoded[0], MinCodeSizeForBitCount(c.bits));
    EXPECT_EQ(MinCodeSizeForBitCount(c.bits), c.bits == 1 ? 2 : c.bits);
    // Sub-blocks of 255 bytes, the last one shorter, then the zero-length block.
    size_t p = 1;
    std::vector<size_t> sizes;
    while (encoded[p] != 0) {
      sizes.push_back(encoded[p]);
      p += encoded[p] + 1;
    }
    EXPECT_EQ(p + 1, encoded.size());
    for (size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], 255u);
    const CodeWalk walk = WalkCodes(encoded);
    ASSERT_FALSE(walk.codes.empty());
    EXPECT_EQ(walk.codes.front(), 1u << encoded[0]);           // clear first
    EXPECT_EQ(walk.codes.back(), (1u << encoded[0]) + 1);       // end code last
    EXPECT_GE(walk.clears, c.min_clears);
    // The table restarts when the last assigned code exceeds 4093: it never fills.
    EXPECT_LE(walk.max_assigned, 4094u);
    if (c.min_clears > 1) {
      EXPECT_EQ(walk.max_assigned, 4094u);
    }
  }
}

TEST(GifWrite, EncodeThenDecodeGivesTheSameIndices) {
  std::mt19937 rng(11);
  struct Case {
    int bits;
    uint32_t width, height;
    int pattern;  // 0 noise, 1 smooth, 2 one value
  };
  std::vector<Case> cases;
  for (int bits : {1, 4, 8}) {
    for (auto [w, h] : {std::pair{1u, 1u}, {7u, 3u}, {33u, 5u}, {257u, 129u}}) {
      for (int pattern : {0, 1, 2}) cases.push_back({bits, w, h, pattern});
    }
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits " + std::to_string(c.width) + "x" +
                 std::to_string(c.height) + " pattern " + std::to_string(c.pattern));
    const uint32_t values = 1u << c.bits;
    std::vector<uint8_t> pixels(size_t{c.width} * c.height);
    for (size_t i = 0; i < pixels.size(); ++i) {
      const uint32_t v = c.pattern == 0 ? rng() : c.pattern == 1 ? (i / 7 + i % 5) : 1;
      pixels[i] = static_cast<uint8_t>(v % values);
    }
    GifPicture p;
    p.AppendBitmap(std::make_shared<FrameBitmap>(
        MakeBitmap(c.bits, c.width, c.height, pixels, GrayMap(values))));
    const std::vector<uint8_t> out = p.Save();
    GifPicture again;
    ASSERT_EQ(LoadMessage(again, out), "");
    EXPECT_EQ(IndicesOf(again.FrameBitmapAt(0)), pixels);
    EXPECT_FALSE(again.Frame(0).Damaged());
    EXPECT_EQ(again.Frame(0).Item().bits_per_pixel, c.bits);
  }
}

TEST(GifWrite, FramesFromBitmaps) {
  const ColorMap first_map = MakeMap({kBlack, kWhite});
  const ColorMap second_map = GrayMap(16);
  GifPicture p;
  EXPECT_EQ(p.Version(), 0);
  EXPECT_EQ(p.AppendBitmap(std::make_shared<FrameBitmap>(MakeBitmap(1, 3, 2, {0, 1, 0, 1, 1, 0}, first_map)),
                           kWhite), 0);
  EXPECT_EQ(p.Version(), 1);
  EXPECT_EQ(p.CurrentFrame(), 0);
  EXPECT_EQ(p.LogicalWidth(), 3);
  EXPECT_FALSE(p.IsEmpty());
  EXPECT_EQ(p.AppendBitmap(std::make_shared<FrameBitmap>(
                MakeBitmap(4, 5, 1, {1, 2, 3, 4, 15}, second_map))), 1);
  EXPECT_EQ(p.Version(), 2);
  EXPECT_EQ(p.CurrentFrame(), 1);
  p.Frame(1).SetOrigin({2, 4});
  p.Frame(1).SetInterlaced(true);
  EXPECT_TRUE(p.Frame(0).Item().encoded.empty());

  const std::vector<uint8_t> out = p.Save();
  // Encoding: the first frame's map became the global map, the second frame has its own;
  // the interlace flag is gone; the logical screen holds both frames.
  EXPECT_EQ(p.Data().color_map.count, 2u);
  EXPECT_EQ(p.Data().color_map, first_map);
  EXPECT_FALSE(p.Frame(0).HasLocalMap());
  EXPECT_TRUE(p.Frame(1).HasLocalMap());
  EXPECT_FALSE(p.Frame(1).Interlaced());
  EXPECT_EQ(p.LogicalWidth(), 7);
  EXPECT_EQ(p.LogicalHeight(), 5);
  GifPicture again;
  ASSERT_EQ(LoadMessage(again, out), "");
  ASSERT_EQ(again.FrameCount(), 2u);
  EXPECT_EQ(again.Frame(0).TransColor(), kWhite);
  EXPECT_EQ(again.Frame(1).Origin(), (Point{2, 4}));
  EXPECT_EQ(again.Frame(1).Item().color_map, second_map);
  EXPECT_EQ(IndicesOf(again.FrameBitmapAt(1)), (std::vector<uint8_t>{1, 2, 3, 4, 15}));
  EXPECT_EQ(again.Frame(0).Item().bits_per_pixel, 1);
  EXPECT_EQ(again.Frame(1).Item().bits_per_pixel, 4);
}

TEST(GifWrite, StoredFormRoundTrip) {
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, Fixture("disposal.gif")), "");
  const std::vector<uint8_t> stored = p.SaveStored();
  const std::vector<uint8_t> plain = p.Save();
  ASSERT_EQ(stored.size(), plain.size() + 4);
  EXPECT_EQ(stored[0] | (stored[1] << 8) | (stored[2] << 16) | (stored[3] << 24),
            static_cast<int>(plain.size()));
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), stored.begin() + 4));
  GifPicture again;
  EXPECT_EQ(again.LoadStored(stored), stored.size());
  EXPECT_EQ(again.FrameCount(), 4u);
}

TEST(GifWrite, AssignedPicturesShareData) {
  GifPicture a;
  ASSERT_EQ(LoadMessage(a, Fixture("comments.gif")), "");
  a.SetCurrentFrame(1);
  GifPicture b;
  b.AssignFrom(a);
  EXPECT_TRUE(b.SharesDataWith(a));
  EXPECT_EQ(b.FrameCount(), 2u);
  EXPECT_EQ(b.CurrentFrame(), 1);
  EXPECT_EQ(b.Frame(1).SharedItem(), a.Frame(1).SharedItem());
  EXPECT_EQ(b.Frame(0).DecodedBitmap(), a.Frame(0).DecodedBitmap());
  EXPECT_EQ(b.Frame(0).HasLocalMap(), a.Frame(0).HasLocalMap());
  EXPECT_EQ(b.Frame(0).DelayMs(), 120);
  // Only the first non-empty comment travels with a frame; graphic control extensions are
  // made again when written.
  ASSERT_EQ(b.Frame(0).Extensions().size(), 1u);
  EXPECT_EQ(b.Frame(0).CommentLines(), (std::vector<std::string>{"first frame"}));

  // Changing one picture's image data gives it a private copy.
  b.MutableData().comment = {"changed"};
  EXPECT_FALSE(b.SharesDataWith(a));
  EXPECT_EQ(a.Data().comment.front(), "after one");
  // Both still write the same frame data.
  const auto out_a = a.Save();
  const auto out_b = b.Save();
  EXPECT_TRUE(Contains(out_b, a.Frame(1).Item().encoded));

  // A frame from another picture gets a local map; within one picture the flag is copied.
  GifPicture c;
  ASSERT_EQ(LoadMessage(c, Fixture("maps.gif")), "");
  c.AppendFrameFrom(a.Frame(0));
  EXPECT_TRUE(c.Frame(3).HasLocalMap());
  c.AppendFrameFrom(c.Frame(0));
  EXPECT_FALSE(c.Frame(4).HasLocalMap());
  EXPECT_EQ(c.CurrentFrame(), 4);

  // A picture made from one frame takes the owner's image data.
  GifPicture d;
  d.AssignFromFrame(c.Frame(1));
  EXPECT_EQ(d.FrameCount(), 1u);
  EXPECT_EQ(d.Data().color_map, c.Data().color_map);
  EXPECT_EQ(d.LogicalWidth(), 4);  // origin (1, 1) + size 3 x 2
  EXPECT_EQ(d.LogicalHeight(), 3);
  EXPECT_GE(d.Version(), 1);
  d.AssignFromFrame(d.Frame(0));  // from its own frame
  EXPECT_EQ(d.FrameCount(), 1u);
  EXPECT_EQ(d.Frame(0).Origin(), (Point{1, 1}));
}

TEST(GifWrite, ColourReductionForDeepBitmaps) {
  // At most 256 colours: exact.
  std::vector<Color> few = {kRed, kGreen, kRed, kWhite};
  FrameBitmap exact = ReduceToIndexed(few.data(), 2, 2, false);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(exact.ColorAt(i % 2, i / 2), few[i]);
  // More: every pixel to the nearest of 8 x 8 x 4 levels.
  std::vector<Color> many(300);
  for (size_t i = 0; i < many.size(); ++i) {
    many[i] = MakeColor(static_cast<uint8_t>(i % 256), static_cast<uint8_t>((i / 256) * 100 + i % 7),
                        static_cast<uint8_t>(i % 13 * 19));
  }
  FrameBitmap levels = ReduceToIndexed(many.data(), 300, 1, false);
  for (uint32_t x = 0; x < 300; ++x) {
    const Color got = levels.ColorAt(x, 0);
    EXPECT_LE(std::abs(RedOf(got) - RedOf(many[x])), 19);
    EXPECT_LE(std::abs(GreenOf(got) - GreenOf(many[x])), 19);
    EXPECT_LE(std::abs(BlueOf(got) - BlueOf(many[x])), 43);
  }
  // Gray: luminance levels.
  std::vector<Color> px = {kRed, kWhite};
  FrameBitmap gray = ReduceToIndexed(px.data(), 2, 1, true);
  EXPECT_EQ(gray.IndexAt(0, 0), 76);
  EXPECT_EQ(gray.IndexAt(1, 0), 255);
  EXPECT_EQ(gray.ColorAt(0, 0), MakeColor(76, 76, 76));
}

}  // namespace
}  // namespace vornada::gif::test
