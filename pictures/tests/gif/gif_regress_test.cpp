// Hostile and malformed inputs: every input the fuzzer ever found a fault with (kept in
// pictures/tests/data/gif/regress/), the fuzzer's seed corpus and every fixture go through
// reading, decoding, composition and writing. Only the core's own errors may come out, and a
// GIF the core writes must read back.
#include <gtest/gtest.h>

#include "GifTestSupport.h"
#include "gif/GifCompose.h"

namespace vornada::gif::test {
namespace {

struct Outcome {
  bool read = false;
  size_t frames = 0;
  size_t decoded = 0;
  bool saved = false;
};

Outcome Exercise(const std::vector<uint8_t>& bytes) {
  Outcome out;
  Limits limits;
  limits.max_pixels = 1u << 22;
  GifPicture p;
  p.SetLimits(limits);
  try {
    p.Load(bytes, false);
    out.read = true;
  } catch (const GifError&) {
  }
  out.frames = p.FrameCount();
  if (p.FrameCount() > 0 && p.CurrentFrame() < 0) p.SetCurrentFrame(0);
  for (size_t i = 0; i < p.FrameCount(); ++i) {
    try {
      p.FrameBitmapAt(i);
      ++out.decoded;
    } catch (const GifError&) {
    }
  }
  Composition cache;
  for (size_t i = 0; i < p.FrameCount(); ++i) {
    try {
      ComposeFrame(p, static_cast<int>(i), cache);
    } catch (const GifError&) {
    }
  }
  std::vector<uint8_t> saved;
  try {
    saved = p.Save();
    out.saved = true;
  } catch (const GifError&) {
  }
  if (out.saved) {
    GifPicture again;
    again.SetLimits(limits);
    EXPECT_EQ(LoadMessage(again, saved, false), "") << "the written GIF does not read back";
    EXPECT_EQ(again.FrameCount(), p.FrameCount());
  }
  return out;
}

std::vector<std::string> Inputs() {
  std::vector<std::string> all = FilesIn(RegressionDir(), "");
  for (const auto& f : FilesIn(FixtureDir(), ".gif")) all.push_back(f);
  for (const auto& f : FilesIn(vornada::testing::SourcePath("pictures/fuzz/corpus/gif"), "")) {
    all.push_back(f);
  }
  return all;
}

TEST(GifRegress, EveryKnownInputIsHandled) {
  const std::vector<std::string> inputs = Inputs();
  ASSERT_GE(inputs.size(), 20u);
  size_t read_ok = 0;
  for (const std::string& path : inputs) {
    if (path.size() >= 3 && path.compare(path.size() - 3, 3, ".md") == 0) continue;
    SCOPED_TRACE(path);
    Outcome o;
    EXPECT_NO_THROW(o = Exercise(RequireFileBytes(path)));
    if (o.read) ++read_ok;
    EXPECT_LE(o.decoded, o.frames);
  }
  EXPECT_GT(read_ok, 10u);
}

TEST(GifRegress, HostileHeaders) {
  // Hand-made inputs that aim at sizes and counts.
  const ColorMap two = MakeMap({0, 0xFFFFFF});
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    size_t frames;
    size_t decoded;
  };
  std::vector<Case> cases = {
      {"huge frame", GifBytes().Screen(1, 1, two).Image(0, 0, 0xFFFF, 0xFFFF, {2, 0}).Bytes(), 1, 0},
      {"huge offset", GifBytes().Screen(1, 1, two).Image(0xFFFF, 0xFFFF, 1, 1, Encode(1, 1, 1, {1}))
                          .Bytes(), 1, 1},
      {"zero size everywhere", GifBytes().Screen(0, 0, two).Image(0, 0, 0, 0, {2, 0}).Bytes(), 1, 1},
      {"a thousand empty frames",
       [&] {
         GifBytes b;
         b.Screen(1, 1, two);
         for (int i = 0; i < 1000; ++i) b.Image(0, 0, 1, 1, {2, 0});
         return b.Bytes();
       }(),
       1000, 1000},
      {"a long chain of extensions",
       [&] {
         GifBytes b;
         b.Screen(1, 1, two);
         for (int i = 0; i < 5000; ++i) b.Control(static_cast<uint16_t>(i), 3, 1);
         return b.Image(0, 0, 1, 1, Encode(1, 1, 1, {1})).Bytes();
       }(),
       1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome o;
    EXPECT_NO_THROW(o = Exercise(c.bytes));
    EXPECT_EQ(o.frames, c.frames);
    EXPECT_EQ(o.decoded, c.decoded);
  }
}

}  // namespace
}  // namespace vornada::gif::test
