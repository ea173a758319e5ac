// The hosts file's bytes as the editor's text and back, under ANSI code pages other than the
// program's own: Japanese (932), UTF-8 (65001), Cyrillic (1251) and Western (1252). A file is
// ANSI text only where the code page gives back exactly its bytes, else UTF-8 when valid, else
// not readable; what was read is written back byte for byte; a character the file's form cannot
// hold refuses the save and names its line.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "HostsEncoding_win.h"

namespace vornada::hosts {
namespace {

std::string Bytes(const char* data, size_t size) { return std::string(data, size); }

TEST(HostsEncodingWinTest, FileFormAndTextUnderEachCodePage) {
  const struct {
    const char* name;
    UINT code_page;
    std::string bytes;
    std::optional<TextForm> form;  // nullopt: not readable
    std::wstring text;
  } cases[] = {
      {"cyrillic in 1251", 1251, "1.1.1.1 \xF0\xF3", TextForm::kAnsi, L"1.1.1.1 \u0440\u0443"},
      // Valid multi-byte UTF-8 is UTF-8 even where the code page would take the bytes back.
      {"utf-8 under 1251", 1251, "# \xD1\x80\r\n", TextForm::kUtf8, L"# \u0440\r\n"},
      {"ascii under 1251", 1251, "127.0.0.1 a\r\n", TextForm::kAnsi, L"127.0.0.1 a\r\n"},
      {"hiragana in 932", 932, "\x82\xA0\r\n", TextForm::kAnsi, L"\u3042\r\n"},
      // The last byte starts a two-byte character that never comes: not 932 text, but UTF-8.
      {"utf-8 under 932", 932, "\xE3\x81\x82", TextForm::kUtf8, L"\u3042"},
      {"cut-off 932, not utf-8", 932, "a\x82", std::nullopt, L""},
      {"utf-8 under 65001", 65001, "caf\xC3\xA9\n", TextForm::kUtf8, L"caf\u00E9\n"},
      {"1251 bytes under 65001", 65001, "\xF0\xF3", std::nullopt, L""},
      {"overlong under 65001", 65001, "\xC0\xAF", std::nullopt, L""},
      {"utf-8 mark", 932, "\xEF\xBB\xBF\xD1\x80", TextForm::kUtf8Bom, L"\u0440"},
      {"utf-16 le mark", 1251, Bytes("\xFF\xFE\x40\x04\r\0\n\0", 8), TextForm::kUtf16LeBom,
       L"\u0440\r\n"},
      {"utf-16 be mark", 1252, Bytes("\xFE\xFF\x30\x42", 4), TextForm::kUtf16BeBom, L"\u3042"},
      {"utf-16 without a mark", 1252, Bytes("a\0b\0", 4), std::nullopt, L""},
      {"NUL byte", 1251, Bytes("a\0b", 3), std::nullopt, L""},
      {"empty", 932, "", TextForm::kAnsi, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<DecodedHostsText> decoded = DecodeHostsBytes(c.bytes, c.code_page);
    ASSERT_EQ(decoded.has_value(), c.form.has_value());
    if (!decoded) continue;
    EXPECT_EQ(decoded->form, *c.form);
    EXPECT_EQ(decoded->text, c.text);
    // Written back unchanged, byte for byte.
    const EncodedHostsText back = EncodeHostsText(decoded->text, decoded->form, c.code_page);
    EXPECT_EQ(back.bad_line, 0);
    EXPECT_EQ(back.bytes, c.bytes);
  }
}

TEST(HostsEncodingWinTest, TextIsWrittenInTheFilesFormOrRefusedWithItsLine) {
  const std::wstring lone_high(1, static_cast<wchar_t>(0xD800));
  const struct {
    const char* name;
    TextForm form;
    UINT code_page;
    std::wstring text;
    std::string bytes;
    int bad_line;
  } cases[] = {
      {"cyrillic to 1251", TextForm::kAnsi, 1251, L"\u0440\r\n", "\xF0\r\n", 0},
      {"hiragana to 1251", TextForm::kAnsi, 1251, L"a\r\nb\u3042\r\nc", "", 2},
      // Best-fit conversions (a Cyrillic letter as a Latin one) are refused too.
      {"cyrillic to 1252", TextForm::kAnsi, 1252, L"x\r\ny\r\n\u0440", "", 3},
      {"e acute to 932", TextForm::kAnsi, 932, L"\u3042\r\n\u00E9", "", 2},
      {"hiragana to 932", TextForm::kAnsi, 932, L"\u3042", "\x82\xA0", 0},
      {"pair to 65001", TextForm::kAnsi, 65001, L"\U0001F600", "\xF0\x9F\x98\x80", 0},
      {"lone surrogate to 65001", TextForm::kAnsi, 65001, L"ab\r\n" + lone_high, "", 2},
      {"utf-8 with mark", TextForm::kUtf8Bom, 1251, L"\u0440", "\xEF\xBB\xBF\xD1\x80", 0},
      {"utf-8 without mark", TextForm::kUtf8, 932, L"\u3042", "\xE3\x81\x82", 0},
      {"lone surrogate to utf-16", TextForm::kUtf16LeBom, 1251, L"a\r\nb\r\n" + lone_high, "",
       3},
      {"utf-16 be", TextForm::kUtf16BeBom, 1251, L"\u3042", Bytes("\xFE\xFF\x30\x42", 4), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const EncodedHostsText encoded = EncodeHostsText(c.text, c.form, c.code_page);
    EXPECT_EQ(encoded.bad_line, c.bad_line);
    EXPECT_EQ(encoded.bytes, c.bytes);
  }
}

}  // namespace
}  // namespace vornada::hosts
