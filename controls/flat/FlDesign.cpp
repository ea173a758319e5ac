// The flat controls' registrations with the design reader. A flat button's glyph is a picture
// holder (`Glyph.Data = {...}`: the picture's class name, then its stored form); a flat edit's
// mask character is written as a one-character string (`PasswordChar = '*'` or `#108`).
#include "FlDesign.h"

#include <climits>

#include "DesignReader.h"
#include "FlButton.h"
#include "FlEdit.h"
#include "FlPanel.h"
#include "Text.h"

namespace vornada {

namespace {

void SetPasswordChar(TFlEdit& edit, const TDesignValue& value) {
  const std::string& bytes = design_detail::ToString(value);
  if (bytes.size() != 1)
    design_detail::BadValue("one character expected, found " + std::to_string(bytes.size()));
  const std::u16string wide = WideFrom1251(bytes);
  edit.SetPasswordChar(static_cast<wchar_t>(wide.at(0)));
}

}  // namespace

void RegisterFlatDesignClasses() {
  RegisterDesignClass<TFlPanel>("TCustomControl")
      .Color("BorderColor", &TFlPanel::SetBorderColor)
      .Integer("BorderWidth", &TFlPanel::SetBorderWidth)
      .Enum<TCaptionAlignment>("CaptionAlignment", &TFlPanel::SetCaptionAlignment,
                               {{"caLeft", TCaptionAlignment::caLeft},
                                {"caRight", TCaptionAlignment::caRight},
                                {"caCenter", TCaptionAlignment::caCenter}})
      .Integer("CaptionOffset", &TFlPanel::SetCaptionOffset)
      .Integer("CornersOffset", &TFlPanel::SetCornersOffset);

  RegisterDesignClass<TFlButton>("TCustomControl")
      .Boolean("Default", &TFlButton::SetDefault)
      .Object<TPicture>("Glyph", &TFlButton::Glyph)
      .Boolean("ShowFocusRect", &TFlButton::SetShowFocusRect)
      .Integer("FocusRectOffset", &TFlButton::SetFocusRectOffset)
      .Integer("MouseBorderWidth", &TFlButton::SetMouseBorderWidth)
      .Integer("OffsetOnClick", &TFlButton::SetOffsetOnClick)
      .Integer("ModalResult", &TFlButton::SetModalResult);

  RegisterDesignClass<TFlEdit>("TWinControl")
      .Boolean("AutoSize", &TFlEdit::SetAutoSize)
      .Enum<TEditCharCase>("CharCase", &TFlEdit::SetCharCase,
                           {{"ecNormal", TEditCharCase::ecNormal},
                            {"ecUpperCase", TEditCharCase::ecUpperCase},
                            {"ecLowerCase", TEditCharCase::ecLowerCase}})
      .Color("EnabledBorderColor", &TFlEdit::SetEnabledBorderColor)
      .Color("DisabledBorderColor", &TFlEdit::SetDisabledBorderColor)
      .Integer("EnabledBorderWidth", &TFlEdit::SetEnabledBorderWidth)
      .Integer("DisabledBorderWidth", &TFlEdit::SetDisabledBorderWidth)
      .Integer("MaxLength", &TFlEdit::SetMaxLength, 0, INT_MAX)
      .Custom("PasswordChar", &SetPasswordChar)
      .Boolean("ReadOnly", &TFlEdit::SetReadOnly)
      .Text("Text", &TFlEdit::SetText)
      .Event("OnChange", &TFlEdit::OnChange);
}

}  // namespace vornada
