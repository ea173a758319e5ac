// The separator (see FxBckgnd.h).
#include "FxBckgnd.h"

namespace vornada {

TFxSeparator::TFxSeparator(TComponent* owner) : TGraphicControl(owner) {
  SetColor(clWindow);
  SetParentColor(true);
  SetBounds(0, 0, 200, 2);
  UpdateGradient();
  SetShowGradient(true);
}

void TFxSeparator::SetHighlightColor(TColor value) {
  if (highlight_color_ == value) return;
  highlight_color_ = value;
  UpdateGradient();
  Invalidate();
}

void TFxSeparator::SetHighlightLocation(TFxHighlightLocation value) {
  if (highlight_location_ == value) return;
  highlight_location_ = value;
  UpdateGradient();
  Invalidate();
}

void TFxSeparator::SetShowGradient(bool value) {
  if (show_gradient_ == value) return;
  show_gradient_ = value;
  Invalidate();
}

void TFxSeparator::SetOrientation(TOrientation value) {
  if (orientation_ == value) return;
  orientation_ = value;
  if (IsLoading()) return;
  SetBounds(Left(), Top(), Height(), Width());
  UpdateGradient();
  Invalidate();
}

void TFxSeparator::UpdateGradient() {
  const bool horizontal = orientation_ == TOrientation::orHorizontal;
  switch (highlight_location_) {
    case TFxHighlightLocation::hlCenter:
      gradient_direction_ = horizontal ? TGradientDirection::gdVerticalCenter
                                       : TGradientDirection::gdHorizontalCenter;
      start_color_ = Color();
      stop_color_ = highlight_color_;
      break;
    case TFxHighlightLocation::hlUpperLeft:
      gradient_direction_ = horizontal ? TGradientDirection::gdVerticalEnd
                                       : TGradientDirection::gdHorizontalEnd;
      start_color_ = highlight_color_;
      stop_color_ = Color();
      break;
    case TFxHighlightLocation::hlLowerRight:
      gradient_direction_ = horizontal ? TGradientDirection::gdVerticalEnd
                                       : TGradientDirection::gdHorizontalEnd;
      start_color_ = Color();
      stop_color_ = highlight_color_;
      break;
  }
}

void TFxSeparator::Loaded() {
  TGraphicControl::Loaded();
  UpdateGradient();
}

void TFxSeparator::Resize() { TGraphicControl::Resize(); }

void TFxSeparator::WndProc(TMessage& m) {
  if (m.Msg == CM_COLORCHANGED) {
    TGraphicControl::WndProc(m);
    UpdateGradient();
    Invalidate();
    return;
  }
  TGraphicControl::WndProc(m);
}

void TFxSeparator::Paint() {
  TCanvas& canvas = Canvas();
  if (!show_gradient_) {
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(ClientRect());
    return;
  }
  // On a paletted display, and for a separator larger than any gradient is worked out for, the
  // stop colour alone.
  const bool too_large = Width() > kMaxGradientLength || Height() > kMaxGradientLength ||
                         int64_t{Width()} * Height() > kMaxGradientArea;
  if (!FullColorDisplay() || too_large) {
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(stop_color_);
    canvas.FillRect(ClientRect());
    return;
  }
  if (Width() < 1) SetWidth(1);
  if (Height() < 1) SetHeight(1);
  TBitmap picture;
  picture.SetPixelFormat(TPixelFormat::pf32bit);
  picture.SetSize(Width(), Height());
  DrawGradient(picture.Canvas(), RECT{0, 0, Width(), Height()}, gradient_direction_, start_color_,
               stop_color_, 1);
  ScopedCanvasLock lock(picture.Canvas());
  ::BitBlt(canvas.Handle(), 0, 0, Width(), Height(), picture.Canvas().Handle(), 0, 0, SRCCOPY);
}

}  // namespace vornada
