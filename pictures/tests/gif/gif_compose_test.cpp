// Composition of the logical screen by disposal method: every disposal kind in sequence and
// from scratch, reuse of the previous composition, the background colour choice, the start
// frame search and keying by colour value.
#include <gtest/gtest.h>

#include <map>

#include "GifTestSupport.h"
#include "gif/GifCompose.h"

namespace vornada::gif::test {
namespace {

constexpr Color kWhite = MakeColor(255, 255, 255);
constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kGreen = MakeColor(0, 255, 0);
constexpr Color kBlue = MakeColor(0, 0, 255);
constexpr Color kBlack = MakeColor(0, 0, 0);
constexpr Color kYellow = MakeColor(255, 255, 0);
constexpr Color kCyan = MakeColor(0, 255, 255);

// A composition as rows of letters: W white, R red, G green, B blue, K black, Y yellow,
// C cyan, ? anything else.
std::vector<std::string> Letters(const Composition& c) {
  const std::map<Color, char> names = {{kWhite, 'W'}, {kRed, 'R'},    {kGreen, 'G'}, {kBlue, 'B'},
                                       {kBlack, 'K'}, {kYellow, 'Y'}, {kCyan, 'C'}};
  std::vector<std::string> rows;
  for (uint32_t y = 0; y < c.height; ++y) {
    std::string row;
    for (uint32_t x = 0; x < c.width; ++x) {
      auto it = names.find(c.At(x, y));
      row += it == names.end() ? '?' : it->second;
    }
    rows.push_back(row);
  }
  return rows;
}

using Rows = std::vector<std::string>;

TEST(GifCompose, EveryDisposalMethodInSequenceAndFromScratch) {
  // disposal.gif, screen 4 x 3, yellow is every frame's transparent colour:
  //  0: 4 x 3 red, disposal 1 (leave)
  //  1: 2 x 2 at (1, 1), top-left pixel transparent, green, disposal 2 (background)
  //  2: 2 x 1 at (0, 0), blue, opaque, disposal 3 (previous)
  //  3: 2 x 2 at (2, 0), black, bottom-right pixel transparent, disposal 0
  const std::vector<Rows> expected = {
      {"RRRR", "RRRR", "RRRR"},
      {"RRRR", "RRGR", "RGGR"},
      {"BBRR", "RYYR", "RYYR"},  // frame 1's area back to the background (the key colour)
      {"RRKK", "RYKR", "RYYR"},  // frame 2 gone again: rebuilt without it
  };
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, RequireFileBytes(FixturePath("disposal.gif"))), "");
  Composition sequence;
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(ComposeFrame(p, i, sequence));
    EXPECT_EQ(sequence.index, i);
    EXPECT_EQ(sequence.key, kYellow);  // frame 0's transparent colour
    EXPECT_EQ(sequence.brush, kYellow);
    EXPECT_EQ(Letters(sequence), expected[i]);
    Composition scratch;
    ASSERT_TRUE(ComposeFrame(p, i, scratch));
    EXPECT_EQ(Letters(scratch), expected[i]);
  }
  // An index beyond the last frame shows the last frame.
  Composition beyond;
  ASSERT_TRUE(ComposeFrame(p, 17, beyond));
  EXPECT_EQ(beyond.index, 3);
  EXPECT_EQ(Letters(beyond), expected[3]);
}

TEST(GifCompose, CacheReuseOnlyForTheNextFrame) {
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, RequireFileBytes(FixturePath("disposal.gif"))), "");
  Composition c;
  ASSERT_TRUE(ComposeFrame(p, 0, c));
  // A mark in the cached screen survives only when the cache is reused.
  c.pixels[0] = kCyan;
  ASSERT_TRUE(ComposeFrame(p, 1, c));
  EXPECT_EQ(c.At(0, 0), kCyan);
  ASSERT_TRUE(ComposeFrame(p, 1, c));  // the same index again: rebuilt
  EXPECT_EQ(c.At(0, 0), kRed);
  c.pixels[0] = kCyan;
  ASSERT_TRUE(ComposeFrame(p, 3, c));  // a jump: rebuilt
  EXPECT_EQ(c.At(0, 0), kRed);
  ASSERT_TRUE(ComposeFrame(p, 0, c));
  c.pixels[0] = kCyan;
  ASSERT_TRUE(ComposeFrame(p, 1, c));
  ASSERT_TRUE(ComposeFrame(p, 2, c));  // after frame 1 (disposal 2): reused
  EXPECT_EQ(c.At(3, 0), kRed);
  c.pixels[3] = kCyan;
  ASSERT_TRUE(ComposeFrame(p, 3, c));  // after frame 2 (disposal 3): rebuilt
  EXPECT_EQ(c.At(0, 0), kRed);
}

// A picture of frames made from 8-bit bitmaps of one colour each (index 1; index 0 is the
// second colour of the map) on a 3 x 2 screen.
struct FrameSpec {
  Point origin;
  uint32_t width, height;
  Color color;
  Color trans;
  uint8_t disposal;
};
void Build(GifPicture& p, const std::vector<FrameSpec>& frames) {
  for (const FrameSpec& f : frames) {
    const ColorMap map = MakeMap({kWhite, f.color});
    std::vector<uint8_t> pixels(size_t{f.width} * f.height, 1);
    p.AppendBitmap(std::make_shared<FrameBitmap>(MakeBitmap(8, f.width, f.height, pixels, map)),
                   f.trans);
    GifFrame& frame = p.Frame(p.FrameCount() - 1);
    frame.SetOrigin(f.origin);
    frame.SetDisposeMode(f.disposal);
  }
  p.SetLogicalSize(3, 2);
  p.SetCurrentFrame(0);
}

TEST(GifCompose, BackgroundColourChoice) {
  ComposeOptions options;
  options.window_color = kCyan;
  options.nearest_color = [](Color c) { return c ^ 0x010101; };
  struct Case {
    const char* name;
    Color frame0_trans;
    Color background;
    bool transparent_flag;
    int current;
    Color brush;
    Color key;
  };
  // Frame 0 is 1 x 1 red; frame 1 is 1 x 1 green with transparent colour blue.
  const Case cases[] = {
      {"current frame's transparent colour", kBlack, kYellow, true, 0, kBlack ^ 0x010101,
       kBlack ^ 0x010101},
      {"a later current frame decides", clNone, kYellow, true, 1, kBlue ^ 0x010101,
       kBlue ^ 0x010101},
      {"background colour of a transparent picture", clNone, kYellow, true, 0, kYellow, clNone},
      {"picture flagged not transparent", clNone, kYellow, false, 0, kCyan, clNone},
      {"no background colour", clNone, clNone, true, 0, kCyan, clNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GifPicture p;
    Build(p, {{{0, 0}, 1, 1, kRed, c.frame0_trans, 1}, {{2, 1}, 1, 1, kGreen, kBlue, 1}});
    p.SetBackgroundColor(c.background);
    p.SetTransparentFlag(c.transparent_flag);
    p.SetCurrentFrame(c.current);
    Composition comp;
    ASSERT_TRUE(ComposeFrame(p, 0, comp, options));
    EXPECT_EQ(comp.brush, c.brush);
    EXPECT_EQ(comp.key, c.key);
    EXPECT_EQ(comp.At(0, 0), kRed);
    EXPECT_EQ(comp.At(1, 0), c.brush);
    EXPECT_EQ(comp.At(2, 1), c.brush);
  }
}

TEST(GifCompose, StartFrameSearch) {
  struct Case {
    const char* name;
    std::vector<FrameSpec> frames;
    int index;
    Rows expected;
  };
  const Color t = kYellow;  // transparent colour where one is given
  const std::vector<Case> cases = {
      {"an opaque full frame hides everything before it",
       {{{0, 0}, 3, 2, kRed, clNone, 1}, {{0, 0}, 3, 2, kGreen, clNone, 1},
        {{1, 0}, 1, 1, kBlue, clNone, 1}},
       2, {"GBG", "GGG"}},
      {"a full frame cleared to the background before the index is not drawn",
       {{{0, 0}, 3, 2, kRed, t, 1}, {{0, 0}, 3, 2, kGreen, t, 2}, {{1, 0}, 1, 1, kBlue, t, 1}},
       2, {"YBY", "YYY"}},
      {"a transparent full frame is no start: frames before it show through",
       {{{0, 0}, 1, 1, kRed, clNone, 1}, {{1, 1}, 2, 1, kGreen, clNone, 1},
        {{0, 0}, 3, 2, kBlue, kBlue, 1}},
       2, {"RYY", "YGG"}},
      {"an opaque full frame restored to the previous screen leaves the frames before it",
       {{{0, 0}, 3, 2, kRed, clNone, 1}, {{0, 0}, 3, 2, kGreen, clNone, 3},
        {{1, 0}, 1, 1, kBlue, clNone, 1}},
       2, {"RBR", "RRR"}},
      {"a frame with disposal 3 leaves nothing when replayed",
       {{{0, 0}, 3, 2, kRed, clNone, 1}, {{0, 0}, 1, 1, kGreen, clNone, 3},
        {{2, 1}, 1, 1, kBlue, clNone, 1}},
       2, {"RRR", "RRB"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GifPicture p;
    Build(p, c.frames);
    p.SetBackgroundColor(kYellow);
    Composition scratch;
    ASSERT_TRUE(ComposeFrame(p, c.index, scratch));
    EXPECT_EQ(Letters(scratch), c.expected);
    // Stepping through the frames gives the same screen.
    Composition stepped;
    for (int i = 0; i <= c.index; ++i) ASSERT_TRUE(ComposeFrame(p, i, stepped));
    EXPECT_EQ(Letters(stepped), c.expected);
  }
}

TEST(GifCompose, PixelsKeyedByColourValueWhateverTheirIndex) {
  // Map: 0 blue, 1 red, 2 blue again; the transparent index is 0, so index 2 disappears too.
  const ColorMap map = MakeMap({kBlue, kRed, kBlue, kGreen});
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, GifBytes().Screen(4, 1, map).Control(0, 1, 0)
                               .Image(0, 0, 4, 1, Encode(4, 4, 1, {0, 1, 2, 3}))
                               .Trailer().Bytes()), "");
  Composition c;
  ASSERT_TRUE(ComposeFrame(p, 0, c));
  EXPECT_EQ(c.key, kBlue);
  // The screen is filled with the key colour; keyed pixels leave it showing.
  EXPECT_EQ(Letters(c), (Rows{"BRBG"}));
  p.SetCurrentFrame(-1);  // no current frame: no key colour
  p.SetBackgroundColor(kWhite);
  ASSERT_TRUE(ComposeFrame(p, 0, c));
  EXPECT_EQ(c.key, clNone);
  EXPECT_EQ(Letters(c), (Rows{"WRWG"}));
}

TEST(GifCompose, EmptyAndOversizedScreens) {
  GifPicture empty;
  Composition c;
  c.index = 5;
  EXPECT_FALSE(ComposeFrame(empty, 0, c));
  EXPECT_EQ(c.index, -1);

  GifPicture zero;
  Build(zero, {{{0, 0}, 1, 1, kRed, clNone, 1}});
  zero.SetLogicalSize(0, 4);
  EXPECT_FALSE(ComposeFrame(zero, 0, c));

  GifPicture huge;
  Build(huge, {{{0, 0}, 1, 1, kRed, clNone, 1}});
  huge.SetLogicalSize(0xFFFF, 0xFFFF);
  try {
    ComposeFrame(huge, 0, c);
    ADD_FAILURE() << "composed";
  } catch (const GifError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kTooLarge);
  }
  EXPECT_EQ(c.index, -1);
}

TEST(GifCompose, FailureDropsANewCompositionAndKeepsAReusedOne) {
  // Frame 1 has no colour table: decoding it fails.
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, GifBytes()
                               .Screen(2, 1, ColorMap{})
                               .Image(0, 0, 2, 1, Encode(1, 2, 1, {0, 1}), MakeMap({kRed, kGreen}))
                               .Image(0, 0, 2, 1, Encode(1, 2, 1, {1, 1}))
                               .Trailer().Bytes()), "");
  Composition c;
  ASSERT_TRUE(ComposeFrame(p, 0, c));
  EXPECT_THROW(ComposeFrame(p, 1, c), GifError);
  EXPECT_EQ(c.index, 0);  // the reused composition stays
  EXPECT_EQ(Letters(c), (Rows{"RG"}));
  Composition fresh;
  EXPECT_THROW(ComposeFrame(p, 1, fresh), GifError);
  EXPECT_EQ(fresh.index, -1);
  EXPECT_TRUE(fresh.pixels.empty());
}

}  // namespace
}  // namespace vornada::gif::test
