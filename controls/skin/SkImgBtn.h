// The image button: a push button whose whole look comes from a four-cell skin strip (normal,
// pointer over, pressed, disabled), with an optional centred icon and caption drawn on the cell,
// fades between the normal and the pointer-over cell, a window cut to the shape of the normal
// cell, and by default the size of one cell (cells are stretched when it is sized otherwise; it
// is never smaller than 7 x 7).
//
// Clicks: OnClick (null sender) fires on a release of any mouse button inside the button and on
// the release of Space (without Shift, Ctrl or Alt) or Enter (with any modifiers).
//
// Loading: a design reader assigns the stored properties while csLoading is set, then calls
// Loaded(), which cuts the stored skin into cells and sets the start state.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "Icon.h"
#include "SkImgFadeBase.h"

namespace vornada {

class TSkImgBtn : public TSkImgFadeBase {
 public:
  VORNADA_CLASS_NAME(TSkImgBtn)
  explicit TSkImgBtn(TComponent* owner);
  ~TSkImgBtn() override;
  void Loaded() override;

  bool ActivateAuto() const { return activate_auto_; }
  void SetActivateAuto(bool value) { activate_auto_ = value; }
  bool FocusRect() const { return focus_rect_; }
  void SetFocusRect(bool value);
  bool LockSize() const { return lock_size_; }
  void SetLockSize(bool value);
  int MarginWidth() const { return margin_width_; }
  void SetMarginWidth(int value) { margin_width_ = value; }
  int MarginHeight() const { return margin_height_; }
  void SetMarginHeight(int value) { margin_height_ = value; }
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value);
  // Caption() / SetCaption() are the framework's; a new caption repaints the button.
  void SetText(const std::wstring& text) override;
  bool FadeEnable() const { return fade_enable_; }
  void SetFadeEnable(bool value);
  bool FadeUponLoad() const { return fade_upon_load_; }
  void SetFadeUponLoad(bool value) { fade_upon_load_ = value; }
  // Picture properties: the setters copy the given picture; the getters return the button's own.
  TIcon* ImageIconIco();
  void SetImageIconIco(TIcon* value);
  TBitmap* ImageIconBmp();
  void SetImageIconBmp(TBitmap* value);
  int IconDownXPos() const { return icon_down_x_; }
  void SetIconDownXPos(int value) { icon_down_x_ = value; }
  int IconDownYPos() const { return icon_down_y_; }
  void SetIconDownYPos(int value) { icon_down_y_ = value; }
  int IconOverXPos() const { return icon_over_x_; }
  void SetIconOverXPos(int value) { icon_over_x_ = value; }
  int IconOverYPos() const { return icon_over_y_; }
  void SetIconOverYPos(int value) { icon_over_y_ = value; }
  TBitmap* Skin() { return &skin_; }
  void SetSkin(TBitmap* value) { StoreSkin(value); }

  void WndProc(TMessage& message) override;

  // The smallest size the button takes.
  static constexpr int kMinSize = 7;

 protected:
  void DoFormActivate() override;
  void DoFormDeactivate() override;
  void CreateWnd() override;
  void PaintSkin() override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyUp(WORD& key, TShiftState shift) override;

 private:
  void StoreSkin(TBitmap* value);
  void RebuildCells();
  void PrepareCell(TBitmap& bitmap);
  void SetSizeIfValid(int width, int height);
  void SizeChanged();
  TGraphic* IconPicture();
  void PlaceIcon();
  void PaintIcon(TCanvas& canvas);
  void PaintCaption(TCanvas& canvas);
  void ChoosePictures();
  void HandleStateMessage(TMessage& message);
  void HandlePointer(TMessage& message);
  void TakeFocus();
  void MarkDirty();

  TBitmap cell_normal_;
  TBitmap cell_hot_;
  TBitmap cell_down_;
  TBitmap cell_disabled_;
  std::array<TBitmap*, 4> cells_{&cell_normal_, &cell_hot_, &cell_down_, &cell_disabled_};
  TBitmap skin_;
  TIcon icon_;
  TBitmap icon_bmp_;
  TSkMouseState mouse_state_ = emsReleased;
  TColor transparent_color_ = 0;
  TColor saved_font_color_ = 0;
  int icon_x_ = 0;
  int icon_y_ = 0;
  int cell_width_ = 0;
  int cell_height_ = 0;
  bool dirty_ = false;
  bool mouse_inside_ = false;
  bool activate_auto_ = false;
  bool focus_rect_ = false;
  bool lock_size_ = true;
  int margin_width_ = 3;
  int margin_height_ = 3;
  bool word_wrap_ = true;
  bool fade_enable_ = false;
  bool fade_upon_load_ = false;
  int icon_down_x_ = 0;
  int icon_down_y_ = 1;
  int icon_over_x_ = 0;
  int icon_over_y_ = 0;
};

}  // namespace vornada
