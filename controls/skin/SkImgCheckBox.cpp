// The image check box (see SkImgCheckBox.h).
#include "SkImgCheckBox.h"

#include <algorithm>

namespace vornada {

namespace {

constexpr TColor kDisabledFontColor = 8421504;  // gray, 0x808080

// Cells of the skin strip.
enum : size_t {
  kUnchecked,
  kUncheckedHot,
  kUncheckedDown,
  kUncheckedDisabled,
  kChecked,
  kCheckedHot,
  kCheckedDown,
  kCheckedDisabled,
};

bool IsSpaceClick(WORD key, TShiftState shift) {
  return key == VK_SPACE && (shift & (ssShift | ssCtrl | ssAlt)) == 0;
}

}  // namespace

TSkImgCheckBox::TSkImgCheckBox(TComponent* owner) : TSkImgFadeBase(owner) {
  control_style_ |= csClickEvents;
  animating_ = false;
  SetFadeActive(false);
  transparent_window_ = true;
  skin_.OnChange = [this](TObject*) { RequestRepaint(); };
  SetBounds(Left(), Top(), 90, 17);
}

TSkImgCheckBox::~TSkImgCheckBox() {
  Destroying();
  skin_.OnChange = nullptr;
}

void TSkImgCheckBox::Loaded() {
  TSkImgFadeBase::Loaded();
  mouse_state_ = fade_upon_load_ ? emsLeft : emsIdle;
  StoreSkin(&skin_);
  dirty_ = true;
}

// ---- properties ------------------------------------------------------------------------------

void TSkImgCheckBox::SetTextSpacing(int value) {
  if (text_spacing_ == value) return;
  text_spacing_ = value;
  RequestRepaint();
}

void TSkImgCheckBox::SetTextOverColor(TColor value) {
  if (text_over_color_ == value) return;
  text_over_color_ = value;
  RequestRepaint();
}

void TSkImgCheckBox::SetImgY(int value) {
  if (img_y_ == value) return;
  img_y_ = value;
  RequestRepaint();
}

void TSkImgCheckBox::ApplyChecked(bool value) {
  checked_ = value;
  look_ = NormalLook();  // also drops a hot look while the pointer is over the box
  dirty_ = true;
  RequestRepaint();
}

void TSkImgCheckBox::ApplyCaption(const std::wstring& value) {
  if (value == caption_) return;
  caption_ = value;
  Canvas().Font().Assign(&Font());
  Canvas().Brush().SetStyle(TBrushStyle::bsClear);
  caption_pending_ = false;
  if (value.empty()) SetWidth(cell_width_ != 0 ? cell_width_ : Height() - 1);
  Perform(CM_TEXTCHANGED);
  dirty_ = true;
  RequestRepaint();
}

// ---- skin, cells, region ---------------------------------------------------------------------

void TSkImgCheckBox::StoreSkin(TBitmap* value) {
  skin_.Assign(value);
  if (skin_.Empty()) {
    RequestRepaint();
    return;
  }
  std::array<TBitmap*, 8> cells;
  for (size_t i = 0; i < cells.size(); ++i) cells[i] = &cells_[i];
  SplitSkin8(skin_, cells, transparent_color_);
  cell_width_ = cells_[kUnchecked].Width();
  image_height_ = cells_[kUnchecked].Height() + 1;
  SetHeight(cells_[kUnchecked].Height());
  for (TBitmap& cell : cells_) PrepareCell(cell);
  UpdateRegion();
  RequestRepaint();
  dirty_ = true;
  RequestRepaint();
}

void TSkImgCheckBox::PrepareCell(TBitmap& bitmap) {
  bitmap.SetTransparent(false);
  if (bitmap.Width() >= 1)
    SetWidth(bitmap.Width() + (caption_.empty() ? 0 : text_spacing_ + text_width_));
  EnsureDib24(bitmap);
}

// The window takes the shape of the unchecked cell with the caption area beside it (drawn
// black, so part of the window unless black is the transparent colour).
void TSkImgCheckBox::UpdateRegion() {
  if (skin_.Empty()) return;
  TBitmap scratch;
  EnsureDib24(scratch);
  PaintCaption(0, scratch.Canvas());  // sizes the box for its caption
  scratch.SetSize(Width(), Height());
  if (scratch.Empty()) return;
  TCanvas& canvas = scratch.Canvas();
  canvas.Pen().SetColor(clBlack);
  canvas.Pen().SetStyle(TPenStyle::psSolid);
  canvas.Brush().SetColor(clBlack);
  canvas.Brush().SetStyle(TBrushStyle::bsSolid);
  canvas.FillRect(RECT{0, 0, Width(), Height()});
  canvas.Draw(0, 0, &cells_[kUnchecked]);
  if (HandleAllocated()) ApplyControlRegion(scratch, transparent_color_, Handle());
}

void TSkImgCheckBox::CreateWnd() {
  TSkImgFadeBase::CreateWnd();
  UpdateRegion();
}

// ---- painting --------------------------------------------------------------------------------

void TSkImgCheckBox::PaintCaption(int x0, TCanvas& canvas) {
  if (caption_.empty()) {
    SetWidth(cell_width_ == 0 ? 13 : cell_width_ + text_spacing_);
    return;
  }
  canvas.Font().Assign(&Font());
  // The caption is drawn in the font's colour unless the pointer is over or pressing the box.
  const bool plain = mouse_state_ == emsLeft || mouse_state_ == emsIdle;
  canvas.Font().SetColor(plain ? Font().Color() : text_over_color_);
  const SIZE extent = canvas.TextExtent(caption_);  // selects the font and its colour
  text_width_ = extent.cx;
  const int th = extent.cy;
  RECT r;
  r.left = cell_width_ != 0 ? x0 + cell_width_ + text_spacing_ : x0 + 2;
  r.top = !cells_[kUnchecked].Empty() ? cells_[kUnchecked].Height() / 2 - th / 2
                                      : Height() / 2 - th / 2;
  r.right = r.left + text_width_;
  r.bottom = r.top + th;
  SetWidth(cell_width_ != 0 ? r.right : text_width_ + x0 + 3);
  SetHeight(image_height_ == 0 ? th : std::max(th, image_height_));
  HDC dc = canvas.Handle();
  ::SetBkMode(dc, TRANSPARENT);
  ::DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &r, 0);
}

TBitmap& TSkImgCheckBox::CellOfLook(TSkCheckLook look) {
  switch (look) {
    case eclCheckedHot: return cells_[kCheckedHot];
    case eclChecked: return cells_[kChecked];
    case eclCheckedDown: return cells_[kCheckedDown];
    case eclUncheckedHot: return cells_[kUncheckedHot];
    case eclUnchecked: return cells_[kUnchecked];
    case eclUncheckedDown: return cells_[kUncheckedDown];
  }
  return cells_[kUnchecked];
}

void TSkImgCheckBox::FadeForward() {
  SetFadeReverse(false);
  SetFadeActive(true);
}

void TSkImgCheckBox::ChooseByLook() {
  const bool pressing = mouse_state_ == emsReleased || mouse_state_ == emsDown;
  switch (look_) {
    case eclUncheckedDown:
    case eclCheckedDown:
      frame_.Assign(&CellOfLook(look_));
      return;
    case eclUnchecked:
    case eclChecked: {
      TBitmap& hot = cells_[look_ == eclChecked ? kCheckedHot : kUncheckedHot];
      TBitmap& normal = CellOfLook(look_);
      if (fade_enable_) {  // hot -> normal
        frame_.Assign(&hot);
        fade_from_.Assign(&hot);
        fade_to_.Assign(&normal);
        FadeForward();
      } else {
        frame_.Assign(&normal);
        fade_from_.Assign(&normal);
      }
      return;
    }
    case eclUncheckedHot:
    case eclCheckedHot: {
      TBitmap& hot = CellOfLook(look_);
      TBitmap& normal = cells_[look_ == eclCheckedHot ? kChecked : kUnchecked];
      if (fade_enable_ && !pressing) {  // normal -> hot
        frame_.Assign(&normal);
        fade_from_.Assign(&normal);
        fade_to_.Assign(&hot);
        FadeForward();
      } else {
        frame_.Assign(&hot);
        fade_from_.Assign(&hot);
      }
      return;
    }
  }
}

void TSkImgCheckBox::PaintSkin() {
  if (!Text().empty() && caption_pending_) ApplyCaption(Text());
  if (IsDesigning() && skin_.Empty()) {
    Canvas().Pen().SetStyle(TPenStyle::psSolid);
    Canvas().Brush().SetStyle(TBrushStyle::bsClear);
    if (!caption_.empty()) {
      Canvas().Rectangle(0, 0, Height() - 1, Height());
      PaintCaption(Height() - 2 + text_spacing_, Canvas());
    } else {
      Canvas().Rectangle(0, 0, Width(), Height());
    }
    return;
  }
  if (dirty_ && !skin_.Empty()) {
    SetFadeActive(false);
    if (fade_enable_) fade_step_ = 1;
    if (mouse_state_ == emsIdle && Enabled()) {
      look_ = NormalLook();
      frame_.Assign(&cells_[checked_ ? kChecked : kUnchecked]);
    } else if (!Enabled()) {
      frame_.Assign(&cells_[checked_ ? kCheckedDisabled : kUncheckedDisabled]);
    } else if (show_look_at_once_) {
      frame_.Assign(&CellOfLook(look_));
      fade_from_.Assign(&CellOfLook(look_));
    } else {
      ChooseByLook();
    }
    show_look_at_once_ = false;
    dirty_ = false;
  }
  if (fade_enable_ && fade_active_) {
    FadeStep();
    animating_ = true;
  } else if (fade_enable_ && fade_step_ != 1) {
    // The fade has just ended: show the final picture of the look.
    if (Enabled() && !IsPressedLook(look_)) frame_.Assign(&CellOfLook(look_));
    fade_step_ = 1;
    animating_ = false;
  }
  int y = 0;
  if (!caption_.empty()) {
    PaintCaption(0, Canvas());
    const int th = Canvas().TextHeight(caption_);
    y = th > image_height_ ? th / 2 - image_height_ / 2 + img_y_ : img_y_;
  }
  Canvas().Draw(0, y, &frame_);
}

// ---- input -----------------------------------------------------------------------------------

void TSkImgCheckBox::TakeFocus() {
  if (!IsDesigning() && !Focused() && CanFocus()) SetFocus();
}

// Only a left press on a box that does not look pressed counts; any other press is ignored,
// OnMouseDown included.
void TSkImgCheckBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button != TMouseButton::mbLeft || IsPressedLook(look_)) return;
  mouse_state_ = emsDown;
  look_ = PressedLook();
  dirty_ = true;
  TakeFocus();
  RequestRepaint();
  TSkImgFadeBase::MouseDown(button, shift, x, y);
}

// A press dragged out of the box lost its pressed look when the pointer left, so its release
// changes nothing.
void TSkImgCheckBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  // OnMouseUp only: the base's release click belongs to the base's own OnClick, unused here.
  TCustomControl::MouseUp(button, shift, x, y);
  if (button != TMouseButton::mbLeft || !IsPressedLook(look_)) return;
  checked_ = !checked_;
  mouse_state_ = emsReleased;
  look_ = HotLook();
  dirty_ = true;
  RequestRepaint();
  if (OnClick && x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight()) OnClick(nullptr);
}

void TSkImgCheckBox::KeyDown(WORD& key, TShiftState shift) {
  if (IsSpaceClick(key, shift)) {
    if (!mouse_inside_) mouse_state_ = emsLeft;
    look_ = PressedLook();
    dirty_ = true;
    TakeFocus();
    RequestRepaint();
  }
  TSkImgFadeBase::KeyDown(key, shift);
}

void TSkImgCheckBox::KeyUp(WORD& key, TShiftState shift) {
  if (IsSpaceClick(key, shift)) {
    checked_ = !checked_;
    look_ = mouse_inside_ ? HotLook() : NormalLook();
    show_look_at_once_ = true;
    dirty_ = true;
    RequestRepaint();
    if (OnClick) OnClick(this);
  }
  TSkImgFadeBase::KeyUp(key, shift);
}

// ---- messages --------------------------------------------------------------------------------

void TSkImgCheckBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      HandlePointer(m);
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      RequestRepaint();
      TSkImgFadeBase::WndProc(m);
      return;
    case WM_SIZE:
      TSkImgFadeBase::WndProc(m);
      RequestRepaint();
      return;
    case CM_FONTCHANGED:
    case CM_ENABLEDCHANGED:
      HandleStateMessage(m);
      return;
    default:
      TSkImgFadeBase::WndProc(m);
  }
}

void TSkImgCheckBox::HandlePointer(TMessage& m) {
  const bool entered = m.Msg == CM_MOUSEENTER;
  TSkImgFadeBase::WndProc(m);  // OnMouseEnter / OnMouseLeave
  look_ = entered ? HotLook() : NormalLook();
  dirty_ = true;
  mouse_inside_ = entered;
  mouse_state_ = entered ? emsEntered : emsLeft;
  RequestRepaint();
}

void TSkImgCheckBox::HandleStateMessage(TMessage& m) {
  TSkImgFadeBase::WndProc(m);
  if (m.Msg == CM_ENABLEDCHANGED) {
    if (Enabled()) {
      Font().SetColor(saved_font_color_);
    } else {
      saved_font_color_ = Font().Color();
      Font().SetColor(kDisabledFontColor);
      mouse_state_ = emsIdle;
    }
  }
  dirty_ = true;
  RequestRepaint();
}

}  // namespace vornada
