// Helpers of the GIF core tests (the general ones, such as paths in the source tree and file
// reading, are the shared test support's): fixture paths, the expectation files written by the
// fixture generator, frame pixel extraction, and assembly of hand-made GIFs (blocks and raw
// LZW code streams) for inputs that no encoder writes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "gif/GifBitmap.h"
#include "gif/GifPicture.h"

namespace vornada::gif::test {

using vornada::testing::FilesIn;
using vornada::testing::RequireFileBytes;

std::string FixtureDir();                          // pictures/tests/data/gif
std::string FixturePath(const std::string& name);  // pictures/tests/data/gif/NAME
std::string RegressionDir();                       // pictures/tests/data/gif/regress

// NAME.expect: the frames a decoder must give for fixture NAME.gif.
struct ExpectedFrame {
  int left = 0;
  int top = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  bool damaged = false;
  std::vector<uint8_t> indices;  // width * height, rows top-down
};
std::vector<ExpectedFrame> ReadExpectation(const std::string& expect_path);

// The colour indices of a bitmap, rows top-down.
std::vector<uint8_t> IndicesOf(const FrameBitmap& bitmap);
// An 8-bit, 4-bit or 1-bit bitmap holding `indices` (rows top-down) and `map`.
FrameBitmap MakeBitmap(int bit_count, uint32_t width, uint32_t height,
                       const std::vector<uint8_t>& indices, const ColorMap& map);
ColorMap MakeMap(std::initializer_list<Color> colors);
ColorMap GrayMap(uint32_t count);

// Loads `bytes`; returns the error message, or "" on success.
std::string LoadMessage(GifPicture& picture, const std::vector<uint8_t>& bytes,
                        bool decode_first = true);

// Assembly of GIF streams block by block.
class GifBytes {
 public:
  GifBytes& Raw(std::initializer_list<uint8_t> bytes);
  GifBytes& Raw(const std::vector<uint8_t>& bytes);
  GifBytes& Text(const std::string& text);
  GifBytes& Word(uint32_t value);
  // "GIF89a" (or the given version), logical screen descriptor and global map.
  GifBytes& Screen(uint16_t width, uint16_t height, const ColorMap& global,
                   uint8_t background = 0, const char* version = "89a");
  GifBytes& Control(uint16_t delay, uint8_t disposal, int trans_index = -1);
  GifBytes& Comment(std::initializer_list<std::string> lines);
  GifBytes& Loop(uint16_t count, const char* id = "NETSCAPE2.0");
  // Image descriptor (with a local map when `local` has entries) and the encoded data given
  // (minimum code size, sub-blocks, terminator).
  GifBytes& Image(uint16_t left, uint16_t top, uint16_t width, uint16_t height,
                  const std::vector<uint8_t>& encoded, const ColorMap& local = ColorMap{},
                  bool interlaced = false);
  GifBytes& Trailer() { return Raw({';'}); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Encoded data for `indices` (rows top-down) through the core's encoder at `bit_count`.
std::vector<uint8_t> Encode(int bit_count, uint32_t width, uint32_t height,
                            const std::vector<uint8_t>& indices);

// A hand-written LZW code stream: codes of explicit sizes, packed least significant bit first,
// then wrapped as minimum code size byte + sub-blocks + terminator.
class CodeStream {
 public:
  explicit CodeStream(int min_code_size) : min_code_size_(min_code_size) {}
  CodeStream& Code(uint32_t code, int size);
  std::vector<uint8_t> Encoded(size_t block_size = 255) const;

 private:
  int min_code_size_;
  std::vector<uint8_t> bytes_;
  uint64_t acc_ = 0;
  int bits_ = 0;
};

}  // namespace vornada::gif::test
