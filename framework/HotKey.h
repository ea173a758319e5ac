// Accelerator ("hot key") characters of captions: in a caption such as "&Save" the character
// after the ampersand is the accelerator and is shown underlined; "&&" stands for one ampersand.
// Portable: no windows.h.
#pragma once

#include <string_view>

namespace vornada {

// The accelerator character of `caption`: the character after the first single "&"; 0 when
// the caption has none (no "&", only doubled ones, or a "&" at the very end).
char16_t HotKeyOf(std::u16string_view caption);

}  // namespace vornada
