// TImageControl: the base of windowless controls that show a picture. It paints double-buffered
// (a screen-compatible bitmap receives the control's painting, which reaches the target in one
// copy), keeps a lock for the state a subclass shares with a foreign thread, paints from a
// foreign thread straight into the parent window, and paints the parent's background under a
// transparent picture.
//
// Ownership: the control only refers to its picture (the subclass owns it); the buffer bitmap
// and device contexts of a paint live for that paint.
// Locks: the state lock is taken before the control's canvas lock, never after it.
#pragma once

#include <windows.h>

#include <atomic>

#include "Controls.h"
#include "Graphics.h"

namespace vornada {

class TImageControl : public TGraphicControl {
 public:
  VORNADA_CLASS_NAME(TImageControl)
  explicit TImageControl(TComponent* owner);
  ~TImageControl() override;

  void WndProc(TMessage& message) override;

  // Paints the control now: on the user-interface thread by repainting it, on any other thread
  // straight into the parent window's device context.
  void PaintNow();
  // Paints into `canvas` what lies under the control: the parent's background and window, then
  // the visible windowless siblings before this control that overlap it.
  void PaintParentBackground(TCanvas& canvas);

 protected:
  // Holds the control's state lock for its lifetime.
  class ScopedStateLock {
   public:
    explicit ScopedStateLock(TImageControl& control) : control_(control) {
      ::EnterCriticalSection(&control_.state_lock_);
    }
    ~ScopedStateLock() { ::LeaveCriticalSection(&control_.state_lock_); }
    ScopedStateLock(const ScopedStateLock&) = delete;
    ScopedStateLock& operator=(const ScopedStateLock&) = delete;

   private:
    TImageControl& control_;
  };

  void Paint() override;
  // Draws the picture onto the control's canvas.
  virtual void PaintImage() = 0;
  // The palette the control shows its picture with; none by default.
  virtual HPALETTE GetPalette() { return nullptr; }
  // After a change of the picture or of how it is shown: adjusts the size, lets the form
  // realise a changed palette, and repaints (at once while painting, later otherwise).
  void RefreshPicture();

  TGraphic* Picture() const { return picture_; }
  void SetPicture(TGraphic* picture) { picture_ = picture; }
  bool Painting() const { return painting_.load(); }

 private:
  CRITICAL_SECTION state_lock_;
  std::atomic<bool> painting_{false};
  bool buffered_paint_ = false;  // only touched with the canvas locked
  TGraphic* picture_ = nullptr;
};

}  // namespace vornada
