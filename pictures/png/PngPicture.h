// The portable PNG picture: everything of the PNG picture class that is not drawing on a
// device. It loads a PNG from a byte source into its chunk list (the header chunk holds the
// decoded image), saves it back, resizes it, reads and writes pixels, copies itself, and is
// built from raw bitmap bits. The Win32 picture class wraps one PngPicture: it supplies the
// pixel memory through an ImageStoreHost (DIB sections) and does the drawing.
//
// Ownership: the picture owns its chunks (and through the header chunk the image). The
// ImageStoreHost must outlive the picture.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "PngChunks.h"
#include "PngErrors.h"
#include "PngFilters.h"
#include "PngStore.h"
#include "PngStreams.h"
#include "common/MemoryBudget.h"

namespace vornada::png {

enum TPNGAlphaKind : uint8_t { akOpaque, akKeyColour, akBlended };

// A device-independent bitmap handed to PngPicture::AssignFromBitmap.
struct BitmapSource {
  uint32_t bitsPerPixel = 0;  // 1, 4, 8, 16 (5-5-5), 24 or 32
  int32_t width = 0;
  int32_t height = 0;  // negative: rows top-down
  const uint8_t* bits = nullptr;  // rows of ((bitsPerPixel * width + 31) / 32) * 4 bytes
  const RgbQuad* colours = nullptr;  // colour table for up to 8 bits per pixel
  uint32_t colourCount = 0;          // entries in `colours` (at most 2^bitsPerPixel are used)
  bool transparent = false;
  uint32_t transparentColour = 0;  // 0x00BBGGRR
};

// Colours are 0x00BBGGRR, red in the low byte.
constexpr uint32_t MakeColour(uint8_t red, uint8_t green, uint8_t blue) {
  return uint32_t{red} | uint32_t{green} << 8 | uint32_t{blue} << 16;
}
constexpr uint8_t RedOf(uint32_t c) { return static_cast<uint8_t>(c); }
constexpr uint8_t GreenOf(uint32_t c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t BlueOf(uint32_t c) { return static_cast<uint8_t>(c >> 16); }

// Index of the entry nearest to `colour` (smallest squared RGB distance, the first entry on
// ties); 0 for an empty palette.
uint32_t NearestPaletteIndex(const RgbQuad* entries, uint32_t count, uint32_t colour);

class PngPicture {
 public:
  explicit PngPicture(ImageStoreHost& host = DefaultStoreHost());
  PngPicture(const PngPicture&) = delete;
  PngPicture& operator=(const PngPicture&) = delete;
  ~PngPicture();

  // Reads one PNG image, up to and including the CRC of its IEND chunk. Empties the picture
  // first; on error the chunks read so far (the failing one included) stay and the PngError
  // propagates (memory exhaustion included, as PngError(OutMemory)).
  void LoadFromStream(ByteSource& source);
  // Writes the signature and every chunk in list order. Errors of the sink propagate.
  void SaveToStream(ByteSink& sink);

  // Frees all chunks and resets both gamma tables to the identity.
  void Clear();
  bool Empty() const { return FChunkSeq.Count() == 0; }
  uint32_t Width() const;
  uint32_t Height() const;

  // The header chunk (always the first chunk), or nullptr.
  TPngChunkIHDR* Header() const;
  // The header chunk, or PngError(HeaderNotPresent).
  TPngChunkIHDR& RequireHeader() const;
  const TPngChunkList& Chunks() const { return FChunkSeq; }
  TPngChunkList& Chunks() { return FChunkSeq; }

  // Transparency mode and the colour (0x00BBGGRR) in which the image shows its tRNS key.
  TPNGAlphaKind AlphaKind() const;
  bool Transparent() const { return AlphaKind() != akOpaque; }
  uint32_t KeyColour() const;
  // The tRNS alpha table, or nullptr without a tRNS chunk.
  const uint8_t* AlphaTable() const;

  // Resizes the image; both sizes must be at least 1 (PngError(InvalidNewSize)) and at most
  // 65535, the loader's limit (PngError(SizeExceeds)), so that the picture never holds an
  // image it could not read back.
  void Resize(uint32_t width, uint32_t height);
  void SetWidth(uint32_t width) { Resize(width, Height()); }
  void SetHeight(uint32_t height) { Resize(Width(), height); }

  // Pixel access; outside the image reads give 0 and writes do nothing.
  uint32_t GetPixelColor(int64_t x, int64_t y) const;
  void SetPixelColor(int64_t x, int64_t y, uint32_t colour);

  // Replaces the palette of an image that has one (first min(count, 256) entries).
  void SetPalette(const RgbQuad* entries, uint32_t count);

  // Deep copy: settings, gamma tables and every chunk. The picture is unchanged on failure.
  void Assign(const PngPicture& source);
  // Rebuilds the picture from a bitmap as IHDR, PLTE (below 16 bits per pixel), tRNS (a
  // transparent palette or RGB bitmap), IDAT, IEND: palette images keep the bitmap's depth and
  // get 2^depth palette entries; 16 and 24 bits become RGB, 32 bits RGBA whose alpha is the
  // fourth byte, or opaque when every fourth byte is zero (a transparent 32-bit bitmap gets
  // alpha 0 on its key-coloured pixels instead of a tRNS chunk). Sizes above 65535 fail with
  // PngError(SizeExceeds), an empty bitmap with PngError(HeaderNotPresent).
  void AssignFromBitmap(const BitmapSource& bitmap);

  // Saving settings.
  uint8_t RowFilters() const { return FRowFilters; }
  void SetRowFilters(uint8_t filters) { FRowFilters = filters & kAllFilters; }
  uint8_t DeflateLevel() const { return FDeflateLevel; }
  void SetDeflateLevel(uint8_t level) { FDeflateLevel = level > 9 ? 9 : level; }
  uint8_t SaveInterlace() const { return FSaveInterlace; }
  void SetSaveInterlace(uint8_t method) { FSaveInterlace = method != 0 ? 1 : 0; }
  uint32_t IdatLimit() const { return FIdatLimit; }
  void SetIdatLimit(uint32_t limit);

  const std::array<uint8_t, 256>& DecodeGamma() const { return FDecodeGamma; }
  const std::array<uint8_t, 256>& EncodeGamma() const { return FEncodeGamma; }
  // Builds both tables from a gAMA value (image gamma * 100000); 0 changes nothing.
  void ApplyGammaValue(uint32_t value);

  ImageStoreHost& Host() const { return host_; }
  // The picture's memory budget: the bytes its chunks, image and working buffers may hold at
  // once (default pictures::MemoryBudget::kDefaultLimit). Whatever would take the picture
  // beyond it fails with PngError(OutMemory) before anything is allocated.
  uint64_t MemoryLimit() const { return budget_->Limit(); }
  void SetMemoryLimit(uint64_t bytes) { budget_->SetLimit(bytes); }
  // Bytes of the budget held now.
  uint64_t MemoryUsed() const { return budget_->Used(); }
  const std::shared_ptr<pictures::MemoryBudget>& SharedBudget() const { return budget_; }
  // `bytes` of the budget, held by the returned share; PngError(OutMemory) when they do not
  // fit.
  pictures::BudgetShare TakeMemory(uint64_t bytes) const;

  // True once an IDAT chunk has been decoded in the current load.
  bool ImageDecoded() const { return imageDecoded_; }
  void SetImageDecoded(bool decoded) { imageDecoded_ = decoded; }

  // Raised after every successful change of the image as a whole: load, copy, conversion,
  // resize, palette change (not after single pixel writes).
  std::function<void()> OnChange;

 private:
  void LoadChunks(ByteSource& source);
  void Changed() {
    if (OnChange) OnChange();
  }
  void ResetGamma();

  ImageStoreHost& host_;
  TPngChunkList FChunkSeq;
  uint8_t FRowFilters = FilterBit(kFilterSub);
  uint8_t FDeflateLevel = 7;
  uint8_t FSaveInterlace = 0;
  uint32_t FIdatLimit = 65535;
  std::array<uint8_t, 256> FEncodeGamma{};
  std::array<uint8_t, 256> FDecodeGamma{};
  std::shared_ptr<pictures::MemoryBudget> budget_ = std::make_shared<pictures::MemoryBudget>();
  bool imageDecoded_ = false;
};

}  // namespace vornada::png
