// Labels: a windowless control that shows a caption. `TCustomLabel` draws its caption with the
// platform's DrawText, aligned left, right or centred and placed at the top, middle or bottom,
// on one line or word-wrapped; it can size itself to its caption, be transparent (its parent
// shows through where no text is), underline the accelerator character of its caption ("&")
// and give the focus to its `FocusControl` when that character is pressed with Alt (or alone
// while a control that takes no characters has the focus). Colour and font follow the parent
// while ParentColor and ParentFont are set.
//
// Sizing: with AutoSize (the default) the label takes the size of its caption as DrawText
// measures it on the screen (an empty caption, and the caption "&" alone, measure as one blank);
// a right-aligned label keeps its right edge, any other its left edge. Sizing waits while the
// label is being read from a design description and happens in Loaded.
#pragma once

#include <string>

#include "Controls.h"

namespace vornada {

enum class TTextLayout { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
 public:
  VORNADA_CLASS_NAME(TCustomLabel)
  explicit TCustomLabel(TComponent* owner);
  ~TCustomLabel() override;

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  virtual TTextLayout Layout() const { return layout_; }
  virtual void SetLayout(TTextLayout value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value);
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool value);
  bool Transparent() const { return !HasStyle(csOpaque); }
  void SetTransparent(bool value);
  TWinControl* FocusControl() const { return focus_control_; }
  void SetFocusControl(TWinControl* value);

  // The text the label shows: its caption.
  virtual std::wstring GetLabelText() const { return Caption(); }

  void Loaded() override;
  void WndProc(TMessage& message) override;

 protected:
  // Draws (or with DT_CALCRECT measures) the label's text into `r` on TextCanvas(): the measuring
  // step appends a blank to an empty caption and to "&" alone; DT_NOPREFIX is added without
  // ShowAccelChar and the reading-order flags always; a disabled label draws its text etched.
  virtual void DoDrawText(RECT& r, UINT flags);
  // Sizes the label to its caption (AutoSize, not while reading).
  virtual void AdjustBounds();
  // Measures with DoDrawText on a screen device context with the label's font.
  void MeasureOnScreen(RECT& r, UINT flags);
  // The canvas DoDrawText draws on: the control's canvas, or the screen canvas while measuring.
  TCanvas& TextCanvas() { return measure_canvas_ != nullptr ? *measure_canvas_ : Canvas(); }
  bool IsReading() const { return IsLoading() || (ComponentState() & csReading) != 0; }
  void Paint() override;
  void Notification(TComponent* component, TOperation operation) override;
  // Mouse enter and leave of the label itself: fire OnMouseEnter / OnMouseLeave.
  virtual void MouseEnter();
  virtual void MouseLeave();

 private:
  TAlignment alignment_ = TAlignment::taLeftJustify;
  TTextLayout layout_ = TTextLayout::tlTop;
  bool auto_size_ = true;
  bool word_wrap_ = false;
  bool show_accel_char_ = true;
  TWinControl* focus_control_ = nullptr;
  TCanvas* measure_canvas_ = nullptr;
};

class TLabel : public TCustomLabel {
 public:
  VORNADA_CLASS_NAME(TLabel)
  using TCustomLabel::TCustomLabel;
};

}  // namespace vornada
