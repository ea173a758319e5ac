// The keyboard-layout indicator of the password screen: the short text shown for the active
// layout's language, and the language identifier a layout handle carries. Portable.
#pragma once

#include <cstdint>
#include <string_view>

namespace vornada {

inline constexpr uint16_t kLanguageEnglishUs = 0x0409;
inline constexpr uint16_t kLanguageRussian = 0x0419;
inline constexpr uint16_t kLanguageKazakh = 0x043F;

// The language identifier of a keyboard layout handle: its low 16 bits.
constexpr uint16_t LayoutLanguage(uintptr_t layout_handle) {
  return static_cast<uint16_t>(layout_handle & 0xFFFF);
}

// "eng" for US English, "рус" for Russian, "каз" for Kazakh, "???" for every other language.
std::u16string_view LayoutIndicatorText(uint16_t language);

}  // namespace vornada
