// The flat edit: creation styles, the flat border, the text and selection operations, the
// height that follows the font, and the messages of the wrapped edit window.
#include "FlEdit.h"

#include <algorithm>

#include "FlGeometry.h"
#include "ScopeExit.h"

namespace vornada {

namespace {

// Draws `rings` one-pixel rings of `color` along the inside of `r` and shrinks `r` past them.
void DrawRings(HDC dc, flat::Rect& r, int rings, TColor color) {
  const std::vector<flat::RingPolylines> polylines = flat::FrameRings(r, rings);
  win::UniquePen pen(::CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(color))));
  win::ScopedSelectObject select(dc, pen.get());
  for (const flat::RingPolylines& ring : polylines) {
    for (const auto& line : {ring.first, ring.second}) {
      const POINT points[3] = {{line[0].x, line[0].y}, {line[1].x, line[1].y},
                               {line[2].x, line[2].y}};
      ::Polyline(dc, points, 3);
    }
  }
}

}  // namespace

TFlEdit::TFlEdit(TComponent* owner) : TWinControl(owner) {
  control_style_ = csClickEvents | csSetCaption | csDoubleClicks | csFixedHeight;
  SetParentColor(false);
  SetColor(clWhite);
  SetBounds(Left(), Top(), 121, 25);
  AdjustHeight();
  SetTabStop(true);
}

LRESULT TFlEdit::Send(UINT msg, WPARAM wparam, LPARAM lparam) const {
  return hwnd_ != nullptr ? ::SendMessageW(hwnd_, msg, wparam, lparam) : 0;
}

// ---- properties ------------------------------------------------------------------------------

void TFlEdit::SetAutoSize(bool value) {
  if (auto_size_ == value) return;
  auto_size_ = value;
  control_style_ &= ~csFixedHeight;
}

void TFlEdit::SetCharCase(TEditCharCase value) {
  if (char_case_ == value) return;
  char_case_ = value;
  RecreateWnd();
}

void TFlEdit::SetEnabledBorderColor(TColor value) {
  if (enabled_border_color_ == value) return;
  enabled_border_color_ = value;
  Invalidate();
}

void TFlEdit::SetDisabledBorderColor(TColor value) {
  if (disabled_border_color_ == value) return;
  disabled_border_color_ = value;
  Invalidate();
}

void TFlEdit::SetEnabledBorderWidth(int value) {
  value = std::clamp(value, 1, 3);
  if (enabled_border_width_ == value) return;
  enabled_border_width_ = value;
  Invalidate();
}

void TFlEdit::SetDisabledBorderWidth(int value) {
  value = std::clamp(value, 1, 3);
  if (disabled_border_width_ == value) return;
  disabled_border_width_ = value;
  Invalidate();
}

void TFlEdit::SetMaxLength(int value) {
  if (max_length_ == value) return;
  max_length_ = value;
  if (hwnd_ != nullptr) SendMaxLength();
  const std::wstring text = Text();
  if (value > 0 && text.size() > static_cast<size_t>(value))
    SetText(text.substr(0, static_cast<size_t>(value)));
}

void TFlEdit::SendMaxLength() {
  // 0 lifts the window's default limit of typed characters.
  Send(EM_SETLIMITTEXT, static_cast<WPARAM>(std::max(max_length_, 0)));
}

void TFlEdit::SetPasswordChar(wchar_t value) {
  if (password_char_ == value) return;
  password_char_ = value;
  if (hwnd_ == nullptr) return;
  Send(EM_SETPASSWORDCHAR, static_cast<WPARAM>(value));
  // The same text again makes the window draw it with the new mask at once; the text itself
  // did not change, so no change event.
  const std::wstring text = Text();
  setting_text_ = true;
  ScopeExit done([this] { setting_text_ = false; });
  ::SendMessageW(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TFlEdit::SetReadOnly(bool value) {
  if (read_only_ == value) return;
  read_only_ = value;
  Send(EM_SETREADONLY, value ? TRUE : FALSE);
}

std::wstring TFlEdit::Text() const {
  if (hwnd_ == nullptr) return stored_text_;
  const int length = ::GetWindowTextLengthW(hwnd_);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(hwnd_, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

void TFlEdit::SetText(const std::wstring& text) {
  if (Text() == text) return;
  if (hwnd_ != nullptr) {
    // The window reports the change itself (OnChange from its notification).
    ::SendMessageW(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  } else {
    stored_text_ = text;
  }
  Perform(CM_TEXTCHANGED);
}

bool TFlEdit::Modified() const {
  return hwnd_ != nullptr ? Send(EM_GETMODIFY) != 0 : stored_modified_;
}

void TFlEdit::SetModified(bool value) {
  if (hwnd_ != nullptr) {
    Send(EM_SETMODIFY, value ? TRUE : FALSE);
  } else {
    stored_modified_ = value;
  }
}

// ---- selection -------------------------------------------------------------------------------

int TFlEdit::SelStart() const {
  DWORD start = 0, end = 0;
  Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

int TFlEdit::SelLength() const {
  DWORD start = 0, end = 0;
  Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

std::wstring TFlEdit::SelText() const {
  const std::wstring text = Text();
  const size_t start = std::min(static_cast<size_t>(std::max(SelStart(), 0)), text.size());
  return text.substr(start, static_cast<size_t>(std::max(SelLength(), 0)));
}

void TFlEdit::SetSelStart(int value) {
  ::SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(value), static_cast<LPARAM>(value));
}

void TFlEdit::SetSelLength(int value) {
  const int start = SelStart();
  ::SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(start),
                 static_cast<LPARAM>(start + value));
}

void TFlEdit::Clear() { SetText(L""); }

int TFlEdit::GetSelTextBuf(wchar_t* buffer, int buffer_size) const {
  if (buffer == nullptr || buffer_size <= 0) return 0;
  const std::wstring selected = SelText();
  const size_t count = std::min(selected.size(), static_cast<size_t>(buffer_size - 1));
  std::copy_n(selected.begin(), count, buffer);
  buffer[count] = L'\0';
  return static_cast<int>(count);
}

void TFlEdit::SelectAll() { Send(EM_SETSEL, 0, -1); }

void TFlEdit::SetSelText(const std::wstring& text) {
  ::SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TFlEdit::Change() {
  if (OnChange) OnChange(this);
}

// ---- window ----------------------------------------------------------------------------------

void TFlEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.subclass_of = L"EDIT";
  params.style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (password_char_ != 0) params.style |= ES_PASSWORD;
  if (read_only_) params.style |= ES_READONLY;
  if (char_case_ == TEditCharCase::ecUpperCase) params.style |= ES_UPPERCASE;
  if (char_case_ == TEditCharCase::ecLowerCase) params.style |= ES_LOWERCASE;
  // The platform's new-style look: a sunken client edge instead of a plain border.
  params.style &= ~static_cast<DWORD>(WS_BORDER);
  params.ex_style |= WS_EX_CLIENTEDGE;
}

void TFlEdit::CreateWnd() {
  if (hwnd_ != nullptr) return;
  const bool was_creating = creating_;
  creating_ = true;
  ScopeExit done([this, was_creating] { creating_ = was_creating; });
  TWinControl::CreateWnd();
  if (hwnd_ == nullptr) return;
  SendMaxLength();
  Send(EM_SETMODIFY, stored_modified_ ? TRUE : FALSE);
  if (password_char_ != 0) Send(EM_SETPASSWORDCHAR, static_cast<WPARAM>(password_char_));
  // From now on the height no longer follows the font.
  control_style_ &= ~csFixedHeight;
}

void TFlEdit::RememberWindowState() {
  if (hwnd_ == nullptr) return;
  stored_modified_ = Send(EM_GETMODIFY) != 0;
  stored_text_ = Text();
}

void TFlEdit::DestroyWnd() {
  RememberWindowState();
  TWinControl::DestroyWnd();
}

void TFlEdit::RecreateWnd() {
  if (hwnd_ == nullptr) return;
  const bool had_focus = Focused();
  DestroyWnd();
  CreateWnd();
  if (had_focus && CanFocus()) SetFocus();
}

void TFlEdit::AdjustHeight() {
  win::ScopedGetDC dc(nullptr);
  TEXTMETRICW system_metrics{}, font_metrics{};
  {
    win::ScopedSelectObject select(dc, ::GetStockObject(SYSTEM_FONT));
    ::GetTextMetricsW(dc, &system_metrics);
  }
  {
    win::ScopedSelectObject select(dc, Font().Handle());
    ::GetTextMetricsW(dc, &font_metrics);
  }
  SetHeight(flat::EditAutoHeight(font_metrics.tmHeight, system_metrics.tmHeight,
                                 ::GetSystemMetrics(SM_CYBORDER), true, true));
}

// The flat border over the whole window (the sunken edge included): rings in the border colour
// of the current look, then one ring in the field's colour inside them.
void TFlEdit::DrawFlatBorder() {
  if (hwnd_ == nullptr) return;
  RECT window{};
  ::GetWindowRect(hwnd_, &window);
  flat::Rect r{0, 0, window.right - window.left, window.bottom - window.top};
  win::ScopedGetWindowDC dc(hwnd_);
  if (dc.get() == nullptr) return;
  // The caret may stand on the field's outer pixels: keep it out of the drawing.
  const bool caret_hidden = ::HideCaret(hwnd_) != FALSE;
  ScopeExit show_caret([this, caret_hidden] {
    if (caret_hidden) ::ShowCaret(hwnd_);
  });
  if (Enabled()) {
    DrawRings(dc, r, enabled_border_width_, enabled_border_color_);
  } else {
    DrawRings(dc, r, disabled_border_width_, disabled_border_color_);
  }
  DrawRings(dc, r, 1, Color());
}

void TFlEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT:
      // The border goes on before the field paints itself, and once more afterwards: rings
      // that reach into the field (widths 2 and 3) would otherwise be painted over by it.
      DrawFlatBorder();
      DefaultHandler(m);
      DrawFlatBorder();
      return;
    case WM_NCPAINT:
      // A repainted frame (the sunken edge alone) gets its border back.
      DefaultHandler(m);
      DrawFlatBorder();
      return;
    case WM_ERASEBKGND:
      DefaultHandler(m);
      return;
    case CN_COMMAND:
      if (HIWORD(m.WParam) == EN_CHANGE && !creating_ && !InState(csCreating) && !setting_text_)
        Change();
      return;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      ::SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font().Color())));
      ::SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(Color())));
      if (!color_brush_)
        color_brush_.reset(::CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color()))));
      m.Result = reinterpret_cast<LRESULT>(color_brush_.get());
      return;
    }
    case CM_COLORCHANGED:
      color_brush_.reset();
      break;
    case CM_ENABLEDCHANGED:
      TWinControl::WndProc(m);
      Invalidate();
      return;
    case WM_SETFOCUS:
      // Entered from the keyboard (not by a click): the whole text is selected.
      if (!InState(csLButtonDown) && ::GetKeyState(VK_LBUTTON) >= 0) SelectAll();
      break;
    case WM_SETFONT:
      DefaultHandler(m);
      Send(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
      return;
    case CM_FONTCHANGED:
      TWinControl::WndProc(m);
      if (HasStyle(csFixedHeight) && !(IsDesigning() && IsLoading())) AdjustHeight();
      return;
    case CM_TEXTCHANGED:
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      if (m.LParam == 0 || m.LParam == reinterpret_cast<LPARAM>(this)) {
        const TNotifyEvent handler = m.Msg == CM_MOUSEENTER ? OnMouseEnter : OnMouseLeave;
        if (handler) handler(this);
      }
      break;
    case WM_DESTROY:
      // Also when the window goes with its parent's: text and modified flag stay for the next.
      RememberWindowState();
      break;
    default:
      break;
  }
  TWinControl::WndProc(m);
}

}  // namespace vornada
