// The framework label (see Labels.h).
#include "Labels.h"

#include "AccelChars.h"
#include "ScopeExit.h"

namespace vornada {

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
  control_style_ |= csOpaque | csReplicatable;
  SetBounds(0, 0, 65, 17);
}

TCustomLabel::~TCustomLabel() {
  Destroying();
  if (focus_control_ != nullptr) RemoveFreeNotification(focus_control_);
}

void TCustomLabel::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
  if (layout_ == value) return;
  layout_ = value;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool value) {
  if (auto_size_ == value) return;
  auto_size_ = value;
  AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool value) {
  if (word_wrap_ == value) return;
  word_wrap_ = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
  if (show_accel_char_ == value) return;
  show_accel_char_ = value;
  Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
  if (Transparent() == value) return;
  if (value) control_style_ &= ~csOpaque;
  else control_style_ |= csOpaque;
  // Invalidated as a transparent control, so that the parent paints again behind it.
  InvalidateControl(Visible(), false);
}

void TCustomLabel::SetFocusControl(TWinControl* value) {
  if (focus_control_ == value) return;
  if (focus_control_ != nullptr) RemoveFreeNotification(focus_control_);
  focus_control_ = value;
  if (value != nullptr) FreeNotification(value);
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == focus_control_) focus_control_ = nullptr;
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TCustomLabel::DoDrawText(RECT& r, UINT flags) {
  std::wstring text = GetLabelText();
  if ((flags & DT_CALCRECT) != 0 && (text.empty() || (show_accel_char_ && text == L"&")))
    text += L' ';
  if (!show_accel_char_) flags |= DT_NOPREFIX;
  flags = DrawTextBiDiModeFlags(flags);
  TCanvas& canvas = TextCanvas();
  canvas.Font().Assign(&Font());
  if (!Enabled() && (flags & DT_CALCRECT) == 0) {
    ::OffsetRect(&r, 1, 1);
    canvas.Font().SetColor(clBtnHighlight);
    canvas.DrawText(text, r, flags);
    ::OffsetRect(&r, -1, -1);
    canvas.Font().SetColor(clBtnShadow);
  }
  canvas.DrawText(text, r, flags);
}

void TCustomLabel::MeasureOnScreen(RECT& r, UINT flags) {
  win::ScopedGetDC screen(nullptr);
  TCanvas canvas;
  canvas.SetHandle(screen);
  measure_canvas_ = &canvas;
  ScopeExit done([&] {
    measure_canvas_ = nullptr;
    canvas.SetHandle(nullptr);
  });
  DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds() {
  if (IsReading() || !auto_size_) return;
  RECT r = ClientRect();
  MeasureOnScreen(r, DT_EXPANDTABS | DT_CALCRECT | (word_wrap_ ? DT_WORDBREAK : 0u));
  int x = Left();
  if (DrawnAlignment(alignment_) == TAlignment::taRightJustify) x += Width() - r.right;
  SetBounds(x, Top(), r.right, r.bottom);
}

void TCustomLabel::Paint() {
  TCanvas& canvas = Canvas();
  const RECT client = ClientRect();
  if (!Transparent()) {
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.FillRect(client);
  }
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  RECT r = client;
  static constexpr UINT kAlignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  const UINT style = DT_EXPANDTABS | (word_wrap_ ? DT_WORDBREAK : 0u) |
                     kAlignments[static_cast<int>(alignment_)];
  if (layout_ != TTextLayout::tlTop) {
    RECT calc = r;
    DoDrawText(calc, style | DT_CALCRECT);
    const int free_height = Height() - calc.bottom;
    ::OffsetRect(&r, 0, layout_ == TTextLayout::tlBottom ? free_height : free_height / 2);
  }
  DoDrawText(r, style);
}

void TCustomLabel::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TCustomLabel::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}

void TCustomLabel::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED:
      Invalidate();
      AdjustBounds();
      return;
    case CM_FONTCHANGED:
      TGraphicControl::WndProc(m);
      AdjustBounds();
      return;
    case CM_DIALOGCHAR:
      if (focus_control_ != nullptr && Enabled() && show_accel_char_ &&
          IsAccel(m.WParam, Caption()) && focus_control_->CanFocus()) {
        focus_control_->SetFocus();
        m.Result = 1;
      }
      return;
    case CM_MOUSEENTER:
      TGraphicControl::WndProc(m);
      if (m.LParam == 0) MouseEnter();
      return;
    case CM_MOUSELEAVE:
      TGraphicControl::WndProc(m);
      if (m.LParam == 0) MouseLeave();
      return;
    default:
      TGraphicControl::WndProc(m);
  }
}

}  // namespace vornada
