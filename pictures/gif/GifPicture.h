// The portable model of a GIF picture: the image-level and frame-level shared data objects
// (`TGIFData`, `TGIFItem`), extensions (`TExtension`), frames (GifFrame) and the picture
// (GifPicture) with reading, frame decoding, frame encoding and writing.
//
// Ownership and sharing:
//  - A GifPicture owns its frames (one heap object each, so a frame's address is stable for
//    the Win32 wrapper) and holds its `TGIFData` through a shared_ptr. Pictures assigned from
//    one another share that object; a change to a shared one first makes a private copy.
//  - A GifFrame holds its `TGIFItem` (encoded data, size, colour map) through a
//    shared_ptr<const TGIFItem>: items are never changed once built, so copies of a frame can
//    share them freely; re-encoding a frame gives it a new item.
//  - A decoded bitmap is a shared_ptr<const FrameBitmap>, made on first use and kept.
//  - Memory: every picture has a memory budget (GifPicture::MemoryLimit). The frames, their
//    encoded data and extensions, decoded bitmaps, the image comment and the working memory of
//    writing and composing take their bytes from it before they are allocated, and give them
//    back when they go; shared data holds its share for as long as it lives.
// Nothing here is thread-safe; the caller serialises access to a picture.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "GifBitmap.h"
#include "GifTypes.h"
#include "common/MemoryBudget.h"

namespace vornada::gif {

// Image-level data, shared between pictures assigned from one another.
struct TGIFData {
  std::vector<std::string> comment;  // comment lines of the image
  uint8_t aspect_ratio = 0;          // pixel aspect ratio byte of the logical screen
  int bits_per_pixel = 0;            // global bits per pixel (1..8; 0 before any was read)
  int color_resolution = 0;          // colour resolution (1..8; 0 before any was read)
  ColorMap color_map;                // global colour map (count 0 = none)
};

// Frame-level data, shared between copies of a frame; never changed once shared.
struct TGIFItem {
  // The LZW minimum code size byte, the data sub-blocks and the zero-length block, as read.
  std::vector<uint8_t> encoded;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t packed = 0;      // the image descriptor's packed byte as read
  int bits_per_pixel = 0;  // 1..8; 0 when the frame has no colour table at all
  ColorMap color_map;      // the local map, or a copy of the global map
};

enum class ExtensionKind : uint8_t {
  kGraphicControl = 0,
  kPlainText = 1,
  kApplication = 2,
  kComment = 3,
};

constexpr uint8_t kGraphicControlLabel = 0xF9;
constexpr uint8_t kCommentLabel = 0xFE;
constexpr uint8_t kPlainTextLabel = 0x01;
constexpr uint8_t kApplicationLabel = 0xFF;

struct TExtension {
  ExtensionKind kind = ExtensionKind::kComment;
  // Raw bytes after the label: 6 for graphic control (block size, packed byte, delay low,
  // delay high, transparent index, terminator), 13 for plain text, 12 for application.
  std::vector<uint8_t> header;
  // Data sub-blocks, one string per sub-block (none for graphic control).
  std::vector<std::string> sub_blocks;
};

class GifPicture;

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const Point&) const = default;
};

class GifFrame {
 public:
  explicit GifFrame(GifPicture* owner);
  GifFrame(const GifFrame&) = delete;
  GifFrame& operator=(const GifFrame&) = delete;

  GifPicture* Owner() const { return owner_; }
  const TGIFItem& Item() const { return *FItem; }
  const std::shared_ptr<const TGIFItem>& SharedItem() const { return FItem; }
  // Replaces the frame-level data (dropping a decoded bitmap made from the old one).
  void SetItem(std::shared_ptr<const TGIFItem> item);

  const std::vector<TExtension>& Extensions() const { return FExtList; }
  std::vector<TExtension>& MutableExtensions() { return FExtList; }

  Point Origin() const { return FOffset; }
  void SetOrigin(Point origin) { FOffset = origin; }
  bool Interlaced() const { return FInterlacedFlag; }
  void SetInterlaced(bool value) { FInterlacedFlag = value; }
  bool Damaged() const { return FDamaged; }
  void SetDamaged(bool value) { FDamaged = value; }
  bool Gray() const { return FGrayFlag; }
  void SetGray(bool value) { FGrayFlag = value; }
  Color TransColor() const { return FTransColor; }
  void SetTransColor(Color value) { FTransColor = value; }
  uint16_t DelayMs() const { return FDelayMs; }
  void SetDelayMs(uint16_t value) { FDelayMs = value; }
  uint8_t DisposeMode() const { return FDisposeMode; }
  void SetDisposeMode(uint8_t value) { FDisposeMode = value; }
  bool HasLocalMap() const { return FHasLocalMap; }
  void SetHasLocalMap(bool value) { FHasLocalMap = value; }

  // True when the frame holds encoded data of at least one byte.
  bool HasEncodedData() const { return !FItem->encoded.empty(); }
  // The decoded bitmap, or null when the frame was not decoded yet.
  const std::shared_ptr<const FrameBitmap>& DecodedBitmap() const { return FDecoded; }
  // The decoded bitmap, decoding it on first use (the damaged flag takes any damage found).
  // Throws "Wrong number of colors; must be a power of 2" when the frame has no usable colour
  // table, GifError::TooLarge beyond `limits`.
  const FrameBitmap& Bitmap(const ProgressCallback* progress = nullptr,
                            const Limits& limits = Limits{});
  // Size of the decoded bitmap; when not decoded yet, the size decoding will give; 0 when the
  // frame has neither a bitmap nor encoded data.
  uint32_t Width() const;
  uint32_t Height() const;

  // Lines of the first comment extension, which is created (empty) when there is none.
  std::vector<std::string>& CommentLines();
  // Lines of the first comment extension that has any, or null.
  const std::vector<std::string>* FirstNonEmptyComment() const;

  // Copy from another frame: shares its item and decoded bitmap, copies origin, interlace
  // flag, transparent colour, delay, disposal, gray and damaged flags and the first non-empty
  // comment. The local-map flag is copied when both frames belong to the same picture and set
  // otherwise. The owner's logical screen is recomputed.
  void AssignFrom(const GifFrame& source);
  // A frame made from an indexed bitmap: the bitmap becomes the decoded bitmap, the encoded
  // data is dropped (the frame is encoded when written) and the transparent colour is set.
  // `share`, the bitmap's memory taken from the picture's budget, is held with the bitmap.
  // The owner's logical screen is recomputed.
  void AssignBitmap(std::shared_ptr<const FrameBitmap> bitmap, Color trans_color,
                    pictures::BudgetShare share = {});

 private:
  friend class GifPicture;
  friend class GifReader;
  const FrameBitmap& Decode(const ProgressCallback* progress, const Limits& limits);

  GifPicture* owner_;
  pictures::BudgetShare FShare;  // the frame object and its extensions
  std::shared_ptr<const FrameBitmap> FDecoded;
  std::shared_ptr<const TGIFItem> FItem;
  std::vector<TExtension> FExtList;
  Point FOffset;
  bool FInterlacedFlag = false;
  bool FDamaged = false;
  bool FGrayFlag = false;
  Color FTransColor = clNone;
  uint16_t FDelayMs = 0;
  uint8_t FDisposeMode = 0;
  bool FHasLocalMap = false;
};

class GifPicture {
 public:
  GifPicture();
  GifPicture(const GifPicture&) = delete;
  GifPicture& operator=(const GifPicture&) = delete;

  // ---- reading and writing ----
  // Reads `data` (all of it) as one GIF. Afterwards, when there are frames, frame 0 is current
  // and, with `decode_first`, decoded at once; if that decoding fails, frame 0 is removed and
  // the error propagates. A failing read keeps the frames completed before the failure.
  void Load(std::span<const uint8_t> data, bool decode_first = true);
  // The stored form: a 4-byte little-endian length, then that many bytes of GIF, read as by
  // Load. Returns the number of bytes consumed. Fewer bytes than announced: kShortData.
  size_t LoadStored(std::span<const uint8_t> stored, bool decode_first = true);
  // Writes the GIF. Frames without encoded data are encoded from their bitmaps first, and the
  // frames' graphic control extensions are brought up to date.
  std::vector<uint8_t> Save();
  // The stored form: the 4-byte length of the GIF, then the GIF.
  std::vector<uint8_t> SaveStored();
  // Empties the picture and gives it fresh image-level data.
  void Clear();

  // ---- frames ----
  size_t FrameCount() const { return FFrames.size(); }
  GifFrame& Frame(size_t index) { return *FFrames.at(index); }
  const GifFrame& Frame(size_t index) const { return *FFrames.at(index); }
  int CurrentFrame() const { return FCurrentFrame; }
  void SetCurrentFrame(int index) { FCurrentFrame = index; }
  // Decoded bitmap of frame `index`, using the picture's progress callback and limits.
  const FrameBitmap& FrameBitmapAt(size_t index);
  // Removes frame `index` (the current index is left as it is).
  void DeleteFrame(size_t index);

  // Appends a frame made from an indexed bitmap (`AppendFrame` with a bitmap): it becomes
  // current; the version rises to 1 when it was 0 and to 2 when there is more than one
  // frame. Returns the new index.
  int AppendBitmap(std::shared_ptr<const FrameBitmap> bitmap, Color trans_color = clNone,
                   pictures::BudgetShare share = {});
  // Appends a frame assigned from frame `index` of `source` (`AppendFrame` with a frame).
  int AppendFrameFrom(const GifFrame& source);

  // ---- assignment ----
  // Copy from another picture: shares its `TGIFData`, copies version, background colour,
  // loop flag and count, logical screen size and current index, and one new frame assigned
  // from each source frame (bits per pixel and local-map flag taken over).
  void AssignFrom(const GifPicture& source);
  // Copy from a frame: the picture is emptied, takes aspect ratio, bits per pixel, colour
  // resolution and colour map from the frame's owner, and gets one frame assigned from it,
  // which becomes current; the version becomes at least 1.
  void AssignFromFrame(const GifFrame& frame);
  // True when both pictures share the same `TGIFData`.
  bool SharesDataWith(const GifPicture& other) const { return FShared == other.FShared; }

  // ---- properties ----
  const TGIFData& Data() const { return *FShared; }
  // The image-level data for changing; a shared object is copied first.
  TGIFData& MutableData();
  const std::shared_ptr<const TGIFData> SharedData() const { return FShared; }

  int Version() const { return FGifVersion; }
  void SetVersion(int version) { FGifVersion = static_cast<uint8_t>(version); }
  // The logical screen size, 0 x 0 when the picture is empty.
  uint16_t LogicalWidth() const { return FFrames.empty() ? 0 : FLogicalWidth; }
  uint16_t LogicalHeight() const { return FFrames.empty() ? 0 : FLogicalHeight; }
  void SetLogicalSize(uint16_t width, uint16_t height) {
    FLogicalWidth = width;
    FLogicalHeight = height;
  }
  // Sets the logical screen to the largest origin + size over all frames.
  void RecomputeLogicalScreen();
  Color BackgroundColor() const { return FBackColor; }
  void SetBackgroundColor(Color color) { FBackColor = color; }
  bool LoopFlag() const { return FLoopFlag; }
  void SetLoopFlag(bool value) { FLoopFlag = value; }
  uint16_t LoopCount() const { return FLoopCount; }
  void SetLoopCount(uint16_t value) { FLoopCount = value; }
  // The framework's transparency flag of the picture (True from construction).
  bool TransparentFlag() const { return FTransparent; }
  void SetTransparentFlag(bool value) { FTransparent = value; }
  // The flag AND at least one frame has a transparent colour.
  bool IsTransparent() const;
  // No frames, or the current frame (frame 0 when the index is outside the list) has no
  // decoded bitmap and no encoded data.
  bool IsEmpty() const;

  void SetProgressCallback(ProgressCallback callback) { progress_ = std::move(callback); }
  const ProgressCallback& Progress() const { return progress_; }
  void SetLimits(const Limits& limits) { limits_ = limits; }
  const Limits& GetLimits() const { return limits_; }

  // ---- memory ----
  // The picture's memory budget: the bytes its data may hold at once (default
  // pictures::MemoryBudget::kDefaultLimit). Whatever would take the picture beyond it fails
  // with GifError::OutOfMemory before anything is allocated.
  uint64_t MemoryLimit() const { return budget_->Limit(); }
  void SetMemoryLimit(uint64_t bytes) { budget_->SetLimit(bytes); }
  // Bytes of the budget held now.
  uint64_t MemoryUsed() const { return budget_->Used(); }
  const std::shared_ptr<pictures::MemoryBudget>& SharedBudget() const { return budget_; }
  // `bytes` of the budget, held by the returned share; GifError::OutOfMemory when they do not
  // fit.
  pictures::BudgetShare TakeMemory(uint64_t bytes) const;

  // Encodes frame `index` from its bitmap: its colour map becomes the bitmap's colour table,
  // it loses its interlace flag, its bits per pixel become the smallest that holds the table;
  // when the picture has no global map yet, the frame's map becomes the global map and the
  // frame has no local map; the logical screen grows to hold the frame. Throws "No GIF Data
  // to write" when the frame has no bitmap (and no encoded data to decode one from) and "GIF
  // image encoding error" for other bit counts than 1, 4 and 8.
  void EncodeFrame(size_t index);

 private:
  friend class GifFrame;
  friend class GifReader;
  void Reset();
  std::vector<uint8_t> Write();
  // A new frame of this picture, its object's memory taken from the budget.
  std::unique_ptr<GifFrame> NewFrame();

  std::shared_ptr<TGIFData> FShared;
  uint8_t FGifVersion = 0;
  std::vector<std::unique_ptr<GifFrame>> FFrames;
  int FCurrentFrame = -1;
  uint16_t FLogicalWidth = 0;
  uint16_t FLogicalHeight = 0;
  Color FBackColor = clNone;
  bool FLoopFlag = false;
  uint16_t FLoopCount = 1;
  bool FTransparent = true;
  ProgressCallback progress_;
  Limits limits_;
  std::shared_ptr<pictures::MemoryBudget> budget_ = std::make_shared<pictures::MemoryBudget>();
  pictures::BudgetShare FCommentShare;  // the image comment read from the file
};

}  // namespace vornada::gif
