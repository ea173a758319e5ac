// LZW decoder and encoder for GIF image data.
//
// Decoder: the sub-blocks are first joined into one padded buffer so that a code is one
// unaligned load; the string table keeps for every code its prefix code, last pixel, first
// pixel and length, so that a string is written backwards straight into the current row when
// it fits there, and through a 4097-entry stack otherwise. Every prefix points to a lower code,
// so chains end after at most 4096 steps.
// Encoder: a 17777-slot open-addressing hash table of (prefix, code, pixel) entries.
#include "GifLzw.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace vornada::gif {
namespace {

constexpr uint32_t kMaxCodes = 4096;
constexpr int kMaxCodeSize = 12;

// Row order of a frame: top to bottom, or the four interlace passes (rows 0, 8, 16 ...;
// 4, 12 ...; 2, 6, 10 ...; 1, 3, 5 ...), passes that start beyond the height being skipped.
class RowSequence {
 public:
  RowSequence(uint32_t height, bool interlaced) : height_(height), interlaced_(interlaced) {
    if (interlaced_) {
      SkipEmptyPasses();
    } else {
      finished_ = height_ == 0;
    }
  }
  bool Finished() const { return finished_; }
  uint32_t Row() const { return row_; }
  void Advance() {
    if (!interlaced_) {
      finished_ = ++row_ >= height_;
      return;
    }
    row_ += kStep[pass_];
    if (row_ >= height_) {
      ++pass_;
      SkipEmptyPasses();
    }
  }

 private:
  static constexpr uint32_t kStart[4] = {0, 4, 2, 1};
  static constexpr uint32_t kStep[4] = {8, 8, 4, 2};
  void SkipEmptyPasses() {
    while (pass_ < 4 && kStart[pass_] >= height_) ++pass_;
    if (pass_ == 4) {
      finished_ = true;
    } else {
      row_ = kStart[pass_];
    }
  }
  uint32_t height_;
  bool interlaced_;
  int pass_ = 0;
  uint32_t row_ = 0;
  bool finished_ = false;
};

// Reports starting at construction and ending exactly once: explicitly on success, from the
// destructor (swallowing a failure of the callback) when decoding leaves by an exception.
class ProgressReporter {
 public:
  explicit ProgressReporter(const ProgressCallback* callback)
      : callback_(callback && *callback ? callback : nullptr) {
    if (callback_) (*callback_)(ProgressStage::kStarting, 0);
  }
  ~ProgressReporter() {
    if (callback_ && !ended_) {
      try {
        (*callback_)(ProgressStage::kEnding, 100);
      } catch (...) {
      }
    }
  }
  ProgressReporter(const ProgressReporter&) = delete;
  ProgressReporter& operator=(const ProgressReporter&) = delete;
  bool Active() const { return callback_ != nullptr; }
  void Running(int percent) { (*callback_)(ProgressStage::kRunning, percent); }
  void End() {
    ended_ = true;
    if (callback_) (*callback_)(ProgressStage::kEnding, 100);
  }

 private:
  const ProgressCallback* callback_;
  bool ended_ = false;
};

// Hands out the rows of the target in storage order. For 8-bit rows the decoder writes
// straight into the destination row; 1- and 4-bit rows are collected one byte per pixel in a
// line buffer and packed when complete.
class RowCursor {
 public:
  struct Span {
    uint8_t* begin = nullptr;  // null: every row is done
    uint8_t* end = nullptr;
  };

  RowCursor(const PixelRows& rows, bool interlaced)
      : rows_(rows), sequence_(rows.height, interlaced), direct_(rows.bit_count == 8) {
    if (!direct_) scratch_.assign(size_t{rows_.width} + 1, 0);
  }

  // The first row, or an empty span when there is nothing to fill.
  Span First() {
    if (rows_.width == 0 || sequence_.Finished()) return {};
    return LineFor(sequence_.Row());
  }
  // Finishes the current (full) row and returns the next one.
  Span Next() {
    if (!direct_) Pack(sequence_.Row());
    sequence_.Advance();
    if (sequence_.Finished()) return {};
    return LineFor(sequence_.Row());
  }
  // Decoding stopped early: the unfinished row keeps its first `filled` pixels and gets index
  // 0 after them, every row not reached yet gets index 0.
  // Kept out of line: the decoding loop stays as tight as without it.
  [[gnu::noinline]] void ZeroRest(uint32_t filled) {
    if (sequence_.Finished()) return;
    if (direct_) {
      std::memset(DestRow(sequence_.Row()) + filled, 0, rows_.width - filled);
    } else {
      std::memset(scratch_.data() + filled, 0, rows_.width - filled);
      Pack(sequence_.Row());
    }
    for (sequence_.Advance(); !sequence_.Finished(); sequence_.Advance()) {
      std::memset(DestRow(sequence_.Row()), 0, UsedBytes());
    }
  }
  // Zeroes the padding after the pixels of every row.
  [[gnu::noinline]] void ZeroPadding() {
    const size_t used = UsedBytes();
    if (!rows_.pixels || used >= rows_.stride) return;
    for (uint32_t y = 0; y < rows_.height; ++y) {
      std::memset(rows_.pixels + size_t{y} * rows_.stride + used, 0, rows_.stride - used);
    }
  }
  // The bytes of a row that hold pixels; the rest of the stride is padding.
  size_t UsedBytes() const {
    return (size_t{rows_.width} * static_cast<size_t>(rows_.bit_count) + 7) / 8;
  }

 private:
  uint8_t* DestRow(uint32_t y) const {
    const uint32_t stored = rows_.bottom_up ? rows_.height - 1 - y : y;
    return rows_.pixels + size_t{stored} * rows_.stride;
  }
  Span LineFor(uint32_t y) {
    uint8_t* begin = direct_ ? DestRow(y) : scratch_.data();
    return {begin, begin + rows_.width};
  }
  void Pack(uint32_t y) {
    uint8_t* dest = DestRow(y);
    const uint8_t* src = scratch_.data();
    const uint32_t w = rows_.width;
    if (rows_.bit_count == 4) {
      uint32_t x = 0;
      for (; x + 1 < w; x += 2) {
        dest[x >> 1] = static_cast<uint8_t>((src[x] << 4) | (src[x + 1] & 0x0F));
      }
      if (x < w) dest[x >> 1] = static_cast<uint8_t>(src[x] << 4);
    } else {
      for (uint32_t x = 0; x < w; x += 8) {
        uint8_t byte = 0;
        const uint32_t n = std::min<uint32_t>(8, w - x);
        for (uint32_t k = 0; k < n; ++k) byte |= static_cast<uint8_t>((src[x + k] & 1) << (7 - k));
        dest[x >> 3] = byte;
      }
    }
  }

  const PixelRows& rows_;
  RowSequence sequence_;
  bool direct_;
  std::vector<uint8_t> scratch_;
};

// One string-table entry: the code of the string without its last pixel, the string's length,
// its last and its first pixel.
struct TableEntry {
  uint16_t prefix;
  uint16_t length;
  uint8_t last;
  uint8_t first;
};

}  // namespace

LzwDecodeResult DecodeLzw(std::span<const uint8_t> encoded, int bits_per_pixel, bool interlaced,
                          const PixelRows& rows, const ProgressCallback* progress) {
  if (rows.bit_count != 1 && rows.bit_count != 4 && rows.bit_count != 8) {
    throw GifError::WrongColorCount();
  }
  ProgressReporter reporter(progress);
  LzwDecodeResult result;
  RowCursor cursor(rows, interlaced);
  // The rows are not zeroed as a whole first: every pixel is either decoded or set to 0 where
  // decoding stops, so only the padding at the end of each row is zeroed here.
  cursor.ZeroPadding();
  RowCursor::Span line = cursor.First();
  uint8_t* out = line.begin;
  uint8_t* row_end = line.end;
  uint8_t* row_begin = line.begin;
  if (!out) {
    reporter.End();
    return result;
  }
  if (encoded.empty()) {
    // Not even the minimum code size byte: nothing can be decoded.
    cursor.ZeroRest(0);
    result.damaged = true;
    reporter.End();
    return result;
  }

  int min_code_size = encoded[0];
  if (min_code_size < 2 || min_code_size > 9) {
    min_code_size = std::clamp(min_code_size, 2, 9);
    result.damaged = true;
  }
  const int value_bits = std::clamp(std::min(bits_per_pixel, rows.bit_count), 1, 8);
  const auto value_mask = static_cast<uint8_t>((1u << value_bits) - 1);

  // Join the sub-blocks; 8 zero bytes of padding let a code be read with one load.
  std::vector<uint8_t> data;
  data.reserve(encoded.size() + 8);
  for (size_t p = 1; p < encoded.size();) {
    size_t length = encoded[p++];
    if (length == 0) break;
    if (length > encoded.size() - p) {
      length = encoded.size() - p;
      result.damaged = true;
    }
    data.insert(data.end(), encoded.begin() + static_cast<std::ptrdiff_t>(p),
                encoded.begin() + static_cast<std::ptrdiff_t>(p + length));
    p += length;
  }
  const uint64_t total_bytes = data.size();
  const uint64_t total_bits = total_bytes * 8;
  data.resize(data.size() + 8, 0);
  const uint8_t* bytes = data.data();

  std::array<TableEntry, kMaxCodes> table;
  std::array<uint8_t, kMaxCodes + 1> stack;

  const uint32_t clear_code = 1u << min_code_size;
  const uint32_t end_code = clear_code + 1;
  for (uint32_t c = 0; c < clear_code; ++c) {
    const auto value = static_cast<uint8_t>(c & value_mask);
    table[c] = TableEntry{0, 1, value, value};
  }
  // The clear and end codes have no string: length 0 sends them off the common path.
  table[clear_code] = TableEntry{0, 0, 0, 0};
  table[end_code] = TableEntry{0, 0, 0, 0};
  uint32_t code_size = static_cast<uint32_t>(min_code_size) + 1;
  uint32_t code_mask = (1u << code_size) - 1;
  uint32_t next_free = clear_code + 2;
  uint32_t grow_at = 1u << code_size;  // next free code at which codes widen
  bool additions = true;
  int32_t old_code = -1;
  // Codes below this take the common path: the next free code once there is a previous
  // string, 0 while there is none.
  uint32_t fast_limit = 0;

  uint64_t bit_pos = 0;
  uint64_t report_at = reporter.Active() ? 0 : UINT64_MAX;
  bool done = false;

  // Writes the string of `code` (length `length`) at the cursor; false when every row is full.
  auto write_string = [&](uint32_t code, uint32_t length) -> bool {
    if (length <= static_cast<uint32_t>(row_end - out)) {
      uint8_t* const start = out;
      uint8_t* p = out + length;
      out = p;
      while (p != start) {
        const TableEntry& e = table[code];
        *--p = e.last;
        code = e.prefix;
      }
      if (out == row_end) {
        line = cursor.Next();
        out = row_begin = line.begin;
        row_end = line.end;
        return out != nullptr;
      }
      return true;
    }
    // The string spans rows: unwind it into the stack first.
    uint8_t* s = stack.data() + length;
    for (uint32_t k = length; k > 0; --k) {
      const TableEntry& e = table[code];
      *--s = e.last;
      code = e.prefix;
    }
    const uint8_t* src = stack.data();
    while (length > 0) {
      const uint32_t n = std::min(length, static_cast<uint32_t>(row_end - out));
      std::memcpy(out, src, n);
      out += n;
      src += n;
      length -= n;
      if (out == row_end) {
        line = cursor.Next();
        out = row_begin = line.begin;
        row_end = line.end;
        if (!out) return false;
      }
    }
    return true;
  };
  auto write_pixel = [&](uint8_t value) -> bool {
    *out++ = value;
    if (out == row_end) {
      line = cursor.Next();
      out = row_begin = line.begin;
      row_end = line.end;
      return out != nullptr;
    }
    return true;
  };

  while (!done) {
    if (bit_pos >= total_bits) break;  // data exhausted; a partial last code was used already
    const uint8_t* p = bytes + (bit_pos >> 3);
    const uint32_t window = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                            (static_cast<uint32_t>(p[2]) << 16);
    uint32_t code = (window >> (bit_pos & 7)) & code_mask;
    bit_pos += code_size;
    if (bit_pos >= report_at) {
      const uint64_t consumed = std::min<uint64_t>(bit_pos / 8, total_bytes);
      const auto percent = static_cast<int>(consumed * 100 / total_bytes);
      reporter.Running(percent);
      report_at = ((static_cast<uint64_t>(percent) + 1) * total_bytes + 99) / 100 * 8;
      if (percent >= 100) report_at = UINT64_MAX;
    }

    const TableEntry current = code < fast_limit ? table[code] : TableEntry{0, 0, 0, 0};
    if (current.length != 0) {
      // The common case: a root or a string already in the table, after a previous string.
      const auto old = static_cast<uint32_t>(old_code);
      if (additions) {
        const TableEntry& previous = table[old];
        table[next_free] = TableEntry{static_cast<uint16_t>(old),
                                      static_cast<uint16_t>(previous.length + 1), current.first,
                                      previous.first};
        if (++next_free == grow_at) {
          if (code_size < kMaxCodeSize) {
            ++code_size;
            code_mask = (1u << code_size) - 1;
            grow_at <<= 1;
          } else {
            additions = false;
          }
        }
      }
      old_code = static_cast<int32_t>(code);
      fast_limit = next_free;
      const uint32_t length = current.length;
      if (length <= static_cast<uint32_t>(row_end - out)) {
        // Written backwards straight into the row.
        uint8_t* q = out + length;
        out = q;
        *--q = current.last;
        uint32_t c = current.prefix;
        for (uint32_t k = length - 1; k > 0; --k) {
          const TableEntry& e = table[c];
          *--q = e.last;
          c = e.prefix;
        }
        if (out == row_end) {
          line = cursor.Next();
          out = row_begin = line.begin;
          row_end = line.end;
          done = out == nullptr;
        }
      } else {
        done = !write_string(code, length);
      }
      continue;
    }

    if (code == clear_code) {
      code_size = static_cast<uint32_t>(min_code_size) + 1;
      code_mask = (1u << code_size) - 1;
      grow_at = 1u << code_size;
      next_free = clear_code + 2;
      additions = true;
      old_code = -1;
      fast_limit = 0;
      continue;
    }
    if (code == end_code) break;

    if (old_code < 0) {
      // The first code after a clear code (or at the start) is output directly.
      if (code < clear_code) {
        old_code = static_cast<int32_t>(code);
        done = !write_pixel(table[code].last);
      } else {
        // A table code while the table is empty: output its value as a pixel; the next
        // string continues from the root of that value when there is one.
        result.damaged = true;
        const auto value = static_cast<uint8_t>(code & value_mask);
        old_code = value < clear_code ? static_cast<int32_t>(value) : -1;
        done = !write_pixel(value);
      }
      fast_limit = old_code >= 0 ? next_free : 0;
      continue;
    }

    // A code at or above the next free code stands for the previous string followed by that
    // string's first pixel.
    const auto old = static_cast<uint32_t>(old_code);
    if (code > next_free) result.damaged = true;
    if (!additions) {
      // Cannot happen with 12-bit codes (the table is full, every code is below it); kept so
      // that no path depends on that reasoning.
      result.damaged = true;
      done = !write_string(old, table[old].length) || !write_pixel(table[old].first);
      continue;
    }
    const uint32_t added = next_free;
    table[added] = TableEntry{static_cast<uint16_t>(old),
                              static_cast<uint16_t>(table[old].length + 1), table[old].first,
                              table[old].first};
    if (++next_free == grow_at) {
      if (code_size < kMaxCodeSize) {
        ++code_size;
        code_mask = (1u << code_size) - 1;
        grow_at <<= 1;
      } else {
        additions = false;
      }
    }
    old_code = static_cast<int32_t>(added);
    fast_limit = next_free;
    done = !write_string(added, table[added].length);
  }

  if (!done) {
    cursor.ZeroRest(static_cast<uint32_t>(out - row_begin));
    result.damaged = true;
  }
  reporter.End();
  return result;
}

int MinCodeSizeForBitCount(int bit_count) {
  switch (bit_count) {
    case 1: return 2;
    case 4: return 4;
    case 8: return 8;
    default: throw GifError::EncodingError();
  }
}

namespace {

// Packs codes least significant bit first.
class CodeWriter {
 public:
  explicit CodeWriter(std::vector<uint8_t>& out) : out_(out) {}
  void Put(uint32_t code, uint32_t size) {
    buffer_ |= static_cast<uint64_t>(code) << bits_;
    bits_ += size;
    while (bits_ >= 8) {
      out_.push_back(static_cast<uint8_t>(buffer_));
      buffer_ >>= 8;
      bits_ -= 8;
    }
  }
  void Finish() {
    if (bits_ > 0) out_.push_back(static_cast<uint8_t>(buffer_));
    buffer_ = 0;
    bits_ = 0;
  }

 private:
  std::vector<uint8_t>& out_;
  uint64_t buffer_ = 0;
  uint32_t bits_ = 0;
};

// Open-addressing table of the strings assigned so far: (prefix, pixel) -> code.
class StringTable {
 public:
  static constexpr size_t kSlots = 17777;
  StringTable() { Clear(); }
  void Clear() { slots_.fill(Entry{}); }
  // Code of the string prefix + pixel, or -1.
  int Find(uint32_t prefix, uint8_t pixel) const {
    for (size_t i = Hash(prefix, pixel);; i = (i + 1 == kSlots) ? 0 : i + 1) {
      const Entry& e = slots_[i];
      if (e.code == kEmpty) return -1;
      if (e.prefix == prefix && e.pixel == pixel) return e.code;
    }
  }
  void Insert(uint32_t prefix, uint8_t pixel, uint32_t code) {
    size_t i = Hash(prefix, pixel);
    while (slots_[i].code != kEmpty) i = (i + 1 == kSlots) ? 0 : i + 1;
    slots_[i] = Entry{static_cast<uint16_t>(prefix), static_cast<uint16_t>(code), pixel};
  }

 private:
  static constexpr uint16_t kEmpty = 0xFFFF;
  struct Entry {
    uint16_t prefix = 0;
    uint16_t code = kEmpty;
    uint8_t pixel = 0;
  };
  static size_t Hash(uint32_t prefix, uint8_t pixel) {
    const uint32_t key = (prefix << 8) | pixel;
    return static_cast<size_t>((key * 2654435761u) % kSlots);
  }
  std::array<Entry, kSlots> slots_;
};

}  // namespace

std::vector<uint8_t> EncodeLzw(const ConstPixelRows& rows) {
  const int min_code_size = MinCodeSizeForBitCount(rows.bit_count);
  const uint32_t clear_code = 1u << min_code_size;
  const uint32_t end_code = clear_code + 1;

  std::vector<uint8_t> codes;
  codes.reserve(size_t{rows.width} * rows.height / 2 + 16);
  CodeWriter writer(codes);
  auto table = std::make_unique<StringTable>();

  uint32_t code_size = static_cast<uint32_t>(min_code_size) + 1;
  uint32_t next_free = clear_code + 2;
  int32_t last_assigned = -1;
  int32_t pending = -1;
  writer.Put(clear_code, code_size);

  for (uint32_t y = 0; y < rows.height; ++y) {
    const uint32_t stored = rows.bottom_up ? rows.height - 1 - y : y;
    const uint8_t* row = rows.pixels + size_t{stored} * rows.stride;
    for (uint32_t x = 0; x < rows.width; ++x) {
      uint8_t pixel;
      switch (rows.bit_count) {
        case 1: pixel = (row[x >> 3] >> (7 - (x & 7))) & 1; break;
        case 4: pixel = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4); break;
        default: pixel = row[x];
      }
      if (pending < 0) {
        pending = pixel;
        continue;
      }
      const int found = table->Find(static_cast<uint32_t>(pending), pixel);
      if (found >= 0) {
        pending = found;
        continue;
      }
      writer.Put(static_cast<uint32_t>(pending), code_size);
      table->Insert(static_cast<uint32_t>(pending), pixel, next_free);
      last_assigned = static_cast<int32_t>(next_free++);
      if (static_cast<uint32_t>(last_assigned) >= (1u << code_size) &&
          code_size < static_cast<uint32_t>(kMaxCodeSize)) {
        ++code_size;
      }
      pending = pixel;
      if (last_assigned > 4093) {
        writer.Put(static_cast<uint32_t>(pending), code_size);
        writer.Put(clear_code, code_size);
        table->Clear();
        code_size = static_cast<uint32_t>(min_code_size) + 1;
        next_free = clear_code + 2;
        last_assigned = -1;
        pending = -1;
      }
    }
  }
  if (pending >= 0) {
    writer.Put(static_cast<uint32_t>(pending), code_size);
    // The decoder adds one more entry when it reads this code and may widen its codes
    // before it reads the end code.
    if (last_assigned >= 0 && static_cast<uint32_t>(last_assigned) + 1 == (1u << code_size) &&
        code_size < static_cast<uint32_t>(kMaxCodeSize)) {
      ++code_size;
    }
  }
  writer.Put(end_code, code_size);
  writer.Finish();

  std::vector<uint8_t> out;
  out.reserve(codes.size() + codes.size() / 255 + 3);
  out.push_back(static_cast<uint8_t>(min_code_size));
  for (size_t i = 0; i < codes.size(); i += 255) {
    const size_t n = std::min<size_t>(255, codes.size() - i);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), codes.begin() + static_cast<std::ptrdiff_t>(i),
               codes.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  out.push_back(0);
  return out;
}

}  // namespace vornada::gif
