// Text conversions for the W functions and the system's error messages.
#include "WinUtil.h"

#include <climits>

#include "Text.h"
#include "WinHandles.h"

namespace vornada::win {

std::wstring WideFromUtf8(std::string_view utf8) { return WideString(Utf16FromUtf8(utf8)); }

std::string Utf8FromWide(std::wstring_view wide) {
  return Utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()),
                                           wide.size()));
}

std::wstring WideFromAnsi(std::string_view ansi, UINT code_page) {
  std::wstring out;
  std::size_t done = 0;
  // MultiByteToWideChar takes int lengths: convert in slices that end on a whole character.
  while (done < ansi.size()) {
    std::size_t slice = std::min<std::size_t>(ansi.size() - done, INT_MAX / 2);
    if (done + slice < ansi.size()) {
      // Do not cut a double-byte character in two.
      while (slice > 1 && IsDBCSLeadByteEx(code_page, static_cast<BYTE>(ansi[done + slice - 1])))
        --slice;
    }
    const int in_len = static_cast<int>(slice);
    const int n = ::MultiByteToWideChar(code_page, 0, ansi.data() + done, in_len, nullptr, 0);
    if (n <= 0) break;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n));
    ::MultiByteToWideChar(code_page, 0, ansi.data() + done, in_len, out.data() + at, n);
    done += slice;
  }
  return out;
}

std::string AnsiFromWide(std::wstring_view wide, UINT code_page) {
  std::string out;
  std::size_t done = 0;
  while (done < wide.size()) {
    std::size_t slice = std::min<std::size_t>(wide.size() - done, INT_MAX / 4);
    if (done + slice < wide.size() && IS_HIGH_SURROGATE(wide[done + slice - 1])) --slice;
    const int in_len = static_cast<int>(slice);
    const int n = ::WideCharToMultiByte(code_page, 0, wide.data() + done, in_len, nullptr, 0,
                                        nullptr, nullptr);
    if (n <= 0) break;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n));
    ::WideCharToMultiByte(code_page, 0, wide.data() + done, in_len, out.data() + at, n, nullptr,
                          nullptr);
    done += slice;
  }
  return out;
}

std::string SysErrorMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD len = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
          FORMAT_MESSAGE_ARGUMENT_ARRAY,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (buffer != nullptr) {
    text.assign(buffer, len);
    ::LocalFree(buffer);
  }
  while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
  return Utf8FromWide(text);
}

}  // namespace vornada::win
