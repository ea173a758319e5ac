// Chunk classes other than the image data: reading, writing and copying their fields, the
// header chunk's image preparation and resizing, and the chunk class registry.
#include "PngChunks.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "PngErrors.h"
#include "PngPicture.h"
#include "PngRows.h"

namespace vornada::png {

// ---- TPngChunk ----

TPngChunk::TPngChunk(PngPicture& owner, std::string_view className) : owner_(owner) {
  std::string_view name = TypeNameOfClass(className);
  if (name.size() == 4) std::copy(name.begin(), name.end(), type_.begin());
}

void TPngChunk::Assign(const TPngChunk& source) {
  type_ = source.type_;
  CopyData(source.data_);
}

void TPngChunk::ReserveData(size_t capacity) {
  if (capacity <= data_.capacity()) return;
  if (!dataShare_.TryGrow(owner_.SharedBudget(), capacity - data_.capacity()))
    throw PngError(ErrorKind::OutMemory);
  data_.reserve(capacity);
}

void TPngChunk::CopyData(const std::vector<uint8_t>& bytes) {
  if (&bytes == &data_) return;
  std::vector<uint8_t>().swap(data_);
  dataShare_.Reset();
  ReserveData(bytes.size());
  data_.assign(bytes.begin(), bytes.end());
}

bool TPngChunk::ReadDataAndCrc(ByteSource& source, uint32_t length) {
  data_.clear();
  // Grow with the bytes that actually arrive: a corrupt length must not allocate gigabytes.
  // The capacity doubles (up to the length), so a long chunk is not copied over and over.
  constexpr size_t kBlock = 1 << 16;
  while (data_.size() < length) {
    size_t want = std::min<size_t>(kBlock, length - data_.size());
    size_t old_size = data_.size();
    if (old_size + want > data_.capacity())
      ReserveData(std::min<size_t>(length, std::max(old_size + want, 2 * data_.capacity())));
    data_.resize(old_size + want);
    size_t got = source.Read(data_.data() + old_size, want);
    data_.resize(old_size + got);
    if (got < want) return false;
  }
  uint8_t crc[4];
  source.Read(crc, 4);  // CRCs are not checked
  return true;
}

bool TPngChunk::LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) {
  type_ = type;
  return ReadDataAndCrc(source, length);
}

void TPngChunk::WriteChunk(ByteSink& sink, const ChunkType& type, const uint8_t* data,
                           size_t size) {
  uint8_t head[8];
  PutBigEndian32(head, static_cast<uint32_t>(size));
  std::memcpy(head + 4, type.data(), 4);
  sink.Write(head, 8);
  uLong crc = crc32(0L, head + 4, 4);
  if (size != 0) {
    sink.Write(data, size);
    // crc32 takes a 32-bit length on some platforms: feed large data in pieces.
    for (size_t done = 0; done < size;) {
      uInt piece = static_cast<uInt>(std::min<size_t>(size - done, 1u << 30));
      crc = crc32(crc, data + done, piece);
      done += piece;
    }
  }
  uint8_t tail[4];
  PutBigEndian32(tail, static_cast<uint32_t>(crc));
  sink.Write(tail, 4);
}

void TPngChunk::SaveToStream(ByteSink& sink) { WriteChunk(sink, type_, data_.data(), data_.size()); }

// ---- TPngChunkIHDR ----

void TPngChunkIHDR::FreeDeleter::operator()(uint8_t* p) const { std::free(p); }

TPngChunkIHDR::~TPngChunkIHDR() = default;

uint64_t TPngChunkIHDR::AlphaBytes(const PngHeader& header) {
  bool has_alpha = header.colourType == 4 || header.colourType == 6;
  return has_alpha ? uint64_t{header.width} * header.height : 0;
}

void TPngChunkIHDR::ReleaseImage() {
  store_.reset();
  alpha_.reset();
  imageShare_.Reset();
  hasPalette_ = false;
}

void TPngChunkIHDR::PrepareImage() {
  ReleaseImage();
  const unsigned bit_count = StoreBitCount(header_.colourType, header_.bitDepth);
  const uint64_t stride = DibStride(bit_count, header_.width);
  const uint64_t store_bytes = stride * header_.height;  // < 2^52, no overflow
  const uint64_t alpha_bytes = AlphaBytes(header_);
  if (store_bytes > SIZE_MAX || alpha_bytes > SIZE_MAX) throw PngError(ErrorKind::OutMemory);
  pictures::BudgetShare share = Owner().TakeMemory(store_bytes + alpha_bytes);

  BitmapInfo info{};
  info.header.width = static_cast<int32_t>(header_.width);
  info.header.height = static_cast<int32_t>(header_.height);
  info.header.bitCount = static_cast<uint16_t>(bit_count);
  const bool has_palette =
      header_.colourType == 0 || header_.colourType == 3 || header_.colourType == 4;
  if (has_palette) {
    const uint32_t entries = 1u << bit_count;
    if (header_.colourType == 3) {
      RgbQuad halftone[256];
      Owner().Host().HalftonePalette(halftone);
      std::copy(halftone, halftone + entries, info.colours);
    } else {
      // A gray ramp of 2^bit depth levels (256 for 16-bit samples), cut or padded to the
      // store's entry count; the loader replaces it by the gamma-corrected ramp.
      const uint32_t levels = header_.bitDepth >= 8 ? 256u : 1u << header_.bitDepth;
      for (uint32_t i = 0; i < levels && i < entries; ++i) {
        uint8_t v = static_cast<uint8_t>((i * 255 + (levels - 1) / 2) / (levels - 1));
        info.colours[i] = RgbQuad{v, v, v, 0};
      }
    }
    info.header.clrUsed = entries;
  }

  AlphaBuffer alpha;
  if (alpha_bytes != 0) {
    alpha.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(alpha_bytes), 1)));
    if (!alpha) throw PngError(ErrorKind::OutMemory);
  }
  std::unique_ptr<PixelStore> store = Owner().Host().CreateStore(info, store_bytes);
  if (!store || !store->Bits()) throw PngError(ErrorKind::OutMemory);

  info_ = info;
  stride_ = stride;
  alpha_ = std::move(alpha);
  store_ = std::move(store);
  imageShare_ = std::move(share);
  hasPalette_ = has_palette;
}

void TPngChunkIHDR::InstallPalette(const RgbQuad* entries, uint32_t count) {
  count = std::min<uint32_t>(count, 256);
  std::fill(std::begin(info_.colours), std::end(info_.colours), RgbQuad{});
  std::copy(entries, entries + count, info_.colours);
  info_.header.clrUsed = count;
  if (store_) store_->PaletteInstalled(info_);
}

void TPngChunkIHDR::InstallGrayRamp(const uint8_t* gamma) {
  const uint32_t levels = 1u << BitCount();
  RgbQuad ramp[256];
  for (uint32_t i = 0; i < levels; ++i) {
    uint8_t v = gamma[(i * 255 + (levels - 1) / 2) / (levels - 1)];
    ramp[i] = RgbQuad{v, v, v, 0};
  }
  InstallPalette(ramp, levels);
}

bool TPngChunkIHDR::LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) {
  type_ = type;
  if (!ReadDataAndCrc(source, length)) return false;
  if (data_.size() < 13) throw PngError(ErrorKind::InvalidIHDR);
  PngHeader h;
  h.width = ReadBigEndian32(&data_[0]);
  h.height = ReadBigEndian32(&data_[4]);
  h.bitDepth = data_[8];
  h.colourType = data_[9];
  h.compressionMethod = data_[10];
  h.filterMethod = data_[11];
  h.interlaceMethod = data_[12];
  if (h.width > 65535 || h.height > 65535) throw PngError(ErrorKind::SizeExceeds);
  if (h.compressionMethod != 0) throw PngError(ErrorKind::UnknownCompression);
  if (h.interlaceMethod > 1) throw PngError(ErrorKind::UnknownInterlace);
  // An empty image has no pixel rows to hold; the standard forbids it.
  if (h.width == 0 || h.height == 0) throw PngError(ErrorKind::InvalidIHDR);
  if (!IsValidColourFormat(h.colourType, h.bitDepth))
    throw PngError(ErrorKind::InvalidColourFormat);
  header_ = h;
  Owner().SetSaveInterlace(h.interlaceMethod);
  PrepareImage();
  return true;
}

void TPngChunkIHDR::SetHeaderAndPrepare(const PngHeader& header) {
  if (header.width == 0 || header.height == 0) throw PngError(ErrorKind::InvalidNewSize);
  if (header.width > 65535 || header.height > 65535) throw PngError(ErrorKind::SizeExceeds);
  if (!IsValidColourFormat(header.colourType, header.bitDepth))
    throw PngError(ErrorKind::InvalidColourFormat);
  header_ = header;
  PrepareImage();
}

void TPngChunkIHDR::SaveToStream(ByteSink& sink) {
  // The store holds 2-bit samples as 4-bit ones, and so they are written. A gray key sample
  // of the tRNS chunk is widened the same way (v * 5), or other pixels would match it.
  if (header_.bitDepth == 2) {
    header_.bitDepth = 4;
    if (header_.colourType == 0) {
      if (TPngChunktRNS* trns = Owner().Chunks().Find<TPngChunktRNS>()) trns->WidenGrayKey();
    }
  }
  data_.assign(13, 0);
  PutBigEndian32(&data_[0], header_.width);
  PutBigEndian32(&data_[4], header_.height);
  data_[8] = header_.bitDepth;
  data_[9] = header_.colourType;
  data_[10] = header_.compressionMethod;
  data_[11] = header_.filterMethod;
  data_[12] = Owner().SaveInterlace();
  WriteChunk(sink, type_, data_.data(), data_.size());
}

void TPngChunkIHDR::Assign(const TPngChunk& source) {
  const auto* src = dynamic_cast<const TPngChunkIHDR*>(&source);
  if (src == nullptr) throw PngError(ErrorKind::Error, kChunksIncompatible);
  if (src == this) return;
  type_ = src->type_;
  CopyData(src->data_);
  header_ = src->header_;
  if (!src->store_) {  // a header whose image was never prepared
    ReleaseImage();
    return;
  }
  PrepareImage();
  std::memcpy(Bits(), src->Bits(), static_cast<size_t>(stride_ * header_.height));
  if (alpha_ && src->alpha_)
    std::memcpy(alpha_.get(), src->alpha_.get(), static_cast<size_t>(AlphaBytes(header_)));
  if (hasPalette_) {
    InstallPalette(src->info_.colours, src->info_.header.clrUsed);
  }
}

void TPngChunkIHDR::ResizeImage(uint32_t width, uint32_t height) {
  if (!store_) throw PngError(ErrorKind::HeaderNotPresent);
  PngHeader resized = header_;
  resized.width = width;
  resized.height = height;
  const uint64_t stride = DibStride(info_.header.bitCount, width);
  const uint64_t store_bytes = stride * height;
  const uint64_t alpha_bytes = AlphaBytes(resized);
  if (store_bytes > SIZE_MAX || alpha_bytes > SIZE_MAX) throw PngError(ErrorKind::OutMemory);
  // The new image is made while the old one is still held: both count.
  pictures::BudgetShare share = Owner().TakeMemory(store_bytes + alpha_bytes);

  BitmapInfo info = info_;
  info.header.width = static_cast<int32_t>(width);
  info.header.height = static_cast<int32_t>(height);
  AlphaBuffer alpha;
  if (alpha_bytes != 0) {
    alpha.reset(static_cast<uint8_t*>(std::malloc(static_cast<size_t>(alpha_bytes))));
    if (!alpha) throw PngError(ErrorKind::OutMemory);
    std::memset(alpha.get(), 255, static_cast<size_t>(alpha_bytes));
  }
  std::unique_ptr<PixelStore> store = Owner().Host().CreateStore(info, store_bytes);
  if (!store || !store->Bits()) throw PngError(ErrorKind::OutMemory);

  const uint32_t rows = std::min(height, header_.height);
  const size_t row_bytes = static_cast<size_t>(std::min(stride, stride_));
  for (uint32_t y = 0; y < rows; ++y) {
    uint8_t* dst = store->Bits() + static_cast<size_t>(height - 1 - y) * static_cast<size_t>(stride);
    std::memcpy(dst, StoreRow(y), row_bytes);
  }
  if (alpha && alpha_) {
    const uint32_t columns = std::min(width, header_.width);
    for (uint32_t y = 0; y < rows; ++y)
      std::memcpy(alpha.get() + static_cast<size_t>(y) * width, AlphaRow(y), columns);
  }
  header_ = resized;
  info_ = info;
  stride_ = stride;
  store_ = std::move(store);
  alpha_ = std::move(alpha);
  imageShare_ = std::move(share);
}

// ---- TPngChunkIDAT (the image data itself is in PngImageData.cpp) ----

void TPngChunkIDAT::Assign(const TPngChunk& source) {
  TPngChunk::Assign(source);
  if (const auto* src = dynamic_cast<const TPngChunkIDAT*>(&source)) {
    compressedBytes_ = src->compressedBytes_;
    chunkCount_ = src->chunkCount_;
  }
}

// ---- TPngChunkPLTE ----

void TPngChunkPLTE::Assign(const TPngChunk& source) {
  const auto* src = dynamic_cast<const TPngChunkPLTE*>(&source);
  if (src == nullptr) throw PngError(ErrorKind::Error, kChunksIncompatible);
  TPngChunk::Assign(source);
  entryCount_ = src->entryCount_;
}

bool TPngChunkPLTE::LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) {
  type_ = type;
  if (!ReadDataAndCrc(source, length)) return false;
  // The standard allows 1 to 256 entries of 3 bytes; an empty palette leaves every index
  // without a colour.
  if (data_.empty() || data_.size() % 3 != 0 || data_.size() / 3 > 256)
    throw PngError(ErrorKind::InvalidPalette);
  entryCount_ = static_cast<uint32_t>(data_.size() / 3);
  TPngChunkIHDR* header = Owner().Header();
  if (header != nullptr && header->HasPalette()) {
    const auto& gamma = Owner().DecodeGamma();
    RgbQuad entries[256];
    for (uint32_t i = 0; i < entryCount_; ++i)
      entries[i] = RgbQuad{gamma[data_[3 * i + 2]], gamma[data_[3 * i + 1]], gamma[data_[3 * i]], 0};
    header->InstallPalette(entries, entryCount_);
  }
  return true;
}

void TPngChunkPLTE::SaveToStream(ByteSink& sink) {
  TPngChunkIHDR* header = Owner().Header();
  // An RGB image's suggested palette is not part of the decoded image: it is kept as read.
  if (header != nullptr && header->HasPalette()) {
    uint32_t count = entryCount_ != 0 ? entryCount_ : header->PaletteCount();
    count = std::min<uint32_t>(count, 256);
    const auto& gamma = Owner().EncodeGamma();
    const RgbQuad* colours = header->Info().colours;
    data_.resize(static_cast<size_t>(count) * 3);
    for (uint32_t i = 0; i < count; ++i) {
      data_[3 * i] = gamma[colours[i].red];
      data_[3 * i + 1] = gamma[colours[i].green];
      data_[3 * i + 2] = gamma[colours[i].blue];
    }
  }
  WriteChunk(sink, type_, data_.data(), data_.size());
}

// ---- TPngChunkgAMA ----

void TPngChunkgAMA::Assign(const TPngChunk& source) {
  if (dynamic_cast<const TPngChunkgAMA*>(&source) == nullptr)
    throw PngError(ErrorKind::Error, kChunksIncompatible);
  TPngChunk::Assign(source);
}

uint32_t TPngChunkgAMA::Value() const {
  return data_.size() == 4 ? ReadBigEndian32(data_.data()) : 1;
}

bool TPngChunkgAMA::LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) {
  type_ = type;
  if (!ReadDataAndCrc(source, length)) return false;
  Owner().ApplyGammaValue(Value());
  return true;
}

// ---- TPngChunktRNS ----

void TPngChunktRNS::Assign(const TPngChunk& source) {
  TPngChunk::Assign(source);
  if (const auto* src = dynamic_cast<const TPngChunktRNS*>(&source)) {
    alphaTable_ = src->alphaTable_;
    singleColour_ = src->singleColour_;
  }
}

void TPngChunktRNS::SetBytes(const uint8_t* bytes, size_t count, uint8_t colourType) {
  count = std::min<size_t>(count, 256);
  data_.assign(bytes, bytes + count);
  alphaTable_.fill(255);
  std::copy(bytes, bytes + count, alphaTable_.begin());
  if (colourType == 3) {
    size_t below = 0;
    bool zero = false;
    for (size_t i = 0; i < count; ++i) {
      if (alphaTable_[i] < 255) {
        ++below;
        zero = alphaTable_[i] == 0;
      }
    }
    singleColour_ = below == 1 && zero;
  } else {
    singleColour_ = colourType == 0 || colourType == 2;
  }
}

bool TPngChunktRNS::LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) {
  type_ = type;
  if (!ReadDataAndCrc(source, length)) return false;
  if (data_.size() > 256) throw PngError(ErrorKind::InvalidPalette);
  TPngChunkIHDR* header = Owner().Header();
  std::vector<uint8_t> bytes = data_;
  SetBytes(bytes.data(), bytes.size(), header != nullptr ? header->ColourType() : 0);
  return true;
}

void TPngChunktRNS::SaveToStream(ByteSink& sink) {
  std::copy(alphaTable_.begin(), alphaTable_.begin() + static_cast<long>(data_.size()), data_.begin());
  WriteChunk(sink, type_, data_.data(), data_.size());
}

void TPngChunktRNS::WidenGrayKey() {
  if (data_.size() < 2) return;
  const unsigned key = (alphaTable_[1] & 3u) * 5;
  alphaTable_[0] = 0;
  alphaTable_[1] = static_cast<uint8_t>(key);
  data_[0] = 0;
  data_[1] = static_cast<uint8_t>(key);
}

// ---- TPngChunkpHYs ----

void TPngChunkpHYs::Assign(const TPngChunk& source) {
  TPngChunk::Assign(source);
  if (const auto* src = dynamic_cast<const TPngChunkpHYs*>(&source)) {
    PixelsPerUnitX = src->PixelsPerUnitX;
    PixelsPerUnitY = src->PixelsPerUnitY;
    Unit = src->Unit;
    parsed_ = src->parsed_;
  }
}

bool TPngChunkpHYs::LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) {
  type_ = type;
  if (!ReadDataAndCrc(source, length)) return false;
  parsed_ = data_.size() == 9;
  if (parsed_) {
    PixelsPerUnitX = ReadBigEndian32(&data_[0]);
    PixelsPerUnitY = ReadBigEndian32(&data_[4]);
    Unit = data_[8];
  }
  return true;
}

void TPngChunkpHYs::SaveToStream(ByteSink& sink) {
  if (parsed_) {
    data_.assign(9, 0);
    PutBigEndian32(&data_[0], PixelsPerUnitX);
    PutBigEndian32(&data_[4], PixelsPerUnitY);
    data_[8] = Unit;
  }
  WriteChunk(sink, type_, data_.data(), data_.size());
}

// ---- TPngChunktIME ----

void TPngChunktIME::Assign(const TPngChunk& source) {
  TPngChunk::Assign(source);
  if (const auto* src = dynamic_cast<const TPngChunktIME*>(&source)) {
    Year = src->Year;
    Month = src->Month;
    Day = src->Day;
    Hour = src->Hour;
    Minute = src->Minute;
    Second = src->Second;
    parsed_ = src->parsed_;
  }
}

bool TPngChunktIME::LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) {
  type_ = type;
  if (!ReadDataAndCrc(source, length)) return false;
  parsed_ = data_.size() == 7;
  if (parsed_) {
    Year = static_cast<uint16_t>(data_[0] << 8 | data_[1]);
    Month = data_[2];
    Day = data_[3];
    Hour = data_[4];
    Minute = data_[5];
    Second = data_[6];
  }
  return true;
}

void TPngChunktIME::SaveToStream(ByteSink& sink) {
  if (parsed_) {
    data_ = {static_cast<uint8_t>(Year >> 8), static_cast<uint8_t>(Year), Month, Day, Hour, Minute,
             Second};
  }
  WriteChunk(sink, type_, data_.data(), data_.size());
}

// ---- registry ----

namespace {
template <class T>
std::unique_ptr<TPngChunk> CreateChunk(PngPicture& owner) {
  return std::make_unique<T>(owner);
}

template <class T>
ChunkClassEntry Entry() {
  return ChunkClassEntry{TPngChunk::TypeNameOfClass(T::kClassName), &CreateChunk<T>};
}
}  // namespace

const std::vector<ChunkClassEntry>& ChunkClassRegistry() {
  static const std::vector<ChunkClassEntry> registry = {
      Entry<TPngChunkIEND>(), Entry<TPngChunkIHDR>(), Entry<TPngChunkIDAT>(),
      Entry<TPngChunkPLTE>(), Entry<TPngChunkgAMA>(), Entry<TPngChunktRNS>(),
      Entry<TPngChunkpHYs>(), Entry<TPngChunktIME>(),
  };
  return registry;
}

const ChunkClassEntry* FindChunkClass(const ChunkType& type) {
  std::string_view name(type.data(), type.size());
  for (const auto& entry : ChunkClassRegistry())
    if (entry.typeName == name) return &entry;
  return nullptr;
}

}  // namespace vornada::png
