// The keyboard-layout indicator's texts.
#include "KeyboardLayout.h"

namespace vornada {

std::u16string_view LayoutIndicatorText(uint16_t language) {
  switch (language) {
    case kLanguageEnglishUs: return u"eng";
    case kLanguageRussian: return u"рус";
    case kLanguageKazakh: return u"каз";
    default: return u"???";
  }
}

}  // namespace vornada
