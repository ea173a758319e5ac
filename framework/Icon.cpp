// Icons as pictures (see Icon.h).
#include "Icon.h"

#include <algorithm>
#include <string>

#include "DcPixels.h"
#include "IconFile.h"

namespace vornada {

namespace {

const char kInvalidIcon[] = "Invalid icon";

// The size of an icon's picture: its colour bitmap, or half its mask for a monochrome icon.
SIZE IconSize(HICON icon) {
  ICONINFO info{};
  if (!::GetIconInfo(icon, &info)) return {0, 0};
  const win::UniqueBitmap colour(info.hbmColor);
  const win::UniqueBitmap mask(info.hbmMask);
  BITMAP bm{};
  if (colour) {
    ::GetObjectW(colour.get(), sizeof(bm), &bm);
    return {bm.bmWidth, bm.bmHeight};
  }
  ::GetObjectW(mask.get(), sizeof(bm), &bm);
  return {bm.bmWidth, bm.bmHeight / 2};
}

// The pixels of a bitmap as 32-bit blue, green, red, alpha values, rows from the top.
std::vector<uint8_t> Pixels32(HBITMAP bitmap, int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  BITMAPINFO info = win::TopDown32BitInfo(width, height);
  win::ScopedGetDC screen(nullptr);
  if (::GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info,
                  DIB_RGB_COLORS) != height)
    throw EInvalidGraphic(kInvalidIcon);
  return pixels;
}

}  // namespace

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

void TIcon::Take(win::UniqueIcon icon, std::vector<uint8_t> file) {
  handle_ = std::move(icon);
  file_ = std::move(file);
  const SIZE size = handle_ ? IconSize(handle_.get()) : SIZE{0, 0};
  width_ = size.cx;
  height_ = size.cy;
  Changed(this);
}

void TIcon::Assign(TPersistent* source) {
  if (source == nullptr) {
    Take(win::UniqueIcon(), {});
    return;
  }
  if (auto* other = dynamic_cast<TIcon*>(source)) {
    if (other == this) return;
    win::UniqueIcon copy;
    if (other->handle_) {
      copy.reset(::CopyIcon(other->handle_.get()));
      if (!copy) throw EOutOfResources("Out of system resources");
    }
    SetTransparent(other->Transparent());
    wanted_width_ = other->wanted_width_;
    wanted_height_ = other->wanted_height_;
    Take(std::move(copy), other->file_);
    return;
  }
  TGraphic::Assign(source);
}

void TIcon::Draw(TCanvas& canvas, const RECT& r) {
  if (Empty()) return;
  ::DrawIconEx(canvas.Handle(), r.left, r.top, handle_.get(), r.right - r.left, r.bottom - r.top,
               0, nullptr, DI_NORMAL);
}

void TIcon::SetWidth(int value) {
  if (!Empty()) {
    if (value == width_) return;
    throw EInvalidGraphicOperation("Cannot change the size of an icon");
  }
  wanted_width_ = std::max(value, 0);
}

void TIcon::SetHeight(int value) {
  if (!Empty()) {
    if (value == height_) return;
    throw EInvalidGraphicOperation("Cannot change the size of an icon");
  }
  wanted_height_ = std::max(value, 0);
}

void TIcon::LoadFromStream(TStream& stream) {
  const int64_t available = stream.Size() - stream.Position();
  auto require = [&](size_t bytes) {
    if (available < 0 || static_cast<uint64_t>(available) < bytes) throw EInvalidGraphic(kInvalidIcon);
  };
  require(icon::kHeaderSize);
  uint8_t header[icon::kHeaderSize];
  stream.ReadBuffer(header, sizeof(header));
  const size_t directory_size =
      icon::kHeaderSize + static_cast<size_t>(icon::EntryCount(header)) * icon::kEntrySize;
  require(directory_size);
  std::vector<uint8_t> file(directory_size);
  std::copy(std::begin(header), std::end(header), file.begin());
  stream.ReadBuffer(file.data() + icon::kHeaderSize,
                    static_cast<int64_t>(directory_size - icon::kHeaderSize));
  const std::vector<icon::IconEntry> entries = icon::ParseDirectory(file.data(), file.size());
  const size_t end = icon::FileEnd(entries);
  require(end);
  file.resize(end);
  stream.ReadBuffer(file.data() + directory_size, static_cast<int64_t>(end - directory_size));

  const int wanted_width = wanted_width_ > 0 ? wanted_width_ : ::GetSystemMetrics(SM_CXICON);
  const int wanted_height = wanted_height_ > 0 ? wanted_height_ : ::GetSystemMetrics(SM_CYICON);
  const icon::IconEntry& entry = entries[icon::ChooseEntry(entries, wanted_width, wanted_height)];
  const icon::ImageInfo image = icon::CheckImage(file.data(), file.size(), entry);
  win::UniqueIcon handle(::CreateIconFromResourceEx(file.data() + entry.offset, entry.size, TRUE,
                                                    0x00030000, image.width, image.height,
                                                    LR_DEFAULTCOLOR));
  if (!handle) throw EInvalidGraphic(kInvalidIcon);
  Take(std::move(handle), std::move(file));
}

std::vector<uint8_t> TIcon::FileFromHandle() const {
  ICONINFO info{};
  if (!::GetIconInfo(handle_.get(), &info)) throw EInvalidGraphic(kInvalidIcon);
  const win::UniqueBitmap colour(info.hbmColor);
  const win::UniqueBitmap mask(info.hbmMask);
  const int w = width_, h = height_;
  std::vector<uint8_t> bgra;
  std::vector<uint8_t> and_mask(static_cast<size_t>(w) * h);
  const std::vector<uint8_t> mask_pixels = Pixels32(mask.get(), w, colour ? h : h * 2);
  for (size_t i = 0; i < and_mask.size(); ++i) and_mask[i] = mask_pixels[i * 4] != 0 ? 1 : 0;
  if (colour) {
    bgra = Pixels32(colour.get(), w, h);
  } else {
    // A monochrome icon keeps its picture in the lower half of the mask.
    bgra.assign(mask_pixels.begin() + static_cast<ptrdiff_t>(w) * h * 4, mask_pixels.end());
  }
  // Without alpha values the mask alone says which pixels show.
  bool any_alpha = false;
  for (size_t i = 3; i < bgra.size(); i += 4) any_alpha = any_alpha || bgra[i] != 0;
  if (!any_alpha)
    for (size_t i = 0; i < and_mask.size(); ++i) bgra[i * 4 + 3] = and_mask[i] ? 0 : 255;
  return icon::BuildIconFile(w, h, bgra, and_mask);
}

void TIcon::SaveToStream(TStream& stream) {
  if (Empty()) return;
  const std::vector<uint8_t> file = file_.empty() ? FileFromHandle() : file_;
  stream.WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
}

void TIcon::LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) {
  throw EInvalidGraphic("Icons do not go through the clipboard");
}

void TIcon::SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) {
  throw EInvalidGraphic("Icons do not go through the clipboard");
}

void TIcon::SetHandle(HICON icon) { Take(win::UniqueIcon(icon), {}); }

HICON TIcon::ReleaseHandle() {
  HICON icon = handle_.release();
  file_.clear();
  width_ = height_ = 0;
  return icon;
}

}  // namespace vornada
