// The flat panel: painting, setters with their clamps, and its messages.
#include "FlPanel.h"

#include <algorithm>

#include "FlGeometry.h"
#include "FlPaint.h"

namespace vornada {

TFlPanel::TFlPanel(TComponent* owner) : TCustomControl(owner) {
  control_style_ = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption |
                   csDoubleClicks | csReplicatable;
  SetBounds(Left(), Top(), 185, 41);
  // The window colour until the panel has a parent, whose colour it then takes.
  SetColor(clWindow);
  SetParentColor(true);
  // A font colour of its own: the panel no longer follows its parent's font.
  Font().SetColor(kDefaultFontColor);
}

void TFlPanel::SetBorderColor(TColor value) {
  border_color_ = value;
  Invalidate();
}

void TFlPanel::SetBorderWidth(int value) {
  value = std::clamp(value, 1, 10);
  if (border_width_ == value) return;
  border_width_ = value;
  Invalidate();
}

void TFlPanel::SetCaptionAlignment(TCaptionAlignment value) {
  if (caption_alignment_ == value) return;
  caption_alignment_ = value;
  Invalidate();
}

void TFlPanel::SetCaptionOffset(int value) {
  value = std::clamp(value, 1, 30);
  if (caption_offset_ == value) return;
  caption_offset_ = value;
  Invalidate();
}

void TFlPanel::SetCornersOffset(int value) {
  value = std::clamp(value, 1, 30);
  if (corners_offset_ == value) return;
  corners_offset_ = value;
  Invalidate();
}

void TFlPanel::Paint() {
  const int w = Width(), h = Height();
  TCanvas& canvas = Canvas();
  canvas.Brush().SetStyle(TBrushStyle::bsSolid);
  canvas.Brush().SetColor(Color());
  canvas.FillRect(RECT{0, 0, w, h});

  canvas.Pen().SetStyle(TPenStyle::psSolid);
  canvas.Pen().SetColor(border_color_);
  canvas.Pen().SetWidth(border_width_);
  flat::UseFont(canvas, Font());
  const int corner = flat::PanelCornerSize(border_width_, corners_offset_);
  canvas.RoundRect(0, 0, w, h, corner, corner);

  if (Caption().empty()) return;
  UINT align = DT_CENTER;
  if (caption_alignment_ == TCaptionAlignment::caLeft) align = DT_LEFT;
  if (caption_alignment_ == TCaptionAlignment::caRight) align = DT_RIGHT;
  const flat::Rect line = flat::PanelCaptionRect(w, h, border_width_, caption_offset_,
                                                 canvas.TextHeight(L"W"));
  RECT r{line.left, line.top, line.right, line.bottom};
  canvas.DrawText(Caption(), r, align);
}

void TFlPanel::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_DIALOGCHAR:
      // The caption's accelerator is taken and does nothing: no focus moves, no event.
      if (IsAccel(m.WParam, Caption())) {
        m.Result = 1;
        return;
      }
      break;
    case CM_TEXTCHANGED:
      Invalidate();
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      // Raised for the panel itself; the notification of an entered child only passes through.
      if (m.LParam == 0 || m.LParam == reinterpret_cast<LPARAM>(this)) {
        const TNotifyEvent handler = m.Msg == CM_MOUSEENTER ? OnMouseEnter : OnMouseLeave;
        if (handler) handler(this);
      }
      break;
    case WM_SIZE:
      TCustomControl::WndProc(m);
      // The border follows the new edges: the whole panel is painted again.
      Invalidate();
      return;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

}  // namespace vornada
