// The GIF picture class of the framework: `TGIFImage` (a `TGraphic` holding a GIF as a list of
// frames), its frames `TGIFFrame` and extension blocks `TExtension`, the colour-key masked
// blit that draws frames with their transparent colour left out, and the registration of the
// class with the picture registry and the clipboard.
//
// The byte work (reading, LZW decoding and encoding, writing) is done by the portable core in
// gif/ (namespace vornada::gif); this unit adds what needs the framework and GDI: frame
// bitmaps as framework bitmaps, drawing, copying between pictures, stored form, clipboard and
// the framework's exceptions.
//
// Ownership: a TGIFImage owns its core picture and one TGIFFrame per core frame (kept in the
// same order). A TGIFFrame refers to its core frame, which holds the shared encoded data, and
// owns the framework bitmap it decoded (made on first use). Pictures assigned from one another
// share their image-level and frame-level data through the core's shared objects.
// Not thread-safe: callers serialise access (the GIF animator does, with its locks).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Graphics.h"
#include "gif/GifPicture.h"

namespace vornada {

class TGIFImage;

// The clipboard format "GIF Image" (registered with the system at start-up).
UINT GifClipboardFormat();

// Colour-key masked blit: draws `source_rect` of `bitmap` stretched into `dest_rect` of `dest`,
// leaving every destination pixel alone where the bitmap shows the colour `key`. A destination
// width or height below 1 takes the bitmap's; a source rectangle with a width or height below 1
// stands for the whole bitmap. `key` clNone draws everything (a plain stretch copy with the
// canvas's copy mode); clDefault keys the bitmap's bottom-left pixel colour (white for a
// monochrome bitmap). The bitmap's canvas is locked while it is read.
void DrawBitmapColorKeyed(TCanvas& dest, const RECT& dest_rect, TBitmap& bitmap, TColor key,
                          const RECT& source_rect = RECT{0, 0, 0, 0});

enum class TExtensionKind : uint8_t {
  ekGraphicControl = 0,
  ekPlainText = 1,
  ekApplication = 2,
  ekComment = 3,
};

// One extension block that preceded a frame: its kind, the raw header bytes after the label
// (6 for graphic control, 13 for plain text, 12 for application) and its data sub-blocks.
class TExtension : public TPersistent {
 public:
  VORNADA_CLASS_NAME(TExtension)
  TExtension() = default;
  explicit TExtension(const gif::TExtension& data) : data_(data) {}

  TExtensionKind Kind() const { return static_cast<TExtensionKind>(data_.kind); }
  const std::vector<uint8_t>& Header() const { return data_.header; }
  // One string per sub-block; none for a graphic control extension.
  const std::vector<std::string>& SubBlocks() const { return data_.sub_blocks; }
  const gif::TExtension& Data() const { return data_; }
  // Copies kind, header bytes and sub-blocks from another extension.
  void Assign(TPersistent* source) override;

 private:
  gif::TExtension data_;
};

// One frame of a GIF picture.
class TGIFFrame : public TPersistent {
 public:
  VORNADA_CLASS_NAME(TGIFFrame)
  TGIFFrame(TGIFImage* owner, gif::GifFrame* core);
  ~TGIFFrame() override;

  TGIFImage* OwnerImage() const { return owner_; }

  // The decoded bitmap, decoded on first use: a palette bitmap (1, 4 or 8 bits per pixel)
  // converted to a device-dependent bitmap unless it is monochrome. The owner's OnProgress
  // hears the decoding. Fails with EInvalidGraphicOperation when the frame cannot be decoded.
  TBitmap* Bitmap();
  // The bitmap when the frame has been decoded (or was made from a picture), else null.
  TBitmap* DecodedBitmap() const { return decoded_.get(); }
  // Size of the decoded bitmap (of the encoded data before decoding); 0 when the frame has
  // neither.
  int Width() const;
  int Height() const;

  POINT Origin() const { return {core_->Origin().x, core_->Origin().y}; }
  void SetOrigin(POINT origin) { core_->SetOrigin({origin.x, origin.y}); }
  bool Interlaced() const { return core_->Interlaced(); }
  bool Damaged() const { return core_->Damaged(); }
  bool Gray() const { return core_->Gray(); }
  void SetGray(bool value) { core_->SetGray(value); }
  TColor TransColor() const { return static_cast<TColor>(core_->TransColor()); }
  void SetTransColor(TColor color) { core_->SetTransColor(static_cast<gif::Color>(color)); }
  // Display time in milliseconds.
  uint16_t DelayMs() const { return core_->DelayMs(); }
  void SetDelayMs(uint16_t value) { core_->SetDelayMs(value); }
  // 0 unspecified, 1 leave, 2 restore to background, 3 restore to previous.
  uint8_t DisposeMode() const { return core_->DisposeMode(); }
  void SetDisposeMode(uint8_t value) { core_->SetDisposeMode(value); }
  bool HasLocalMap() const { return core_->HasLocalMap(); }
  bool HasEncodedData() const { return core_->HasEncodedData(); }

  // Lines of the first comment extension (created empty when there is none).
  std::vector<std::string>& CommentLines() { return core_->CommentLines(); }
  int ExtensionCount() const { return static_cast<int>(core_->Extensions().size()); }
  // A copy of extension `index`.
  std::unique_ptr<TExtension> ExtensionAt(int index) const;

  // Draws the frame stretched into `r`; with `transparent` and a transparent colour, every
  // pixel of that colour is left out (whatever its index).
  void Draw(TCanvas& canvas, const RECT& r, bool transparent);

  // From another frame (shares its encoded data), from a TGIFImage (its current frame, or
  // frame 0) or from any other picture (a bitmap copy of it).
  void Assign(TPersistent* source) override;

  gif::GifFrame& Core() { return *core_; }
  const gif::GifFrame& Core() const { return *core_; }

 protected:
  // To a picture: the decoded bitmap; a TBitmap also gets the transparent colour.
  void AssignTo(TPersistent* dest) override;

 private:
  friend class TGIFImage;
  void AssignFromFrame(TGIFFrame& source);
  void AssignFromGraphic(TGraphic& graphic);
  // Gives the core frame an indexed bitmap made from `decoded_` (reduced to 256 colours when
  // it is deeper than 8 bits; gray levels when the frame is marked gray).
  void UpdateCoreBitmap(gif::Color trans_color);
  // The frame's bitmap from now on, with its memory taken from the picture's budget.
  void SetDecoded(std::unique_ptr<TBitmap> bitmap, pictures::BudgetShare share);

  TGIFImage* owner_;
  gif::GifFrame* core_;
  std::unique_ptr<TBitmap> decoded_;
  pictures::BudgetShare decoded_share_;
  // The core's indexed bitmap was reduced from a deeper bitmap, with gray levels or not.
  bool reduced_ = false;
  bool reduced_gray_ = false;
};

class TGIFImage : public TGraphic {
 public:
  VORNADA_CLASS_NAME(TGIFImage)
  TGIFImage();
  ~TGIFImage() override;

  // ---- the framework's picture operations ----
  void Draw(TCanvas& canvas, const RECT& r) override;
  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  // Always fail: "Cannot change the Size of a GIF image".
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  // The transparency flag AND at least one frame with a transparent colour.
  bool Transparent() const override;
  HPALETTE Palette() const override;
  // True only for another TGIFImage that shares this one's image-level data.
  bool Equals(TGraphic* other) override;

  // Reads everything from the current position to the end of the stream as one GIF and
  // decodes the first frame.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // The stored form: a 4-byte little-endian length, then that many bytes of GIF.
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) override;
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
  void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;

  void Assign(TPersistent* source) override;

  // Appends a new frame made from `graphic`, makes it current and returns its index; the
  // version becomes 1 when it was 0, and 2 when there is more than one frame.
  virtual int AppendFrame(TGraphic* graphic);

  // ---- frames and image properties ----
  int FrameCount() const { return static_cast<int>(frames_.size()); }
  TGIFFrame* Frames(int index) const;
  // Index of the current frame; -1 when there is none.
  int CurrentFrame() const { return core_.CurrentFrame(); }
  void SetCurrentFrame(int index);
  // Decoded bitmap of the current frame (frame 0 when the index is outside the list); null
  // when there are no frames.
  TBitmap* Bitmap();
  // The logical screen size; 0 when the picture is empty.
  int LogicalWidth() const;
  int LogicalHeight() const;
  // Colour of the background index (clNone when it does not index the global table).
  TColor BackgroundColor() const { return static_cast<TColor>(core_.BackgroundColor()); }
  // 0 none, 1 "87a", 2 "89a".
  int Version() const { return core_.Version(); }
  bool LoopFlag() const { return core_.LoopFlag(); }
  void SetLoopFlag(bool value) { core_.SetLoopFlag(value); }
  uint16_t LoopCount() const { return core_.LoopCount(); }
  void SetLoopCount(uint16_t value) { core_.SetLoopCount(value); }
  // The image's comment lines.
  const std::vector<std::string>& Comment() const { return core_.Data().comment; }
  void SetComment(std::vector<std::string> lines);

  // The picture's memory budget in bytes (frames, their data and bitmaps, the data being read
  // or written): whatever would take the picture beyond it fails with EOutOfMemory before
  // anything is allocated.
  uint64_t MemoryLimit() const { return core_.MemoryLimit(); }
  void SetMemoryLimit(uint64_t bytes) { core_.SetMemoryLimit(bytes); }
  uint64_t MemoryUsed() const { return core_.MemoryUsed(); }

  gif::GifPicture& Core() { return core_; }
  const gif::GifPicture& Core() const { return core_; }

 protected:
  void AssignTo(TPersistent* dest) override;

 private:
  friend class TGIFFrame;
  // Reads one GIF of `data` (all of it); `decode_first` decodes frame 0 at once.
  void ReadGif(std::span<const uint8_t> data, bool decode_first);
  std::vector<uint8_t> WriteGif();
  // Makes the frame list match the core's frames again (wrappers of frames still there are
  // kept with their bitmaps).
  void SyncFrames();
  void AssignFromImage(TGIFImage& source);
  void Clear();
  int AppendFrameUnnotified(TGraphic* graphic);
  TGIFFrame* FrameForDrawing() const;

  gif::GifPicture core_;
  std::vector<std::unique_ptr<TGIFFrame>> frames_;
};

// The class registers itself with the picture registry once, at start-up. A program that
// names `TGIFImage` only through the registry (a picture stored in a window description) calls
// this at start-up so that the unit is part of it; it tells whether the class is registered.
bool GifImageRegistered();

}  // namespace vornada
