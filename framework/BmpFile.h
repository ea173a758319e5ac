// Bitmap files (.bmp): the 14-byte file header, the information header (the 40-byte form and
// the longer versions whose extra fields are skipped), the bit-field masks, the colour table and
// the pixel rows. Reading checks every header field on its own and refuses a bad one with an
// error naming it; writing makes the headers for given pixels. The row size of device-independent
// bitmaps lives here too. Portable: no windows.h (the bitmap class and the GIF picture use this
// for their bitmap files; GDI's BITMAPINFOHEADER and RGBQUAD have the same layout as the fields
// here).
//
// Reading order and errors: the data are read front to back, the way a stream delivers them.
// Running out of data is a truncation error (`BmpError::Truncated()`); a field with a value
// this reader does not take is a format error. Nothing is allocated from a header's numbers
// before the data behind them are known to be there, and pixel data beyond `Limits::max_pixels`
// are refused even when they are.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace vornada::bmp {

inline constexpr size_t kFileHeaderSize = 14;
inline constexpr size_t kInfoHeaderSize = 40;      // the information header this code writes
inline constexpr uint32_t kMaxInfoHeaderSize = 1024;
inline constexpr size_t kMaskBytes = 12;           // red, green, blue masks after 40-byte header
inline constexpr uint16_t kSignature = 0x4D42;     // "BM", little-endian

enum class Compression : uint32_t {
  kRgb = 0,        // uncompressed
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,  // uncompressed, channels given by masks (16 and 32 bits per pixel)
  kJpeg = 4,
  kPng = 5,
};

// One colour-table entry, in the file's byte order.
struct ColorEntry {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
  friend bool operator==(const ColorEntry&, const ColorEntry&) = default;
};
static_assert(sizeof(ColorEntry) == 4, "colour-table entries are four bytes");

// Bytes of one pixel row: the row's bits rounded up to whole 32-bit words.
constexpr uint64_t RowStride(uint64_t width, unsigned bit_count) {
  return ((width * bit_count + 31) / 32) * 4;
}

// The colour index of pixel `x` in a row of a 1-, 4- or 8-bit image (the leftmost pixel in the
// high bits of a byte), and its replacement.
uint32_t IndexInRow(const uint8_t* row, uint32_t x, unsigned bit_count);
void SetIndexInRow(uint8_t* row, uint32_t x, unsigned bit_count, uint32_t index);

// What a file may make the reader accept and hold.
struct Limits {
  uint32_t max_width = 32768;
  uint32_t max_height = 32768;
  // Pixels (width x height) of an image whose rows are read: the memory budget.
  uint64_t max_pixels = uint64_t{1} << 26;
  // Bytes allowed between the end of the colour table and the pixel data offset.
  uint32_t max_gap = 1u << 20;
};

enum class Error {
  kFileHeaderTruncated,
  kBadSignature,
  kInfoHeaderTruncated,
  kBadInfoHeaderSize,
  kWidth,
  kHeight,
  kPlanes,
  kBitCount,
  kCompression,
  kBitFieldsDepth,
  kWidthLimit,
  kHeightLimit,
  kColorsUsed,
  kMasksTruncated,
  kMaskZero,
  kMaskBeyondDepth,
  kMaskNotContiguous,
  kMasksOverlap,
  kColorTableTruncated,
  kPixelOffsetInHeaders,
  kPixelOffsetTooFar,
  kGapTruncated,
  kPixelsTruncated,
  kPixelBudget,
  kColorTableEmpty,   // writing: a paletted image needs at least one colour
  kFileTooLarge,      // writing: the file would not fit the 32-bit size fields
};

// The error's text, for example "bitmap width is zero or negative".
const char* ErrorMessage(Error error);
// True for the errors that mean the data ended too early.
bool IsTruncation(Error error);

class BmpError : public std::runtime_error {
 public:
  explicit BmpError(Error error) : std::runtime_error(ErrorMessage(error)), error_(error) {}
  Error error() const noexcept { return error_; }
  bool Truncated() const noexcept { return IsTruncation(error_); }

 private:
  Error error_;
};

// Where the reader takes its bytes from: a stream, or memory (MemorySource).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `count` bytes into `into`; returns how many it read.
  virtual size_t Read(void* into, size_t count) = 0;
  // Bytes left to read.
  virtual uint64_t Remaining() = 0;
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::span<const uint8_t> data) : data_(data) {}
  size_t Read(void* into, size_t count) override;
  uint64_t Remaining() override { return data_.size() - position_; }
  size_t Position() const { return position_; }

 private:
  std::span<const uint8_t> data_;
  size_t position_ = 0;
};

// The checked headers of a file.
struct Header {
  uint32_t file_size = 0;     // the file header's size field, as stored (not relied on)
  uint32_t pixel_offset = 0;  // where the rows start, from the start of the file
  uint32_t info_size = 0;     // the information header's own size field
  uint32_t width = 0;
  uint32_t height = 0;        // rows
  bool top_down = false;      // a negative height: the first row in the file is the top one
  uint16_t bit_count = 0;
  Compression compression = Compression::kRgb;
  uint32_t size_image = 0;
  int32_t x_pixels_per_meter = 0;
  int32_t y_pixels_per_meter = 0;
  uint32_t colors_used = 0;   // as stored
  uint32_t colors_important = 0;
  // Red, green and blue masks of a 16- or 32-bit image: the file's with bit-field compression,
  // else the defaults (5-5-5 for 16 bits, 8-8-8 for 32).
  std::array<uint32_t, 3> masks{};
  uint64_t stride = 0;        // bytes per row
  uint64_t pixel_bytes = 0;   // stride x height
};

// A whole file read.
struct Image {
  Header header;
  // The colour table of a 1-, 4- or 8-bit image as stored (colors_used entries, or 2^bits when
  // that is 0); empty for deeper images.
  std::vector<ColorEntry> color_table;
  // The rows as stored: bottom-up unless `header.top_down`.
  std::vector<uint8_t> rows;

  // Row `y` counted from the top.
  const uint8_t* RowFromTop(uint32_t y) const;
  // The colour index of a paletted pixel, or the packed value of a direct-colour one (y from
  // the top).
  uint32_t ValueAt(uint32_t x, uint32_t y) const;
  // The colour the pixel shows: a colour-table entry (black for an index past the table, as
  // GDI shows it), or each mask's channel widened to 8 bits (a channel of n < 8 bits as
  // v x 255 / (2^n - 1) rounded, a wider one by its top 8 bits). `reserved` is 0.
  ColorEntry ColorAt(uint32_t x, uint32_t y) const;
};

// Reads and checks the file header, the information header, the masks and the colour table,
// skips to the pixel data offset and leaves `source` at the first row. `color_table` receives
// the table of a paletted image.
Header ReadHeader(ByteSource& source, std::vector<ColorEntry>& color_table,
                  const Limits& limits = Limits{});
// Reads the rows that follow the headers: checks that `source` holds them and that they are
// within the pixel budget before anything is allocated.
std::vector<uint8_t> ReadRows(ByteSource& source, const Header& header,
                              const Limits& limits = Limits{});
// The whole file.
Image ReadImage(ByteSource& source, const Limits& limits = Limits{});
Image ReadImage(std::span<const uint8_t> file, const Limits& limits = Limits{});

// ---- writing ---------------------------------------------------------------------------------

// What a file to write holds besides its rows.
struct Format {
  uint32_t width = 0;
  uint32_t height = 0;
  bool top_down = false;
  uint16_t bit_count = 24;  // 1, 4, 8, 16, 24 or 32
  // kRgb, or kBitFields for 16 and 32 bits (the masks follow the 40-byte header).
  Compression compression = Compression::kRgb;
  std::array<uint32_t, 3> masks{};
  // A paletted image's colours: 1 to 2^bits entries (fewer than 2^bits are counted in the
  // header); nothing for deeper images.
  std::vector<ColorEntry> color_table;
  // A full table may be stored with a colour count of 0 (meaning 2^bits) instead of its size.
  bool store_full_color_count = true;
};

// Where the parts of a file to write go.
struct Layout {
  uint64_t stride = 0;
  uint64_t pixel_bytes = 0;
  uint64_t pixel_offset = 0;  // also the size of the headers, masks and colour table
  uint64_t file_size = 0;
};

// The sizes of a file of this shape (`table_entries` colours, masks after the header with
// `bit_fields`); only a file past 4 GiB is refused.
Layout LayoutFor(uint32_t width, uint32_t height, unsigned bit_count, size_t table_entries,
                 bool bit_fields);
// Checks `format` as the reader checks a file (with no limits but the 32-bit fields) and
// computes its layout. A zero width or height is let through: such a file has headers and no
// rows (readers refuse it, but it keeps the shape of an empty picture).
Layout LayoutOf(const Format& format);
// Writes the headers, masks and colour table: `out` must hold LayoutOf(format).pixel_offset
// bytes. Returns the layout.
Layout WriteHeaders(const Format& format, std::span<uint8_t> out);
// A whole file: the headers, then `rows` (pixel_bytes of them, in file order).
std::vector<uint8_t> WriteFile(const Format& format, std::span<const uint8_t> rows);

}  // namespace vornada::bmp
