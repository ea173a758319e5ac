// Colours, GDI tool objects, the canvas, the picture base, bitmaps and the picture holder.
#include "Graphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "BmpFile.h"
#include "Classes_win.h"
#include "Icon.h"
#include "Palettes.h"
#include "WinUtil.h"

namespace vornada {

TColor ColorToRGB(TColor color) {
  if (color < 0) return static_cast<TColor>(::GetSysColor(color & 0xFF));
  return color;
}

// ---- tool objects ----------------------------------------------------------------------------

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

TFont::TFont() = default;
TFont::~TFont() = default;

void TFont::Assign(TPersistent* source) {
  if (auto* f = dynamic_cast<TFont*>(source)) {
    name_ = f->name_;
    height_ = f->height_;
    color_ = f->color_;
    style_ = f->style_;
    charset_ = f->charset_;
    Modified();
    return;
  }
  TGraphicsObject::Assign(source);
}

// A change makes a new GDI object. Listeners hear of it while the old object still exists: a
// canvas takes the old one out of its context, a control hands the new one to its window. The
// old object is deleted once they all have.
void TFont::Modified() {
  const win::UniqueFont old = std::move(handle_);
  Changed();
}

void TFont::SetName(const std::wstring& name) {
  if (name_ != name) { name_ = name; Modified(); }
}
void TFont::SetHeight(int height) {
  if (height_ != height) { height_ = height; Modified(); }
}
int TFont::Size() const { return -MulDiv(height_, 72, 96); }
void TFont::SetSize(int points) { SetHeight(-MulDiv(points, 96, 72)); }
void TFont::SetColor(TColor color) {
  if (color_ != color) { color_ = color; Changed(); }
}
void TFont::SetStyle(TFontStyles style) {
  if (style_ != style) { style_ = style; Modified(); }
}
void TFont::SetCharset(BYTE charset) {
  if (charset_ != charset) { charset_ = charset; Modified(); }
}

HFONT TFont::Handle() {
  if (!handle_) {
    LOGFONTW lf{};
    lf.lfHeight = height_;
    lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
    lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = charset_;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    wcsncpy(lf.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
    handle_.reset(::CreateFontIndirectW(&lf));
  }
  return handle_.get();
}

void TPen::Assign(TPersistent* source) {
  if (auto* p = dynamic_cast<TPen*>(source)) {
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    mode_ = p->mode_;
    Modified();
    return;
  }
  TGraphicsObject::Assign(source);
}
void TPen::Modified() {
  const win::UniquePen old = std::move(handle_);
  Changed();
}
void TPen::SetColor(TColor color) {
  if (color_ != color) { color_ = color; Modified(); }
}
void TPen::SetWidth(int width) {
  if (width_ != width) { width_ = width; Modified(); }
}
void TPen::SetStyle(TPenStyle style) {
  if (style_ != style) { style_ = style; Modified(); }
}
void TPen::SetMode(TPenMode mode) {
  if (mode_ != mode) { mode_ = mode; Changed(); }
}
HPEN TPen::Handle() {
  if (!handle_) {
    static constexpr int kStyles[] = {PS_SOLID, PS_DASH,  PS_DOT,        PS_DASHDOT,
                                      PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    handle_.reset(::CreatePen(kStyles[static_cast<int>(style_)], width_, ColorToRGB(color_)));
  }
  return handle_.get();
}

void TBrush::Assign(TPersistent* source) {
  if (auto* b = dynamic_cast<TBrush*>(source)) {
    color_ = b->color_;
    style_ = b->style_;
    Modified();
    return;
  }
  TGraphicsObject::Assign(source);
}
void TBrush::Modified() {
  const win::UniqueBrush old = std::move(handle_);
  Changed();
}
void TBrush::SetColor(TColor color) {
  if (color_ != color) {
    color_ = color;
    if (style_ == TBrushStyle::bsClear) style_ = TBrushStyle::bsSolid;
    Modified();
  }
}
void TBrush::SetStyle(TBrushStyle style) {
  if (style_ != style) { style_ = style; Modified(); }
}
HBRUSH TBrush::Handle() {
  if (!handle_) {
    if (style_ == TBrushStyle::bsClear) {
      return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    }
    // A palette-relative colour (0x02xxxxxx) keeps its flag so that GDI matches it in the
    // selected palette; system colours are resolved first.
    const TColor c = ColorToRGB(color_);
    handle_.reset(::CreateSolidBrush(static_cast<COLORREF>(c)));
  }
  return handle_.get();
}

// ---- canvas ----------------------------------------------------------------------------------

TCanvas::TCanvas() {
  // Before a tool replaces its GDI object, the old one leaves this canvas's context.
  font_.OnChange = [this](TObject*) {
    if (dc_ != nullptr && (valid_ & kFontValid)) {
      ::SelectObject(dc_, original_font_);
      valid_ &= ~kFontValid;
    }
  };
  pen_.OnChange = [this](TObject*) {
    if (dc_ != nullptr && (valid_ & kPenValid)) {
      ::SelectObject(dc_, original_pen_);
      valid_ &= ~kPenValid;
    }
  };
  brush_.OnChange = [this](TObject*) {
    if (dc_ != nullptr && (valid_ & kBrushValid)) {
      ::SelectObject(dc_, original_brush_);
      valid_ &= ~kBrushValid;
    }
  };
}

TCanvas::~TCanvas() { DeselectHandles(); }

HDC TCanvas::Handle() {
  if (dc_ == nullptr) CreateHandle();
  if (dc_ == nullptr) throw EInvalidOperation("Canvas does not allow drawing");
  return dc_;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc_ == dc) return;
  DeselectHandles();
  dc_ = dc;
}

void TCanvas::DeselectHandles() {
  if (dc_ != nullptr) {
    if ((valid_ & kFontValid) && original_font_) ::SelectObject(dc_, original_font_);
    if ((valid_ & kPenValid) && original_pen_) ::SelectObject(dc_, original_pen_);
    if ((valid_ & kBrushValid) && original_brush_) ::SelectObject(dc_, original_brush_);
  }
  valid_ = 0;
  original_font_ = original_pen_ = original_brush_ = nullptr;
  dc_ = nullptr;
}

void TCanvas::RequireFont() {
  HDC dc = Handle();
  if (!(valid_ & kFontValid)) {
    HGDIOBJ old = ::SelectObject(dc, font_.Handle());
    if (original_font_ == nullptr) original_font_ = old;
    valid_ |= kFontValid;
  }
  ::SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(font_.Color())));
}

void TCanvas::RequirePen() {
  HDC dc = Handle();
  if (!(valid_ & kPenValid)) {
    HGDIOBJ old = ::SelectObject(dc, pen_.Handle());
    if (original_pen_ == nullptr) original_pen_ = old;
    valid_ |= kPenValid;
  }
  static constexpr int kRops[] = {R2_COPYPEN, R2_NOT, R2_XORPEN, R2_MASKPEN, R2_MERGEPEN,
                                  R2_NOTXORPEN};
  ::SetROP2(dc, kRops[static_cast<int>(pen_.Mode())]);
}

void TCanvas::RequireBrush() {
  HDC dc = Handle();
  if (!(valid_ & kBrushValid)) {
    HGDIOBJ old = ::SelectObject(dc, brush_.Handle());
    if (original_brush_ == nullptr) original_brush_ = old;
    valid_ |= kBrushValid;
  }
  if (brush_.Style() == TBrushStyle::bsClear) {
    ::SetBkMode(dc, TRANSPARENT);
  } else {
    ::SetBkMode(dc, OPAQUE);
    ::SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(brush_.Color())));
  }
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}
void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::FillRect(const RECT& r) {
  Changing();
  RequireBrush();
  ::FillRect(dc_, &r, brush_.Handle());
  Changed();
}

void TCanvas::FrameRect(const RECT& r) {
  Changing();
  RequireBrush();
  ::FrameRect(dc_, &r, brush_.Handle());
  Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  Changing();
  RequirePen();
  RequireBrush();
  ::Rectangle(dc_, x1, y1, x2, y2);
  Changed();
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int w, int h) {
  Changing();
  RequirePen();
  RequireBrush();
  ::RoundRect(dc_, x1, y1, x2, y2, w, h);
  Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  Changing();
  RequirePen();
  RequireBrush();
  ::Ellipse(dc_, x1, y1, x2, y2);
  Changed();
}

void TCanvas::MoveTo(int x, int y) { ::MoveToEx(Handle(), x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
  Changing();
  RequirePen();
  ::LineTo(dc_, x, y);
  Changed();
}

void TCanvas::TextOut(int x, int y, const std::wstring& text) {
  Changing();
  RequireFont();
  RequireBrush();
  ::TextOutW(dc_, x, y, text.c_str(), static_cast<int>(text.size()));
  Changed();
}

void TCanvas::TextRect(const RECT& r, int x, int y, const std::wstring& text) {
  Changing();
  RequireFont();
  RequireBrush();
  const UINT options =
      ETO_CLIPPED | (brush_.Style() != TBrushStyle::bsClear ? ETO_OPAQUE : 0u);
  ::ExtTextOutW(dc_, x, y, options, &r, text.c_str(), static_cast<UINT>(text.size()), nullptr);
  Changed();
}

int TCanvas::DrawText(const std::wstring& text, RECT& r, UINT flags) {
  const bool measuring = (flags & DT_CALCRECT) != 0;
  if (!measuring) Changing();
  RequireFont();
  RequireBrush();
  const int height = ::DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &r, flags);
  if (!measuring) Changed();
  return height;
}

SIZE TCanvas::TextExtent(const std::wstring& text) {
  RequireFont();
  SIZE s{0, 0};
  ::GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &s);
  return s;
}

void TCanvas::DrawFocusRect(const RECT& r) {
  Changing();
  RequireBrush();
  ::DrawFocusRect(dc_, &r);
  Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  const RECT r{x, y, x + graphic->Width(), y + graphic->Height()};
  Changing();
  graphic->Draw(*this, r);
  Changed();
}

void TCanvas::StretchDraw(const RECT& r, TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  Changing();
  graphic->Draw(*this, r);
  Changed();
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& source, const RECT& src) {
  Changing();
  ::StretchBlt(Handle(), dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
               source.Handle(), src.left, src.top, src.right - src.left, src.bottom - src.top,
               copy_mode_);
  Changed();
}

TColor TCanvas::Pixel(int x, int y) { return static_cast<TColor>(::GetPixel(Handle(), x, y)); }

void TCanvas::SetPixel(int x, int y, TColor color) {
  Changing();
  ::SetPixel(Handle(), x, y, static_cast<COLORREF>(ColorToRGB(color)));
  Changed();
}

RECT TCanvas::ClipRect() {
  RECT r{};
  ::GetClipBox(Handle(), &r);
  return r;
}

// ---- TGraphic --------------------------------------------------------------------------------

void TGraphic::SetTransparent(bool value) {
  if (transparent_ != value) {
    transparent_ = value;
    Changed(this);
  }
}

bool TGraphic::Equals(TGraphic* other) {
  if (other == nullptr || std::strcmp(ClassName(), other->ClassName()) != 0) return false;
  if (Empty() || other->Empty()) return Empty() && other->Empty();
  TMemoryStream a, b;
  WriteData(a);
  other->WriteData(b);
  return a.Size() == b.Size() &&
         std::memcmp(a.Memory(), b.Memory(), static_cast<size_t>(a.Size())) == 0;
}

void TGraphic::LoadFromFile(const std::wstring& file_name) {
  TFileStream stream(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::wstring& file_name) {
  TFileStream stream(file_name, fmCreate);
  SaveToStream(stream);
}

void TGraphic::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

void TGraphic::Progress(TObject* sender, TProgressStage stage, BYTE percent, bool redraw_now,
                        const RECT& r, const std::string& message) {
  if (OnProgress) OnProgress(sender, stage, percent, redraw_now, r, message);
}

// ---- TBitmap ---------------------------------------------------------------------------------

namespace {

std::atomic<TBitmap::DrawWrapper> g_draw_wrapper{nullptr};

// A device context for reading and writing the pixels of sections (GetDIBits and SetDIBits
// with their own colours): any context does, and a memory one of this thread's own costs less
// than borrowing the screen's each time.
HDC SectionAccessDc() {
  thread_local win::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  return dc.get();
}

int BppOf(TPixelFormat f) {
  switch (f) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit: return 16;
    case TPixelFormat::pf24bit: return 24;
    case TPixelFormat::pf32bit: return 32;
    case TPixelFormat::pfDevice: return 0;
  }
  return 0;
}

TPixelFormat FormatOf(int bpp) {
  switch (bpp) {
    case 1: return TPixelFormat::pf1bit;
    case 4: return TPixelFormat::pf4bit;
    case 8: return TPixelFormat::pf8bit;
    case 16: return TPixelFormat::pf16bit;
    case 24: return TPixelFormat::pf24bit;
    case 32: return TPixelFormat::pf32bit;
    default: return TPixelFormat::pfDevice;
  }
}

// The colour table a new paletted bitmap starts with: black and white for one bit, the sixteen
// standard colours for four bits, and for eight bits those sixteen followed by a colour cube.
std::vector<RGBQUAD> DefaultColorTable(int bpp) {
  std::vector<RGBQUAD> table;
  if (bpp == 1) {
    table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    return table;
  }
  static constexpr COLORREF kVga[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                        0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                                        0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
  for (COLORREF c : kVga) table.push_back({GetBValue(c), GetGValue(c), GetRValue(c), 0});
  if (bpp == 8) {
    for (int r = 0; r < 6 && table.size() < 256; ++r)
      for (int g = 0; g < 6 && table.size() < 256; ++g)
        for (int b = 0; b < 6 && table.size() < 256; ++b)
          table.push_back({static_cast<BYTE>(b * 51), static_cast<BYTE>(g * 51),
                           static_cast<BYTE>(r * 51), 0});
    while (table.size() < 256) {
      const auto v = static_cast<BYTE>((table.size() - 232) * 10);
      table.push_back({v, v, v, 0});
    }
  }
  return table;
}

struct BitmapInfo256 {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256];
};

int64_t StrideOf(int64_t width, int bpp) {
  return static_cast<int64_t>(
      bmp::RowStride(static_cast<uint64_t>(width), static_cast<unsigned>(bpp)));
}

// The bitmap-file reader's bytes come straight from the stream, so that reading stops right
// after the rows.
class StreamSource final : public bmp::ByteSource {
 public:
  explicit StreamSource(TStream& stream) : stream_(stream) {}
  size_t Read(void* into, size_t count) override {
    const int64_t got = stream_.Read(into, static_cast<int64_t>(count));
    return got > 0 ? static_cast<size_t>(got) : 0;
  }
  uint64_t Remaining() override {
    const int64_t left = stream_.Size() - stream_.Position();
    return left > 0 ? static_cast<uint64_t>(left) : 0;
  }

 private:
  TStream& stream_;
};

// A refused bitmap file as the framework reports it: data that end too early are the stream
// read error, any other fault an invalid image.
[[noreturn]] void RaiseBitmapFileError(const bmp::BmpError& error) {
  if (error.Truncated()) throw EReadError(std::string(msg::kReadError));
  throw EInvalidGraphic(std::string(msg::kInvalidImage));
}

}  // namespace

void TBitmap::SetDrawWrapper(DrawWrapper wrapper) { g_draw_wrapper.store(wrapper); }
TBitmap::DrawWrapper TBitmap::CurrentDrawWrapper() { return g_draw_wrapper.load(); }

void TBitmapCanvas::CreateHandle() {
  if (!dc_) {
    dc_.reset(::CreateCompatibleDC(nullptr));
    if (!dc_) throw EOutOfResources("Out of system resources");
    if (bitmap_.handle_) old_bitmap_ = ::SelectObject(dc_.get(), bitmap_.handle_.get());
    if (bitmap_.palette_) {
      old_palette_ = ::SelectPalette(dc_.get(), bitmap_.palette_.get(), TRUE);
      ::RealizePalette(dc_.get());
    }
  }
  SetHandle(dc_.get());
}

void TBitmapCanvas::FreeContext() {
  if (!dc_) return;
  DeselectHandles();
  if (old_bitmap_ != nullptr) ::SelectObject(dc_.get(), old_bitmap_);
  if (old_palette_ != nullptr) ::SelectPalette(dc_.get(), old_palette_, TRUE);
  old_bitmap_ = nullptr;
  old_palette_ = nullptr;
  dc_.reset();
}

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  if (canvas_) canvas_->FreeContext();
}

TBitmapCanvas& TBitmap::Canvas() {
  if (!canvas_) {
    canvas_ = std::make_unique<TBitmapCanvas>(*this);
    canvas_->OnChange = [this](TObject*) { Changed(this); };
  }
  return *canvas_;
}

void TBitmap::FreeImage() {
  if (canvas_) canvas_->FreeContext();
  handle_.reset();
  bits_ = nullptr;
}

void TBitmap::Recreate(int width, int height, int bpp, const std::vector<RGBQUAD>* table) {
  if (width < 0 || height < 0) throw EInvalidGraphic(std::string(msg::kInvalidImage));
  win::UniqueBitmap fresh;
  void* fresh_bits = nullptr;
  const bool device = bpp == 0;
  if (width > 0 && height > 0) {
    if (device) {
      win::ScopedGetDC screen(nullptr);
      fresh.reset(::CreateCompatibleBitmap(screen, width, height));
    } else {
      if (StrideOf(width, bpp) * height > (int64_t{1} << 31))
        throw EOutOfResources("Out of system resources");
      BitmapInfo256 info{};
      info.header.biSize = sizeof(BITMAPINFOHEADER);
      info.header.biWidth = width;
      info.header.biHeight = height;
      info.header.biPlanes = 1;
      info.header.biBitCount = static_cast<WORD>(bpp);
      info.header.biCompression = BI_RGB;
      if (bpp <= 8) {
        std::vector<RGBQUAD> colors = table != nullptr ? *table : DefaultColorTable(bpp);
        colors.resize(size_t{1} << bpp);
        info.header.biClrUsed = static_cast<DWORD>(colors.size());
        std::copy(colors.begin(), colors.end(), info.colors);
      }
      fresh.reset(::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                                     DIB_RGB_COLORS, &fresh_bits, nullptr, 0));
    }
    if (!fresh) throw EOutOfResources("Out of system resources");
    if (fresh_bits != nullptr)
      std::memset(fresh_bits, 0, static_cast<size_t>(StrideOf(width, bpp) * height));
    // The old picture survives a change of size or format where the two overlap.
    if (handle_) {
      win::UniqueMemoryDc src(::CreateCompatibleDC(nullptr));
      win::UniqueMemoryDc dst(::CreateCompatibleDC(nullptr));
      if (canvas_) canvas_->FreeContext();
      {
        win::ScopedSelectObject s1(src.get(), handle_.get());
        win::ScopedSelectObject s2(dst.get(), fresh.get());
        win::ScopedSelectPalette p1(src.get(), palette_.get(), TRUE);
        win::ScopedSelectPalette p2(dst.get(), palette_.get(), TRUE);
        ::BitBlt(dst.get(), 0, 0, std::min(width, width_), std::min(height, height_), src.get(),
                 0, 0, SRCCOPY);
      }
    }
  }
  FreeImage();
  handle_ = std::move(fresh);
  bits_ = fresh_bits;
  width_ = width;
  height_ = height;
  handle_type_ = device ? TBitmapHandleType::bmDDB : TBitmapHandleType::bmDIB;
  bits_per_pixel_ = bpp;
  if (device) {
    // A device bitmap has the screen's depth.
    BITMAP bm{};
    bits_per_pixel_ = handle_ && ::GetObjectW(handle_.get(), sizeof(bm), &bm) == sizeof(bm)
                          ? bm.bmBitsPixel * bm.bmPlanes
                          : 0;
  }
  pixel_format_ = device ? TPixelFormat::pfDevice : FormatOf(bpp);
  monochrome_ = bits_per_pixel_ == 1 &&
                (table == nullptr || (table->size() >= 2 && (*table)[0].rgbRed == 0 &&
                                      (*table)[1].rgbRed == 255));
}

void TBitmap::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  std::vector<RGBQUAD> table;
  if (bits_per_pixel_ <= 8 && bits_per_pixel_ > 0 && handle_type_ == TBitmapHandleType::bmDIB)
    table = ColorTable();
  Recreate(width, height, handle_type_ == TBitmapHandleType::bmDDB ? 0 : BppOf(pixel_format_),
           table.empty() ? nullptr : &table);
  Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == pixel_format_ && handle_) return;
  const int bpp = BppOf(format);
  std::vector<RGBQUAD> table;
  if (bpp != 0 && bpp <= 8 && bpp == bits_per_pixel_) table = ColorTable();
  Recreate(width_, height_, bpp, table.empty() ? nullptr : &table);
  pixel_format_ = format;
  Changed(this);
}

void TBitmap::SetHandleType(TBitmapHandleType type) {
  if (type == handle_type_) return;
  if (type == TBitmapHandleType::bmDDB) {
    Recreate(width_, height_, 0, nullptr);
  } else {
    const int bpp = bits_per_pixel_ > 0 ? bits_per_pixel_ : 32;
    Recreate(width_, height_, bpp, nullptr);
  }
  Changed(this);
}

int TBitmap::BitsPerPixel() const { return bits_per_pixel_; }

int TBitmap::Stride() const { return static_cast<int>(StrideOf(width_, bits_per_pixel_)); }

void* TBitmap::ScanLine(int row) {
  if (handle_type_ != TBitmapHandleType::bmDIB) SetHandleType(TBitmapHandleType::bmDIB);
  if (bits_ == nullptr || row < 0 || row >= height_)
    throw EInvalidGraphicOperation("Scan line index out of range");
  ::GdiFlush();
  return static_cast<uint8_t*>(bits_) +
         static_cast<ptrdiff_t>(height_ - 1 - row) * Stride();
}

std::vector<RGBQUAD> TBitmap::ColorTable() const {
  std::vector<RGBQUAD> table;
  if (!handle_ || bits_per_pixel_ > 8 || bits_per_pixel_ == 0) return table;
  table.resize(size_t{1} << bits_per_pixel_);
  UINT n = 0;
  if (canvas_ && canvas_->HandleAllocated()) {
    // A bitmap sits in one device context at a time: read through the canvas that holds it.
    n = ::GetDIBColorTable(canvas_->Handle(), 0, static_cast<UINT>(table.size()), table.data());
  } else {
    win::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    win::ScopedSelectObject sel(dc.get(), handle_.get());
    n = ::GetDIBColorTable(dc.get(), 0, static_cast<UINT>(table.size()), table.data());
  }
  table.resize(n);
  return table;
}

void TBitmap::SetColorTable(const std::vector<RGBQUAD>& table) {
  if (!handle_ || bits_per_pixel_ > 8 || handle_type_ != TBitmapHandleType::bmDIB) return;
  if (canvas_) canvas_->FreeContext();
  win::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  win::ScopedSelectObject sel(dc.get(), handle_.get());
  ::SetDIBColorTable(dc.get(), 0,
                     static_cast<UINT>(std::min<size_t>(table.size(), size_t{1} << bits_per_pixel_)),
                     table.data());
  Changed(this);
}

void TBitmap::SetHandle(HBITMAP bitmap) {
  FreeImage();
  handle_.reset(bitmap);
  UpdateInfoFromHandle();
  Changed(this);
}

HBITMAP TBitmap::ReleaseHandle() {
  if (canvas_) canvas_->FreeContext();
  bits_ = nullptr;
  return handle_.release();
}

void TBitmap::UpdateInfoFromHandle(bool rows_known_bottom_up) {
  width_ = height_ = 0;
  bits_ = nullptr;
  if (!handle_) return;
  DIBSECTION dib{};
  const int got = ::GetObjectW(handle_.get(), sizeof(dib), &dib);
  if (got == sizeof(DIBSECTION)) {
    handle_type_ = TBitmapHandleType::bmDIB;
    width_ = dib.dsBm.bmWidth;
    height_ = std::abs(dib.dsBm.bmHeight);
    bits_per_pixel_ = dib.dsBmih.biBitCount;
    pixel_format_ = FormatOf(bits_per_pixel_);
    bits_ = dib.dsBm.bmBits;
    monochrome_ = bits_per_pixel_ == 1;
    if (dib.dsBmih.biCompression == BI_RGB) {
      if (!rows_known_bottom_up || dib.dsBmih.biHeight < 0)
        KeepRowsBottomUp(dib.dsBmih.biHeight < 0);
    } else if (dib.dsBmih.biHeight < 0) {
      // Bit-field rows running top-down: redraw them into a bottom-up section.
      bits_ = nullptr;
      Recreate(width_, height_, bits_per_pixel_, nullptr);
    }
  } else {
    BITMAP bm{};
    ::GetObjectW(handle_.get(), sizeof(bm), &bm);
    handle_type_ = TBitmapHandleType::bmDDB;
    width_ = bm.bmWidth;
    height_ = bm.bmHeight;
    bits_per_pixel_ = bm.bmBitsPixel * bm.bmPlanes;
    pixel_format_ = TPixelFormat::pfDevice;
    monochrome_ = bits_per_pixel_ == 1;
  }
}

// ScanLine expects the rows of the section bottom-up. Not every platform reports a top-down
// section as such, so the rows GDI reads out bottom-up are compared with the section's memory;
// when they differ (or the section says it runs top-down) the picture moves, byte for byte and
// with its colour table, into a fresh bottom-up section of the same depth.
void TBitmap::KeepRowsBottomUp(bool known_top_down) {
  if (width_ <= 0 || height_ <= 0 || bits_ == nullptr) return;
  const size_t image_size = static_cast<size_t>(StrideOf(width_, bits_per_pixel_) * height_);
  BitmapInfo256 info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width_;
  info.header.biHeight = height_;
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bits_per_pixel_);
  info.header.biCompression = BI_RGB;
  std::vector<uint8_t> rows(image_size);
  ::GdiFlush();
  if (::GetDIBits(SectionAccessDc(), handle_.get(), 0, static_cast<UINT>(height_), rows.data(),
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) != height_)
    return;  // nothing to compare with: leave the section as it is
  if (!known_top_down && std::memcmp(rows.data(), bits_, image_size) == 0) return;
  std::vector<RGBQUAD> table;
  if (bits_per_pixel_ <= 8)
    table.assign(info.colors, info.colors + (size_t{1} << bits_per_pixel_));
  const int width = width_, height = height_;
  FreeImage();
  width_ = height_ = 0;
  Recreate(width, height, bits_per_pixel_, table.empty() ? nullptr : &table);
  std::memcpy(bits_, rows.data(), image_size);
}

void TBitmap::SetPalette(HPALETTE palette) {
  if (palette == palette_.get()) return;
  if (canvas_) canvas_->FreeContext();
  palette_.reset(palette);
  SetPaletteModified(true);
  Changed(this);
}

TColor TBitmap::TransparentColor() {
  TColor c;
  if (transparent_color_ == clDefault) {
    if (Empty()) return clDefault;
    c = Monochrome() ? clWhite : (Canvas().Pixel(0, height_ - 1) & 0xFFFFFF);
  } else {
    c = ColorToRGB(transparent_color_) & 0xFFFFFF;
  }
  return c | 0x02000000;
}

void TBitmap::SetTransparentColor(TColor color) {
  if (color == transparent_color_) return;
  transparent_color_ = color;
  transparent_mode_ = color == clDefault ? TTransparentMode::tmAuto : TTransparentMode::tmFixed;
  Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
  if (mode == transparent_mode_) return;
  transparent_mode_ = mode;
  if (mode == TTransparentMode::tmAuto) transparent_color_ = clDefault;
  Changed(this);
}

void TBitmap::Changed(TObject* sender) { TGraphic::Changed(sender); }

void TBitmap::Assign(TPersistent* source) {
  if (source == nullptr) {
    FreeImage();
    palette_.reset();
    width_ = height_ = 0;
    Changed(this);
    return;
  }
  if (auto* other = dynamic_cast<TBitmap*>(source)) {
    if (other == this) return;
    FreeImage();
    palette_.reset();
    width_ = height_ = 0;
    if (other->handle_) {
      if (other->canvas_) other->canvas_->FreeContext();
      win::UniqueBitmap copy(static_cast<HBITMAP>(
          ::CopyImage(other->handle_.get(), IMAGE_BITMAP, 0, 0,
                      other->handle_type_ == TBitmapHandleType::bmDIB ? LR_CREATEDIBSECTION : 0)));
      if (!copy) throw EOutOfResources("Out of system resources");
      handle_ = std::move(copy);
      // The copy of a section keeps the row order of the original, which is bottom-up as the
      // rows of every section a bitmap holds.
      UpdateInfoFromHandle(/*rows_known_bottom_up=*/true);
      handle_type_ = other->handle_type_;
      pixel_format_ = other->pixel_format_;
      monochrome_ = other->monochrome_;
    }
    palette_ = CopyPalette(other->palette_.get());
    transparent_color_ = other->transparent_color_;
    transparent_mode_ = other->transparent_mode_;
    SetTransparent(other->Transparent());
    Changed(this);
    return;
  }
  if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
    if (graphic->CopyToBitmap(*this)) return;
    // Any other picture: draw it onto a bitmap of its size.
    FreeImage();
    palette_.reset();
    Recreate(graphic->Width(), graphic->Height(), 0, nullptr);
    if (!Empty()) {
      Canvas().Brush().SetColor(clWhite);
      const RECT r{0, 0, width_, height_};
      Canvas().FillRect(r);
      graphic->Draw(Canvas(), r);
    }
    Changed(this);
    return;
  }
  TGraphic::Assign(source);
}

void TBitmap::Draw(TCanvas& canvas, const RECT& r) {
  if (Empty()) return;
  if (DrawWrapper wrapper = g_draw_wrapper.load()) {
    wrapper(*this, [&] { DrawUnwrapped(canvas, r); });
  } else {
    DrawUnwrapped(canvas, r);
  }
}

void TBitmap::DrawUnwrapped(TCanvas& canvas, const RECT& r) {
  HDC dest = canvas.Handle();
  HDC src = Canvas().Handle();
  win::ScopedSelectPalette dest_palette(dest, palette_.get(), TRUE);
  if (!Monochrome()) ::SetStretchBltMode(dest, COLORONCOLOR);
  // A monochrome bitmap takes its two colours from the target's text and background colours:
  // black and white while it is drawn, whatever text was drawn there last.
  struct MonochromeColours {
    HDC dc;
    bool on;
    COLORREF text = 0, back = 0;
    MonochromeColours(HDC d, bool mono) : dc(d), on(mono) {
      if (on) {
        text = ::SetTextColor(dc, RGB(0, 0, 0));
        back = ::SetBkColor(dc, RGB(255, 255, 255));
      }
    }
    ~MonochromeColours() {
      if (on) {
        ::SetTextColor(dc, text);
        ::SetBkColor(dc, back);
      }
    }
  } monochrome_colours(dest, Monochrome());
  const RECT whole{0, 0, width_, height_};
  if (Transparent()) {
    const TColor key = TransparentColor() & 0xFFFFFF;
    TransparentStretch(dest, r, src, whole, static_cast<COLORREF>(key), palette_.get());
  } else {
    ::StretchBlt(dest, r.left, r.top, r.right - r.left, r.bottom - r.top, src, 0, 0, width_,
                 height_, canvas.CopyMode());
  }
}

void TransparentStretch(HDC dest_dc, const RECT& dest, HDC source_dc, const RECT& src,
                        COLORREF key, HPALETTE palette) {
  const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  const int sw = src.right - src.left, sh = src.bottom - src.top;
  if (dw == 0 || dh == 0 || sw <= 0 || sh <= 0) return;
  // Mask of the source: 1 where the source shows the key colour.
  win::UniqueMemoryDc mask_dc(::CreateCompatibleDC(dest_dc));
  win::UniqueBitmap mask(::CreateBitmap(sw, sh, 1, 1, nullptr));
  win::UniqueMemoryDc copy_dc(::CreateCompatibleDC(dest_dc));
  win::UniqueBitmap copy(::CreateCompatibleBitmap(dest_dc, sw, sh));
  win::UniqueMemoryDc work_dc(::CreateCompatibleDC(dest_dc));
  win::UniqueBitmap work(::CreateCompatibleBitmap(dest_dc, std::abs(dw), std::abs(dh)));
  if (!mask_dc || !mask || !copy_dc || !copy || !work_dc || !work)
    throw EOutOfResources("Out of system resources");
  win::ScopedSelectObject sel_mask(mask_dc.get(), mask.get());
  win::ScopedSelectObject sel_copy(copy_dc.get(), copy.get());
  win::ScopedSelectObject sel_work(work_dc.get(), work.get());
  win::ScopedSelectPalette pal_copy(copy_dc.get(), palette, TRUE);
  win::ScopedSelectPalette pal_work(work_dc.get(), palette, TRUE);

  ::BitBlt(copy_dc.get(), 0, 0, sw, sh, source_dc, src.left, src.top, SRCCOPY);
  const COLORREF old_bk = ::SetBkColor(copy_dc.get(), key);
  ::BitBlt(mask_dc.get(), 0, 0, sw, sh, copy_dc.get(), 0, 0, SRCCOPY);
  ::SetBkColor(copy_dc.get(), old_bk);

  // Monochrome to colour: 1 becomes white (keep), 0 black (clear).
  ::SetTextColor(copy_dc.get(), RGB(0, 0, 0));
  ::SetBkColor(copy_dc.get(), RGB(255, 255, 255));
  ::SetTextColor(work_dc.get(), RGB(0, 0, 0));
  ::SetBkColor(work_dc.get(), RGB(255, 255, 255));
  ::SetStretchBltMode(work_dc.get(), COLORONCOLOR);

  const int ax = std::abs(dw), ay = std::abs(dh);
  ::BitBlt(work_dc.get(), 0, 0, ax, ay, dest_dc, std::min(dest.left, dest.right),
           std::min(dest.top, dest.bottom), SRCCOPY);
  ::StretchBlt(work_dc.get(), 0, 0, ax, ay, mask_dc.get(), 0, 0, sw, sh, SRCAND);
  // The image without its key pixels: copy AND NOT mask.
  ::BitBlt(copy_dc.get(), 0, 0, sw, sh, mask_dc.get(), 0, 0, 0x00220326 /* DSna */);
  ::StretchBlt(work_dc.get(), 0, 0, ax, ay, copy_dc.get(), 0, 0, sw, sh, SRCPAINT);
  ::BitBlt(dest_dc, std::min(dest.left, dest.right), std::min(dest.top, dest.bottom), ax, ay,
           work_dc.get(), 0, 0, SRCCOPY);
}

// Bitmap files are read and written by the bitmap-file core (BmpFile.h), which checks every
// header field and refuses what it cannot read before anything is allocated; GDI takes the rows
// as they are. A 16-bit or bit-field image becomes a 32-bit bitmap.
void TBitmap::LoadFromStream(TStream& stream) {
  StreamSource source(stream);
  bmp::Image image;
  try {
    image = bmp::ReadImage(source);
  } catch (const bmp::BmpError& error) {
    RaiseBitmapFileError(error);
  }
  const bmp::Header& file = image.header;
  const int bpp = file.bit_count;
  const bool bitfields = file.compression == bmp::Compression::kBitFields;
  // The bitmap info as GDI wants it: the 40-byte header, the three masks of a bit-field image,
  // the colour table.
  const size_t masks_size = bitfields ? bmp::kMaskBytes : 0;
  const size_t colors = image.color_table.size();
  std::vector<uint8_t> bmi(sizeof(BITMAPINFOHEADER) + masks_size + colors * sizeof(RGBQUAD));
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(bmi.data());
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = static_cast<LONG>(file.width);
  header->biHeight =
      file.top_down ? -static_cast<LONG>(file.height) : static_cast<LONG>(file.height);
  header->biPlanes = 1;
  header->biBitCount = static_cast<WORD>(bpp);
  header->biCompression = bitfields ? BI_BITFIELDS : BI_RGB;
  header->biSizeImage = static_cast<DWORD>(file.pixel_bytes);
  header->biClrUsed = static_cast<DWORD>(colors);
  if (bitfields) std::memcpy(bmi.data() + sizeof(BITMAPINFOHEADER), file.masks.data(), masks_size);
  if (colors != 0)
    std::memcpy(bmi.data() + sizeof(BITMAPINFOHEADER) + masks_size, image.color_table.data(),
                colors * sizeof(RGBQUAD));

  const int target_bpp = bpp == 16 || bitfields ? 32 : bpp;
  std::vector<RGBQUAD> table;
  if (bpp <= 8) {
    table.resize(size_t{1} << bpp);
    std::memcpy(table.data(), image.color_table.data(), colors * sizeof(RGBQUAD));
  }
  FreeImage();
  palette_.reset();
  width_ = height_ = 0;
  Recreate(static_cast<int>(file.width), static_cast<int>(file.height), target_bpp,
           table.empty() ? nullptr : &table);
  ::SetDIBits(SectionAccessDc(), handle_.get(), 0, file.height, image.rows.data(),
              reinterpret_cast<BITMAPINFO*>(bmi.data()), DIB_RGB_COLORS);
  // A palette for display on paletted devices, from the colour table.
  if (bpp <= 8) palette_ = PaletteFromColors(table);
  Changed(this);
}

void TBitmap::SaveToStream(TStream& stream) {
  if (Empty()) return;
  if (canvas_) canvas_->FreeContext();
  const int bpp = bits_per_pixel_ == 16 ? 32 : (bits_per_pixel_ > 0 ? bits_per_pixel_ : 32);
  BitmapInfo256 info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width_;
  info.header.biHeight = height_;
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bpp);
  info.header.biCompression = BI_RGB;
  const size_t colors = bpp <= 8 ? (size_t{1} << bpp) : 0;
  info.header.biClrUsed = static_cast<DWORD>(colors);
  std::vector<uint8_t> bits(static_cast<size_t>(StrideOf(width_, bpp) * height_));
  {
    win::ScopedGetDC screen(nullptr);
    ::GetDIBits(screen, handle_.get(), 0, static_cast<UINT>(height_), bits.data(),
                reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  }
  // Bottom-up rows, the whole colour table of a paletted bitmap (counted in the header).
  bmp::Format format;
  format.width = static_cast<uint32_t>(width_);
  format.height = static_cast<uint32_t>(height_);
  format.bit_count = static_cast<uint16_t>(bpp);
  format.color_table.resize(colors);
  if (colors != 0) std::memcpy(format.color_table.data(), info.colors, colors * sizeof(RGBQUAD));
  std::vector<uint8_t> headers;
  try {
    headers.resize(static_cast<size_t>(bmp::LayoutOf(format).pixel_offset));
    bmp::WriteHeaders(format, headers);
  } catch (const bmp::BmpError&) {
    throw EWriteError(std::string(msg::kWriteError));
  }
  stream.WriteBuffer(headers.data(), static_cast<int64_t>(headers.size()));
  stream.WriteBuffer(bits.data(), static_cast<int64_t>(bits.size()));
}

void TBitmap::ReadData(TStream& stream) {
  int32_t size = 0;
  stream.ReadBuffer(&size, 4);
  if (size < 0 || size > stream.Size() - stream.Position())
    throw EReadError(std::string(msg::kReadError));
  // The file is read from its own copy so that a short or long file cannot move the reading
  // of the rest of the description.
  std::vector<uint8_t> data(static_cast<size_t>(size));
  stream.ReadBuffer(data.data(), size);
  if (size == 0) {
    Assign(nullptr);
    return;
  }
  TBytesStream file(data.data(), size);
  LoadFromStream(file);
}

void TBitmap::WriteData(TStream& stream) {
  TMemoryStream file;
  SaveToStream(file);
  const auto size = static_cast<int32_t>(file.Size());
  stream.WriteBuffer(&size, 4);
  file.SaveToStream(stream);
}

void TBitmap::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
  if (format != CF_BITMAP || data == nullptr)
    throw EInvalidGraphic(std::string(msg::kUnknownClipboardFormat));
  win::UniqueBitmap copy(
      static_cast<HBITMAP>(::CopyImage(data, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!copy) throw EOutOfResources("Out of system resources");
  FreeImage();
  handle_ = std::move(copy);
  UpdateInfoFromHandle();
  palette_ = CopyPalette(palette);
  Changed(this);
}

void TBitmap::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
  format = CF_BITMAP;
  data = nullptr;
  palette = nullptr;
  if (Empty()) return;
  if (canvas_) canvas_->FreeContext();
  win::UniqueBitmap copy(static_cast<HBITMAP>(::CopyImage(handle_.get(), IMAGE_BITMAP, 0, 0, 0)));
  win::UniquePalette palette_copy = CopyPalette(palette_.get());
  // The caller hands both to the clipboard, which owns them from then on.
  data = copy.release();
  palette = palette_copy.release();
}

// ---- TPicture --------------------------------------------------------------------------------

namespace {
struct Registry {
  Lock lock;
  std::vector<TGraphicClassInfo> classes;  // registration order
  Registry() {
    classes.push_back({"TBitmap", L"bmp", L"Bitmaps",
                       [] { return std::unique_ptr<TGraphic>(new TBitmap()); }, CF_BITMAP});
    classes.push_back({"TIcon", L"ico", L"Icons",
                       [] { return std::unique_ptr<TGraphic>(new TIcon()); }, 0});
  }
};
Registry& GraphicRegistry() {
  static Registry registry;
  return registry;
}
}  // namespace

void TPicture::RegisterFileFormat(TGraphicClassInfo info) {
  auto& r = GraphicRegistry();
  ScopedLock hold(r.lock);
  r.classes.push_back(std::move(info));
}

void TPicture::RegisterClipboardFormat(UINT format, const std::string& class_name) {
  auto& r = GraphicRegistry();
  ScopedLock hold(r.lock);
  for (auto it = r.classes.rbegin(); it != r.classes.rend(); ++it)
    if (it->class_name == class_name) {
      it->clipboard_format = format;
      return;
    }
}

void TPicture::UnregisterGraphicClass(const std::string& class_name) {
  auto& r = GraphicRegistry();
  ScopedLock hold(r.lock);
  std::erase_if(r.classes, [&](const TGraphicClassInfo& i) { return i.class_name == class_name; });
}

const TGraphicClassInfo* TPicture::FindClass(const std::string& class_name) {
  auto& r = GraphicRegistry();
  ScopedLock hold(r.lock);
  for (auto it = r.classes.rbegin(); it != r.classes.rend(); ++it)
    if (it->class_name == class_name) return &*it;
  return nullptr;
}

const TGraphicClassInfo* TPicture::FindExtension(const std::wstring& extension) {
  auto& r = GraphicRegistry();
  ScopedLock hold(r.lock);
  for (auto it = r.classes.rbegin(); it != r.classes.rend(); ++it)
    if (_wcsicmp(it->extension.c_str(), extension.c_str()) == 0) return &*it;
  return nullptr;
}

bool TPicture::SupportsClipboardFormat(UINT format) {
  auto& r = GraphicRegistry();
  ScopedLock hold(r.lock);
  for (const auto& c : r.classes)
    if (c.clipboard_format == format && format != 0) return true;
  return false;
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::GraphicChanged(TObject*) {
  if (OnChange) OnChange(this);
}

void TPicture::Attach(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  if (graphic_) graphic_->OnChange = [this](TObject* s) { GraphicChanged(s); };
  GraphicChanged(this);
}

void TPicture::SetGraphic(TGraphic* graphic) {
  if (graphic == nullptr) {
    Attach(nullptr);
    return;
  }
  const TGraphicClassInfo* info = FindClass(graphic->ClassName());
  if (info == nullptr) throw EInvalidGraphic(std::string(msg::kInvalidImage));
  std::unique_ptr<TGraphic> copy = info->create();
  copy->Assign(graphic);
  Attach(std::move(copy));
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) { Attach(std::move(graphic)); }

TBitmap* TPicture::Bitmap() {
  if (auto* b = dynamic_cast<TBitmap*>(graphic_.get())) return b;
  Attach(std::make_unique<TBitmap>());
  return static_cast<TBitmap*>(graphic_.get());
}

void TPicture::Assign(TPersistent* source) {
  if (source == nullptr) {
    SetGraphic(static_cast<TGraphic*>(nullptr));
  } else if (auto* p = dynamic_cast<TPicture*>(source)) {
    SetGraphic(p->Graphic());
  } else if (auto* g = dynamic_cast<TGraphic*>(source)) {
    SetGraphic(g);
  } else {
    TPersistent::Assign(source);
  }
}

void TPicture::LoadFromFile(const std::wstring& file_name) {
  const size_t dot = file_name.rfind(L'.');
  const std::wstring ext = dot == std::wstring::npos ? L"" : file_name.substr(dot + 1);
  const TGraphicClassInfo* info = FindExtension(ext);
  if (info == nullptr)
    throw EInvalidGraphic(FormatMessageText(msg::kUnknownExtension, {win::Utf8FromWide(ext)}));
  std::unique_ptr<TGraphic> graphic = info->create();
  graphic->LoadFromFile(file_name);
  Attach(std::move(graphic));
}

void TPicture::SaveToFile(const std::wstring& file_name) {
  if (graphic_) graphic_->SaveToFile(file_name);
}

void TPicture::ReadData(TStream& stream) {
  uint8_t length = 0;
  stream.ReadBuffer(&length, 1);
  std::string class_name(length, '\0');
  if (length != 0) stream.ReadBuffer(class_name.data(), length);
  if (class_name.empty()) {
    Attach(nullptr);
    return;
  }
  const TGraphicClassInfo* info = FindClass(class_name);
  if (info == nullptr)
    throw EInvalidGraphic("Unknown picture class \"" + class_name + "\"");
  std::unique_ptr<TGraphic> graphic = info->create();
  graphic->ReadData(stream);  // a failure frees the half-read graphic on the way out
  Attach(std::move(graphic));
}

void TPicture::WriteData(TStream& stream) {
  const std::string name = graphic_ ? graphic_->ClassName() : "";
  if (name.size() > 63) throw EWriteError(std::string(msg::kWriteError));
  const auto length = static_cast<uint8_t>(name.size());
  stream.WriteBuffer(&length, 1);
  stream.WriteBuffer(name.data(), length);
  if (graphic_) graphic_->WriteData(stream);
}

}  // namespace vornada
