// Helpers shared by the GIF core tests (see GifTestSupport.h).
#include "GifTestSupport.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "gif/GifLzw.h"

namespace vornada::gif::test {

std::string FixtureDir() { return vornada::testing::SourcePath("pictures/tests/data/gif"); }
std::string FixturePath(const std::string& name) { return FixtureDir() + "/" + name; }
std::string RegressionDir() { return FixtureDir() + "/regress"; }

std::vector<ExpectedFrame> ReadExpectation(const std::string& expect_path) {
  std::ifstream in(expect_path);
  if (!in) throw std::runtime_error("cannot open " + expect_path);
  std::string word;
  size_t count = 0;
  in >> word >> count;
  if (word != "frames") throw std::runtime_error("bad expectation file " + expect_path);
  std::vector<ExpectedFrame> frames(count);
  for (ExpectedFrame& f : frames) {
    int damaged = 0;
    in >> word >> f.left >> f.top >> f.width >> f.height >> damaged;
    if (word != "frame") throw std::runtime_error("bad expectation file " + expect_path);
    f.damaged = damaged != 0;
    f.indices.reserve(size_t{f.width} * f.height);
    for (uint32_t y = 0; y < f.height; ++y) {
      std::string row;
      in >> row;
      if (row.size() != size_t{f.width} * 2) throw std::runtime_error("bad row in " + expect_path);
      for (uint32_t x = 0; x < f.width; ++x) {
        f.indices.push_back(static_cast<uint8_t>(std::stoi(row.substr(2 * x, 2), nullptr, 16)));
      }
    }
  }
  return frames;
}

std::vector<uint8_t> IndicesOf(const FrameBitmap& bitmap) {
  std::vector<uint8_t> out;
  out.reserve(size_t{bitmap.Width()} * bitmap.Height());
  for (uint32_t y = 0; y < bitmap.Height(); ++y) {
    for (uint32_t x = 0; x < bitmap.Width(); ++x) out.push_back(bitmap.IndexAt(x, y));
  }
  return out;
}

FrameBitmap MakeBitmap(int bit_count, uint32_t width, uint32_t height,
                       const std::vector<uint8_t>& indices, const ColorMap& map) {
  FrameBitmap b = FrameBitmap::Create(ComputeBitmapLayout(bit_count, width, height, Limits{}), map);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) b.SetIndexAt(x, y, indices[size_t{y} * width + x]);
  }
  return b;
}

ColorMap MakeMap(std::initializer_list<Color> colors) {
  ColorMap m;
  for (Color c : colors) m.entries[m.count++] = RgbEntry{RedOf(c), GreenOf(c), BlueOf(c)};
  return m;
}

ColorMap GrayMap(uint32_t count) {
  ColorMap m;
  m.count = count;
  for (uint32_t i = 0; i < count; ++i) {
    const auto v = static_cast<uint8_t>(i * 255 / (count - 1));
    m.entries[i] = RgbEntry{v, v, v};
  }
  return m;
}

std::string LoadMessage(GifPicture& picture, const std::vector<uint8_t>& bytes,
                        bool decode_first) {
  try {
    picture.Load(bytes, decode_first);
  } catch (const GifError& e) {
    return e.what();
  }
  return "";
}

GifBytes& GifBytes::Raw(std::initializer_list<uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes);
  return *this;
}
GifBytes& GifBytes::Raw(const std::vector<uint8_t>& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}
GifBytes& GifBytes::Text(const std::string& text) {
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  return *this;
}
GifBytes& GifBytes::Word(uint32_t value) {
  bytes_.push_back(static_cast<uint8_t>(value));
  bytes_.push_back(static_cast<uint8_t>(value >> 8));
  return *this;
}

namespace {
void PutMap(std::vector<uint8_t>& out, const ColorMap& map) {
  for (uint32_t i = 0; i < map.count; ++i) {
    out.push_back(map.entries[i].red);
    out.push_back(map.entries[i].green);
    out.push_back(map.entries[i].blue);
  }
}
}  // namespace

GifBytes& GifBytes::Screen(uint16_t width, uint16_t height, const ColorMap& global,
                           uint8_t background, const char* version) {
  Text("GIF").Text(version).Word(width).Word(height);
  if (global.count > 0) {
    const int bits = BitsForCount(global.count);
    bytes_.push_back(static_cast<uint8_t>(0x80 | ((bits - 1) << 4) | (bits - 1)));
  } else {
    bytes_.push_back(0);
  }
  bytes_.push_back(background);
  bytes_.push_back(0);
  PutMap(bytes_, global);
  return *this;
}

GifBytes& GifBytes::Control(uint16_t delay, uint8_t disposal, int trans_index) {
  const uint8_t packed = static_cast<uint8_t>((disposal << 2) | (trans_index >= 0 ? 1 : 0));
  Raw({'!', 0xF9, 4, packed});
  Word(delay);
  return Raw({static_cast<uint8_t>(trans_index >= 0 ? trans_index : 0), 0});
}

GifBytes& GifBytes::Comment(std::initializer_list<std::string> lines) {
  Raw({'!', 0xFE});
  for (const std::string& line : lines) {
    bytes_.push_back(static_cast<uint8_t>(line.size()));
    Text(line);
  }
  return Raw({0});
}

GifBytes& GifBytes::Loop(uint16_t count, const char* id) {
  Raw({'!', 0xFF, 11}).Text(id).Raw({3, 1});
  return Word(count).Raw({0});
}

GifBytes& GifBytes::Image(uint16_t left, uint16_t top, uint16_t width, uint16_t height,
                          const std::vector<uint8_t>& encoded, const ColorMap& local,
                          bool interlaced) {
  Raw({','}).Word(left).Word(top).Word(width).Word(height);
  uint8_t packed = interlaced ? 0x40 : 0;
  if (local.count > 0) packed |= static_cast<uint8_t>(0x80 | (BitsForCount(local.count) - 1));
  bytes_.push_back(packed);
  PutMap(bytes_, local);
  return Raw(encoded);
}

std::vector<uint8_t> Encode(int bit_count, uint32_t width, uint32_t height,
                            const std::vector<uint8_t>& indices) {
  ColorMap map = GrayMap(1u << bit_count);
  FrameBitmap b = MakeBitmap(bit_count, width, height, indices, map);
  ConstPixelRows rows;
  rows.pixels = b.Pixels();
  rows.stride = b.Stride();
  rows.bit_count = bit_count;
  rows.width = width;
  rows.height = height;
  rows.bottom_up = true;
  return EncodeLzw(rows);
}

CodeStream& CodeStream::Code(uint32_t code, int size) {
  acc_ |= static_cast<uint64_t>(code) << bits_;
  bits_ += size;
  while (bits_ >= 8) {
    bytes_.push_back(static_cast<uint8_t>(acc_));
    acc_ >>= 8;
    bits_ -= 8;
  }
  return *this;
}

std::vector<uint8_t> CodeStream::Encoded(size_t block_size) const {
  std::vector<uint8_t> data = bytes_;
  if (bits_ > 0) data.push_back(static_cast<uint8_t>(acc_));
  std::vector<uint8_t> out{static_cast<uint8_t>(min_code_size_)};
  for (size_t i = 0; i < data.size(); i += block_size) {
    const size_t n = std::min(block_size, data.size() - i);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
               data.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  out.push_back(0);
  return out;
}

}  // namespace vornada::gif::test
