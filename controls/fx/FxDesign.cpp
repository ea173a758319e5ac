// The effect controls' registrations with the design reader. Frame sides are written as a set
// (`BorderSides = [sdLeft, sdTop]`); a bitmap button's glyph is read straight into its own
// bitmap (`Glyph.Data = {...}`, the bitmap's stored form), and its image list is a reference to
// another component of the form (`Images = ImageList1`).
#include "FxDesign.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "DesignReader.h"
#include "FxBckgnd.h"
#include "FxButton.h"
#include "FxCommon.h"
#include "FxLabel.h"
#include "ImgList.h"

namespace vornada {

namespace {

using Names = std::vector<std::pair<std::string, unsigned>>;

const Names& SideNames() {
  static const Names names = {{"sdLeft", TSides{TSide::sdLeft}.Bits()},
                              {"sdTop", TSides{TSide::sdTop}.Bits()},
                              {"sdRight", TSides{TSide::sdRight}.Bits()},
                              {"sdBottom", TSides{TSide::sdBottom}.Bits()}};
  return names;
}

const Names& NotificationNames() {
  using N = TFrameControllerNotification;
  static const Names names = {
      {"fcnBorderOuter", NotificationBit(N::fcnBorderOuter)},
      {"fcnBorderInner", NotificationBit(N::fcnBorderInner)},
      {"fcnBorderSides", NotificationBit(N::fcnBorderSides)},
      {"fcnBorderWidth", NotificationBit(N::fcnBorderWidth)},
      {"fcnBevelWidth", NotificationBit(N::fcnBevelWidth)},
      {"fcnBorderColor", NotificationBit(N::fcnBorderColor)},
      {"fcnBorderHighlight", NotificationBit(N::fcnBorderHighlight)},
      {"fcnBorderShadow", NotificationBit(N::fcnBorderShadow)},
      {"fcnFlatColor", NotificationBit(N::fcnFlatColor)},
      {"fcnFlatColorAdjustment", NotificationBit(N::fcnFlatColorAdjustment)}};
  return names;
}

std::vector<std::pair<std::string, TFrameStyleEx>> FrameStyleNames() {
  using F = TFrameStyleEx;
  return {{"fsNone", F::fsNone},         {"fsFlat", F::fsFlat},
          {"fsGroove", F::fsGroove},     {"fsBump", F::fsBump},
          {"fsLowered", F::fsLowered},   {"fsButtonDown", F::fsButtonDown},
          {"fsRaised", F::fsRaised},     {"fsButtonUp", F::fsButtonUp},
          {"fsStatus", F::fsStatus},     {"fsPopup", F::fsPopup},
          {"fsFlatBold", F::fsFlatBold}, {"fsFlatRounded", F::fsFlatRounded}};
}

std::vector<std::pair<std::string, TTextStyle>> TextStyleNames() {
  return {{"tsNormal", TTextStyle::tsNormal}, {"tsRaised", TTextStyle::tsRaised},
          {"tsRecessed", TTextStyle::tsRecessed}, {"tsShadow", TTextStyle::tsShadow}};
}

void RegisterFrameController() {
  RegisterDesignClass<TFxFrameController>("TComponent")
      .Enum<TFrameStyleEx>("BorderOuter", &TFxFrameController::SetBorderOuter, FrameStyleNames())
      .Enum<TFrameStyleEx>("BorderInner", &TFxFrameController::SetBorderInner, FrameStyleNames())
      .Set("BorderSides", [](TFxFrameController& c, unsigned bits) { c.SetBorderSides(TSides::FromBits(bits)); },
           SideNames())
      .Integer("BorderWidth", &TFxFrameController::SetBorderWidth)
      .Integer("BevelWidth", &TFxFrameController::SetBevelWidth)
      .Color("BorderColor", &TFxFrameController::SetBorderColor)
      .Color("BorderHighlight", &TFxFrameController::SetBorderHighlight)
      .Color("BorderShadow", &TFxFrameController::SetBorderShadow)
      .Color("FlatColor", &TFxFrameController::SetFlatColor)
      .Integer("FlatColorAdjustment", &TFxFrameController::SetFlatColorAdjustment);
}

void RegisterLabel() {
  RegisterDesignClass<TFxLabel>("TLabel")
      .Enum<TTextStyle>("TextStyle", &TFxLabel::SetTextStyle, TextStyleNames())
      .Boolean("LightTextStyle", &TFxLabel::SetLightTextStyle)
      .Color("HighlightColor", &TFxLabel::SetHighlightColor)
      .Color("ShadowColor", &TFxLabel::SetShadowColor)
      .Integer("ShadowDepth", &TFxLabel::SetShadowDepth)
      .Integer("TextMargin", &TFxLabel::SetTextMargin)
      .Enum<TFxCondenseCaption>("CondenseCaption", &TFxLabel::SetCondenseCaption,
                                {{"ccNone", TFxCondenseCaption::ccNone},
                                 {"ccAtEnd", TFxCondenseCaption::ccAtEnd},
                                 {"ccWithinPath", TFxCondenseCaption::ccWithinPath}})
      .Enum<TRotation>("Rotation", &TFxLabel::SetRotation,
                       {{"roNone", TRotation::roNone}, {"roFlat", TRotation::roFlat},
                        {"roCurve", TRotation::roCurve}})
      .Integer("Angle", &TFxLabel::SetAngle)
      .Enum<TCenterPoint>("CenterPoint", &TFxLabel::SetCenterPoint,
                          {{"cpUpperLeft", TCenterPoint::cpUpperLeft},
                           {"cpUpperCenter", TCenterPoint::cpUpperCenter},
                           {"cpUpperRight", TCenterPoint::cpUpperRight},
                           {"cpLeftCenter", TCenterPoint::cpLeftCenter},
                           {"cpCenter", TCenterPoint::cpCenter},
                           {"cpRightCenter", TCenterPoint::cpRightCenter},
                           {"cpLowerLeft", TCenterPoint::cpLowerLeft},
                           {"cpLowerCenter", TCenterPoint::cpLowerCenter},
                           {"cpLowerRight", TCenterPoint::cpLowerRight}})
      .Boolean("Blinking", &TFxLabel::SetBlinking)
      .Color("BlinkColor", &TFxLabel::SetBlinkColor)
      .Integer<uint16_t>("BlinkIntervalOn", &TFxLabel::SetBlinkIntervalOn)
      .Integer<uint16_t>("BlinkIntervalOff", &TFxLabel::SetBlinkIntervalOff)
      .Boolean("FlyByEnabled", &TFxLabel::SetFlyByEnabled)
      .Color("FlyByColor", &TFxLabel::SetFlyByColor)
      .Enum<TFrameStyleEx>("BorderOuter", &TFxLabel::SetBorderOuter, FrameStyleNames())
      .Enum<TFrameStyleEx>("BorderInner", &TFxLabel::SetBorderInner, FrameStyleNames())
      .Set("BorderSides", [](TFxLabel& l, unsigned bits) { l.SetBorderSides(TSides::FromBits(bits)); },
           SideNames())
      .Integer("BorderWidth", &TFxLabel::SetBorderWidth)
      .Integer("BevelWidth", &TFxLabel::SetBevelWidth)
      .Color("BorderColor", &TFxLabel::SetBorderColor)
      .Color("BorderHighlight", &TFxLabel::SetBorderHighlight)
      .Color("BorderShadow", &TFxLabel::SetBorderShadow)
      .Color("FlatColor", &TFxLabel::SetFlatColor)
      .Integer("FlatColorAdjustment", &TFxLabel::SetFlatColorAdjustment)
      .Reference<TFxFrameController>("FrameController", &TFxLabel::SetFrameController)
      .Set("FrameControllerNotifications", &TFxLabel::SetFrameControllerNotifications,
           NotificationNames());
}

void RegisterSeparator() {
  RegisterDesignClass<TFxSeparator>("TGraphicControl")
      .Color("HighlightColor", &TFxSeparator::SetHighlightColor)
      .Enum<TFxHighlightLocation>("HighlightLocation", &TFxSeparator::SetHighlightLocation,
                                  {{"hlCenter", TFxHighlightLocation::hlCenter},
                                   {"hlUpperLeft", TFxHighlightLocation::hlUpperLeft},
                                   {"hlLowerRight", TFxHighlightLocation::hlLowerRight}})
      .Enum<TOrientation>("Orientation", &TFxSeparator::SetOrientation,
                          {{"orHorizontal", TOrientation::orHorizontal},
                           {"orVertical", TOrientation::orVertical}})
      .Boolean("ShowGradient", &TFxSeparator::SetShowGradient);
}

void RegisterButtons() {
  RegisterDesignProperties<TFxCustomButton>("TCustomControl")
      .Enum<TAlignmentVertical>("AlignmentVertical", &TFxCustomButton::SetAlignmentVertical,
                                {{"avTop", TAlignmentVertical::avTop},
                                 {"avCenter", TAlignmentVertical::avCenter},
                                 {"avBottom", TAlignmentVertical::avBottom}})
      .Boolean("HotTrack", &TFxCustomButton::SetHotTrack)
      .Color("HotTrackColor", &TFxCustomButton::SetHotTrackColor)
      .Enum<TFxHotTrackColorType>("HotTrackColorType", &TFxCustomButton::SetHotTrackColorType,
                                  {{"htctComplement", TFxHotTrackColorType::htctComplement},
                                   {"htctActual", TFxHotTrackColorType::htctActual}})
      .Color("HighlightColor", &TFxCustomButton::SetHighlightColor)
      .Enum<TTextStyle>("TextStyle", &TFxCustomButton::SetTextStyle, TextStyleNames())
      .Boolean("LightTextStyle", &TFxCustomButton::SetLightTextStyle)
      .Color("TextHighlightColor", &TFxCustomButton::SetTextHighlightColor)
      .Color("TextShadowColor", &TFxCustomButton::SetTextShadowColor)
      .Integer("TextShadowDepth", &TFxCustomButton::SetTextShadowDepth)
      .Boolean("ThemeAware", &TFxCustomButton::SetThemeAware);

  RegisterDesignProperties<TFxButton>("TFxCustomButton")
      .Enum<TAlignment>("Alignment", &TFxButton::SetAlignment,
                        {{"taLeftJustify", TAlignment::taLeftJustify},
                         {"taRightJustify", TAlignment::taRightJustify},
                         {"taCenter", TAlignment::taCenter}})
      .Boolean("Default", &TFxButton::SetDefault)
      .Boolean("Cancel", &TFxButton::SetCancel)
      .Integer("ModalResult", &TFxButton::SetModalResult)
      .Integer("GroupIndex", &TFxButton::SetGroupIndex)
      .Boolean("Down", &TFxButton::SetDown)
      .Boolean("AllowAllUp", &TFxButton::SetAllowAllUp)
      .Boolean("ShowDownPattern", &TFxButton::SetShowDownPattern)
      .Boolean("ShowFocusRect", &TFxButton::SetShowFocusRect)
      .Color("FrameColor", &TFxButton::SetFrameColor)
      .Boolean("DropDownOnEnter", &TFxButton::SetDropDownOnEnter);

  RegisterDesignClass<TFxBitBtn>("TFxButton")
      .Object<TBitmap>("Glyph", &TFxBitBtn::Glyph)
      .Integer("NumGlyphs", &TFxBitBtn::SetNumGlyphs, 1, 4)
      .Enum<TButtonLayout>("Layout", &TFxBitBtn::SetLayout,
                           {{"blGlyphLeft", TButtonLayout::blGlyphLeft},
                            {"blGlyphRight", TButtonLayout::blGlyphRight},
                            {"blGlyphTop", TButtonLayout::blGlyphTop},
                            {"blGlyphBottom", TButtonLayout::blGlyphBottom}})
      .Integer("Margin", &TFxBitBtn::SetMargin, -1)
      .Integer("Spacing", &TFxBitBtn::SetSpacing)
      .Reference<TCustomImageList>("Images", &TFxBitBtn::SetImages)
      .Integer("ImageIndex", &TFxBitBtn::SetImageIndex)
      .Integer("DisabledIndex", &TFxBitBtn::SetDisabledIndex)
      .Enum<TBitBtnKind>("Kind", &TFxBitBtn::SetKind,
                         {{"bkCustom", TBitBtnKind::bkCustom}, {"bkOK", TBitBtnKind::bkOK},
                          {"bkCancel", TBitBtnKind::bkCancel}, {"bkHelp", TBitBtnKind::bkHelp},
                          {"bkYes", TBitBtnKind::bkYes}, {"bkNo", TBitBtnKind::bkNo},
                          {"bkClose", TBitBtnKind::bkClose}, {"bkAbort", TBitBtnKind::bkAbort},
                          {"bkRetry", TBitBtnKind::bkRetry}, {"bkIgnore", TBitBtnKind::bkIgnore},
                          {"bkAll", TBitBtnKind::bkAll}});
}

}  // namespace

void RegisterFxDesignClasses() {
  RegisterFrameController();
  RegisterLabel();
  RegisterSeparator();
  RegisterButtons();
}

}  // namespace vornada
