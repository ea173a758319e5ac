// TGIFImage, TGIFFrame and TExtension over the portable GIF core (see GifImage.h for who owns
// what), the colour-key masked blit, and the picture class's registration.
#include "GifImage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>
#include <stdexcept>
#include <utility>

#include "BmpFile.h"
#include "Clipbrd.h"
#include "WinHandles.h"

namespace vornada {

namespace {

constexpr const char* kCannotChangeSize = "Cannot change the Size of a GIF image";
constexpr const char* kNoDataToWrite = "No GIF Data to write";

// The core's errors as the framework's: data shorter than its length prefix is the stream read
// error, memory beyond the picture's budget the out-of-memory error, everything else an
// invalid graphic operation with the core's message.
[[noreturn]] void RaiseFrameworkError(const gif::GifError& error) {
  if (error.kind() == gif::ErrorKind::kShortData) throw EReadError(std::string(msg::kReadError));
  if (error.kind() == gif::ErrorKind::kOutOfMemory) throw EOutOfMemory(error.what());
  throw EInvalidGraphicOperation(error.what());
}

// `bytes` of the picture's memory budget, or the framework's out-of-memory error.
pictures::BudgetShare TakeMemory(const gif::GifPicture& picture, uint64_t bytes) {
  try {
    return picture.TakeMemory(bytes);
  } catch (const gif::GifError& e) {
    RaiseFrameworkError(e);
  }
}

// What a framework bitmap of this size may take: a device-dependent bitmap has the screen's
// depth (at most 32 bits per pixel), a monochrome one a bit per pixel in 16-bit rows.
uint64_t BitmapBytes(int width, int height, bool monochrome) {
  const uint64_t w = static_cast<uint64_t>(std::max(width, 0));
  const uint64_t h = static_cast<uint64_t>(std::max(height, 0));
  return monochrome ? (w + 15) / 16 * 2 * h : w * h * 4;
}

TProgressStage StageOf(gif::ProgressStage stage) {
  switch (stage) {
    case gif::ProgressStage::kStarting: return TProgressStage::psStarting;
    case gif::ProgressStage::kRunning: return TProgressStage::psRunning;
    case gif::ProgressStage::kEnding: break;
  }
  return TProgressStage::psEnding;
}

// A bitmap of a frame and its memory, taken from the picture's budget.
struct ChargedBitmap {
  std::unique_ptr<TBitmap> bitmap;
  pictures::BudgetShare share;
};

// A copy of `bitmap` (none for null), its memory taken from `picture`'s budget first.
ChargedBitmap CopyOf(const TBitmap* bitmap, const gif::GifPicture& picture) {
  ChargedBitmap copy;
  if (bitmap == nullptr) return copy;
  auto* source = const_cast<TBitmap*>(bitmap);
  copy.share =
      TakeMemory(picture, BitmapBytes(source->Width(), source->Height(), source->Monochrome()));
  copy.bitmap = std::make_unique<TBitmap>();
  copy.bitmap->Assign(source);
  return copy;
}

// `count` bytes of `stream` (the stream read error when there are fewer), in memory of their own
// that counts in `picture`'s budget while `share` holds it.
std::vector<uint8_t> ReadBytes(TStream& stream, int64_t count, const gif::GifPicture& picture,
                               pictures::BudgetShare& share) {
  share = TakeMemory(picture, static_cast<uint64_t>(std::max<int64_t>(count, 0)));
  std::vector<uint8_t> data;
  try {
    data.resize(static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory");
  } catch (const std::length_error&) {
    throw EOutOfMemory("Out of memory");
  }
  stream.ReadBuffer(data.data(), count);
  return data;
}

uint32_t ReadLittle32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// An indexed bitmap for the encoder, made from a framework bitmap through its bitmap-file form:
// 1, 4 and 8 bits per pixel are taken as they are, deeper bitmaps reduced to 256 colours (or
// gray levels). `reduced` tells which happened.
gif::FrameBitmap IndexedFromBitmap(TBitmap& bitmap, bool gray, const gif::Limits& limits,
                                   bool& reduced) {
  reduced = false;
  TMemoryStream file;
  bitmap.SaveToStream(file);
  // The file is the bitmap's own, already in memory: the GIF limits below are the ones that
  // count, not the reader's.
  bmp::Limits unlimited;
  unlimited.max_width = unlimited.max_height = 0x7FFFFFFF;
  unlimited.max_pixels = UINT64_MAX;
  bmp::Image image;
  try {
    image = bmp::ReadImage(
        std::span<const uint8_t>(file.Memory(), static_cast<size_t>(file.Size())), unlimited);
  } catch (const bmp::BmpError&) {
    throw EInvalidGraphicOperation("GIF image encoding error");
  }
  const bmp::Header& header = image.header;
  const uint32_t width = header.width;
  const uint32_t height = header.height;

  if (header.bit_count <= 8) {
    gif::ColorMap map;
    map.count = static_cast<uint32_t>(image.color_table.size());
    for (size_t i = 0; i < image.color_table.size(); ++i) {
      const bmp::ColorEntry& e = image.color_table[i];
      map.entries[i] = gif::RgbEntry{e.red, e.green, e.blue};
    }
    gif::BitmapLayout layout;
    try {
      layout = gif::ComputeBitmapLayout(header.bit_count, width, height, limits);
    } catch (const gif::GifError& e) {
      RaiseFrameworkError(e);
    }
    gif::FrameBitmap indexed = gif::FrameBitmap::Create(layout, map);
    for (uint32_t y = 0; y < height; ++y)
      std::memcpy(indexed.RowFromTop(y), image.RowFromTop(y), layout.stride);
    return indexed;
  }
  if (uint64_t{width} * height > limits.max_pixels) RaiseFrameworkError(gif::GifError::TooLarge());
  std::vector<gif::Color> pixels(size_t{width} * height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const bmp::ColorEntry c = image.ColorAt(x, y);
      pixels[size_t{y} * width + x] = gif::MakeColor(c.red, c.green, c.blue);
    }
  }
  reduced = true;
  try {
    return gif::ReduceToIndexed(pixels.data(), width, height, gray, limits);
  } catch (const gif::GifError& e) {
    RaiseFrameworkError(e);
  }
}

// The picture class, its file extension and the clipboard format, registered at start-up and
// taken out of the registry again at shutdown.
UINT g_gif_clipboard_format = 0;

struct GifRegistration {
  GifRegistration() {
    g_gif_clipboard_format = ::RegisterClipboardFormatW(L"GIF Image");
    TPicture::RegisterFileFormat(
        {TGIFImage::StaticClassName(), L"gif", L"CompuServe GIF Image",
         [] { return std::unique_ptr<TGraphic>(new TGIFImage()); }, g_gif_clipboard_format});
  }
  ~GifRegistration() { TPicture::UnregisterGraphicClass(TGIFImage::StaticClassName()); }
};
const GifRegistration g_gif_registration;

}  // namespace

UINT GifClipboardFormat() { return g_gif_clipboard_format; }

// ---- the colour-key masked blit ----------------------------------------------------------------

void DrawBitmapColorKeyed(TCanvas& dest, const RECT& dest_rect, TBitmap& bitmap, TColor key,
                          const RECT& source_rect) {
  if (bitmap.Empty()) return;
  RECT d = dest_rect;
  if (d.right - d.left < 1) d.right = d.left + bitmap.Width();
  if (d.bottom - d.top < 1) d.bottom = d.top + bitmap.Height();
  RECT s = source_rect;
  if (s.right - s.left < 1 || s.bottom - s.top < 1) s = RECT{0, 0, bitmap.Width(), bitmap.Height()};
  HDC dest_dc = dest.Handle();
  if (!bitmap.Monochrome()) ::SetStretchBltMode(dest_dc, COLORONCOLOR);

  TBitmapCanvas& source = bitmap.Canvas();
  ScopedCanvasLock lock(source);
  // Reading the bitmap is no change of it: its change handler stays out of the way meanwhile.
  struct DetachedHandler {
    TCanvas& canvas;
    TNotifyEvent saved;
    explicit DetachedHandler(TCanvas& c) : canvas(c), saved(std::exchange(c.OnChange, nullptr)) {}
    ~DetachedHandler() { canvas.OnChange = std::move(saved); }
    DetachedHandler(const DetachedHandler&) = delete;
    DetachedHandler& operator=(const DetachedHandler&) = delete;
  } detached(source);
  HDC source_dc = source.Handle();

  if (key == clNone) {
    ::StretchBlt(dest_dc, d.left, d.top, d.right - d.left, d.bottom - d.top, source_dc, s.left,
                 s.top, s.right - s.left, s.bottom - s.top, dest.CopyMode());
    return;
  }
  COLORREF rgb;
  if (key == clDefault) {
    rgb = bitmap.Monochrome() ? RGB(255, 255, 255)
                              : (::GetPixel(source_dc, 0, bitmap.Height() - 1) & 0xFFFFFF);
  } else {
    // Every bitmap, monochrome ones too, is keyed by the colour its pixels show: the copy made
    // for the mask takes a monochrome bitmap's colours from its colour table.
    rgb = static_cast<COLORREF>(ColorToRGB(key) & 0xFFFFFF);
  }
  win::ScopedSelectPalette dest_palette(dest_dc, bitmap.Palette(), TRUE);
  TransparentStretch(dest_dc, d, source_dc, s, rgb, bitmap.Palette());
}

// ---- TExtension ------------------------------------------------------------------------------

void TExtension::Assign(TPersistent* source) {
  if (auto* other = dynamic_cast<TExtension*>(source)) {
    data_ = other->data_;
    return;
  }
  TPersistent::Assign(source);
}

// ---- TGIFFrame -------------------------------------------------------------------------------

TGIFFrame::TGIFFrame(TGIFImage* owner, gif::GifFrame* core) : owner_(owner), core_(core) {}

TGIFFrame::~TGIFFrame() = default;

TBitmap* TGIFFrame::Bitmap() {
  if (decoded_) return decoded_.get();
  const gif::GifPicture& picture = owner_->core_;
  const gif::FrameBitmap* indexed = nullptr;
  try {
    indexed = &core_->Bitmap(picture.Progress() ? &picture.Progress() : nullptr,
                             picture.GetLimits());
  } catch (const gif::GifError& e) {
    RaiseFrameworkError(e);
  }
  // The framework bitmap: made from the bitmap file (a device-independent bitmap of the file's
  // size) and converted to the screen's depth unless it is monochrome.
  const bool monochrome = indexed->BitCount() == 1;
  const uint64_t kept = BitmapBytes(static_cast<int>(indexed->Width()),
                                    static_cast<int>(indexed->Height()), monochrome);
  pictures::BudgetShare share = TakeMemory(picture, kept + indexed->FileSize());
  auto bitmap = std::make_unique<TBitmap>();
  TBytesStream file(indexed->FileData(), static_cast<int64_t>(indexed->FileSize()));
  bitmap->LoadFromStream(file);
  if (!bitmap->Monochrome()) bitmap->SetHandleType(TBitmapHandleType::bmDDB);
  share.ShrinkTo(kept);
  SetDecoded(std::move(bitmap), std::move(share));
  // The framework bitmap now holds the pixels; the core keeps only the encoded data (from
  // which it could decode again), so the frame's pixels are not held twice.
  if (core_->HasEncodedData()) core_->SetItem(core_->SharedItem());
  return decoded_.get();
}

void TGIFFrame::SetDecoded(std::unique_ptr<TBitmap> bitmap, pictures::BudgetShare share) {
  decoded_ = std::move(bitmap);
  decoded_share_ = std::move(share);
}

int TGIFFrame::Width() const {
  return decoded_ ? decoded_->Width() : static_cast<int>(core_->Width());
}

int TGIFFrame::Height() const {
  return decoded_ ? decoded_->Height() : static_cast<int>(core_->Height());
}

std::unique_ptr<TExtension> TGIFFrame::ExtensionAt(int index) const {
  const auto& list = core_->Extensions();
  if (index < 0 || static_cast<size_t>(index) >= list.size())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return std::make_unique<TExtension>(list[static_cast<size_t>(index)]);
}

void TGIFFrame::Draw(TCanvas& canvas, const RECT& r, bool transparent) {
  TBitmap* bitmap = Bitmap();
  const TColor trans = TransColor();
  if (transparent && trans != clNone) {
    DrawBitmapColorKeyed(canvas, r, *bitmap, trans);
  } else {
    canvas.StretchDraw(r, bitmap);
  }
}

void TGIFFrame::Assign(TPersistent* source) {
  if (auto* frame = dynamic_cast<TGIFFrame*>(source)) {
    AssignFromFrame(*frame);
  } else if (auto* image = dynamic_cast<TGIFImage*>(source)) {
    if (image->FrameCount() == 0) {
      SetDecoded(nullptr, {});
      reduced_ = false;
      core_->AssignBitmap(nullptr, gif::clNone);
      return;
    }
    const int current = image->CurrentFrame();
    AssignFromFrame(*image->Frames(current >= 0 && current < image->FrameCount() ? current : 0));
  } else if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
    AssignFromGraphic(*graphic);
  } else {
    TPersistent::Assign(source);
  }
}

void TGIFFrame::AssignFromFrame(TGIFFrame& source) {
  if (&source == this) return;
  ChargedBitmap copy = CopyOf(source.decoded_.get(), owner_->core_);
  core_->AssignFrom(*source.core_);
  SetDecoded(std::move(copy.bitmap), std::move(copy.share));
  reduced_ = source.reduced_;
  reduced_gray_ = source.reduced_gray_;
}

void TGIFFrame::AssignFromGraphic(TGraphic& graphic) {
  // A bitmap copy of the picture, of up to 32 bits per pixel.
  pictures::BudgetShare share =
      TakeMemory(owner_->core_, BitmapBytes(graphic.Width(), graphic.Height(), false));
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->Assign(&graphic);
  gif::Color trans = gif::clNone;
  if (graphic.Transparent() && !bitmap->Empty()) {
    if (auto* source_bitmap = dynamic_cast<TBitmap*>(&graphic)) {
      trans = static_cast<gif::Color>(source_bitmap->TransparentColor() & 0xFFFFFF);
    } else {
      // The copy shows the brush colour where the picture left the bitmap uncovered.
      const COLORREF brush = static_cast<COLORREF>(ColorToRGB(bitmap->Canvas().Brush().Color()));
      trans = static_cast<gif::Color>(::GetNearestColor(bitmap->Canvas().Handle(), brush) & 0xFFFFFF);
    }
  }
  // The frame's own copy draws opaque unless the frame's transparent colour is asked for.
  bitmap->SetTransparent(false);
  SetDecoded(std::move(bitmap), std::move(share));
  UpdateCoreBitmap(trans);
}

void TGIFFrame::UpdateCoreBitmap(gif::Color trans_color) {
  std::shared_ptr<const gif::FrameBitmap> indexed;
  pictures::BudgetShare share;
  bool reduced = false;
  if (decoded_ && !decoded_->Empty()) {
    // The indexed bitmap (a byte per pixel at most, rows padded, colour table) stays with the
    // core; on the way the bitmap's file image and, for deeper bitmaps, a colour per pixel.
    const uint64_t pixels = uint64_t(decoded_->Width()) * uint64_t(decoded_->Height());
    const uint64_t indexed_bytes = pixels + 4 * uint64_t(decoded_->Height()) + 1078;
    share = TakeMemory(owner_->core_, indexed_bytes + 8 * pixels);
    indexed = std::make_shared<const gif::FrameBitmap>(
        IndexedFromBitmap(*decoded_, core_->Gray(), owner_->core_.GetLimits(), reduced));
    share.ShrinkTo(indexed_bytes);
  }
  core_->AssignBitmap(std::move(indexed), trans_color, std::move(share));
  reduced_ = reduced;
  reduced_gray_ = core_->Gray();
}

void TGIFFrame::AssignTo(TPersistent* dest) {
  auto* graphic = dynamic_cast<TGraphic*>(dest);
  if (graphic == nullptr) {
    TPersistent::AssignTo(dest);
    return;
  }
  graphic->Assign(Bitmap());
  auto* bitmap = dynamic_cast<TBitmap*>(dest);
  if (bitmap != nullptr && TransColor() != clNone && !bitmap->Empty()) {
    const COLORREF nearest = ::GetNearestColor(
        bitmap->Canvas().Handle(), static_cast<COLORREF>(ColorToRGB(TransColor()) & 0xFFFFFF));
    bitmap->SetTransparentColor(static_cast<TColor>(nearest & 0xFFFFFF));
    bitmap->SetTransparent(true);
  }
}

// ---- TGIFImage -------------------------------------------------------------------------------

TGIFImage::TGIFImage() {
  SetTransparent(true);
  core_.SetProgressCallback([this](gif::ProgressStage stage, int percent) {
    Progress(this, StageOf(stage), static_cast<BYTE>(std::clamp(percent, 0, 100)), false,
             RECT{0, 0, 0, 0}, std::string());
  });
}

TGIFImage::~TGIFImage() { frames_.clear(); }

TGIFFrame* TGIFImage::Frames(int index) const {
  if (index < 0 || index >= FrameCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return frames_[static_cast<size_t>(index)].get();
}

void TGIFImage::SyncFrames() {
  // Called after the core replaced its whole frame list: no wrapper survives (a new core frame
  // may even sit at the address of an old one).
  frames_.clear();
  for (size_t i = 0; i < core_.FrameCount(); ++i)
    frames_.push_back(std::make_unique<TGIFFrame>(this, &core_.Frame(i)));
}

TGIFFrame* TGIFImage::FrameForDrawing() const {
  if (frames_.empty()) return nullptr;
  const int current = core_.CurrentFrame();
  return frames_[current >= 0 && current < FrameCount() ? static_cast<size_t>(current) : 0].get();
}

void TGIFImage::SetCurrentFrame(int index) {
  if (index < -1 || index >= FrameCount() || index == core_.CurrentFrame()) return;
  core_.SetCurrentFrame(index);
  Changed(this);
}

TBitmap* TGIFImage::Bitmap() {
  TGIFFrame* frame = FrameForDrawing();
  return frame != nullptr ? frame->Bitmap() : nullptr;
}

void TGIFImage::Draw(TCanvas& canvas, const RECT& r) {
  const int current = core_.CurrentFrame();
  if (current < 0 || current >= FrameCount()) return;
  frames_[static_cast<size_t>(current)]->Draw(canvas, r, Transparent());
}

bool TGIFImage::Empty() const {
  const TGIFFrame* frame = FrameForDrawing();
  if (frame == nullptr) return true;
  if (frame->decoded_ && !frame->decoded_->Empty()) return false;
  return core_.IsEmpty();
}

int TGIFImage::Width() const {
  const int current = core_.CurrentFrame();
  if (Empty() || current < 0 || current >= FrameCount()) return 0;
  return frames_[static_cast<size_t>(current)]->Width();
}

int TGIFImage::Height() const {
  const int current = core_.CurrentFrame();
  if (Empty() || current < 0 || current >= FrameCount()) return 0;
  return frames_[static_cast<size_t>(current)]->Height();
}

void TGIFImage::SetWidth(int) { throw EInvalidGraphicOperation(kCannotChangeSize); }
void TGIFImage::SetHeight(int) { throw EInvalidGraphicOperation(kCannotChangeSize); }

bool TGIFImage::Transparent() const {
  if (!TGraphic::Transparent()) return false;
  return std::any_of(frames_.begin(), frames_.end(),
                     [](const auto& f) { return f->TransColor() != clNone; });
}

HPALETTE TGIFImage::Palette() const {
  TGIFFrame* frame = FrameForDrawing();
  return frame != nullptr ? frame->Bitmap()->Palette() : nullptr;
}

bool TGIFImage::Equals(TGraphic* other) {
  auto* image = dynamic_cast<TGIFImage*>(other);
  return image != nullptr && core_.SharesDataWith(image->core_);
}

int TGIFImage::LogicalWidth() const { return Empty() ? 0 : core_.LogicalWidth(); }
int TGIFImage::LogicalHeight() const { return Empty() ? 0 : core_.LogicalHeight(); }

void TGIFImage::SetComment(std::vector<std::string> lines) {
  core_.MutableData().comment = std::move(lines);
  Changed(this);
}

void TGIFImage::Clear() {
  frames_.clear();
  core_.Clear();
}

void TGIFImage::ReadGif(std::span<const uint8_t> data, bool decode_first) {
  frames_.clear();
  try {
    core_.Load(data, false);
  } catch (const gif::GifError& e) {
    SyncFrames();  // the frames completed before the failure stay
    RaiseFrameworkError(e);
  } catch (...) {
    SyncFrames();
    throw;
  }
  SyncFrames();
  if (decode_first && !frames_.empty()) {
    try {
      frames_[0]->Bitmap();
    } catch (...) {
      frames_.erase(frames_.begin());
      core_.DeleteFrame(0);
      throw;
    }
  }
}

void TGIFImage::LoadFromStream(TStream& stream) {
  // Whatever happens, the picture was replaced: its listeners hear of it.
  try {
    Clear();
    const int64_t available = std::max<int64_t>(0, stream.Size() - stream.Position());
    pictures::BudgetShare share;
    ReadGif(ReadBytes(stream, available, core_, share), true);
  } catch (...) {
    SetPaletteModified(true);
    Changed(this);
    throw;
  }
  SetPaletteModified(true);
  Changed(this);
}

void TGIFImage::ReadData(TStream& stream) {
  try {
    Clear();
    uint8_t prefix[4];
    stream.ReadBuffer(prefix, 4);
    const uint32_t length = ReadLittle32(prefix);
    const int64_t available = std::max<int64_t>(0, stream.Size() - stream.Position());
    if (int64_t{length} > available) throw EReadError(std::string(msg::kReadError));
    pictures::BudgetShare share;
    ReadGif(ReadBytes(stream, length, core_, share), true);
  } catch (...) {
    SetPaletteModified(true);
    Changed(this);
    throw;
  }
  SetPaletteModified(true);
  Changed(this);
}

std::vector<uint8_t> TGIFImage::WriteGif() {
  if (frames_.empty()) throw EInvalidGraphicOperation(kNoDataToWrite);
  // A frame reduced from a deeper bitmap is reduced again when its gray flag changed since.
  for (auto& frame : frames_) {
    if (!frame->HasEncodedData() && frame->reduced_ && frame->reduced_gray_ != frame->Gray())
      frame->UpdateCoreBitmap(frame->Core().TransColor());
  }
  try {
    return core_.Save();
  } catch (const gif::GifError& e) {
    RaiseFrameworkError(e);
  }
}

void TGIFImage::SaveToStream(TStream& stream) {
  const std::vector<uint8_t> gif = WriteGif();
  stream.WriteBuffer(gif.data(), static_cast<int64_t>(gif.size()));
}

void TGIFImage::WriteData(TStream& stream) {
  const std::vector<uint8_t> gif = WriteGif();
  const auto length = static_cast<uint32_t>(gif.size());
  const uint8_t prefix[4] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                             static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
  stream.WriteBuffer(prefix, 4);
  stream.WriteBuffer(gif.data(), static_cast<int64_t>(gif.size()));
}

void TGIFImage::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
  format = 0;
  data = nullptr;
  palette = nullptr;
  if (frames_.empty()) return;
  const bool all_encoded = std::all_of(frames_.begin(), frames_.end(),
                                       [](const auto& f) { return f->HasEncodedData(); });
  if (all_encoded) {
    std::vector<uint8_t> stored;
    try {
      stored = core_.SaveStored();
    } catch (const gif::GifError& e) {
      RaiseFrameworkError(e);
    }
    // The stored form and its copy in the clipboard's memory block.
    const pictures::BudgetShare copy = TakeMemory(core_, 2 * uint64_t{stored.size()});
    win::UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, stored.size()));
    if (!block) throw EOutOfMemory("Out of memory");
    {
      win::ScopedGlobalLock lock(block.get());
      if (lock.get() == nullptr) throw EOutOfMemory("Out of memory");
      std::memcpy(lock.get(), stored.data(), stored.size());
    }
    Clipboard()->SetAsHandle(GifClipboardFormat(), block.release());
  }
  frames_[0]->Bitmap()->SaveToClipboardFormat(format, data, palette);
}

void TGIFImage::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
  TClipboard* clipboard = Clipboard();
  if (!clipboard->HasFormat(GifClipboardFormat())) {
    TBitmap bitmap;
    bitmap.LoadFromClipboardFormat(format, data, palette);
    Assign(&bitmap);
    return;
  }
  clipboard->Open();
  try {
    Clear();
    HANDLE block = clipboard->GetAsHandle(GifClipboardFormat());
    if (block == nullptr) throw EReadError(std::string(msg::kReadError));
    const SIZE_T size = ::GlobalSize(block);
    win::ScopedGlobalLock lock(block);
    if (lock.get() == nullptr || size < 4) throw EReadError(std::string(msg::kReadError));
    const auto* bytes = static_cast<const uint8_t*>(lock.get());
    const uint32_t length = ReadLittle32(bytes);
    if (uint64_t{length} > size - 4) throw EReadError(std::string(msg::kReadError));
    ReadGif(std::span<const uint8_t>(bytes + 4, length), false);
    if (!frames_.empty()) {
      core_.SetCurrentFrame(0);
      if (clipboard->HasFormat(CF_BITMAP)) {
        const HANDLE handle = clipboard->GetAsHandle(CF_BITMAP);
        BITMAP info{};
        ::GetObjectW(handle, sizeof(info), &info);
        pictures::BudgetShare share =
            TakeMemory(core_, BitmapBytes(info.bmWidth, std::abs(info.bmHeight), false));
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->LoadFromClipboardFormat(CF_BITMAP, handle, palette);
        frames_[0]->SetDecoded(std::move(bitmap), std::move(share));
      }
    }
  } catch (...) {
    clipboard->Close();
    SetPaletteModified(true);
    Changed(this);
    throw;
  }
  clipboard->Close();
  SetPaletteModified(true);
  Changed(this);
}

void TGIFImage::AssignFromImage(TGIFImage& source) {
  if (&source == this) return;
  std::vector<ChargedBitmap> copies;
  std::vector<std::pair<bool, bool>> reductions;
  for (const auto& frame : source.frames_) {
    copies.push_back(CopyOf(frame->decoded_.get(), core_));
    reductions.emplace_back(frame->reduced_, frame->reduced_gray_);
  }
  frames_.clear();
  core_.AssignFrom(source.core_);
  SyncFrames();
  for (size_t i = 0; i < frames_.size() && i < copies.size(); ++i) {
    frames_[i]->SetDecoded(std::move(copies[i].bitmap), std::move(copies[i].share));
    frames_[i]->reduced_ = reductions[i].first;
    frames_[i]->reduced_gray_ = reductions[i].second;
  }
}

void TGIFImage::Assign(TPersistent* source) {
  if (source == nullptr) {
    Clear();
    Changed(this);
  } else if (auto* image = dynamic_cast<TGIFImage*>(source)) {
    AssignFromImage(*image);
    Changed(this);
  } else if (auto* frame = dynamic_cast<TGIFFrame*>(source)) {
    // The frame may be one of this picture's own: everything is taken from it, and the core
    // (which copies a frame of its own before emptying itself) is done with it, before the
    // frame list, this frame among it, is replaced.
    ChargedBitmap copy = CopyOf(frame->decoded_.get(), core_);
    const bool reduced = frame->reduced_, reduced_gray = frame->reduced_gray_;
    const gif::GifFrame& source_core = frame->Core();
    // Either the core changes completely or, failing, not at all: the list matches it after.
    try {
      core_.AssignFromFrame(source_core);
    } catch (const gif::GifError& e) {
      RaiseFrameworkError(e);
    }
    SyncFrames();
    if (!frames_.empty()) {
      frames_[0]->SetDecoded(std::move(copy.bitmap), std::move(copy.share));
      frames_[0]->reduced_ = reduced;
      frames_[0]->reduced_gray_ = reduced_gray;
    }
    Changed(this);
  } else if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
    Clear();
    AppendFrameUnnotified(bitmap);
    Changed(this);
  } else {
    TGraphic::Assign(source);
  }
}

void TGIFImage::AssignTo(TPersistent* dest) {
  if (auto* image = dynamic_cast<TGIFImage*>(dest)) {
    image->AssignFromImage(*this);
    image->Changed(image);
    return;
  }
  if (auto* graphic = dynamic_cast<TGraphic*>(dest)) {
    if (Empty()) {
      graphic->Assign(nullptr);
    } else {
      graphic->Assign(FrameForDrawing());
    }
    return;
  }
  TGraphic::AssignTo(dest);
}

int TGIFImage::AppendFrameUnnotified(TGraphic* graphic) {
  const int previous_current = core_.CurrentFrame();
  const int previous_version = core_.Version();
  const uint16_t previous_width = core_.LogicalWidth(), previous_height = core_.LogicalHeight();
  const int index = core_.AppendBitmap(nullptr);
  frames_.push_back(std::make_unique<TGIFFrame>(this, &core_.Frame(static_cast<size_t>(index))));
  try {
    frames_.back()->Assign(graphic);
  } catch (...) {
    // A frame that could not be made does not stay behind half made.
    frames_.pop_back();
    core_.DeleteFrame(static_cast<size_t>(index));
    core_.SetCurrentFrame(previous_current);
    core_.SetVersion(previous_version);
    core_.SetLogicalSize(previous_width, previous_height);
    throw;
  }
  return index;
}

int TGIFImage::AppendFrame(TGraphic* graphic) {
  const int index = AppendFrameUnnotified(graphic);
  Changed(this);
  return index;
}

bool GifImageRegistered() {
  (void)&g_gif_registration;
  return TPicture::FindClass(TGIFImage::StaticClassName()) != nullptr;
}

}  // namespace vornada
