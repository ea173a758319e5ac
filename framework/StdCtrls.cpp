// The edit base and the memo over the system's EDIT window class.
#include "StdCtrls.h"

#include <windowsx.h>

#include <algorithm>
#include <string_view>

#include "ScopeExit.h"
#include "WinUtil.h"

namespace vornada {

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  control_style_ = csClickEvents | csSetCaption | csDoubleClicks;
  SetBounds(0, 0, 121, 25);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

void TCustomEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.subclass_of = L"EDIT";
  params.style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (read_only_) params.style |= ES_READONLY;
  if (border_style_ == TBorderStyle::bsSingle) params.ex_style |= WS_EX_CLIENTEDGE;
  // The window is made empty and gets the kept text once it has its font (see CreateWnd).
  params.caption.clear();
}

void TCustomEdit::CreateWnd() {
  TWinControl::CreateWnd();
  // 0 lifts the edit window's default limit of 30,000 typed characters.
  ::SendMessageW(hwnd_, EM_SETLIMITTEXT, static_cast<WPARAM>(max_length_), 0);
  // The kept text goes into the window when the window is first asked for anything beyond
  // its place, size and font (see ApplyKeptText): a multi-line window lays its lines out for
  // each of those, which takes long for a long text, and a window that is not shown yet (a
  // screen of the program that comes later) need not lay them out at all.
  text_in_control_ = !TWinControl::Text().empty();
}

// Messages that set a window up or move it, which an edit window handles the same whatever its
// text: they leave the kept text where it is.
bool TCustomEdit::LeavesKeptText(UINT msg) {
  switch (msg) {
    case WM_NCCREATE: case WM_CREATE: case WM_NCCALCSIZE: case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED: case WM_MOVE: case WM_SIZE: case WM_SETFONT: case WM_GETFONT:
    case WM_SHOWWINDOW: case WM_STYLECHANGING: case WM_STYLECHANGED: case WM_GETMINMAXINFO:
    case WM_CHILDACTIVATE: case WM_UPDATEUISTATE: case WM_CHANGEUISTATE: case WM_QUERYUISTATE:
    case WM_DESTROY: case WM_NCDESTROY: case EM_SETLIMITTEXT:
      return true;
    default:
      // The framework's own notifications never reach the edit window itself.
      return msg >= CM_BASE && msg < 0xC000;
  }
}

void TCustomEdit::ApplyKeptText() {
  if (!text_in_control_ || hwnd_ == nullptr) return;
  text_in_control_ = false;
  const std::wstring kept = TWinControl::Text();
  StoreText({});
  setting_text_ = true;
  ScopeExit done([this] { setting_text_ = false; });
  ::SendMessageW(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kept.c_str()));
}

std::wstring TCustomEdit::Text() const {
  if (hwnd_ == nullptr) return TWinControl::Text();
  const int length = ::GetWindowTextLengthW(hwnd_);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(hwnd_, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

bool TCustomEdit::SetWindowText(const std::wstring& text) {
  HWND hwnd = Handle();
  setting_text_ = true;
  const LRESULT ok = ::SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  setting_text_ = false;
  return ok != 0 && static_cast<size_t>(::GetWindowTextLengthW(hwnd)) == text.size();
}

bool TCustomEdit::ReplaceWindowText(const std::wstring& text) {
  HWND hwnd = Handle();
  const std::wstring previous = Text();
  if (SetWindowText(text)) return true;
  setting_text_ = true;
  ::SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(previous.c_str()));
  setting_text_ = false;
  return false;
}

bool TCustomEdit::KeepTextUntilWindow(const std::wstring& text) {
  if (hwnd_ != nullptr) return false;
  if (text.find(L'\0') != std::wstring::npos) throw EInvalidOperation(std::string(msg::kMemoTooLarge));
  StoreText(text);
  return true;
}

void TCustomEdit::SetText(const std::wstring& text) {
  if (!KeepTextUntilWindow(text) && !ReplaceWindowText(text))
    throw EInvalidOperation(std::string(msg::kMemoTooLarge));
  Perform(CM_TEXTCHANGED);
  // The window's own change notification is held back while the text is set: one event here.
  Change();
}

void TCustomEdit::SetReadOnly(bool value) {
  if (read_only_ == value) return;
  read_only_ = value;
  if (hwnd_ != nullptr) ::SendMessageW(hwnd_, EM_SETREADONLY, value ? TRUE : FALSE, 0);
}

void TCustomEdit::SetMaxLength(int value) {
  if (max_length_ == value) return;
  max_length_ = value;
  if (hwnd_ != nullptr) ::SendMessageW(hwnd_, EM_SETLIMITTEXT, static_cast<WPARAM>(value), 0);
}

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
  if (border_style_ == value) return;
  border_style_ = value;
  if (hwnd_ != nullptr) {
    LONG ex = ::GetWindowLongW(hwnd_, GWL_EXSTYLE);
    ex = value == TBorderStyle::bsSingle ? (ex | WS_EX_CLIENTEDGE) : (ex & ~WS_EX_CLIENTEDGE);
    ::SetWindowLongW(hwnd_, GWL_EXSTYLE, ex);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

bool TCustomEdit::Modified() const {
  return hwnd_ != nullptr && ::SendMessageW(hwnd_, EM_GETMODIFY, 0, 0) != 0;
}

void TCustomEdit::SetModified(bool value) {
  if (hwnd_ != nullptr) ::SendMessageW(hwnd_, EM_SETMODIFY, value ? TRUE : FALSE, 0);
}

int TCustomEdit::SelStart() const {
  DWORD start = 0, end = 0;
  if (hwnd_ != nullptr)
    ::SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int value) {
  ::SendMessageW(const_cast<TCustomEdit*>(this)->Handle(), EM_SETSEL, static_cast<WPARAM>(value),
                 static_cast<LPARAM>(value));
}

int TCustomEdit::SelLength() const {
  DWORD start = 0, end = 0;
  if (hwnd_ != nullptr)
    ::SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int value) {
  const int start = SelStart();
  ::SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(start),
                 static_cast<LPARAM>(start + value));
}

std::wstring TCustomEdit::SelText() const {
  const int start = SelStart(), length = SelLength();
  return Text().substr(static_cast<size_t>(start), static_cast<size_t>(length));
}

void TCustomEdit::SetSelText(const std::wstring& text) {
  ::SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TCustomEdit::SelectAll() { ::SendMessageW(Handle(), EM_SETSEL, 0, -1); }
void TCustomEdit::ClearSelection() { ::SendMessageW(Handle(), WM_CLEAR, 0, 0); }
void TCustomEdit::Clear() { SetText(L""); }
void TCustomEdit::CopyToClipboard() { ::SendMessageW(Handle(), WM_COPY, 0, 0); }
void TCustomEdit::CutToClipboard() { ::SendMessageW(Handle(), WM_CUT, 0, 0); }
void TCustomEdit::PasteFromClipboard() { ::SendMessageW(Handle(), WM_PASTE, 0, 0); }

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::WndProc(TMessage& m) {
  if (text_in_control_ && !LeavesKeptText(m.Msg)) ApplyKeptText();
  switch (m.Msg) {
    case CN_COMMAND:
      if (HIWORD(m.WParam) == EN_CHANGE && !InState(csCreating) && !setting_text_) Change();
      return;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      ::SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font().Color())));
      ::SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(Color())));
      if (!color_brush_) color_brush_.reset(::CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color()))));
      m.Result = reinterpret_cast<LRESULT>(color_brush_.get());
      return;
    }
    case CM_COLORCHANGED:
      color_brush_.reset();
      TWinControl::WndProc(m);
      return;
    case WM_DESTROY:
      // The window goes while the control stays (made again later): the control keeps the text
      // (which it still holds when the window never took it).
      if (text_in_control_)
        text_in_control_ = false;
      else if (!IsDestroying())
        StoreText(Text());
      DefaultHandler(m);
      return;
    case WM_ERASEBKGND:
    case WM_PAINT:
      // The edit window paints itself.
      DefaultHandler(m);
      return;
    default:
      TWinControl::WndProc(m);
  }
}

// ---- TMemo -----------------------------------------------------------------------------------

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner) {
  SetBounds(0, 0, 185, 89);
}

void TMemo::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  params.style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
  params.style |= ES_MULTILINE | ES_AUTOVSCROLL;
  if (!word_wrap_ || scroll_bars_ == TScrollStyle::ssHorizontal ||
      scroll_bars_ == TScrollStyle::ssBoth)
    params.style |= ES_AUTOHSCROLL;
  if (scroll_bars_ == TScrollStyle::ssVertical || scroll_bars_ == TScrollStyle::ssBoth)
    params.style |= WS_VSCROLL;
  if (scroll_bars_ == TScrollStyle::ssHorizontal || scroll_bars_ == TScrollStyle::ssBoth)
    params.style |= WS_HSCROLL;
  if (want_returns_) params.style |= ES_WANTRETURN;
}

void TMemo::SetScrollBars(TScrollStyle value) {
  if (scroll_bars_ == value) return;
  scroll_bars_ = value;
  if (hwnd_ != nullptr) {
    LONG style = ::GetWindowLongW(hwnd_, GWL_STYLE) & ~(WS_VSCROLL | WS_HSCROLL);
    if (value == TScrollStyle::ssVertical || value == TScrollStyle::ssBoth) style |= WS_VSCROLL;
    if (value == TScrollStyle::ssHorizontal || value == TScrollStyle::ssBoth) style |= WS_HSCROLL;
    ::SetWindowLongW(hwnd_, GWL_STYLE, style);
    // The window keeps its old frame until it is told to measure it again: without this the
    // new bars take no room and are not drawn.
    ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

void TMemo::SetWordWrap(bool value) {
  if (word_wrap_ == value) return;
  word_wrap_ = value;
  if (hwnd_ != nullptr) {
    // The edit window reads this style only when it is created: make it again (with the text,
    // which the memo keeps meanwhile).
    const std::optional<std::string> ansi = ansi_cache_;
    DestroyWnd();
    CreateWnd();
    ansi_cache_ = ansi;
  }
}

const std::string& TMemo::AnsiText() const {
  if (!ansi_cache_) ansi_cache_ = win::AnsiFromWide(Text());
  return *ansi_cache_;
}

void TMemo::SetTextInternal(const std::wstring& wide, std::optional<std::string> ansi) {
  // On failure the previous text is back in the window and the remembered bytes still match it.
  if (!KeepTextUntilWindow(wide) && !ReplaceWindowText(wide))
    throw EInvalidOperation(std::string(msg::kMemoTooLarge));
  ansi_cache_ = std::move(ansi);
  Perform(CM_TEXTCHANGED);
  // A multi-line edit window does not report text set from outside; the memo does, once.
  Change();
}

void TMemo::SetAnsiText(std::string_view text) {
  SetTextInternal(win::WideFromAnsi(text), std::string(text));
}

void TMemo::SetText(const std::wstring& text) { SetTextInternal(text, std::nullopt); }

void TMemo::ScrollCaret() { ::SendMessageW(Handle(), EM_SCROLLCARET, 0, 0); }

void TMemo::WndProc(TMessage& m) {
  // Every message goes on to the edit base, which hands the window a kept text first.
  switch (m.Msg) {
    case WM_GETDLGCODE: {
      TCustomEdit::WndProc(m);
      if (want_tabs_) m.Result |= DLGC_WANTTAB; else m.Result &= ~DLGC_WANTTAB;
      if (!want_returns_) m.Result &= ~DLGC_WANTALLKEYS;
      return;
    }
    case WM_SETTEXT:
    case EM_REPLACESEL:
      if (!setting_text_) ansi_cache_.reset();
      break;
    case CN_COMMAND:
      // The user changed the text: the remembered bytes no longer match it.
      if (HIWORD(m.WParam) == EN_CHANGE && !setting_text_) ansi_cache_.reset();
      break;
    default:
      break;
  }
  TCustomEdit::WndProc(m);
}

// ---- TMemoStrings ----------------------------------------------------------------------------

int TMemoStrings::Count() const {
  HWND hwnd = memo_.Handle();
  int count = static_cast<int>(::SendMessageW(hwnd, EM_GETLINECOUNT, 0, 0));
  // A last empty line after a final line break is not a line of its own.
  const LRESULT last_start = ::SendMessageW(hwnd, EM_LINEINDEX, static_cast<WPARAM>(count - 1), 0);
  if (::SendMessageW(hwnd, EM_LINELENGTH, static_cast<WPARAM>(last_start), 0) == 0) --count;
  return count;
}

std::string TMemoStrings::Get(int index) const {
  HWND hwnd = memo_.Handle();
  const LRESULT start = ::SendMessageW(hwnd, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  if (start < 0) return {};
  const LRESULT length = ::SendMessageW(hwnd, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  if (length >= 0xFFFF) {
    // EM_GETLINE is told the buffer size in one 16-bit word: a longer line comes from the text.
    const std::wstring all = memo_.Text();
    const size_t from = std::min(static_cast<size_t>(start), all.size());
    return win::AnsiFromWide(std::wstring_view(all).substr(from, static_cast<size_t>(length)));
  }
  std::wstring line(static_cast<size_t>(std::max<LRESULT>(length, 1)) + 1, L'\0');
  *reinterpret_cast<WORD*>(line.data()) = static_cast<WORD>(std::min<LRESULT>(length + 1, 0xFFFF));
  const LRESULT got = ::SendMessageW(hwnd, EM_GETLINE, static_cast<WPARAM>(index),
                                     reinterpret_cast<LPARAM>(line.data()));
  line.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
  return win::AnsiFromWide(line);
}

void TMemoStrings::Put(int index, const std::string& s) {
  HWND hwnd = memo_.Handle();
  const LRESULT start = ::SendMessageW(hwnd, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  if (start < 0) return;
  const LRESULT length = ::SendMessageW(hwnd, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  ::SendMessageW(hwnd, EM_SETSEL, static_cast<WPARAM>(start), start + length);
  const std::wstring wide = win::WideFromAnsi(s);
  ::SendMessageW(hwnd, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void TMemoStrings::Insert(int index, const std::string& s) {
  std::string text = Text();
  // Find the start of line `index` in the CR LF joined text.
  size_t pos = 0;
  for (int i = 0; i < index && pos != std::string::npos; ++i) {
    pos = text.find("\r\n", pos);
    if (pos != std::string::npos) pos += 2;
  }
  if (pos == std::string::npos || pos > text.size()) pos = text.size();
  // After a last line without a line break the new line still starts a line of its own.
  if (pos == text.size() && !text.empty() && !text.ends_with("\r\n")) {
    text += "\r\n";
    pos = text.size();
  }
  text.insert(pos, s + "\r\n");
  memo_.SetAnsiText(text);
}

void TMemoStrings::Delete(int index) {
  std::string text = Text();
  size_t pos = 0;
  for (int i = 0; i < index && pos != std::string::npos; ++i) {
    pos = text.find("\r\n", pos);
    if (pos != std::string::npos) pos += 2;
  }
  if (pos == std::string::npos || pos >= text.size()) return;
  size_t end = text.find("\r\n", pos);
  end = end == std::string::npos ? text.size() : end + 2;
  text.erase(pos, end - pos);
  memo_.SetAnsiText(text);
}

void TMemoStrings::Clear() { memo_.SetAnsiText({}); }

std::string TMemoStrings::Text() const { return memo_.AnsiText(); }

void TMemoStrings::SetText(std::string_view text) { memo_.SetAnsiText(text); }

}  // namespace vornada
