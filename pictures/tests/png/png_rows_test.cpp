// Row-level building blocks: unfiltering against a plain reference for every filter distance,
// filtering round trips, the filter choice, Adam7 geometry and pixel scatter/gather.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "png/PngFilters.h"
#include "png/PngRows.h"

namespace vornada::png {
namespace {

// The filter definitions of the PNG standard, byte by byte.
uint8_t ReferencePredictor(int type, int a, int b, int c) {
  switch (type) {
    case 1: return static_cast<uint8_t>(a);
    case 2: return static_cast<uint8_t>(b);
    case 3: return static_cast<uint8_t>((a + b) / 2);
    case 4: {
      int p = a + b - c;
      int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
      if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
      if (pb <= pc) return static_cast<uint8_t>(b);
      return static_cast<uint8_t>(c);
    }
    default: return 0;
  }
}

std::vector<uint8_t> ReferenceUnfilter(int type, std::vector<uint8_t> row,
                                       const std::vector<uint8_t>& prev, unsigned bpp) {
  for (size_t i = 0; i < row.size(); ++i) {
    int a = i >= bpp ? row[i - bpp] : 0;
    int c = i >= bpp ? prev[i - bpp] : 0;
    row[i] = static_cast<uint8_t>(row[i] + ReferencePredictor(type, a, prev[i], c));
  }
  return row;
}

std::vector<uint8_t> RandomBytes(std::mt19937& rng, size_t n, bool smooth) {
  std::vector<uint8_t> v(n);
  uint8_t last = 0;
  for (auto& b : v) {
    // Smooth rows make Paeth's ties and small differences frequent.
    b = smooth ? static_cast<uint8_t>(last + static_cast<int>(rng() % 5) - 2) : static_cast<uint8_t>(rng());
    last = b;
  }
  return v;
}

TEST(PngFilters, UnfilterMatchesTheStandardForEveryDistanceAndType) {
  std::mt19937 rng(7);
  for (unsigned bpp : {1u, 2u, 3u, 4u, 6u, 8u}) {
    for (size_t pixels : {1u, 2u, 5u, 33u, 100u}) {
      const size_t length = pixels * bpp;
      for (bool smooth : {false, true}) {
        const std::vector<uint8_t> prev = RandomBytes(rng, length, smooth);
        const std::vector<uint8_t> row = RandomBytes(rng, length, smooth);
        for (int type = 0; type <= 5; ++type) {
          SCOPED_TRACE(::testing::Message() << "bpp " << bpp << " pixels " << pixels << " type " << type);
          std::vector<uint8_t> ours = row;
          UnfilterRow(static_cast<uint8_t>(type), ours.data(), prev.data(), length, bpp);
          EXPECT_EQ(ours, ReferenceUnfilter(type, row, prev, bpp));
        }
      }
    }
  }
}

TEST(PngFilters, PaethTieOrderIsLeftThenUpThenUpperLeft) {
  // a = b = c: all distances 0 -> a. a = 10, b = 20, c = 15: p = 15, pa = 5, pb = 5 -> a.
  // a = 20, b = 10, c = 15: pa = 5, pb = 5, pc = 0 -> c. a = 0, b = 4, c = 2: pa = pb = pc = 2 -> a
  // (b and c equal too). These cases are covered bytewise by one row of distance 1.
  std::vector<uint8_t> prev = {0, 20, 15, 10, 15, 4, 2};
  std::vector<uint8_t> row = {0, 0, 0, 0, 0, 0, 0};
  row[0] = 5;
  std::vector<uint8_t> ours = row;
  UnfilterRow(kFilterPaeth, ours.data(), prev.data(), row.size(), 1);
  EXPECT_EQ(ours, ReferenceUnfilter(4, row, prev, 1));
}

TEST(PngFilters, FilteringIsUndoneByUnfiltering) {
  std::mt19937 rng(11);
  for (unsigned bpp : {1u, 2u, 3u, 4u, 6u, 8u}) {
    const size_t length = 41 * bpp;
    const std::vector<uint8_t> prev = RandomBytes(rng, length, true);
    const std::vector<uint8_t> raw = RandomBytes(rng, length, true);
    for (uint8_t type = 0; type <= 4; ++type) {
      std::vector<uint8_t> filtered(length);
      FilterRow(type, raw.data(), prev.data(), length, bpp, filtered.data());
      UnfilterRow(type, filtered.data(), prev.data(), length, bpp);
      EXPECT_EQ(filtered, raw) << "bpp " << bpp << " type " << int(type);
    }
  }
}

TEST(PngFilters, ChoiceStaysWithinTheAllowedSetAndPrefersSmallSums) {
  const std::vector<uint8_t> prev = {10, 20, 30, 40, 50, 60, 70, 80};
  const std::vector<uint8_t> same = prev;  // Up gives all zeros
  std::vector<uint8_t> out(9), scratch(9);
  ChooseAndFilterRow(kAllFilters, same.data(), prev.data(), 8, 1, out.data(), scratch.data());
  EXPECT_EQ(out[0], kFilterUp);
  EXPECT_EQ(std::vector<uint8_t>(out.begin() + 1, out.end()), std::vector<uint8_t>(8, 0));
  ChooseAndFilterRow(FilterBit(kFilterSub), same.data(), prev.data(), 8, 1, out.data(), scratch.data());
  EXPECT_EQ(out[0], kFilterSub);  // steps of 10 beat the raw values
  EXPECT_EQ(out[3], 10);
  ChooseAndFilterRow(0, same.data(), prev.data(), 8, 1, out.data(), scratch.data());
  EXPECT_EQ(out[0], kFilterNone);
  EXPECT_EQ(out[8], 80);
  // Small raw values: unfiltered wins over Sub's larger differences.
  const std::vector<uint8_t> small = {0, 3, 0, 3, 0, 3, 0, 3};
  ChooseAndFilterRow(FilterBit(kFilterSub), small.data(), prev.data(), 8, 1, out.data(), scratch.data());
  EXPECT_EQ(out[0], kFilterNone);
}

TEST(PngRows, Adam7PassesCoverEveryPixelOnce) {
  for (auto [w, h] : {std::pair{1u, 1u}, std::pair{3u, 2u}, std::pair{8u, 8u}, std::pair{37u, 23u},
                      std::pair{1u, 9u}, std::pair{65535u, 1u}}) {
    uint64_t total = 0;
    for (int p = 0; p < 7; ++p) {
      InterlacePass pass = Adam7Pass(p, w, h);
      if (pass.columns == 0) continue;
      total += uint64_t{pass.columns} * pass.rows;
      EXPECT_LT(pass.x0 + (pass.columns - 1) * pass.dx, w);
      if (pass.rows) {
        EXPECT_LT(pass.y0 + (pass.rows - 1) * pass.dy, h);
      }
    }
    EXPECT_EQ(total, uint64_t{w} * h) << w << "x" << h;
  }
  InterlacePass first = Adam7Pass(0, 1, 1);
  EXPECT_EQ(first.columns, 1u);
  EXPECT_EQ(Adam7Pass(1, 4, 4).columns, 0u);  // column 4 does not exist
  EXPECT_EQ(Adam7Pass(6, 3, 1).rows, 0u);
}

TEST(PngRows, ScatterAndGatherMoveWholePixels) {
  for (unsigned bits : {1u, 4u, 8u, 24u}) {
    const uint32_t width = 19, count = 5, x0 = 2, dx = 4;
    std::vector<uint8_t> packed(StoreRowBytes(bits, count)), alpha = {1, 2, 3, 4, 5};
    for (uint32_t i = 0; i < count; ++i) WriteStorePixel(bits, packed.data(), i, 0xABCDEF + i);
    std::vector<uint8_t> row(StoreRowBytes(bits, width), 0), alpha_row(width, 0);
    ScatterPixels(bits, packed.data(), alpha.data(), count, x0, dx, row.data(), alpha_row.data());
    for (uint32_t x = 0; x < width; ++x) {
      const bool placed = x >= x0 && (x - x0) % dx == 0 && (x - x0) / dx < count;
      const uint32_t mask = bits == 24 ? 0xFFFFFF : (1u << bits) - 1;
      EXPECT_EQ(ReadStorePixel(bits, row.data(), x), placed ? (0xABCDEF + (x - x0) / dx) & mask : 0u)
          << bits << " bits, x " << x;
      EXPECT_EQ(alpha_row[x], placed ? alpha[(x - x0) / dx] : 0);
    }
    std::vector<uint8_t> back(packed.size(), 0xFF), back_alpha(count);
    GatherPixels(bits, row.data(), alpha_row.data(), count, x0, dx, back.data(), back_alpha.data());
    EXPECT_EQ(back_alpha, alpha);
    for (uint32_t i = 0; i < count; ++i)
      EXPECT_EQ(ReadStorePixel(bits, back.data(), i), ReadStorePixel(bits, packed.data(), i));
  }
}

TEST(PngRows, ColourFormatsAllowedByTheStandard) {
  int allowed = 0;
  for (int type = 0; type < 256; ++type)
    for (int depth = 0; depth < 256; ++depth)
      allowed += IsValidColourFormat(static_cast<uint8_t>(type), static_cast<uint8_t>(depth));
  EXPECT_EQ(allowed, 5 + 4 + 2 + 2 + 2);
  EXPECT_TRUE(IsValidColourFormat(0, 2));
  EXPECT_FALSE(IsValidColourFormat(2, 4));
  EXPECT_FALSE(IsValidColourFormat(3, 16));
  EXPECT_FALSE(IsValidColourFormat(4, 4));
}

}  // namespace
}  // namespace vornada::png
