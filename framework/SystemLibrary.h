// Functions of system libraries that the program needs only now and then (digests, visual
// styles, opening a web address), found when they are first called instead of imported: every
// library an exe imports is loaded and set up before the program's first line runs, and some
// (the digest library with its crypto back end, the shell) take a noticeable part of the
// start-up time.
#pragma once

#include <windows.h>

namespace vornada::win {

// The function `name` of the system library `library` (looked for in the system directory
// only), or null when the library or the function is missing. A library, once loaded, stays
// loaded for the rest of the process.
FARPROC SystemLibraryProc(const wchar_t* library, const char* name);

// The same, typed: `SystemFunction<decltype(::ShellExecuteW)>(L"shell32.dll", "ShellExecuteW")`.
template <typename Function>
Function* SystemFunction(const wchar_t* library, const char* name) {
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(SystemLibraryProc(library, name)));
}

}  // namespace vornada::win
