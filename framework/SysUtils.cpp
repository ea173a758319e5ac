// Message formatting for the framework's exceptions.
#include "SysUtils.h"

#include <initializer_list>

namespace vornada {

std::string FormatMessageText(std::string_view pattern,
                              std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(pattern.size() + 64);
  auto next = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size()) {
      const char directive = pattern[i + 1];
      if (directive == '%') {
        out.push_back('%');
        ++i;
        continue;
      }
      if (directive == 's' || directive == 'd') {
        if (next != args.end()) out.append(*next++);
        ++i;
        continue;
      }
    }
    out.push_back(pattern[i]);
  }
  return out;
}

}  // namespace vornada
