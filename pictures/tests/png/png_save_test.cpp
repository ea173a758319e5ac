// Saving pictures: load-save-load keeps pixels and chunks, the sample forms written, IDAT
// chunking, interlaced saving and the saving settings.
#include <gtest/gtest.h>

#include <set>

#include "PngTestSupport.h"
#include "png/PngBlend.h"
#include "png/PngRows.h"

namespace vornada::png::test {
namespace {

// Every file the loader takes: the valid suite files and the valid fixtures.
std::vector<std::string> LoadablePaths() {
  std::vector<std::string> paths;
  for (const auto& name : PngFilesIn(SuiteDir()))
    if (name[0] != 'x') paths.push_back(SuitePath(name));
  for (const auto& name : PngFilesIn(FixturePath("")))
    if (name.rfind("err_", 0) != 0) paths.push_back(FixturePath(name));
  return paths;
}

std::vector<std::string> ChunkTypesWithoutRepeatedIdat(const std::vector<uint8_t>& png) {
  std::vector<std::string> types;
  for (const auto& c : WalkChunks(png))
    if (c.type != "IDAT" || types.empty() || types.back() != "IDAT") types.push_back(c.type);
  return types;
}

struct SaveVariant {
  const char* name;
  uint8_t filters;
  int interlace;  // -1: as loaded
  uint8_t level;
};

TEST(PngSave, LoadSaveLoadKeepsPixelsAndEveryChunkButChrm) {
  const SaveVariant variants[] = {
      {"defaults", FilterBit(kFilterSub), -1, 7},
      {"all filters, not interlaced", kAllFilters, 0, 6},
      {"unfiltered, interlaced", 0, 1, 1},
  };
  const auto paths = LoadablePaths();
  ASSERT_GT(paths.size(), 190u);
  for (const auto& path : paths) {
    SCOPED_TRACE(path);
    std::vector<uint8_t> original = RequireFileBytes(path);
    PngPicture first;
    ASSERT_TRUE(LoadBytes(first, original).ok);
    const std::vector<uint8_t> pixels = ExportRgba(first);
    // Chunks of the file without cHRM and IDAT repeats, as the picture keeps them.
    std::vector<std::string> kept;
    for (const auto& c : first.Chunks()) kept.push_back(c->TypeString());
    for (const auto& v : variants) {
      SCOPED_TRACE(v.name);
      first.SetRowFilters(v.filters);
      if (v.interlace >= 0) first.SetSaveInterlace(static_cast<uint8_t>(v.interlace));
      first.SetDeflateLevel(v.level);
      std::vector<uint8_t> saved = SaveBytes(first);
      EXPECT_EQ(ChunkTypesWithoutRepeatedIdat(saved), kept);
      PngPicture second;
      LoadOutcome outcome = LoadBytes(second, saved);
      ASSERT_TRUE(outcome.ok) << outcome.message;
      EXPECT_EQ(ExportRgba(second), pixels);
      EXPECT_EQ(second.AlphaKind(), first.AlphaKind());
      if (v.interlace >= 0) {
        EXPECT_EQ(second.Header()->Header().interlaceMethod, v.interlace);
      }
    }
  }
}

TEST(PngSave, GenericChunksAreWrittenByteForByte) {
  for (const char* name : {"icon_phys_itxt.png", "gamma50000.png"}) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> original = RequireFileBytes(FixturePath(name));
    PngPicture picture;
    ASSERT_TRUE(LoadBytes(picture, original).ok);
    std::vector<RawChunk> before = WalkChunks(original), after = WalkChunks(SaveBytes(picture));
    for (const auto& c : before) {
      if (c.type == "IDAT" || c.type == "IHDR") continue;
      bool found = false;
      for (const auto& d : after)
        if (d.type == c.type && d.data == c.data && d.crc == c.crc) found = true;
      EXPECT_TRUE(found) << c.type;
    }
  }
}

TEST(PngSave, TimeChunkKeepsItsBigEndianYear) {
  PngPicture picture;
  LoadFixture(picture, FixturePath("gamma50000.png"));
  auto* time = picture.Chunks().Find<TPngChunktIME>();
  ASSERT_NE(time, nullptr);
  ASSERT_TRUE(time->Parsed());
  EXPECT_EQ(time->Year, 2021);
  EXPECT_EQ(time->Second, 58);
  for (const auto& c : WalkChunks(SaveBytes(picture)))
    if (c.type == "tIME") {
      EXPECT_EQ(c.data, (std::vector<uint8_t>{0x07, 0xE5, 12, 31, 23, 59, 58}));
    }
}

TEST(PngSave, TwoBitImagesAreWrittenWithFourBitSamples) {
  PngPicture picture;
  LoadFixture(picture, FixturePath("gray2_trns.png"));
  const std::vector<uint8_t> pixels = ExportRgba(picture);
  picture.SetRowFilters(0);
  std::vector<uint8_t> saved = SaveBytes(picture);
  auto chunks = WalkChunks(saved);
  EXPECT_EQ(chunks[0].data[8], 4);
  EXPECT_EQ(picture.Header()->BitDepth(), 4);
  // Row 0 as held: every sample a multiple of 5.
  std::vector<uint8_t> raw = InflateIdat(saved);
  const size_t row_bytes = (picture.Width() * 4 + 7) / 8;
  ASSERT_EQ(raw.size(), (row_bytes + 1) * picture.Height());
  for (size_t i = 1; i <= row_bytes; ++i) {
    EXPECT_EQ((raw[i] >> 4) % 5, 0);
    if (i < row_bytes || picture.Width() % 2 == 0) {
      EXPECT_EQ((raw[i] & 15) % 5, 0);
    }
  }
  // The gray key follows the samples (2 -> 10), so the same pixels stay transparent.
  for (const auto& c : chunks)
    if (c.type == "tRNS") {
      EXPECT_EQ(c.data, (std::vector<uint8_t>{0, 10}));
    }
  PngPicture again;
  ASSERT_TRUE(LoadBytes(again, saved).ok);
  EXPECT_EQ(ExportRgba(again), pixels);
}

TEST(PngSave, SixteenBitImagesAreWrittenWithZeroLowBytes) {
  for (const char* name : {"rgb16.png", "rgba16.png", "ga16.png", "gray16.png"}) {
    SCOPED_TRACE(name);
    PngPicture picture;
    LoadFixture(picture, FixturePath(name));
    picture.SetRowFilters(0);
    std::vector<uint8_t> saved = SaveBytes(picture);
    EXPECT_EQ(WalkChunks(saved)[0].data[8], 16);
    std::vector<uint8_t> raw = InflateIdat(saved);
    const size_t row_bytes = static_cast<size_t>(
        PngRowBytes(picture.Header()->ColourType(), 16, picture.Width()));
    for (uint32_t y = 0; y < picture.Height(); ++y) {
      const uint8_t* row = raw.data() + y * (row_bytes + 1);
      ASSERT_EQ(row[0], 0);
      for (size_t i = 2; i <= row_bytes; i += 2) ASSERT_EQ(row[i], 0) << "row " << y;
    }
  }
}

// A noisy 300 x 300 RGBA picture: far more than one IDAT chunk of compressed data.
void MakeNoisyPicture(PngPicture& picture) {
  std::vector<uint8_t> rows;
  uint32_t state = 12345;
  for (int y = 0; y < 300; ++y) {
    rows.push_back(0);
    for (int x = 0; x < 300 * 4; ++x) {
      state = state * 1103515245 + 12345;
      rows.push_back(static_cast<uint8_t>(state >> 24));
    }
  }
  ASSERT_TRUE(LoadBytes(picture, BuildPng({{"IHDR", HeaderData(300, 300, 8, 6)},
                                           {"IDAT", Compress(rows)},
                                           {"IEND", {}}}))
                  .ok);
}

TEST(PngSave, IdatChunksAreFullBuffersThenTheFinishingOutput) {
  PngPicture picture;
  MakeNoisyPicture(picture);
  picture.SetIdatLimit(100);
  EXPECT_EQ(picture.IdatLimit(), 65535u);
  std::vector<uint8_t> saved = SaveBytes(picture);
  std::vector<size_t> sizes;
  for (const auto& c : WalkChunks(saved))
    if (c.type == "IDAT") sizes.push_back(c.data.size());
  ASSERT_GE(sizes.size(), 5u);
  for (size_t i = 0; i + 1 < sizes.size(); ++i) {
    EXPECT_LE(sizes[i], 65535u);
    EXPECT_GT(sizes[i], 0u);
  }
  EXPECT_EQ(sizes[0], 65535u);
  picture.SetIdatLimit(200000);
  size_t largest = 0;
  for (const auto& c : WalkChunks(SaveBytes(picture)))
    if (c.type == "IDAT") largest = std::max(largest, c.data.size());
  EXPECT_GT(largest, 65535u);
  EXPECT_LE(largest, 200000u);
}

TEST(PngSave, DeflateLevelIsUsed) {
  PngPicture picture;
  LoadFixture(picture, FixturePath("rgb8.png"));
  picture.SetDeflateLevel(0);
  const size_t stored = SaveBytes(picture).size();
  picture.SetDeflateLevel(9);
  const size_t best = SaveBytes(picture).size();
  EXPECT_GT(stored, 37u * 23 * 3);  // stored blocks hold every byte
  EXPECT_LT(best, stored * 3 / 4);
  picture.SetDeflateLevel(200);
  EXPECT_EQ(picture.DeflateLevel(), 9);
}

TEST(PngSave, FilterSetDecidesTheFiltersWritten) {
  // A smooth gradient: Up and Paeth beat Sub and None on most rows.
  std::vector<uint8_t> rows;
  for (int y = 0; y < 64; ++y) {
    rows.push_back(0);
    for (int x = 0; x < 64; ++x)
      for (int c = 0; c < 3; ++c) rows.push_back(static_cast<uint8_t>(x * 2 + y * 3 + c * 40 + (x * y) % 3));
  }
  PngPicture picture;
  ASSERT_TRUE(LoadBytes(picture, BuildPng({{"IHDR", HeaderData(64, 64, 8, 2)},
                                           {"IDAT", Compress(rows)},
                                           {"IEND", {}}}))
                  .ok);
  auto filter_types = [&](uint8_t set) {
    picture.SetRowFilters(set);
    std::vector<uint8_t> raw = InflateIdat(SaveBytes(picture));
    std::set<int> used;
    for (size_t y = 0; y < 64; ++y) used.insert(raw[y * (64 * 3 + 1)]);
    return used;
  };
  EXPECT_EQ(filter_types(0), (std::set<int>{0}));
  for (int type : filter_types(FilterBit(kFilterSub))) EXPECT_TRUE(type == 0 || type == 1);
  for (int type : filter_types(FilterBit(kFilterPaeth))) EXPECT_TRUE(type == 0 || type == 4);
  std::set<int> all = filter_types(kAllFilters);
  EXPECT_TRUE(all.count(2) || all.count(3) || all.count(4));
}

TEST(PngSave, PaletteIsWrittenThroughTheEncodeTable) {
  PngPicture picture;
  LoadFixture(picture, FixturePath("pal8_gamma.png"));
  const RgbQuad* colours = picture.Header()->Info().colours;
  for (const auto& c : WalkChunks(SaveBytes(picture))) {
    if (c.type != "PLTE") continue;
    ASSERT_EQ(c.data.size(), 3u * picture.Chunks().Find<TPngChunkPLTE>()->EntryCount());
    for (size_t i = 0; i < c.data.size() / 3; ++i) {
      EXPECT_EQ(c.data[3 * i], picture.EncodeGamma()[colours[i].red]);
      EXPECT_EQ(c.data[3 * i + 2], picture.EncodeGamma()[colours[i].blue]);
    }
  }
}

TEST(PngSave, EmptyPictureWritesOnlyTheSignature) {
  PngPicture picture;
  EXPECT_EQ(SaveBytes(picture).size(), 8u);
}

}  // namespace
}  // namespace vornada::png::test
