// The bitmap button: a push button with a caption and a glyph, in three classes.
//  - TFxCustomButton: a windowed control with its own focus, mouse and keyboard handling and the
//    caption painter. A left press on the focused button shows it pressed while the pointer is
//    over it; releasing over it clicks. Space down shows it pressed and Space up clicks. Enter
//    clicks the active button (the focused one, or the Default button while something else than
//    a button has the focus), Escape a Cancel button, the caption's accelerator its button.
//  - TFxButton: the faces (visual styles when active, the classic three-dimensional face, or
//    with HotTrack a flat face with a gradient), default and cancel behaviour, groups of
//    latching buttons (GroupIndex, Down, AllowAllUp) with a dither pattern on a latched button,
//    and the dotted focus border (only while the window shows keyboard focus cues).
//  - TFxBitBtn: the glyph, from a bitmap of one to four cells (normal, disabled, pressed,
//    latched) or from an image list, placed left, right, above or below the caption.
#pragma once

#include <memory>
#include <string>

#include "Controls.h"
#include "FxButtonCore.h"
#include "FxCommon.h"
#include "FxGrafx.h"
#include "ImgList.h"

namespace vornada {

class TFxCustomButton : public TCustomControl {
 public:
  VORNADA_CLASS_NAME(TFxCustomButton)
  explicit TFxCustomButton(TComponent* owner);
  ~TFxCustomButton() override;

  TAlignmentVertical AlignmentVertical() const { return alignment_vertical_; }
  virtual void SetAlignmentVertical(TAlignmentVertical value);
  bool HotTrack() const { return hot_track_; }
  virtual void SetHotTrack(bool value);
  TColor HotTrackColor() const { return hot_track_color_; }
  void SetHotTrackColor(TColor value);
  TFxHotTrackColorType HotTrackColorType() const { return hot_track_color_type_; }
  void SetHotTrackColorType(TFxHotTrackColorType value);
  TColor HighlightColor() const { return highlight_color_; }
  virtual void SetHighlightColor(TColor value);
  bool LightTextStyle() const { return light_text_style_; }
  virtual void SetLightTextStyle(bool value);
  TTextStyle TextStyle() const { return text_style_; }
  virtual void SetTextStyle(TTextStyle value);
  TColor TextHighlightColor() const { return text_highlight_color_; }
  virtual void SetTextHighlightColor(TColor value);
  TColor TextShadowColor() const { return text_shadow_color_; }
  virtual void SetTextShadowColor(TColor value);
  int TextShadowDepth() const { return text_shadow_depth_; }
  virtual void SetTextShadowDepth(int value);
  bool ThemeAware() const { return theme_aware_; }
  virtual void SetThemeAware(bool value);
  // The transparency flag: the parent shows where the face leaves room (set with HotTrack).
  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);

  // Introduced virtual operations.
  virtual void DrawTransparentBackground(const RECT& r) { (void)r; }
  virtual void UpdateLook() {}
  // Paints the button now (synchronously).
  virtual void RepaintNow();
  virtual RECT GetHotRect() { return ClientRect(); }
  // ThemeAware and the platform's visual styles active.
  virtual bool UsingThemes() const;
  // Draws `caption` into `r` with the text effects, placed by AlignmentVertical.
  virtual void DrawCaptionText(TCanvas& canvas, const std::wstring& caption, RECT r, UINT flags);
  virtual void DoButtonClick() = 0;

  // The button's state.
  bool PressedLook() const { return pressed_look_; }
  bool MouseTracking() const { return mouse_tracking_; }
  bool MouseInside() const { return mouse_inside_; }
  bool ActiveButton() const { return active_button_; }
  bool InClick() const { return in_click_; }
  bool SpacePending() const { return space_pending_; }

  void WndProc(TMessage& message) override;

 protected:
  void CreateWnd() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  ButtonFaceMode FaceMode() const;

  bool pressed_look_ = false;    // FPressedLook
  bool mouse_tracking_ = false;  // FMouseTracking
  bool mouse_inside_ = false;    // FMouseInside
  bool active_button_ = false;   // FActiveButton
  bool in_click_ = false;        // FInClick
  bool space_pending_ = false;   // FSpacePending

 private:
  TAlignmentVertical alignment_vertical_ = TAlignmentVertical::avCenter;
  bool hot_track_ = false;
  TColor hot_track_color_ = 1350640;
  TFxHotTrackColorType hot_track_color_type_ = TFxHotTrackColorType::htctActual;
  TColor highlight_color_ = clHighlight;
  bool light_text_style_ = false;
  TTextStyle text_style_ = TTextStyle::tsNormal;
  TColor text_highlight_color_ = clBtnHighlight;
  TColor text_shadow_color_ = clBtnShadow;
  int text_shadow_depth_ = 2;
  bool theme_aware_ = true;
  bool transparent_ = false;
};

class TFxButton : public TFxCustomButton {
 public:
  VORNADA_CLASS_NAME(TFxButton)
  explicit TFxButton(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  virtual void SetAlignment(TAlignment value);
  bool Default() const { return default_; }
  virtual void SetDefault(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int value) { modal_result_ = value; }
  bool AllowAllUp() const { return allow_all_up_; }
  virtual void SetAllowAllUp(bool value);
  bool Down() const { return down_state_ == 3; }
  virtual void SetDown(bool value);
  TColor FrameColor() const { return frame_color_; }
  virtual void SetFrameColor(TColor value);
  int GroupIndex() const { return group_index_; }
  virtual void SetGroupIndex(int value);
  bool ShowDownPattern() const { return show_down_pattern_; }
  virtual void SetShowDownPattern(bool value);
  bool ShowFocusRect() const { return show_focus_rect_; }
  virtual void SetShowFocusRect(bool value);
  bool DropDownOnEnter() const { return drop_down_on_enter_; }
  void SetDropDownOnEnter(bool value) { drop_down_on_enter_ = value; }
  int DownState() const { return down_state_; }

  virtual RECT GetCaptionRect();
  virtual void DrawContent(TCanvas& canvas);
  // The 8 x 8 pattern brush of a latched-down button, for the current face colour.
  virtual void BuildDownPattern();

  void DoButtonClick() override;
  void DrawTransparentBackground(const RECT& r) override;
  void UpdateLook() override { Invalidate(); }
  void WndProc(TMessage& message) override;

 protected:
  void CreateWnd() override;
  void Paint() override;
  // Writes ModalResult into the parent form, then runs OnClick.
  void Click() override;
  ButtonGeometryInput Geometry() const;
  void DrawClassicFace(TCanvas& canvas, RECT& r);
  void DrawHotTrackFace(TCanvas& canvas, RECT& r);
  void DrawThemedFace(TCanvas& canvas, RECT& r);
  // Tells the other buttons of the group on the same parent about this one.
  void UpdateExclusive();
  void GroupButtonChanged(TFxButton* sender);

 private:
  TAlignment alignment_ = TAlignment::taCenter;
  bool default_ = false;
  bool cancel_ = false;
  int modal_result_ = 0;
  bool allow_all_up_ = false;
  int down_state_ = 0;  // FDownState: 0 up, 3 latched down
  TColor frame_color_ = cl3DDkShadow;
  int group_index_ = 0;
  bool show_down_pattern_ = true;
  bool show_focus_rect_ = true;
  bool drop_down_on_enter_ = true;
  win::UniqueBrush down_pattern_;
  TColor down_pattern_color_ = clNone;
};

class TFxBitBtn : public TFxButton {
 public:
  VORNADA_CLASS_NAME(TFxBitBtn)
  explicit TFxBitBtn(TComponent* owner);
  ~TFxBitBtn() override;

  RECT GetCaptionRect() override;
  void DrawContent(TCanvas& canvas) override;
  virtual SIZE GetGlyphSize();
  virtual RECT GetGlyphRect();
  virtual void DrawImageListGlyph(TCanvas& canvas, const RECT& r);
  virtual void DrawBitmapGlyph(TCanvas& canvas, const RECT& r);

  TBitmap& Glyph() { return glyph_; }
  // Copies the picture (null: no glyph).
  virtual void SetGlyph(TGraphic* value);
  virtual TBitBtnKind Kind() const;
  virtual void SetKind(TBitBtnKind value);
  TButtonLayout Layout() const { return layout_; }
  virtual void SetLayout(TButtonLayout value);
  int Margin() const { return margin_; }
  virtual void SetMargin(int value);
  int NumGlyphs() const { return num_glyphs_; }
  virtual void SetNumGlyphs(int value);
  int Spacing() const { return spacing_; }
  virtual void SetSpacing(int value);
  int ImageIndex() const { return image_index_; }
  virtual void SetImageIndex(int value);
  int DisabledIndex() const { return disabled_index_; }
  virtual void SetDisabledIndex(int value);
  TCustomImageList* Images() const { return images_; }
  virtual void SetImages(TCustomImageList* value);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool UsesImageList() const;
  bool HasGlyph() const;
  GlyphLayoutInput GlyphLayout();
  void GlyphChanged();

  TBitmap glyph_;
  bool modified_glyph_ = false;
  TBitBtnKind kind_ = TBitBtnKind::bkCustom;
  TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
  int margin_ = 2;
  int num_glyphs_ = 1;
  int spacing_ = 4;
  int image_index_ = -1;
  int disabled_index_ = -1;
  TCustomImageList* images_ = nullptr;
  int images_listener_ = 0;
};

}  // namespace vornada
