// TFlPanel: a container control that draws itself - a filled background, a border of
// selectable colour and width drawn as a rounded rectangle, and an optional caption on one
// line. The main window's screens are flat panels carrying the other controls.
//
// The panel swallows its caption's accelerator key (nothing happens and the key goes no
// further), repaints whole after every size change, and raises OnMouseEnter / OnMouseLeave when
// the pointer enters or leaves it.
#pragma once

#include "Controls.h"

namespace vornada {

enum class TCaptionAlignment { caLeft, caRight, caCenter };

class TFlPanel : public TCustomControl {
 public:
  VORNADA_CLASS_NAME(TFlPanel)
  explicit TFlPanel(TComponent* owner);

  static constexpr TColor kDefaultBorderColor = 12114135;  // RGB(215, 216, 184)
  static constexpr TColor kDefaultFontColor = 13652736;    // RGB(0, 83, 208)

  TColor BorderColor() const { return border_color_; }
  // Stores and repaints, also when the colour is the same.
  void SetBorderColor(TColor value);
  int BorderWidth() const { return border_width_; }
  // Clamped to 1 .. 10.
  void SetBorderWidth(int value);
  TCaptionAlignment CaptionAlignment() const { return caption_alignment_; }
  void SetCaptionAlignment(TCaptionAlignment value);
  int CaptionOffset() const { return caption_offset_; }
  // Clamped to 1 .. 30.
  void SetCaptionOffset(int value);
  int CornersOffset() const { return corners_offset_; }
  // Clamped to 1 .. 30.
  void SetCornersOffset(int value);

  void WndProc(TMessage& message) override;

 protected:
  void Paint() override;

 private:
  TColor border_color_ = kDefaultBorderColor;
  int border_width_ = 1;
  TCaptionAlignment caption_alignment_ = TCaptionAlignment::caCenter;
  int caption_offset_ = 10;
  int corners_offset_ = 10;
};

}  // namespace vornada
