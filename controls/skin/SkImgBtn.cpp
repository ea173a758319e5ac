// The image button (see SkImgBtn.h).
#include "SkImgBtn.h"

#include <algorithm>

namespace vornada {

namespace {

constexpr TColor kDisabledFontColor = 8421504;  // gray, 0x808080

// Space without Shift, Ctrl or Alt, and Enter with any of them, press the button.
bool IsClickKey(WORD key, TShiftState shift) {
  if (key == VK_RETURN) return true;
  return key == VK_SPACE && (shift & (ssShift | ssCtrl | ssAlt)) == 0;
}

}  // namespace

TSkImgBtn::TSkImgBtn(TComponent* owner) : TSkImgFadeBase(owner) {
  control_style_ |= csClickEvents;
  const auto repaint = [this](TObject*) {
    if (!IsLoading()) RequestRepaint();
  };
  cell_normal_.OnChange = repaint;
  icon_.OnChange = repaint;
  icon_bmp_.OnChange = repaint;
  skin_.OnChange = repaint;
  animating_ = false;
  SetFadeActive(false);
  PrepareCell(icon_bmp_);
  SetBounds(Left(), Top(), 75, 25);
}

TSkImgBtn::~TSkImgBtn() {
  Destroying();
  for (TBitmap* b : {&cell_normal_, &icon_bmp_, &skin_}) b->OnChange = nullptr;
  icon_.OnChange = nullptr;
}

void TSkImgBtn::Loaded() {
  TSkImgFadeBase::Loaded();
  mouse_state_ = fade_upon_load_ ? emsLeft : emsIdle;
  StoreSkin(&skin_);
  if (skin_.Empty()) {
    cell_width_ = Width();
    cell_height_ = Height();
  } else {
    cell_width_ = (skin_.Width() - 1) / 4;
    cell_height_ = skin_.Height();
  }
  MarkDirty();
}

// ---- properties ------------------------------------------------------------------------------

void TSkImgBtn::SetFocusRect(bool value) {
  if (focus_rect_ == value) return;
  focus_rect_ = value;
  RequestRepaint();
}

void TSkImgBtn::SetLockSize(bool value) {
  if (lock_size_ == value) return;
  lock_size_ = value;
  if (value) SetSizeIfValid(cell_width_, cell_height_);
  MarkDirty();
  RequestRepaint();
}

void TSkImgBtn::SetWordWrap(bool value) {
  if (word_wrap_ == value) return;
  word_wrap_ = value;
  MarkDirty();
  RequestRepaint();
}

void TSkImgBtn::SetText(const std::wstring& text) {
  if (text == Text()) return;
  TSkImgFadeBase::SetText(text);  // stores it and sends the text-changed notification
  Canvas().Font().Assign(&Font());
  Canvas().Brush().SetStyle(TBrushStyle::bsClear);
  MarkDirty();
  RequestRepaint();
}

void TSkImgBtn::SetFadeEnable(bool value) {
  if (fade_enable_ == value) return;
  fade_enable_ = value;
  MarkDirty();
  RequestRepaint();
}

TIcon* TSkImgBtn::ImageIconIco() {
  icon_.SetTransparent(true);
  return &icon_;
}

void TSkImgBtn::SetImageIconIco(TIcon* value) {
  icon_.Assign(value);
  if (!icon_.Empty()) {
    icon_.SetTransparent(true);
    PlaceIcon();
  }
  MarkDirty();
  RequestRepaint();
}

TBitmap* TSkImgBtn::ImageIconBmp() {
  icon_bmp_.SetTransparent(true);
  return &icon_bmp_;
}

void TSkImgBtn::SetImageIconBmp(TBitmap* value) {
  icon_bmp_.Assign(value);
  if (!icon_bmp_.Empty()) {
    icon_bmp_.SetSize(value->Width(), value->Height());
    // Drawn with the colour of its bottom-left pixel left out.
    icon_bmp_.SetTransparentMode(TTransparentMode::tmAuto);
    icon_bmp_.SetTransparent(true);
    PlaceIcon();
  }
  MarkDirty();
  RequestRepaint();
}

void TSkImgBtn::MarkDirty() { dirty_ = true; }

// ---- skin and cells --------------------------------------------------------------------------

void TSkImgBtn::StoreSkin(TBitmap* value) {
  skin_.Assign(value);
  if (skin_.Empty()) {
    RequestRepaint();
    return;
  }
  SplitSkin4(skin_, cells_, transparent_color_);
  cell_width_ = (skin_.Width() - 1) / 4;
  cell_height_ = skin_.Height();
  if (lock_size_) SetSizeIfValid(cell_width_, cell_height_);
  for (TBitmap* cell : cells_) PrepareCell(*cell);
  if (cell_width_ == Width() && cell_height_ == Height()) {
    if (HandleAllocated()) ApplyControlRegion(cell_normal_, transparent_color_, Handle());
  } else {
    RebuildCells();
  }
  if (!IsLoading()) RequestRepaint();
  MarkDirty();
  RequestRepaint();
}

void TSkImgBtn::PrepareCell(TBitmap& bitmap) {
  bitmap.SetTransparent(false);
  transparent_window_ = false;  // the button's window is never transparent
  EnsureDib24(bitmap);
  if (lock_size_ && bitmap.Width() >= 1 && bitmap.Height() >= 1)
    SetBounds(Left(), Top(), bitmap.Width(), bitmap.Height());
}

// Cells smaller than the smallest button size would otherwise make the button snap to the cell
// size and back to the smallest size without end: the smallest size wins.
void TSkImgBtn::SetSizeIfValid(int width, int height) {
  if (width > 0) width = std::max(width, kMinSize);
  if (height > 0) height = std::max(height, kMinSize);
  if (width != Width() && width > 0) SetWidth(width);
  if (height != Height() && height > 0) SetHeight(height);
}

void TSkImgBtn::RebuildCells() {
  if (Width() < kMinSize) SetWidth(kMinSize);
  if (Height() < kMinSize) SetHeight(kMinSize);
  const int w = Width(), h = Height();
  for (TBitmap* b : {&frame_, &fade_from_, &fade_to_}) b->SetSize(w, h);
  if (cell_normal_.Width() == w && cell_normal_.Height() == h) return;
  const int cell = (skin_.Width() - 1) / 4;
  for (int i = 0; i < 4; ++i)
    StretchCell(skin_, *cells_[static_cast<size_t>(i)], 1 + i * cell, cell, skin_.Height(), w, h);
  frame_.Assign(&cell_normal_);
  fade_from_.Assign(&cell_normal_);
  fade_to_.Assign(&cell_hot_);
  if (HandleAllocated()) ApplyControlRegion(cell_normal_, transparent_color_, Handle());
  PlaceIcon();
  RequestRepaint();
}

void TSkImgBtn::SizeChanged() {
  if (lock_size_) SetSizeIfValid(cell_width_, cell_height_);
  RebuildCells();
  if (!IsLoading()) RequestRepaint();
}

// Without a window no WM_SIZE arrives; the framework reports the new size here instead.
void TSkImgBtn::Resize() {
  TSkImgFadeBase::Resize();
  if (!HandleAllocated()) SizeChanged();
}

void TSkImgBtn::CreateWnd() {
  TSkImgFadeBase::CreateWnd();
  ApplyControlRegion(cell_normal_, transparent_color_, Handle());
}

// ---- painting --------------------------------------------------------------------------------

void TSkImgBtn::ChoosePictures() {
  const bool enabled = Enabled();
  if (mouse_state_ == emsIdle && enabled) {
    frame_.Assign(&cell_normal_);
    fade_from_.Assign(&cell_normal_);
  } else if (!enabled) {
    frame_.Assign(&cell_disabled_);
    fade_from_.Assign(&cell_disabled_);
  } else if (mouse_state_ == emsDown) {
    frame_.Assign(&cell_down_);
  } else if (mouse_state_ == emsReleased) {
    frame_.Assign(&cell_hot_);
  } else if (mouse_state_ == emsEntered) {
    if (fade_enable_) {
      frame_.Assign(&cell_normal_);
      fade_from_.Assign(&cell_normal_);
      fade_to_.Assign(&cell_hot_);
      SetFadeReverse(false);  // normal -> hot
      SetFadeActive(true);
    } else {
      frame_.Assign(&cell_hot_);
      fade_from_.Assign(&cell_hot_);
    }
  } else if (mouse_state_ == emsLeft) {
    if (fade_enable_) {
      frame_.Assign(&cell_hot_);
      fade_from_.Assign(&cell_normal_);
      fade_to_.Assign(&cell_hot_);
      SetFadeReverse(true);  // hot -> normal
      SetFadeActive(true);
    } else {
      frame_.Assign(&cell_normal_);
    }
  }
}

void TSkImgBtn::PaintSkin() {
  if (skin_.Empty()) {
    if (IsDesigning()) {
      Canvas().Rectangle(0, 0, Width(), Height());
      PaintIcon(Canvas());
      if (!Caption().empty()) PaintCaption(Canvas());
    }
    return;
  }
  if (dirty_) {
    SetFadeActive(false);
    if (fade_enable_) fade_step_ = 1;
    ChoosePictures();
    dirty_ = false;
  }
  if (fade_enable_ && fade_active_) {
    FadeStep();
    animating_ = true;
  } else if (fade_enable_ && fade_step_ != 1) {
    // The fade has just ended: show the final picture of the current state.
    fade_step_ = 1;
    animating_ = false;
    if (Enabled()) {
      if (mouse_state_ == emsLeft) frame_.Assign(&cell_normal_);
      if (mouse_state_ == emsEntered) frame_.Assign(&cell_hot_);
    }
  }
  PaintIcon(frame_.Canvas());
  if (!Caption().empty()) PaintCaption(frame_.Canvas());
  Canvas().Draw(0, 0, &frame_);
  if (focus_rect_ && focused_) DrawSkinFocusRect(ClientRect(), Canvas());
}

TGraphic* TSkImgBtn::IconPicture() {
  if (!icon_.Empty()) return &icon_;
  if (!icon_bmp_.Empty()) return &icon_bmp_;
  return nullptr;
}

void TSkImgBtn::PlaceIcon() {
  TGraphic* picture = IconPicture();
  if (picture == nullptr) return;
  icon_x_ = ClientWidth() / 2 - picture->Width() / 2;
  icon_y_ = ClientHeight() / 2 - picture->Height() / 2;
}

void TSkImgBtn::PaintIcon(TCanvas& canvas) {
  TGraphic* picture = IconPicture();
  if (picture == nullptr) return;
  PlaceIcon();
  int x = icon_x_, y = icon_y_;
  if (mouse_state_ == emsDown) {
    x += icon_down_x_;
    y += icon_down_y_;
  } else if (mouse_state_ == emsEntered) {
    x += icon_over_x_;
    y += icon_over_y_;
  }
  canvas.Draw(x, y, picture);
}

void TSkImgBtn::PaintCaption(TCanvas& canvas) {
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  canvas.Font().Assign(&Font());
  std::wstring text = Caption();
  const SIZE extent = canvas.TextExtent(text == L"&" ? L"& " : text);  // selects the font
  const int x = ClientWidth() / 2 - extent.cx / 2;
  const int y = ClientHeight() / 2 - extent.cy / 2;
  HDC dc = canvas.Handle();
  ::SetBkMode(dc, TRANSPARENT);
  if (word_wrap_ && extent.cx > ClientWidth()) {
    // One line cut with an ellipsis at the right margin.
    RECT r{x, y, Width() - margin_width_, Height() - margin_height_};
    ::DrawTextExW(dc, text.data(), static_cast<int>(text.size()), &r, DT_END_ELLIPSIS, nullptr);
  } else {
    ::ExtTextOutW(dc, x, y, ETO_CLIPPED, nullptr, text.c_str(), static_cast<UINT>(text.size()),
                  nullptr);
  }
}

// ---- input -----------------------------------------------------------------------------------

void TSkImgBtn::TakeFocus() {
  if (!IsDesigning() && !Focused() && CanFocus()) SetFocus();
}

void TSkImgBtn::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TSkImgFadeBase::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft || mouse_state_ == emsDown) return;
  MarkDirty();
  mouse_state_ = emsDown;
  TakeFocus();
  RequestRepaint();
}

void TSkImgBtn::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TSkImgFadeBase::MouseUp(button, shift, x, y);  // OnMouseUp, then OnClick
  if (button != TMouseButton::mbLeft || mouse_state_ != emsDown) return;
  MarkDirty();
  mouse_state_ = emsReleased;
  RequestRepaint();
}

void TSkImgBtn::KeyDown(WORD& key, TShiftState shift) {
  if (IsClickKey(key, shift)) {
    SetFadeActive(false);
    TakeFocus();
    MarkDirty();
    mouse_state_ = emsDown;
    RequestRepaint();
  }
  TSkImgFadeBase::KeyDown(key, shift);
}

void TSkImgBtn::KeyUp(WORD& key, TShiftState shift) {
  if (IsClickKey(key, shift)) {
    SetFadeActive(false);
    MarkDirty();
    mouse_state_ = mouse_inside_ ? emsReleased : emsLeft;
    RequestRepaint();
    if (OnClick) {
      const TNotifyEvent handler = OnClick;
      handler(nullptr);
    }
  }
  TSkImgFadeBase::KeyUp(key, shift);
}

// ---- messages --------------------------------------------------------------------------------

void TSkImgBtn::WndProc(TMessage& m) {
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
    case CM_FONTCHANGED:
    case CM_ENABLEDCHANGED:
      HandleStateMessage(m);
      return;
    case WM_SIZE:
      TSkImgFadeBase::WndProc(m);
      SizeChanged();
      return;
    default:
      TSkImgFadeBase::WndProc(m);
  }
}

void TSkImgBtn::HandlePointer(TMessage& m) {
  const bool entered = m.Msg == CM_MOUSEENTER;
  TSkImgFadeBase::WndProc(m);  // OnMouseEnter / OnMouseLeave
  MarkDirty();
  mouse_inside_ = entered;
  mouse_state_ = entered ? emsEntered : emsLeft;
  RequestRepaint();
}

void TSkImgBtn::HandleStateMessage(TMessage& m) {
  if (m.Msg == CM_FONTCHANGED) {
    TSkImgFadeBase::WndProc(m);
    MarkDirty();
    RequestRepaint();
    return;
  }
  TSkImgFadeBase::WndProc(m);
  if (Enabled()) {
    Font().SetColor(saved_font_color_);
  } else {
    saved_font_color_ = Font().Color();
    Font().SetColor(kDisabledFontColor);
    mouse_state_ = emsIdle;
  }
  MarkDirty();
  RequestRepaint();
}

// The handler may free this button.
void TSkImgBtn::DoFormActivate() {
  const auto alive = Alive();
  TSkImgFadeBase::DoFormActivate();
  if (*alive && activate_auto_) SetEnabled(true);
}

void TSkImgBtn::DoFormDeactivate() {
  const auto alive = Alive();
  TSkImgFadeBase::DoFormDeactivate();
  if (*alive && activate_auto_) SetEnabled(false);
}

}  // namespace vornada
