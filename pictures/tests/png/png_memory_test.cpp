// Memory of a PNG picture: the budget that bounds what a picture holds (chunks, the image, the
// working memory of decoding, encoding, copying and exporting), what a small file declaring a
// huge image can make it take, and resizing within the sizes the loader reads back.
#include <gtest/gtest.h>

#include <vector>

#include "PngTestSupport.h"
#include "png/PngBlend.h"

namespace vornada::png::test {
namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;

// Heap pixel stores that remember the sizes asked for.
class RecordingHost final : public ImageStoreHost {
 public:
  std::unique_ptr<PixelStore> CreateStore(const BitmapInfo& info, uint64_t bytes) override {
    requests.push_back(bytes);
    return heap_.CreateStore(info, bytes);
  }
  std::vector<uint64_t> requests;

 private:
  HeapStoreHost heap_;
};

// A file of a few dozen bytes that declares `width` x `height` and holds five bytes of image
// data, far less than one row.
std::vector<uint8_t> DeclaringPng(uint32_t width, uint32_t height, uint8_t colour, uint8_t depth) {
  return BuildPng({{"IHDR", HeaderData(width, height, depth, colour)},
                   {"IDAT", Compress({0, 0, 0, 0, 0})},
                   {"IEND", {}}});
}

TEST(PngMemory, ASmallFileDeclaringAHugeImageFailsBeforeAllocatingIt) {
  struct Case {
    const char* what;
    uint32_t width, height;
    uint8_t colour, depth;
    uint64_t store;  // stride * height of the pixel store; 0 when it must not be asked for
  };
  // The default budget is 512 MiB; the pixel store's stride is the row's bytes padded to 4,
  // an alpha plane takes a byte per pixel besides.
  const std::vector<Case> cases = {
      {"60000 x 60000 gray: 3.35 GiB", 60000, 60000, 0, 8, 0},
      {"60000 x 60000 RGBA: 10 GiB and 3.35 GiB of alpha", 60000, 60000, 6, 8, 0},
      {"16384 x 8192 RGBA: store and alpha take the whole budget, leaving none for the chunks",
       16384, 8192, 6, 8, 0},
      {"8192 x 8192 RGBA: half the budget", 8192, 8192, 6, 8, uint64_t{8192} * 3 * 8192},
      {"60000 x 60000 1-bit gray: 7500 bytes a row", 60000, 60000, 0, 1, uint64_t{7500} * 60000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<uint8_t> file = DeclaringPng(c.width, c.height, c.colour, c.depth);
    EXPECT_LT(file.size(), 80u);
    RecordingHost host;
    PngPicture picture(host);
    EXPECT_EQ(picture.MemoryLimit(), 512 * kMiB);
    const LoadOutcome outcome = LoadBytes(picture, file);
    EXPECT_LE(picture.MemoryUsed(), picture.MemoryLimit());
    if (c.store == 0) {
      ASSERT_FALSE(outcome.ok);
      EXPECT_EQ(outcome.kind, ErrorKind::OutMemory);
      EXPECT_STREQ(ErrorClassName(outcome.kind), "EPngOutMemory");
      EXPECT_TRUE(host.requests.empty()) << "no pixel store was asked for";
      EXPECT_EQ(picture.Header(), nullptr);
    } else {
      // The image fits: it is made, then the data ends before its last row.
      EXPECT_EQ(host.requests, std::vector<uint64_t>{c.store});
      ASSERT_FALSE(outcome.ok);
      EXPECT_EQ(outcome.kind, ErrorKind::MissingMultipleIDAT);
    }
  }
}

TEST(PngMemory, TheBudgetCountsChunksImageAndWorkingMemory) {
  // Settable: an image that needs more than the limit fails; with room it loads.
  PngPicture rgba;
  LoadFixture(rgba, FixturePath("rgba8.png"));
  const uint64_t image = rgba.Header()->Stride() * rgba.Height() + uint64_t{rgba.Width()} * rgba.Height();
  EXPECT_GE(rgba.MemoryUsed(), image);
  const std::vector<uint8_t> bytes = RequireFileBytes(FixturePath("rgba8.png"));
  PngPicture tight;
  tight.SetMemoryLimit(image);
  EXPECT_EQ(LoadBytes(tight, bytes).kind, ErrorKind::OutMemory) << "no room for the rest";
  tight.SetMemoryLimit(rgba.MemoryUsed() + 2 * kMiB);
  EXPECT_TRUE(LoadBytes(tight, bytes).ok);

  // Working memory is given back when the work is done.
  const uint64_t held = rgba.MemoryUsed();
  std::vector<uint8_t> saved;
  VectorSink sink(saved);
  rgba.SaveToStream(sink);
  EXPECT_EQ(ExportRgba(rgba).size(), size_t{rgba.Width()} * rgba.Height() * 4);
  EXPECT_EQ(rgba.MemoryUsed(), held);
  // ... and counts while it lasts: the RGBA copy needs room beside the picture.
  rgba.SetMemoryLimit(held + uint64_t{rgba.Width()} * rgba.Height() * 4 - 1);
  try {
    ExportRgba(rgba);
    ADD_FAILURE() << "exported beyond the budget";
  } catch (const PngError& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::OutMemory);
  }
  rgba.SetMemoryLimit(512 * kMiB);

  // Every chunk object counts (512 bytes each): 4000 empty text chunks need 2 MB.
  std::vector<RawChunk> chunks = {{"IHDR", HeaderData(1, 1, 8, 0)}};
  for (int i = 0; i < 4000; ++i) chunks.push_back({"tEXt", {}});
  chunks.push_back({"IDAT", Compress({0, 77})});
  chunks.push_back({"IEND", {}});
  const std::vector<uint8_t> chatty = BuildPng(chunks);
  PngPicture small;
  small.SetMemoryLimit(kMiB);
  EXPECT_EQ(LoadBytes(small, chatty).kind, ErrorKind::OutMemory);
  EXPECT_LE(small.MemoryUsed(), kMiB);
  PngPicture roomy;
  ASSERT_TRUE(LoadBytes(roomy, chatty).ok);
  EXPECT_EQ(roomy.Chunks().Count(), 4003);
  EXPECT_GE(roomy.MemoryUsed(), 4003u * 512);

  // A copy counts in the copy's budget, and a copy that does not fit leaves it as it was.
  PngPicture copy;
  LoadFixture(copy, FixturePath("gray8.png"));
  copy.SetMemoryLimit(copy.MemoryUsed() + image / 2);
  EXPECT_THROW(copy.Assign(rgba), PngError);
  EXPECT_EQ(copy.Header()->ColourType(), 0);
  copy.SetMemoryLimit(512 * kMiB);
  copy.Assign(rgba);
  EXPECT_EQ(ExportRgba(copy), ExportRgba(rgba));

  // Emptied, a picture holds nothing.
  rgba.Clear();
  roomy.Clear();
  copy.Clear();
  EXPECT_EQ(rgba.MemoryUsed(), 0u);
  EXPECT_EQ(roomy.MemoryUsed(), 0u);
  EXPECT_EQ(copy.MemoryUsed(), 0u);
}

TEST(PngMemory, ResizingStaysWithinWhatTheLoaderReadsAndTheBudget) {
  struct Case {
    uint32_t width, height;
    bool ok;  // 65535 is the largest side the loader reads
  };
  const std::vector<Case> cases = {{65535, 1, true}, {1, 65535, true}, {65536, 1, false},
                                   {1, 65536, false}, {70000, 70000, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    PngPicture picture;
    LoadFixture(picture, FixturePath("gray1.png"));
    const uint32_t width = picture.Width(), height = picture.Height();
    try {
      picture.Resize(c.width, c.height);
      EXPECT_TRUE(c.ok);
    } catch (const PngError& e) {
      EXPECT_FALSE(c.ok);
      EXPECT_EQ(e.Kind(), ErrorKind::SizeExceeds);
    }
    if (!c.ok) {
      EXPECT_EQ(picture.Width(), width) << "the picture stays as it was";
      EXPECT_EQ(picture.Height(), height);
      continue;
    }
    // What the picture holds, it writes so that it reads back.
    PngPicture again;
    ASSERT_TRUE(LoadBytes(again, SaveBytes(picture)).ok);
    EXPECT_EQ(again.Width(), c.width);
    EXPECT_EQ(again.Height(), c.height);
  }

  // The new image is made while the old one is still held: both must fit.
  PngPicture picture;
  LoadFixture(picture, FixturePath("rgb8.png"));
  const uint64_t store = picture.Header()->Stride() * picture.Height();
  picture.SetMemoryLimit(picture.MemoryUsed() + store / 2);
  try {
    picture.Resize(picture.Width(), picture.Height());
    ADD_FAILURE() << "resized beyond the budget";
  } catch (const PngError& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::OutMemory);
  }
  picture.SetMemoryLimit(picture.MemoryUsed() + store);
  EXPECT_NO_THROW(picture.Resize(picture.Width(), picture.Height()));
}

}  // namespace
}  // namespace vornada::png::test
