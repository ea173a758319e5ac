// Tests of the portable icon-file reading and writing (native under the sanitizers, and under
// Wine): the directory and where the file ends, the checks that refuse malformed directories and
// images, the choice of the image nearest to a wanted size, and the layout of a written file.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "IconFile.h"
#include "IconTestFiles.h"
#include "SysUtils.h"

namespace vornada::icon {
namespace {

using testing::IconFileBytes;
using testing::IconImageSpec;

IconImageSpec Solid(int w, int h, int bits) {
  IconImageSpec s;
  s.width = w;
  s.height = h;
  s.bits = bits;
  s.colour = [](int x, int y) { return static_cast<uint32_t>(x * 7 + y); };
  s.masked = [](int x, int) { return x % 3 == 0; };
  s.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  s.index = [](int x, int y) { return (x + y) % 2; };
  return s;
}

TEST(IconDirectory, EntriesAndTheFileEnd) {
  const std::vector<uint8_t> file = IconFileBytes({Solid(16, 16, 24), Solid(32, 32, 8), Solid(256, 256, 32)});
  const std::vector<IconEntry> entries = ParseDirectory(file.data(), file.size());
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].width, 16);
  EXPECT_EQ(entries[1].bit_count, 8);
  EXPECT_EQ(entries[2].width, 256) << "0 in the directory means 256";
  EXPECT_EQ(entries[0].offset, 6u + 3 * 16);
  EXPECT_EQ(FileEnd(entries), file.size());
  for (const IconEntry& e : entries) {
    const ImageInfo info = CheckImage(file.data(), file.size(), e);
    EXPECT_FALSE(info.png);
    EXPECT_EQ(info.width, e.width);
    EXPECT_EQ(info.height, e.height);
  }
}

// One byte or field changed at a time; each must be refused.
struct Damage {
  const char* name;
  std::function<void(std::vector<uint8_t>&)> apply;
  bool in_directory;  // refused by ParseDirectory (else by CheckImage)
  friend void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }
};
void Set32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
class IconDamage : public ::testing::TestWithParam<Damage> {};
TEST_P(IconDamage, IsRefused) {
  std::vector<uint8_t> file = IconFileBytes({Solid(16, 16, 24)});
  GetParam().apply(file);
  try {
    const std::vector<IconEntry> entries = ParseDirectory(file.data(), file.size());
    ASSERT_FALSE(GetParam().in_directory) << "the directory passed";
    CheckImage(file.data(), file.size(), entries.at(0));
    ADD_FAILURE() << "the image passed";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(std::string(e.what()), "Invalid icon");
  }
}
constexpr size_t kImage = 6 + 16;  // where the only image starts
INSTANTIATE_TEST_SUITE_P(
    Cases, IconDamage,
    ::testing::Values(
        Damage{"reserved_not_zero", [](auto& f) { f[0] = 1; }, true},
        Damage{"a_cursor", [](auto& f) { f[2] = 2; }, true},
        Damage{"no_entries", [](auto& f) { f[4] = 0; }, true},
        Damage{"more_entries_than_bytes", [](auto& f) { f[4] = 200; }, true},
        Damage{"too_many_entries", [](auto& f) { f[4] = 0xFF; f[5] = 0xFF; }, true},
        Damage{"truncated_header", [](auto& f) { f.resize(4); }, true},
        Damage{"image_inside_directory", [](auto& f) { Set32(f, 6 + 12, 10); }, true},
        Damage{"empty_image", [](auto& f) { Set32(f, 6 + 8, 0); }, true},
        Damage{"image_past_any_size", [](auto& f) { Set32(f, 6 + 8, 0x7FFFFFFF); }, true},
        Damage{"image_past_the_file", [](auto& f) { f.resize(f.size() - 1); }, false},
        Damage{"short_header", [](auto& f) { Set32(f, kImage, 12); }, false},
        Damage{"header_past_image", [](auto& f) { Set32(f, kImage, 5000); }, false},
        Damage{"odd_height", [](auto& f) { Set32(f, kImage + 8, 31); }, false},
        Damage{"zero_width", [](auto& f) { Set32(f, kImage + 4, 0); }, false},
        Damage{"too_wide", [](auto& f) { Set32(f, kImage + 4, 300); }, false},
        Damage{"rows_past_the_image", [](auto& f) { Set32(f, kImage + 8, 64); }, false},
        Damage{"sixteen_bits", [](auto& f) { f[kImage + 14] = 16; }, false},
        Damage{"compressed", [](auto& f) { f[kImage + 16] = 1; }, false},
        Damage{"two_planes", [](auto& f) { f[kImage + 12] = 2; }, false}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(IconImage, PaletteLargerThanItsDepthIsRefused) {
  std::vector<uint8_t> file = IconFileBytes({Solid(8, 8, 1)});
  Set32(file, kImage + 32, 3);  // three colours for one bit
  const std::vector<IconEntry> entries = ParseDirectory(file.data(), file.size());
  EXPECT_THROW(CheckImage(file.data(), file.size(), entries[0]), EInvalidGraphic);
}

TEST(IconImage, PngImagesAreTakenByTheirHeader) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13,
                              'I', 'H', 'D', 'R', 0, 0, 0, 48, 0, 0, 0, 40, 8, 6, 0, 0, 0};
  std::vector<uint8_t> file = {0, 0, 1, 0, 1, 0, 48, 40, 0, 0, 1, 0, 32, 0};
  testing::Put32(file, static_cast<uint32_t>(png.size()));
  testing::Put32(file, 22);
  file.insert(file.end(), png.begin(), png.end());
  const std::vector<IconEntry> entries = ParseDirectory(file.data(), file.size());
  const ImageInfo info = CheckImage(file.data(), file.size(), entries[0]);
  EXPECT_TRUE(info.png);
  EXPECT_EQ(info.width, 48);
  EXPECT_EQ(info.height, 40);
  file[22 + 19] = 0;  // width 0
  EXPECT_THROW(CheckImage(file.data(), file.size(), entries[0]), EInvalidGraphic);
}

TEST(IconChoice, NearestSizeThenLargerThenDeeper) {
  auto entry = [](int w, int bits) { return IconEntry{w, w, bits, 1, 100}; };
  struct Case {
    std::vector<IconEntry> entries;
    int wanted;
    size_t chosen;
  };
  const Case cases[] = {
      {{entry(16, 32), entry(32, 32), entry(48, 32)}, 32, 1},
      {{entry(16, 32), entry(32, 32), entry(48, 32)}, 20, 0},
      {{entry(16, 32), entry(48, 32)}, 32, 1},  // equally far: the larger one
      {{entry(32, 8), entry(32, 32), entry(32, 24)}, 32, 1},  // same size: the deepest
      {{entry(32, 32), entry(32, 32)}, 32, 0},  // a tie: the first
      {{entry(256, 32)}, 16, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseEntry(c.entries, c.wanted, c.wanted), c.chosen);
}

TEST(IconWriting, OneThirtyTwoBitImageWithItsMask) {
  const int w = 3, h = 2;
  // Pixels top-down: blue, green, red, alpha.
  const std::vector<uint8_t> bgra = {1, 2, 3, 4,    5, 6, 7, 8,    9, 10, 11, 12,
                                     13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
  const std::vector<uint8_t> mask = {1, 0, 0, 0, 0, 1};
  const std::vector<uint8_t> file = BuildIconFile(w, h, bgra, mask);
  const size_t image = 6 + 16;
  ASSERT_EQ(file.size(), image + 40 + 3 * 4 * 2 + 4 * 2);
  const std::vector<IconEntry> entries = ParseDirectory(file.data(), file.size());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].width, 3);
  EXPECT_EQ(entries[0].bit_count, 32);
  EXPECT_EQ(FileEnd(entries), file.size());
  EXPECT_EQ(file[image + 8], 4) << "height counts colour and mask rows";
  // Colour rows bottom-up: the second picture row comes first.
  EXPECT_EQ(file[image + 40], 13);
  EXPECT_EQ(file[image + 40 + 12], 1);
  // Mask rows bottom-up, one bit per pixel from the top bit, padded to 4 bytes.
  EXPECT_EQ(file[image + 40 + 24], 0x20) << "row 1: pixel 2 masked";
  EXPECT_EQ(file[image + 40 + 28], 0x80) << "row 0: pixel 0 masked";
  EXPECT_EQ(CheckImage(file.data(), file.size(), entries[0]).height, 2);
  EXPECT_THROW(BuildIconFile(0, 2, {}, {}), EInvalidGraphic);
  EXPECT_THROW(BuildIconFile(3, 2, bgra, {}), EInvalidGraphic);
}

}  // namespace
}  // namespace vornada::icon
