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

// The position of the first character (a surrogate pair taken whole) the code page cannot hold
// exactly.
size_t FirstCharacterNotIn(std::wstring_view text, UINT code_page) {
  for (size_t i = 0; i < text.size();) {
    size_t length = 1;
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF)
      length = 2;
    if (!ExactBytes(text.substr(i, length), code_page)) return i;
    i += length;
  }
  return text.size();
}

}  // namespace

std::optional<DecodedHostsText> DecodeHostsBytes(std::string_view bytes, UINT code_page) {
  TextForm form = FormByMark(bytes);
  std::optional<std::wstring> text;
  if (form == TextForm::kAnsi) {
    text = WideFromCodePage(bytes, code_page);
    const std::optional<std::string> back =
        text ? CodePageFromWide(*text, code_page) : std::nullopt;
    if (!back || *back != bytes) {
      form = TextForm::kUtf8;
      text.reset();
    }
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
