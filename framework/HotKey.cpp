// Accelerator characters of captions.
#include "HotKey.h"

namespace vornada {

char16_t HotKeyOf(std::u16string_view caption) {
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (i + 1 >= caption.size()) return 0;
    if (caption[i + 1] != u'&') return caption[i + 1];
    ++i;  // "&&": a shown ampersand, not a marker
  }
  return 0;
}

}  // namespace vornada
