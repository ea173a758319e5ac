// The hosts file's bytes as the editor's text and back, with the system's ANSI code page for
// files without a byte-order mark.
//
// A file without a mark is UTF-8 when its bytes are valid UTF-8 and not all ASCII; otherwise it
// is text in the ANSI code page when decoding and encoding it again gives exactly its bytes;
// otherwise it is not readable. Files with a mark are read in the form the mark names. The code
// page is a parameter so that every code page can be tried whatever the system's own is.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "HostsEncoding.h"
#include "SysUtils.h"

namespace vornada::hosts {

// The hosts file's text could not be read, or the editor's text cannot be saved in the file's
// form; the message (UTF-8) says which, for the user.
VORNADA_EXCEPTION(EHostsText, Exception);

struct DecodedHostsText {
  TextForm form;
  std::wstring text;  // the file's line breaks as they are
};

// The file's text and form; nullopt when it is not readable (bytes valid in no form, or a NUL
// character, which the editor memo cannot hold).
std::optional<DecodedHostsText> DecodeHostsBytes(std::string_view bytes, UINT code_page);

// The bytes of `text` in `form` (the mark first); or, when a character cannot be written in
// that form exactly, no bytes and the 1-based number of its line.
struct EncodedHostsText {
  std::string bytes;
  int bad_line = 0;
};
EncodedHostsText EncodeHostsText(std::wstring_view text, TextForm form, UINT code_page);

}  // namespace vornada::hosts
