// The hosts file's text forms: byte-order marks, strict UTF-8, UTF-16 in both byte orders, the
// checks that make a file not readable, and the line number of a character.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "HostsEncoding.h"

namespace vornada::hosts {
namespace {

TEST(HostsEncodingTest, FormIsAnnouncedByTheByteOrderMark) {
  const struct {
    std::string bytes;
    TextForm form;
  } cases[] = {
      {"", TextForm::kAnsi},
      {"127.0.0.1 a", TextForm::kAnsi},
      {"\xEF\xBB\xBFx", TextForm::kUtf8Bom},
      {"\xEF\xBB", TextForm::kAnsi},  // a cut-off mark is no mark
      {std::string("\xFF\xFEx\0", 4), TextForm::kUtf16LeBom},
      {std::string("\xFE\xFF\0x", 4), TextForm::kUtf16BeBom},
      {"\xFF", TextForm::kAnsi},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    EXPECT_EQ(FormByMark(c.bytes), c.form);
  }
}

// Valid UTF-8 and what it means in UTF-16, and sequences the strict rules refuse.
TEST(HostsEncodingTest, Utf8IsDecodedStrictly) {
  const struct {
    const char* name;
    std::string bytes;
    std::optional<std::u16string> text;
  } cases[] = {
      {"ascii", "a b\r\n", u"a b\r\n"},
      {"two bytes", "caf\xC3\xA9", u"caf\u00E9"},
      {"cyrillic", "\xD1\x80\xD1\x83", u"\u0440\u0443"},
      {"three bytes", "\xE2\x82\xAC", u"\u20AC"},
      {"last before surrogates", "\xED\x9F\xBF", u"\uD7FF"},
      {"four bytes", "\xF0\x9F\x98\x80", std::u16string{0xD83D, 0xDE00}},
      {"highest", "\xF4\x8F\xBF\xBF", std::u16string{0xDBFF, 0xDFFF}},
      {"overlong two", "\xC0\x80", std::nullopt},
      {"overlong two C1", "\xC1\xBF", std::nullopt},
      {"overlong three", "\xE0\x80\xAF", std::nullopt},
      {"overlong four", "\xF0\x8F\xBF\xBF", std::nullopt},
      {"surrogate", "\xED\xA0\x80", std::nullopt},
      {"above U+10FFFF", "\xF4\x90\x80\x80", std::nullopt},
      {"F5 lead", "\xF5\x80\x80\x80", std::nullopt},
      {"lone continuation", "a\x80", std::nullopt},
      {"cut off", "a\xE2\x82", std::nullopt},
      {"no continuation", "\xC3(", std::nullopt},
      {"cp1251 text", "\xF0\xF3", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodeUtf8(c.bytes), c.text);
    EXPECT_EQ(IsValidUtf8(c.bytes), c.text.has_value());
    if (c.text) {
      EXPECT_EQ(EncodeUtf8(*c.text), c.bytes);
    }
  }
}

TEST(HostsEncodingTest, Utf16IsDecodedInBothByteOrders) {
  const struct {
    const char* name;
    std::string bytes;
    bool big_endian;
    std::optional<std::u16string> text;
  } cases[] = {
      {"le", std::string("a\0\x40\x04", 4), false, u"a\u0440"},
      {"be", std::string("\0a\x04\x40", 4), true, u"a\u0440"},
      {"le pair", std::string("\x3D\xD8\x00\xDE", 4), false, std::u16string{0xD83D, 0xDE00}},
      {"be pair", std::string("\xD8\x3D\xDE\x00", 4), true, std::u16string{0xD83D, 0xDE00}},
      {"odd count", std::string("a\0b", 3), false, std::nullopt},
      {"lone high", "\x3D\xD8", false, std::nullopt},
      {"lone low", std::string("\x00\xDE" "a\0", 4), false, std::nullopt},
      {"high then no low", std::string("\x3D\xD8" "a\0", 4), false, std::nullopt},
      {"swapped pair", std::string("\x00\xDE\x3D\xD8", 4), false, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodeUtf16(c.bytes, c.big_endian), c.text);
    if (c.text) {
      EXPECT_EQ(EncodeUtf16(*c.text, c.big_endian), c.bytes);
    }
  }
}

// A whole file in its Unicode form: the mark is not text, NUL characters and bad bytes make the
// file not readable, and what was read is written back byte for byte, mark included.
TEST(HostsEncodingTest, UnicodeFilesRoundTripOrAreNotReadable) {
  const struct {
    const char* name;
    TextForm form;
    std::string bytes;
    std::optional<std::u16string> text;
  } cases[] = {
      {"utf-8 with mark", TextForm::kUtf8Bom, "\xEF\xBB\xBF\xD1\x80\r\n", u"\u0440\r\n"},
      {"utf-8 without mark", TextForm::kUtf8, "a\xC3\xA9", u"a\u00E9"},
      {"utf-16 le", TextForm::kUtf16LeBom, std::string("\xFF\xFEh\0\r\0\n\0", 8), u"h\r\n"},
      {"utf-16 be", TextForm::kUtf16BeBom, std::string("\xFE\xFF\0h", 4), u"h"},
      {"only the mark", TextForm::kUtf16LeBom, "\xFF\xFE", u""},
      {"utf-16 le NUL", TextForm::kUtf16LeBom, std::string("\xFF\xFEh\0\0\0", 6), std::nullopt},
      {"utf-8 NUL", TextForm::kUtf8, std::string("a\0b", 3), std::nullopt},
      {"utf-8 bad byte", TextForm::kUtf8Bom, "\xEF\xBB\xBF\xFF", std::nullopt},
      {"mark missing", TextForm::kUtf16BeBom, std::string("\0h", 2), std::nullopt},
      {"odd utf-16", TextForm::kUtf16LeBom, "\xFF\xFEh", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodeUnicodeFile(c.bytes, c.form), c.text);
    if (!c.text) continue;
    const EncodedText back = EncodeUnicodeFile(*c.text, c.form);
    EXPECT_EQ(back.bad_position, kNoPosition);
    EXPECT_EQ(back.bytes, c.bytes);
  }
}

// A lone surrogate (typed with Alt codes or pasted) cannot be written in any Unicode form: the
// encoding refuses and names where it stands.
TEST(HostsEncodingTest, LoneSurrogateIsRefusedWithItsPosition) {
  const std::u16string text = {u'a', u'\r', u'\n', u'b', 0xDC00, u'c'};
  const std::u16string high_at_end = {u'a', 0xD83D};
  for (TextForm form : {TextForm::kUtf8, TextForm::kUtf8Bom, TextForm::kUtf16LeBom,
                        TextForm::kUtf16BeBom}) {
    EXPECT_EQ(EncodeUnicodeFile(text, form).bad_position, 4u);
    EXPECT_TRUE(EncodeUnicodeFile(text, form).bytes.empty());
    EXPECT_EQ(EncodeUnicodeFile(high_at_end, form).bad_position, 1u);
  }
}

TEST(HostsEncodingTest, LineNumberOfAPosition) {
  const std::u16string text = u"one\r\ntwo\nthree\rfour\r\n\r\nsix";
  const struct {
    size_t position;
    int line;
  } cases[] = {
      {0, 1}, {3, 1}, {4, 1},   // the CR LF belongs to its line
      {5, 2}, {8, 2},           // "two" and its LF
      {9, 3}, {14, 3},          // "three" and its lone CR
      {15, 4}, {21, 5}, {23, 6}, {26, 6}, {1000, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    EXPECT_EQ(LineNumberAt(text, c.position), c.line);
  }
}

TEST(HostsEncodingTest, WideLineBreaksBecomeCrLf) {
  EXPECT_EQ(NormaliseLineBreaks(u"a\nb\rc\r\nd\n\re"), u"a\r\nb\r\nc\r\nd\r\n\r\ne");
  EXPECT_EQ(NormaliseLineBreaks(u"\r"), u"\r\n");
  EXPECT_EQ(NormaliseLineBreaks(u"\u0440"), u"\u0440");
}

}  // namespace
}  // namespace vornada::hosts
