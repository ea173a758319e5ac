// Bitmap files: reading with a check per header field, writing, row layout (see BmpFile.h).
#include "BmpFile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace vornada::bmp {

namespace {

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

// Exactly `count` bytes, or the truncation error `error`.
void ReadExactly(ByteSource& source, void* into, size_t count, Error error) {
  auto* at = static_cast<uint8_t*>(into);
  while (count > 0) {
    const size_t got = source.Read(at, count);
    if (got == 0) throw BmpError(error);
    at += got;
    count -= got;
  }
}

bool IsValidBitCount(unsigned bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// The masks of a bit-field image: each one non-zero, inside the pixel's bits, one run of set
// bits, and no bit in two masks.
void CheckMasks(const std::array<uint32_t, 3>& masks, unsigned bit_count) {
  const uint64_t depth = bit_count >= 32 ? 0xFFFFFFFFull : (uint64_t{1} << bit_count) - 1;
  for (const uint32_t mask : masks) {
    if (mask == 0) throw BmpError(Error::kMaskZero);
    if ((mask & ~depth) != 0) throw BmpError(Error::kMaskBeyondDepth);
    const uint64_t run = uint64_t{mask} >> std::countr_zero(mask);
    if ((run & (run + 1)) != 0) throw BmpError(Error::kMaskNotContiguous);
  }
  if ((masks[0] & masks[1]) != 0 || (masks[0] & masks[2]) != 0 || (masks[1] & masks[2]) != 0)
    throw BmpError(Error::kMasksOverlap);
}

std::array<uint32_t, 3> DefaultMasks(unsigned bit_count) {
  if (bit_count == 16) return {0x7C00, 0x03E0, 0x001F};
  return {0xFF0000, 0x00FF00, 0x0000FF};
}

// A mask's channel of `value` widened to 8 bits.
uint8_t Channel(uint32_t value, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const uint32_t v = (value & mask) >> shift;
  if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
  const uint32_t max = (1u << bits) - 1;
  return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

}  // namespace

const char* ErrorMessage(Error error) {
  switch (error) {
    case Error::kFileHeaderTruncated: return "bitmap file ends inside its file header";
    case Error::kBadSignature: return "bitmap file does not start with the signature \"BM\"";
    case Error::kInfoHeaderTruncated: return "bitmap file ends inside its information header";
    case Error::kBadInfoHeaderSize:
      return "bitmap information header size is not between 40 and 1024 bytes";
    case Error::kWidth: return "bitmap width is zero or negative";
    case Error::kHeight: return "bitmap height is zero or out of range";
    case Error::kPlanes: return "bitmap plane count is not 1";
    case Error::kBitCount: return "bitmap bits per pixel is not 1, 4, 8, 16, 24 or 32";
    case Error::kCompression:
      return "bitmap compression is not supported (only uncompressed and bit-field images)";
    case Error::kBitFieldsDepth:
      return "bitmap bit-field compression needs 16 or 32 bits per pixel";
    case Error::kWidthLimit: return "bitmap width exceeds the limit";
    case Error::kHeightLimit: return "bitmap height exceeds the limit";
    case Error::kColorsUsed: return "bitmap colour count exceeds what its bits per pixel can index";
    case Error::kMasksTruncated: return "bitmap file ends inside its colour masks";
    case Error::kMaskZero: return "bitmap colour mask is zero";
    case Error::kMaskBeyondDepth: return "bitmap colour mask has bits beyond the pixel's bits";
    case Error::kMaskNotContiguous: return "bitmap colour mask is not one run of bits";
    case Error::kMasksOverlap: return "bitmap colour masks overlap";
    case Error::kColorTableTruncated: return "bitmap file ends inside its colour table";
    case Error::kPixelOffsetInHeaders: return "bitmap pixel data offset points into the headers";
    case Error::kPixelOffsetTooFar:
      return "bitmap pixel data offset lies too far beyond the headers";
    case Error::kGapTruncated: return "bitmap file ends before its pixel data offset";
    case Error::kPixelsTruncated: return "bitmap file ends inside its pixel rows";
    case Error::kPixelBudget: return "bitmap has more pixels than the memory budget allows";
    case Error::kColorTableEmpty: return "bitmap colour table is empty";
    case Error::kFileTooLarge: return "bitmap file would exceed 4 GiB";
  }
  return "bitmap file error";
}

bool IsTruncation(Error error) {
  switch (error) {
    case Error::kFileHeaderTruncated:
    case Error::kInfoHeaderTruncated:
    case Error::kMasksTruncated:
    case Error::kColorTableTruncated:
    case Error::kGapTruncated:
    case Error::kPixelsTruncated: return true;
    default: return false;
  }
}

uint32_t IndexInRow(const uint8_t* row, uint32_t x, unsigned bit_count) {
  switch (bit_count) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    default: return row[x];
  }
}

void SetIndexInRow(uint8_t* row, uint32_t x, unsigned bit_count, uint32_t index) {
  switch (bit_count) {
    case 1: {
      const auto bit = static_cast<uint8_t>(0x80u >> (x & 7));
      row[x >> 3] = (index & 1) ? static_cast<uint8_t>(row[x >> 3] | bit)
                                : static_cast<uint8_t>(row[x >> 3] & ~bit);
      break;
    }
    case 4:
      if (x & 1) {
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (index & 0x0F));
      } else {
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
      }
      break;
    default:
      row[x] = static_cast<uint8_t>(index);
  }
}

size_t MemorySource::Read(void* into, size_t count) {
  const size_t n = std::min(count, data_.size() - position_);
  if (n != 0) std::memcpy(into, data_.data() + position_, n);
  position_ += n;
  return n;
}

// ---- reading ---------------------------------------------------------------------------------

Header ReadHeader(ByteSource& source, std::vector<ColorEntry>& color_table, const Limits& limits) {
  color_table.clear();
  Header h;
  uint8_t file[kFileHeaderSize];
  ReadExactly(source, file, sizeof(file), Error::kFileHeaderTruncated);
  if (Get16(file) != kSignature) throw BmpError(Error::kBadSignature);
  h.file_size = Get32(file + 2);
  h.pixel_offset = Get32(file + 10);

  uint8_t info[kMaxInfoHeaderSize];
  ReadExactly(source, info, 4, Error::kInfoHeaderTruncated);
  h.info_size = Get32(info);
  if (h.info_size < kInfoHeaderSize || h.info_size > kMaxInfoHeaderSize)
    throw BmpError(Error::kBadInfoHeaderSize);
  ReadExactly(source, info + 4, h.info_size - 4, Error::kInfoHeaderTruncated);

  const auto width = static_cast<int32_t>(Get32(info + 4));
  const auto height = static_cast<int32_t>(Get32(info + 8));
  const uint16_t planes = Get16(info + 12);
  h.bit_count = Get16(info + 14);
  const uint32_t compression = Get32(info + 16);
  h.size_image = Get32(info + 20);
  h.x_pixels_per_meter = static_cast<int32_t>(Get32(info + 24));
  h.y_pixels_per_meter = static_cast<int32_t>(Get32(info + 28));
  h.colors_used = Get32(info + 32);
  h.colors_important = Get32(info + 36);

  if (width <= 0) throw BmpError(Error::kWidth);
  if (height == 0 || height == std::numeric_limits<int32_t>::min()) throw BmpError(Error::kHeight);
  if (planes != 1) throw BmpError(Error::kPlanes);
  if (!IsValidBitCount(h.bit_count)) throw BmpError(Error::kBitCount);
  if (compression != static_cast<uint32_t>(Compression::kRgb) &&
      compression != static_cast<uint32_t>(Compression::kBitFields))
    throw BmpError(Error::kCompression);
  h.compression = static_cast<Compression>(compression);
  const bool bit_fields = h.compression == Compression::kBitFields;
  if (bit_fields && h.bit_count != 16 && h.bit_count != 32) throw BmpError(Error::kBitFieldsDepth);
  h.width = static_cast<uint32_t>(width);
  h.top_down = height < 0;
  h.height = static_cast<uint32_t>(height < 0 ? -static_cast<int64_t>(height) : height);
  if (h.width > limits.max_width) throw BmpError(Error::kWidthLimit);
  if (h.height > limits.max_height) throw BmpError(Error::kHeightLimit);
  size_t table_entries = 0;
  if (h.bit_count <= 8) {
    const uint32_t full = 1u << h.bit_count;
    if (h.colors_used > full) throw BmpError(Error::kColorsUsed);
    table_entries = h.colors_used == 0 ? full : h.colors_used;
  }

  // Everything before the rows is known now: the pixel data offset may not point into it.
  const bool masks_follow = bit_fields && h.info_size < kInfoHeaderSize + kMaskBytes;
  const uint64_t consumed = kFileHeaderSize + uint64_t{h.info_size} +
                            (masks_follow ? kMaskBytes : 0) + table_entries * sizeof(ColorEntry);
  if (h.pixel_offset < consumed) throw BmpError(Error::kPixelOffsetInHeaders);

  h.masks = DefaultMasks(h.bit_count);
  if (bit_fields) {
    uint8_t masks[kMaskBytes];
    if (masks_follow) {
      ReadExactly(source, masks, kMaskBytes, Error::kMasksTruncated);
    } else {
      std::memcpy(masks, info + kInfoHeaderSize, kMaskBytes);
    }
    h.masks = {Get32(masks), Get32(masks + 4), Get32(masks + 8)};
    CheckMasks(h.masks, h.bit_count);
  }

  if (table_entries != 0) {
    color_table.resize(table_entries);
    ReadExactly(source, color_table.data(), table_entries * sizeof(ColorEntry),
                Error::kColorTableTruncated);
  }

  uint64_t gap = h.pixel_offset - consumed;
  if (gap > limits.max_gap) throw BmpError(Error::kPixelOffsetTooFar);
  uint8_t skipped[4096];
  while (gap > 0) {
    const auto n = static_cast<size_t>(std::min<uint64_t>(gap, sizeof(skipped)));
    ReadExactly(source, skipped, n, Error::kGapTruncated);
    gap -= n;
  }

  h.stride = RowStride(h.width, h.bit_count);
  h.pixel_bytes = h.stride * h.height;
  return h;
}

std::vector<uint8_t> ReadRows(ByteSource& source, const Header& header, const Limits& limits) {
  if (source.Remaining() < header.pixel_bytes) throw BmpError(Error::kPixelsTruncated);
  if (uint64_t{header.width} * header.height > limits.max_pixels ||
      header.pixel_bytes > std::numeric_limits<size_t>::max())
    throw BmpError(Error::kPixelBudget);
  std::vector<uint8_t> rows(static_cast<size_t>(header.pixel_bytes));
  ReadExactly(source, rows.data(), rows.size(), Error::kPixelsTruncated);
  return rows;
}

Image ReadImage(ByteSource& source, const Limits& limits) {
  Image image;
  image.header = ReadHeader(source, image.color_table, limits);
  image.rows = ReadRows(source, image.header, limits);
  return image;
}

Image ReadImage(std::span<const uint8_t> file, const Limits& limits) {
  MemorySource source(file);
  return ReadImage(source, limits);
}

const uint8_t* Image::RowFromTop(uint32_t y) const {
  const uint32_t stored = header.top_down ? y : header.height - 1 - y;
  return rows.data() + static_cast<size_t>(stored) * header.stride;
}

uint32_t Image::ValueAt(uint32_t x, uint32_t y) const {
  const uint8_t* row = RowFromTop(y);
  switch (header.bit_count) {
    case 16: return Get16(row + size_t{x} * 2);
    case 24: {
      const uint8_t* p = row + size_t{x} * 3;
      return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
             (static_cast<uint32_t>(p[2]) << 16);
    }
    case 32: return Get32(row + size_t{x} * 4);
    default: return IndexInRow(row, x, header.bit_count);
  }
}

ColorEntry Image::ColorAt(uint32_t x, uint32_t y) const {
  const uint32_t value = ValueAt(x, y);
  if (header.bit_count <= 8) {
    if (value >= color_table.size()) return ColorEntry{};
    ColorEntry c = color_table[value];
    c.reserved = 0;
    return c;
  }
  return ColorEntry{Channel(value, header.masks[2]), Channel(value, header.masks[1]),
                    Channel(value, header.masks[0]), 0};
}

// ---- writing ---------------------------------------------------------------------------------

Layout LayoutFor(uint32_t width, uint32_t height, unsigned bit_count, size_t table_entries,
                 bool bit_fields) {
  Layout l;
  l.stride = RowStride(width, bit_count);
  l.pixel_bytes = l.stride * height;
  l.pixel_offset = kFileHeaderSize + kInfoHeaderSize + (bit_fields ? kMaskBytes : 0) +
                   uint64_t{table_entries} * sizeof(ColorEntry);
  l.file_size = l.pixel_offset + l.pixel_bytes;
  if (l.file_size > 0xFFFFFFFFull) throw BmpError(Error::kFileTooLarge);
  return l;
}

Layout LayoutOf(const Format& format) {
  constexpr uint32_t kInt32Max = static_cast<uint32_t>(std::numeric_limits<int32_t>::max());
  if (format.width > kInt32Max) throw BmpError(Error::kWidth);
  if (format.height > kInt32Max) throw BmpError(Error::kHeight);
  if (!IsValidBitCount(format.bit_count)) throw BmpError(Error::kBitCount);
  const bool bit_fields = format.compression == Compression::kBitFields;
  if (format.compression != Compression::kRgb && !bit_fields) throw BmpError(Error::kCompression);
  if (bit_fields) {
    if (format.bit_count != 16 && format.bit_count != 32) throw BmpError(Error::kBitFieldsDepth);
    CheckMasks(format.masks, format.bit_count);
  }
  const size_t entries = format.color_table.size();
  if (format.bit_count <= 8) {
    if (entries == 0) throw BmpError(Error::kColorTableEmpty);
    if (entries > (size_t{1} << format.bit_count)) throw BmpError(Error::kColorsUsed);
  } else if (entries != 0) {
    throw BmpError(Error::kColorsUsed);
  }
  return LayoutFor(format.width, format.height, format.bit_count, entries, bit_fields);
}

Layout WriteHeaders(const Format& format, std::span<uint8_t> out) {
  const Layout l = LayoutOf(format);
  if (out.size() < l.pixel_offset) throw std::length_error("bitmap header buffer too small");
  uint8_t* f = out.data();
  std::memset(f, 0, static_cast<size_t>(l.pixel_offset));
  Put16(f, kSignature);
  Put32(f + 2, static_cast<uint32_t>(l.file_size));
  Put32(f + 10, static_cast<uint32_t>(l.pixel_offset));
  uint8_t* h = f + kFileHeaderSize;
  const size_t entries = format.color_table.size();
  const bool full = format.bit_count <= 8 && entries == (size_t{1} << format.bit_count);
  Put32(h, kInfoHeaderSize);
  Put32(h + 4, format.width);
  Put32(h + 8, format.top_down ? static_cast<uint32_t>(-static_cast<int64_t>(format.height))
                               : format.height);
  Put16(h + 12, 1);
  Put16(h + 14, format.bit_count);
  Put32(h + 16, static_cast<uint32_t>(format.compression));
  Put32(h + 20, static_cast<uint32_t>(l.pixel_bytes));
  Put32(h + 32, full && !format.store_full_color_count ? 0 : static_cast<uint32_t>(entries));
  uint8_t* after = h + kInfoHeaderSize;
  if (format.compression == Compression::kBitFields) {
    for (size_t i = 0; i < 3; ++i) Put32(after + 4 * i, format.masks[i]);
    after += kMaskBytes;
  }
  if (entries != 0) std::memcpy(after, format.color_table.data(), entries * sizeof(ColorEntry));
  return l;
}

std::vector<uint8_t> WriteFile(const Format& format, std::span<const uint8_t> rows) {
  const Layout l = LayoutOf(format);
  if (rows.size() < l.pixel_bytes) throw std::length_error("bitmap rows shorter than the image");
  std::vector<uint8_t> file(static_cast<size_t>(l.file_size));
  WriteHeaders(format, file);
  if (l.pixel_bytes != 0)
    std::memcpy(file.data() + l.pixel_offset, rows.data(), static_cast<size_t>(l.pixel_bytes));
  return file;
}

}  // namespace vornada::bmp
