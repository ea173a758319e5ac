// Accelerator characters of captions (see AccelChars.h).
#include "AccelChars.h"

namespace vornada {

wchar_t AccelCharOf(std::wstring_view caption) {
  wchar_t result = 0;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != L'&' || i + 1 >= caption.size()) continue;
    ++i;  // the marked character (or the second "&" of a literal one) is consumed here
    if (caption[i] != L'&') result = caption[i];
  }
  return result;
}

std::wstring StripAccelChars(std::wstring_view caption) {
  std::wstring out;
  out.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&') {
      if (i + 1 >= caption.size()) break;
      ++i;
    }
    out.push_back(caption[i]);
  }
  return out;
}

}  // namespace vornada
