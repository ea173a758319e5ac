// Memory of a GIF picture: the budget that bounds what a picture holds (decoded frames, encoded
// data kept from the file, compositions, the working memory of writing) and what a small file
// declaring huge frames can make it take; and a picture made from one of its own frames, which
// the sanitizers watch for reads of frames that were freed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GifTestSupport.h"
#include "gif/GifCompose.h"

namespace vornada::gif::test {
namespace {

constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kGreen = MakeColor(0, 255, 0);
constexpr Color kBlue = MakeColor(0, 0, 255);
constexpr Color kWhite = MakeColor(255, 255, 255);

constexpr uint64_t kMiB = uint64_t{1} << 20;

// Encoded data that sets one pixel (index 1) and ends: clear, 1, end at 9 bits.
std::vector<uint8_t> OnePixel() { return CodeStream(8).Code(256, 9).Code(1, 9).Code(257, 9).Encoded(); }

// `frames` frames of `side` x `side` pixels, 8 bits per pixel, each one set pixel: a file of a
// few bytes per frame whose decoded frames are huge.
std::vector<uint8_t> HugeFramesGif(uint16_t side, int frames) {
  ColorMap map = GrayMap(256);
  GifBytes gif;
  gif.Screen(side, side, map);
  for (int i = 0; i < frames; ++i) gif.Image(0, 0, side, side, OnePixel());
  return gif.Trailer().Bytes();
}

// What a decoded frame of side x side at 8 bits per pixel takes: the bitmap file's headers,
// a 256-entry colour table and rows of side bytes padded to 4.
uint64_t DecodedFrameBytes(uint32_t side) { return 54 + 1024 + uint64_t{(side + 3) / 4 * 4} * side; }

// Decodes every frame; returns how many decoded before the first failure, and its message.
std::pair<size_t, std::string> DecodeAll(GifPicture& picture) {
  for (size_t i = 0; i < picture.FrameCount(); ++i) {
    try {
      picture.FrameBitmapAt(i);
    } catch (const GifError& e) {
      return {i, e.what()};
    }
    EXPECT_LE(picture.MemoryUsed(), picture.MemoryLimit());
  }
  return {picture.FrameCount(), ""};
}

TEST(GifMemory, ASmallFileDeclaringHugeFramesStopsAtTheDefaultBudget) {
  // 20 frames of 8192 x 8192 in a file of a few hundred bytes: 1.3 GB decoded. The default
  // budget of 512 MiB holds 7 of them (8 are 64 KiB too many, before anything else counts).
  const std::vector<uint8_t> bytes = HugeFramesGif(8192, 20);
  ASSERT_LT(bytes.size(), 2000u);
  GifPicture picture;
  EXPECT_EQ(picture.MemoryLimit(), 512 * kMiB);
  ASSERT_EQ(LoadMessage(picture, bytes, false), "");
  ASSERT_EQ(picture.FrameCount(), 20u);
  const uint64_t frame = DecodedFrameBytes(8192);
  ASSERT_LT(7 * frame, 512 * kMiB);
  ASSERT_GT(8 * frame, 512 * kMiB);
  const auto [decoded, message] = DecodeAll(picture);
  EXPECT_EQ(decoded, 7u);
  EXPECT_EQ(message, "Out of memory");
  EXPECT_EQ(picture.FrameBitmapAt(3).ColorAt(0, 0), MakeColor(1, 1, 1)) << "decoded frames stay";
  // Whatever could not be decoded keeps failing the same way, with nothing more held.
  const uint64_t used = picture.MemoryUsed();
  try {
    picture.FrameBitmapAt(12);
    ADD_FAILURE() << "decoded beyond the budget";
  } catch (const GifError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kOutOfMemory);
  }
  EXPECT_EQ(picture.MemoryUsed(), used);
}

TEST(GifMemory, TheBudgetIsSettableAndCountsEveryKindOfData) {
  // While a frame decodes, the decoder's tables (128 KiB) count beside its bitmap.
  const uint64_t frame = DecodedFrameBytes(1024);
  const uint64_t decoding = 128 * 1024;
  struct Case {
    const char* what;
    uint64_t limit;
    size_t decoded;  // frames of 1024 x 1024 that decode before the budget is used up
  };
  const std::vector<Case> cases = {
      {"room for two frames and the decoding", 2 * frame + 2 * decoding, 2},
      {"room for one frame and the decoding", frame + 2 * decoding, 1},
      {"the frame alone, without its decoding", frame, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GifPicture picture;
    picture.SetMemoryLimit(c.limit);
    EXPECT_EQ(picture.MemoryLimit(), c.limit);
    ASSERT_EQ(LoadMessage(picture, HugeFramesGif(1024, 4), false), "");
    EXPECT_EQ(DecodeAll(picture).first, c.decoded);
    EXPECT_LE(picture.MemoryUsed(), c.limit);
  }

  // Encoded data kept from the file counts while the file is read: a frame of 300 KiB of
  // sub-blocks does not fit a budget of 256 KiB.
  CodeStream many(8);
  many.Code(256, 9);
  for (int i = 0; i < 250000; ++i) many.Code(0, 9);
  many.Code(257, 9);
  GifBytes big;
  big.Screen(4, 4, GrayMap(256)).Image(0, 0, 4, 4, many.Encoded()).Trailer();
  ASSERT_GT(big.Bytes().size(), 280000u);
  GifPicture reading;
  reading.SetMemoryLimit(256 * 1024);
  EXPECT_EQ(LoadMessage(reading, big.Bytes(), false), "Out of memory");
  reading.SetMemoryLimit(512 * 1024);
  EXPECT_EQ(LoadMessage(reading, big.Bytes(), false), "");

  // A composition of the logical screen counts too.
  GifPicture composing;
  ASSERT_EQ(LoadMessage(composing, HugeFramesGif(1024, 1), false), "");
  composing.SetMemoryLimit(composing.MemoryUsed() + 1024 * 1024 * sizeof(Color) - 1);
  Composition cache;
  try {
    ComposeFrame(composing, 0, cache);
    ADD_FAILURE() << "composed beyond the budget";
  } catch (const GifError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kOutOfMemory);
  }
  composing.SetMemoryLimit(512 * kMiB);
  ASSERT_TRUE(ComposeFrame(composing, 0, cache));
  const uint64_t with_cache = composing.MemoryUsed();
  cache.Reset();
  EXPECT_EQ(composing.MemoryUsed(), with_cache - 1024 * 1024 * sizeof(Color));

  // Writing needs room for the written file beside the picture.
  GifPicture writing;
  ASSERT_EQ(LoadMessage(writing, big.Bytes(), false), "");
  writing.SetMemoryLimit(writing.MemoryUsed() + 1000);
  EXPECT_THROW(writing.Save(), GifError);
  writing.SetMemoryLimit(512 * kMiB);
  EXPECT_GT(writing.Save().size(), 280000u);
}

TEST(GifMemory, EverythingHeldIsGivenBackWhenThePictureLetsGo) {
  GifPicture picture;
  ASSERT_EQ(LoadMessage(picture, RequireFileBytes(FixturePath("disposal.gif"))), "");
  for (size_t i = 0; i < picture.FrameCount(); ++i) picture.FrameBitmapAt(i);
  Composition cache;
  ASSERT_TRUE(ComposeFrame(picture, 2, cache));
  picture.Save();
  EXPECT_GT(picture.MemoryUsed(), 0u);
  cache.Reset();
  picture.Clear();
  EXPECT_EQ(picture.MemoryUsed(), 0u);

  // A copy shares the frames; each picture's data stays counted while either holds it.
  GifPicture source;
  ASSERT_EQ(LoadMessage(source, RequireFileBytes(FixturePath("maps.gif"))), "");
  {
    GifPicture copy;
    copy.AssignFrom(source);
    copy.FrameBitmapAt(1);
    EXPECT_GT(copy.MemoryUsed(), 0u);
  }
  source.Clear();
  EXPECT_EQ(source.MemoryUsed(), 0u);
}

// A picture made from one of its own frames: the frame's data is taken before the picture lets
// go of its frames (under the sanitizers a read of a freed frame fails the test).
TEST(GifAssign, APictureFromOneOfItsOwnFrames) {
  struct Case {
    size_t index;
    bool decoded;  // the frame's bitmap was decoded before
  };
  const std::vector<Case> cases = {{0, false}, {1, true}, {2, false}, {2, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE("frame " + std::to_string(c.index) + (c.decoded ? ", decoded" : ""));
    // Three frames at different places, each of its own colour and delay.
    GifBytes gif;
    gif.Screen(5, 4, MakeMap({kRed, kGreen, kBlue, kWhite}));
    gif.Control(10, 1).Image(0, 0, 2, 2, Encode(8, 2, 2, {0, 0, 0, 0}));
    gif.Control(20, 2).Image(1, 1, 3, 2, Encode(8, 3, 2, {1, 1, 1, 1, 1, 1}));
    gif.Control(30, 1, 3).Image(2, 0, 3, 3, Encode(8, 3, 3, {2, 3, 2, 3, 2, 3, 2, 3, 2}));
    GifPicture picture;
    ASSERT_EQ(LoadMessage(picture, gif.Trailer().Bytes(), false), "");
    if (c.decoded) picture.FrameBitmapAt(c.index);
    const GifFrame& frame = picture.Frame(c.index);
    const Point origin = frame.Origin();
    const uint16_t delay = frame.DelayMs();
    const Color trans = frame.TransColor();
    const std::vector<uint8_t> encoded = frame.Item().encoded;
    const uint32_t width = frame.Width(), height = frame.Height();

    picture.AssignFromFrame(picture.Frame(c.index));

    ASSERT_EQ(picture.FrameCount(), 1u);
    EXPECT_EQ(picture.CurrentFrame(), 0);
    const GifFrame& only = picture.Frame(0);
    EXPECT_EQ(only.Origin(), origin);
    EXPECT_EQ(only.DelayMs(), delay);
    EXPECT_EQ(only.TransColor(), trans);
    EXPECT_EQ(only.Item().encoded, encoded);
    EXPECT_EQ(picture.LogicalWidth(), origin.x + width);
    EXPECT_EQ(picture.LogicalHeight(), origin.y + height);
    const Color expected = std::vector<Color>{kRed, kGreen, kBlue}[c.index];
    EXPECT_EQ(picture.FrameBitmapAt(0).ColorAt(0, 0), expected);
    // It writes and reads back as the one frame.
    GifPicture again;
    ASSERT_EQ(LoadMessage(again, picture.Save()), "");
    EXPECT_EQ(again.FrameCount(), 1u);
    EXPECT_EQ(again.FrameBitmapAt(0).ColorAt(0, 0), expected);
  }
}

}  // namespace
}  // namespace vornada::gif::test
