// Small Win32 helpers shared by the framework: text conversions for the W functions and the
// system's error messages.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vornada::win {

std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
// 8-bit text in a code page (the system's ANSI code page by default) to UTF-16 and back.
std::wstring WideFromAnsi(std::string_view ansi, UINT code_page = CP_ACP);
std::string AnsiFromWide(std::wstring_view wide, UINT code_page = CP_ACP);

// The system's message for an error code, as UTF-8, without the trailing line break, blanks and
// full stops that the system puts at its end.
std::string SysErrorMessage(DWORD code);

}  // namespace vornada::win
