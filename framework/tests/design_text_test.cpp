// Tests of the design description parser: the tree it builds from a description with every
// kind of value, each kind of value from its written forms, every kind of syntax error with
// the line, component and property its message names, the nesting limit, and that the writer's
// text reads back into the same tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "DesignText.h"

namespace vornada {
namespace {

using Kind = TDesignValueKind;


TEST(DesignTextParse, BuildsTheTreeWithLinesInWrittenOrder) {
  const std::string text =
      "object MainForm: TMainForm\r\n"
      "  Left = 40\r\n"
      "  Caption = 'Vornada'\r\n"
      "  object Panel1: TPanel\r\n"
      "    Align = alClient\r\n"
      "    Font.Style = [fsBold]\r\n"
      "    object Image1: TImage\r\n"
      "      Picture.Data = {\r\n"
      "        0102}\r\n"
      "    end\r\n"
      "  end\r\n"
      "  OnCreate = FormCreate\r\n"
      "  object Timer1: TTimer\r\n"
      "  END\r\n"
      "End\r\n";
  const TDesignObject root = ParseDesignText(text);
  EXPECT_EQ(root.name, "MainForm");
  EXPECT_EQ(root.class_name, "TMainForm");
  EXPECT_EQ(root.line, 1);
  ASSERT_EQ(root.properties.size(), 3u);
  EXPECT_EQ(root.properties[0].name, "Left");
  EXPECT_EQ(root.properties[0].line, 2);
  EXPECT_EQ(root.properties[1].value.text, "Vornada");
  EXPECT_EQ(root.properties[2].name, "OnCreate");
  EXPECT_EQ(root.properties[2].line, 12) << "a property after a child keeps its own line";
  EXPECT_EQ(root.properties[2].value.kind, Kind::Identifier);
  ASSERT_EQ(root.children.size(), 2u);
  const TDesignObject& panel = root.children[0];
  EXPECT_EQ(panel.name, "Panel1");
  EXPECT_EQ(panel.line, 4);
  ASSERT_EQ(panel.properties.size(), 2u);
  EXPECT_EQ(panel.properties[1].name, "Font.Style");
  ASSERT_EQ(panel.children.size(), 1u);
  const TDesignObject& image = panel.children[0];
  EXPECT_EQ(image.class_name, "TImage");
  ASSERT_EQ(image.properties.size(), 1u);
  EXPECT_EQ(image.properties[0].value.bytes, (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(image.properties[0].value.line, 8);
  EXPECT_EQ(root.children[1].name, "Timer1");
  EXPECT_TRUE(root.children[1].properties.empty());
}

struct ValueCase {
  const char* name;
  const char* written;  // the text after "X = "
  TDesignValue expected;
};

TDesignValue Int(int64_t v) {
  TDesignValue x;
  x.kind = Kind::Integer;
  x.integer = v;
  return x;
}
TDesignValue Str(std::string s) {
  TDesignValue x;
  x.kind = Kind::String;
  x.text = std::move(s);
  return x;
}
TDesignValue Ident(std::string s) {
  TDesignValue x;
  x.kind = Kind::Identifier;
  x.text = std::move(s);
  return x;
}
TDesignValue Set(std::vector<std::string> names) {
  TDesignValue x;
  x.kind = Kind::Set;
  x.names = std::move(names);
  return x;
}
TDesignValue Bin(std::vector<uint8_t> bytes) {
  TDesignValue x;
  x.kind = Kind::Binary;
  x.bytes = std::move(bytes);
  return x;
}
TDesignValue List(std::vector<TDesignValue> items) {
  TDesignValue x;
  x.kind = Kind::List;
  x.items = std::move(items);
  return x;
}

class DesignValueParse : public ::testing::TestWithParam<ValueCase> {};

TEST_P(DesignValueParse, ReadsTheWrittenForm) {
  const ValueCase& c = GetParam();
  const std::string text = std::string("object A: TA\n  X = ") + c.written + "\nend\n";
  const TDesignObject root = ParseDesignText(text);
  ASSERT_EQ(root.properties.size(), 1u);
  const TDesignValue& v = root.properties[0].value;
  EXPECT_TRUE(SameDesignContent(v, c.expected))
      << "kind " << DescribeDesignValueKind(v.kind) << ", integer " << v.integer << ", text '"
      << v.text << "', " << v.names.size() << " names, " << v.bytes.size() << " bytes, "
      << v.items.size() << " items";
}

INSTANTIATE_TEST_SUITE_P(
    Table, DesignValueParse,
    ::testing::Values(
        ValueCase{"decimal", "40", Int(40)},
        ValueCase{"negative", "-11", Int(-11)},
        ValueCase{"plus_sign", "+7", Int(7)},
        ValueCase{"hexadecimal", "$00FF00FF", Int(0xFF00FF)},
        ValueCase{"lower_case_hex", "$1fffffff", Int(0x1FFFFFFF)},
        ValueCase{"largest", "9223372036854775807", Int(INT64_MAX)},
        ValueCase{"smallest", "-9223372036854775808", Int(INT64_MIN)},
        ValueCase{"plain_string", "'Tahoma'", Str("Tahoma")},
        ValueCase{"empty_string", "''", Str("")},
        ValueCase{"doubled_quote", "'It''s'", Str("It's")},
        ValueCase{"codes_between_parts", "'a'#13'b'#10", Str("a\rb\n")},
        ValueCase{"only_codes", "#208#224", Str("\xD0\xE0")},
        ValueCase{"hex_code", "#$41#$ff", Str("A\xFF")},
        ValueCase{"code_zero", "'a'#0'b'", Str(std::string("a\0b", 3))},
        ValueCase{"joined_across_lines", "'one ' +\n    'two' +\r\n #33", Str("one two!")},
        ValueCase{"identifier", "clWhite", Ident("clWhite")},
        ValueCase{"dotted_identifier", "Form1.Memo1", Ident("Form1.Memo1")},
        ValueCase{"empty_set", "[]", Set({})},
        ValueCase{"set", "[fsBold, fsItalic]", Set({"fsBold", "fsItalic"})},
        ValueCase{"set_with_line_breaks", "[\n  fsBold ,\n  fsUnderline\n]",
                  Set({"fsBold", "fsUnderline"})},
        ValueCase{"empty_binary", "{}", Bin({})},
        ValueCase{"binary", "{00FFa5}", Bin({0x00, 0xFF, 0xA5})},
        ValueCase{"binary_over_lines", "{\n    0A0B\n    0C\n  }", Bin({0x0A, 0x0B, 0x0C})},
        ValueCase{"digit_pair_split_by_a_break", "{0\n1}", Bin({0x01})},
        ValueCase{"empty_list", "()", List({})},
        ValueCase{"list_of_strings", "(\n  'one'\n  'two' + 'x'\n  '')",
                  List({Str("one"), Str("twox"), Str("")})},
        ValueCase{"mixed_nested_list", "(1 -2 ident [a] {01} ('in'))",
                  List({Int(1), Int(-2), Ident("ident"), Set({"a"}), Bin({1}),
                        List({Str("in")})})}),
    [](const auto& row) { return std::string(row.param.name); });

struct ErrorCase {
  const char* name;
  const char* text;
  int line;
  const char* component;
  const char* property;
  const char* what;  // a part of the failure text
};

class DesignSyntaxError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(DesignSyntaxError, FailsNamingWhereAndWhat) {
  const ErrorCase& c = GetParam();
  try {
    ParseDesignText(c.text);
    FAIL() << "parsed without complaint";
  } catch (const EDesignError& e) {
    EXPECT_EQ(e.Line(), c.line) << e.Message();
    EXPECT_EQ(e.ComponentName(), c.component) << e.Message();
    EXPECT_EQ(e.PropertyName(), c.property) << e.Message();
    EXPECT_NE(e.What().find(c.what), std::string::npos) << e.Message();
    // The message carries all of it.
    EXPECT_NE(e.Message().find("line " + std::to_string(c.line)), std::string::npos);
    if (*c.component != '\0') {
      EXPECT_NE(e.Message().find(std::string("component '") + c.component + "'"), std::string::npos);
    }
    if (*c.property != '\0') {
      EXPECT_NE(e.Message().find(std::string("property '") + c.property + "'"), std::string::npos);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DesignSyntaxError,
    ::testing::Values(
        ErrorCase{"empty", "  \r\n ", 2, "", "", "empty"},
        ErrorCase{"not_an_object", "thing A: TA\nend", 1, "", "", "'object' expected"},
        ErrorCase{"inherited_block", "inherited A: TA\nend", 1, "", "", "not supported"},
        ErrorCase{"no_class", "object A TA\nend", 1, "A", "", "':'"},
        ErrorCase{"missing_end", "object A: TA\n  Left = 1\n", 3, "A", "", "'end'"},
        ErrorCase{"missing_end_of_child", "object A: TA\n  object B: TB\n    Left = 1\nend",
                  4, "A", "", "'end'"},
        ErrorCase{"text_after_root", "object A: TA\nend\nobject B: TB\nend", 3, "", "",
                  "after the end"},
        ErrorCase{"no_equals", "object A: TA\n  Left 40\nend", 2, "A", "Left", "'='"},
        ErrorCase{"no_value", "object A: TA\n  Left = )\nend", 2, "A", "Left", "value expected"},
        ErrorCase{"value_at_text_end", "object A: TA\n  Left =", 2, "A", "Left", "text ends"},
        ErrorCase{"unclosed_string", "object A: TA\n  Caption = 'abc\nend", 2, "A", "Caption",
                  "not closed"},
        ErrorCase{"code_out_of_range", "object A: TA\n  Caption = #1025\nend", 2, "A",
                  "Caption", "outside 0..255"},
        ErrorCase{"hash_without_digits", "object A: TA\n  Caption = #x\nend", 2, "A", "Caption",
                  "character code"},
        ErrorCase{"non_ascii_in_string", "object A: TA\n  Caption = '\xD0\x94'\nend", 2, "A",
                  "Caption", "#nnn"},
        ErrorCase{"non_ascii_outside", "object A: TA\n  \xC3\xA9 = 1\nend", 2, "A", "",
                  "only ASCII"},
        ErrorCase{"control_character_in_string", "object A: TA\n  Caption = 'a\tb'\nend", 2,
                  "A", "Caption", "#nnn"},
        ErrorCase{"plus_without_string", "object A: TA\n  Caption = 'a' +\n  Left = 1\nend", 3,
                  "A", "Caption", "string expected"},
        ErrorCase{"fraction", "object A: TA\n  Scale = 1.5\nend", 2, "A", "Scale", "fractions"},
        ErrorCase{"letters_after_digits", "object A: TA\n  Left = 12px\nend", 2, "A", "Left",
                  "invalid number"},
        ErrorCase{"too_large", "object A: TA\n  Left = 9223372036854775808\nend", 2, "A",
                  "Left", "out of range"},
        ErrorCase{"too_many_hex_digits", "object A: TA\n  Color = $10000000000000000\nend", 2,
                  "A", "Color", "out of range"},
        ErrorCase{"dollar_alone", "object A: TA\n  Color = $\nend", 2, "A", "Color",
                  "hexadecimal digits"},
        ErrorCase{"sign_alone", "object A: TA\n  Left = -\nend", 3, "A", "Left", "digits"},
        ErrorCase{"unclosed_set", "object A: TA\n  Font.Style = [fsBold\nend", 3, "A",
                  "Font.Style", "',' or ']'"},
        ErrorCase{"set_of_numbers", "object A: TA\n  Font.Style = [1]\nend", 2, "A",
                  "Font.Style", "set member"},
        ErrorCase{"odd_hex_digits", "object A: TA\n  Picture.Data = {0A1}\nend", 2, "A",
                  "Picture.Data", "odd number"},
        ErrorCase{"bad_hex_digit", "object A: TA\n  Picture.Data = {0G}\nend", 2, "A",
                  "Picture.Data", "hexadecimal digit"},
        ErrorCase{"unclosed_binary", "object A: TA\n  Picture.Data = {0A\n", 3, "A",
                  "Picture.Data", "'}'"},
        ErrorCase{"unclosed_list", "object A: TA\n  Lines.Strings = ('a'\n", 3, "A",
                  "Lines.Strings", "')'"},
        ErrorCase{"collection", "object A: TA\n  Items = <>\nend", 2, "A", "Items",
                  "collections"},
        ErrorCase{"bad_nested_name", "object A: TA\n  Font. = 1\nend", 2, "A", "Font",
                  "nested property name"},
        ErrorCase{"error_in_child_names_the_child", "object A: TA\n  object B: TB\n    Left = 1 2\n  end\nend",
                  3, "B", "", "property name"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DesignTextParse, NestingIsLimited) {
  auto nested_objects = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "object O" + std::to_string(i) + ": T\n";
    for (int i = 0; i < depth; ++i) text += "end\n";
    return text;
  };
  EXPECT_NO_THROW(ParseDesignText(nested_objects(kMaxDesignNesting)));
  EXPECT_THROW(ParseDesignText(nested_objects(kMaxDesignNesting + 1)), EDesignError);

  auto nested_lists = [](int depth) {
    return "object A: T\n  X = " + std::string(static_cast<size_t>(depth), '(') +
           std::string(static_cast<size_t>(depth), ')') + "\nend\n";
  };
  EXPECT_NO_THROW(ParseDesignText(nested_lists(kMaxDesignNesting - 1)));
  // Far deeper than the stack would allow without the limit.
  EXPECT_THROW(ParseDesignText(nested_lists(100000)), EDesignError);
  EXPECT_THROW(ParseDesignText(nested_objects(100000)), EDesignError);
}

TEST(DesignTextFormat, EveryByteOfAStringReadsBack) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (const std::string& s : {all, std::string(), std::string("''"), std::string("a'b"),
                               std::string("\r\n"), std::string("plain")}) {
    const std::string text = "object A: T\n  X = " + FormatDesignString(s) + "\nend";
    const TDesignObject root = ParseDesignText(text);
    ASSERT_EQ(root.properties.size(), 1u);
    EXPECT_EQ(root.properties[0].value.text, s);
  }
  EXPECT_EQ(FormatDesignString("a\rb"), "'a'#13'b'");
  EXPECT_EQ(FormatDesignString("\xC4\xE0"), "#196#224");
}

TEST(DesignTextFormat, WrittenTreeReadsBackTheSame) {
  const std::string text =
      "object F: TForm\n"
      "  Caption = 'x'#13'y'\n  Left = -5\n  Style = [a, b]\n  Empty = []\n"
      "  Data = {00010203040506070809}\n  NoData = {}\n"
      "  Lines = ('a' 'b' (1 2) {FF} id)\n  EmptyList = ()\n"
      "  object P: TPanel\n    object I: TImage\n      Tag = 9223372036854775807\n"
      "    end\n  end\nend\n";
  const TDesignObject first = ParseDesignText(text);
  const std::string written = FormatDesignText(first);
  const TDesignObject second = ParseDesignText(written);
  EXPECT_TRUE(SameDesignContent(first, second)) << written;
  std::vector<uint8_t> long_data(1000);
  for (size_t i = 0; i < long_data.size(); ++i) long_data[i] = static_cast<uint8_t>(i * 7);
  const std::string block = FormatDesignBinary(long_data, 4, 64);
  const TDesignObject third = ParseDesignText("object A: T\n  D = " + block + "\nend");
  EXPECT_EQ(third.properties.at(0).value.bytes, long_data);
  // 32 bytes to a line: 1000 bytes take 32 lines, and the closing brace one more.
  EXPECT_EQ(std::count(block.begin(), block.end(), '\n'), 33);
}

}  // namespace
}  // namespace vornada
