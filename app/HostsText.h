// Line breaks of the hosts file text. Portable: no windows.h.
//
// The editor shows the file with CR LF line breaks: every CR LF pair, every lone CR and every
// lone LF of the file becomes one CR LF. Nothing else in the text is touched.
#pragma once

#include <string>
#include <string_view>

namespace vornada::hosts {

// The text with every line break as CR LF (the file's bytes, or the editor's UTF-16 text).
std::string NormaliseLineBreaks(std::string_view text);
std::u16string NormaliseLineBreaks(std::u16string_view text);

// Whether NormaliseLineBreaks(raw) would equal `normalised`, without building it.
bool EqualsNormalised(std::string_view raw, std::string_view normalised);

}  // namespace vornada::hosts
