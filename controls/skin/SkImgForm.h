// The image form skin: a windowless control dropped on a form to make the whole form a skinned
// window. At creation it makes its form borderless and centred on the desktop; once loaded it
// cuts the form's window to the skin's non-transparent pixels, sizes the form to the skin and
// paints the skin with an optional caption and icon as the form's background (darkened, with a
// gray caption, while the form is inactive). A left press on it drags the whole window with the
// system's move loop. It reports the form's activation and the application's minimise and
// restore through the same two window hooks as the fade base.
#pragma once

#include <windows.h>

#include <string>

#include "EventProperty.h"
#include "Forms.h"
#include "Icon.h"
#include "SkTypes.h"
#include "SkUtil.h"

namespace vornada {

class TSkImgForm : public TGraphicControl {
 public:
  VORNADA_CLASS_NAME(TSkImgForm)
  // Fails with "Error: FForm could not be created" when the owner is not a form.
  explicit TSkImgForm(TComponent* owner);
  ~TSkImgForm() override;
  void Loaded() override;

  bool Active() const { return active_; }
  // Applied even when the value does not change.
  void SetActive(bool value) { ApplyActive(value); }
  bool DesignTimeApply() const { return design_time_apply_; }
  void SetDesignTimeApply(bool value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value);
  // Caption() / SetCaption() are the framework's; a new caption refreshes the picture.
  void SetText(const std::wstring& text) override;
  int CaptionX() const { return caption_x_; }
  void SetCaptionX(int value);
  int CaptionY() const { return caption_y_; }
  void SetCaptionY(int value);
  TIcon* Icon();
  void SetIcon(TIcon* value);
  int IconSize() const { return icon_size_; }
  void SetIconSize(int value);
  TBitmap* Skin() { return &skin_; }
  void SetSkin(TBitmap* value) { StoreSkin(value); }
  TColor TransparentColor() const { return transparent_color_; }
  void SetTransparentColor(TColor value) { ApplyTransparentColor(value); }

  // The control's own click event: an assignment while the left button is held on it is
  // ignored. Fires with a null sender.
  TEventProperty<TNotifyEvent> OnClick{[this] { return mouse_state_ != emsDown; }};
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;

  TCustomForm* Form() const { return form_; }
  void WndProc(TMessage& message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Click() override {}

 private:
  void ApplyActive(bool value);
  void StoreSkin(TBitmap* value);
  void ApplyTransparentColor(TColor value);
  void SizeToBitmap(TBitmap& bitmap);
  void RefreshBuffer();
  void PaintCaption(TCanvas& canvas);
  void PaintIcon(TCanvas& canvas);
  void AppWndProc(TMessage& message);
  void FormWndProc(TMessage& message);

  TCustomForm* form_ = nullptr;
  TBitmap buffer_;
  TBitmap skin_;
  TIcon icon_;
  TSkMouseState mouse_state_ = emsReleased;
  TColor transparent_color_ = 16711935;  // magenta
  TColor saved_font_color_ = 0;
  bool active_ = true;
  bool design_time_apply_ = false;
  bool word_wrap_ = true;
  int caption_x_ = 7;
  int caption_y_ = 4;
  int icon_size_ = 16;
  TSkWindowHooks hooks_;
};

}  // namespace vornada
