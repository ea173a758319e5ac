// Keyboard cues: whether a window shows focus rectangles and accelerator underlines. Each
// framework window keeps its own state (the UISF_HIDEFOCUS and UISF_HIDEACCEL flags) and answers
// the platform's messages for it itself, so that the state behaves the same on every platform
// the program runs on (Wine, for one, answers WM_QUERYUISTATE with 0 whatever happened):
//  - WM_QUERYUISTATE returns the window's flags;
//  - WM_UPDATEUISTATE sets (UIS_SET), clears (UIS_CLEAR) or initialises (UIS_INITIALIZE: clear
//    when the last input was a key, set when it was a mouse button) flags of the window and of
//    all its child windows;
//  - WM_CHANGEUISTATE climbs to the top-level window, which updates itself and its children when
//    that changes its flags.
// A new window starts with its parent window's flags; a top-level window with both cues hidden,
// unless the user asked the system to always show them. Alt shows the accelerator cues, moving
// the focus with Tab or the arrow keys shows the focus cues.
#pragma once

#include <windows.h>

namespace vornada {

class TWinControl;
struct TMessage;

// Handles WM_QUERYUISTATE, WM_UPDATEUISTATE and WM_CHANGEUISTATE for a framework window.
bool HandleUiStateMessage(TWinControl& control, TMessage& message);
// The flags a window of `parent` (null: a top-level window) starts with.
unsigned InitialUiState(const TWinControl* parent);
// Remembers whether the last input of the user-interface thread came from the keyboard or the
// mouse (for UIS_INITIALIZE); called for every message of a framework window.
void NoteInputMessage(UINT message);
bool LastInputWasKeyboard();

// The cue flags of a window (WM_QUERYUISTATE).
unsigned QueryUiState(HWND window);
bool FocusCuesShown(HWND window);
bool AccelCuesShown(HWND window);
// Shows cues (`flags`: UISF_HIDEFOCUS and/or UISF_HIDEACCEL) in the whole top-level window of
// `window`, as keyboard use does.
void ShowKeyboardCues(HWND window, unsigned flags);

}  // namespace vornada
