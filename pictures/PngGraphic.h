// The PNG picture class of the framework: `TPngGraphic`, a `TGraphic` that reads and writes
// PNG images, keeps each one as a DIB section (with a realised palette for gray and palette
// images and a separate alpha plane for images with an alpha channel), draws it with per-pixel
// alpha blending, a single transparent colour or a plain stretch, converts to and from
// framework bitmaps and moves through the clipboard as a bitmap. Also the picture's exception
// classes and its registration with the picture registry (extension "PNG").
//
// The format work (chunks, inflate/deflate, filters, sample conversion, resizing, pixel access,
// blending arithmetic) is done by the portable core in png/ (namespace vornada::png); this unit
// supplies its pixel memory as DIB sections and adds drawing, conversions, the clipboard and
// the framework's exceptions.
//
// Ownership: a TPngGraphic owns its core picture, which owns the chunks; the header chunk owns
// the image's pixel store (a DibPixelStore: DIB section, memory device context and palette,
// released together). The picture's canvas is bound to the current image's memory device
// context on first use and let go before that context is deleted.
// Not thread-safe: a picture is used from one thread at a time (distinct pictures may draw
// from different threads; drawing keeps no shared state).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "Graphics.h"
#include "SysUtils.h"
#include "png/PngErrors.h"
#include "png/PngPicture.h"

namespace vornada {

// ---- exceptions ------------------------------------------------------------------------------

// Each class carries its fixed message unless one is given.
#define VORNADA_PNG_EXCEPTION(Name, Kind)                                 \
  class Name : public Exception {                                         \
   public:                                                                \
    Name() : Exception(png::ErrorMessage(png::ErrorKind::Kind)) {}        \
    explicit Name(std::string message) : Exception(std::move(message)) {} \
    const char* ClassName() const noexcept override { return #Name; }     \
  }

VORNADA_PNG_EXCEPTION(EPngInvalidFileHeader, InvalidFileHeader);
VORNADA_PNG_EXCEPTION(EPngUnexpectedEnd, UnexpectedEnd);
VORNADA_PNG_EXCEPTION(EPngIHDRNotFirst, IHDRNotFirst);
VORNADA_PNG_EXCEPTION(EPngInvalidIHDR, InvalidIHDR);
VORNADA_PNG_EXCEPTION(EPngSizeExceeds, SizeExceeds);
VORNADA_PNG_EXCEPTION(EPngUnknownCompression, UnknownCompression);
VORNADA_PNG_EXCEPTION(EPngUnknownInterlace, UnknownInterlace);
VORNADA_PNG_EXCEPTION(EPngInvalidPalette, InvalidPalette);
VORNADA_PNG_EXCEPTION(EPngMissingMultipleIDAT, MissingMultipleIDAT);
VORNADA_PNG_EXCEPTION(EPngZLIBError, ZLIBError);
VORNADA_PNG_EXCEPTION(EPngNoImageData, NoImageData);
VORNADA_PNG_EXCEPTION(EPngHeaderNotPresent, HeaderNotPresent);
VORNADA_PNG_EXCEPTION(EPngOutMemory, OutMemory);
VORNADA_PNG_EXCEPTION(EPngError, Error);
VORNADA_PNG_EXCEPTION(EPngInvalidNewSize, InvalidNewSize);
// A colour type / bit depth pair that PNG forbids (RGB at depth 4, colour type 7 ...).
VORNADA_PNG_EXCEPTION(EPngInvalidColourFormat, InvalidColourFormat);

#undef VORNADA_PNG_EXCEPTION

// Throws the exception class of the core error's kind with the core's message.
[[noreturn]] void RaisePngException(const png::PngError& error);

// ---- the picture class -----------------------------------------------------------------------

using png::akBlended;
using png::akKeyColour;
using png::akOpaque;
using png::TPNGAlphaKind;

class TPngGraphic;

// The picture's own canvas: draws onto the current image (binds to its memory device context
// when first asked for a handle).
class TPngCanvas final : public TCanvas {
 public:
  explicit TPngCanvas(TPngGraphic& owner) : owner_(owner) {}
  // Lets go of `dc` when the canvas is bound to it (its objects go back first).
  void ReleaseContext(HDC dc);

 protected:
  void CreateHandle() override;

 private:
  TPngGraphic& owner_;
};

class TPngGraphic : public TGraphic {
 public:
  VORNADA_CLASS_NAME(TPngGraphic)
  TPngGraphic();
  ~TPngGraphic() override;

  // ---- the framework's picture operations ----
  // Nothing when the picture has no image; otherwise by transparency mode: a plain stretch
  // (akOpaque), colour-key masking (akKeyColour) or alpha blending into the destination
  // (akBlended; EPngOutMemory when its work bitmap cannot be made).
  void Draw(TCanvas& canvas, const RECT& r) override;
  // True while the chunk list is empty.
  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  // Resize to (value, height) / (width, value): EPngInvalidNewSize below 1, EPngSizeExceeds
  // above 65535 (the loader's limit), EPngHeaderNotPresent without an image.
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  // True unless the transparency mode is akOpaque.
  bool Transparent() const override;
  // The image's palette (nullptr for RGB images); EPngHeaderNotPresent without an image.
  HPALETTE Palette() const override;
  // Images with a palette: `palette` becomes the image's palette (the picture owns it from
  // then on and deletes the previous one) and its first 256 entries its colour table. Other
  // images, and nullptr, change nothing and leave the handle with the caller.
  // EPngHeaderNotPresent without an image.
  void SetPalette(HPALETTE palette) override;

  // Reads one PNG from the current position, exactly up to and including the CRC of its IEND
  // chunk. Errors raise the picture's exception classes; the chunks read up to the error stay.
  void LoadFromStream(TStream& stream) override;
  // Writes the picture as PNG; EPngHeaderNotPresent without an image.
  void SaveToStream(TStream& stream) override;
  // Clipboard data of a bitmap of the picture's size with the picture drawn onto black.
  void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;
  // A bitmap from the clipboard data, converted without transparency.
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;

  // nil empties the picture; another TPngGraphic is deep-copied with its saving settings; a
  // TBitmap is converted (an empty bitmap empties the picture); anything else fails with
  // EConvertError.
  void Assign(TPersistent* source) override;
  // TBitmap::Assign(this) comes here: see AssignTo.
  bool CopyToBitmap(TBitmap& bitmap) override;

  // ---- pixels ----
  // The colour (0x00BBGGRR) of a pixel, 0 outside the image; EPngHeaderNotPresent without an
  // image.
  virtual TColor GetPixelColor(int x, int y);
  // Writes a pixel (ignored outside the image): palette and gray images take the nearest
  // palette entry, gray + alpha the colour's red, RGB images the colour itself.
  virtual void SetPixelColor(int x, int y, TColor color);

  // ---- image properties ----
  TPNGAlphaKind AlphaKind() const { return core_.AlphaKind(); }
  // The colour in which the image shows its tRNS key (akKeyColour images).
  TColor KeyColour() const { return static_cast<TColor>(core_.KeyColour()); }
  // Canvas bound to the image, so that callers can draw onto it.
  TCanvas& Canvas() { return canvas_; }

  // ---- saving settings ----
  uint8_t RowFilters() const { return core_.RowFilters(); }  // bit n = filter type n
  void SetRowFilters(uint8_t filters) { core_.SetRowFilters(filters); }
  uint8_t DeflateLevel() const { return core_.DeflateLevel(); }
  void SetDeflateLevel(uint8_t level) { core_.SetDeflateLevel(level); }
  uint8_t SaveInterlace() const { return core_.SaveInterlace(); }  // 0 none, 1 Adam7
  void SetSaveInterlace(uint8_t method) { core_.SetSaveInterlace(method); }
  uint32_t IdatLimit() const { return core_.IdatLimit(); }  // at least 65535
  void SetIdatLimit(uint32_t limit) { core_.SetIdatLimit(limit); }

  // ---- memory ----
  // The picture's memory budget in bytes (chunks, image, working buffers): whatever would take
  // the picture beyond it fails with EPngOutMemory before anything is allocated.
  uint64_t MemoryLimit() const { return core_.MemoryLimit(); }
  void SetMemoryLimit(uint64_t bytes) { core_.SetMemoryLimit(bytes); }

  // The core picture: chunks, header, image memory.
  png::PngPicture& Core() { return core_; }
  const png::PngPicture& Core() const { return core_; }

 protected:
  // To a TPngGraphic: as its Assign. To a TBitmap (the picture must have an image, else
  // EConvertError): a device-dependent copy of the image; akKeyColour images make the bitmap
  // transparent with the key colour; gray + alpha and RGBA images give a 32-bit bitmap whose
  // fourth bytes hold the alpha plane. Anything else fails with EConvertError.
  void AssignTo(TPersistent* dest) override;

 private:
  friend class TPngCanvas;
  class DibStoreHost;

  // The memory device context of the current image, or nullptr.
  HDC ImageDc() const;
  void DrawOpaque(HDC dc, const RECT& r);
  void DrawKeyed(HDC dc, const RECT& r);
  void DrawBlended(HDC dc, const RECT& r);
  void AssignFromBitmap(TBitmap& bitmap, bool with_transparency);
  void CopyIntoBitmap(TBitmap& bitmap);

  TPngCanvas canvas_;
  std::unique_ptr<DibStoreHost> host_;
  png::PngPicture core_;
};

// The class registers itself with the picture registry once, at start-up. A program that
// names `TPngGraphic` only through the registry (a picture stored in a window description) calls
// this at start-up so that the unit is part of it; it tells whether the class is registered.
bool PngGraphicRegistered();

}  // namespace vornada
