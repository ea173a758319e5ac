// TGifAnimator: a windowless control that shows a GIF picture and plays its frames. Each frame
// is composed onto a bitmap of the logical screen the way the frames' disposal methods ask
// (the composition is cached and advanced frame by frame), then drawn at the top-left corner,
// centred or stretched, with the key colour left out. Frames advance from the control's
// TThreadTimer; with AsyncDrawing they advance and are painted on the timer thread, so the
// animation keeps running while the user-interface thread is busy.
//
// Ownership: the control owns its picture, its timer and the cached composition.
//
// Threads and locks. Two threads touch an animator: the user-interface thread (properties,
// events, painting) and, with AsyncDrawing, the timer thread (ticks, which paint straight into
// the parent window). The rules:
//  - The state lock (TImageControl::StateLock) guards the picture (its frames, including the
//    frame bitmaps decoded on first use), the cached composition, the key colour, Center,
//    Stretch, Transparent, AutoSize and the four event handlers. They are changed only by the
//    user-interface thread and only with the lock held; every other access holds it too, but
//    for the property getters on the user-interface thread. Painting (WM_PAINT on either
//    thread) holds it.
//  - Locks are taken in this order only: the state lock, the control's canvas lock, the
//    composition bitmap's canvas lock, the frame bitmaps' canvas locks, then the timer's own
//    lock. No lock is held while a thread waits for the other one: a tick lets go of all of
//    them before it hands an event to the user-interface thread, and the user-interface thread
//    never waits for a tick (stopping the animation) while it holds the state lock. Event
//    handlers run without the state lock.
//  - FrameIndex, Loop, AsyncDrawing and Animate are atomic: their getters may be called from
//    anywhere. FrameIndex changes only under the state lock.
//  - A tick hands its events to the user-interface thread (directly when it runs there):
//    OnFrameChanged and OnStop always run there. Without an OnFrameChanged handler the frame
//    change is announced on the tick's thread under the state lock, so that a handler assigned
//    meanwhile is first called for the next frame, on the user-interface thread.
//  - The timer guards its own state (see ThreadTimer.h); the framework's Visible and
//    paint-copy state reach the timer thread through the atomic copies of TImageControl.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "GifImage.h"
#include "ImageControl.h"
#include "Lock.h"
#include "ThreadTimer.h"
#include "common/MemoryBudget.h"

namespace vornada {

// An event of the animator: assigned, tested and called like a TNotifyEvent, with the handler
// itself guarded by the control's state lock (the timer thread asks whether one is assigned).
// The handler runs without the lock.
class TAnimatorEvent {
 public:
  explicit TAnimatorEvent(Lock& lock) : lock_(lock) {}
  TAnimatorEvent(const TAnimatorEvent&) = delete;
  TAnimatorEvent& operator=(const TAnimatorEvent&) = delete;
  TAnimatorEvent& operator=(TNotifyEvent handler) {
    ScopedLock lock(lock_);
    handler_ = std::move(handler);
    return *this;
  }
  explicit operator bool() const {
    ScopedLock lock(lock_);
    return static_cast<bool>(handler_);
  }
  void operator()(TObject* sender) const {
    TNotifyEvent handler;
    {
      ScopedLock lock(lock_);
      handler = handler_;
    }
    if (handler) handler(sender);
  }

 private:
  Lock& lock_;
  TNotifyEvent handler_;
};

class TGifAnimator : public TImageControl {
 public:
  VORNADA_CLASS_NAME(TGifAnimator)
  explicit TGifAnimator(TComponent* owner);
  ~TGifAnimator() override;

  // The picture (owned by the control); setting it copies the given picture into it.
  TGIFImage* Image() const { return image_.get(); }
  void SetImage(TGIFImage* value);
  // Frames advance while True.
  bool Animate() const { return animate_.load(); }
  void SetAnimate(bool value);
  // Ticks run and paint on the timer thread.
  bool AsyncDrawing() const { return async_drawing_.load(); }
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
  bool Loop() const { return loop_.load(); }
  void SetLoop(bool value) { loop_.store(value); }
  // The frame shown; values outside the frame list are ignored.
  int FrameIndex() const { return frame_index_.load(); }
  void SetFrameIndex(int value);

  TAnimatorEvent OnChange{StateLock()};        // the picture changed
  TAnimatorEvent OnFrameChanged{StateLock()};  // the frame shown changed
  TAnimatorEvent OnStart{StateLock()};         // Animate became True
  TAnimatorEvent OnStop{StateLock()};          // Animate became False

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
  // when the picture has no frames. Called with the state lock held.
  TBitmap* ComposeFrame(int index, TColor& key);
  TThreadTimer& Timer() { return *timer_; }

 private:
  void HandleImageChange();
  // The current frame's display time limited to 50...10000 ms; 0 when there is nothing to
  // animate (fewer than 2 frames, or no valid frame index). Called with the state lock held.
  uint32_t FrameDelay() const;
  void StopAtEnd();

  TThreadTimer* timer_ = nullptr;  // a component owned by the control
  std::unique_ptr<TGIFImage> image_;
  // Guarded by the state lock.
  std::unique_ptr<TBitmap> cache_;
  pictures::BudgetShare cache_share_;  // the composition's memory, in the picture's budget
  int cache_index_ = -1;
  TColor cache_key_ = clNone;
  bool auto_size_ = true;
  bool center_ = false;
  bool stretch_ = false;
  bool transparent_ = true;
  bool setting_image_ = false;  // SetImage is assigning the picture
  // Readable from any thread.
  std::atomic<bool> animate_{false};
  std::atomic<bool> async_drawing_{false};
  std::atomic<bool> loop_{true};
  std::atomic<int> frame_index_{0};
};

}  // namespace vornada
