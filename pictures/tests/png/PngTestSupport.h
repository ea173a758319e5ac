// Helpers of the PNG core tests (the general ones, such as paths in the source tree and file
// reading, are the shared test support's): fixture and suite paths, loading and saving through
// memory, a small independent chunk walker, and PNG assembly for hand-made inputs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "png/PngErrors.h"
#include "png/PngPicture.h"

namespace vornada::png::test {

using vornada::testing::FileNamesIn;
using vornada::testing::RequireFileBytes;

std::string FixturePath(const std::string& name);     // pictures/tests/data/png/NAME
std::string RegressionDir();                          // pictures/tests/data/png/regress
std::string SuiteDir();                               // pictures/tests/data/pngsuite
std::string SuitePath(const std::string& name);
// Sorted names of the *.png files of a directory.
inline std::vector<std::string> PngFilesIn(const std::string& dir) { return FileNamesIn(dir, ".png"); }

struct LoadOutcome {
  bool ok = false;
  ErrorKind kind = ErrorKind::Error;
  std::string message;
};
LoadOutcome LoadBytes(PngPicture& picture, const std::vector<uint8_t>& bytes);
// Loads a fixture or fails the calling test.
void LoadFixture(PngPicture& picture, const std::string& path);
std::vector<uint8_t> SaveBytes(PngPicture& picture);

// Chunks of a PNG file, read without the core.
struct RawChunk {
  std::string type;
  std::vector<uint8_t> data;
  uint32_t crc = 0;
};
std::vector<RawChunk> WalkChunks(const std::vector<uint8_t>& png);
// The concatenated IDAT data of a PNG, inflated with zlib.
std::vector<uint8_t> InflateIdat(const std::vector<uint8_t>& png);

// Assembles a PNG file with correct CRCs.
std::vector<uint8_t> BuildPng(const std::vector<RawChunk>& chunks);
std::vector<uint8_t> HeaderData(uint32_t width, uint32_t height, uint8_t depth, uint8_t colour,
                                uint8_t interlace = 0);
std::vector<uint8_t> Compress(const std::vector<uint8_t>& raw);

// CRC-32 of a byte block (for pixel digests).
uint32_t Crc32(const std::vector<uint8_t>& bytes);

}  // namespace vornada::png::test
