// Reading, decoding, encoding and writing of GIF pictures (see GifPicture.h for ownership).
#include "GifPicture.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "GifLzw.h"

namespace vornada::gif {

// ============================================================================================
// Reading
// ============================================================================================

namespace {

// Sequential reads over the bytes of one GIF; never reads outside them.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}
  size_t Remaining() const { return data_.size() - pos_; }
  bool AtEnd() const { return pos_ >= data_.size(); }
  bool ReadByte(uint8_t& value) {
    if (AtEnd()) return false;
    value = data_[pos_++];
    return true;
  }
  // Exactly `n` bytes or "Stream read error".
  std::span<const uint8_t> ReadExact(size_t n) {
    if (Remaining() < n) throw GifError::StreamRead();
    auto s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  // Up to `n` bytes.
  std::span<const uint8_t> ReadUpTo(size_t n) {
    n = std::min(n, Remaining());
    auto s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  // The next byte that is not 0; 0 when the data is exhausted.
  uint8_t NextNonZero() {
    while (pos_ < data_.size()) {
      const uint8_t b = data_[pos_++];
      if (b != 0) return b;
    }
    return 0;
  }
  void SkipToEnd() { pos_ = data_.size(); }
  // The bytes not read yet.
  std::span<const uint8_t> Rest() const { return data_.subspan(pos_); }

 private:
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
};

uint16_t Get16(std::span<const uint8_t> s, size_t at) {
  return static_cast<uint16_t>(s[at] | (s[at + 1] << 8));
}

bool EqualsNoCase(std::span<const uint8_t> bytes, const char* text) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto lower = [](int c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; };
    if (lower(bytes[i]) != lower(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

void ReadColorMap(ByteReader& in, int bits, ColorMap& map) {
  map.Clear();
  map.count = 1u << bits;
  auto bytes = in.ReadExact(size_t{3} * map.count);
  for (uint32_t i = 0; i < map.count; ++i) {
    map.entries[i] = RgbEntry{bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
  }
}

// What one frame object takes besides its data (the frame, its wrapper in the picture class,
// their list slots and the allocator's bookkeeping), and what one kept string takes besides
// its characters.
constexpr uint64_t kFrameObjectBytes = 512;
constexpr uint64_t kStringBytes = sizeof(std::string) + 16;
// The LZW coders' tables and their slack.
constexpr uint64_t kLzwWorkBytes = 128 << 10;

// Grows `share` by `bytes` of the picture's budget, or fails with GifError::OutOfMemory.
void Grow(pictures::BudgetShare& share, const GifPicture& picture, uint64_t bytes) {
  if (!share.TryGrow(picture.SharedBudget(), bytes)) throw GifError::OutOfMemory();
}

// Length-prefixed strings until a zero length or the end of the data (a sub-block cut short
// by the end of the data keeps the bytes that are there). Their memory is added to `share`.
std::vector<std::string> ReadSubBlocks(ByteReader& in, pictures::BudgetShare& share,
                                       const GifPicture& picture) {
  std::vector<std::string> blocks;
  uint8_t length = 0;
  while (in.ReadByte(length) && length != 0) {
    auto bytes = in.ReadUpTo(length);
    Grow(share, picture, kStringBytes + bytes.size());
    blocks.emplace_back(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (bytes.size() < length) break;
  }
  return blocks;
}

// Size of the encoded data at the start of `rest` as a frame keeps it: the minimum code size
// byte, every complete sub-block with its length byte, and the zero-length block.
size_t EncodedDataSize(std::span<const uint8_t> rest) {
  if (rest.empty()) return 0;
  size_t pos = 1;
  size_t size = 1;
  while (pos < rest.size()) {
    const uint8_t length = rest[pos++];
    if (length == 0 || rest.size() - pos < length) break;
    pos += length;
    size += size_t{1} + length;
  }
  return size + 1;
}

bool IsLoopApplication(const std::vector<uint8_t>& header) {
  if (header.size() < 12) return false;
  const char* id = reinterpret_cast<const char*>(header.data() + 1);
  return std::memcmp(id, "NETSCAPE2.0", 11) == 0 || std::memcmp(id, "ANIMEXTS1.0", 11) == 0;
}

}  // namespace

class GifReader {
 public:
  GifReader(GifPicture& picture, std::span<const uint8_t> data) : pic_(picture), in_(data) {}

  void Run(size_t total) {
    if (total == 0) return;
    if (in_.Remaining() < 3 || !EqualsNoCase(in_.ReadExact(3), "GIF")) {
      throw GifError::UnknownVersion();
    }
    if (in_.Remaining() < 3) throw GifError::UnknownVersion();
    auto version = in_.ReadExact(3);
    if (EqualsNoCase(version, "87a")) {
      pic_.FGifVersion = 1;
    } else if (EqualsNoCase(version, "89a")) {
      pic_.FGifVersion = 2;
    } else {
      throw GifError::UnknownVersion();
    }

    // Logical screen descriptor.
    auto lsd = in_.ReadExact(7);
    pic_.FLogicalWidth = Get16(lsd, 0);
    pic_.FLogicalHeight = Get16(lsd, 2);
    const uint8_t packed = lsd[4];
    const uint8_t background_index = lsd[5];
    TGIFData& data = *pic_.FShared;
    data.aspect_ratio = lsd[6];
    data.bits_per_pixel = (packed & 7) + 1;
    data.color_resolution = ((packed >> 4) & 7) + 1;
    if (packed & 0x80) {
      ReadColorMap(in_, data.bits_per_pixel, data.color_map);
      if (background_index < data.color_map.count) {
        pic_.FBackColor = data.color_map.ColorAt(background_index);
      }
    }

    uint8_t separator = in_.NextNonZero();
    while (separator != 0 && separator != ';' && !in_.AtEnd()) {
      while (separator == '!') {
        ReadExtension();
        separator = in_.AtEnd() ? ';' : in_.NextNonZero();
      }
      if (separator == ',') {
        ReadFrame();
        separator = in_.AtEnd() ? ';' : in_.NextNonZero();
        if (separator != '!' && separator != ',' && separator != ';') break;
      } else if (!collected_.empty() && data.comment.empty()) {
        bool first = true;
        for (const TExtension& ext : collected_) {
          if (ext.kind != ExtensionKind::kComment) continue;
          if (!first) data.comment.emplace_back("\r\n\r\n");
          first = false;
          data.comment.insert(data.comment.end(), ext.sub_blocks.begin(), ext.sub_blocks.end());
        }
        collected_.clear();
        // The comment's memory now belongs to the picture.
        pic_.FCommentShare = std::move(collected_share_);
      } else if (separator != 0 && separator != ';') {
        throw GifError::StreamRead();
      } else {
        collected_.clear();
        collected_share_.Reset();
      }
    }
  }

 private:
  void ReadExtension() {
    uint8_t label = 0;
    if (!in_.ReadByte(label)) throw GifError::StreamRead();
    TExtension ext;
    // Extensions that are read only to be passed over still take memory while they are read.
    pictures::BudgetShare passing;
    switch (label) {
      case kGraphicControlLabel: {
        auto header = in_.ReadExact(6);
        Grow(collected_share_, pic_, sizeof(TExtension) + kStringBytes);
        ext.kind = ExtensionKind::kGraphicControl;
        ext.header.assign(header.begin(), header.end());
        collected_.push_back(std::move(ext));
        break;
      }
      case kCommentLabel:
        Grow(collected_share_, pic_, sizeof(TExtension));
        ext.kind = ExtensionKind::kComment;
        ext.sub_blocks = ReadSubBlocks(in_, collected_share_, pic_);
        collected_.push_back(std::move(ext));
        break;
      case kPlainTextLabel: {
        in_.ReadExact(13);
        ReadSubBlocks(in_, passing, pic_);
        // Text drawn over the image replaces whatever the coming frame was to be shown with.
        collected_.clear();
        collected_share_.Reset();
        break;
      }
      case kApplicationLabel: {
        auto header = in_.ReadExact(12);
        ext.header.assign(header.begin(), header.end());
        ext.sub_blocks = ReadSubBlocks(in_, passing, pic_);
        if (IsLoopApplication(ext.header) && !ext.sub_blocks.empty() &&
            ext.sub_blocks[0].size() >= 3 && ext.sub_blocks[0][0] == 1) {
          const auto& b = ext.sub_blocks[0];
          const uint16_t count = static_cast<uint16_t>(static_cast<uint8_t>(b[1]) |
                                                       (static_cast<uint8_t>(b[2]) << 8));
          pic_.FLoopFlag = true;
          pic_.FLoopCount = std::min<uint16_t>(count, 30000);
        }
        break;
      }
      default:
        throw GifError::UnrecognizedExtension(label);
    }
  }

  void ReadFrame() {
    const TGIFData& data = *pic_.FShared;
    auto item_holder = std::make_unique<TGIFItem>();
    TGIFItem* item = item_holder.get();
    if (data.color_map.count > 0) {
      if (!IsValidColorCount(data.color_map.count)) throw GifError::WrongColorCount();
      item->bits_per_pixel = BitsForCount(data.color_map.count);
    }
    Grow(collected_share_, pic_, kFrameObjectBytes);
    auto frame = std::make_unique<GifFrame>(&pic_);
    frame->FExtList = std::move(collected_);
    collected_.clear();
    frame->FShare = std::move(collected_share_);

    auto descriptor = in_.ReadExact(9);
    const uint16_t left = Get16(descriptor, 0);
    const uint16_t top = Get16(descriptor, 2);
    item->width = Get16(descriptor, 4);
    item->height = Get16(descriptor, 6);
    item->packed = descriptor[8];
    frame->FInterlacedFlag = (item->packed & 0x40) != 0;
    if (item->packed & 0x80) {
      item->bits_per_pixel = (item->packed & 7) + 1;
      ReadColorMap(in_, item->bits_per_pixel, item->color_map);
      frame->FHasLocalMap = true;
    } else {
      item->color_map = data.color_map;
    }

    // Encoded data: minimum code size, complete sub-blocks, a zero-length block. A sub-block
    // cut short by the end of the data is left out and marks the frame damaged; the stored
    // data always ends with the zero-length block so that writing it gives a well-formed GIF.
    // The frame keeps its encoded data in memory of exactly its size, taken from the budget
    // before it is allocated.
    pictures::BudgetShare data_share = pic_.TakeMemory(EncodedDataSize(in_.Rest()));
    item->encoded.reserve(static_cast<size_t>(data_share.Bytes()));
    uint8_t byte = 0;
    if (in_.ReadByte(byte)) {
      std::vector<uint8_t>& encoded = item->encoded;
      encoded.push_back(byte);
      for (;;) {
        uint8_t length = 0;
        if (!in_.ReadByte(length) || length == 0) break;
        if (in_.Remaining() < length) {
          frame->FDamaged = true;
          in_.SkipToEnd();
          break;
        }
        auto block = in_.ReadExact(length);
        encoded.push_back(length);
        encoded.insert(encoded.end(), block.begin(), block.end());
      }
      encoded.push_back(0);
    } else {
      frame->FDamaged = true;
    }

    if (item->width == 0) item->width = pic_.FLogicalWidth;
    if (item->height == 0) item->height = pic_.FLogicalHeight;
    frame->FOffset = Point{left, top};

    // Graphic control extensions, in order.
    for (const TExtension& ext : frame->FExtList) {
      if (ext.kind != ExtensionKind::kGraphicControl) continue;
      const uint8_t gce_packed = ext.header[1];
      const uint32_t delay_field = ext.header[2] | (ext.header[3] << 8);
      const uint8_t trans_index = ext.header[4];
      if (gce_packed & 1) {
        if (trans_index < item->color_map.count) {
          frame->FTransColor = item->color_map.ColorAt(trans_index);
        }
      } else {
        frame->FTransColor = clNone;
      }
      // Delays beyond 655.35 s saturate instead of wrapping around.
      const uint32_t delay = std::min<uint32_t>(delay_field * 10, 0xFFFF);
      frame->FDelayMs = static_cast<uint16_t>(std::max<uint32_t>(delay, frame->FDelayMs));
      frame->FDisposeMode = (gce_packed >> 2) & 7;
    }
    frame->FItem = pictures::HoldingShare(std::move(*item_holder), std::move(data_share));
    pic_.FFrames.push_back(std::move(frame));
  }

  GifPicture& pic_;
  ByteReader in_;
  std::vector<TExtension> collected_;
  pictures::BudgetShare collected_share_;  // the memory of `collected_`
};

// ============================================================================================
// GifFrame
// ============================================================================================

GifFrame::GifFrame(GifPicture* owner)
    : owner_(owner), FItem(std::make_shared<const TGIFItem>()) {}

void GifFrame::SetItem(std::shared_ptr<const TGIFItem> item) {
  FItem = item ? std::move(item) : std::make_shared<const TGIFItem>();
  FDecoded.reset();
}

const FrameBitmap& GifFrame::Bitmap(const ProgressCallback* progress, const Limits& limits) {
  if (FDecoded) return *FDecoded;
  try {
    return Decode(progress, limits);
  } catch (const std::bad_alloc&) {
    throw GifError::OutOfMemory();
  }
}

const FrameBitmap& GifFrame::Decode(const ProgressCallback* progress, const Limits& limits) {
  const TGIFItem& item = *FItem;
  const int bit_count = BitCountForBitsPerPixel(item.bits_per_pixel);
  if (!IsValidColorCount(item.color_map.count)) throw GifError::WrongColorCount();
  const BitmapLayout layout = ComputeBitmapLayout(bit_count, item.width, item.height, limits);
  pictures::BudgetShare share;
  // While it works the decoder holds the joined sub-blocks and its tables besides the bitmap.
  if (owner_ != nullptr)
    share = owner_->TakeMemory(layout.file_size + item.encoded.size() + kLzwWorkBytes);
  // The decoder writes every byte of the rows.
  FrameBitmap bitmap = FrameBitmap::CreateUnfilled(layout, item.color_map);
  PixelRows rows;
  rows.pixels = bitmap.Pixels();
  rows.stride = layout.stride;
  rows.bit_count = bit_count;
  rows.width = layout.width;
  rows.height = layout.height;
  rows.bottom_up = true;
  const LzwDecodeResult result =
      DecodeLzw(item.encoded, item.bits_per_pixel, FInterlacedFlag, rows, progress);
  if (result.damaged) FDamaged = true;
  share.ShrinkTo(layout.file_size);
  FDecoded = pictures::HoldingShare(std::move(bitmap), std::move(share));
  return *FDecoded;
}

uint32_t GifFrame::Width() const {
  if (FDecoded) return FDecoded->Width();
  return HasEncodedData() ? FItem->width : 0;
}

uint32_t GifFrame::Height() const {
  if (FDecoded) return FDecoded->Height();
  return HasEncodedData() ? FItem->height : 0;
}

std::vector<std::string>& GifFrame::CommentLines() {
  for (TExtension& ext : FExtList) {
    if (ext.kind == ExtensionKind::kComment) return ext.sub_blocks;
  }
  TExtension ext;
  ext.kind = ExtensionKind::kComment;
  FExtList.push_back(std::move(ext));
  return FExtList.back().sub_blocks;
}

const std::vector<std::string>* GifFrame::FirstNonEmptyComment() const {
  for (const TExtension& ext : FExtList) {
    if (ext.kind == ExtensionKind::kComment && !ext.sub_blocks.empty()) return &ext.sub_blocks;
  }
  return nullptr;
}

void GifFrame::AssignFrom(const GifFrame& source) {
  if (&source == this) return;
  FItem = source.FItem;
  FOffset = source.FOffset;
  FInterlacedFlag = source.FInterlacedFlag;
  FDecoded = source.FDecoded;
  FTransColor = source.FTransColor;
  FDelayMs = source.FDelayMs;
  FDisposeMode = source.FDisposeMode;
  FGrayFlag = source.FGrayFlag;
  FDamaged = source.FDamaged;
  FExtList.clear();
  if (const auto* lines = source.FirstNonEmptyComment()) CommentLines() = *lines;
  FHasLocalMap = (source.owner_ == owner_) ? source.FHasLocalMap : true;
  if (owner_) owner_->RecomputeLogicalScreen();
}

void GifFrame::AssignBitmap(std::shared_ptr<const FrameBitmap> bitmap, Color trans_color,
                            pictures::BudgetShare share) {
  auto item = std::make_shared<TGIFItem>();
  if (bitmap) {
    item->width = static_cast<uint16_t>(std::min<uint32_t>(bitmap->Width(), 0xFFFF));
    item->height = static_cast<uint16_t>(std::min<uint32_t>(bitmap->Height(), 0xFFFF));
  }
  FItem = std::move(item);
  FDecoded = share.Bytes() != 0 ? pictures::HoldingShare(std::move(bitmap), std::move(share))
                                : std::move(bitmap);
  FTransColor = trans_color;
  if (owner_) owner_->RecomputeLogicalScreen();
}

// ============================================================================================
// GifPicture
// ============================================================================================

GifPicture::GifPicture() : FShared(std::make_shared<TGIFData>()) {}

pictures::BudgetShare GifPicture::TakeMemory(uint64_t bytes) const {
  pictures::BudgetShare share;
  if (!share.TryTake(budget_, bytes)) throw GifError::OutOfMemory();
  return share;
}

void GifPicture::Reset() {
  FShared = std::make_shared<TGIFData>();
  FCommentShare.Reset();
  FFrames.clear();
  FCurrentFrame = -1;
  FBackColor = clNone;
  FLoopCount = 1;
  FLoopFlag = false;
  FGifVersion = 0;
  FLogicalWidth = 0;
  FLogicalHeight = 0;
}

void GifPicture::Clear() { Reset(); }

void GifPicture::Load(std::span<const uint8_t> data, bool decode_first) {
  Reset();
  GifReader reader(*this, data);
  try {
    reader.Run(data.size());
  } catch (const std::bad_alloc&) {
    throw GifError::OutOfMemory();
  }
  if (!FFrames.empty()) {
    FCurrentFrame = 0;
    if (decode_first) {
      try {
        FrameBitmapAt(0);
      } catch (...) {
        FFrames.erase(FFrames.begin());
        throw;
      }
    }
  }
}

size_t GifPicture::LoadStored(std::span<const uint8_t> stored, bool decode_first) {
  if (stored.size() < 4) throw GifError::ShortData();
  const uint32_t length = stored[0] | (stored[1] << 8) | (stored[2] << 16) |
                          (static_cast<uint32_t>(stored[3]) << 24);
  if (stored.size() - 4 < length) throw GifError::ShortData();
  Load(stored.subspan(4, length), decode_first);
  return size_t{4} + length;
}

const FrameBitmap& GifPicture::FrameBitmapAt(size_t index) {
  return Frame(index).Bitmap(progress_ ? &progress_ : nullptr, limits_);
}

void GifPicture::DeleteFrame(size_t index) {
  if (index < FFrames.size()) FFrames.erase(FFrames.begin() + static_cast<std::ptrdiff_t>(index));
}

TGIFData& GifPicture::MutableData() {
  if (FShared.use_count() > 1) FShared = std::make_shared<TGIFData>(*FShared);
  return *FShared;
}

void GifPicture::RecomputeLogicalScreen() {
  uint32_t width = 0;
  uint32_t height = 0;
  for (const auto& frame : FFrames) {
    const int64_t right = int64_t{frame->FOffset.x} + frame->Width();
    const int64_t bottom = int64_t{frame->FOffset.y} + frame->Height();
    width = static_cast<uint32_t>(std::clamp<int64_t>(right, width, 0xFFFF));
    height = static_cast<uint32_t>(std::clamp<int64_t>(bottom, height, 0xFFFF));
  }
  FLogicalWidth = static_cast<uint16_t>(width);
  FLogicalHeight = static_cast<uint16_t>(height);
}

bool GifPicture::IsTransparent() const {
  if (!FTransparent) return false;
  return std::any_of(FFrames.begin(), FFrames.end(),
                     [](const auto& f) { return f->FTransColor != clNone; });
}

bool GifPicture::IsEmpty() const {
  if (FFrames.empty()) return true;
  size_t index = 0;
  if (FCurrentFrame >= 0 && static_cast<size_t>(FCurrentFrame) < FFrames.size()) {
    index = static_cast<size_t>(FCurrentFrame);
  }
  const GifFrame& frame = *FFrames[index];
  if (frame.FDecoded) return false;
  return !frame.HasEncodedData();
}

std::unique_ptr<GifFrame> GifPicture::NewFrame() {
  pictures::BudgetShare share = TakeMemory(kFrameObjectBytes);
  auto frame = std::make_unique<GifFrame>(this);
  frame->FShare = std::move(share);
  return frame;
}

int GifPicture::AppendBitmap(std::shared_ptr<const FrameBitmap> bitmap, Color trans_color,
                             pictures::BudgetShare share) {
  FFrames.push_back(NewFrame());
  const int index = static_cast<int>(FFrames.size() - 1);
  FCurrentFrame = index;
  FFrames.back()->AssignBitmap(std::move(bitmap), trans_color, std::move(share));
  if (FGifVersion == 0) FGifVersion = 1;
  if (FFrames.size() > 1) FGifVersion = 2;
  return index;
}

int GifPicture::AppendFrameFrom(const GifFrame& source) {
  FFrames.push_back(NewFrame());
  const int index = static_cast<int>(FFrames.size() - 1);
  FCurrentFrame = index;
  FFrames.back()->AssignFrom(source);
  if (FGifVersion == 0) FGifVersion = 1;
  if (FFrames.size() > 1) FGifVersion = 2;
  return index;
}

void GifPicture::AssignFrom(const GifPicture& source) {
  if (&source == this) return;
  FShared = source.FShared;
  FGifVersion = source.FGifVersion;
  FBackColor = source.FBackColor;
  FLoopCount = source.FLoopCount;
  FLoopFlag = source.FLoopFlag;
  FFrames.clear();
  for (const auto& src : source.FFrames) {
    auto frame = NewFrame();
    GifFrame* f = frame.get();
    FFrames.push_back(std::move(frame));
    f->AssignFrom(*src);
    f->FHasLocalMap = src->FHasLocalMap;
  }
  FLogicalWidth = source.FLogicalWidth;
  FLogicalHeight = source.FLogicalHeight;
  FCurrentFrame = source.FCurrentFrame;
}

void GifPicture::AssignFromFrame(const GifFrame& frame) {
  // Take what is needed from the source before emptying: the frame may belong to this picture.
  const TGIFData owner_data = frame.owner_ ? *frame.owner_->FShared : TGIFData{};
  std::unique_ptr<GifFrame> copy = NewFrame();
  copy->AssignFrom(frame);
  Reset();
  TGIFData& data = *FShared;
  data.aspect_ratio = owner_data.aspect_ratio;
  data.bits_per_pixel = owner_data.bits_per_pixel;
  data.color_resolution = owner_data.color_resolution;
  data.color_map = owner_data.color_map;
  FFrames.push_back(std::move(copy));
  FCurrentFrame = 0;
  RecomputeLogicalScreen();
  if (FGifVersion < 1) FGifVersion = 1;
}

// ============================================================================================
// Encoding and writing
// ============================================================================================

void GifPicture::EncodeFrame(size_t index) {
  GifFrame& frame = Frame(index);
  if (!frame.FDecoded) {
    if (!frame.HasEncodedData()) throw GifError::NoDataToWrite();
    FrameBitmapAt(index);
  }
  const FrameBitmap& bitmap = *frame.FDecoded;
  const int bit_count = bitmap.BitCount();
  if (bit_count != 1 && bit_count != 4 && bit_count != 8) throw GifError::EncodingError();
  // LZW output is at most 12 bits per pixel, a clear code per 4094 codes, a length byte per
  // 255 bytes, the minimum code size and the terminator.
  const uint64_t pixels = uint64_t{bitmap.Width()} * bitmap.Height();
  const uint64_t codes = pixels + pixels / 4094 + 4;
  const uint64_t packed = (codes * 12 + 7) / 8;
  const uint64_t encoded_bound = packed + packed / 255 + 3;
  // While it works the encoder holds the packed codes, the result and its string table.
  pictures::BudgetShare share = TakeMemory(3 * encoded_bound + kLzwWorkBytes);
  TGIFItem item;
  item.color_map = bitmap.TableAsMap();
  ConstPixelRows rows;
  rows.pixels = bitmap.Pixels();
  rows.stride = bitmap.Stride();
  rows.bit_count = bit_count;
  rows.width = bitmap.Width();
  rows.height = bitmap.Height();
  rows.bottom_up = true;
  item.encoded = EncodeLzw(rows);
  item.width = static_cast<uint16_t>(std::min<uint32_t>(bitmap.Width(), 0xFFFF));
  item.height = static_cast<uint16_t>(std::min<uint32_t>(bitmap.Height(), 0xFFFF));
  item.bits_per_pixel = BitsForCount(item.color_map.count);
  item.packed = 0;
  frame.FInterlacedFlag = false;
  if (FShared->color_map.Empty()) {
    TGIFData& data = MutableData();
    data.color_map = item.color_map;
    data.bits_per_pixel = item.bits_per_pixel;
    if (data.color_resolution == 0) data.color_resolution = item.bits_per_pixel;
    frame.FHasLocalMap = false;
  } else {
    frame.FHasLocalMap = true;
  }
  share.ShrinkTo(item.encoded.capacity());
  // The decoded bitmap stays: it is what was encoded.
  frame.FItem = pictures::HoldingShare(std::move(item), std::move(share));
  const int64_t right = int64_t{frame.FOffset.x} + bitmap.Width();
  const int64_t bottom = int64_t{frame.FOffset.y} + bitmap.Height();
  FLogicalWidth = static_cast<uint16_t>(std::clamp<int64_t>(right, FLogicalWidth, 0xFFFF));
  FLogicalHeight = static_cast<uint16_t>(std::clamp<int64_t>(bottom, FLogicalHeight, 0xFFFF));
}

namespace {

class ByteWriter {
 public:
  void Reserve(size_t bytes) { out_.reserve(bytes); }
  void Byte(uint8_t b) { out_.push_back(b); }
  void Word(uint32_t v) {
    out_.push_back(static_cast<uint8_t>(v));
    out_.push_back(static_cast<uint8_t>(v >> 8));
  }
  void Bytes(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
  }
  void Map(const ColorMap& map) {
    for (uint32_t i = 0; i < map.count; ++i) {
      Byte(map.entries[i].red);
      Byte(map.entries[i].green);
      Byte(map.entries[i].blue);
    }
  }
  // Each string as data sub-blocks of at most 255 bytes (a longer string is split, an empty
  // one is left out: a zero length would end the list), then the zero-length block.
  void SubBlocks(const std::vector<std::string>& blocks) {
    for (const std::string& s : blocks) {
      for (size_t i = 0; i < s.size(); i += 255) {
        const size_t n = std::min<size_t>(255, s.size() - i);
        Byte(static_cast<uint8_t>(n));
        Bytes(s.data() + i, n);
      }
    }
    Byte(0);
  }
  std::vector<uint8_t>& Out() { return out_; }

 private:
  std::vector<uint8_t> out_;
};

uint8_t LabelOf(ExtensionKind kind) {
  switch (kind) {
    case ExtensionKind::kGraphicControl: return kGraphicControlLabel;
    case ExtensionKind::kPlainText: return kPlainTextLabel;
    case ExtensionKind::kApplication: return kApplicationLabel;
    case ExtensionKind::kComment: break;
  }
  return kCommentLabel;
}

bool HasText(const std::vector<std::string>& lines) {
  return std::any_of(lines.begin(), lines.end(), [](const std::string& s) { return !s.empty(); });
}

}  // namespace

std::vector<uint8_t> GifPicture::Save() {
  try {
    return Write();
  } catch (const std::bad_alloc&) {
    throw GifError::OutOfMemory();
  }
}

std::vector<uint8_t> GifPicture::Write() {
  if (FFrames.empty()) throw GifError::NoDataToWrite();
  for (size_t i = 0; i < FFrames.size(); ++i) {
    if (!FFrames[i]->HasEncodedData()) EncodeFrame(i);
  }

  // Bring every frame's extensions up to date.
  bool any_extension = false;
  for (auto& frame_ptr : FFrames) {
    GifFrame& frame = *frame_ptr;
    auto& exts = frame.FExtList;
    exts.erase(std::remove_if(exts.begin(), exts.end(),
                              [](const TExtension& e) {
                                return e.kind == ExtensionKind::kComment && !HasText(e.sub_blocks);
                              }),
               exts.end());
    const bool wants_control = frame.FDelayMs != 0 || frame.FTransColor != clNone ||
                               frame.FDisposeMode != 0;
    const bool has_control =
        std::any_of(exts.begin(), exts.end(),
                    [](const TExtension& e) { return e.kind == ExtensionKind::kGraphicControl; });
    if (wants_control && !has_control) {
      TExtension ext;
      ext.kind = ExtensionKind::kGraphicControl;
      ext.header = {4, 0, 0, 0, 0, 0};
      exts.push_back(std::move(ext));
    }
    const ColorMap& map = frame.FItem->color_map;
    for (TExtension& ext : exts) {
      if (ext.kind != ExtensionKind::kGraphicControl) continue;
      ext.header.resize(6, 0);
      const uint32_t delay = frame.FDelayMs / 10u;
      uint8_t packed = static_cast<uint8_t>(ext.header[1] & ~0x1D);
      packed |= static_cast<uint8_t>((frame.FDisposeMode & 7) << 2);
      uint8_t index = 0;
      if (frame.FTransColor != clNone) {
        // Keep the index that was read when it still shows the colour.
        const uint8_t old_index = ext.header[4];
        int found = -1;
        if ((ext.header[1] & 1) && old_index < map.count &&
            map.ColorAt(old_index) == frame.FTransColor) {
          found = old_index;
        } else {
          found = map.IndexOf(frame.FTransColor);
        }
        if (found >= 0) {
          packed |= 1;
          index = static_cast<uint8_t>(found);
        }
      }
      ext.header[1] = packed;
      ext.header[2] = static_cast<uint8_t>(delay);
      ext.header[3] = static_cast<uint8_t>(delay >> 8);
      ext.header[4] = index;
    }
    if (!exts.empty()) any_extension = true;
  }
  if (any_extension || HasText(FShared->comment)) FGifVersion = 2;

  // The written bytes count for the picture while they are made: at most the header, the
  // global map and the loop extension, then per frame its extensions, descriptor, local map
  // and encoded data, then the comment.
  auto sub_blocks_bytes = [](const std::vector<std::string>& blocks) {
    uint64_t bytes = 1;
    for (const std::string& b : blocks) bytes += b.size() + b.size() / 255 + 1;
    return bytes;
  };
  uint64_t estimate = 13 + 768 + 19 + 1 + 2 + sub_blocks_bytes(FShared->comment);
  for (const auto& frame : FFrames) {
    estimate += 10 + 768 + frame->FItem->encoded.size();
    for (const TExtension& ext : frame->FExtList)
      estimate += 2 + ext.header.size() + sub_blocks_bytes(ext.sub_blocks);
  }
  const pictures::BudgetShare output = TakeMemory(estimate);
  ByteWriter w;
  w.Reserve(static_cast<size_t>(estimate));
  w.Bytes("GIF", 3);
  w.Bytes(FGifVersion >= 2 ? "89a" : "87a", 3);

  // Logical screen descriptor, the size recomputed from the frames.
  uint32_t width = 0;
  uint32_t height = 0;
  for (const auto& frame : FFrames) {
    width = std::max<uint32_t>(width, static_cast<uint32_t>(std::clamp<int64_t>(
                                          int64_t{frame->FOffset.x} + frame->FItem->width, 0, 0xFFFF)));
    height = std::max<uint32_t>(height, static_cast<uint32_t>(std::clamp<int64_t>(
                                            int64_t{frame->FOffset.y} + frame->FItem->height, 0, 0xFFFF)));
  }
  const TGIFData& data = *FShared;
  w.Word(width);
  w.Word(height);
  uint8_t background_index = 0;
  if (data.color_map.count > 0) {
    if (!IsValidColorCount(data.color_map.count)) throw GifError::WrongColorCount();
    const int bits = BitsForCount(data.color_map.count);
    w.Byte(static_cast<uint8_t>(0x80 + (bits - 1) * 16 + (bits - 1)));
    if (FBackColor != clNone) {
      const int found = data.color_map.IndexOf(FBackColor);
      if (found >= 0) background_index = static_cast<uint8_t>(found);
    }
  } else {
    w.Byte(0);
  }
  w.Byte(background_index);
  w.Byte(data.aspect_ratio);
  w.Map(data.color_map);

  if (FLoopFlag && FFrames.size() > 1) {
    w.Bytes("!\xFF\x0BNETSCAPE2.0\x03\x01", 16);
    w.Word(FLoopCount);
    w.Byte(0);
  }

  for (const auto& frame_ptr : FFrames) {
    const GifFrame& frame = *frame_ptr;
    const TGIFItem& item = *frame.FItem;
    for (const TExtension& ext : frame.FExtList) {
      w.Byte('!');
      w.Byte(LabelOf(ext.kind));
      w.Bytes(ext.header.data(), ext.header.size());
      if (ext.kind != ExtensionKind::kGraphicControl) w.SubBlocks(ext.sub_blocks);
    }
    w.Byte(',');
    w.Word(static_cast<uint32_t>(std::clamp<int32_t>(frame.FOffset.x, 0, 0xFFFF)));
    w.Word(static_cast<uint32_t>(std::clamp<int32_t>(frame.FOffset.y, 0, 0xFFFF)));
    w.Word(item.width);
    w.Word(item.height);
    uint8_t packed = 0;
    if (frame.FHasLocalMap) {
      if (!IsValidColorCount(item.color_map.count)) throw GifError::WrongColorCount();
      packed = static_cast<uint8_t>(0x80 + BitsForCount(item.color_map.count) - 1);
    }
    if (frame.FInterlacedFlag) packed += 0x40;
    w.Byte(packed);
    if (frame.FHasLocalMap) w.Map(item.color_map);
    w.Bytes(item.encoded.data(), item.encoded.size());
  }

  if (HasText(data.comment)) {
    w.Byte('!');
    w.Byte(kCommentLabel);
    w.SubBlocks(data.comment);
  }
  w.Byte(';');
  return std::move(w.Out());
}

std::vector<uint8_t> GifPicture::SaveStored() {
  std::vector<uint8_t> gif = Save();
  // The GIF and its stored form are held at once while the stored form is made.
  const pictures::BudgetShare gif_share = TakeMemory(gif.size());
  const pictures::BudgetShare out_share = TakeMemory(gif.size() + 4);
  std::vector<uint8_t> out;
  out.reserve(gif.size() + 4);
  const auto n = static_cast<uint32_t>(gif.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(n >> (8 * i)));
  out.insert(out.end(), gif.begin(), gif.end());
  return out;
}

}  // namespace vornada::gif
