// Tests of the bitmap-file core (natively under the sanitizers, and under Wine): corrupt files
// refused field by field with the error that names the field, every truncation refused as one,
// the pixel budget, files of every depth written and read back (top-down and bottom-up, short
// colour tables, bit fields), the writer's bytes against files built independently, files that
// Pillow and ImageMagick wrote read to the pixels they were drawn with, and every saved fuzzer
// input replayed.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "BmpFile.h"
#include "BmpFixtures.h"
#include "BmpTestFiles.h"
#include "TestSupport.h"
#include "fuzz/bmp_workout.h"

namespace vornada::bmp {
namespace {

using testing::BuildTestBmp;
using testing::PutLe16;
using testing::PutLe32;
using testing::TestBmpRecipe;

using Bytes = std::vector<uint8_t>;

std::array<uint8_t, 4> Entry(int i) {
  return {static_cast<uint8_t>(255 - i * 29), static_cast<uint8_t>(i * 97 + 31),
          static_cast<uint8_t>(i * 53), 0};
}

std::vector<std::array<uint8_t, 4>> TestPalette(size_t n) {
  std::vector<std::array<uint8_t, 4>> p;
  for (size_t i = 0; i < n; ++i) p.push_back(Entry(static_cast<int>(i)));
  return p;
}

// A valid 8-bit 4 x 3 file: 14 + 40 header bytes, 256 colours, rows of 4 bytes.
Bytes Paletted8() {
  TestBmpRecipe s;
  s.palette = TestPalette(256);
  s.value = [](int x, int y) { return static_cast<uint32_t>(x + 4 * y); };
  return BuildTestBmp(s);
}

// A valid 16-bit 5-6-5 bit-field file with its masks after the 40-byte header.
Bytes BitFields16() {
  TestBmpRecipe s;
  s.bit_count = 16;
  s.compression = 3;
  s.masks = {0xF800, 0x07E0, 0x001F};
  s.value = [](int x, int y) { return static_cast<uint32_t>(x * 0x0841 + y * 0x1000); };
  return BuildTestBmp(s);
}

// A valid 24-bit file.
Bytes Direct24() {
  TestBmpRecipe s;
  s.bit_count = 24;
  s.value = [](int x, int y) { return static_cast<uint32_t>(x * 0x102030 + y * 0x050403); };
  return BuildTestBmp(s);
}

Error ErrorOf(const Bytes& file, const Limits& limits = Limits{}) {
  try {
    ReadImage(file, limits);
  } catch (const BmpError& e) {
    EXPECT_STREQ(e.what(), ErrorMessage(e.error()));
    return e.error();
  }
  ADD_FAILURE() << "the file was read";
  return Error::kFileTooLarge;
}

// ---- corrupt files ---------------------------------------------------------------------------

struct CorruptCase {
  const char* name;
  std::function<Bytes()> base;
  std::function<void(Bytes&)> corrupt;
  Error expected;
  Limits limits = Limits{};
  friend void PrintTo(const CorruptCase& c, std::ostream* os) { *os << c.name; }
};

auto Set32(size_t at, uint32_t v) {
  return [at, v](Bytes& b) { PutLe32(b, at, v); };
}
auto Set16(size_t at, uint16_t v) {
  return [at, v](Bytes& b) { PutLe16(b, at, v); };
}
auto CutTo(size_t n) {
  return [n](Bytes& b) { b.resize(std::min(n, b.size())); };
}
auto Unchanged() {
  return [](Bytes&) {};
}
Limits PixelLimit(uint64_t pixels) {
  Limits l;
  l.max_pixels = pixels;
  return l;
}

class CorruptFile : public ::testing::TestWithParam<CorruptCase> {};

TEST_P(CorruptFile, IsRefusedWithTheErrorOfItsField) {
  const CorruptCase& c = GetParam();
  Bytes file = c.base();
  ASSERT_NO_THROW(ReadImage(file)) << "the base file is valid";
  c.corrupt(file);
  EXPECT_EQ(ErrorOf(file, c.limits), c.expected) << ErrorMessage(c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CorruptFile,
    ::testing::Values(
        CorruptCase{"empty", Paletted8, CutTo(0), Error::kFileHeaderTruncated},
        CorruptCase{"file_header_cut", Paletted8, CutTo(10), Error::kFileHeaderTruncated},
        CorruptCase{"file_header_only", Paletted8, CutTo(14), Error::kInfoHeaderTruncated},
        CorruptCase{"info_header_cut", Paletted8, CutTo(30), Error::kInfoHeaderTruncated},
        CorruptCase{"bad_signature", Paletted8, [](Bytes& b) { b[1] = 'N'; }, Error::kBadSignature},
        CorruptCase{"core_header", Paletted8, Set32(14, 12), Error::kBadInfoHeaderSize},
        CorruptCase{"header_size_39", Paletted8, Set32(14, 39), Error::kBadInfoHeaderSize},
        CorruptCase{"header_size_2000", Paletted8, Set32(14, 2000), Error::kBadInfoHeaderSize},
        CorruptCase{"header_size_huge", Paletted8, Set32(14, 0xFFFFFFFF),
                    Error::kBadInfoHeaderSize},
        CorruptCase{"header_longer_than_file", Direct24, Set32(14, 1000),
                    Error::kInfoHeaderTruncated},
        CorruptCase{"zero_width", Paletted8, Set32(18, 0), Error::kWidth},
        CorruptCase{"negative_width", Paletted8, Set32(18, 0xFFFFFFFC), Error::kWidth},
        CorruptCase{"zero_height", Paletted8, Set32(22, 0), Error::kHeight},
        CorruptCase{"lowest_height", Paletted8, Set32(22, 0x80000000), Error::kHeight},
        CorruptCase{"no_planes", Paletted8, Set16(26, 0), Error::kPlanes},
        CorruptCase{"two_planes", Paletted8, Set16(26, 2), Error::kPlanes},
        CorruptCase{"depth_0", Paletted8, Set16(28, 0), Error::kBitCount},
        CorruptCase{"depth_2", Paletted8, Set16(28, 2), Error::kBitCount},
        CorruptCase{"depth_64", Paletted8, Set16(28, 64), Error::kBitCount},
        CorruptCase{"rle8", Paletted8, Set32(30, 1), Error::kCompression},
        CorruptCase{"rle4", Paletted8, Set32(30, 2), Error::kCompression},
        CorruptCase{"jpeg", Paletted8, Set32(30, 4), Error::kCompression},
        CorruptCase{"png", Paletted8, Set32(30, 5), Error::kCompression},
        CorruptCase{"compression_77", Paletted8, Set32(30, 77), Error::kCompression},
        CorruptCase{"bit_fields_on_8_bits", Paletted8, Set32(30, 3), Error::kBitFieldsDepth},
        CorruptCase{"bit_fields_on_24_bits", Direct24, Set32(30, 3), Error::kBitFieldsDepth},
        CorruptCase{"width_40000", Paletted8, Set32(18, 40000), Error::kWidthLimit},
        CorruptCase{"height_40000", Paletted8, Set32(22, 40000), Error::kHeightLimit},
        CorruptCase{"height_minus_40000", Paletted8, Set32(22, static_cast<uint32_t>(-40000)),
                    Error::kHeightLimit},
        CorruptCase{"257_colours", Paletted8, Set32(46, 257), Error::kColorsUsed},
        CorruptCase{"colours_huge", Paletted8, Set32(46, 0xFFFFFFFF), Error::kColorsUsed},
        CorruptCase{"masks_cut", BitFields16, CutTo(14 + 40 + 6), Error::kMasksTruncated},
        CorruptCase{"red_mask_zero", BitFields16, Set32(54, 0), Error::kMaskZero},
        CorruptCase{"blue_mask_zero", BitFields16, Set32(62, 0), Error::kMaskZero},
        CorruptCase{"mask_beyond_16_bits", BitFields16, Set32(54, 0x1F0000),
                    Error::kMaskBeyondDepth},
        CorruptCase{"mask_in_two_runs", BitFields16, Set32(58, 0x0505), Error::kMaskNotContiguous},
        CorruptCase{"masks_overlap", BitFields16, Set32(58, 0x0FE0), Error::kMasksOverlap},
        CorruptCase{"colour_table_cut", Paletted8, CutTo(14 + 40 + 100),
                    Error::kColorTableTruncated},
        CorruptCase{"offset_zero", Paletted8, Set32(10, 0), Error::kPixelOffsetInHeaders},
        CorruptCase{"offset_inside_colour_table", Paletted8, Set32(10, 14 + 40 + 1020),
                    Error::kPixelOffsetInHeaders},
        CorruptCase{"offset_huge", Paletted8, Set32(10, 0xFFFFFFF0), Error::kPixelOffsetTooFar},
        CorruptCase{"offset_past_end", Paletted8,
                    [](Bytes& b) { PutLe32(b, 10, static_cast<uint32_t>(b.size() + 10)); },
                    Error::kGapTruncated},
        CorruptCase{"rows_one_byte_short", Paletted8, [](Bytes& b) { b.pop_back(); },
                    Error::kPixelsTruncated},
        CorruptCase{"rows_missing", Paletted8, CutTo(14 + 40 + 1024), Error::kPixelsTruncated},
        CorruptCase{"declared_32768_square", Paletted8,
                    [](Bytes& b) {
                      PutLe32(b, 18, 32768);
                      PutLe32(b, 22, 32768);
                    },
                    Error::kPixelsTruncated},
        CorruptCase{"over_the_pixel_budget", Paletted8, Unchanged(), Error::kPixelBudget,
                    PixelLimit(11)}),
    [](const auto& row) { return std::string(row.param.name); });

// The two files ImageMagick wrote in a refused form are the only corrupt cases whose base is
// itself refused; the case table checks the base first, so they are checked here instead.
TEST(CorruptFile, FilesThatToolsWroteInARefusedForm) {
  const struct {
    const char* file;
    Error expected;
  } cases[] = {
      {"bad_im_bitfields_without_masks.bmp", Error::kPixelOffsetInHeaders},
      {"bad_im_os2_core_header.bmp", Error::kBadInfoHeaderSize},
  };
  for (const auto& c : cases) {
    bool ok = false;
    const Bytes file =
        testing::ReadFileBytes(testing::SourcePath("framework/tests/data/bmp/") + c.file, &ok);
    ASSERT_TRUE(ok) << c.file;
    EXPECT_EQ(ErrorOf(file), c.expected) << c.file;
  }
}

TEST(CorruptFile, EveryErrorHasAMessageOfItsOwn) {
  std::set<std::string> seen;
  for (int e = 0; e <= static_cast<int>(Error::kFileTooLarge); ++e) {
    const std::string text = ErrorMessage(static_cast<Error>(e));
    EXPECT_EQ(text.rfind("bitmap ", 0), 0u) << text;
    EXPECT_TRUE(seen.insert(text).second) << "shared message: " << text;
  }
}

// Every prefix of a valid file of each kind is refused as a truncation, never as a bad field,
// and nothing is read past its end (the sanitizers watch).
TEST(CorruptFile, EveryTruncationIsRefusedAsOne) {
  TestBmpRecipe v5;
  v5.bit_count = 32;
  v5.compression = 3;
  v5.header_size = 124;
  v5.height = -2;
  v5.masks = {0xFF, 0xFF00, 0xFF0000};
  v5.value = [](int x, int y) { return static_cast<uint32_t>(x * 77 + y * 1000); };
  TestBmpRecipe gap;
  gap.bit_count = 4;
  gap.colors_used = 5;
  gap.palette = TestPalette(5);
  gap.gap = 9;
  for (const Bytes& whole : {Paletted8(), BitFields16(), Direct24(), BuildTestBmp(v5),
                             BuildTestBmp(gap)}) {
    for (size_t n = 0; n < whole.size(); ++n) {
      const Bytes part(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(n));
      try {
        ReadImage(part);
        ADD_FAILURE() << "a file cut to " << n << " of " << whole.size() << " bytes was read";
      } catch (const BmpError& e) {
        EXPECT_TRUE(e.Truncated()) << "cut to " << n << ": " << e.what();
      }
    }
    EXPECT_NO_THROW(ReadImage(whole));
  }
}

// A header alone never makes the reader allocate: sizes it cannot back with data fail first,
// whatever the budget.
TEST(CorruptFile, HugeDeclaredSizesFailBeforeAnyAllocation) {
  Limits unlimited;
  unlimited.max_width = unlimited.max_height = 0x7FFFFFFF;
  unlimited.max_pixels = ~uint64_t{0};
  Bytes file = Paletted8();
  PutLe32(file, 18, 0x7FFFFFFF);
  PutLe32(file, 22, 0x7FFFFFFF);
  EXPECT_EQ(ErrorOf(file, unlimited), Error::kPixelsTruncated);
  PutLe16(file, 28, 32);
  PutLe32(file, 46, 0);
  file.resize(54);
  PutLe32(file, 10, 54);
  EXPECT_EQ(ErrorOf(file, unlimited), Error::kPixelsTruncated);
}

// ---- reading and writing every depth ---------------------------------------------------------

// A channel value of `bits` bits widened as the reader's rule says: v x 255 / (2^bits - 1),
// rounded; 8 bits and more keep their top 8 bits.
int WidenedByRule(uint32_t v, int bits) {
  if (bits >= 8) return static_cast<int>(v >> (bits - 8));
  return static_cast<int>(std::lround(v * 255.0 / ((1 << bits) - 1)));
}

struct DepthCase {
  std::string name;
  TestBmpRecipe recipe;
  friend void PrintTo(const DepthCase& c, std::ostream* os) { *os << c.name; }
};

// The colour pixel (x, y) of `recipe` shows, worked out from the recipe alone.
testing::Rgb ExpectedColour(const TestBmpRecipe& recipe, int x, int y) {
  const uint32_t v = recipe.value(x, y);
  if (recipe.bit_count <= 8) {
    if (v >= recipe.palette.size()) return {};
    const auto& e = recipe.palette[v];
    return {e[2], e[1], e[0]};
  }
  if (recipe.bit_count == 24)
    return {static_cast<int>(v >> 16 & 0xFF), static_cast<int>(v >> 8 & 0xFF),
            static_cast<int>(v & 0xFF)};
  std::array<uint32_t, 3> masks = recipe.masks;
  if (recipe.compression != 3)
    masks = recipe.bit_count == 16 ? std::array<uint32_t, 3>{0x7C00, 0x03E0, 0x001F}
                                 : std::array<uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
  int channel[3];
  for (int i = 0; i < 3; ++i) {
    int shift = 0;
    while (((masks[i] >> shift) & 1) == 0) ++shift;
    int bits = 0;
    while (shift + bits < 32 && ((masks[i] >> (shift + bits)) & 1) != 0) ++bits;
    channel[i] = WidenedByRule((v & masks[i]) >> shift, bits);
  }
  return {channel[0], channel[1], channel[2]};
}

TestBmpRecipe PalettedSpec(int bits, int height, size_t colours, int width) {
  TestBmpRecipe s;
  s.width = width;
  s.height = height;
  s.bit_count = bits;
  const size_t full = size_t{1} << bits;
  s.palette = TestPalette(colours);
  s.colors_used = colours == full ? 0 : static_cast<uint32_t>(colours);
  s.value = [colours](int x, int y) { return static_cast<uint32_t>((x * 3 + y * 5) % colours); };
  return s;
}

TestBmpRecipe DirectSpec(int bits, int height, uint32_t compression, std::array<uint32_t, 3> masks,
                       int width, uint32_t value_mask) {
  TestBmpRecipe s;
  s.width = width;
  s.height = height;
  s.bit_count = bits;
  s.compression = compression;
  s.masks = masks;
  s.value = [value_mask](int x, int y) {
    return (static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u) &
           value_mask;
  };
  return s;
}

std::vector<DepthCase> DepthCases() {
  std::vector<DepthCase> cases;
  for (bool top_down : {false, true}) {
    const int h = top_down ? -5 : 5;
    const std::string order = top_down ? "_top_down" : "";
    auto add = [&](const std::string& name, TestBmpRecipe recipe) {
      cases.push_back({name + order, std::move(recipe)});
    };
    add("bpp1", PalettedSpec(1, h, 2, 13));
    add("bpp1_one_colour", PalettedSpec(1, h, 1, 9));
    add("bpp4", PalettedSpec(4, h, 16, 7));
    add("bpp4_five_colours", PalettedSpec(4, h, 5, 3));
    add("bpp8", PalettedSpec(8, h, 256, 5));
    add("bpp8_seven_colours", PalettedSpec(8, h, 7, 6));
    add("bpp16_555", DirectSpec(16, h, 0, {}, 5, 0x7FFF));
    add("bpp16_565_bit_fields", DirectSpec(16, h, 3, {0xF800, 0x07E0, 0x001F}, 5, 0xFFFF));
    add("bpp16_444_bit_fields", DirectSpec(16, h, 3, {0x0F00, 0x00F0, 0x000F}, 3, 0xFFFF));
    add("bpp24", DirectSpec(24, h, 0, {}, 5, 0xFFFFFF));
    add("bpp32", DirectSpec(32, h, 0, {}, 4, 0xFFFFFFFF));
    add("bpp32_bit_fields_rgb", DirectSpec(32, h, 3, {0xFF, 0xFF00, 0xFF0000}, 3, 0xFFFFFFFF));
    add("bpp32_bit_fields_10_bits", DirectSpec(32, h, 3, {0x3FF00000, 0xFFC00, 0x3FF}, 3,
                                               0xFFFFFFFF));
  }
  return cases;
}

Format FormatOf(const TestBmpRecipe& s) {
  Format f;
  f.width = static_cast<uint32_t>(s.width);
  f.height = static_cast<uint32_t>(std::abs(s.height));
  f.top_down = s.height < 0;
  f.bit_count = static_cast<uint16_t>(s.bit_count);
  f.compression = s.compression == 3 ? Compression::kBitFields : Compression::kRgb;
  f.masks = s.masks;
  for (const auto& e : s.palette) f.color_table.push_back({e[0], e[1], e[2], e[3]});
  f.store_full_color_count = s.colors_used != 0;
  return f;
}

class EveryDepth : public ::testing::TestWithParam<DepthCase> {};

TEST_P(EveryDepth, ReadsToTheColoursItWasBuiltWith) {
  const TestBmpRecipe& recipe = GetParam().recipe;
  const Image image = ReadImage(BuildTestBmp(recipe));
  EXPECT_EQ(image.header.width, static_cast<uint32_t>(recipe.width));
  EXPECT_EQ(image.header.height, static_cast<uint32_t>(std::abs(recipe.height)));
  EXPECT_EQ(image.header.top_down, recipe.height < 0);
  EXPECT_EQ(image.header.bit_count, recipe.bit_count);
  EXPECT_EQ(image.color_table.size(), recipe.palette.size());
  for (int y = 0; y < std::abs(recipe.height); ++y)
    for (int x = 0; x < recipe.width; ++x) {
      const ColorEntry c = image.ColorAt(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
      ASSERT_EQ((testing::Rgb{c.red, c.green, c.blue}), ExpectedColour(recipe, x, y))
          << "at " << x << "," << y;
      ASSERT_EQ(image.ValueAt(static_cast<uint32_t>(x), static_cast<uint32_t>(y)), recipe.value(x, y))
          << "at " << x << "," << y;
    }
}

// The writer makes, byte for byte, the file built independently from the same description
// (40-byte header, masks after it, the table as given, rows padded with zeros).
TEST_P(EveryDepth, WriterMakesTheSameBytesAsAnIndependentBuilder) {
  const TestBmpRecipe& recipe = GetParam().recipe;
  const Bytes built = BuildTestBmp(recipe);
  const Image image = ReadImage(built);
  Bytes written = WriteFile(FormatOf(recipe), image.rows);
  // The independent builder leaves the image size field 0; the writer fills it in.
  EXPECT_EQ(testing::GetLe32(written, 34), image.header.pixel_bytes);
  PutLe32(written, 34, 0);
  EXPECT_EQ(written, built);
}

TEST_P(EveryDepth, WrittenFileReadsBackUnchanged) {
  const TestBmpRecipe& recipe = GetParam().recipe;
  const Image image = ReadImage(BuildTestBmp(recipe));
  const Image back = ReadImage(WriteFile(FormatOf(recipe), image.rows));
  EXPECT_EQ(back.header.width, image.header.width);
  EXPECT_EQ(back.header.height, image.header.height);
  EXPECT_EQ(back.header.top_down, image.header.top_down);
  EXPECT_EQ(back.header.masks, image.header.masks);
  EXPECT_EQ(back.color_table, image.color_table);
  EXPECT_EQ(back.rows, image.rows);
}

INSTANTIATE_TEST_SUITE_P(Table, EveryDepth, ::testing::ValuesIn(DepthCases()),
                         [](const auto& row) { return row.param.name; });

TEST(Reading, LongerHeadersAndAGapBeforeTheRowsAreSkipped) {
  TestBmpRecipe s = PalettedSpec(4, 3, 16, 5);
  s.header_size = 108;
  s.gap = 37;
  const Image image = ReadImage(BuildTestBmp(s));
  EXPECT_EQ(image.header.info_size, 108u);
  EXPECT_EQ(image.header.pixel_offset, 14u + 108u + 64u + 37u);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const ColorEntry c = image.ColorAt(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
      EXPECT_EQ((testing::Rgb{c.red, c.green, c.blue}), ExpectedColour(s, x, y));
    }
}

TEST(Reading, AnIndexPastTheColourTableShowsBlack) {
  TestBmpRecipe s = PalettedSpec(8, 1, 3, 4);
  s.value = [](int x, int) { return static_cast<uint32_t>(x * 2); };  // 0, 2, 4, 6
  const Image image = ReadImage(BuildTestBmp(s));
  EXPECT_EQ(image.ColorAt(1, 0), (ColorEntry{Entry(2)[0], Entry(2)[1], Entry(2)[2], 0}));
  EXPECT_EQ(image.ColorAt(2, 0), ColorEntry{});
  EXPECT_EQ(image.ColorAt(3, 0), ColorEntry{});
}

TEST(Reading, TheStreamStopsRightAfterTheRows) {
  Bytes file = Paletted8();
  const size_t length = file.size();
  file.push_back(0xEE);
  MemorySource source(file);
  ReadImage(source);
  EXPECT_EQ(source.Position(), length);
}

// ---- writing ---------------------------------------------------------------------------------

TEST(Writing, AnEmptyImageHasHeadersAndNoRowsAndIsNotReadBack) {
  Format f;
  f.width = 0;
  f.height = 3;
  f.bit_count = 8;
  f.color_table.assign(2, ColorEntry{});
  const Bytes file = WriteFile(f, {});
  EXPECT_EQ(file.size(), 14u + 40u + 8u);
  EXPECT_EQ(testing::GetLe32(file, 2), file.size());
  EXPECT_EQ(ErrorOf(file), Error::kWidth);
}

TEST(Writing, FullColourTablesMayBeStoredWithAZeroCount) {
  Format f;
  f.width = 2;
  f.height = 2;
  f.bit_count = 1;
  f.color_table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  const Bytes rows(8, 0);
  EXPECT_EQ(testing::GetLe32(WriteFile(f, rows), 46), 2u);
  f.store_full_color_count = false;
  EXPECT_EQ(testing::GetLe32(WriteFile(f, rows), 46), 0u);
  f.color_table.pop_back();
  EXPECT_EQ(testing::GetLe32(WriteFile(f, Bytes(8, 0)), 46), 1u) << "a short table is counted";
}

struct BadFormatCase {
  const char* name;
  std::function<void(Format&)> change;
  Error expected;
  friend void PrintTo(const BadFormatCase& c, std::ostream* os) { *os << c.name; }
};

class BadFormat : public ::testing::TestWithParam<BadFormatCase> {};

TEST_P(BadFormat, IsRefusedBeforeAnythingIsWritten) {
  Format f;
  f.width = 3;
  f.height = 2;
  f.bit_count = 8;
  f.color_table.assign(4, ColorEntry{1, 2, 3, 0});
  ASSERT_NO_THROW(LayoutOf(f));
  GetParam().change(f);
  try {
    LayoutOf(f);
    ADD_FAILURE() << "the format was accepted";
  } catch (const BmpError& e) {
    EXPECT_EQ(e.error(), GetParam().expected) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadFormat,
    ::testing::Values(
        BadFormatCase{"width_beyond_int32", [](Format& f) { f.width = 0x80000000u; },
                      Error::kWidth},
        BadFormatCase{"height_beyond_int32", [](Format& f) { f.height = 0xFFFFFFFFu; },
                      Error::kHeight},
        BadFormatCase{"depth_2", [](Format& f) { f.bit_count = 2; }, Error::kBitCount},
        BadFormatCase{"rle8", [](Format& f) { f.compression = Compression::kRle8; },
                      Error::kCompression},
        BadFormatCase{"bit_fields_on_8_bits",
                      [](Format& f) { f.compression = Compression::kBitFields; },
                      Error::kBitFieldsDepth},
        BadFormatCase{"overlapping_masks",
                      [](Format& f) {
                        f.bit_count = 32;
                        f.color_table.clear();
                        f.compression = Compression::kBitFields;
                        f.masks = {0xFF0000, 0x01FF00, 0xFF};
                      },
                      Error::kMasksOverlap},
        BadFormatCase{"empty_colour_table", [](Format& f) { f.color_table.clear(); },
                      Error::kColorTableEmpty},
        BadFormatCase{"257_colours", [](Format& f) { f.color_table.resize(257); },
                      Error::kColorsUsed},
        BadFormatCase{"colour_table_on_24_bits", [](Format& f) { f.bit_count = 24; },
                      Error::kColorsUsed},
        BadFormatCase{"over_4_gib",
                      [](Format& f) {
                        f.bit_count = 32;
                        f.color_table.clear();
                        f.width = 65536;
                        f.height = 16384;
                      },
                      Error::kFileTooLarge}),
    [](const auto& row) { return std::string(row.param.name); });

// ---- files written by other programs ---------------------------------------------------------

class ToolWrittenFile : public ::testing::TestWithParam<testing::BmpFixture> {};

TEST_P(ToolWrittenFile, ReadsToThePixelsItWasDrawnWith) {
  const testing::BmpFixture& f = GetParam();
  bool ok = false;
  const Bytes file =
      testing::ReadFileBytes(testing::SourcePath("framework/tests/data/bmp/") + f.file, &ok);
  ASSERT_TRUE(ok) << f.file;
  const Image image = ReadImage(file);
  EXPECT_EQ(image.header.bit_count, f.bit_count);
  EXPECT_EQ(image.header.compression == Compression::kBitFields, f.bit_fields);
  EXPECT_EQ(image.color_table.size(), f.table_entries);
  ASSERT_EQ(image.header.width, static_cast<uint32_t>(testing::bmp_fixture::kWidth));
  ASSERT_EQ(image.header.height, static_cast<uint32_t>(testing::bmp_fixture::kHeight));
  for (int y = 0; y < testing::bmp_fixture::kHeight; ++y)
    for (int x = 0; x < testing::bmp_fixture::kWidth; ++x) {
      const ColorEntry c = image.ColorAt(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
      EXPECT_EQ((testing::Rgb{c.red, c.green, c.blue}), f.colour(x, y)) << "at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ToolWrittenFile, ::testing::ValuesIn(testing::BmpFixtures()),
                         [](const auto& row) {
                           std::string name = row.param.file;
                           return name.substr(0, name.find('.'));
                         });

// ---- saved fuzzer inputs ---------------------------------------------------------------------

// Every input the fuzzer ever found a fault with (framework/tests/data/bmp/regress), its seed
// corpus and the fixtures go through what the fuzz target does with an input.
TEST(Regress, EveryKnownInputIsHandled) {
  std::vector<std::string> inputs =
      testing::FilesIn(testing::SourcePath("framework/tests/data/bmp/regress"), "");
  for (const auto& f : testing::FilesIn(testing::SourcePath("framework/fuzz/corpus/bmp"), ""))
    inputs.push_back(f);
  for (const auto& f : testing::FilesIn(testing::SourcePath("framework/tests/data/bmp"), ".bmp"))
    inputs.push_back(f);
  ASSERT_GE(inputs.size(), 20u);
  size_t read = 0;
  for (const std::string& path : inputs) {
    SCOPED_TRACE(path);
    bool ok = false;
    const Bytes bytes = testing::ReadFileBytes(path, &ok);
    ASSERT_TRUE(ok);
    if (RunBmpWorkout(bytes.data(), bytes.size())) ++read;
  }
  EXPECT_GE(read, testing::BmpFixtures().size());
}

}  // namespace
}  // namespace vornada::bmp
