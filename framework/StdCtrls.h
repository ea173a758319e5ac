// Standard controls over the system's edit window: the edit base `TCustomEdit` and the
// multi-line memo `TMemo` with its lines.
//
// The memo keeps its text in its window (UTF-16); until the window is made (as while it is read
// from a design description), and when the window goes while the memo stays, the memo keeps it
// itself, and the window gets it with its first message beyond being set up and moved (so a
// long text is laid out once, and only when the window is first used or shown). Callers that
// work with 8-bit text in the system's ANSI code page use `AnsiText`/`SetAnsiText`; the memo
// remembers the exact bytes it was last given until the user changes the text, so that text
// which went in unchanged comes out byte for byte, also where a byte has no UTF-16 counterpart
// that converts back to it.
#pragma once

#include <optional>
#include <string>

#include "Controls.h"

namespace vornada {

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TBorderStyle { bsNone, bsSingle };

class TCustomEdit : public TWinControl {
 public:
  VORNADA_CLASS_NAME(TCustomEdit)
  explicit TCustomEdit(TComponent* owner);

  std::wstring Text() const override;
  void SetText(const std::wstring& text) override;
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value);
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int value);
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle value);
  bool Modified() const;
  void SetModified(bool value);

  int SelStart() const;
  void SetSelStart(int value);
  int SelLength() const;
  void SetSelLength(int value);
  std::wstring SelText() const;
  void SetSelText(const std::wstring& text);
  void SelectAll();
  void ClearSelection();
  void Clear();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();

  // Runs once for each change of the text: SetText, and each change the user makes.
  TNotifyEvent OnChange;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  virtual void Change();
  // Without a window the text waits in the control and the window is made with it (a text
  // with a zero byte, which no window can hold whole, fails with EInvalidOperation); false when
  // there is a window to set.
  bool KeepTextUntilWindow(const std::wstring& text);
  // Sets the window text; false when the window refused it or kept less than all of it.
  bool SetWindowText(const std::wstring& text);
  // The same, but on failure the window gets its previous text back.
  bool ReplaceWindowText(const std::wstring& text);
  // A window made while the control kept a text gets it with the first message that is more
  // than setting the window up or moving it (any question about the text, painting, input).
  static bool LeavesKeptText(UINT msg);
  void ApplyKeptText();

  bool setting_text_ = false;
  bool text_in_control_ = false;  // the window exists, the text is still the control's

 private:
  bool read_only_ = false;
  int max_length_ = 0;
  TBorderStyle border_style_ = TBorderStyle::bsSingle;
};

class TMemo;

// The memo's lines, read from and written to its window.
class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TMemo& memo) : memo_(memo) {}
  int Count() const override;
  std::string Get(int index) const override;
  void Put(int index, const std::string& s) override;
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override;
  std::string Text() const override;
  void SetText(std::string_view text) override;

 private:
  TMemo& memo_;
};

class TMemo : public TCustomEdit {
 public:
  VORNADA_CLASS_NAME(TMemo)
  explicit TMemo(TComponent* owner);

  TStrings& Lines() { return lines_; }
  // The text in the system's ANSI code page. Setting it fails with EInvalidOperation "Text
  // exceeds memo capacity" when the window cannot hold it all (a zero byte ends a window's
  // text); the memo then keeps the text it had.
  const std::string& AnsiText() const;
  void SetAnsiText(std::string_view text);
  void SetText(const std::wstring& text) override;

  TScrollStyle ScrollBars() const { return scroll_bars_; }
  void SetScrollBars(TScrollStyle value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value);
  bool WantReturns() const { return want_returns_; }
  void SetWantReturns(bool value) { want_returns_ = value; }
  bool WantTabs() const { return want_tabs_; }
  void SetWantTabs(bool value) { want_tabs_ = value; }
  // Brings the caret into view.
  void ScrollCaret();

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  void SetTextInternal(const std::wstring& wide, std::optional<std::string> ansi);
  TMemoStrings lines_{*this};
  TScrollStyle scroll_bars_ = TScrollStyle::ssNone;
  bool word_wrap_ = true;
  bool want_returns_ = true;
  bool want_tabs_ = false;
  mutable std::optional<std::string> ansi_cache_;
};

}  // namespace vornada
