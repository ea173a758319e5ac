// The IDAT chunk: decoding the compressed image data into the header chunk's image while
// loading, and encoding the image into IDAT chunks while saving.
//
// Decoding inflates batches of rows into one reusable buffer, unfilters each row in place
// against the row before it and converts it straight into the store (through a small packed
// row for interlaced passes). Compressed input is read in blocks of at most 65535 bytes and
// never past the current IDAT chunk's data; the following IDAT chunks continue the stream. Encoding converts each row (or Adam7 pass row) back to PNG samples, filters it
// and feeds it to deflate; the output is written as IDAT chunks of at most the picture's IDAT
// limit.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "PngChecksum.h"
#include "PngChunks.h"
#include "PngErrors.h"
#include "PngFilters.h"
#include "PngPicture.h"
#include "PngRows.h"

namespace vornada::png {
namespace {

constexpr ChunkType kIDAT = MakeChunkType("IDAT");
constexpr size_t kInputBlock = 65535;
// What zlib allocates for itself: an inflate state with its 32 KiB window, and a deflate state
// with the default window and memory level (2 x 128 KiB and the state).
constexpr uint64_t kInflateStateBytes = 48 << 10;
constexpr uint64_t kDeflateStateBytes = 272 << 10;

bool IsIdentity(const std::array<uint8_t, 256>& table) {
  for (int i = 0; i < 256; ++i)
    if (table[i] != i) return false;
  return true;
}

// Ends an inflate or deflate stream whatever way the coder is left.
struct InflateGuard {
  z_stream* stream;
  ~InflateGuard() { inflateEnd(stream); }
};
struct DeflateGuard {
  z_stream* stream;
  ~DeflateGuard() { deflateEnd(stream); }
};

// Supplies decompressed bytes from the IDAT chunks of a source.
class IdatInflater {
 public:
  IdatInflater(ByteSource& source, uint32_t firstLength)
      : source_(source),
        chunkRemaining_(firstLength),
        input_(std::make_unique_for_overwrite<uint8_t[]>(kInputBlock)) {}

  void Start() {
    int ret = inflateInit(&stream_);
    if (ret != Z_OK) ThrowZlibError(ret);
    started_ = true;
    // The stream's checksum is computed here (Adler32, several bytes per step) instead of by
    // zlib; zlib still reads the four checksum bytes, and a mismatch fails at the same inflate
    // call where zlib would have reported it.
    ret = inflateValidate(&stream_, 0);
    if (ret != Z_OK) ThrowZlibError(ret);
  }
  ~IdatInflater() {
    if (started_) inflateEnd(&stream_);
  }

  // Fills `out` (count bytes, below 4 GiB) completely and returns true, or returns false when
  // the source ran out of bytes first. Throws for corrupt data, a stream that ended or asks
  // for a preset dictionary while rows are missing, and image data that continues in a
  // non-IDAT chunk. Produced() tells how much of `out` was filled, also after a throw.
  bool Fill(uint8_t* out, size_t count) {
    out_start_ = out;
    stream_.next_out = out;
    stream_.avail_out = static_cast<uInt>(count);
    while (stream_.avail_out > 0) {
      if (ended_) {
        // The zlib stream is complete but rows are missing. Unread data in this chunk is data
        // zlib will not take; otherwise look at what follows, as for data that simply ends.
        if (stream_.avail_in > 0 || chunkRemaining_ > 0) ThrowZlibError(Z_STREAM_END);
        if (!NextIdat()) return false;
        continue;
      }
      if (stream_.avail_in == 0) {
        if (chunkRemaining_ == 0) {
          if (!NextIdat()) return false;
          continue;
        }
        size_t want = static_cast<size_t>(std::min<uint64_t>(kInputBlock, chunkRemaining_));
        // The block before this one was used up: its last bytes may begin the checksum.
        Remember(recent_, input_.get(), used_);
        used_ = 0;
        size_t got = source_.Read(input_.get(), want);
        if (got == 0) return false;
        used_ = got;
        chunkRemaining_ -= got;
        consumed_ += got;
        stream_.next_in = input_.get();
        stream_.avail_in = static_cast<uInt>(got);
      }
      uint8_t* const before = stream_.next_out;
      int ret = inflate(&stream_, Z_NO_FLUSH);
      if (ret < 0) ThrowZlibError(ret);
      if (ret == Z_NEED_DICT) ThrowZlibError(ret);
      check_ = Adler32(check_, before, static_cast<size_t>(stream_.next_out - before));
      if (ret == Z_STREAM_END) {
        ended_ = true;
        if (StoredCheck() != check_) ThrowZlibError(Z_DATA_ERROR);
      }
    }
    return true;
  }

  // Skips what is left of the current chunk's data and reads its CRC.
  void FinishChunk() {
    source_.Skip(chunkRemaining_);
    chunkRemaining_ = 0;
    uint8_t crc[4];
    source_.Read(crc, 4);
  }

  size_t Produced() const { return static_cast<size_t>(stream_.next_out - out_start_); }
  uint64_t Consumed() const { return consumed_; }
  uint32_t Chunks() const { return chunks_; }

 private:
  // Reads the current chunk's CRC and the next chunk's length and type. False when the source
  // has no more bytes; PngError(MissingMultipleIDAT) when the next chunk is not IDAT.
  bool NextIdat() {
    uint8_t bytes[12];
    if (source_.Read(bytes, 12) < 12) return false;
    ChunkType type{static_cast<char>(bytes[8]), static_cast<char>(bytes[9]),
                   static_cast<char>(bytes[10]), static_cast<char>(bytes[11])};
    if (type != kIDAT) throw PngError(ErrorKind::MissingMultipleIDAT);
    chunkRemaining_ = ReadBigEndian32(bytes + 4);
    ++chunks_;
    return true;
  }

  // Shifts the last (up to four) of `count` bytes at `bytes` into `last`.
  static void Remember(uint8_t (&last)[4], const uint8_t* bytes, size_t count) {
    for (size_t k = count > 4 ? count - 4 : 0; k < count; ++k) {
      std::memmove(last, last + 1, 3);
      last[3] = bytes[k];
    }
  }
  // At the end of the stream: its last four bytes, the checksum (big-endian), which may have
  // arrived partly in earlier blocks.
  uint32_t StoredCheck() const {
    uint8_t last[4];
    std::memcpy(last, recent_, 4);
    Remember(last, input_.get(), static_cast<size_t>(stream_.next_in - input_.get()));
    return ReadBigEndian32(last);
  }

  ByteSource& source_;
  z_stream stream_{};
  bool started_ = false;
  bool ended_ = false;
  uint64_t chunkRemaining_;
  uint64_t consumed_ = 0;
  uint32_t chunks_ = 1;
  // Filled by each read before zlib sees it: not zeroed when allocated.
  std::unique_ptr<uint8_t[]> input_;
  size_t used_ = 0;                  // bytes of the current block
  uint8_t recent_[4] = {0, 0, 0, 0};  // the last bytes of the blocks before it
  uint32_t check_ = 1;                // Adler32 of everything inflated so far
  uint8_t* out_start_ = nullptr;
};

}  // namespace

bool TPngChunkIDAT::LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) {
  type_ = type;
  data_.clear();
  PngPicture& picture = Owner();
  TPngChunkIHDR& header = picture.RequireHeader();
  picture.SetImageDecoded(true);
  if (header.ColourType() == 0 || header.ColourType() == 4)
    header.InstallGrayRamp(picture.DecodeGamma().data());

  const uint8_t colour_type = header.ColourType();
  const uint8_t depth = header.BitDepth();
  const uint32_t width = header.Width();
  const uint32_t height = header.Height();
  const unsigned bit_count = header.BitCount();
  const unsigned distance = FilterDistance(colour_type, depth);
  const bool interlaced = header.Header().interlaceMethod == 1;
  const DecodeRowFn decode =
      SelectDecodeRow(colour_type, depth, IsIdentity(picture.DecodeGamma()));
  const uint8_t* gamma = picture.DecodeGamma().data();

  // Rows are inflated in batches into one buffer and unfiltered in place there: slot 0 holds
  // the previous batch's last row, slots 1..batch the new rows, each row's previous row being
  // the slot before it. (Inflating into a large block keeps zlib on its fast path, which it
  // leaves for the last 258 bytes of every output block.) Widths are at most 65535 pixels, so
  // a row is at most 524281 bytes.
  const size_t row_capacity = static_cast<size_t>(PngRowBytes(colour_type, depth, width)) + 1;
  const size_t slot_bytes = std::max<size_t>(3 * row_capacity, (size_t{1} << 17) + row_capacity);
  const size_t pass_bytes =
      interlaced ? static_cast<size_t>(StoreRowBytes(bit_count, width)) + 1 + width : 0;
  // The working memory of the decoding counts for the picture while it lasts.
  const pictures::BudgetShare work =
      picture.TakeMemory(slot_bytes + pass_bytes + kInputBlock + kInflateStateBytes);
  // Every byte of the slots is written before it is read (slot 0 is zeroed per pass, the rows
  // are inflated into): zero-filling them when allocated would only cost time.
  const std::unique_ptr<uint8_t[]> slots = std::make_unique_for_overwrite<uint8_t[]>(slot_bytes);
  std::vector<uint8_t> pass_store, pass_alpha;
  if (interlaced) {
    pass_store.resize(static_cast<size_t>(StoreRowBytes(bit_count, width)) + 1);
    pass_alpha.resize(width);
  }

  IdatInflater inflater(source, length);
  inflater.Start();
  const int passes = interlaced ? 7 : 1;
  bool complete = true;
  for (int p = 0; p < passes && complete; ++p) {
    const InterlacePass pass = interlaced ? Adam7Pass(p, width, height) : FullImagePass(width, height);
    if (pass.columns == 0 || pass.rows == 0) continue;
    const size_t row_bytes = static_cast<size_t>(PngRowBytes(colour_type, depth, pass.columns));
    const size_t stride = row_bytes + 1;
    const size_t batch = slot_bytes / stride - 1;  // at least 2 rows
    std::memset(slots.get(), 0, stride);  // the first row's previous row is zero
    for (uint32_t first = 0; first < pass.rows && complete;) {
      const uint32_t count = static_cast<uint32_t>(std::min<size_t>(batch, pass.rows - first));
      uint8_t* rows = slots.get() + stride;
      // Rows that arrived in full are stored even when the data then ends or turns out bad.
      auto store_rows = [&](uint32_t done) {
        for (uint32_t j = 0; j < done; ++j) {
          uint8_t* row = rows + j * stride;
          UnfilterRow(row[0], row + 1, row + 1 - stride, row_bytes, distance);
          const uint32_t y = pass.y0 + (first + j) * pass.dy;
          uint8_t* store_row = header.StoreRow(y);
          uint8_t* alpha_row = header.AlphaRow(y);
          if (!interlaced) {
            decode(row + 1, width, store_row, alpha_row, gamma);
          } else {
            decode(row + 1, pass.columns, pass_store.data(), pass_alpha.data(), gamma);
            ScatterPixels(bit_count, pass_store.data(), alpha_row ? pass_alpha.data() : nullptr,
                          pass.columns, pass.x0, pass.dx, store_row, alpha_row);
          }
        }
      };
      try {
        complete = inflater.Fill(rows, count * stride);
      } catch (const PngError&) {
        store_rows(static_cast<uint32_t>(inflater.Produced() / stride));
        throw;
      }
      const uint32_t done = complete ? count : static_cast<uint32_t>(inflater.Produced() / stride);
      store_rows(done);
      if (complete) std::memcpy(slots.get(), rows + (count - 1) * stride, stride);
      first += count;
    }
  }
  inflater.FinishChunk();
  compressedBytes_ = inflater.Consumed();
  chunkCount_ = inflater.Chunks();
  return true;
}

void TPngChunkIDAT::SaveToStream(ByteSink& sink) {
  PngPicture& picture = Owner();
  TPngChunkIHDR& header = picture.RequireHeader();
  const uint8_t colour_type = header.ColourType();
  const uint8_t depth = header.BitDepth() == 2 ? 4 : header.BitDepth();  // 2-bit is held as 4
  const uint32_t width = header.Width();
  const uint32_t height = header.Height();
  const unsigned bit_count = header.BitCount();
  const unsigned distance = FilterDistance(colour_type, depth);
  const bool interlaced = picture.SaveInterlace() == 1;
  const EncodeRowFn encode =
      SelectEncodeRow(colour_type, depth, IsIdentity(picture.EncodeGamma()));
  const uint8_t* gamma = picture.EncodeGamma().data();
  // Palette indices and packed samples below 8 bits gain nothing from filtering.
  const uint8_t filters = (colour_type == 3 || depth < 8) ? 0 : picture.RowFilters();

  const size_t row_capacity = static_cast<size_t>(PngRowBytes(colour_type, depth, width));

  // Total filtered bytes, to size the output buffer no larger than the whole result can be.
  uint64_t total = 0;
  for (int p = 0; p < (interlaced ? 7 : 1); ++p) {
    InterlacePass pass = interlaced ? Adam7Pass(p, width, height) : FullImagePass(width, height);
    if (pass.columns != 0) total += (PngRowBytes(colour_type, depth, pass.columns) + 1) * pass.rows;
  }
  const uint64_t bound = total + total / 1000 + (total / 16000 + 1) * 5 + 64;
  const size_t output_bytes = static_cast<size_t>(std::min<uint64_t>(picture.IdatLimit(), bound));
  const size_t input_bytes = std::max<size_t>(1 << 16, row_capacity + 1);
  const size_t pass_bytes =
      interlaced ? static_cast<size_t>(StoreRowBytes(bit_count, width)) + 1 + width : 0;
  // The working memory of the encoding counts for the picture while it lasts.
  const pictures::BudgetShare work = picture.TakeMemory(
      3 * (row_capacity + 1) + pass_bytes + output_bytes + input_bytes + kDeflateStateBytes);

  std::vector<uint8_t> buffers(3 * (row_capacity + 1));
  uint8_t* raw = buffers.data();
  uint8_t* previous_raw = raw + row_capacity + 1;
  uint8_t* scratch = previous_raw + row_capacity + 1;
  std::vector<uint8_t> pass_store, pass_alpha;
  if (interlaced) {
    pass_store.resize(static_cast<size_t>(StoreRowBytes(bit_count, width)) + 1);
    pass_alpha.resize(width);
  }

  std::vector<uint8_t> output(output_bytes);

  z_stream stream{};
  // deflateInit's window and memory settings; filtered rows compress better with the strategy
  // made for them (fewer short matches), unfiltered ones with the default.
  const int strategy = filters != 0 ? Z_FILTERED : Z_DEFAULT_STRATEGY;
  int ret = deflateInit2(&stream, picture.DeflateLevel(), Z_DEFLATED, 15, 8, strategy);
  if (ret != Z_OK) throw PngError(ErrorKind::OutMemory);
  DeflateGuard guard{&stream};
  stream.next_out = output.data();
  stream.avail_out = static_cast<uInt>(output.size());

  auto flush_output = [&] {
    size_t produced = output.size() - stream.avail_out;
    if (produced != 0) WriteChunk(sink, kIDAT, output.data(), produced);
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
  };
  // Filtered rows are written straight into one input block, so that deflate is called per
  // block, not per row.
  std::vector<uint8_t> input(input_bytes);
  size_t input_used = 0;
  auto compress_input = [&] {
    stream.next_in = input.data();
    stream.avail_in = static_cast<uInt>(input_used);
    while (stream.avail_in > 0) {
      if (stream.avail_out == 0) flush_output();
      if (deflate(&stream, Z_NO_FLUSH) == Z_STREAM_ERROR) throw PngError(ErrorKind::OutMemory);
    }
    input_used = 0;
  };

  for (int p = 0; p < (interlaced ? 7 : 1); ++p) {
    const InterlacePass pass = interlaced ? Adam7Pass(p, width, height) : FullImagePass(width, height);
    if (pass.columns == 0 || pass.rows == 0) continue;
    const size_t row_bytes = static_cast<size_t>(PngRowBytes(colour_type, depth, pass.columns));
    std::memset(previous_raw, 0, row_bytes);
    for (uint32_t r = 0; r < pass.rows; ++r) {
      const uint32_t y = pass.y0 + r * pass.dy;
      const uint8_t* store_row = header.StoreRow(y);
      const uint8_t* alpha_row = header.AlphaRow(y);
      if (input_used + row_bytes + 1 > input.size()) compress_input();
      uint8_t* out = input.data() + input_used;
      // Unfiltered rows are converted in place; filtering needs the raw row and its predecessor.
      uint8_t* target = filters == 0 ? out + 1 : raw;
      if (!interlaced) {
        encode(store_row, alpha_row, width, target, gamma);
      } else {
        GatherPixels(bit_count, store_row, alpha_row, pass.columns, pass.x0, pass.dx,
                     pass_store.data(), alpha_row ? pass_alpha.data() : nullptr);
        encode(pass_store.data(), pass_alpha.data(), pass.columns, target, gamma);
      }
      if (filters == 0) {
        out[0] = kFilterNone;
      } else {
        ChooseAndFilterRow(filters, raw, previous_raw, row_bytes, distance, out, scratch);
        std::swap(raw, previous_raw);
      }
      input_used += row_bytes + 1;
    }
  }
  compress_input();
  for (;;) {
    if (stream.avail_out == 0) flush_output();
    ret = deflate(&stream, Z_FINISH);
    if (ret == Z_STREAM_ERROR) throw PngError(ErrorKind::OutMemory);
    flush_output();
    if (ret == Z_STREAM_END) break;
  }
}

}  // namespace vornada::png
