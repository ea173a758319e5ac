// Switching the keyboard layout of the user-interface thread to US English or Russian, and the
// indicator text of the active layout.
//
// The layout is loaded and activated through a loader that is the system's LoadKeyboardLayoutW
// unless replaced; tests replace it to see a refused switch (some systems load any layout).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vornada {

using KeyboardLayoutLoader = HKL(WINAPI*)(LPCWSTR name, UINT flags);

// Replaces the loader; returns the one in use before.
KeyboardLayoutLoader SetKeyboardLayoutLoader(KeyboardLayoutLoader loader);

// Loads the layout `name` (eight hex digits) and makes it the active layout of the calling
// thread (KLF_ACTIVATE); when no handle comes back, shows `failure_text` in the application's
// message box (its title as caption, one OK button). Returns the handle (null on failure).
HKL SwitchKeyboardLayout(const wchar_t* name, std::u16string_view failure_text);

inline constexpr wchar_t kLayoutNameEnglish[] = L"00000409";
inline constexpr wchar_t kLayoutNameRussian[] = L"00000419";
inline constexpr std::u16string_view kEnglishLayoutFailure =
    u"Не удалось переключить раскладку на английский язык.";
inline constexpr std::u16string_view kRussianLayoutFailure =
    u"Не удалось переключить раскладку на русский язык.";

// The indicator text of the calling thread's active layout.
std::wstring ActiveLayoutIndicatorText();

}  // namespace vornada
