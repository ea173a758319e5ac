// Pixel work of the image-skinned controls: stretch maps, brightness, fade effects, opaque runs.
#include "SkPixels.h"

#include <algorithm>
#include <cstring>

namespace vornada::skin {

// ---- pictures --------------------------------------------------------------------------------

Picture24::Picture24(int w, int h)
    : width(std::max(w, 0)),
      height(std::max(h, 0)),
      bytes(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0) {}

PixelRows Picture24::Rows() {
  PixelRows rows;
  rows.top = bytes.empty() ? nullptr : bytes.data();
  rows.stride = static_cast<ptrdiff_t>(width) * 3;
  rows.width = width;
  rows.height = height;
  rows.pixel_bytes = 3;
  return rows;
}

int32_t Picture24::At(int x, int y) const {
  return ColourOf(&bytes.at((static_cast<size_t>(y) * width + x) * 3));
}

void Picture24::Set(int x, int y, int32_t colour) {
  uint8_t* p = &bytes.at((static_cast<size_t>(y) * width + x) * 3);
  p[0] = static_cast<uint8_t>((colour >> 16) & 0xFF);
  p[1] = static_cast<uint8_t>((colour >> 8) & 0xFF);
  p[2] = static_cast<uint8_t>(colour & 0xFF);
}

uint8_t ClampByte(int64_t value) {
  if (value > 255) return 255;
  if (value < 0) return 0;
  return static_cast<uint8_t>(value);
}

// ---- stretching a cell -----------------------------------------------------------------------

namespace {

void ClampInto(std::vector<int>& map, int size) {
  for (int& v : map) v = std::clamp(v, 0, size - 1);
}

}  // namespace

// Equal sizes map one to one. A narrower target keeps the cell's first columns and its last 5.
// A wider one walks the cell: the left half one to one, then the middle column repeats until
// the right half (minus its last 4 columns) fits in front of the last 4 columns of the cell.
std::vector<int> StretchColumnMap(int cell_width, int target_width) {
  if (cell_width <= 0 || target_width <= 0) return {};
  const int w = cell_width, d = target_width;
  std::vector<int> map(static_cast<size_t>(d));
  if (d <= w) {
    for (int x = 0; x < d; ++x) map[x] = (d < w && d > 5 && x >= d - 5) ? w - (d - x) : x;
  } else {
    const int half = w / 2 - 1;
    int s = 0;
    for (int x = 0; x < d; ++x) {
      map[x] = s;
      const int next = x + 1;
      if (s + 1 <= half || d - next < half + 2) ++s;
      if (next == d - 4) s = w - 4;
    }
  }
  // Cells narrower than 5 columns would send the last columns before the cell's first one.
  ClampInto(map, w);
  return map;
}

// Equal sizes map one to one. A lower target keeps the top rows up to the middle of the
// target, jumps to the cell's middle and ends on its last 3 rows. A higher one repeats the
// cell's middle row up to the target's middle, then the row below it, and ends on the last 3.
std::vector<int> StretchRowMap(int cell_height, int target_height) {
  if (cell_height <= 0 || target_height <= 0) return {};
  const int h = cell_height, t = target_height;
  std::vector<int> map(static_cast<size_t>(t));
  if (t == h) {
    for (int y = 0; y < t; ++y) map[y] = y;
  } else {
    const int v = h / 2 - 1, m = t / 2;
    int s = 0;
    for (int y = 0; y < t; ++y) {
      map[y] = s;
      const int next = y + 1;
      if (t < h) {
        if (s + 1 <= v || s > m) ++s;
        if (s == m) s = v;
      } else {
        if (s + 1 <= v || y == m || (t - next > 0 && t - next < 4)) ++s;
      }
      if (next == t - 3) s = h - 3;
    }
  }
  // Cells lower than 3 rows would send the last rows above the cell.
  ClampInto(map, h);
  return map;
}

void StretchCellRows(const PixelRows& skin, int cell_left, int cell_width, int cell_height,
                     const PixelRows& target) {
  if (target.Empty()) return;
  // The part of the cell that lies inside the skin.
  const int first_column = std::max(cell_left, 0);
  const int end_column =
      static_cast<int>(std::min<int64_t>(int64_t{cell_left} + cell_width, skin.width));
  const int rows = std::min(cell_height, skin.height);
  if (skin.Empty() || end_column <= first_column || rows <= 0) {
    for (int y = 0; y < target.height; ++y) {
      uint8_t* out = target.Row(y);
      for (int x = 0; x < target.width; ++x)
        std::memset(out + static_cast<ptrdiff_t>(x) * target.pixel_bytes, 0, 3);
    }
    return;
  }
  const std::vector<int> column_map = StretchColumnMap(cell_width, target.width);
  const std::vector<int> row_map = StretchRowMap(cell_height, target.height);
  std::vector<ptrdiff_t> source_offset(column_map.size());
  for (size_t x = 0; x < column_map.size(); ++x) {
    const int column =
        std::clamp(static_cast<int>(std::min<int64_t>(int64_t{cell_left} + column_map[x],
                                                      end_column - 1)),
                   first_column, end_column - 1);
    source_offset[x] = static_cast<ptrdiff_t>(column) * skin.pixel_bytes;
  }
  for (int y = 0; y < target.height; ++y) {
    const uint8_t* in = skin.Row(std::min(row_map[y], rows - 1));
    uint8_t* out = target.Row(y);
    for (int x = 0; x < target.width; ++x)
      std::memcpy(out + static_cast<ptrdiff_t>(x) * target.pixel_bytes, in + source_offset[x], 3);
  }
}

// ---- brightness ------------------------------------------------------------------------------

int BrightenDelta(int amount) { return static_cast<int>(int64_t{amount} * 255 / 200); }

void BrightenRows(const PixelRows& picture, int amount) {
  if (picture.Empty()) return;
  const int delta = BrightenDelta(amount);
  for (int y = 0; y < picture.height; ++y) {
    uint8_t* p = picture.Row(y);
    for (int x = 0; x < picture.width; ++x, p += picture.pixel_bytes)
      for (int c = 0; c < 3; ++c) p[c] = ClampByte(int64_t{p[c]} + delta);
  }
}

// ---- fades -----------------------------------------------------------------------------------

bool FadeStepDraws(TSkFadeFx fx, int states, int k) {
  if (static_cast<int>(fx) >= kSkFadeFxCount) return false;
  if (states <= 0 || k < 1 || k > states) return false;
  return !(fx == efxfInvert && k == states);
}

namespace {

constexpr int kBlue = 0, kGreen = 1, kRed = 2;

// Integer arithmetic of the effects: ÷ truncates toward zero, "mod 256" keeps the low 8 bits.
struct FadeMath {
  int64_t s, k;
  int64_t Low8(int64_t v) const { return v & 0xFF; }
  int64_t Mix(int64_t x, int64_t y) const { return Low8((x * (s - k) + y * k) / s); }
  // The start picture's channel weighted toward almost black: ((X div 128)(S-k) + X k) / S.
  int64_t Rise(int64_t x) const { return Low8(((x / 128) * (s - k) + x * k) / s); }
  int64_t P() const { return 100 / k; }
  int64_t R() const { return ((100 / k) * 255) / 100; }
};

uint8_t EffectChannel(TSkFadeFx fx, const FadeMath& f, const uint8_t* a, const uint8_t* b,
                      int c) {
  const int64_t av = a[c], bv = b[c];
  switch (fx) {
    case efxfTween:
      return static_cast<uint8_t>(f.Mix(av, bv));
    case efxfTweenFade:
      return static_cast<uint8_t>(f.Mix(av, f.Rise(bv)));
    case efxfFade1:
      return static_cast<uint8_t>(f.Mix(ClampByte(av + f.P()), f.Rise(av)));
    case efxfFade2:
    case efxfBuild:
      return static_cast<uint8_t>(f.Low8(av * f.k / f.s));
    case efxfInvert: {
      const int64_t q = 255 / (f.s - f.k);
      const int64_t t = 255 - f.Low8((ClampByte(q - bv) * (f.s - f.k) * f.k) / f.s);
      return static_cast<uint8_t>(f.Mix(av, t));
    }
    case efxfGreyscale: {
      const int64_t grey = (3 * int64_t{b[kRed]} + 4 * int64_t{b[kBlue]} + 2 * int64_t{b[kGreen]}) / 9;
      return static_cast<uint8_t>(f.Mix(av, f.Mix(grey, bv)));
    }
    case efxfMess: {
      const int64_t t = c == kRed ? f.Low8((f.s - f.k) * bv - bv)
                                  : f.Low8((f.s - f.k) * bv - bv / f.s);
      return static_cast<uint8_t>(f.Mix(av, t));
    }
    case efxfFlash:
      return static_cast<uint8_t>(f.Mix(ClampByte(av + f.R()), ClampByte(bv - f.R())));
    case efxfColour1:
      if (c == kBlue) return ClampByte(int64_t{b[kRed]} + a[kRed] - f.R());
      if (c == kGreen) return ClampByte(int64_t{a[kGreen]} + f.R());
      return ClampByte(int64_t{b[kRed]} - f.R());
    case efxfColour2:
      if (c == kBlue) return ClampByte(int64_t{a[kBlue]} - f.R());
      if (c == kGreen) return ClampByte(int64_t{b[kGreen]} + f.R());
      return ClampByte(int64_t{b[kRed]} - f.R());
  }
  return 0;
}

}  // namespace

bool FadePixel(TSkFadeFx fx, int states, int k, const uint8_t* from, const uint8_t* to,
               uint8_t* out) {
  if (!FadeStepDraws(fx, states, k)) return false;
  const FadeMath f{states, k};
  uint8_t p[3];
  for (int c = 0; c < 3; ++c) p[c] = EffectChannel(fx, f, from, to, c);
  std::memcpy(out, p, 3);
  return true;
}

long FadeFrame(TSkFadeFx fx, int states, int k, const PixelRows& from, const PixelRows& to,
               const PixelRows& frame) {
  if (!FadeStepDraws(fx, states, k) || frame.Empty()) return 0;
  const bool sources = !from.Empty() && !to.Empty();
  long written = 0;
  for (int y = 0; y < frame.height; ++y) {
    uint8_t* out = frame.Row(y);
    const uint8_t* a = sources && y < from.height ? from.Row(y) : nullptr;
    const uint8_t* b = sources && y < to.height ? to.Row(y) : nullptr;
    for (int x = 0; x < frame.width; ++x) {
      if (a == nullptr || b == nullptr || x >= from.width || x >= to.width) return written;
      FadePixel(fx, states, k, a + static_cast<ptrdiff_t>(x) * from.pixel_bytes,
                b + static_cast<ptrdiff_t>(x) * to.pixel_bytes,
                out + static_cast<ptrdiff_t>(x) * frame.pixel_bytes);
      ++written;
    }
  }
  return written;
}

// ---- regions ---------------------------------------------------------------------------------

RunScan ScanOpaqueRuns(const PixelRows& picture, int32_t transparent) {
  RunScan scan;
  if (picture.Empty()) return scan;
  for (int y = 0; y < picture.height; ++y) {
    const uint8_t* p = picture.Row(y);
    int start = -1;
    for (int x = 0; x < picture.width; ++x, p += picture.pixel_bytes) {
      const bool clear = ColourOf(p) == transparent;
      if (!clear) {
        scan.extent = std::max(scan.extent, x + 1);
        if (start < 0) start = x;
      } else if (start >= 0) {
        scan.runs.push_back({y, start, x});
        start = -1;
      }
    }
    if (start >= 0) scan.runs.push_back({y, start, picture.width});
  }
  return scan;
}

}  // namespace vornada::skin
