// Reading GIF streams: header and logical screen, colour maps, the extension kinds and how
// they attach to frames, the loop extension, comments, frame descriptors, the stored form and
// every error a read can raise.
#include <gtest/gtest.h>

#include "GifTestSupport.h"

namespace vornada::gif::test {
namespace {

constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kGreen = MakeColor(0, 255, 0);
constexpr Color kBlue = MakeColor(0, 0, 255);
constexpr Color kWhite = MakeColor(255, 255, 255);
constexpr Color kBlack = MakeColor(0, 0, 0);

std::vector<uint8_t> Fixture(const std::string& name) { return RequireFileBytes(FixturePath(name)); }

// One 2 x 1 frame of indices {0, 1}, encoded at 1 bit.
std::vector<uint8_t> TinyData() { return Encode(1, 2, 1, {0, 1}); }

TEST(GifRead, GlobalAndLocalMapsAndFrameGeometry) {
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, Fixture("maps.gif")), "");
  EXPECT_EQ(p.Version(), 1);  // GIF87a
  EXPECT_EQ(p.LogicalWidth(), 6);
  EXPECT_EQ(p.LogicalHeight(), 4);
  EXPECT_EQ(p.BackgroundColor(), kRed);  // background index 1
  EXPECT_EQ(p.Data().bits_per_pixel, 2);
  EXPECT_EQ(p.Data().color_map.count, 4u);
  EXPECT_EQ(p.Data().color_map.ColorAt(3), kBlue);
  ASSERT_EQ(p.FrameCount(), 3u);
  EXPECT_EQ(p.CurrentFrame(), 0);

  struct Expected {
    Point origin;
    uint16_t width, height;
    bool local;
    int bpp;
    uint32_t map_count;
  } expected[] = {{{0, 0}, 6, 4, false, 2, 4}, {{1, 1}, 3, 2, true, 1, 2}, {{2, 0}, 4, 4, true, 4, 16}};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const GifFrame& f = p.Frame(i);
    EXPECT_EQ(f.Origin(), expected[i].origin);
    EXPECT_EQ(f.Item().width, expected[i].width);
    EXPECT_EQ(f.Item().height, expected[i].height);
    EXPECT_EQ(f.HasLocalMap(), expected[i].local);
    EXPECT_EQ(f.Item().bits_per_pixel, expected[i].bpp);
    EXPECT_EQ(f.Item().color_map.count, expected[i].map_count);
    EXPECT_FALSE(f.Damaged());
    EXPECT_EQ(f.TransColor(), clNone);
  }
  // A frame without its own map carries a copy of the global one.
  EXPECT_EQ(p.Frame(0).Item().color_map, p.Data().color_map);
  EXPECT_EQ(p.Frame(1).Item().color_map.ColorAt(1), MakeColor(40, 50, 60));
  // Loading decodes frame 0 at once and leaves the others for later.
  EXPECT_NE(p.Frame(0).DecodedBitmap(), nullptr);
  EXPECT_EQ(p.Frame(1).DecodedBitmap(), nullptr);
}

TEST(GifRead, LoopExtensionVariants) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool loop;
    uint16_t count;
  };
  auto with_app = [](std::initializer_list<uint8_t> app) {
    return GifBytes()
        .Screen(2, 1, MakeMap({kBlack, kWhite}))
        .Raw(app)
        .Image(0, 0, 2, 1, TinyData())
        .Trailer()
        .Bytes();
  };
  std::vector<Case> cases = {
      {"65535 reads as 30000", Fixture("loop65535.gif"), true, 30000},
      {"ANIMEXTS1.0", GifBytes().Screen(2, 1, MakeMap({kBlack, kWhite})).Loop(7, "ANIMEXTS1.0")
                          .Image(0, 0, 2, 1, TinyData()).Trailer().Bytes(), true, 7},
      {"loop count 0", GifBytes().Screen(2, 1, MakeMap({kBlack, kWhite})).Loop(0)
                           .Image(0, 0, 2, 1, TinyData()).Trailer().Bytes(), true, 0},
      {"other application", with_app({'!', 0xFF, 11, 'X', 'M', 'P', ' ', 'D', 'a', 't', 'a',
                                      'X', 'M', 'P', 3, 1, 5, 0, 0}), false, 1},
      {"sub-block too short", with_app({'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E',
                                        '2', '.', '0', 2, 1, 5, 0}), false, 1},
      {"sub-block not starting with 1", with_app({'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A',
                                                  'P', 'E', '2', '.', '0', 3, 2, 5, 0, 0}),
       false, 1},
      {"lower-case identifier", with_app({'!', 0xFF, 11, 'n', 'e', 't', 's', 'c', 'a', 'p', 'e',
                                          '2', '.', '0', 3, 1, 5, 0, 0}), false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GifPicture p;
    ASSERT_EQ(LoadMessage(p, c.bytes), "");
    EXPECT_EQ(p.LoopFlag(), c.loop);
    EXPECT_EQ(p.LoopCount(), c.count);
    // Application extensions are not kept with the frames.
    EXPECT_TRUE(p.Frame(0).Extensions().empty());
  }
}

TEST(GifRead, CommentsBeforeBetweenAndAfterFrames) {
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, Fixture("comments.gif")), "");
  ASSERT_EQ(p.FrameCount(), 2u);
  // A comment before a frame belongs to that frame, next to its graphic control extension.
  const auto& ext0 = p.Frame(0).Extensions();
  ASSERT_EQ(ext0.size(), 2u);
  EXPECT_EQ(ext0[0].kind, ExtensionKind::kComment);
  EXPECT_EQ(ext0[1].kind, ExtensionKind::kGraphicControl);
  EXPECT_EQ(p.Frame(0).CommentLines(), (std::vector<std::string>{"first frame"}));
  EXPECT_EQ(p.Frame(0).DelayMs(), 120);
  EXPECT_EQ(p.Frame(0).DisposeMode(), 1);
  EXPECT_EQ(p.Frame(1).CommentLines(), (std::vector<std::string>{"second", "frame"}));
  // Comments after the last frame become the image comment, separated by an empty line.
  EXPECT_EQ(p.Data().comment, (std::vector<std::string>{"after one", "\r\n\r\n", "after two"}));
}

TEST(GifRead, PlainTextDiscardsWhatWasCollectedBeforeIt) {
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, Fixture("plaintext.gif")), "");
  ASSERT_EQ(p.FrameCount(), 2u);
  // Graphic control, plain text, frame: the frame has no graphic control left.
  EXPECT_TRUE(p.Frame(0).Extensions().empty());
  EXPECT_EQ(p.Frame(0).DelayMs(), 0);
  EXPECT_EQ(p.Frame(0).TransColor(), clNone);
  // Plain text, graphic control, frame: the graphic control applies.
  ASSERT_EQ(p.Frame(1).Extensions().size(), 1u);
  EXPECT_EQ(p.Frame(1).DelayMs(), 70);
  EXPECT_EQ(p.Frame(1).TransColor(), kBlack);
}

TEST(GifRead, GraphicControlRules) {
  const ColorMap map = MakeMap({kBlack, kWhite, kRed, kGreen});
  struct Case {
    const char* name;
    std::vector<uint8_t> controls;  // the extensions before the frame
    Color trans;
    uint16_t delay;
    uint8_t disposal;
  };
  auto gce = [](uint16_t delay, uint8_t packed, uint8_t index) {
    return std::vector<uint8_t>{'!', 0xF9, 4, packed, static_cast<uint8_t>(delay),
                                static_cast<uint8_t>(delay >> 8), index, 0};
  };
  auto cat = [](std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  std::vector<Case> cases = {
      {"transparent index in range", gce(5, 0x01, 2), kRed, 50, 0},
      {"transparent index not below the colour count", gce(5, 0x01, 4), clNone, 50, 0},
      {"flag clear", gce(5, 0x00, 2), clNone, 50, 0},
      {"delay 0", gce(0, 0x08, 0), clNone, 0, 2},
      {"disposal bits 2..4, all of them", gce(1, 0x1C, 0), clNone, 10, 7},
      {"a second control can only lengthen the delay", cat(gce(50, 0x05, 1), gce(20, 0x0D, 9)),
       kWhite, 500, 3},
      {"a second control with a longer delay", cat(gce(20, 0x01, 1), gce(50, 0x00, 0)), clNone,
       500, 0},
      {"delays beyond 16 bits saturate", gce(6554, 0x00, 0), clNone, 65535, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GifPicture p;
    ASSERT_EQ(LoadMessage(p, GifBytes().Screen(2, 1, map).Raw(c.controls)
                                 .Image(0, 0, 2, 1, TinyData()).Trailer().Bytes()), "");
    EXPECT_EQ(p.Frame(0).TransColor(), c.trans);
    EXPECT_EQ(p.Frame(0).DelayMs(), c.delay);
    EXPECT_EQ(p.Frame(0).DisposeMode(), c.disposal);
  }
}

TEST(GifRead, ZeroFrameSizeTakesTheLogicalScreen) {
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, GifBytes().Screen(5, 3, MakeMap({kBlack, kWhite}))
                               .Image(0, 0, 0, 0, Encode(1, 5, 3, std::vector<uint8_t>(15, 1)))
                               .Trailer().Bytes()), "");
  EXPECT_EQ(p.Frame(0).Item().width, 5);
  EXPECT_EQ(p.Frame(0).Item().height, 3);
  EXPECT_EQ(p.FrameBitmapAt(0).Width(), 5u);
  EXPECT_EQ(p.FrameBitmapAt(0).IndexAt(4, 2), 1);
}

TEST(GifRead, BackgroundColourOnlyFromAnExistingEntry) {
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, GifBytes().Screen(2, 1, MakeMap({kBlack, kWhite}), 1)
                               .Image(0, 0, 2, 1, TinyData()).Trailer().Bytes()), "");
  EXPECT_EQ(p.BackgroundColor(), kWhite);
  ASSERT_EQ(LoadMessage(p, GifBytes().Screen(2, 1, MakeMap({kBlack, kWhite}), 2)
                               .Image(0, 0, 2, 1, TinyData()).Trailer().Bytes()), "");
  EXPECT_EQ(p.BackgroundColor(), clNone);
}

TEST(GifRead, VersionAndSignatureCaseInsensitive) {
  struct Case {
    const char* signature;
    const char* version;
    int expected;  // 0: "Unknown GIF version"
  } cases[] = {{"GIF", "87a", 1}, {"GIF", "89a", 2}, {"gif", "89A", 2}, {"GiF", "87A", 1},
               {"GIF", "88a", 0}, {"PNG", "89a", 0}, {"GIF", "89b", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.signature) + c.version);
    std::vector<uint8_t> bytes = GifBytes().Screen(2, 1, MakeMap({kBlack, kWhite}))
                                     .Image(0, 0, 2, 1, TinyData()).Trailer().Bytes();
    std::copy_n(c.signature, 3, bytes.begin());
    std::copy_n(c.version, 3, bytes.begin() + 3);
    GifPicture p;
    const std::string message = LoadMessage(p, bytes);
    if (c.expected == 0) {
      EXPECT_EQ(message, "Unknown GIF version");
    } else {
      EXPECT_EQ(message, "");
      EXPECT_EQ(p.Version(), c.expected);
    }
  }
}

TEST(GifRead, ErrorMessages) {
  const ColorMap map = MakeMap({kBlack, kWhite});
  const std::vector<uint8_t> frame = GifBytes().Image(0, 0, 2, 1, TinyData()).Bytes();
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    std::string message;
    ErrorKind kind;
    size_t frames_kept;
  };
  std::vector<Case> cases = {
      {"three bytes", {'G', 'I', 'F'}, "Unknown GIF version", ErrorKind::kUnknownVersion, 0},
      {"one byte", {'G'}, "Unknown GIF version", ErrorKind::kUnknownVersion, 0},
      {"logical screen cut short", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1},
       "Stream read error", ErrorKind::kStreamRead, 0},
      {"global map cut short", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 1, 2, 3},
       "Stream read error", ErrorKind::kStreamRead, 0},
      {"unknown extension label", GifBytes().Screen(2, 1, map).Raw({'!', 0x0A, 0}).Bytes(),
       "Unrecognized extension block: 0a", ErrorKind::kUnrecognizedExtension, 0},
      {"label in lower-case hex", GifBytes().Screen(2, 1, map).Raw({'!', 0xAB, 0}).Bytes(),
       "Unrecognized extension block: ab", ErrorKind::kUnrecognizedExtension, 0},
      {"frames read before a failure stay",
       GifBytes().Screen(2, 1, map).Raw(frame).Raw(frame).Raw({'!', 0x02, 0}).Bytes(),
       "Unrecognized extension block: 02", ErrorKind::kUnrecognizedExtension, 2},
      {"stray byte where a block should start", GifBytes().Screen(2, 1, map).Raw({'x', ';'}).Bytes(),
       "Stream read error", ErrorKind::kStreamRead, 0},
      {"stray byte after trailing comments", Fixture("stray_after_comment.gif"),
       "Stream read error", ErrorKind::kStreamRead, 1},
      {"image descriptor cut short", GifBytes().Screen(2, 1, map).Raw({',', 0, 0, 0}).Bytes(),
       "Stream read error", ErrorKind::kStreamRead, 0},
      {"local map cut short",
       GifBytes().Screen(2, 1, map).Raw({',', 0, 0, 0, 0, 2, 0, 1, 0, 0x81, 1, 2, 3}).Bytes(),
       "Stream read error", ErrorKind::kStreamRead, 0},
      {"graphic control cut short", GifBytes().Screen(2, 1, map).Raw({'!', 0xF9, 4, 1}).Bytes(),
       "Stream read error", ErrorKind::kStreamRead, 0},
      {"extension label missing after an extension",
       GifBytes().Screen(2, 1, map).Comment({"c"}).Raw({'!'}).Bytes(), "Stream read error",
       ErrorKind::kStreamRead, 0},
      {"no colour table at all",
       GifBytes().Screen(2, 1, ColorMap{}).Raw(frame).Raw(frame).Trailer().Bytes(),
       "Wrong number of colors; must be a power of 2", ErrorKind::kWrongColorCount, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GifPicture p;
    try {
      p.Load(c.bytes);
      ADD_FAILURE() << "no error";
    } catch (const GifError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
      EXPECT_EQ(e.kind(), c.kind);
    }
    EXPECT_EQ(p.FrameCount(), c.frames_kept);
  }
}

TEST(GifRead, HarmlessEndings) {
  const ColorMap map = MakeMap({kBlack, kWhite});
  const std::vector<uint8_t> frame = GifBytes().Image(0, 0, 2, 1, TinyData()).Bytes();
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    size_t frames;
  };
  std::vector<Case> cases = {
      {"no bytes at all", {}, 0},
      {"no trailer", GifBytes().Screen(2, 1, map).Raw(frame).Bytes(), 1},
      {"zero bytes between blocks", GifBytes().Screen(2, 1, map).Raw({0, 0}).Raw(frame)
                                        .Raw({0, 0, 0}).Raw(frame).Raw({0}).Trailer().Bytes(), 2},
      {"stray byte right after a frame ends the parsing", Fixture("stray_after_frame.gif"), 1},
      {"data after the trailer is ignored",
       GifBytes().Screen(2, 1, map).Raw(frame).Trailer().Raw(frame).Bytes(), 1},
      {"only zero bytes after the screen", GifBytes().Screen(2, 1, map).Raw({0, 0, 0}).Bytes(), 0},
      {"a lone introducer as the last byte", GifBytes().Screen(2, 1, map).Raw(frame).Raw({'!'}).Bytes(), 1},
      {"comment at the very end without terminator",
       GifBytes().Screen(2, 1, map).Raw(frame).Raw({'!', 0xFE, 3, 'a', 'b', 'c'}).Bytes(), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GifPicture p;
    EXPECT_EQ(LoadMessage(p, c.bytes), "");
    EXPECT_EQ(p.FrameCount(), c.frames);
    EXPECT_EQ(p.CurrentFrame(), c.frames > 0 ? 0 : -1);
  }
}

TEST(GifRead, TrailingCommentWithoutTerminatorKeepsItsText) {
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, GifBytes().Screen(2, 1, MakeMap({kBlack, kWhite}))
                               .Image(0, 0, 2, 1, TinyData())
                               .Raw({'!', 0xFE, 3, 'a', 'b', 'c', 5, 'd', 'e'}).Bytes()), "");
  EXPECT_EQ(p.Data().comment, (std::vector<std::string>{"abc", "de"}));
}

TEST(GifRead, FrameWithoutColourTableReadsButDoesNotDecode) {
  const std::vector<uint8_t> bytes =
      GifBytes().Screen(2, 1, ColorMap{}).Image(0, 0, 2, 1, TinyData()).Trailer().Bytes();
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, bytes, /*decode_first=*/false), "");
  ASSERT_EQ(p.FrameCount(), 1u);
  EXPECT_EQ(p.Frame(0).Item().bits_per_pixel, 0);
  try {
    p.FrameBitmapAt(0);
    ADD_FAILURE() << "decoded";
  } catch (const GifError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kWrongColorCount);
  }
}

TEST(GifRead, TruncatedSubBlockMarksTheFrameDamagedWithoutError) {
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, Fixture("truncated.gif"), false), "");
  ASSERT_EQ(p.FrameCount(), 2u);
  EXPECT_FALSE(p.Frame(0).Damaged());
  EXPECT_TRUE(p.Frame(1).Damaged());
  // The cut sub-block is left out; the stored data still ends with a zero-length block.
  const auto& encoded = p.Frame(1).Item().encoded;
  ASSERT_GE(encoded.size(), 3u);
  EXPECT_EQ(encoded.back(), 0);
  EXPECT_EQ(encoded[0], 2);  // minimum code size
  EXPECT_EQ(size_t{encoded[1]} + 3, encoded.size());  // one complete sub-block
}

TEST(GifRead, LoadingReplacesEverything) {
  GifPicture p;
  ASSERT_EQ(LoadMessage(p, Fixture("comments.gif")), "");
  ASSERT_EQ(LoadMessage(p, Fixture("loop65535.gif")), "");
  EXPECT_TRUE(p.Data().comment.empty());
  ASSERT_EQ(LoadMessage(p, Fixture("maps.gif")), "");
  EXPECT_FALSE(p.LoopFlag());
  EXPECT_EQ(p.LoopCount(), 1);
  EXPECT_EQ(p.FrameCount(), 3u);
}

TEST(GifRead, StoredFormWithLengthPrefix) {
  const std::vector<uint8_t> gif = Fixture("maps.gif");
  std::vector<uint8_t> stored = {static_cast<uint8_t>(gif.size()),
                                 static_cast<uint8_t>(gif.size() >> 8), 0, 0};
  stored.insert(stored.end(), gif.begin(), gif.end());
  stored.push_back(0x77);  // whatever follows in the window description
  GifPicture p;
  EXPECT_EQ(p.LoadStored(stored), gif.size() + 4);
  EXPECT_EQ(p.FrameCount(), 3u);

  stored.resize(gif.size());  // fewer bytes than announced
  try {
    p.LoadStored(stored);
    ADD_FAILURE() << "no error";
  } catch (const GifError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kShortData);
    EXPECT_EQ(std::string(e.what()), "Stream read error");
  }
}

TEST(GifRead, ErrorFactoryTexts) {
  struct Case {
    GifError error;
    ErrorKind kind;
    const char* text;
  } cases[] = {
      {GifError::UnknownVersion(), ErrorKind::kUnknownVersion, "Unknown GIF version"},
      {GifError::UnrecognizedExtension(0x5), ErrorKind::kUnrecognizedExtension,
       "Unrecognized extension block: 05"},
      {GifError::WrongColorCount(), ErrorKind::kWrongColorCount,
       "Wrong number of colors; must be a power of 2"},
      {GifError::StreamRead(), ErrorKind::kStreamRead, "Stream read error"},
      {GifError::NoDataToWrite(), ErrorKind::kNoDataToWrite, "No GIF Data to write"},
      {GifError::EncodingError(), ErrorKind::kEncodingError, "GIF image encoding error"},
      {GifError::CannotChangeSize(), ErrorKind::kCannotChangeSize,
       "Cannot change the Size of a GIF image"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(std::string(c.error.what()), c.text);
    EXPECT_EQ(c.error.kind(), c.kind);
  }
}

}  // namespace
}  // namespace vornada::gif::test
