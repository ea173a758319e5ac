// Loading system libraries at first use (see SystemLibrary.h).
#include "SystemLibrary.h"

namespace vornada::win {

FARPROC SystemLibraryProc(const wchar_t* library, const char* name) {
  // Loading an already loaded library only finds it again (and counts one more use, which is
  // harmless for a library that stays loaded anyway).
  HMODULE module = ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return module != nullptr ? ::GetProcAddress(module, name) : nullptr;
}

}  // namespace vornada::win
