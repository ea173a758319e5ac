// Loading PNG files: error kinds and messages, the PNG suite (corrupt files and pixel digests
// of every valid file), and the loader's chunk handling.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "PngTestSupport.h"
#include "png/PngBlend.h"
#include "png/PngChecksum.h"

namespace vornada::png::test {
namespace {

TEST(PngErrors, EveryKindHasItsClassNameAndExactMessage) {
  struct Case {
    ErrorKind kind;
    const char* class_name;
    const char* message;
  };
  const Case cases[] = {
      {ErrorKind::InvalidFileHeader, "EPngInvalidFileHeader",
       "The file being readed is not a valid \"Portable Network Graphics\" image because it "
       "contains an invalid header. This file may be corrupted, try obtaining it again."},
      {ErrorKind::UnexpectedEnd, "EPngUnexpectedEnd",
       "This \"Portable Network Graphics\" image is invalid because the decoder found an "
       "unexpected end of the file."},
      {ErrorKind::IHDRNotFirst, "EPngIHDRNotFirst",
       "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
       "(IHDR chunk is not the first)"},
      {ErrorKind::InvalidIHDR, "EPngInvalidIHDR",
       "The \"Portable Network Graphics\" image could not be loaded because one of its main piece "
       "of data (ihdr) might be corrupted"},
      {ErrorKind::SizeExceeds, "EPngSizeExceeds",
       "This \"Portable Network Graphics\" image is not supported because either it's width or "
       "height exceeds the maximum size, which is 65535 pixels length."},
      {ErrorKind::UnknownCompression, "EPngUnknownCompression",
       "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme "
       "which could not be decoded."},
      {ErrorKind::UnknownInterlace, "EPngUnknownInterlace",
       "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could "
       "not be decoded."},
      {ErrorKind::InvalidPalette, "EPngInvalidPalette",
       "The \"Portable Network Graphics\" image contains an invalid palette."},
      {ErrorKind::MissingMultipleIDAT, "EPngMissingMultipleIDAT",
       "This \"Portable Network Graphics\" image is invalid because it has missing image parts."},
      {ErrorKind::NoImageData, "EPngNoImageData",
       "This \"Portable Network Graphics\" image contains no data."},
      {ErrorKind::HeaderNotPresent, "EPngHeaderNotPresent",
       "This operation is not valid because the current image contains no valid header."},
      {ErrorKind::OutMemory, "EPngOutMemory",
       "Some operation could not be performed because the system is out of resources. Close "
       "some windows and try again."},
      {ErrorKind::Error, "EPngError", "There is no such palette entry."},
      {ErrorKind::InvalidNewSize, "EPngInvalidNewSize",
       "The new size provided for image resizing is invalid."},
  };
  for (const auto& c : cases) {
    PngError e(c.kind);
    EXPECT_STREQ(e.ClassName(), c.class_name);
    EXPECT_STREQ(e.what(), c.message) << c.class_name;
  }
}

TEST(PngErrors, ZlibMessageEndsWithTheCodeDescription) {
  const char* const descriptions[] = {"incompatible version (-6)", "buffer error (-5)",
                                      "insufficient memory (-4)",  "data error (-3)",
                                      "stream error (-2)",         "file error (-1)",
                                      "(0)",                       "stream end (1)",
                                      "need dictionary (2)"};
  for (int code = -6; code <= 2; ++code) {
    try {
      ThrowZlibError(code);
      FAIL() << "no exception";
    } catch (const PngError& e) {
      EXPECT_EQ(e.Kind(), ErrorKind::ZLIBError);
      EXPECT_EQ(std::string(e.what()),
                std::string("Could not decompress the image because it contains invalid "
                            "compressed data.\r\n Description: ") +
                    descriptions[code + 6]);
    }
  }
}

struct BrokenCase {
  const char* file;
  ErrorKind kind;
  const char* zlib_description;  // for ZLIBError
};

TEST(PngLoad, BrokenFilesFailWithTheirKind) {
  const BrokenCase cases[] = {
      {"err_signature.png", ErrorKind::InvalidFileHeader, nullptr},
      {"err_empty.png", ErrorKind::InvalidFileHeader, nullptr},
      {"err_ihdr_not_first.png", ErrorKind::IHDRNotFirst, nullptr},
      {"err_ihdr_short.png", ErrorKind::InvalidIHDR, nullptr},
      {"err_zero_width.png", ErrorKind::InvalidIHDR, nullptr},
      {"err_width65536.png", ErrorKind::SizeExceeds, nullptr},
      {"err_height65536.png", ErrorKind::SizeExceeds, nullptr},
      {"err_compression.png", ErrorKind::UnknownCompression, nullptr},
      {"err_interlace2.png", ErrorKind::UnknownInterlace, nullptr},
      {"err_colour1.png", ErrorKind::InvalidColourFormat, nullptr},
      {"err_colour7.png", ErrorKind::InvalidColourFormat, nullptr},
      {"err_rgb_depth4.png", ErrorKind::InvalidColourFormat, nullptr},
      {"err_ga_depth1.png", ErrorKind::InvalidColourFormat, nullptr},
      {"err_pal_depth16.png", ErrorKind::InvalidColourFormat, nullptr},
      {"err_plte_length.png", ErrorKind::InvalidPalette, nullptr},
      {"err_plte_257.png", ErrorKind::InvalidPalette, nullptr},
      {"err_plte_empty.png", ErrorKind::InvalidPalette, nullptr},
      {"err_trns_257.png", ErrorKind::InvalidPalette, nullptr},
      {"err_no_idat.png", ErrorKind::NoImageData, nullptr},
      {"err_missing_parts.png", ErrorKind::MissingMultipleIDAT, nullptr},
      {"err_short_stream.png", ErrorKind::MissingMultipleIDAT, nullptr},
      {"err_idat_then_text.png", ErrorKind::MissingMultipleIDAT, nullptr},
      {"err_stream_end.png", ErrorKind::ZLIBError, "stream end (1)"},
      {"err_zlib_data.png", ErrorKind::ZLIBError, "data error (-3)"},
      {"err_zlib_header.png", ErrorKind::ZLIBError, "data error (-3)"},
      {"err_dictionary.png", ErrorKind::ZLIBError, "need dictionary (2)"},
      {"err_cut_in_idat.png", ErrorKind::UnexpectedEnd, nullptr},
      {"err_cut_after_idat.png", ErrorKind::UnexpectedEnd, nullptr},
      {"err_cut_in_length.png", ErrorKind::UnexpectedEnd, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    PngPicture picture;
    LoadOutcome outcome = LoadBytes(picture, RequireFileBytes(FixturePath(c.file)));
    ASSERT_FALSE(outcome.ok);
    EXPECT_STREQ(ErrorClassName(outcome.kind), ErrorClassName(c.kind));
    if (c.zlib_description != nullptr) {
      EXPECT_EQ(outcome.message, std::string(ErrorMessage(ErrorKind::ZLIBError)) + c.zlib_description);
    } else {
      EXPECT_EQ(outcome.message, ErrorMessage(c.kind));
    }
  }
}

TEST(PngLoad, ForbiddenColourFormatIsRejectedBeforeAnyImageExists) {
  PngPicture picture;
  LoadOutcome outcome = LoadBytes(picture, RequireFileBytes(FixturePath("err_rgb_depth4.png")));
  ASSERT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message,
            "This \"Portable Network Graphics\" image is not supported because its colour type "
            "and bit depth do not form a valid combination.");
  // The header chunk stays in the list but holds no image.
  ASSERT_EQ(picture.Chunks().Count(), 1);
  EXPECT_EQ(picture.Chunks().Item(0)->TypeString(), "IHDR");
  EXPECT_EQ(picture.Header(), nullptr);
  EXPECT_EQ(picture.Width(), 0u);
}

TEST(PngLoad, ChunksReadBeforeAnErrorStayInTheList) {
  PngPicture picture;
  LoadOutcome outcome = LoadBytes(picture, RequireFileBytes(FixturePath("err_plte_length.png")));
  ASSERT_FALSE(outcome.ok);
  ASSERT_EQ(picture.Chunks().Count(), 2);
  EXPECT_EQ(picture.Chunks().Item(0)->TypeString(), "IHDR");
  EXPECT_EQ(picture.Chunks().Item(1)->TypeString(), "PLTE");
  EXPECT_EQ(picture.Width(), 4u);
}

// The corrupt files of the PNG suite: each fails with the picture's own error, except those
// whose only fault is a CRC, which load like their intact twins.
TEST(PngSuite, CorruptFilesFailOrLoadWhenOnlyACrcIsWrong) {
  const std::map<std::string, ErrorKind> failing = {
      {"xc1n0g08.png", ErrorKind::InvalidColourFormat},
      {"xc9n2c08.png", ErrorKind::InvalidColourFormat},
      {"xcrn0g04.png", ErrorKind::InvalidFileHeader},
      {"xd0n2c08.png", ErrorKind::InvalidColourFormat},
      {"xd3n2c08.png", ErrorKind::InvalidColourFormat},
      {"xd9n2c08.png", ErrorKind::InvalidColourFormat},
      {"xdtn0g01.png", ErrorKind::NoImageData},
      {"xlfn0g04.png", ErrorKind::InvalidFileHeader},
      {"xs1n0g01.png", ErrorKind::InvalidFileHeader},
      {"xs2n0g01.png", ErrorKind::InvalidFileHeader},
      {"xs4n0g01.png", ErrorKind::InvalidFileHeader},
      {"xs7n0g01.png", ErrorKind::InvalidFileHeader},
  };
  const std::map<std::string, std::string> crc_only = {
      {"xcsn0g01.png", "basn0g01.png"},
      {"xhdn0g08.png", "basn0g08.png"},
  };
  int seen = 0;
  for (const auto& name : PngFilesIn(SuiteDir())) {
    if (name[0] != 'x') continue;
    SCOPED_TRACE(name);
    ++seen;
    PngPicture picture;
    LoadOutcome outcome = LoadBytes(picture, RequireFileBytes(SuitePath(name)));
    if (auto it = failing.find(name); it != failing.end()) {
      ASSERT_FALSE(outcome.ok);
      EXPECT_STREQ(ErrorClassName(outcome.kind), ErrorClassName(it->second));
      EXPECT_EQ(outcome.message, ErrorMessage(it->second));
    } else {
      ASSERT_TRUE(crc_only.count(name)) << "unexpected corrupt file";
      ASSERT_TRUE(outcome.ok) << outcome.message;
      PngPicture twin;
      LoadFixture(twin, SuitePath(crc_only.at(name)));
      EXPECT_EQ(ExportRgba(picture), ExportRgba(twin));
    }
  }
  EXPECT_EQ(seen, 14);
}

// Pixel digests of every valid suite file and fixture, as libpng decodes them after the
// picture's storage conversions (the native reference test derives the same table from
// libpng and checks it); here they check the decoder on every platform.
std::map<std::string, std::string> ExpectedDigests() {
  std::map<std::string, std::string> table;
  std::ifstream in(FixturePath("expected_rgba.txt"));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name, digest;
    fields >> name;
    std::getline(fields, digest);
    table[name] = digest.substr(digest.find_first_not_of(' '));
  }
  return table;
}

std::string DigestLine(const PngPicture& picture) {
  std::vector<uint8_t> rgba = ExportRgba(picture);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%u %u %08x", picture.Width(), picture.Height(),
                Crc32(rgba));
  return buffer;
}

TEST(PngSuite, EveryValidFileDecodesToTheExpectedPixels) {
  const auto expected = ExpectedDigests();
  ASSERT_FALSE(expected.empty());
  int checked = 0;
  for (const auto& [name, digest] : expected) {
    SCOPED_TRACE(name);
    const bool from_suite = name.rfind("suite/", 0) == 0;
    const std::string path = from_suite ? SuitePath(name.substr(6)) : FixturePath(name.substr(9));
    PngPicture picture;
    LoadFixture(picture, path);
    EXPECT_EQ(DigestLine(picture), digest);
    ++checked;
  }
  // 162 valid suite files besides the logo, and the valid fixtures.
  EXPECT_GE(checked, 162 + 30);
}

TEST(PngLoad, WindowPictureFormKeepsPhysParsedAndItxtRaw) {
  PngPicture picture;
  LoadFixture(picture, FixturePath("icon_phys_itxt.png"));
  std::vector<std::string> types;
  for (const auto& c : picture.Chunks()) types.push_back(c->TypeString());
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "iTXt", "pHYs", "IDAT", "IEND"}));
  auto* phys = picture.Chunks().Find<TPngChunkpHYs>();
  ASSERT_NE(phys, nullptr);
  EXPECT_TRUE(phys->Parsed());
  EXPECT_EQ(phys->PixelsPerUnitX, 2835u);  // 72 dpi
  EXPECT_EQ(phys->PixelsPerUnitY, 2835u);
  EXPECT_EQ(phys->Unit, 1);
  const TPngChunk* itxt = picture.Chunks().Item(1);
  EXPECT_EQ(itxt->ClassName(), "TPngChunk");
  std::vector<uint8_t> file = RequireFileBytes(FixturePath("icon_phys_itxt.png"));
  for (const auto& raw : WalkChunks(file))
    if (raw.type == "iTXt") {
      EXPECT_EQ(itxt->Data(), raw.data);
    }
  EXPECT_EQ(picture.AlphaKind(), akBlended);
  EXPECT_EQ(picture.Width(), 24u);
  EXPECT_EQ(picture.Height(), 31u);
  EXPECT_EQ(picture.Header()->BitCount(), 24u);
  EXPECT_TRUE(picture.Header()->HasAlpha());
}

TEST(PngLoad, ChrmIsDroppedWhereverItStands) {
  PngPicture picture;
  LoadFixture(picture, FixturePath("chrm.png"));
  for (const auto& c : picture.Chunks()) EXPECT_NE(c->TypeString(), "cHRM");
  PngPicture plain;
  LoadFixture(plain, FixturePath("pal4.png"));
  EXPECT_EQ(picture.Chunks().Count(), plain.Chunks().Count());
  EXPECT_EQ(ExportRgba(picture), ExportRgba(plain));
}

TEST(PngLoad, SeveralIdatChunksDecodeAsOneStreamAndATrailingIdatIsSkipped) {
  PngPicture reference;
  LoadFixture(reference, FixturePath("rgba8.png"));
  for (const char* name : {"multi_idat.png", "trailing_idat.png"}) {
    SCOPED_TRACE(name);
    PngPicture picture;
    LoadFixture(picture, FixturePath(name));
    int idat_objects = 0;
    for (const auto& c : picture.Chunks()) idat_objects += c->TypeString() == "IDAT";
    EXPECT_EQ(idat_objects, 1);
    EXPECT_EQ(ExportRgba(picture), ExportRgba(reference));
  }
  PngPicture multi;
  LoadFixture(multi, FixturePath("multi_idat.png"));
  EXPECT_GT(multi.Chunks().Find<TPngChunkIDAT>()->ChunkCount(), 10u);
}

TEST(PngLoad, WrongCrcsAreIgnored) {
  PngPicture bad, good;
  LoadFixture(bad, FixturePath("bad_crcs.png"));
  LoadFixture(good, FixturePath("gray8.png"));
  EXPECT_EQ(ExportRgba(bad), ExportRgba(good));
}

TEST(PngLoad, ReadsExactlyUpToTheIendCrc) {
  // As stored in a window description: class name before, the next property after.
  std::vector<uint8_t> png = RequireFileBytes(FixturePath("icon_phys_itxt.png"));
  std::vector<uint8_t> stored = {11};
  const std::string class_name = "TPngGraphic";
  stored.insert(stored.end(), class_name.begin(), class_name.end());
  const size_t start = stored.size();
  stored.insert(stored.end(), png.begin(), png.end());
  stored.insert(stored.end(), {0x09, 'N', 'e', 'x', 't'});
  MemorySource source(stored.data(), stored.size());
  uint8_t skipped[12];
  ASSERT_EQ(source.Read(skipped, start), start);
  PngPicture picture;
  picture.LoadFromStream(source);
  EXPECT_EQ(source.Position(), start + png.size());
}

TEST(PngLoad, WidthLimitIs65535) {
  PngPicture picture;
  LoadFixture(picture, FixturePath("width65535.png"));
  EXPECT_EQ(picture.Width(), 65535u);
  EXPECT_EQ(picture.GetPixelColor(0, 0), MakeColour(255, 255, 255));
  EXPECT_EQ(picture.GetPixelColor(1, 0), 0u);
  EXPECT_EQ(picture.GetPixelColor(65528, 0), MakeColour(255, 255, 255));  // last byte 0x80
  EXPECT_EQ(picture.GetPixelColor(65534, 0), 0u);
  EXPECT_EQ(picture.GetPixelColor(65534, 1), MakeColour(255, 255, 255));
  EXPECT_EQ(picture.GetPixelColor(65531, 1), 0u);
}

TEST(PngLoad, FilterMethodIsNotChecked) {
  std::vector<uint8_t> header = HeaderData(2, 1, 8, 0);
  header[11] = 5;
  std::vector<uint8_t> png = BuildPng({{"IHDR", header}, {"IDAT", Compress({0, 10, 20})}, {"IEND", {}}});
  PngPicture picture;
  ASSERT_TRUE(LoadBytes(picture, png).ok);
  EXPECT_EQ(picture.GetPixelColor(1, 0), MakeColour(20, 20, 20));
}

TEST(PngLoad, TwoBitGrayShowsFourEvenLevels) {
  // Samples 0, 1, 2, 3 in one byte.
  std::vector<uint8_t> png =
      BuildPng({{"IHDR", HeaderData(4, 1, 2, 0)}, {"IDAT", Compress({0, 0x1B})}, {"IEND", {}}});
  PngPicture picture;
  ASSERT_TRUE(LoadBytes(picture, png).ok);
  EXPECT_EQ(picture.Header()->BitCount(), 4u);
  EXPECT_EQ(picture.Header()->StoreRow(0)[0], 0x05);  // held as v * 5
  EXPECT_EQ(picture.Header()->StoreRow(0)[1], 0xAF);
  const uint8_t levels[4] = {0, 85, 170, 255};
  for (int x = 0; x < 4; ++x)
    EXPECT_EQ(picture.GetPixelColor(x, 0), MakeColour(levels[x], levels[x], levels[x]));
}

TEST(PngLoad, GammaTables) {
  PngPicture usual;
  LoadFixture(usual, FixturePath("gamma45455.png"));
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(usual.DecodeGamma()[i], i);
    EXPECT_EQ(usual.EncodeGamma()[i], i);
  }
  PngPicture plain;
  LoadFixture(plain, FixturePath("rgb8.png"));
  EXPECT_EQ(ExportRgba(usual), ExportRgba(plain));

  // Value 50000: exponent 1 / 1.1; spot values worked out by hand.
  PngPicture gamma;
  LoadFixture(gamma, FixturePath("gamma50000.png"));
  const auto& decode = gamma.DecodeGamma();
  EXPECT_EQ(decode[0], 0);
  EXPECT_EQ(decode[1], 2);
  EXPECT_EQ(decode[2], 3);
  EXPECT_EQ(decode[64], 73);
  EXPECT_EQ(decode[128], 136);
  EXPECT_EQ(decode[200], 204);
  EXPECT_EQ(decode[255], 255);
  // encode[decode[i]] = i, the largest i winning.
  for (int i = 0; i < 256; ++i) EXPECT_EQ(decode[gamma.EncodeGamma()[decode[i]]], decode[i]);
  EXPECT_EQ(gamma.EncodeGamma()[3], 2);
  // Every RGB sample went through the table.
  std::vector<uint8_t> shown = ExportRgba(gamma), raw = ExportRgba(plain);
  ASSERT_EQ(shown.size(), raw.size());
  for (size_t i = 0; i < raw.size(); ++i)
    ASSERT_EQ(shown[i], i % 4 == 3 ? raw[i] : decode[raw[i]]) << "byte " << i;
}

TEST(PngLoad, GammaAppliesOnlyToChunksAfterIt) {
  std::vector<uint8_t> gama = {0, 0, 0xC3, 0x50};  // 50000
  RawChunk header{"IHDR", HeaderData(1, 1, 8, 3)};
  RawChunk plte{"PLTE", {128, 64, 1}};
  RawChunk idat{"IDAT", Compress({0, 0})};
  RawChunk iend{"IEND", {}};
  PngPicture before, after;
  ASSERT_TRUE(LoadBytes(before, BuildPng({header, {"gAMA", gama}, plte, idat, iend})).ok);
  ASSERT_TRUE(LoadBytes(after, BuildPng({header, plte, {"gAMA", gama}, idat, iend})).ok);
  EXPECT_EQ(before.GetPixelColor(0, 0), MakeColour(136, 73, 2));
  EXPECT_EQ(after.GetPixelColor(0, 0), MakeColour(128, 64, 1));
}

TEST(PngLoad, DataLeftInAnIdatAfterTheLastRowIsSkipped) {
  // The image needs far less than the chunk holds; the chunks after it must still be read
  // from their own start.
  std::vector<uint8_t> data = Compress({0, 1, 2, 0, 3, 4});
  data.resize(data.size() + 70000, 0xEE);
  std::vector<uint8_t> png = BuildPng({{"IHDR", HeaderData(2, 2, 8, 0)},
                                       {"IDAT", data},
                                       {"tEXt", {'k', 0, 'v'}},
                                       {"IEND", {}}});
  PngPicture picture;
  LoadOutcome outcome = LoadBytes(picture, png);
  ASSERT_TRUE(outcome.ok) << outcome.message;
  ASSERT_EQ(picture.Chunks().Count(), 4);
  EXPECT_EQ(picture.Chunks().Item(2)->TypeString(), "tEXt");
  EXPECT_EQ(picture.GetPixelColor(1, 1), MakeColour(4, 4, 4));
}

TEST(PngLoad, RowsAfterTheEndOfTheFileStayZeroAndTransparent) {
  // 8 x 64 RGBA, every byte nonzero; the file stops in the middle of the image data.
  std::vector<uint8_t> raw;
  for (int y = 0; y < 64; ++y) {
    raw.push_back(0);
    for (int x = 0; x < 8 * 4; ++x) raw.push_back(static_cast<uint8_t>(1 + (x * 7 + y * 3) % 250));
  }
  std::vector<uint8_t> compressed;
  {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    compressed.resize(size);
    compress2(compressed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 0);  // stored
    compressed.resize(size);
  }
  std::vector<uint8_t> png = BuildPng({{"IHDR", HeaderData(8, 64, 8, 6)}, {"IDAT", compressed}});
  png.resize(8 + 25 + 8 + compressed.size() / 2);
  PngPicture picture;
  LoadOutcome outcome = LoadBytes(picture, png);
  ASSERT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.kind, ErrorKind::UnexpectedEnd);
  ASSERT_NE(picture.Header(), nullptr);
  std::vector<uint8_t> rgba = ExportRgba(picture);
  EXPECT_EQ(rgba[0], raw[1]);            // first row decoded
  EXPECT_EQ(rgba[3], raw[4]);
  const size_t last = rgba.size() - 4;  // last row missing: black, transparent
  EXPECT_EQ(rgba[last], 0);
  EXPECT_EQ(rgba[last + 3], 0);
}

TEST(PngLoad, RowsDecodedBeforeBadDataAreKept) {
  // A wrong zlib checksum is found after the last row: every row is in the store, and the
  // error still reaches the caller.
  std::vector<uint8_t> file = RequireFileBytes(FixturePath("rgba8.png"));
  auto chunks = WalkChunks(file);
  for (auto& c : chunks)
    if (c.type == "IDAT") c.data.back() ^= 0xFF;
  PngPicture good, bad;
  LoadFixture(good, FixturePath("rgba8.png"));
  LoadOutcome outcome = LoadBytes(bad, BuildPng(chunks));
  ASSERT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.kind, ErrorKind::ZLIBError);
  EXPECT_EQ(outcome.message, std::string(ErrorMessage(ErrorKind::ZLIBError)) + "data error (-3)");
  EXPECT_EQ(ExportRgba(bad), ExportRgba(good));
}

TEST(PngLoad, ChecksumSplitOverIdatChunksIsCheckedWhenTheStreamEndsEarly) {
  // 8 x 64 RGBA whose compressed stream holds only 32 rows: the decoder reads the stream to
  // its end, checksum included, while rows are still missing. The last 0 to 4 checksum bytes
  // travel in a second IDAT chunk. A right checksum leaves the missing rows to be reported
  // (the chunk after the data is IEND); a wrong byte anywhere in it is zlib's data error.
  std::vector<uint8_t> raw;
  for (int y = 0; y < 32; ++y) {
    raw.push_back(static_cast<uint8_t>(y % 5));
    for (int x = 0; x < 8 * 4; ++x) raw.push_back(static_cast<uint8_t>((x * 13 + y * 7) % 251));
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> compressed(size);
  ASSERT_EQ(compress2(compressed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 6), Z_OK);
  compressed.resize(size);
  const size_t n = compressed.size();
  struct Case {
    int flipped;  // index of the checksum byte made wrong, -1: none
    ErrorKind kind;
  };
  const Case cases[] = {{-1, ErrorKind::MissingMultipleIDAT}, {0, ErrorKind::ZLIBError},
                        {1, ErrorKind::ZLIBError},            {3, ErrorKind::ZLIBError}};
  for (size_t second = 0; second <= 4; ++second) {
    for (const Case& c : cases) {
      SCOPED_TRACE("checksum bytes in the second chunk: " + std::to_string(second) +
                   ", wrong byte: " + std::to_string(c.flipped));
      std::vector<uint8_t> data = compressed;
      if (c.flipped >= 0) data[n - 4 + static_cast<size_t>(c.flipped)] ^= 0x5A;
      std::vector<RawChunk> chunks = {{"IHDR", HeaderData(8, 64, 8, 6)},
                                      {"IDAT", {data.begin(), data.end() - static_cast<std::ptrdiff_t>(second)}}};
      if (second > 0) chunks.push_back({"IDAT", {data.end() - static_cast<std::ptrdiff_t>(second), data.end()}});
      chunks.push_back({"IEND", {}});
      PngPicture picture;
      const LoadOutcome outcome = LoadBytes(picture, BuildPng(chunks));
      ASSERT_FALSE(outcome.ok);
      EXPECT_EQ(outcome.kind, c.kind);
      if (c.kind == ErrorKind::ZLIBError) {
        EXPECT_EQ(outcome.message, std::string(ErrorMessage(ErrorKind::ZLIBError)) + "data error (-3)");
      }
    }
  }
}

// The checksum against zlib's own, over lengths around the 16-byte steps and the 5552-byte
// reduction blocks, with bytes of 255 (the largest sums) and mixed bytes, from several
// starting values.
TEST(PngChecksum, Adler32MatchesZlib) {
  std::vector<uint8_t> mixed(3 * 5552 + 100), ones(3 * 5552 + 100, 255);
  for (size_t i = 0; i < mixed.size(); ++i) mixed[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
  for (const std::vector<uint8_t>* bytes : {&mixed, &ones}) {
    for (size_t length : {0, 1, 15, 16, 17, 31, 33, 5551, 5552, 5553, 5552 + 16, 2 * 5552 + 7,
                          3 * 5552 + 100}) {
      for (uint32_t start : {1u, 0xFFF0FFF0u, 0x12345678u}) {
        SCOPED_TRACE("length " + std::to_string(length) + ", start " + std::to_string(start));
        const uint32_t expected = static_cast<uint32_t>(
            adler32(start, bytes->data(), static_cast<uInt>(length)));
        EXPECT_EQ(Adler32(start, bytes->data(), length), expected);
      }
    }
  }
}

TEST(PngLoad, HugeDeclaredChunkLengthWithLittleDataEndsUnexpectedly) {
  std::vector<uint8_t> png = BuildPng({{"IHDR", HeaderData(1, 1, 8, 0)}, {"tEXt", {'a', 0, 'b'}}});
  PutBigEndian32(&png[8 + 25], 0x7FFFFFF0);
  PngPicture picture;
  LoadOutcome outcome = LoadBytes(picture, png);
  ASSERT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.kind, ErrorKind::UnexpectedEnd);
}

TEST(PngLoad, RepeatedHeaderIsKeptAsPlainData) {
  std::vector<uint8_t> png = BuildPng({{"IHDR", HeaderData(1, 1, 8, 0)},
                                       {"IHDR", HeaderData(500, 500, 8, 6)},
                                       {"IDAT", Compress({0, 77})},
                                       {"IEND", {}}});
  PngPicture picture;
  ASSERT_TRUE(LoadBytes(picture, png).ok);
  EXPECT_EQ(picture.Chunks().Item(1)->ClassName(), "TPngChunk");
  EXPECT_EQ(picture.Width(), 1u);
  EXPECT_EQ(picture.GetPixelColor(0, 0), MakeColour(77, 77, 77));
}

TEST(PngLoad, ImagesAboveTheMemoryLimitFailBeforeAllocating) {
  PngPicture picture;
  picture.SetMemoryLimit(1000);
  LoadOutcome outcome = LoadBytes(picture, RequireFileBytes(FixturePath("rgba8.png")));
  ASSERT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.kind, ErrorKind::OutMemory);
  EXPECT_EQ(picture.Header(), nullptr);
}

TEST(PngLoad, LoadingEmptiesThePictureAndResetsGamma) {
  PngPicture picture;
  LoadFixture(picture, FixturePath("gamma50000.png"));
  LoadFixture(picture, FixturePath("gray8.png"));
  for (int i = 0; i < 256; ++i) ASSERT_EQ(picture.DecodeGamma()[i], i);
  EXPECT_EQ(picture.Chunks().Find<TPngChunkgAMA>(), nullptr);
  int notified = 0;
  picture.OnChange = [&] { ++notified; };
  LoadFixture(picture, FixturePath("rgb8.png"));
  EXPECT_EQ(notified, 1);
  LoadBytes(picture, RequireFileBytes(FixturePath("err_no_idat.png")));
  EXPECT_EQ(notified, 1);
}

}  // namespace
}  // namespace vornada::png::test
