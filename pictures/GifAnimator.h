// TGifAnimator: a windowless control that shows a GIF picture and plays its frames. Each frame
// is composed onto a bitmap of the logical screen the way the frames' disposal methods ask
// (the composition is cached and advanced frame by frame), then drawn at the top-left corner,
// centred or stretched, with the key colour left out. Frames advance from the control's
// TThreadTimer; with AsyncDrawing they advance and are painted on the timer thread, so the
// animation keeps running while the user-interface thread is busy.
//
// Ownership: the control owns its picture, its timer and the cached composition.
// Locks, always taken in this order: the control's state lock, the control's canvas lock, the
// composition bitmap's canvas lock, the frame bitmaps' canvas locks. Property setters take the
// state lock only; painting on the user-interface thread takes the canvas lock and the inner
// ones; a tick on the timer thread takes them all but holds none while it waits for the
// user-interface thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "GifImage.h"
#include "ImageControl.h"
#include "ThreadTimer.h"

namespace vornada {

class TGifAnimator : public TImageControl {
 public:
  VORNADA_CLASS_NAME(TGifAnimator)
  explicit TGifAnimator(TComponent* owner);
  ~TGifAnimator() override;

  // The picture (owned by the control); setting it copies the given picture into it.
  TGIFImage* Image() const { return image_.get(); }
  void SetImage(TGIFImage* value);
  // Frames advance while True.
  bool Animate() const { return animate_; }
  void SetAnimate(bool value);
  // Ticks run and paint on the timer thread.
  bool AsyncDrawing() const { return async_drawing_; }
  void SetAsyncDrawing(bool value);
  // The control takes the picture's logical screen size.
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);
  bool Center() const { return center_; }
  void SetCenter(bool value);
  // Stretches the frame over the client area (wins over Center).
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  // Leaves the frames' transparent colour out when drawing.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  // Starts again after the last frame; False stops after wrapping to frame 0.
  bool Loop() const { return loop_; }
  void SetLoop(bool value) { loop_ = value; }
  // The frame shown; values outside the frame list are ignored.
  int FrameIndex() const { return frame_index_; }
  void SetFrameIndex(int value);

  TNotifyEvent OnChange;        // the picture changed
  TNotifyEvent OnFrameChanged;  // the frame shown changed
  TNotifyEvent OnStart;         // Animate became True
  TNotifyEvent OnStop;          // Animate became False

 protected:
  bool CanAutoSize(int& new_width, int& new_height) override;
  void AdjustSize() override;
  HPALETTE GetPalette() override;
  void PaintImage() override;

  virtual void NotifyChange();
  virtual void NotifyFrameChanged();
  virtual void NotifyStart();
  virtual void NotifyStop();

  // The timer's handler while animating: shows the next frame (0 after the last).
  void AdvanceFrame(TObject* sender);
  // The logical screen as it looks while frame `index` (limited to the frame list) is shown,
  // and its key colour (clNone when there is none). The bitmap is the control's cache; null
  // when the picture has no frames.
  TBitmap* ComposeFrame(int index, TColor& key);
  TThreadTimer& Timer() { return *timer_; }

 private:
  void HandleImageChange();
  // The current frame's display time limited to 50...10000 ms; 0 when there is nothing to
  // animate (fewer than 2 frames, or no valid frame index).
  uint32_t FrameDelay() const;
  void StopAtEnd();

  TThreadTimer* timer_ = nullptr;  // a component owned by the control
  std::unique_ptr<TGIFImage> image_;
  std::unique_ptr<TBitmap> cache_;
  int cache_index_ = -1;
  TColor cache_key_ = clNone;
  bool animate_ = false;
  // Read by ticks on the timer thread while the user-interface thread may set them.
  std::atomic<bool> async_drawing_{false};
  bool auto_size_ = true;
  bool center_ = false;
  bool stretch_ = false;
  bool transparent_ = true;
  std::atomic<bool> loop_{true};
  std::atomic<int> frame_index_{0};
  bool setting_image_ = false;  // SetImage is assigning the picture (under the state lock)
};

}  // namespace vornada
