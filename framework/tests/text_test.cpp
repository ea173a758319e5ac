// Tests of the portable text conversions: compile-time code page 1251 literals, the 1251 to
// UTF-16 table, UTF-8 <-> UTF-16 with malformed input and surrogates, and the error report's
// full-stop rule.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "Text.h"

namespace vornada {
namespace {

// The literal is made at compile time: these hold as constant expressions.
constexpr auto kPrompt = VORNADA_CP1251("Введите пароль:");
static_assert(kPrompt.size == 15);
static_assert(kPrompt.view() == "\xC2\xE2\xE5\xE4\xE8\xF2\xE5 \xEF\xE0\xF0\xEE\xEB\xFC:");
constexpr auto kSigns = VORNADA_CP1251("Ёё№€");
static_assert(kSigns.view() == "\xA8\xB8\xB9\x88");
constexpr auto kEmpty = VORNADA_CP1251("");
static_assert(kEmpty.size == 0);

TEST(Cp1251Literal, QuestionTextHasTheCodePageBytes) {
  constexpr auto question = VORNADA_CP1251("Программа запущена от имени администратора!?");
  EXPECT_EQ(question.str(),
            "\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 \xE7\xE0\xEF\xF3\xF9\xE5\xED\xE0 \xEE\xF2 "
            "\xE8\xEC\xE5\xED\xE8 \xE0\xE4\xEC\xE8\xED\xE8\xF1\xF2\xF0\xE0\xF2\xEE\xF0\xE0!?");
  // The array keeps a terminating zero after the text.
  EXPECT_EQ(question.bytes[question.size], '\0');
}

// Code points of the bytes 0x80..0xFF as the platform's 1251 table gives them (0x98, which
// the code page leaves undefined, decodes to U+0098).
constexpr std::u16string_view kCp1251Upper =
    u"\u0402\u0403\u201A\u0453\u201E\u2026\u2020\u2021"
    u"\u20AC\u2030\u0409\u2039\u040A\u040C\u040B\u040F"
    u"\u0452\u2018\u2019\u201C\u201D\u2022\u2013\u2014"
    u"\x0098\u2122\u0459\u203A\u045A\u045C\u045B\u045F"
    u"\u00A0\u040E\u045E\u0408\u00A4\u0490\u00A6\u00A7"
    u"\u0401\u00A9\u0404\u00AB\u00AC\u00AD\u00AE\u0407"
    u"\u00B0\u00B1\u0406\u0456\u0491\u00B5\u00B6\u00B7"
    u"\u0451\u2116\u0454\u00BB\u0458\u0405\u0455\u0457"
    u"\u0410\u0411\u0412\u0413\u0414\u0415\u0416\u0417"
    u"\u0418\u0419\u041A\u041B\u041C\u041D\u041E\u041F"
    u"\u0420\u0421\u0422\u0423\u0424\u0425\u0426\u0427"
    u"\u0428\u0429\u042A\u042B\u042C\u042D\u042E\u042F"
    u"\u0430\u0431\u0432\u0433\u0434\u0435\u0436\u0437"
    u"\u0438\u0439\u043A\u043B\u043C\u043D\u043E\u043F"
    u"\u0440\u0441\u0442\u0443\u0444\u0445\u0446\u0447"
    u"\u0448\u0449\u044A\u044B\u044C\u044D\u044E\u044F";

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  return bytes;
}

TEST(WideFrom1251, EveryByteMapsThroughTheCodePageTable) {
  ASSERT_EQ(kCp1251Upper.size(), 128u);
  const std::u16string wide = WideFrom1251(AllBytes());
  ASSERT_EQ(wide.size(), 256u);
  for (int b = 0; b < 0x80; ++b) EXPECT_EQ(wide[static_cast<size_t>(b)], b) << "byte " << b;
  for (int b = 0x80; b < 0x100; ++b)
    EXPECT_EQ(wide[static_cast<size_t>(b)], kCp1251Upper[static_cast<size_t>(b - 0x80)])
        << "byte 0x" << std::hex << b;
}

TEST(WideFrom1251, EncodingTakesEveryDefinedCharacterBackToItsByte) {
  const std::u16string wide = WideFrom1251(AllBytes());
  for (int b = 0; b < 256; ++b) {
    const int back = detail::EncodeCp1251(wide[static_cast<size_t>(b)]);
    if (b == 0x98) {
      EXPECT_EQ(back, -1) << "the undefined byte has no encoding of its own";
    } else {
      EXPECT_EQ(back, b) << "byte 0x" << std::hex << b;
    }
  }
  EXPECT_EQ(detail::EncodeCp1251(U'\u00E9'), -1);  // é is not in the code page
  EXPECT_EQ(detail::EncodeCp1251(U'\U0001F600'), -1);
}

TEST(WideFrom1251, EmbeddedZeroBytesAreKept) {
  const std::u16string wide = WideFrom1251(std::string_view("a\0\xC0", 3));
  EXPECT_EQ(wide, std::u16string(u"a\0\u0410", 3));
}

struct Utf8Case {
  const char* name;
  std::string utf8;
  std::u16string utf16;
  friend void PrintTo(const Utf8Case& c, std::ostream* os) { *os << c.name; }
};

class Utf8ToUtf16 : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8ToUtf16, Decodes) {
  EXPECT_EQ(Utf16FromUtf8(GetParam().utf8), GetParam().utf16);
}

// Malformed input becomes U+FFFD per maximal malformed part, and what follows it survives.
INSTANTIATE_TEST_SUITE_P(
    Table, Utf8ToUtf16,
    ::testing::Values(
        Utf8Case{"empty", "", u""},
        Utf8Case{"ascii", "hosts 127.0.0.1", u"hosts 127.0.0.1"},
        Utf8Case{"zero_byte", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        Utf8Case{"two_bytes", "\xC3\xA9", u"\u00E9"},
        Utf8Case{"cyrillic", "\xD0\x9F\xD1\x80\xD0\xB8", u"\u041F\u0440\u0438"},
        Utf8Case{"three_bytes", "\xE2\x82\xAC", u"\u20AC"},
        Utf8Case{"last_bmp", "\xEF\xBF\xBF", u"\uFFFF"},
        Utf8Case{"four_bytes", "\xF0\x9F\x98\x80", u"\U0001F600"},
        Utf8Case{"highest", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        Utf8Case{"lone_continuation", "\x80", u"\uFFFD"},
        Utf8Case{"continuations", "a\x80\xBF" "b", u"a\uFFFD\uFFFDb"},
        Utf8Case{"invalid_lead_ff", "\xFF", u"\uFFFD"},
        Utf8Case{"invalid_lead_f8", "\xF8\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        Utf8Case{"overlong_nul", "\xC0\x80", u"\uFFFD\uFFFD"},
        Utf8Case{"overlong_slash_2", "\xC0\xAF", u"\uFFFD\uFFFD"},
        Utf8Case{"overlong_slash_3", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
        Utf8Case{"overlong_4", "\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        Utf8Case{"encoded_surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        Utf8Case{"beyond_10ffff", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        Utf8Case{"truncated_at_end", "ok\xE2\x82", u"ok\uFFFD"},
        Utf8Case{"truncated_then_ascii", "\xE2\x82" "A", u"\uFFFDA"},
        Utf8Case{"truncated_four_then_ascii", "\xF0\x9F\x98" "A", u"\uFFFDA"},
        Utf8Case{"truncated_then_valid", "\xE2\xD0\x9F", u"\uFFFD\u041F"},
        Utf8Case{"lead_at_end", "A\xC3", u"A\uFFFD"}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

struct Utf16Case {
  const char* name;
  std::u16string utf16;
  std::string utf8;
  friend void PrintTo(const Utf16Case& c, std::ostream* os) { *os << c.name; }
};

class Utf16ToUtf8 : public ::testing::TestWithParam<Utf16Case> {};

TEST_P(Utf16ToUtf8, Encodes) {
  EXPECT_EQ(Utf8FromUtf16(GetParam().utf16), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Utf16ToUtf8,
    ::testing::Values(
        Utf16Case{"empty", u"", ""},
        Utf16Case{"ascii", u"abc", "abc"},
        Utf16Case{"zero", std::u16string(u"\0", 1), std::string("\0", 1)},
        Utf16Case{"two_bytes", u"\u07FF", "\xDF\xBF"},
        Utf16Case{"three_bytes", u"\u0800\uFFFF", "\xE0\xA0\x80\xEF\xBF\xBF"},
        Utf16Case{"pair", u"\U0001F600", "\xF0\x9F\x98\x80"},
        Utf16Case{"highest_pair", u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
        Utf16Case{"lone_high_at_end", std::u16string{u'a', 0xD83D}, "a\xEF\xBF\xBD"},
        Utf16Case{"lone_high_then_ascii", std::u16string{0xD83D, u'b'}, "\xEF\xBF\xBD" "b"},
        Utf16Case{"lone_low", std::u16string{0xDE00}, "\xEF\xBF\xBD"},
        Utf16Case{"reversed_pair", std::u16string{0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        Utf16Case{"two_highs_then_low", std::u16string{0xD83D, 0xD83D, 0xDE00},
                  "\xEF\xBF\xBD\xF0\x9F\x98\x80"}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(Utf8Utf16, EveryScalarValueRoundTrips) {
  std::u16string all;
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    if (cp < 0x10000) {
      all.push_back(static_cast<char16_t>(cp));
    } else {
      all.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      all.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
  }
  const std::string utf8 = Utf8FromUtf16(all);
  // 128 one-byte, 1920 two-byte, 61440 three-byte and 1048576 four-byte values.
  EXPECT_EQ(utf8.size(), 128u + 1920u * 2 + 61440u * 3 + 1048576u * 4);
  EXPECT_EQ(Utf16FromUtf8(utf8), all);
}

struct FullStopCase {
  const char* name;
  std::u16string text;
  std::u16string shown;
  friend void PrintTo(const FullStopCase& c, std::ostream* os) { *os << c.name; }
};

class ReportFullStop : public ::testing::TestWithParam<FullStopCase> {};

TEST_P(ReportFullStop, AppendsAfterCharactersThatSortAfterTheFullStop) {
  EXPECT_EQ(WithReportFullStop(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReportFullStop,
    ::testing::Values(
        FullStopCase{"empty", u"", u""},
        FullStopCase{"letter", u"Access denied", u"Access denied."},
        FullStopCase{"digit", u"Error 5", u"Error 5."},
        FullStopCase{"full_stop", u"Done.", u"Done."},
        FullStopCase{"closing_bracket", u"Failed (5)", u"Failed (5)"},
        FullStopCase{"quote", u"Cannot open \"x\"", u"Cannot open \"x\""},
        FullStopCase{"exclamation", u"Stop!", u"Stop!"},
        FullStopCase{"comma", u"a,", u"a,"},
        FullStopCase{"hyphen", u"a-", u"a-"},
        FullStopCase{"space", u"a ", u"a "},
        FullStopCase{"line_break", u"a\r\n", u"a\r\n"},
        FullStopCase{"slash", u"C:/", u"C:/."},
        FullStopCase{"colon", u"Error:", u"Error:."},
        FullStopCase{"question", u"Why?", u"Why?."},
        FullStopCase{"cyrillic", u"\u041E\u0448\u0438\u0431\u043A\u0430",
                     u"\u041E\u0448\u0438\u0431\u043A\u0430."},
        FullStopCase{"only_full_stop", u".", u"."}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

}  // namespace
}  // namespace vornada
