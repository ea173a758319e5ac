// The PNG picture class: DIB-section pixel stores for the core, drawing in the three
// transparency modes, conversions to and from framework bitmaps, the clipboard, the exception
// classes and the registration with the picture registry.
#include "PngGraphic.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "Classes.h"
#include "DcPixels.h"
#include "Palettes.h"
#include "WinHandles.h"
#include "png/PngBlend.h"
#include "png/PngRows.h"
#include "png/PngStore.h"
#include "png/PngStreams.h"

namespace vornada {

static_assert(sizeof(png::BitmapInfoHeader) == sizeof(BITMAPINFOHEADER),
              "the core's bitmap header is a BITMAPINFOHEADER");
static_assert(sizeof(png::RgbQuad) == sizeof(RGBQUAD), "the core's colours are RGBQUADs");

// ---- exceptions ------------------------------------------------------------------------------

void RaisePngException(const png::PngError& error) {
  std::string message = error.what();
  switch (error.Kind()) {
    case png::ErrorKind::InvalidFileHeader: throw EPngInvalidFileHeader(std::move(message));
    case png::ErrorKind::UnexpectedEnd: throw EPngUnexpectedEnd(std::move(message));
    case png::ErrorKind::IHDRNotFirst: throw EPngIHDRNotFirst(std::move(message));
    case png::ErrorKind::InvalidIHDR: throw EPngInvalidIHDR(std::move(message));
    case png::ErrorKind::SizeExceeds: throw EPngSizeExceeds(std::move(message));
    case png::ErrorKind::UnknownCompression: throw EPngUnknownCompression(std::move(message));
    case png::ErrorKind::UnknownInterlace: throw EPngUnknownInterlace(std::move(message));
    case png::ErrorKind::InvalidPalette: throw EPngInvalidPalette(std::move(message));
    case png::ErrorKind::MissingMultipleIDAT: throw EPngMissingMultipleIDAT(std::move(message));
    case png::ErrorKind::ZLIBError: throw EPngZLIBError(std::move(message));
    case png::ErrorKind::NoImageData: throw EPngNoImageData(std::move(message));
    case png::ErrorKind::HeaderNotPresent: throw EPngHeaderNotPresent(std::move(message));
    case png::ErrorKind::OutMemory: throw EPngOutMemory(std::move(message));
    case png::ErrorKind::Error: throw EPngError(std::move(message));
    case png::ErrorKind::InvalidNewSize: throw EPngInvalidNewSize(std::move(message));
    case png::ErrorKind::InvalidColourFormat: throw EPngInvalidColourFormat(std::move(message));
  }
  throw EPngError(std::move(message));
}

namespace {

// Runs a core operation, turning its failures into the picture's exception classes.
template <typename F>
auto Guarded(F&& operation) -> decltype(operation()) {
  try {
    return operation();
  } catch (const png::PngError& e) {
    RaisePngException(e);
  } catch (const std::bad_alloc&) {
    throw EPngOutMemory();
  }
}

// The picture's header chunk, or EPngHeaderNotPresent.
const png::TPngChunkIHDR& RequireImage(const png::PngPicture& core) {
  return Guarded([&]() -> const png::TPngChunkIHDR& { return core.RequireHeader(); });
}

const BITMAPINFO* AsBitmapInfo(const png::BitmapInfo& info) {
  return reinterpret_cast<const BITMAPINFO*>(&info);
}

// A palette of `count` entries (at least one) with the colours of `entries` (the framework
// builds every palette).
win::UniquePalette MakePalette(const png::RgbQuad* entries, uint32_t count) {
  return PaletteFromColors(reinterpret_cast<const RGBQUAD*>(entries), count);
}

// The GDI objects behind one image: a memory device context with the DIB section and (for
// palette and gray images) the palette selected into it. Members are declared so that the
// context goes first, after its original objects were put back.
struct GdiImage {
  GdiImage() = default;
  GdiImage(const GdiImage&) = delete;
  GdiImage& operator=(const GdiImage&) = delete;
  ~GdiImage() {
    if (dc) {
      if (original_bitmap != nullptr) ::SelectObject(dc.get(), original_bitmap);
      if (original_palette != nullptr) ::SelectPalette(dc.get(), original_palette, TRUE);
    }
  }

  win::UniquePalette palette;
  win::UniqueBitmap dib;
  win::UniqueMemoryDc dc;
  HGDIOBJ original_bitmap = nullptr;
  HPALETTE original_palette = nullptr;
};

// Pixel memory of an image as a DIB section selected into a memory device context.
class DibPixelStore final : public png::PixelStore {
 public:
  DibPixelStore(uint8_t* bits, TPngCanvas& canvas, std::unique_ptr<GdiImage> image)
      : PixelStore(bits), canvas_(canvas), image_(std::move(image)) {}
  ~DibPixelStore() override {
    ::GdiFlush();
    canvas_.ReleaseContext(image_->dc.get());
    image_.reset();
  }

  HDC Dc() const { return image_->dc.get(); }
  HPALETTE Palette() const { return image_->palette.get(); }

  // The next palette change installs `palette` itself (the store owns it from then on)
  // instead of a new palette made from the colour table.
  void AdoptNextPalette(HPALETTE palette) { adopted_ = palette; }

  void PaletteInstalled(const png::BitmapInfo& info) override {
    HPALETTE fresh = adopted_ != nullptr
                         ? std::exchange(adopted_, nullptr)
                         : MakePalette(info.colours, info.header.clrUsed).release();
    HDC dc = image_->dc.get();
    ::GdiFlush();
    if (fresh != nullptr) {
      HPALETTE previous = ::SelectPalette(dc, fresh, FALSE);
      if (image_->original_palette == nullptr) image_->original_palette = previous;
      ::RealizePalette(dc);
      image_->palette.reset(fresh);  // the previous one is out of the context now
    }
    const UINT entries = 1u << std::min<unsigned>(info.header.bitCount, 8);
    ::SetDIBColorTable(dc, 0, entries, reinterpret_cast<const RGBQUAD*>(info.colours));
  }

 private:
  TPngCanvas& canvas_;
  std::unique_ptr<GdiImage> image_;
  HPALETTE adopted_ = nullptr;
};

DibPixelStore& DibStoreOf(const png::TPngChunkIHDR& header) {
  // Every store of a TPngGraphic's core comes from its DibStoreHost.
  return *static_cast<DibPixelStore*>(header.Store());
}

// Reads a framework stream for the core: exactly the bytes asked for, never past the end.
class StreamSource final : public png::ByteSource {
 public:
  explicit StreamSource(TStream& stream) : stream_(stream) {}
  size_t Read(void* buffer, size_t count) override {
    const int64_t got = stream_.Read(buffer, static_cast<int64_t>(count));
    return got > 0 ? static_cast<size_t>(got) : 0;
  }
  uint64_t Skip(uint64_t count) override {
    const int64_t position = stream_.Position();
    const int64_t left = std::max<int64_t>(stream_.Size() - position, 0);
    const uint64_t step = std::min<uint64_t>(count, static_cast<uint64_t>(left));
    stream_.Seek(static_cast<int64_t>(step), TSeekOrigin::soCurrent);
    return step;
  }

 private:
  TStream& stream_;
};

class StreamSink final : public png::ByteSink {
 public:
  explicit StreamSink(TStream& stream) : stream_(stream) {}
  void Write(const void* data, size_t count) override {
    stream_.WriteBuffer(data, static_cast<int64_t>(count));
  }

 private:
  TStream& stream_;
};

struct BitmapInfo256 {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

// The largest DIB (in bytes) the picture asks GDI for: GDI keeps image sizes in 32 bits.
constexpr uint64_t kLargestDib = 0x7FFFFFFF;

}  // namespace

// ---- pixel stores ----------------------------------------------------------------------------

class TPngGraphic::DibStoreHost final : public png::ImageStoreHost {
 public:
  explicit DibStoreHost(TPngCanvas& canvas) : canvas_(canvas) {}

  std::unique_ptr<png::PixelStore> CreateStore(const png::BitmapInfo& info,
                                               uint64_t bytes) override {
    if (bytes > kLargestDib) throw png::PngError(png::ErrorKind::OutMemory);
    auto image = std::make_unique<GdiImage>();
    image->dc.reset(::CreateCompatibleDC(nullptr));
    if (!image->dc) throw png::PngError(png::ErrorKind::OutMemory);
    if (info.header.bitCount <= 8) {
      image->palette = MakePalette(info.colours, info.header.clrUsed);
      if (!image->palette) throw png::PngError(png::ErrorKind::OutMemory);
      image->original_palette = ::SelectPalette(image->dc.get(), image->palette.get(), FALSE);
      ::RealizePalette(image->dc.get());
    }
    void* bits = nullptr;
    image->dib.reset(
        ::CreateDIBSection(image->dc.get(), AsBitmapInfo(info), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!image->dib || bits == nullptr) throw png::PngError(png::ErrorKind::OutMemory);
    image->original_bitmap = ::SelectObject(image->dc.get(), image->dib.get());
    std::memset(bits, 0, static_cast<size_t>(bytes));
    return std::make_unique<DibPixelStore>(static_cast<uint8_t*>(bits), canvas_, std::move(image));
  }

  // The platform's halftone palette.
  void HalftonePalette(png::RgbQuad (&entries)[256]) const override {
    const std::vector<RGBQUAD> halftone = HalftoneColors();
    if (halftone.empty()) {
      ImageStoreHost::HalftonePalette(entries);
      return;
    }
    for (size_t i = 0; i < 256; ++i) {
      const RGBQUAD c = i < halftone.size() ? halftone[i] : RGBQUAD{0, 0, 0, 0};
      entries[i] = {c.rgbBlue, c.rgbGreen, c.rgbRed, 0};
    }
  }

 private:
  TPngCanvas& canvas_;
};

// ---- canvas ----------------------------------------------------------------------------------

void TPngCanvas::ReleaseContext(HDC dc) {
  if (dc != nullptr && HandleAllocated() && Handle() == dc) SetHandle(nullptr);
}

void TPngCanvas::CreateHandle() {
  if (HDC dc = owner_.ImageDc()) SetHandle(dc);
}

// ---- the picture -----------------------------------------------------------------------------

TPngGraphic::TPngGraphic()
    : canvas_(*this), host_(std::make_unique<DibStoreHost>(canvas_)), core_(*host_) {
  core_.OnChange = [this] { Changed(this); };
  canvas_.OnChange = [this](TObject*) { Changed(this); };
}

TPngGraphic::~TPngGraphic() {
  // The canvas lets go of the image's context before the image goes.
  core_.OnChange = nullptr;
  canvas_.OnChange = nullptr;
  core_.Clear();
}

HDC TPngGraphic::ImageDc() const {
  const png::TPngChunkIHDR* header = core_.Header();
  return header != nullptr ? DibStoreOf(*header).Dc() : nullptr;
}

bool TPngGraphic::Empty() const { return core_.Empty(); }

int TPngGraphic::Width() const { return static_cast<int>(core_.Width()); }

int TPngGraphic::Height() const { return static_cast<int>(core_.Height()); }

void TPngGraphic::SetWidth(int value) {
  const png::TPngChunkIHDR& header = RequireImage(core_);
  if (value < 1) throw EPngInvalidNewSize();
  ::GdiFlush();
  Guarded([&] { core_.Resize(static_cast<uint32_t>(value), header.Height()); });
}

void TPngGraphic::SetHeight(int value) {
  const png::TPngChunkIHDR& header = RequireImage(core_);
  if (value < 1) throw EPngInvalidNewSize();
  ::GdiFlush();
  Guarded([&] { core_.Resize(header.Width(), static_cast<uint32_t>(value)); });
}

bool TPngGraphic::Transparent() const { return core_.Transparent(); }

HPALETTE TPngGraphic::Palette() const {
  const png::TPngChunkIHDR& header = RequireImage(core_);
  return header.HasPalette() ? DibStoreOf(header).Palette() : nullptr;
}

void TPngGraphic::SetPalette(HPALETTE palette) {
  const png::TPngChunkIHDR& header = RequireImage(core_);
  if (palette == nullptr || !header.HasPalette()) return;
  DibPixelStore& store = DibStoreOf(header);
  if (palette == store.Palette()) return;
  const std::vector<PALETTEENTRY> entries = PaletteEntries(palette);
  if (entries.empty()) return;  // not a palette: nothing to take
  std::vector<png::RgbQuad> colours;
  for (const PALETTEENTRY& e : entries) colours.push_back({e.peBlue, e.peGreen, e.peRed, 0});
  store.AdoptNextPalette(palette);
  Guarded([&] { core_.SetPalette(colours.data(), static_cast<uint32_t>(colours.size())); });
  SetPaletteModified(true);
}

// ---- streams ---------------------------------------------------------------------------------

void TPngGraphic::LoadFromStream(TStream& stream) {
  StreamSource source(stream);
  Guarded([&] { core_.LoadFromStream(source); });
}

void TPngGraphic::SaveToStream(TStream& stream) {
  // A picture without an image has nothing a PNG file could hold.
  if (core_.Header() == nullptr) throw EPngHeaderNotPresent();
  ::GdiFlush();
  StreamSink sink(stream);
  Guarded([&] { core_.SaveToStream(sink); });
}

// ---- drawing ---------------------------------------------------------------------------------

void TPngGraphic::Draw(TCanvas& canvas, const RECT& r) {
  if (core_.Header() == nullptr) return;
  HDC dc = canvas.Handle();
  ::GdiFlush();  // drawing through the picture's canvas has reached the pixel store
  switch (core_.AlphaKind()) {
    case akOpaque: DrawOpaque(dc, r); break;
    case akKeyColour: DrawKeyed(dc, r); break;
    case akBlended: DrawBlended(dc, r); break;
  }
}

// The whole image stretched onto the rectangle as it stands (a reversed rectangle mirrors it).
void TPngGraphic::DrawOpaque(HDC dc, const RECT& r) {
  const png::TPngChunkIHDR& header = *core_.Header();
  ::SetStretchBltMode(dc, COLORONCOLOR);
  ::StretchDIBits(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0,
                  static_cast<int>(header.Width()), static_cast<int>(header.Height()),
                  header.Bits(), AsBitmapInfo(header.Info()), DIB_RGB_COLORS, SRCCOPY);
}

// Colour-key masking: pixels showing the key colour leave the destination alone.
//
// All bitmaps are compatible with the screen (a destination holding a monochrome or palette
// bitmap would otherwise lose the colours the key is compared with). Monochrome masks are 1
// where the image shows the key. In a colour target a mask's 1 bits become white (all bits
// set) and its 0 bits black, with the target's background white and text colour black.
void TPngGraphic::DrawKeyed(HDC dc, const RECT& r) {
  const png::TPngChunkIHDR& header = *core_.Header();
  const int left = std::min(r.left, r.right), top = std::min(r.top, r.bottom);
  const int64_t dest_w = std::abs(int64_t{r.right} - r.left);
  const int64_t dest_h = std::abs(int64_t{r.bottom} - r.top);
  if (dest_w == 0 || dest_h == 0) return;
  if (dest_w * dest_h * 4 > static_cast<int64_t>(kLargestDib)) throw EPngOutMemory();
  const int w = static_cast<int>(header.Width()), h = static_cast<int>(header.Height());
  const int dw = static_cast<int>(dest_w), dh = static_cast<int>(dest_h);
  const COLORREF key = static_cast<COLORREF>(core_.KeyColour());

  win::ScopedGetDC screen(nullptr);
  win::UniqueMemoryDc copy_dc(::CreateCompatibleDC(screen)), mask_dc(::CreateCompatibleDC(screen)),
      inverse_dc(::CreateCompatibleDC(screen)), work_dc(::CreateCompatibleDC(screen));
  win::UniqueBitmap copy(::CreateCompatibleBitmap(screen, w, h));
  win::UniqueBitmap mask(::CreateBitmap(dw, dh, 1, 1, nullptr));
  win::UniqueBitmap inverse(::CreateBitmap(w, h, 1, 1, nullptr));
  win::UniqueBitmap work(::CreateCompatibleBitmap(screen, dw, dh));
  if (!copy_dc || !mask_dc || !inverse_dc || !work_dc || !copy || !mask || !inverse || !work)
    throw EPngOutMemory();
  win::ScopedSelectObject select_copy(copy_dc.get(), copy.get());
  win::ScopedSelectObject select_mask(mask_dc.get(), mask.get());
  win::ScopedSelectObject select_inverse(inverse_dc.get(), inverse.get());
  win::ScopedSelectObject select_work(work_dc.get(), work.get());
  for (HDC target : {copy_dc.get(), mask_dc.get(), inverse_dc.get(), work_dc.get()})
    ::SetStretchBltMode(target, COLORONCOLOR);

  // The device-dependent copy of the image.
  ::SetDIBitsToDevice(copy_dc.get(), 0, 0, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0,
                      static_cast<UINT>(h), header.Bits(), AsBitmapInfo(header.Info()),
                      DIB_RGB_COLORS);
  // Mask of the rectangle's size, stretched from the copy: 1 where the key shows.
  ::SetBkColor(copy_dc.get(), key);
  ::StretchBlt(mask_dc.get(), 0, 0, dw, dh, copy_dc.get(), 0, 0, w, h, SRCCOPY);
  // Inverse mask of the image's size, made from the copy itself: 1 where the image shows.
  ::BitBlt(inverse_dc.get(), 0, 0, w, h, copy_dc.get(), 0, 0, NOTSRCCOPY);

  for (HDC target : {copy_dc.get(), work_dc.get()}) {
    ::SetTextColor(target, RGB(0, 0, 0));
    ::SetBkColor(target, RGB(255, 255, 255));
  }
  // The destination area with the image's place cleared.
  ::BitBlt(work_dc.get(), 0, 0, dw, dh, dc, left, top, SRCCOPY);
  ::BitBlt(work_dc.get(), 0, 0, dw, dh, mask_dc.get(), 0, 0, SRCAND);
  // The image with its key pixels black, stretched into the cleared place.
  ::BitBlt(copy_dc.get(), 0, 0, w, h, inverse_dc.get(), 0, 0, SRCAND);
  ::StretchBlt(work_dc.get(), 0, 0, dw, dh, copy_dc.get(), 0, 0, w, h, SRCPAINT);
  ::BitBlt(dc, left, top, dw, dh, work_dc.get(), 0, 0, SRCCOPY);
}

// Alpha blending into a 32-bit copy of the destination area. The bitmap header is this call's
// own, so pictures may blend on different threads at the same time.
void TPngGraphic::DrawBlended(HDC dc, const RECT& r) {
  const int left = std::min(r.left, r.right), top = std::min(r.top, r.bottom);
  const int64_t dest_w = std::abs(int64_t{r.right} - r.left);
  const int64_t dest_h = std::abs(int64_t{r.bottom} - r.top);
  if (dest_w == 0 || dest_h == 0) return;
  if (dest_w * dest_h * 4 > static_cast<int64_t>(kLargestDib)) throw EPngOutMemory();
  const int dw = static_cast<int>(dest_w), dh = static_cast<int>(dest_h);

  win::UniqueMemoryDc work_dc(::CreateCompatibleDC(dc));
  if (!work_dc) throw EPngOutMemory();
  const BITMAPINFO info = win::TopDown32BitInfo(dw, dh);
  void* bits = nullptr;
  win::UniqueBitmap work(
      ::CreateDIBSection(work_dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!work || bits == nullptr) throw EPngOutMemory();
  win::ScopedSelectObject select_work(work_dc.get(), work.get());
  ::BitBlt(work_dc.get(), 0, 0, dw, dh, dc, left, top, SRCCOPY);
  ::GdiFlush();
  Guarded([&] {
    png::BlendOnto(core_, static_cast<uint8_t*>(bits), static_cast<uint32_t>(dw),
                   static_cast<uint32_t>(dh), static_cast<size_t>(dw) * 4);
  });
  ::BitBlt(dc, left, top, dw, dh, work_dc.get(), 0, 0, SRCCOPY);
}

// ---- copies and conversions ------------------------------------------------------------------

void TPngGraphic::Assign(TPersistent* source) {
  if (source == nullptr) {
    core_.Clear();
    Changed(this);
    return;
  }
  if (auto* other = dynamic_cast<TPngGraphic*>(source)) {
    if (other == this) return;
    ::GdiFlush();
    Guarded([&] { core_.Assign(other->core_); });
    return;
  }
  if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
    AssignFromBitmap(*bitmap, true);
    return;
  }
  TGraphic::Assign(source);
}

void TPngGraphic::AssignTo(TPersistent* dest) {
  if (auto* other = dynamic_cast<TPngGraphic*>(dest)) {
    other->Assign(this);
    return;
  }
  if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
    CopyIntoBitmap(*bitmap);
    return;
  }
  TGraphic::AssignTo(dest);
}

bool TPngGraphic::CopyToBitmap(TBitmap& bitmap) {
  CopyIntoBitmap(bitmap);
  return true;
}

// The bitmap's pixels are read with GetDIBits in the bitmap's own depth (16 bits as 5-5-5),
// bottom-up, with its colour table, and rebuilt by the core.
void TPngGraphic::AssignFromBitmap(TBitmap& bitmap, bool with_transparency) {
  if (bitmap.Empty() || bitmap.Width() < 1 || bitmap.Height() < 1) {
    core_.Clear();
    Changed(this);
    return;
  }
  if (bitmap.Width() > 65535 || bitmap.Height() > 65535) throw EPngSizeExceeds();
  const bool transparent = with_transparency && bitmap.Transparent();
  // Before the bitmap leaves its canvas: the default transparent colour is read through it.
  const TColor key = transparent ? (bitmap.TransparentColor() & 0xFFFFFF) : 0;
  int bpp = bitmap.BitsPerPixel();
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) bpp = 32;
  const int width = bitmap.Width(), height = bitmap.Height();
  const uint64_t stride = png::DibStride(static_cast<uint32_t>(bpp), static_cast<uint32_t>(width));

  BitmapInfo256 info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;  // bottom-up
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bpp);
  info.header.biCompression = BI_RGB;
  // The copy of the bitmap's pixels counts for the picture while the conversion lasts.
  const uint64_t bytes = stride * static_cast<uint64_t>(height);
  const pictures::BudgetShare work = Guarded([&] { return core_.TakeMemory(bytes); });
  std::vector<uint8_t> bits;
  Guarded([&] { bits.resize(static_cast<size_t>(bytes)); });
  // GetDIBits wants the bitmap out of every device context.
  bitmap.Canvas().FreeContext();
  {
    win::ScopedGetDC screen(nullptr);
    if (::GetDIBits(screen, bitmap.Handle(), 0, static_cast<UINT>(height), bits.data(),
                    reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) != height)
      throw EPngOutMemory();
  }
  png::BitmapSource source;
  source.bitsPerPixel = static_cast<uint32_t>(bpp);
  source.width = width;
  source.height = height;
  source.bits = bits.data();
  source.colours = reinterpret_cast<const png::RgbQuad*>(info.colours);
  source.colourCount = bpp <= 8 ? (1u << bpp) : 0;
  source.transparent = transparent;
  source.transparentColour = static_cast<uint32_t>(key);
  Guarded([&] { core_.AssignFromBitmap(source); });
}

void TPngGraphic::CopyIntoBitmap(TBitmap& bitmap) {
  const png::TPngChunkIHDR* header = core_.Header();
  if (header == nullptr) {
    TGraphic::AssignTo(&bitmap);  // EConvertError
    return;
  }
  ::GdiFlush();
  const int w = static_cast<int>(header->Width()), h = static_cast<int>(header->Height());
  // The copy (of up to 32 bits per pixel) must fit the picture's budget beside the picture;
  // the bitmap owns it afterwards.
  const pictures::BudgetShare check =
      Guarded([&] { return core_.TakeMemory(uint64_t(w) * uint64_t(h) * 4); });
  const uint8_t colour_type = header->ColourType();
  win::UniqueBitmap copy;
  win::ScopedGetDC screen(nullptr);
  if (colour_type == 4 || colour_type == 6) {
    // 32 bits per pixel: the colours, and the alpha plane in every fourth byte.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    copy.reset(::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!copy || bits == nullptr) throw EPngOutMemory();
    ::SetDIBits(screen, copy.get(), 0, static_cast<UINT>(h), header->Bits(),
                AsBitmapInfo(header->Info()), DIB_RGB_COLORS);
    ::GdiFlush();
    auto* pixels = static_cast<uint8_t*>(bits);
    for (int y = 0; y < h; ++y) {
      uint8_t* row = pixels + static_cast<size_t>(h - 1 - y) * static_cast<size_t>(w) * 4;
      const uint8_t* alpha = header->AlphaRow(static_cast<uint32_t>(y));
      for (int x = 0; x < w; ++x) row[4 * x + 3] = alpha[x];
    }
  } else {
    copy.reset(::CreateCompatibleBitmap(screen, w, h));
    if (!copy) throw EPngOutMemory();
    ::SetDIBits(screen, copy.get(), 0, static_cast<UINT>(h), header->Bits(),
                AsBitmapInfo(header->Info()), DIB_RGB_COLORS);
  }
  win::UniquePalette palette;
  if (header->HasPalette()) palette = CopyPalette(DibStoreOf(*header).Palette());
  const bool keyed = core_.AlphaKind() == akKeyColour;
  const TColor key = static_cast<TColor>(core_.KeyColour());

  bitmap.SetHandle(copy.release());
  bitmap.SetPalette(palette.release());
  if (keyed) bitmap.SetTransparentColor(key);
  bitmap.SetTransparent(keyed);
}

// ---- clipboard -------------------------------------------------------------------------------

void TPngGraphic::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
  // The bitmap drawn for the clipboard (of up to 32 bits per pixel) must fit the picture's
  // budget beside the picture.
  const uint64_t bytes = uint64_t(std::max(Width(), 0)) * uint64_t(std::max(Height(), 0)) * 4;
  const pictures::BudgetShare check = Guarded([&] { return core_.TakeMemory(bytes); });
  TBitmap bitmap;
  bitmap.SetSize(Width(), Height());
  if (!bitmap.Empty()) {
    const RECT whole{0, 0, Width(), Height()};
    bitmap.Canvas().Brush().SetColor(clBlack);
    bitmap.Canvas().FillRect(whole);
    Draw(bitmap.Canvas(), whole);
  }
  bitmap.SaveToClipboardFormat(format, data, palette);
}

void TPngGraphic::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
  TBitmap bitmap;
  bitmap.LoadFromClipboardFormat(format, data, palette);
  AssignFromBitmap(bitmap, false);
}

// ---- pixels ----------------------------------------------------------------------------------

TColor TPngGraphic::GetPixelColor(int x, int y) {
  ::GdiFlush();
  return Guarded([&] { return static_cast<TColor>(core_.GetPixelColor(x, y)); });
}

void TPngGraphic::SetPixelColor(int x, int y, TColor color) {
  const png::TPngChunkIHDR& header = RequireImage(core_);
  if (x < 0 || y < 0 || static_cast<uint32_t>(x) >= header.Width() ||
      static_cast<uint32_t>(y) >= header.Height())
    return;
  const uint32_t rgb = static_cast<uint32_t>(ColorToRGB(color)) & 0xFFFFFF;
  ::GdiFlush();
  if (header.HasPalette() && header.ColourType() != 4) {
    // Palette and gray images: the platform's nearest palette entry.
    UINT index = ::GetNearestPaletteIndex(DibStoreOf(header).Palette(), rgb);
    if (index == CLR_INVALID || index >= (1u << header.BitCount())) index = 0;
    png::WriteStorePixel(header.BitCount(), header.StoreRow(static_cast<uint32_t>(y)),
                         static_cast<uint32_t>(x), index);
  } else {
    Guarded([&] { core_.SetPixelColor(x, y, rgb); });
  }
  Changed(this);
}

// ---- registration ----------------------------------------------------------------------------

namespace {

// The picture class and its file extension, entered in the picture registry at start-up and
// taken out again at shutdown.
struct PngRegistration {
  PngRegistration() {
    TPicture::RegisterFileFormat({TPngGraphic::StaticClassName(), L"PNG",
                                  L"Portable Network Graphics",
                                  [] { return std::unique_ptr<TGraphic>(new TPngGraphic()); }, 0});
  }
  ~PngRegistration() { TPicture::UnregisterGraphicClass(TPngGraphic::StaticClassName()); }
  PngRegistration(const PngRegistration&) = delete;
  PngRegistration& operator=(const PngRegistration&) = delete;
};
const PngRegistration g_png_registration;

}  // namespace

bool PngGraphicRegistered() {
  (void)&g_png_registration;
  return TPicture::FindClass(TPngGraphic::StaticClassName()) != nullptr;
}

}  // namespace vornada
