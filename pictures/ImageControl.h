// TImageControl: the base of windowless controls that show a picture. It paints double-buffered
// (a screen-compatible bitmap receives the control's painting, which reaches the target in one
// copy), keeps a lock for the state a subclass shares with a foreign thread, paints from a
// foreign thread straight into the parent window, and paints the parent's background under a
// transparent picture.
//
// Ownership: the control only refers to its picture (the subclass owns it); the buffer bitmap
// and device contexts of a paint live for that paint.
// Locks: the state lock (StateLock) is taken before the control's canvas lock, never after it.
// Painting (WM_PAINT, on any thread) takes both, in that order, so a paint never meets a change
// of the state made under the state lock. The painting thread and the buffered-paint flag are
// only changed with the canvas lock held; the visibility and paint-copy marks that a foreign
// thread reads are atomic copies of the framework's.
#pragma once

#include <windows.h>

#include <atomic>

#include "Controls.h"
#include "Graphics.h"
#include "Lock.h"

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
  // The lock of the state the control shares with a foreign thread (see the file comment).
  Lock& StateLock() const { return state_lock_; }
  // True while the calling thread runs this control's own paint code.
  bool Painting() const { return painting_thread_.load() == ::GetCurrentThreadId(); }
  // The control's Visible as a foreign thread may read it.
  bool ShownForPainting() const { return visible_.load(); }
  // True while another control paints this one into its background (the paint-copy state).
  bool BeingPaintCopied() const { return paint_copies_.load() > 0; }

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

 private:
  // Puts a control into the paint-copy state for its lifetime.
  class ScopedPaintCopy;

  mutable Lock state_lock_;
  // The thread inside Paint (0: none) and how deep; changed with the canvas lock held.
  std::atomic<DWORD> painting_thread_{0};
  int painting_depth_ = 0;
  bool buffered_paint_ = false;  // changed and read with the canvas lock held
  std::atomic<bool> visible_{true};
  std::atomic<int> paint_copies_{0};
  TGraphic* picture_ = nullptr;  // set by the subclass while no paint runs
};

}  // namespace vornada
