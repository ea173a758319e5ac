// The framework's classes as design descriptions know them: their published properties and
// events, by name, with the value names of their enumerations and sets, and the stored form of
// an image list's images.
#include <climits>

#include "Controls.h"
#include "DesignReader.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Icon.h"
#include "ImgList.h"
#include "Labels.h"
#include "SizeConstraints.h"
#include "StdCtrls.h"

namespace vornada {

namespace {

// Reads a picture holder's or a graphic's stored form from binary data; every byte must be used.
template <class Target>
void ReadStoredForm(Target& target, const TDesignValue& value, const char* what) {
  if (value.kind != TDesignValueKind::Binary)
    design_detail::BadValue(std::string("binary data expected, found ") +
                            DescribeDesignValueKind(value.kind));
  TBytesStream stream(value.bytes.data(), static_cast<int64_t>(value.bytes.size()));
  try {
    target.ReadData(stream);
  } catch (const Exception& e) {
    design_detail::BadValue(std::string("broken ") + what + ": " + e.ClassName() + ": " + e.Message());
  }
  const int64_t left = stream.Size() - stream.Position();
  if (left != 0)
    design_detail::BadValue(std::string("broken ") + what + ": " + std::to_string(left) +
                            " bytes left over after its stored form");
}

// A list of strings sets the lines at once (one text, each line ended by CR LF).
void SetStrings(TStrings& strings, const TDesignValue& value) {
  if (value.kind != TDesignValueKind::List)
    design_detail::BadValue(std::string("a list of strings expected, found ") +
                            DescribeDesignValueKind(value.kind));
  std::string text;
  for (const TDesignValue& item : value.items) {
    if (item.kind != TDesignValueKind::String)
      design_detail::BadValue(std::string("the list holds ") + DescribeDesignValueKind(item.kind) +
                              " (line " + std::to_string(item.line) + "); only strings may be lines");
    if (item.text.find_first_of("\r\n") != std::string::npos)
      design_detail::BadValue("a line holds a line break (line " + std::to_string(item.line) + ")");
    text += item.text;
    text += "\r\n";
  }
  strings.SetText(text);
}

// An image list's images: the bitmap stored form (4-byte length, then a bitmap file) of one
// strip holding the images side by side, each Width x Height, the strip's lower-left colour
// transparent. The list's size comes first in a description: a new size empties the list.
void ReadImageStrip(TCustomImageList& list, const TDesignValue& value) {
  TBitmap strip;
  ReadStoredForm(strip, value, "image strip");
  if (strip.Height() != list.Height() || strip.Width() < list.Width() || strip.Width() % list.Width() != 0)
    design_detail::BadValue("the image strip is " + std::to_string(strip.Width()) + " x " +
                            std::to_string(strip.Height()) + ", not a row of " +
                            std::to_string(list.Width()) + " x " + std::to_string(list.Height()) +
                            " images");
  list.Clear();
  list.AddMasked(strip, clDefault);
}

void SetImageListSize(TCustomImageList& list, int width, int height) {
  if (list.Count() > 0 && (width != list.Width() || height != list.Height()))
    design_detail::BadValue("the size would empty the list: give Width and Height before Bitmap");
  list.SetSize(width, height);
}

}  // namespace

void RegisterFrameworkDesignClasses() {
  RegisterDesignEventType<TNotifyEvent>("TNotifyEvent");
  RegisterDesignEventType<TMouseEvent>("TMouseEvent");
  RegisterDesignEventType<TMouseMoveEvent>("TMouseMoveEvent");
  RegisterDesignEventType<TKeyEvent>("TKeyEvent");
  RegisterDesignEventType<TKeyPressEvent>("TKeyPressEvent");
  RegisterDesignEventType<TCloseEvent>("TCloseEvent");
  RegisterDesignEventType<TContextPopupEvent>("TContextPopupEvent");

  RegisterDesignProperties<TPersistent>("");
  RegisterDesignProperties<TComponent>("TPersistent");

  RegisterDesignProperties<TFont>("TPersistent")
      .Text("Name", &TFont::SetName)
      .Integer("Height", &TFont::SetHeight, -1000, 1000)
      .Integer("Size", &TFont::SetSize, -1000, 1000)
      .Color("Color", &TFont::SetColor)
      .Set("Style", &TFont::SetStyle,
           {{"fsBold", fsBold}, {"fsItalic", fsItalic}, {"fsUnderline", fsUnderline},
            {"fsStrikeOut", fsStrikeOut}})
      .Charset("Charset", &TFont::SetCharset);

  RegisterDesignProperties<TSizeConstraints>("TPersistent")
      .Integer("MinWidth", &TSizeConstraints::SetMinWidth, 0, INT_MAX)
      .Integer("MaxWidth", &TSizeConstraints::SetMaxWidth, 0, INT_MAX)
      .Integer("MinHeight", &TSizeConstraints::SetMinHeight, 0, INT_MAX)
      .Integer("MaxHeight", &TSizeConstraints::SetMaxHeight, 0, INT_MAX);

  RegisterDesignProperties<TStrings>("TPersistent").Custom("Strings", &SetStrings);

  RegisterDesignProperties<TPicture>("TPersistent")
      .Custom("Data", [](TPicture& p, const TDesignValue& v) { ReadStoredForm(p, v, "picture"); });
  RegisterDesignProperties<TGraphic>("TPersistent")
      .Custom("Data", [](TGraphic& g, const TDesignValue& v) { ReadStoredForm(g, v, "picture"); });
  RegisterDesignProperties<TBitmap>("TGraphic");
  RegisterDesignProperties<TIcon>("TGraphic");

  RegisterDesignProperties<TControl>("TComponent")
      .Integer("Left", &TControl::SetLeft)
      .Integer("Top", &TControl::SetTop)
      .Integer("Width", &TControl::SetWidth, 0, INT_MAX)
      .Integer("Height", &TControl::SetHeight, 0, INT_MAX)
      .Integer("ClientWidth", [](TControl& c, int v) { c.SetClientSize(v, c.ClientHeight()); }, 0, INT_MAX)
      .Integer("ClientHeight", [](TControl& c, int v) { c.SetClientSize(c.ClientWidth(), v); }, 0, INT_MAX)
      .Enum<TAlign>("Align", &TControl::SetAlign,
                    {{"alNone", TAlign::alNone}, {"alTop", TAlign::alTop},
                     {"alBottom", TAlign::alBottom}, {"alLeft", TAlign::alLeft},
                     {"alRight", TAlign::alRight}, {"alClient", TAlign::alClient},
                     {"alCustom", TAlign::alCustom}})
      .Boolean("Visible", &TControl::SetVisible)
      .Boolean("Enabled", &TControl::SetEnabled)
      .Color("Color", &TControl::SetColor)
      .Boolean("ParentColor", &TControl::SetParentColor)
      .Boolean("ParentFont", &TControl::SetParentFont)
      .Object<TFont>("Font", &TControl::Font)
      .Object<TSizeConstraints>("Constraints", &TControl::Constraints)
      .Enum<TCursor>("Cursor", &TControl::SetCursor,
                     {{"crDefault", TCursor::crDefault}, {"crArrow", TCursor::crArrow},
                      {"crIBeam", TCursor::crIBeam}, {"crHandPoint", TCursor::crHandPoint},
                      {"crSizeAll", TCursor::crSizeAll}, {"crCross", TCursor::crCross},
                      {"crNo", TCursor::crNo}})
      .Text("Caption", &TControl::SetCaption)
      .Enum<TBiDiMode>("BiDiMode", &TControl::SetBiDiMode,
                       {{"bdLeftToRight", TBiDiMode::bdLeftToRight},
                        {"bdRightToLeft", TBiDiMode::bdRightToLeft},
                        {"bdRightToLeftNoAlign", TBiDiMode::bdRightToLeftNoAlign},
                        {"bdRightToLeftReadingOnly", TBiDiMode::bdRightToLeftReadingOnly}})
      .Boolean("ParentBiDiMode", &TControl::SetParentBiDiMode)
      .Event("OnClick", &TControl::OnClick)
      .Event("OnDblClick", &TControl::OnDblClick)
      .Event("OnMouseDown", &TControl::OnMouseDown)
      .Event("OnMouseMove", &TControl::OnMouseMove)
      .Event("OnMouseUp", &TControl::OnMouseUp)
      .Event("OnMouseEnter", &TControl::OnMouseEnter)
      .Event("OnMouseLeave", &TControl::OnMouseLeave)
      .Event("OnResize", &TControl::OnResize)
      .Event("OnContextPopup", &TControl::OnContextPopup);

  const std::vector<std::pair<std::string, TBevelCut>> bevels = {
      {"bvNone", TBevelCut::bvNone}, {"bvLowered", TBevelCut::bvLowered},
      {"bvRaised", TBevelCut::bvRaised}, {"bvSpace", TBevelCut::bvSpace}};
  RegisterDesignProperties<TWinControl>("TControl")
      .Enum<TBevelKind>("BevelKind", &TWinControl::SetBevelKind,
                        {{"bkNone", TBevelKind::bkNone}, {"bkTile", TBevelKind::bkTile},
                         {"bkSoft", TBevelKind::bkSoft}, {"bkFlat", TBevelKind::bkFlat}})
      .Enum<TBevelCut>("BevelInner", &TWinControl::SetBevelInner, bevels)
      .Enum<TBevelCut>("BevelOuter", &TWinControl::SetBevelOuter, bevels)
      .Set("BevelEdges", &TWinControl::SetBevelEdges,
           {{"beLeft", beLeft}, {"beTop", beTop}, {"beRight", beRight}, {"beBottom", beBottom}})
      .Integer("BevelWidth", &TWinControl::SetBevelWidth, 1, 100)
      .Boolean("TabStop", &TWinControl::SetTabStop)
      .Integer("TabOrder", &TWinControl::SetTabOrder, -1, INT_MAX)
      .Boolean("DoubleBuffered", &TWinControl::SetDoubleBuffered)
      .Event("OnEnter", &TWinControl::OnEnter)
      .Event("OnExit", &TWinControl::OnExit)
      .Event("OnKeyDown", &TWinControl::OnKeyDown)
      .Event("OnKeyUp", &TWinControl::OnKeyUp)
      .Event("OnKeyPress", &TWinControl::OnKeyPress);
  RegisterDesignProperties<TCustomControl>("TWinControl");
  RegisterDesignProperties<TGraphicControl>("TControl");

  RegisterDesignProperties<TCustomForm>("TWinControl")
      .Enum<TFormBorderStyle>("BorderStyle", &TCustomForm::SetBorderStyle,
                              {{"bsNone", TFormBorderStyle::bsNone},
                               {"bsSingle", TFormBorderStyle::bsSingle},
                               {"bsSizeable", TFormBorderStyle::bsSizeable},
                               {"bsDialog", TFormBorderStyle::bsDialog},
                               {"bsToolWindow", TFormBorderStyle::bsToolWindow}})
      .Enum<TFormStyle>("FormStyle", &TCustomForm::SetFormStyle,
                        {{"fsNormal", TFormStyle::fsNormal}, {"fsStayOnTop", TFormStyle::fsStayOnTop}})
      .Enum<TPosition>("Position", &TCustomForm::SetPosition,
                       {{"poDesigned", TPosition::poDesigned}, {"poDefault", TPosition::poDefault},
                        {"poScreenCenter", TPosition::poScreenCenter},
                        {"poDesktopCenter", TPosition::poDesktopCenter},
                        {"poMainFormCenter", TPosition::poMainFormCenter}})
      .Boolean("ScreenSnap", &TCustomForm::SetScreenSnap)
      .Integer("SnapBuffer", &TCustomForm::SetSnapBuffer, 0, INT_MAX)
      .Boolean("AlphaBlend", &TCustomForm::SetAlphaBlend)
      .Integer("AlphaBlendValue", &TCustomForm::SetAlphaBlendValue, 0, 255)
      .Event("OnCreate", &TCustomForm::OnCreate)
      .Event("OnShow", &TCustomForm::OnShow)
      .Event("OnHide", &TCustomForm::OnHide)
      .Event("OnActivate", &TCustomForm::OnActivate)
      .Event("OnDeactivate", &TCustomForm::OnDeactivate)
      .Event("OnClose", &TCustomForm::OnClose);
  RegisterDesignProperties<TForm>("TCustomForm");

  // A panel's bevels are its own, drawn inside it.
  RegisterDesignProperties<TCustomPanel>("TCustomControl")
      .Enum<TBevelCut>("BevelOuter", &TCustomPanel::SetBevelOuter, bevels)
      .Enum<TBevelCut>("BevelInner", &TCustomPanel::SetBevelInner, bevels);
  RegisterDesignClass<TPanel>("TCustomPanel");

  RegisterDesignProperties<TCustomEdit>("TWinControl")
      .Text("Text", &TCustomEdit::SetText)
      .Boolean("ReadOnly", &TCustomEdit::SetReadOnly)
      .Integer("MaxLength", &TCustomEdit::SetMaxLength, 0, INT_MAX)
      .Enum<TBorderStyle>("BorderStyle", &TCustomEdit::SetBorderStyle,
                          {{"bsNone", TBorderStyle::bsNone}, {"bsSingle", TBorderStyle::bsSingle}})
      .Event("OnChange", &TCustomEdit::OnChange);
  RegisterDesignClass<TMemo>("TCustomEdit")
      .Object<TStrings>("Lines", &TMemo::Lines)
      .Enum<TScrollStyle>("ScrollBars", &TMemo::SetScrollBars,
                          {{"ssNone", TScrollStyle::ssNone},
                           {"ssHorizontal", TScrollStyle::ssHorizontal},
                           {"ssVertical", TScrollStyle::ssVertical},
                           {"ssBoth", TScrollStyle::ssBoth}})
      .Boolean("WordWrap", &TMemo::SetWordWrap)
      .Boolean("WantReturns", &TMemo::SetWantReturns)
      .Boolean("WantTabs", &TMemo::SetWantTabs);

  RegisterDesignClass<TImage>("TGraphicControl")
      .Object<TPicture>("Picture", &TImage::Picture)
      .Boolean("AutoSize", &TImage::SetAutoSize)
      .Boolean("Stretch", &TImage::SetStretch)
      .Boolean("Center", &TImage::SetCenter)
      .Boolean("Transparent", &TImage::SetTransparent);

  RegisterDesignProperties<TCustomLabel>("TGraphicControl")
      .Enum<TAlignment>("Alignment", &TCustomLabel::SetAlignment,
                        {{"taLeftJustify", TAlignment::taLeftJustify},
                         {"taRightJustify", TAlignment::taRightJustify},
                         {"taCenter", TAlignment::taCenter}})
      .Enum<TTextLayout>("Layout", &TCustomLabel::SetLayout,
                         {{"tlTop", TTextLayout::tlTop}, {"tlCenter", TTextLayout::tlCenter},
                          {"tlBottom", TTextLayout::tlBottom}})
      .Boolean("AutoSize", &TCustomLabel::SetAutoSize)
      .Boolean("WordWrap", &TCustomLabel::SetWordWrap)
      .Boolean("ShowAccelChar", &TCustomLabel::SetShowAccelChar)
      .Boolean("Transparent", &TCustomLabel::SetTransparent)
      .Reference<TWinControl>("FocusControl", &TCustomLabel::SetFocusControl);
  RegisterDesignClass<TLabel>("TCustomLabel");

  RegisterDesignProperties<TCustomImageList>("TComponent")
      .Integer("Width", [](TCustomImageList& l, int v) { SetImageListSize(l, v, l.Height()); }, 1, 4096)
      .Integer("Height", [](TCustomImageList& l, int v) { SetImageListSize(l, l.Width(), v); }, 1, 4096)
      .Color("BkColor", &TCustomImageList::SetBkColor)
      .Custom("Bitmap", &ReadImageStrip)
      .Event("OnChange", &TCustomImageList::OnChange);
  RegisterDesignClass<TImageList>("TCustomImageList");

  RegisterDesignClass<TTimer>("TComponent")
      .Boolean("Enabled", &TTimer::SetEnabled)
      .Integer<UINT>("Interval", &TTimer::SetInterval, 0u, UINT_MAX)
      .Event("OnTimer", &TTimer::SetOnTimer);
}

}  // namespace vornada
