// The separator: a thin windowless line between areas of a panel, drawn as a flat bar of its
// colour or as a two-colour gradient along its length, the highlight colour at its centre or
// at one end (start colour at the left or top end).
//
// The gradient's direction and colours are worked out whenever an input changes
// (UpdateGradient): along a horizontal separator the colour changes from left to right, along a
// vertical one from top to bottom. Setting Orientation from code swaps the width and height
// (a 200 x 2 separator becomes 2 x 200); read from a design description it does not. On a
// display of 256 colours or fewer the gradient is replaced by its stop colour (so is the
// gradient of a separator larger than any display).
#pragma once

#include "Controls.h"
#include "FxCommon.h"
#include "FxGrafx.h"

namespace vornada {

enum class TFxHighlightLocation { hlCenter, hlUpperLeft, hlLowerRight };

class TFxSeparator : public TGraphicControl {
 public:
  VORNADA_CLASS_NAME(TFxSeparator)
  explicit TFxSeparator(TComponent* owner);

  TColor HighlightColor() const { return highlight_color_; }
  virtual void SetHighlightColor(TColor value);
  TFxHighlightLocation HighlightLocation() const { return highlight_location_; }
  virtual void SetHighlightLocation(TFxHighlightLocation value);
  bool ShowGradient() const { return show_gradient_; }
  virtual void SetShowGradient(bool value);
  TOrientation Orientation() const { return orientation_; }
  virtual void SetOrientation(TOrientation value);

  // The derived gradient settings.
  TGradientDirection GradientDirection() const { return gradient_direction_; }
  TColor StartColor() const { return start_color_; }
  TColor StopColor() const { return stop_color_; }

  void Loaded() override;
  void WndProc(TMessage& message) override;

 protected:
  void Paint() override;
  void Resize() override;
  void UpdateGradient();

 private:
  TColor highlight_color_ = clHighlight;
  TFxHighlightLocation highlight_location_ = TFxHighlightLocation::hlCenter;
  bool show_gradient_ = false;
  TOrientation orientation_ = TOrientation::orHorizontal;
  TGradientDirection gradient_direction_ = TGradientDirection::gdVerticalCenter;
  TColor start_color_ = clWindow;
  TColor stop_color_ = clHighlight;
};

}  // namespace vornada
