// Image lists (see ImgList.h): images kept as pixels; drawing reads the destination area, puts
// the image onto it in memory and writes it back, so it works on any device context.
#include "ImgList.h"

#include <algorithm>

#include "DcPixels.h"

namespace vornada {

namespace {

std::vector<uint32_t> BitmapPixels(TBitmap& bitmap) {
  ScopedCanvasLock lock(bitmap.Canvas());
  return win::ReadDcPixels(bitmap.Canvas().Handle(), 0, 0, bitmap.Width(), bitmap.Height());
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
  std::vector<uint32_t> area = win::ReadDcPixels(dc, x, y, w, h);
  const uint32_t highlight = static_cast<uint32_t>(ColorToRGB(clBtnHighlight)) & 0xFFFFFF;
  const uint32_t shadow = static_cast<uint32_t>(ColorToRGB(clBtnShadow)) & 0xFFFFFF;
  ComposeImage(area, w, h, image, 0, 0, enabled, highlight, shadow, bk_color_ != clNone,
               static_cast<uint32_t>(ColorToRGB(bk_color_)) & 0xFFFFFF);
  win::WriteDcPixels(dc, x, y, w, h, area);
}

void TCustomImageList::GetBitmap(int index, TBitmap& bitmap) {
  const ImageListPixels& image = Image(index);
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  bitmap.SetSize(width_, height_);
  ScopedCanvasLock lock(bitmap.Canvas());
  win::WriteDcPixels(bitmap.Canvas().Handle(), 0, 0, width_, height_, image.pixels);
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
