// Keyboard cues kept by each framework window (see KeyboardCues.h).
#include "KeyboardCues.h"

#include "Controls.h"

namespace vornada {

namespace {
constexpr unsigned kCueFlags = UISF_HIDEFOCUS | UISF_HIDEACCEL;
thread_local bool t_last_input_keyboard = false;

unsigned Apply(unsigned state, WORD action, unsigned flags) {
  flags &= kCueFlags;
  switch (action) {
    case UIS_SET: return state | flags;
    case UIS_CLEAR: return state & ~flags;
    case UIS_INITIALIZE: return t_last_input_keyboard ? (state & ~flags) : (state | flags);
    default: return state;
  }
}
}  // namespace

void NoteInputMessage(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      t_last_input_keyboard = true;
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      t_last_input_keyboard = false;
      break;
    default:
      break;
  }
}

bool LastInputWasKeyboard() { return t_last_input_keyboard; }

unsigned InitialUiState(const TWinControl* parent) {
  if (parent != nullptr && parent->HandleAllocated())
    return QueryUiState(const_cast<TWinControl*>(parent)->Handle());
  BOOL always_shown = FALSE;
  ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always_shown, 0);
  return always_shown ? 0u : kCueFlags;
}

bool HandleUiStateMessage(TWinControl& control, TMessage& m) {
  const WORD action = LOWORD(m.WParam);
  const unsigned flags = HIWORD(m.WParam);
  switch (m.Msg) {
    case WM_QUERYUISTATE:
      m.Result = control.ui_state_;
      return true;
    case WM_UPDATEUISTATE: {
      control.ui_state_ = Apply(control.ui_state_, action, flags);
      m.Result = 0;
      if (!control.HandleAllocated()) return true;
      // Every child window follows, framework windows and others alike.
      for (HWND child = ::GetWindow(control.Handle(), GW_CHILD); child != nullptr;
           child = ::GetWindow(child, GW_HWNDNEXT))
        ::SendMessageW(child, WM_UPDATEUISTATE, m.WParam, m.LParam);
      return true;
    }
    case WM_CHANGEUISTATE: {
      m.Result = 0;
      if (!control.HandleAllocated()) return true;
      const HWND hwnd = control.Handle();
      const HWND parent = ::GetParent(hwnd);
      if ((::GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) && parent != nullptr) {
        ::SendMessageW(parent, WM_CHANGEUISTATE, m.WParam, m.LParam);
        return true;
      }
      if (Apply(control.ui_state_, action, flags) != control.ui_state_)
        ::SendMessageW(hwnd, WM_UPDATEUISTATE, m.WParam, m.LParam);
      return true;
    }
    default:
      return false;
  }
}

unsigned QueryUiState(HWND window) {
  if (window == nullptr) return kCueFlags;
  return static_cast<unsigned>(::SendMessageW(window, WM_QUERYUISTATE, 0, 0));
}

bool FocusCuesShown(HWND window) { return (QueryUiState(window) & UISF_HIDEFOCUS) == 0; }
bool AccelCuesShown(HWND window) { return (QueryUiState(window) & UISF_HIDEACCEL) == 0; }

void ShowKeyboardCues(HWND window, unsigned flags) {
  if (window == nullptr) return;
  ::SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, flags & kCueFlags), 0);
}

}  // namespace vornada
