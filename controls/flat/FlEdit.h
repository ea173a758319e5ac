// TFlEdit: a single-line text field over the platform's "EDIT" window class, with a flat border
// of selectable colour and width drawn over the field's sunken edge on every paint (the inner
// ring in the field's own colour).
//
// The field's height follows its font until its window is first made; the modified flag
// survives re-creations of the window; keyboard entry selects the whole text, a click does not;
// OnChange comes from the platform's change notification.
#pragma once

#include <string>

#include "Controls.h"

namespace vornada {

enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TFlEdit : public TWinControl {
 public:
  VORNADA_CLASS_NAME(TFlEdit)
  explicit TFlEdit(TComponent* owner);

  static constexpr TColor kDefaultEnabledBorderColor = 12558207;   // RGB(127, 159, 191)
  static constexpr TColor kDefaultDisabledBorderColor = 12114135;  // RGB(215, 216, 184)

  bool AutoSize() const { return auto_size_; }
  // Stores the value and stops following the font's height (nothing else).
  void SetAutoSize(bool value);
  TEditCharCase CharCase() const { return char_case_; }
  // Makes the window again (the case conversion is a creation style).
  void SetCharCase(TEditCharCase value);
  TColor EnabledBorderColor() const { return enabled_border_color_; }
  void SetEnabledBorderColor(TColor value);
  TColor DisabledBorderColor() const { return disabled_border_color_; }
  void SetDisabledBorderColor(TColor value);
  int EnabledBorderWidth() const { return enabled_border_width_; }
  // Clamped to 1 .. 3.
  void SetEnabledBorderWidth(int value);
  int DisabledBorderWidth() const { return disabled_border_width_; }
  // Clamped to 1 .. 3.
  void SetDisabledBorderWidth(int value);
  // 0: no limit. A limit below the text's length cuts the text to it.
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int value);
  // 0: none. Masks the text shown, the text already there included.
  wchar_t PasswordChar() const { return password_char_; }
  void SetPasswordChar(wchar_t value);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value);
  // The text lives in the window while there is one.
  std::wstring Text() const override;
  void SetText(const std::wstring& text) override;
  // Whether the user changed the text (the platform's record), kept across re-creations.
  bool Modified() const;
  void SetModified(bool value);

  // The field's operations.
  virtual void SendMaxLength();
  virtual int SelLength() const;
  virtual int SelStart() const;
  virtual std::wstring SelText() const;
  virtual void SetSelLength(int value);
  virtual void SetSelStart(int value);
  virtual void Clear();
  // Copies the selected text, at most `buffer_size` − 1 characters and a terminating zero, into
  // `buffer`; returns the number of characters copied.
  virtual int GetSelTextBuf(wchar_t* buffer, int buffer_size) const;
  void SelectAll();
  void SetSelText(const std::wstring& text);

  TNotifyEvent OnChange;

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  // The text changed (by the user or by code): raises OnChange.
  virtual void Change();
  // The height that fits the font (while the fixed-height style is on).
  void AdjustHeight();

 private:
  void RecreateWnd();
  void RememberWindowState();
  void DrawFlatBorder();
  LRESULT Send(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0) const;

  bool auto_size_ = true;
  TEditCharCase char_case_ = TEditCharCase::ecNormal;
  TColor enabled_border_color_ = kDefaultEnabledBorderColor;
  TColor disabled_border_color_ = kDefaultDisabledBorderColor;
  int enabled_border_width_ = 1;
  int disabled_border_width_ = 1;
  int max_length_ = 0;
  wchar_t password_char_ = 0;
  bool read_only_ = false;

  std::wstring stored_text_;  // while there is no window
  bool stored_modified_ = false;  // while there is no window
  bool creating_ = false;
  bool setting_text_ = false;
};

}  // namespace vornada
