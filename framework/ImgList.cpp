// Image lists (see ImgList.h): images kept as pixels; drawing reads the destination area, puts
// the image onto it in memory and writes it back, so it works on any device context.
#include "ImgList.h"

#include <algorithm>

namespace vornada {

namespace {

// The pixels of a bitmap, rows top-down, 0x00BBGGRR.
std::vector<uint32_t> ReadPixels(HDC dc, int x, int y, int width, int height) {
  std::vector<uint32_t> pixels;
  if (width <= 0 || height <= 0) return pixels;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  win::UniqueBitmap dib(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  win::UniqueMemoryDc mem(::CreateCompatibleDC(dc));
  if (!dib || !mem || bits == nullptr) throw EOutOfResources("Out of system resources");
  {
    win::ScopedSelectObject sel(mem.get(), dib.get());
    ::BitBlt(mem.get(), 0, 0, width, height, dc, x, y, SRCCOPY);
  }
  ::GdiFlush();
  const auto* bgrx = static_cast<const uint32_t*>(bits);
  pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (size_t i = 0; i < pixels.size(); ++i) {
    const uint32_t v = bgrx[i];
    pixels[i] = ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
  }
  return pixels;
}

void WritePixels(HDC dc, int x, int y, int width, int height, const std::vector<uint32_t>& pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> bgrx(pixels.size());
  for (size_t i = 0; i < pixels.size(); ++i) {
    const uint32_t v = pixels[i];
    bgrx[i] = ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
  }
  ::SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                      static_cast<UINT>(height), bgrx.data(), &info, DIB_RGB_COLORS);
}

std::vector<uint32_t> BitmapPixels(TBitmap& bitmap) {
  ScopedCanvasLock lock(bitmap.Canvas());
  return ReadPixels(bitmap.Canvas().Handle(), 0, 0, bitmap.Width(), bitmap.Height());
}

}  // namespace

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::TCustomImageList(TComponent* owner, int width, int height) : TComponent(owner) {
  SetSize(width, height);
}

TCustomImageList::~TCustomImageList() { Destroying(); }

void TCustomImageList::SetSize(int width, int height) {
  if (width < 1 || height < 1) throw EInvalidOperation("Invalid image size");
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  images_.clear();
  Changed();
}

void TCustomImageList::SetBkColor(TColor value) {
  if (bk_color_ == value) return;
  bk_color_ = value;
  Changed();
}

std::vector<ImageListPixels> TCustomImageList::ImagesOf(TBitmap& bitmap, TBitmap* mask,
                                                        TColor mask_color, bool use_colour) {
  if (bitmap.Empty()) return {};
  const std::vector<uint32_t> pixels = BitmapPixels(bitmap);
  uint32_t key = 0;
  if (use_colour) {
    key = static_cast<uint32_t>(mask_color == clDefault ? bitmap.TransparentColor()
                                                        : ColorToRGB(mask_color)) & 0xFFFFFF;
  }
  // Without a colour every pixel is opaque: split with a key no pixel has, then apply the mask.
  std::vector<ImageListPixels> images =
      SplitImageStrip(pixels, bitmap.Width(), bitmap.Height(), width_, height_,
                      use_colour ? key : 0xFF000000u);
  for (auto& image : images) {
    if (!use_colour) {
      for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
          image.transparent[static_cast<size_t>(y * width_ + x)] = y < bitmap.Height() ? 0 : 1;
    }
  }
  if (!use_colour && mask != nullptr && !mask->Empty()) {
    const std::vector<uint32_t> mask_pixels = BitmapPixels(*mask);
    for (size_t i = 0; i < images.size(); ++i)
      for (int y = 0; y < height_ && y < mask->Height(); ++y)
        for (int x = 0; x < width_; ++x) {
          const int mx = static_cast<int>(i) * width_ + x;
          if (mx >= mask->Width()) continue;
          if ((mask_pixels[static_cast<size_t>(y) * static_cast<size_t>(mask->Width()) +
                           static_cast<size_t>(mx)] & 0xFFFFFF) == 0xFFFFFF)
            images[i].transparent[static_cast<size_t>(y * width_ + x)] = 1;
        }
  }
  return images;
}

int TCustomImageList::AddMasked(TBitmap& image, TColor mask_color) {
  std::vector<ImageListPixels> added = ImagesOf(image, nullptr, mask_color, true);
  if (added.empty()) return -1;
  const int first = Count();
  for (auto& i : added) images_.push_back(std::move(i));
  Changed();
  return first;
}

int TCustomImageList::Add(TBitmap& image, TBitmap* mask) {
  std::vector<ImageListPixels> added = ImagesOf(image, mask, clNone, false);
  if (added.empty()) return -1;
  const int first = Count();
  for (auto& i : added) images_.push_back(std::move(i));
  Changed();
  return first;
}

void TCustomImageList::ReplaceMasked(int index, TBitmap& image, TColor mask_color) {
  CheckIndex(index);
  std::vector<ImageListPixels> added = ImagesOf(image, nullptr, mask_color, true);
  if (added.empty()) return;
  images_[static_cast<size_t>(index)] = std::move(added.front());
  Changed();
}

void TCustomImageList::Delete(int index) {
  CheckIndex(index);
  images_.erase(images_.begin() + index);
  Changed();
}

void TCustomImageList::Clear() {
  if (images_.empty()) return;
  images_.clear();
  Changed();
}

void TCustomImageList::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw EInvalidOperation(FormatMessageText("Image index %s out of range", {std::to_string(index)}));
}

const ImageListPixels& TCustomImageList::Image(int index) const {
  CheckIndex(index);
  return images_[static_cast<size_t>(index)];
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) {
  if (index < 0 || index >= Count()) return;
  const ImageListPixels& image = images_[static_cast<size_t>(index)];
  // The disabled look reaches one pixel further right and down (its highlight copy).
  const int w = width_ + (enabled ? 0 : 1), h = height_ + (enabled ? 0 : 1);
  HDC dc = canvas.Handle();
  std::vector<uint32_t> area = ReadPixels(dc, x, y, w, h);
  const uint32_t highlight = static_cast<uint32_t>(ColorToRGB(clBtnHighlight)) & 0xFFFFFF;
  const uint32_t shadow = static_cast<uint32_t>(ColorToRGB(clBtnShadow)) & 0xFFFFFF;
  ComposeImage(area, w, h, image, 0, 0, enabled, highlight, shadow, bk_color_ != clNone,
               static_cast<uint32_t>(ColorToRGB(bk_color_)) & 0xFFFFFF);
  WritePixels(dc, x, y, w, h, area);
}

void TCustomImageList::GetBitmap(int index, TBitmap& bitmap) {
  const ImageListPixels& image = Image(index);
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  bitmap.SetSize(width_, height_);
  ScopedCanvasLock lock(bitmap.Canvas());
  WritePixels(bitmap.Canvas().Handle(), 0, 0, width_, height_, image.pixels);
}

int TCustomImageList::AddChangeListener(std::function<void()> listener) {
  const int id = next_listener_++;
  listeners_[id] = std::move(listener);
  return id;
}

void TCustomImageList::RemoveChangeListener(int id) { listeners_.erase(id); }

void TCustomImageList::Changed() {
  // A copy: a listener may remove itself.
  const auto listeners = listeners_;
  for (const auto& [id, listener] : listeners)
    if (listener) listener();
  if (OnChange) OnChange(this);
}

}  // namespace vornada
