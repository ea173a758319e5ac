// Helpers shared by the PNG core tests.
#include "PngTestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace vornada::png::test {

std::string FixturePath(const std::string& name) {
  return vornada::testing::SourcePath("pictures/tests/data/png/" + name);
}

std::string RegressionDir() { return FixturePath("regress"); }

std::string SuiteDir() { return vornada::testing::SourcePath("pictures/tests/data/pngsuite"); }

std::string SuitePath(const std::string& name) { return SuiteDir() + "/" + name; }

LoadOutcome LoadBytes(PngPicture& picture, const std::vector<uint8_t>& bytes) {
  MemorySource source(bytes.data(), bytes.size());
  LoadOutcome outcome;
  try {
    picture.LoadFromStream(source);
    outcome.ok = true;
  } catch (const PngError& e) {
    outcome.kind = e.Kind();
    outcome.message = e.what();
  }
  return outcome;
}

void LoadFixture(PngPicture& picture, const std::string& path) {
  LoadOutcome outcome = LoadBytes(picture, RequireFileBytes(path));
  ASSERT_TRUE(outcome.ok) << path << ": " << outcome.message;
}

std::vector<uint8_t> SaveBytes(PngPicture& picture) {
  std::vector<uint8_t> bytes;
  VectorSink sink(bytes);
  picture.SaveToStream(sink);
  return bytes;
}

std::vector<RawChunk> WalkChunks(const std::vector<uint8_t>& png) {
  std::vector<RawChunk> chunks;
  size_t pos = 8;
  while (pos + 12 <= png.size()) {
    uint32_t length = ReadBigEndian32(&png[pos]);
    if (pos + 12 + uint64_t{length} > png.size()) break;
    RawChunk c;
    c.type.assign(reinterpret_cast<const char*>(&png[pos + 4]), 4);
    c.data.assign(png.begin() + static_cast<long>(pos + 8),
                  png.begin() + static_cast<long>(pos + 8 + length));
    c.crc = ReadBigEndian32(&png[pos + 8 + length]);
    chunks.push_back(std::move(c));
    pos += 12 + length;
  }
  return chunks;
}

std::vector<uint8_t> InflateIdat(const std::vector<uint8_t>& png) {
  std::vector<uint8_t> compressed;
  for (const auto& c : WalkChunks(png))
    if (c.type == "IDAT") compressed.insert(compressed.end(), c.data.begin(), c.data.end());
  std::vector<uint8_t> out;
  z_stream zs{};
  inflateInit(&zs);
  zs.next_in = compressed.data();
  zs.avail_in = static_cast<uInt>(compressed.size());
  uint8_t buffer[65536];
  int ret;
  do {
    zs.next_out = buffer;
    zs.avail_out = sizeof buffer;
    ret = inflate(&zs, Z_NO_FLUSH);
    out.insert(out.end(), buffer, buffer + (sizeof buffer - zs.avail_out));
  } while (ret == Z_OK);
  inflateEnd(&zs);
  EXPECT_EQ(ret, Z_STREAM_END);
  return out;
}

std::vector<uint8_t> BuildPng(const std::vector<RawChunk>& chunks) {
  std::vector<uint8_t> png = {137, 80, 78, 71, 13, 10, 26, 10};
  for (const auto& c : chunks) {
    uint8_t b[4];
    PutBigEndian32(b, static_cast<uint32_t>(c.data.size()));
    png.insert(png.end(), b, b + 4);
    png.insert(png.end(), c.type.begin(), c.type.end());
    png.insert(png.end(), c.data.begin(), c.data.end());
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(c.type.data()), 4);
    crc = crc32(crc, c.data.data(), static_cast<uInt>(c.data.size()));
    PutBigEndian32(b, static_cast<uint32_t>(crc));
    png.insert(png.end(), b, b + 4);
  }
  return png;
}

std::vector<uint8_t> HeaderData(uint32_t width, uint32_t height, uint8_t depth, uint8_t colour,
                                uint8_t interlace) {
  std::vector<uint8_t> d(13, 0);
  PutBigEndian32(&d[0], width);
  PutBigEndian32(&d[4], height);
  d[8] = depth;
  d[9] = colour;
  d[12] = interlace;
  return d;
}

std::vector<uint8_t> Compress(const std::vector<uint8_t>& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> out(size);
  compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 6);
  out.resize(size);
  return out;
}

uint32_t Crc32(const std::vector<uint8_t>& bytes) {
  return static_cast<uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

}  // namespace vornada::png::test
