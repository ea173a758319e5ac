// Names of the helper files of a hosts-file save (see SaveFileNames.h).
#include "SaveFileNames.h"

namespace vornada::hosts {

namespace {

wchar_t LowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; }

bool EqualIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool IsTagCharacter(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
         c == L'-';
}

}  // namespace

std::wstring SaveHelperFileName(std::wstring_view file_name, uint64_t token,
                                std::wstring_view suffix) {
  static constexpr wchar_t kHexDigits[] = L"0123456789abcdef";
  std::wstring name(file_name);
  name += L'.';
  for (int shift = 60; shift >= 0; shift -= 4) name += kHexDigits[(token >> shift) & 0xF];
  name += suffix;
  return name;
}

bool IsSaveHelperFileName(std::wstring_view name, std::wstring_view file_name,
                          std::wstring_view suffix) {
  // At least one tag character between "<file_name>." and the suffix.
  if (name.size() < file_name.size() + 2 + suffix.size()) return false;
  if (!EqualIgnoringAsciiCase(name.substr(0, file_name.size()), file_name)) return false;
  if (name[file_name.size()] != L'.') return false;
  if (!EqualIgnoringAsciiCase(name.substr(name.size() - suffix.size()), suffix)) return false;
  const std::wstring_view tag =
      name.substr(file_name.size() + 1, name.size() - suffix.size() - file_name.size() - 1);
  for (wchar_t c : tag) {
    if (!IsTagCharacter(c)) return false;
  }
  return true;
}

uint64_t MixBits(uint64_t seed) {
  uint64_t z = seed + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace vornada::hosts
