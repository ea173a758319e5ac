// Accelerator characters of captions: a "&" before a character marks that character as the
// caption's keyboard accelerator (drawn underlined), "&&" stands for one literal "&". Portable:
// no windows.h.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vornada {

// The caption's accelerator character, or 0 when it has none. When several are marked, the
// last one counts; "&&" marks nothing and a "&" at the very end marks nothing.
wchar_t AccelCharOf(std::wstring_view caption);

// The caption as it reads without accelerator marks: each single "&" is dropped (the character
// after it stays), "&&" becomes one "&", and a "&" at the very end is dropped.
std::wstring StripAccelChars(std::wstring_view caption);

}  // namespace vornada
