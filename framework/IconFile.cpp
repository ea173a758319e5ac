// Icon files: directory, image checks, entry choice, writing (see IconFile.h).
#include "IconFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "SysUtils.h"

namespace vornada::icon {

namespace {

const char kInvalidIcon[] = "Invalid icon";

[[noreturn]] void Fail() { throw EInvalidGraphic(kInvalidIcon); }

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

uint64_t RowBytes(uint64_t width, uint64_t bits) { return ((width * bits + 31) / 32) * 4; }

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

}  // namespace

int EntryCount(const uint8_t* header) {
  if (U16(header) != 0 || U16(header + 2) != 1) Fail();  // reserved 0, type 1 (icon)
  const int count = U16(header + 4);
  if (count < 1 || count > kMaxEntries) Fail();
  return count;
}

std::vector<IconEntry> ParseDirectory(const uint8_t* data, size_t size) {
  if (size < kHeaderSize) Fail();
  const int count = EntryCount(data);
  const size_t directory_end = kHeaderSize + static_cast<size_t>(count) * kEntrySize;
  if (size < directory_end) Fail();
  std::vector<IconEntry> entries;
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = data + kHeaderSize + static_cast<size_t>(i) * kEntrySize;
    IconEntry entry;
    entry.width = e[0] == 0 ? 256 : e[0];
    entry.height = e[1] == 0 ? 256 : e[1];
    entry.bit_count = U16(e + 6);
    entry.size = U32(e + 8);
    entry.offset = U32(e + 12);
    if (entry.size == 0 || entry.offset < directory_end ||
        uint64_t{entry.offset} + entry.size > kMaxFileSize)
      Fail();
    entries.push_back(entry);
  }
  return entries;
}

size_t FileEnd(const std::vector<IconEntry>& entries) {
  size_t end = 0;
  for (const IconEntry& e : entries) end = std::max<size_t>(end, size_t{e.offset} + e.size);
  return end;
}

ImageInfo CheckImage(const uint8_t* file, size_t size, const IconEntry& entry) {
  if (uint64_t{entry.offset} + entry.size > size) Fail();
  const uint8_t* image = file + entry.offset;
  const size_t length = entry.size;
  ImageInfo info;
  if (length >= sizeof(kPngSignature) && std::memcmp(image, kPngSignature, 8) == 0) {
    // The signature, then the IHDR chunk: length, type, width and height (big-endian).
    if (length < 24 || std::memcmp(image + 12, "IHDR", 4) != 0) Fail();
    auto be32 = [](const uint8_t* p) {
      return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    };
    const uint32_t w = be32(image + 16), h = be32(image + 20);
    if (w == 0 || w > 256 || h == 0 || h > 256) Fail();
    info.png = true;
    info.width = static_cast<int>(w);
    info.height = static_cast<int>(h);
    return info;
  }
  if (length < 40) Fail();
  const uint32_t header = U32(image);
  const int32_t width = I32(image + 4);
  const int32_t height = I32(image + 8);  // colour rows + mask rows
  const uint16_t planes = U16(image + 12);
  const uint16_t bits = U16(image + 14);
  const uint32_t compression = U32(image + 16);
  const uint32_t used = U32(image + 32);
  if (header < 40 || header > length || width <= 0 || width > 256 || height <= 0 ||
      height > 512 || height % 2 != 0 || planes != 1 || compression != 0 ||
      !(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32))
    Fail();
  uint64_t colours = 0;
  if (bits <= 8) {
    colours = used == 0 ? (uint64_t{1} << bits) : used;
    if (colours > (uint64_t{1} << bits)) Fail();
  }
  const uint64_t rows = static_cast<uint64_t>(height) / 2;
  const uint64_t needed = header + colours * 4 + RowBytes(static_cast<uint64_t>(width), bits) * rows +
                          RowBytes(static_cast<uint64_t>(width), 1) * rows;
  if (needed > length) Fail();
  info.width = width;
  info.height = height / 2;
  return info;
}

size_t ChooseEntry(const std::vector<IconEntry>& entries, int wanted_width, int wanted_height) {
  size_t best = 0;
  auto distance = [&](const IconEntry& e) {
    return std::abs(e.width - wanted_width) + std::abs(e.height - wanted_height);
  };
  for (size_t i = 1; i < entries.size(); ++i) {
    const IconEntry& e = entries[i];
    const IconEntry& b = entries[best];
    const int de = distance(e), db = distance(b);
    const bool larger = e.width * e.height > b.width * b.height;
    if (de < db || (de == db && larger) ||
        (de == db && e.width == b.width && e.height == b.height && e.bit_count > b.bit_count))
      best = i;
  }
  return best;
}

std::vector<uint8_t> BuildIconFile(int width, int height, const std::vector<uint8_t>& bgra,
                                   const std::vector<uint8_t>& mask) {
  if (width < 1 || width > 256 || height < 1 || height > 256 ||
      bgra.size() != static_cast<size_t>(width) * height * 4 ||
      mask.size() != static_cast<size_t>(width) * height)
    Fail();
  const size_t mask_row = static_cast<size_t>(RowBytes(static_cast<uint64_t>(width), 1));
  const uint32_t image_size =
      static_cast<uint32_t>(40 + static_cast<size_t>(width) * 4 * height + mask_row * height);
  std::vector<uint8_t> out;
  out.reserve(kHeaderSize + kEntrySize + image_size);
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 1);
  out.push_back(static_cast<uint8_t>(width == 256 ? 0 : width));
  out.push_back(static_cast<uint8_t>(height == 256 ? 0 : height));
  out.push_back(0);  // colour count
  out.push_back(0);  // reserved
  Put16(out, 1);     // planes
  Put16(out, 32);    // bits per pixel
  Put32(out, image_size);
  Put32(out, static_cast<uint32_t>(kHeaderSize + kEntrySize));
  // Bitmap header: the height counts colour and mask rows.
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height * 2));
  Put16(out, 1);
  Put16(out, 32);
  for (int i = 0; i < 6; ++i) Put32(out, 0);  // compression, size, resolution, colours
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t* row = bgra.data() + static_cast<size_t>(y) * width * 4;
    out.insert(out.end(), row, row + static_cast<size_t>(width) * 4);
  }
  for (int y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> bits(mask_row, 0);
    for (int x = 0; x < width; ++x)
      if (mask[static_cast<size_t>(y) * width + x] != 0)
        bits[static_cast<size_t>(x) / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    out.insert(out.end(), bits.begin(), bits.end());
  }
  return out;
}

}  // namespace vornada::icon
