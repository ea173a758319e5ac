// The bitmap files that Pillow and ImageMagick wrote for the tests (framework/tests/data/bmp,
// made by make_fixtures.py there) and the colour every pixel of each must show, computed here
// from the same formulas the generator drew with. Portable: used by the native tests of the
// bitmap-file core and by the bitmap class's tests under Wine.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace vornada::testing {

struct Rgb {
  int red = 0, green = 0, blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace bmp_fixture {

constexpr int kWidth = 7, kHeight = 5;

inline Rgb Direct(int x, int y) {
  return {(x * 40 + 15) % 256, (y * 60 + 30) % 256, ((x + y) * 25 + 5) % 256};
}
// Level k of a channel of `levels` levels, as the rule widens it to 8 bits: k x 255 / (levels-1),
// rounded.
inline int Widened(int k, int levels) {
  return static_cast<int>(std::lround(k * 255.0 / (levels - 1)));
}
inline Rgb Levels555(int x, int y) {
  return {Widened((x * 4 + y) % 32, 32), Widened((x * 3 + y * 7) % 32, 32),
          Widened((x + y * 6) % 32, 32)};
}
inline Rgb Levels565(int x, int y) {
  return {Widened((x * 4 + y) % 32, 32), Widened((x * 9 + y * 5) % 64, 64),
          Widened((x + y * 6) % 32, 32)};
}
inline Rgb Palette6(int i) { return {i * 40, 255 - i * 30, (i * i * 7) % 256}; }
inline Rgb Palette10(int i) { return {(i * 25) % 256, 200 - i * 17, (i * 61 + 3) % 256}; }
inline Rgb Gray(int x, int y) {
  const int v = (x * 30 + y * 45) % 256;
  return {v, v, v};
}
inline Rgb OneBit(int x, int y) {
  const int v = (x * y + x) % 3 == 0 ? 255 : 0;
  return {v, v, v};
}

}  // namespace bmp_fixture

struct BmpFixture {
  const char* file;  // in framework/tests/data/bmp
  int bit_count;
  bool bit_fields;
  size_t table_entries;  // colour-table entries stored in the file
  std::function<Rgb(int x, int y)> colour;
};

// The files that read, every one 7 x 5 pixels.
inline std::vector<BmpFixture> BmpFixtures() {
  using namespace bmp_fixture;
  return {
      {"pil_1bit.bmp", 1, false, 2, OneBit},
      {"im_4bit.bmp", 4, false, 16, [](int x, int y) { return Palette10((x + 3 * y) % 10); }},
      {"pil_8bit_gray.bmp", 8, false, 256, Gray},
      {"pil_8bit_6_colours.bmp", 8, false, 6,
       [](int x, int y) { return Palette6((x + 2 * y) % 6); }},
      {"im_16bit_555_v5.bmp", 16, true, 0, Levels555},
      {"im_16bit_565_v5.bmp", 16, true, 0, Levels565},
      {"pil_24bit.bmp", 24, false, 0, Direct},
      {"pil_32bit.bmp", 32, false, 0, Direct},
      {"im_32bit_alpha_v5.bmp", 32, true, 0, Direct},
  };
}

}  // namespace vornada::testing
