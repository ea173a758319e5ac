// Text forms of the hosts file: byte-order marks, strict UTF-8 and UTF-16 both ways.
#include "HostsEncoding.h"

#include <cstdint>

#include "Text.h"

namespace vornada::hosts {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

uint8_t Byte(std::string_view bytes, size_t i) { return static_cast<uint8_t>(bytes[i]); }

// Decodes one strict UTF-8 sequence at `i` and moves past it; -1 when it is not valid.
int32_t NextCodePoint(std::string_view bytes, size_t& i) {
  const char32_t cp = detail::DecodeUtf8(bytes, i);
  return cp == detail::kInvalidUtf8 ? -1 : static_cast<int32_t>(cp);
}

}  // namespace

TextForm FormByMark(std::string_view bytes) {
  if (bytes.substr(0, 3) == kUtf8Mark) return TextForm::kUtf8Bom;
  if (bytes.substr(0, 2) == kUtf16LeMark) return TextForm::kUtf16LeBom;
  if (bytes.substr(0, 2) == kUtf16BeMark) return TextForm::kUtf16BeBom;
  return TextForm::kAnsi;
}

std::string_view MarkOf(TextForm form) {
  switch (form) {
    case TextForm::kUtf8Bom: return kUtf8Mark;
    case TextForm::kUtf16LeBom: return kUtf16LeMark;
    case TextForm::kUtf16BeBom: return kUtf16BeMark;
    case TextForm::kAnsi:
    case TextForm::kUtf8: break;
  }
  return {};
}

bool IsValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();)
    if (NextCodePoint(bytes, i) < 0) return false;
  return true;
}

std::optional<std::u16string> DecodeUtf8(std::string_view bytes) {
  if (!IsValidUtf8(bytes)) return std::nullopt;
  return Utf16FromUtf8(bytes);
}

std::optional<std::u16string> DecodeUtf16(std::string_view bytes, bool big_endian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t k = 0; k < out.size(); ++k) {
    const uint8_t first = Byte(bytes, 2 * k), second = Byte(bytes, 2 * k + 1);
    out[k] = static_cast<char16_t>(big_endian ? (first << 8) | second : (second << 8) | first);
  }
  if (FirstUnpairedSurrogate(out) != kNoPosition) return std::nullopt;
  return out;
}

size_t FirstUnpairedSurrogate(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      return i;
    }
  }
  return kNoPosition;
}

size_t FirstNul(std::u16string_view text) { return text.find(u'\0'); }

std::string EncodeUtf8(std::u16string_view text) { return Utf8FromUtf16(text); }

std::string EncodeUtf16(std::u16string_view text, bool big_endian) {
  std::string out(text.size() * 2, '\0');
  for (size_t k = 0; k < text.size(); ++k) {
    const char high = static_cast<char>(text[k] >> 8), low = static_cast<char>(text[k] & 0xFF);
    out[2 * k] = big_endian ? high : low;
    out[2 * k + 1] = big_endian ? low : high;
  }
  return out;
}

std::optional<std::u16string> DecodeUnicodeFile(std::string_view bytes, TextForm form) {
  const std::string_view mark = MarkOf(form);
  if (bytes.substr(0, mark.size()) != mark) return std::nullopt;
  bytes.remove_prefix(mark.size());
  std::optional<std::u16string> text;
  switch (form) {
    case TextForm::kUtf8:
    case TextForm::kUtf8Bom: text = DecodeUtf8(bytes); break;
    case TextForm::kUtf16LeBom: text = DecodeUtf16(bytes, false); break;
    case TextForm::kUtf16BeBom: text = DecodeUtf16(bytes, true); break;
    case TextForm::kAnsi: break;
  }
  if (text && FirstNul(*text) != kNoPosition) return std::nullopt;
  return text;
}

EncodedText EncodeUnicodeFile(std::u16string_view text, TextForm form) {
  EncodedText out;
  if (form == TextForm::kAnsi) return out;
  out.bad_position = FirstUnpairedSurrogate(text);
  if (out.bad_position != kNoPosition) return out;
  out.bytes = MarkOf(form);
  if (form == TextForm::kUtf16LeBom || form == TextForm::kUtf16BeBom)
    out.bytes += EncodeUtf16(text, form == TextForm::kUtf16BeBom);
  else
    out.bytes += EncodeUtf8(text);
  return out;
}

int LineNumberAt(std::u16string_view text, size_t position) {
  int line = 1;
  const size_t end = position < text.size() ? position : text.size();
  for (size_t i = 0; i < end; ++i) {
    if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')))
      ++line;
  }
  return line;
}

}  // namespace vornada::hosts
