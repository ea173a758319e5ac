// Tests of the GIF picture class under Wine: reading every fixture with its frame bitmaps
// checked pixel by pixel against the portable core's decoding, lazy decoding with progress,
// drawing with the transparent colour keyed out, writing frames made from bitmaps, copying
// between pictures and frames, the stored form, the picture registry, the clipboard and every
// error message.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "../gif/GifTestSupport.h"
#include "Clipbrd.h"
#include "GifImage.h"
#include "GifWinTestSupport.h"
#include "WinUtil.h"

namespace vornada {
namespace {

using gif::test::Encode;
using gif::test::GifBytes;
using gif::test::MakeMap;
using gifwin_test::FixtureBytes;
using gifwin_test::LoadGif;
using testing::Failure;
using testing::FailureOf;
using testing::PixelsOf;

constexpr gif::Color kRed = gif::MakeColor(255, 0, 0);
constexpr gif::Color kGreen = gif::MakeColor(0, 255, 0);
constexpr gif::Color kBlue = gif::MakeColor(0, 0, 255);
constexpr gif::Color kBlack = gif::MakeColor(0, 0, 0);
constexpr gif::Color kWhite = gif::MakeColor(255, 255, 255);
constexpr uint32_t kSentinel = 0x404040;

// The colours the core's own decoding gives for frame `index` of `bytes`, rows top-down.
std::vector<uint32_t> CoreColors(const std::vector<uint8_t>& bytes, size_t index) {
  gif::GifPicture core;
  core.Load(bytes, false);
  const gif::FrameBitmap& bitmap = core.FrameBitmapAt(index);
  std::vector<uint32_t> out;
  for (uint32_t y = 0; y < bitmap.Height(); ++y)
    for (uint32_t x = 0; x < bitmap.Width(); ++x) out.push_back(bitmap.ColorAt(x, y));
  return out;
}

std::vector<uint8_t> SavedBytes(TGIFImage& image) {
  TMemoryStream stream;
  image.SaveToStream(stream);
  return std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
}

// A 4 x 2 GIF whose colour table holds red twice (entries 0 and 2): with transparent index 0
// both red entries are keyed out.
std::vector<uint8_t> TwoRedsGif(int trans_index) {
  const std::vector<uint8_t> indices = {0, 1, 2, 3, 3, 2, 1, 0};
  return GifBytes()
      .Screen(4, 2, MakeMap({kRed, kGreen, kRed, kBlue}))
      .Control(0, 0, trans_index)
      .Image(0, 0, 4, 2, Encode(8, 4, 2, indices))
      .Trailer()
      .Bytes();
}

// ---- reading ---------------------------------------------------------------------------------

TEST(GifImageRead, EveryFixtureFrameMatchesTheCoreDecodingPixelByPixel) {
  std::vector<std::string> names = gifwin_test::ReadableCoreFixtures();
  names.push_back("window/strip50x8");
  names.push_back("window/spinner24");
  ASSERT_GE(names.size(), 10u);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> bytes = FixtureBytes(name);
    gif::GifPicture core;
    core.Load(bytes, false);
    std::unique_ptr<TGIFImage> image = LoadGif(bytes);
    ASSERT_EQ(image->FrameCount(), static_cast<int>(core.FrameCount()));
    EXPECT_EQ(image->CurrentFrame(), 0);
    EXPECT_EQ(image->Version(), core.Version());
    EXPECT_EQ(image->LogicalWidth(), core.LogicalWidth());
    EXPECT_EQ(image->LogicalHeight(), core.LogicalHeight());
    for (int i = 0; i < image->FrameCount(); ++i) {
      SCOPED_TRACE("frame " + std::to_string(i));
      TGIFFrame* frame = image->Frames(i);
      const gif::GifFrame& core_frame = core.Frame(static_cast<size_t>(i));
      TBitmap* bitmap = frame->Bitmap();
      ASSERT_EQ(bitmap->Width(), static_cast<int>(core_frame.Width()));
      ASSERT_EQ(bitmap->Height(), static_cast<int>(core_frame.Height()));
      EXPECT_EQ(PixelsOf(*bitmap), CoreColors(bytes, static_cast<size_t>(i)));
      EXPECT_EQ(frame->Origin().x, core_frame.Origin().x);
      EXPECT_EQ(frame->Origin().y, core_frame.Origin().y);
      EXPECT_EQ(frame->TransColor(), static_cast<TColor>(core_frame.TransColor()));
      EXPECT_EQ(frame->DelayMs(), core_frame.DelayMs());
      EXPECT_EQ(frame->DisposeMode(), core_frame.DisposeMode());
      // A palette bitmap becomes device-dependent unless it is monochrome.
      EXPECT_EQ(bitmap->HandleType() == TBitmapHandleType::bmDDB, !bitmap->Monochrome());
    }
    // Damage found while decoding shows on the frame, as in the core.
    for (int i = 0; i < image->FrameCount(); ++i) {
      core.FrameBitmapAt(static_cast<size_t>(i));
      EXPECT_EQ(image->Frames(i)->Damaged(), core.Frame(static_cast<size_t>(i)).Damaged()) << i;
    }
  }
}

TEST(GifImageRead, WindowLikeGifsKeepTheirAnimationData) {
  std::unique_ptr<TGIFImage> strip = LoadGif(FixtureBytes("window/strip50x8"));
  EXPECT_EQ(strip->FrameCount(), 24);
  EXPECT_EQ(strip->Version(), 2);
  EXPECT_TRUE(strip->LoopFlag());
  EXPECT_EQ(strip->LoopCount(), 0);
  EXPECT_EQ(strip->LogicalWidth(), 50);
  EXPECT_EQ(strip->LogicalHeight(), 8);
  int local_maps = 0;
  for (int i = 0; i < strip->FrameCount(); ++i) {
    EXPECT_NE(strip->Frames(i)->TransColor(), clNone);
    EXPECT_EQ(strip->Frames(i)->DelayMs(), 90);
    EXPECT_EQ(strip->Frames(i)->DisposeMode(), 2);
    local_maps += strip->Frames(i)->HasLocalMap() ? 1 : 0;
  }
  EXPECT_EQ(local_maps, 18);
  EXPECT_TRUE(strip->Transparent());

  std::unique_ptr<TGIFImage> spinner = LoadGif(FixtureBytes("window/spinner24"));
  EXPECT_EQ(spinner->FrameCount(), 48);
  // The comment comes before the first frame: it belongs to that frame, not to the image.
  EXPECT_TRUE(spinner->Comment().empty());
  EXPECT_EQ(spinner->Frames(0)->CommentLines(), std::vector<std::string>{"made for tests"});
  EXPECT_EQ(spinner->Frames(47)->Width(), 1);
  EXPECT_EQ(spinner->Frames(47)->Height(), 1);
  EXPECT_EQ(spinner->Frames(1)->Origin().x, 5);
  EXPECT_EQ(spinner->Frames(1)->Origin().y, 6);
}

TEST(GifImageRead, OnlyTheFirstFrameIsDecodedByLoadingAndProgressIsReported) {
  std::unique_ptr<TGIFImage> image = std::make_unique<TGIFImage>();
  std::vector<std::pair<TProgressStage, int>> heard;
  image->OnProgress = [&](TObject* sender, TProgressStage stage, BYTE percent, bool,
                          const RECT&, const std::string&) {
    EXPECT_EQ(sender, image.get());
    heard.emplace_back(stage, percent);
  };
  const std::vector<uint8_t> bytes = FixtureBytes("window/spinner24");
  TBytesStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  image->LoadFromStream(stream);
  ASSERT_GE(heard.size(), 3u);
  EXPECT_EQ(heard.front().first, TProgressStage::psStarting);
  EXPECT_EQ(heard.back().first, TProgressStage::psEnding);
  int last = -1;
  for (size_t i = 1; i + 1 < heard.size(); ++i) {
    EXPECT_EQ(heard[i].first, TProgressStage::psRunning);
    EXPECT_GT(heard[i].second, last) << "the percentage grows";
    last = heard[i].second;
  }
  EXPECT_LE(last, 100);
  EXPECT_NE(image->Frames(0)->DecodedBitmap(), nullptr);
  for (int i = 1; i < image->FrameCount(); ++i) EXPECT_EQ(image->Frames(i)->DecodedBitmap(), nullptr);
  heard.clear();
  TBitmap* second = image->Frames(5)->Bitmap();
  EXPECT_NE(second, nullptr);
  EXPECT_EQ(image->Frames(5)->Bitmap(), second) << "decoded once";
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard.back().first, TProgressStage::psEnding);
}

TEST(GifImageRead, PictureOperationsOnEmptyAndLoadedPictures) {
  TGIFImage empty;
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_EQ(empty.LogicalWidth(), 0);
  EXPECT_EQ(empty.CurrentFrame(), -1);
  EXPECT_FALSE(empty.Transparent());
  EXPECT_EQ(empty.Palette(), nullptr);
  EXPECT_EQ(empty.Bitmap(), nullptr);

  std::unique_ptr<TGIFImage> image = LoadGif(FixtureBytes("maps"));
  EXPECT_FALSE(image->Empty());
  EXPECT_EQ(image->Width(), 6);
  EXPECT_EQ(image->Height(), 4);
  EXPECT_NE(image->Palette(), nullptr);
  EXPECT_FALSE(image->Transparent()) << "no frame has a transparent colour";
  image->SetCurrentFrame(2);
  EXPECT_EQ(image->Width(), 4) << "size of the current frame";

  std::unique_ptr<TGIFImage> keyed = LoadGif(TwoRedsGif(0));
  EXPECT_TRUE(keyed->Transparent());
  keyed->SetTransparent(false);
  EXPECT_FALSE(keyed->Transparent()) << "the picture's flag switches transparency off";
}

TEST(GifImageRead, ErrorsAreFrameworkExceptionsWithTheirMessages) {
  const std::vector<uint8_t> frame = Encode(8, 2, 2, {0, 1, 1, 0});
  const gif::ColorMap two = MakeMap({kBlack, kWhite});
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* class_name;
    const char* message;
    int frames_after;
  };
  const std::vector<Case> cases = {
      {"unknown version", GifBytes().Text("GIF88a").Raw({2, 0, 2, 0, 0, 0, 0}).Bytes(),
       "EInvalidGraphicOperation", "Unknown GIF version", 0},
      {"not a GIF", GifBytes().Text("PNG89a").Bytes(), "EInvalidGraphicOperation",
       "Unknown GIF version", 0},
      {"unknown extension after a frame",
       GifBytes().Screen(2, 2, two).Image(0, 0, 2, 2, frame).Image(0, 0, 2, 2, frame).Raw({'!', 0x3A, 0}).Bytes(),
       "EInvalidGraphicOperation", "Unrecognized extension block: 3a", 2},
      {"stray byte after a comment", FixtureBytes("stray_after_comment"),
       "EInvalidGraphicOperation", "Stream read error", 1},
      {"no colour table", FixtureBytes("no_color_table"), "EInvalidGraphicOperation",
       "Wrong number of colors; must be a power of 2", 0},
      {"truncated image descriptor", GifBytes().Screen(2, 2, two).Raw({',', 0, 0}).Bytes(),
       "EInvalidGraphicOperation", "Stream read error", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TGIFImage image;
    int changes = 0;
    image.OnChange = [&](TObject*) { ++changes; };
    const Failure f = FailureOf([&] {
      TBytesStream stream(c.bytes.data(), static_cast<int64_t>(c.bytes.size()));
      image.LoadFromStream(stream);
    });
    EXPECT_EQ(f.class_name, c.class_name);
    EXPECT_EQ(f.message, c.message);
    EXPECT_EQ(image.FrameCount(), c.frames_after) << "frames completed before the failure stay";
    EXPECT_EQ(changes, 1) << "the listeners hear that the picture was replaced";
    for (int i = 0; i < image.FrameCount(); ++i) EXPECT_NE(image.Frames(i)->Bitmap(), nullptr);
  }

  TGIFImage image;
  EXPECT_EQ(FailureOf([&] { image.SetWidth(3); }).message, "Cannot change the Size of a GIF image");
  EXPECT_EQ(FailureOf([&] { image.SetHeight(3); }).class_name, "EInvalidGraphicOperation");
  const Failure nothing = FailureOf([&] {
    TMemoryStream out;
    image.SaveToStream(out);
  });
  EXPECT_EQ(nothing.class_name, "EInvalidGraphicOperation");
  EXPECT_EQ(nothing.message, "No GIF Data to write");

  // The stored form announces more bytes than there are: the stream read error.
  for (const std::vector<uint8_t>& stored :
       {std::vector<uint8_t>{0xE8, 0x03, 0, 0, 'G', 'I', 'F'}, std::vector<uint8_t>{5, 0}}) {
    TGIFImage reader;
    const Failure short_data = FailureOf([&] {
      TBytesStream stream(stored.data(), static_cast<int64_t>(stored.size()));
      reader.ReadData(stream);
    });
    EXPECT_EQ(short_data.class_name, "EReadError");
    EXPECT_EQ(short_data.message, "Stream read error");
  }
}

// ---- drawing -----------------------------------------------------------------------------------

TEST(GifImageDraw, TransparentColourIsKeyedOutByValueWhateverItsIndex) {
  // Indices 0 1 2 3 / 3 2 1 0 with entries red, green, red, blue; transparent index 0.
  const std::vector<uint32_t> colors = {kRed, kGreen, kRed, kBlue, kBlue, kRed, kGreen, kRed};
  struct Case {
    const char* what;
    bool transparent_flag;
    int scale;
  };
  for (const Case c : {Case{"keyed", true, 1}, Case{"keyed and stretched", true, 3},
                       Case{"flag off: opaque", false, 2}}) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<TGIFImage> image = LoadGif(TwoRedsGif(0));
    image->SetTransparent(c.transparent_flag);
    TBitmap target;
    testing::MakeFilled32(target, 4 * c.scale + 2, 2 * c.scale + 2, static_cast<TColor>(kSentinel));
    target.Canvas().StretchDraw(RECT{1, 1, 1 + 4 * c.scale, 1 + 2 * c.scale}, image.get());
    const std::vector<uint32_t> got = PixelsOf(target);
    const int width = target.Width();
    for (int y = 0; y < target.Height(); ++y) {
      for (int x = 0; x < width; ++x) {
        uint32_t want = kSentinel;
        if (x >= 1 && y >= 1 && x < 1 + 4 * c.scale && y < 1 + 2 * c.scale) {
          want = colors[static_cast<size_t>((y - 1) / c.scale * 4 + (x - 1) / c.scale)];
          if (c.transparent_flag && want == kRed) want = kSentinel;
        }
        ASSERT_EQ(got[static_cast<size_t>(y * width + x)], want) << "pixel " << x << "," << y;
      }
    }
  }
}

TEST(GifImageDraw, MonochromeFrameKeysItsOwnTransparentColour) {
  // A black-and-white frame (a monochrome bitmap) whose transparent colour is black: black goes,
  // white stays.
  const std::vector<uint8_t> bytes = GifBytes()
                                         .Screen(3, 1, MakeMap({kBlack, kWhite}))
                                         .Control(0, 0, 0)
                                         .Image(0, 0, 3, 1, Encode(8, 3, 1, {0, 1, 0}))
                                         .Trailer()
                                         .Bytes();
  std::unique_ptr<TGIFImage> image = LoadGif(bytes);
  ASSERT_TRUE(image->Frames(0)->Bitmap()->Monochrome());
  TBitmap target;
  testing::MakeFilled32(target, 3, 1, static_cast<TColor>(kSentinel));
  target.Canvas().Draw(0, 0, image.get());
  EXPECT_EQ(PixelsOf(target), (std::vector<uint32_t>{kSentinel, kWhite, kSentinel}));
}

TEST(GifImageDraw, MaskedBlitHandlesKeysAndRectangles) {
  TBitmap source;
  testing::MakeFilled32(source, 4, 2, static_cast<TColor>(kBlue));
  source.Canvas().SetPixel(0, 1, static_cast<TColor>(kRed));  // bottom-left
  source.Canvas().SetPixel(3, 0, static_cast<TColor>(kRed));
  struct Case {
    const char* what;
    TColor key;
    RECT dest;
    RECT src;
    std::vector<uint32_t> want;  // 4 x 2 target
  };
  const uint32_t S = kSentinel, B = kBlue, R = kRed;
  const std::vector<Case> cases = {
      {"no key copies everything", clNone, {0, 0, 4, 2}, {0, 0, 0, 0}, {B, B, B, R, R, B, B, B}},
      {"key red", static_cast<TColor>(kRed), {0, 0, 4, 2}, {0, 0, 0, 0}, {B, B, B, S, S, B, B, B}},
      {"default key: bottom-left pixel", clDefault, {0, 0, 4, 2}, {0, 0, 0, 0},
       {B, B, B, S, S, B, B, B}},
      {"empty destination takes the bitmap's size", static_cast<TColor>(kBlue), {0, 0, 0, 0},
       {0, 0, 0, 0}, {S, S, S, R, R, S, S, S}},
      {"source rectangle", clNone, {0, 0, 2, 1}, {2, 0, 4, 1}, {B, R, S, S, S, S, S, S}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TBitmap target;
    testing::MakeFilled32(target, 4, 2, static_cast<TColor>(kSentinel));
    DrawBitmapColorKeyed(target.Canvas(), c.dest, source, c.key, c.src);
    EXPECT_EQ(PixelsOf(target), c.want);
    EXPECT_EQ(source.Canvas().LockCount(), 0) << "the bitmap's canvas is unlocked again";
  }
}

// ---- writing -----------------------------------------------------------------------------------

// A bitmap of the given pixel format holding `colors` (width x height, rows top-down).
std::unique_ptr<TBitmap> BitmapOf(TPixelFormat format, int width, int height,
                                  const std::vector<gif::Color>& colors) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(width, height);
  if (format == TPixelFormat::pf8bit || format == TPixelFormat::pf1bit) {
    std::vector<gif::Color> table;
    for (gif::Color c : colors)
      if (std::find(table.begin(), table.end(), c) == table.end()) table.push_back(c);
    std::vector<RGBQUAD> quads;
    for (gif::Color c : table) quads.push_back({gif::BlueOf(c), gif::GreenOf(c), gif::RedOf(c), 0});
    bitmap->SetColorTable(quads);
    for (int y = 0; y < height; ++y) {
      auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
      for (int x = 0; x < width; ++x) {
        const auto index = static_cast<uint8_t>(
            std::find(table.begin(), table.end(), colors[static_cast<size_t>(y * width + x)]) -
            table.begin());
        if (format == TPixelFormat::pf8bit) {
          row[x] = index;
        } else if (index != 0) {
          row[x / 8] = static_cast<uint8_t>(row[x / 8] | (0x80 >> (x % 8)));
        }
      }
    }
  } else {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        bitmap->Canvas().SetPixel(x, y, static_cast<TColor>(colors[static_cast<size_t>(y * width + x)]));
  }
  return bitmap;
}

TEST(GifImageWrite, FramesMadeFromBitmapsSaveAndReadBackExactly) {
  const std::vector<gif::Color> a = {kRed, kGreen, kBlue, kRed, kWhite, kBlack, kRed, kGreen};
  const std::vector<gif::Color> b = {kBlack, kWhite, kWhite, kBlack, kBlack, kBlack};
  std::vector<gif::Color> c;
  for (int i = 0; i < 20 * 3; ++i) c.push_back(gif::MakeColor(static_cast<uint8_t>(i * 4), 7, 200));
  struct Source {
    TPixelFormat format;
    int width, height;
    const std::vector<gif::Color>* colors;
  };
  const std::vector<Source> sources = {{TPixelFormat::pf8bit, 4, 2, &a},
                                       {TPixelFormat::pf1bit, 3, 2, &b},
                                       {TPixelFormat::pf24bit, 20, 3, &c},
                                       {TPixelFormat::pf32bit, 4, 2, &a}};
  TGIFImage image;
  int changes = 0;
  image.OnChange = [&](TObject*) { ++changes; };
  for (const Source& s : sources) {
    std::unique_ptr<TBitmap> bitmap = BitmapOf(s.format, s.width, s.height, *s.colors);
    const int index = image.AppendFrame(bitmap.get());
    EXPECT_EQ(index, image.FrameCount() - 1);
    EXPECT_EQ(image.CurrentFrame(), index);
    EXPECT_EQ(image.Version(), index == 0 ? 1 : 2);
  }
  EXPECT_EQ(changes, 4);
  image.Frames(1)->SetDelayMs(120);
  image.Frames(1)->SetDisposeMode(2);
  image.SetLoopFlag(true);
  image.SetLoopCount(7);
  EXPECT_EQ(image.LogicalWidth(), 20);
  EXPECT_EQ(image.LogicalHeight(), 3);

  std::unique_ptr<TGIFImage> back = LoadGif(SavedBytes(image));
  ASSERT_EQ(back->FrameCount(), 4);
  EXPECT_EQ(back->Version(), 2);
  EXPECT_TRUE(back->LoopFlag());
  EXPECT_EQ(back->LoopCount(), 7);
  EXPECT_EQ(back->Frames(1)->DelayMs(), 120);
  EXPECT_EQ(back->Frames(1)->DisposeMode(), 2);
  for (size_t i = 0; i < sources.size(); ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    const std::vector<uint32_t> want(sources[i].colors->begin(), sources[i].colors->end());
    EXPECT_EQ(PixelsOf(*back->Frames(static_cast<int>(i))->Bitmap()), want);
  }
}

TEST(GifImageWrite, TransparentAndGrayFramesFromBitmaps) {
  std::unique_ptr<TBitmap> bitmap = BitmapOf(TPixelFormat::pf24bit, 3, 1, {kRed, kGreen, kBlue});
  bitmap->SetTransparentColor(static_cast<TColor>(kGreen));
  bitmap->SetTransparent(true);
  TGIFImage image;
  image.AppendFrame(bitmap.get());
  EXPECT_EQ(image.Frames(0)->TransColor(), static_cast<TColor>(kGreen));
  std::unique_ptr<TGIFImage> back = LoadGif(SavedBytes(image));
  EXPECT_EQ(back->Frames(0)->TransColor(), static_cast<TColor>(kGreen)) << "written with its index";

  // The same colours as gray levels (luminance 0.299 R + 0.587 G + 0.114 B) when the frame is
  // marked gray before it is first encoded.
  TGIFImage marked;
  marked.AppendFrame(bitmap.get());
  marked.Frames(0)->SetGray(true);
  std::unique_ptr<TGIFImage> gray = LoadGif(SavedBytes(marked));
  const std::vector<uint32_t> got = PixelsOf(*gray->Frames(0)->Bitmap());
  ASSERT_EQ(got.size(), 3u);
  const uint8_t levels[3] = {76, 150, 29};
  for (int i = 0; i < 3; ++i) {
    const uint32_t v = got[static_cast<size_t>(i)];
    EXPECT_EQ(v & 0xFF, (v >> 8) & 0xFF) << "gray";
    EXPECT_NEAR(static_cast<int>(v & 0xFF), levels[i], 1);
  }
}

// ---- copying -----------------------------------------------------------------------------------

TEST(GifImageCopy, AssigningPicturesSharesTheirDataAndCopiesFrames) {
  std::unique_ptr<TGIFImage> source = LoadGif(FixtureBytes("window/strip50x8"));
  source->SetCurrentFrame(3);
  TGIFImage copy;
  int changes = 0;
  copy.OnChange = [&](TObject*) { ++changes; };
  copy.Assign(source.get());
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(copy.Equals(source.get()));
  EXPECT_TRUE(source->Equals(&copy));
  EXPECT_FALSE(LoadGif(FixtureBytes("window/strip50x8"))->Equals(source.get()))
      << "equal bytes read twice are different data";
  ASSERT_EQ(copy.FrameCount(), 24);
  EXPECT_EQ(copy.CurrentFrame(), 3);
  EXPECT_TRUE(copy.LoopFlag());
  EXPECT_EQ(&copy.Frames(0)->Core().Item(), &source->Frames(0)->Core().Item()) << "frame data shared";
  ASSERT_NE(copy.Frames(0)->DecodedBitmap(), nullptr) << "the decoded bitmap is copied";
  EXPECT_NE(copy.Frames(0)->DecodedBitmap(), source->Frames(0)->DecodedBitmap());
  EXPECT_EQ(PixelsOf(*copy.Frames(7)->Bitmap()), PixelsOf(*source->Frames(7)->Bitmap()));
  EXPECT_EQ(SavedBytes(copy), SavedBytes(*source));

  // A copy of one frame: a one-frame picture with the owner's colour table.
  TGIFImage single;
  single.Assign(source->Frames(5));
  ASSERT_EQ(single.FrameCount(), 1);
  EXPECT_EQ(single.CurrentFrame(), 0);
  EXPECT_GE(single.Version(), 1);
  EXPECT_EQ(single.Core().Data().color_map, source->Core().Data().color_map);
  EXPECT_EQ(PixelsOf(*single.Frames(0)->Bitmap()), PixelsOf(*source->Frames(5)->Bitmap()));
  // A frame of the picture itself.
  source->Assign(source->Frames(2));
  EXPECT_EQ(source->FrameCount(), 1);
  EXPECT_EQ(PixelsOf(*source->Frames(0)->Bitmap()), PixelsOf(*copy.Frames(2)->Bitmap()));

  copy.Assign(nullptr);
  EXPECT_EQ(copy.FrameCount(), 0);
  EXPECT_TRUE(copy.Empty());
  EXPECT_EQ(changes, 2);
}

TEST(GifImageCopy, FramesCopyToBitmapsWithTheirTransparentColour) {
  std::unique_ptr<TGIFImage> image = LoadGif(FixtureBytes("window/strip50x8"));
  TGIFFrame* frame = image->Frames(4);
  TBitmap bitmap;
  bitmap.Assign(frame);
  EXPECT_EQ(PixelsOf(bitmap), PixelsOf(*frame->Bitmap()));
  EXPECT_TRUE(bitmap.Transparent());
  EXPECT_EQ(bitmap.TransparentColor() & 0xFFFFFF, frame->TransColor());

  // A frame without a transparent colour gives an opaque bitmap.
  std::unique_ptr<TGIFImage> opaque = LoadGif(FixtureBytes("maps"));
  TBitmap plain;
  plain.Assign(opaque->Frames(0));
  EXPECT_FALSE(plain.Transparent());

  // A frame assigned from a picture takes its current frame.
  image->SetCurrentFrame(9);
  TGIFImage target;
  target.AppendFrame(&bitmap);
  target.Frames(0)->Assign(image.get());
  EXPECT_EQ(PixelsOf(*target.Frames(0)->Bitmap()), PixelsOf(*image->Frames(9)->Bitmap()));
  EXPECT_TRUE(target.Frames(0)->HasLocalMap()) << "a frame of another picture keeps its own map";
}

TEST(GifImageCopy, AppendingSomethingThatIsNoPictureLeavesNoFrameBehind) {
  std::unique_ptr<TGIFImage> image = LoadGif(FixtureBytes("maps"));
  TStringList not_a_picture;
  const Failure f = FailureOf([&] { image->Frames(0)->Assign(&not_a_picture); });
  EXPECT_EQ(f.class_name, "EConvertError");
  EXPECT_THROW(image->AppendFrame(nullptr), EConvertError);
  EXPECT_EQ(image->FrameCount(), 3);
  EXPECT_EQ(image->CurrentFrame(), 0);
  EXPECT_EQ(image->LogicalWidth(), 6);
}

// ---- stored form, registry, clipboard -------------------------------------------------------------

TEST(GifImageStore, RegisteredWithThePictureRegistry) {
  const TGraphicClassInfo* info = TPicture::FindExtension(L"GIF");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->class_name, "TGIFImage");
  EXPECT_EQ(info->description, L"CompuServe GIF Image");
  EXPECT_EQ(info->clipboard_format, ::RegisterClipboardFormatW(L"GIF Image"));
  EXPECT_NE(info->clipboard_format, 0u);
  EXPECT_EQ(TPicture::FindClass("TGIFImage"), info);
  EXPECT_TRUE(TPicture::SupportsClipboardFormat(GifClipboardFormat()));

  TPicture picture;
  const std::string path = gif::test::FixturePath("maps.gif");
  picture.LoadFromFile(win::WideFromUtf8(path));
  auto* image = dynamic_cast<TGIFImage*>(picture.Graphic());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->FrameCount(), 3);
}

TEST(GifImageStore, StoredFormHasItsLengthPrefixInsideThePictureForm) {
  std::unique_ptr<TGIFImage> source = LoadGif(FixtureBytes("window/spinner24"));
  const std::vector<uint8_t> gif = SavedBytes(*source);
  TPicture picture;
  picture.SetGraphic(source.get());
  TMemoryStream stored;
  picture.WriteData(stored);
  const std::vector<uint8_t> bytes(stored.Memory(), stored.Memory() + stored.Size());
  ASSERT_EQ(bytes.size(), 1 + 9 + 4 + gif.size());
  EXPECT_EQ(bytes[0], 9);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 10), "TGIFImage");
  const uint32_t length = bytes[10] | (bytes[11] << 8) | (bytes[12] << 16) | (bytes[13] << 24);
  EXPECT_EQ(length, gif.size());
  EXPECT_TRUE(std::equal(gif.begin(), gif.end(), bytes.begin() + 14));

  // Read back, followed by more data that must stay unread.
  stored.SetPosition(stored.Size());
  const uint8_t tail[3] = {1, 2, 3};
  stored.WriteBuffer(tail, 3);
  stored.SetPosition(0);
  TPicture read;
  read.ReadData(stored);
  EXPECT_EQ(stored.Position(), stored.Size() - 3);
  auto* image = dynamic_cast<TGIFImage*>(read.Graphic());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->FrameCount(), 48);
  EXPECT_EQ(image->Version(), 2);
  EXPECT_TRUE(image->LoopFlag());
  EXPECT_EQ(image->LoopCount(), 0);
  EXPECT_NE(image->Frames(0)->DecodedBitmap(), nullptr) << "frame 0 decoded at once";
  EXPECT_EQ(SavedBytes(*image), gif);
}

TEST(GifImageStore, ClipboardCarriesTheBitmapAndTheGif) {
  std::unique_ptr<TGIFImage> source = LoadGif(FixtureBytes("window/strip50x8"));
  Clipboard()->Assign(source.get());
  ASSERT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  ASSERT_TRUE(Clipboard()->HasFormat(GifClipboardFormat()));

  TGIFImage pasted;
  int changes = 0;
  pasted.OnChange = [&](TObject*) { ++changes; };
  Clipboard()->Open();
  HANDLE bitmap = ::GetClipboardData(CF_BITMAP);
  Clipboard()->Close();
  pasted.LoadFromClipboardFormat(CF_BITMAP, bitmap, nullptr);
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(pasted.FrameCount(), 24);
  EXPECT_EQ(pasted.CurrentFrame(), 0);
  ASSERT_NE(pasted.Frames(0)->DecodedBitmap(), nullptr) << "the clipboard's bitmap is frame 0's";
  EXPECT_EQ(PixelsOf(*pasted.Frames(0)->DecodedBitmap()), PixelsOf(*source->Frames(0)->Bitmap()));
  EXPECT_EQ(pasted.Frames(1)->DecodedBitmap(), nullptr) << "no decoding while pasting";
  EXPECT_EQ(SavedBytes(pasted), SavedBytes(*source));

  // A frame made from a bitmap has no encoded data: only the bitmap goes to the clipboard.
  std::unique_ptr<TBitmap> made = BitmapOf(TPixelFormat::pf24bit, 3, 2, {kRed, kGreen, kBlue, kBlue, kGreen, kRed});
  TGIFImage from_bitmap;
  from_bitmap.AppendFrame(made.get());
  Clipboard()->Assign(&from_bitmap);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  EXPECT_FALSE(Clipboard()->HasFormat(GifClipboardFormat()));
  Clipboard()->Open();
  bitmap = ::GetClipboardData(CF_BITMAP);
  Clipboard()->Close();
  TGIFImage plain;
  plain.LoadFromClipboardFormat(CF_BITMAP, bitmap, nullptr);
  ASSERT_EQ(plain.FrameCount(), 1);
  EXPECT_EQ(PixelsOf(*plain.Frames(0)->Bitmap()), PixelsOf(*made));
}

TEST(GifImageStore, MalformedClipboardGifIsAReadError) {
  const uint8_t block[] = {0xFF, 0xFF, 0, 0, 'G', 'I', 'F', '8', '9', 'a'};
  win::UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, sizeof(block)));
  ASSERT_TRUE(memory);
  {
    win::ScopedGlobalLock lock(memory.get());
    ASSERT_NE(lock.get(), nullptr);
    std::memcpy(lock.get(), block, sizeof(block));
  }
  Clipboard()->SetAsHandle(GifClipboardFormat(), memory.release());
  TGIFImage pasted;
  const Failure f = FailureOf([&] { pasted.LoadFromClipboardFormat(CF_BITMAP, nullptr, nullptr); });
  EXPECT_EQ(f.class_name, "EReadError");
  EXPECT_EQ(f.message, "Stream read error");
  EXPECT_EQ(pasted.FrameCount(), 0);
  Clipboard()->Clear();
}

// A GIF of one 1 x 1 frame whose encoded data holds `bytes` bytes of sub-blocks (the frame
// decodes from their first code), so that its stored form is large.
std::vector<uint8_t> LargeGif(size_t bytes) {
  std::vector<uint8_t> encoded = {8};
  for (size_t done = 0; done < bytes; done += 255) {
    encoded.push_back(255);
    encoded.insert(encoded.end(), 255, 0);
  }
  encoded.push_back(0);
  GifBytes gif;
  gif.Screen(1, 1, MakeMap({kRed, kGreen})).Image(0, 0, 1, 1, encoded);
  return gif.Trailer().Bytes();
}

TEST(GifImageStore, TheClipboardBlockIsFreedWhenTheClipboardCannotTakeIt) {
  // Another thread holds the clipboard open, so the picture cannot hand its stored form over.
  std::unique_ptr<TGIFImage> image = LoadGif(LargeGif(8 << 20));
  std::atomic<bool> opened{false}, release{false};
  std::thread holder([&] {
    const bool ok = ::OpenClipboard(nullptr) != FALSE;
    opened = true;
    while (ok && !release) ::Sleep(5);
    if (ok) ::CloseClipboard();
  });
  while (!opened) ::Sleep(1);
  auto attempt = [&] {
    UINT format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    return FailureOf([&] { image->SaveToClipboardFormat(format, data, palette); });
  };
  attempt();  // the heap settles
  const uint64_t before = testing::WorkingSetBytes();
  for (int i = 0; i < 4; ++i) {
    const Failure f = attempt();
    EXPECT_TRUE(f.thrown) << "the clipboard could not be opened";
  }
  const uint64_t after = testing::WorkingSetBytes();
  release = true;
  holder.join();
  // Four blocks of 8 MB left behind would be 32 MB.
  EXPECT_LT(after, before + (16 << 20)) << "the memory blocks the clipboard did not take were freed";
}

// ---- memory ------------------------------------------------------------------------------------

// A picture made from one of its own frames: this program poisons freed memory, so a frame read
// after the picture let go of its frames fails here.
TEST(GifImageCopy, APictureFromEachOfItsOwnFrames) {
  struct Case {
    int index;
    bool decoded;  // the frame's bitmap was decoded before
  };
  for (const Case& c : {Case{0, false}, Case{3, true}, Case{23, false}, Case{23, true}}) {
    SCOPED_TRACE("frame " + std::to_string(c.index) + (c.decoded ? ", decoded" : ""));
    std::unique_ptr<TGIFImage> reference = LoadGif(FixtureBytes("window/strip50x8"));
    TGIFFrame& expected = *reference->Frames(c.index);
    std::unique_ptr<TGIFImage> image = LoadGif(FixtureBytes("window/strip50x8"));
    if (c.decoded) image->Frames(c.index)->Bitmap();
    int changes = 0;
    image->OnChange = [&](TObject*) { ++changes; };
    image->Assign(image->Frames(c.index));
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(image->FrameCount(), 1);
    EXPECT_EQ(image->CurrentFrame(), 0);
    TGIFFrame& only = *image->Frames(0);
    EXPECT_EQ(only.DelayMs(), expected.DelayMs());
    EXPECT_EQ(only.TransColor(), expected.TransColor());
    EXPECT_EQ(only.DisposeMode(), expected.DisposeMode());
    EXPECT_EQ(PixelsOf(*only.Bitmap()), PixelsOf(*expected.Bitmap()));
    EXPECT_EQ(image->LogicalWidth(), 50);
    EXPECT_EQ(image->LogicalHeight(), 8);
  }
}

TEST(GifImageMemory, BeyondItsBudgetThePictureFailsWithTheOutOfMemoryError) {
  // 20 frames of 1024 x 1024 in a file of about 1.2 KB; a frame bitmap takes up to 4 MB.
  GifBytes gif;
  gif.Screen(1024, 1024, MakeMap({kRed, kGreen, kBlue, kBlack}));
  const std::vector<uint8_t> one_pixel =
      gif::test::CodeStream(2).Code(4, 3).Code(1, 3).Code(5, 3).Encoded();
  for (int i = 0; i < 20; ++i) gif.Image(0, 0, 1024, 1024, one_pixel);
  const std::vector<uint8_t> bytes = gif.Trailer().Bytes();
  ASSERT_LT(bytes.size(), 2000u);

  TGIFImage image;
  EXPECT_EQ(image.MemoryLimit(), uint64_t{512} << 20) << "the default budget";
  image.SetMemoryLimit(16 << 20);
  TBytesStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  image.LoadFromStream(stream);
  ASSERT_EQ(image.FrameCount(), 20);
  int decoded = 0;
  Failure f;
  for (int i = 0; i < image.FrameCount() && !f.thrown; ++i) {
    f = FailureOf([&] { image.Frames(i)->Bitmap(); });
    if (!f.thrown) ++decoded;
    EXPECT_LE(image.MemoryUsed(), image.MemoryLimit());
  }
  EXPECT_GE(decoded, 1);
  EXPECT_LT(decoded, 20);
  EXPECT_EQ(f.class_name, "EOutOfMemory");
  EXPECT_EQ(f.message, "Out of memory");
  EXPECT_EQ(PixelsOf(*image.Frames(0)->Bitmap())[0], kGreen) << "decoded frames stay";

  // A file larger than the budget is not even read into memory.
  TGIFImage small;
  small.SetMemoryLimit(bytes.size() - 1);
  const Failure read = FailureOf([&] {
    TBytesStream again(bytes.data(), static_cast<int64_t>(bytes.size()));
    small.LoadFromStream(again);
  });
  EXPECT_EQ(read.class_name, "EOutOfMemory");
  EXPECT_EQ(small.FrameCount(), 0);

  // A copy counts in the copy's budget: its frame bitmaps are copied.
  TGIFImage copy;
  copy.SetMemoryLimit(1 << 20);
  EXPECT_EQ(FailureOf([&] { copy.Assign(&image); }).class_name, "EOutOfMemory");
}

}  // namespace
}  // namespace vornada
