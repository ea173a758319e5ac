// Image lists: a list of images of one fixed size (16 x 16 unless set otherwise), each with its
// transparent pixels, drawn onto a canvas enabled (as they are) or disabled (their shape
// embossed in the system's highlight and shadow colours). Images are added from bitmaps, a
// strip of several images side by side at once, with a transparent colour (clFuchsia, say) or
// a mask bitmap. Changing the size empties the list. Controls that show images of a list hear of
// its changes through change listeners and of its end through the framework's free notification.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "Classes.h"
#include "Graphics.h"
#include "ImgListCore.h"

namespace vornada {

class TCustomImageList : public TComponent {
 public:
  VORNADA_CLASS_NAME(TCustomImageList)
  explicit TCustomImageList(TComponent* owner);
  TCustomImageList(TComponent* owner, int width, int height);
  ~TCustomImageList() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int value) { SetSize(value, height_); }
  void SetHeight(int value) { SetSize(width_, value); }
  // A new size empties the list; a size below 1 fails with EInvalidOperation.
  void SetSize(int width, int height);
  int Count() const { return static_cast<int>(images_.size()); }
  // Filled in behind the transparent pixels when drawn (clNone: the destination shows).
  TColor BkColor() const { return bk_color_; }
  void SetBkColor(TColor value);

  // Adds every image of the bitmap (bitmap width div Width images, at least one row high),
  // the pixels of `mask_color` transparent (clDefault: the colour of the bitmap's lower-left
  // pixel). Returns the index of the first image added, or -1 when none fit.
  int AddMasked(TBitmap& image, TColor mask_color);
  // Adds with a mask bitmap of the same size: its white pixels mark the transparent ones (no
  // mask: everything opaque).
  int Add(TBitmap& image, TBitmap* mask);
  void ReplaceMasked(int index, TBitmap& image, TColor mask_color);
  void Delete(int index);
  void Clear();

  // Draws image `index` with its top-left corner at (x, y) of the canvas.
  void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true);
  // Copies image `index` into `bitmap` (32 bits per pixel, Width x Height), its transparent
  // pixels in the colour they had when added.
  void GetBitmap(int index, TBitmap& bitmap);
  const ImageListPixels& Image(int index) const;

  // Called after every change of the images or the size; returns an id for RemoveChangeListener.
  int AddChangeListener(std::function<void()> listener);
  void RemoveChangeListener(int id);
  TNotifyEvent OnChange;

 private:
  void Changed();
  void CheckIndex(int index) const;
  std::vector<ImageListPixels> ImagesOf(TBitmap& bitmap, TBitmap* mask, TColor mask_color,
                                        bool use_colour);

  int width_ = 16;
  int height_ = 16;
  TColor bk_color_ = clNone;
  std::vector<ImageListPixels> images_;
  std::map<int, std::function<void()>> listeners_;
  int next_listener_ = 1;
};

class TImageList : public TCustomImageList {
 public:
  VORNADA_CLASS_NAME(TImageList)
  using TCustomImageList::TCustomImageList;
};

}  // namespace vornada
