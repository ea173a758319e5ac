// The hosts file's bytes and the editor's text: code-page conversion that must give back exactly
// what it took, and the Unicode forms from HostsEncoding.
#include "HostsEncoding_win.h"

#include <climits>

namespace vornada::hosts {

namespace {

std::u16string ToU16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }
std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

// Plain conversions without any flag (the only ones every code page, UTF-8 included, accepts);
// nullopt when the platform refuses. Exactness is checked by converting back.
std::optional<std::wstring> WideFromCodePage(std::string_view bytes, UINT code_page) {
  if (bytes.empty()) return std::wstring();
  if (bytes.size() > INT_MAX) return std::nullopt;
  const int n = static_cast<int>(bytes.size());
  const int needed = ::MultiByteToWideChar(code_page, 0, bytes.data(), n, nullptr, 0);
  if (needed <= 0) return std::nullopt;
  std::wstring out(static_cast<size_t>(needed), L'\0');
  if (::MultiByteToWideChar(code_page, 0, bytes.data(), n, out.data(), needed) != needed)
    return std::nullopt;
  return out;
}

std::optional<std::string> CodePageFromWide(std::wstring_view text, UINT code_page) {
  if (text.empty()) return std::string();
  if (text.size() > INT_MAX) return std::nullopt;
  const int n = static_cast<int>(text.size());
  const int needed =
      ::WideCharToMultiByte(code_page, 0, text.data(), n, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::nullopt;
  std::string out(static_cast<size_t>(needed), '\0');
  if (::WideCharToMultiByte(code_page, 0, text.data(), n, out.data(), needed, nullptr,
                            nullptr) != needed)
    return std::nullopt;
  return out;
}

// Whether `text` survives the code page unchanged both ways; its bytes when it does.
std::optional<std::string> ExactBytes(std::wstring_view text, UINT code_page) {
  std::optional<std::string> bytes = CodePageFromWide(text, code_page);
  if (!bytes) return std::nullopt;
  const std::optional<std::wstring> back = WideFromCodePage(*bytes, code_page);
  if (!back || *back != text) return std::nullopt;
  return bytes;
}

bool HasNonAsciiByte(std::string_view bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

// The position of the first character (a surrogate pair taken whole) the code page cannot hold
// exactly. Whole lines are tried first, so that a long text costs one conversion per line and
// only the failing line is tried character by character.
size_t FirstCharacterNotIn(std::wstring_view text, UINT code_page) {
  size_t line_start = 0;
  while (line_start < text.size()) {
    size_t line_end = text.find(L'\n', line_start);
    line_end = line_end == std::wstring_view::npos ? text.size() : line_end + 1;
    const std::wstring_view line = text.substr(line_start, line_end - line_start);
    if (!ExactBytes(line, code_page)) {
      for (size_t i = 0; i < line.size();) {
        size_t length = 1;
        if (line[i] >= 0xD800 && line[i] <= 0xDBFF && i + 1 < line.size() &&
            line[i + 1] >= 0xDC00 && line[i + 1] <= 0xDFFF)
          length = 2;
        if (!ExactBytes(line.substr(i, length), code_page)) return line_start + i;
        i += length;
      }
      return line_start;  // the line fails only as a whole (a sequence the page joins)
    }
    line_start = line_end;
  }
  return text.size();
}

}  // namespace

std::optional<DecodedHostsText> DecodeHostsBytes(std::string_view bytes, UINT code_page) {
  TextForm form = FormByMark(bytes);
  std::optional<std::wstring> text;
  if (form == TextForm::kAnsi && HasNonAsciiByte(bytes) && IsValidUtf8(bytes)) {
    // Multi-byte UTF-8 sequences are all but never what text in a single- or double-byte code
    // page looks like, while under such a code page they would often convert back exactly and
    // show as garbage; such a file is UTF-8 (as editors write it today).
    form = TextForm::kUtf8;
  }
  if (form == TextForm::kAnsi) {
    text = WideFromCodePage(bytes, code_page);
    const std::optional<std::string> back =
        text ? CodePageFromWide(*text, code_page) : std::nullopt;
    if (!back || *back != bytes) return std::nullopt;
  }
  if (form != TextForm::kAnsi) {
    const std::optional<std::u16string> unicode = DecodeUnicodeFile(bytes, form);
    if (!unicode) return std::nullopt;
    text = ToWide(*unicode);
  }
  if (text->find(L'\0') != std::wstring::npos) return std::nullopt;
  return DecodedHostsText{form, std::move(*text)};
}

EncodedHostsText EncodeHostsText(std::wstring_view text, TextForm form, UINT code_page) {
  EncodedHostsText out;
  if (form == TextForm::kAnsi) {
    if (std::optional<std::string> bytes = ExactBytes(text, code_page)) {
      out.bytes = std::move(*bytes);
    } else {
      out.bad_line = LineNumberAt(ToU16(text), FirstCharacterNotIn(text, code_page));
    }
    return out;
  }
  const std::u16string unicode = ToU16(text);
  EncodedText encoded = EncodeUnicodeFile(unicode, form);
  if (encoded.bad_position != kNoPosition)
    out.bad_line = LineNumberAt(unicode, encoded.bad_position);
  else
    out.bytes = std::move(encoded.bytes);
  return out;
}

}  // namespace vornada::hosts
