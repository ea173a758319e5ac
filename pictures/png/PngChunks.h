// The chunk classes of a PNG picture and the list that holds them.
//
// A picture is the ordered list of its chunks (TPngChunkList owns them). Known chunk types get
// their own class, found through a registry keyed by the class-level type name (the class name
// without the "TPngChunk" prefix); every other type is a plain TPngChunk that keeps its raw
// data and is written back unchanged. The header chunk TPngChunkIHDR owns the decoded image:
// bitmap info with colour table, the pixel store (memory from the picture's ImageStoreHost),
// the alpha plane and the palette. The IDAT chunk keeps no data: it decodes into the header's
// image while loading and re-encodes from it while saving (PngImageData.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "PngStore.h"
#include "PngStreams.h"
#include "common/MemoryBudget.h"

namespace vornada::png {

class PngPicture;

using ChunkType = std::array<char, 4>;

constexpr ChunkType MakeChunkType(const char (&name)[5]) {
  return ChunkType{name[0], name[1], name[2], name[3]};
}

// Declares the class-level name of a chunk class and its same-class factory.
#define VORNADA_PNG_CHUNK_CLASS(Name)                                                 \
  static constexpr std::string_view kClassName = #Name;                               \
  std::string_view ClassName() const override { return kClassName; }                  \
  std::unique_ptr<TPngChunk> CreateSameClass(PngPicture& owner) const override {      \
    return std::make_unique<Name>(owner);                                             \
  }

class TPngChunk {
 public:
  static constexpr std::string_view kClassName = "TPngChunk";
  // The class-level chunk type name: the class name without its 9-character "TPngChunk"
  // prefix ("IHDR" for TPngChunkIHDR, "" for the generic class).
  static constexpr std::string_view TypeNameOfClass(std::string_view className) {
    return className.size() > 9 ? className.substr(9) : std::string_view();
  }

  explicit TPngChunk(PngPicture& owner) : TPngChunk(owner, kClassName) {}
  TPngChunk(const TPngChunk&) = delete;
  TPngChunk& operator=(const TPngChunk&) = delete;
  virtual ~TPngChunk() = default;

  virtual std::string_view ClassName() const { return kClassName; }
  std::string_view ChunkTypeName() const { return TypeNameOfClass(ClassName()); }
  // A new, empty chunk object of this object's class.
  virtual std::unique_ptr<TPngChunk> CreateSameClass(PngPicture& owner) const {
    return std::make_unique<TPngChunk>(owner);
  }

  // Copies another chunk; the generic version copies type and data.
  virtual void Assign(const TPngChunk& source);
  // Reads `length` data bytes and the 4-byte CRC (never checked) after the chunk's length and
  // type have been read. Returns false when the data ended early.
  virtual bool LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length);
  // Rebuilds the data from the chunk's fields and writes length, type, data and CRC-32.
  virtual void SaveToStream(ByteSink& sink);

  const ChunkType& Type() const { return type_; }
  std::string TypeString() const { return std::string(type_.data(), type_.size()); }
  void SetType(const ChunkType& type) { type_ = type; }
  const std::vector<uint8_t>& Data() const { return data_; }
  uint32_t DataSize() const { return static_cast<uint32_t>(data_.size()); }
  void SetData(std::vector<uint8_t> data) { data_ = std::move(data); }
  PngPicture& Owner() const { return owner_; }
  // The picture's memory taken for the chunk object itself (see PngPicture::TakeMemory).
  void HoldObjectShare(pictures::BudgetShare share) { objectShare_ = std::move(share); }

 protected:
  // Sets the type from the class-level name when that name has exactly 4 characters.
  TPngChunk(PngPicture& owner, std::string_view className);
  // Reads the data bytes and the CRC; false when the data ended early.
  bool ReadDataAndCrc(ByteSource& source, uint32_t length);
  // Writes one chunk: big-endian length, type, data, CRC-32 of type and data.
  static void WriteChunk(ByteSink& sink, const ChunkType& type, const uint8_t* data, size_t size);
  // Makes the data a copy of `bytes`, its memory taken from the picture's budget first.
  void CopyData(const std::vector<uint8_t>& bytes);

  ChunkType type_{};
  std::vector<uint8_t> data_;

 private:
  // Grows the data's capacity to at least `capacity` bytes, taking the growth from the
  // picture's budget first (PngError(OutMemory) when it does not fit).
  void ReserveData(size_t capacity);

  PngPicture& owner_;
  pictures::BudgetShare objectShare_;  // the chunk object
  pictures::BudgetShare dataShare_;    // data_'s capacity, for data read or copied
};

struct PngHeader {
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t bitDepth = 0;
  uint8_t colourType = 0;
  uint8_t compressionMethod = 0;
  uint8_t filterMethod = 0;
  uint8_t interlaceMethod = 0;
};

class TPngChunkIHDR final : public TPngChunk {
 public:
  VORNADA_PNG_CHUNK_CLASS(TPngChunkIHDR)
  explicit TPngChunkIHDR(PngPicture& owner) : TPngChunk(owner, kClassName) {}
  ~TPngChunkIHDR() override;

  void Assign(const TPngChunk& source) override;
  bool LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) override;
  void SaveToStream(ByteSink& sink) override;

  const PngHeader& Header() const { return header_; }
  uint32_t Width() const { return header_.width; }
  uint32_t Height() const { return header_.height; }
  uint8_t BitDepth() const { return header_.bitDepth; }
  uint8_t ColourType() const { return header_.colourType; }

  // The decoded image.
  const BitmapInfo& Info() const { return info_; }
  unsigned BitCount() const { return info_.header.bitCount; }
  uint64_t Stride() const { return stride_; }
  uint8_t* Bits() const { return store_ ? store_->Bits() : nullptr; }
  PixelStore* Store() const { return store_.get(); }
  // Store row of image row y (rows are kept bottom-up).
  uint8_t* StoreRow(uint32_t y) const {
    return Bits() + static_cast<size_t>(header_.height - 1 - y) * static_cast<size_t>(stride_);
  }
  bool HasAlpha() const { return alpha_ != nullptr; }
  // width * height bytes, image row 0 first; nullptr without an alpha channel.
  uint8_t* AlphaPlane() const { return alpha_.get(); }
  uint8_t* AlphaRow(uint32_t y) const {
    return alpha_ ? alpha_.get() + static_cast<size_t>(y) * header_.width : nullptr;
  }
  // Colour types 0, 3 and 4 keep a palette: colour-table entries 0 .. PaletteCount() - 1.
  bool HasPalette() const { return hasPalette_; }
  uint32_t PaletteCount() const { return info_.header.clrUsed; }

  // Replaces the palette (at most 256 entries): the colour table receives the entries, the
  // rest of it is cleared, its size becomes `count`, and the store is told.
  void InstallPalette(const RgbQuad* entries, uint32_t count);
  // Installs a gray ramp of 2^bit count levels through `gamma` as the palette.
  void InstallGrayRamp(const uint8_t* gamma);

  // Sets the header values (used when a picture is built from a bitmap) and prepares the image.
  void SetHeaderAndPrepare(const PngHeader& header);
  // Resizes the image: top-left pixels kept, new pixels zero, new alpha 255.
  void ResizeImage(uint32_t width, uint32_t height);

 private:
  struct FreeDeleter {
    void operator()(uint8_t* p) const;
  };
  using AlphaBuffer = std::unique_ptr<uint8_t, FreeDeleter>;

  // Fills the bitmap info and initial palette, allocates the alpha plane and creates the store.
  void PrepareImage();
  void ReleaseImage();
  static uint64_t AlphaBytes(const PngHeader& header);

  PngHeader header_;
  BitmapInfo info_{};
  uint64_t stride_ = 0;
  std::unique_ptr<PixelStore> store_;
  AlphaBuffer alpha_;
  pictures::BudgetShare imageShare_;  // pixel store and alpha plane
  bool hasPalette_ = false;
};

class TPngChunkIDAT final : public TPngChunk {
 public:
  VORNADA_PNG_CHUNK_CLASS(TPngChunkIDAT)
  explicit TPngChunkIDAT(PngPicture& owner) : TPngChunk(owner, kClassName) {}

  void Assign(const TPngChunk& source) override;
  // Decodes the image data (this chunk and the IDAT chunks following it) into the header's
  // image.
  bool LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) override;
  // Encodes the image as one or more IDAT chunks.
  void SaveToStream(ByteSink& sink) override;

  // Loading statistics: compressed bytes consumed and IDAT chunks they came from.
  uint64_t CompressedBytes() const { return compressedBytes_; }
  uint32_t ChunkCount() const { return chunkCount_; }

 private:
  uint64_t compressedBytes_ = 0;
  uint32_t chunkCount_ = 0;
};

class TPngChunkPLTE final : public TPngChunk {
 public:
  VORNADA_PNG_CHUNK_CLASS(TPngChunkPLTE)
  explicit TPngChunkPLTE(PngPicture& owner) : TPngChunk(owner, kClassName) {}

  void Assign(const TPngChunk& source) override;
  bool LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) override;
  void SaveToStream(ByteSink& sink) override;

  // Entries of the chunk as read (0 when the picture was built otherwise: the colour-table
  // size is written then).
  uint32_t EntryCount() const { return entryCount_; }

 private:
  uint32_t entryCount_ = 0;
};

class TPngChunkgAMA final : public TPngChunk {
 public:
  VORNADA_PNG_CHUNK_CLASS(TPngChunkgAMA)
  explicit TPngChunkgAMA(PngPicture& owner) : TPngChunk(owner, kClassName) {}

  void Assign(const TPngChunk& source) override;
  bool LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) override;
  // Image gamma * 100000 from the data; 1 when the data is not 4 bytes long.
  uint32_t Value() const;
};

class TPngChunktRNS final : public TPngChunk {
 public:
  VORNADA_PNG_CHUNK_CLASS(TPngChunktRNS)
  explicit TPngChunktRNS(PngPicture& owner) : TPngChunk(owner, kClassName) { alphaTable_.fill(255); }

  void Assign(const TPngChunk& source) override;
  bool LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) override;
  void SaveToStream(ByteSink& sink) override;

  // The chunk's bytes followed by 255 up to 256 entries.
  const std::array<uint8_t, 256>& AlphaTable() const { return alphaTable_; }
  // True when the chunk names one key colour (see SetBytes).
  bool SingleColour() const { return singleColour_; }
  // Sets the chunk's bytes for an image of `colourType`: fills the alpha table and the
  // single-colour flag. Gray and RGB images always have a single key colour; a palette image
  // has one when exactly one of its entries is below 255 and that entry is 0 (a single
  // partly transparent entry is blended, not keyed).
  void SetBytes(const uint8_t* bytes, size_t count, uint8_t colourType);
  // Rewrites a 2-bit gray key sample v as the 4-bit sample v * 5 (the image is being written
  // with 4-bit samples).
  void WidenGrayKey();

 private:
  std::array<uint8_t, 256> alphaTable_{};
  bool singleColour_ = false;
};

class TPngChunkpHYs final : public TPngChunk {
 public:
  VORNADA_PNG_CHUNK_CLASS(TPngChunkpHYs)
  explicit TPngChunkpHYs(PngPicture& owner) : TPngChunk(owner, kClassName) {}

  void Assign(const TPngChunk& source) override;
  bool LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) override;
  void SaveToStream(ByteSink& sink) override;

  bool Parsed() const { return parsed_; }
  uint32_t PixelsPerUnitX = 0;
  uint32_t PixelsPerUnitY = 0;
  uint8_t Unit = 0;

 private:
  bool parsed_ = false;
};

class TPngChunktIME final : public TPngChunk {
 public:
  VORNADA_PNG_CHUNK_CLASS(TPngChunktIME)
  explicit TPngChunktIME(PngPicture& owner) : TPngChunk(owner, kClassName) {}

  void Assign(const TPngChunk& source) override;
  bool LoadFromStream(ByteSource& source, const ChunkType& type, uint32_t length) override;
  void SaveToStream(ByteSink& sink) override;

  bool Parsed() const { return parsed_; }
  uint16_t Year = 0;
  uint8_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;

 private:
  bool parsed_ = false;
};

class TPngChunkIEND final : public TPngChunk {
 public:
  VORNADA_PNG_CHUNK_CLASS(TPngChunkIEND)
  explicit TPngChunkIEND(PngPicture& owner) : TPngChunk(owner, kClassName) {}
};

// An ordered list of owned chunks. Reading an index outside the list yields nullptr.
class TPngChunkList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TPngChunk* Item(int index) const {
    return index >= 0 && index < Count() ? items_[static_cast<size_t>(index)].get() : nullptr;
  }
  TPngChunk* Add(std::unique_ptr<TPngChunk> chunk) {
    items_.push_back(std::move(chunk));
    return items_.back().get();
  }
  void Clear() { items_.clear(); }
  void Swap(TPngChunkList& other) noexcept { items_.swap(other.items_); }
  // The first chunk of class T, or nullptr.
  template <class T>
  T* Find() const {
    for (const auto& c : items_)
      if (auto* t = dynamic_cast<T*>(c.get())) return t;
    return nullptr;
  }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::unique_ptr<TPngChunk>> items_;
};

// The chunk class registry, filled once: IEND, IHDR, IDAT, PLTE, gAMA, tRNS, pHYs, tIME.
struct ChunkClassEntry {
  std::string_view typeName;
  std::unique_ptr<TPngChunk> (*create)(PngPicture& owner);
};
const std::vector<ChunkClassEntry>& ChunkClassRegistry();
// The registered class whose type name equals `type` exactly (case included), or nullptr.
const ChunkClassEntry* FindChunkClass(const ChunkType& type);

// Big-endian helpers shared by the chunk code.
inline uint32_t ReadBigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
inline void PutBigEndian32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

}  // namespace vornada::png
