// The hosts file's text forms and the conversions between its bytes and the editor's UTF-16
// text. Portable: no windows.h (the ANSI code-page conversion lives in HostsEncoding_win).
//
// A file is read in the form its bytes announce: a UTF-8, UTF-16 LE or UTF-16 BE byte-order
// mark, otherwise plain bytes that are either text in the system's ANSI code page or UTF-8
// without a mark. It is written back in the same form, the mark kept, so that every line the
// user did not touch keeps its bytes. Text the editor memo cannot hold (a NUL character) or
// bytes that are not valid in their form make the file "not readable": its text was not read and
// nothing may be saved over it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "HostsText.h"

namespace vornada::hosts {

enum class TextForm { kAnsi, kUtf8, kUtf8Bom, kUtf16LeBom, kUtf16BeBom };

inline constexpr size_t kNoPosition = std::u16string_view::npos;

// The form announced by a byte-order mark at the start of the bytes; kAnsi without one.
TextForm FormByMark(std::string_view bytes);
// The byte-order mark of a form ("" for kAnsi and kUtf8).
std::string_view MarkOf(TextForm form);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no cut-off sequence.
bool IsValidUtf8(std::string_view bytes);
// The UTF-16 text of valid UTF-8 bytes; nullopt when they are not valid.
std::optional<std::u16string> DecodeUtf8(std::string_view bytes);
// The UTF-16 text of UTF-16 bytes in the given byte order; nullopt for an odd byte count or an
// unpaired surrogate.
std::optional<std::u16string> DecodeUtf16(std::string_view bytes, bool big_endian);

// The position of the first surrogate that is not part of a pair; kNoPosition when none.
size_t FirstUnpairedSurrogate(std::u16string_view text);
// The first NUL character; kNoPosition when none.
size_t FirstNul(std::u16string_view text);

// Encodings of text without unpaired surrogates (an unpaired one is written as U+FFFD; callers
// check with FirstUnpairedSurrogate first).
std::string EncodeUtf8(std::u16string_view text);
std::string EncodeUtf16(std::u16string_view text, bool big_endian);

// The text of a whole file in one of the Unicode forms (kUtf8 or a form with a mark; the mark
// is not part of the text); nullopt when the bytes are not valid in that form or the text holds
// a NUL character.
std::optional<std::u16string> DecodeUnicodeFile(std::string_view bytes, TextForm form);

// A whole file's bytes in one of the Unicode forms, the mark first; or, when the text holds a
// character the form cannot hold (an unpaired surrogate), no bytes and that character's
// position.
struct EncodedText {
  std::string bytes;
  size_t bad_position = kNoPosition;
};
EncodedText EncodeUnicodeFile(std::u16string_view text, TextForm form);

// The 1-based number of the line holding the character at `position` (a CR LF pair, a lone CR
// and a lone LF each end a line; a position past the end counts as on the last line).
int LineNumberAt(std::u16string_view text, size_t position);

}  // namespace vornada::hosts
