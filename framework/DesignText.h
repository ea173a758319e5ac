// The text form of a window's design description, and its parser. Portable: no windows.h.
//
// A description is one `object` block, the root (the form), holding property assignments and
// nested `object` blocks for the components on it:
//
//   object MainForm: TMainForm
//     Left = 40                              integer (decimal, -11, or hexadecimal $00FF00FF)
//     Caption = 'It''s'#13'two lines'         string: quoted parts ('' is one quote) and #nnn /
//                                            #$hh byte codes (code page 1251), joined without
//                                            blanks, or with + across lines
//     Color = clWhite                        identifier (enumeration, Boolean, colour name,
//                                            character set, handler name)
//     Font.Style = [fsBold, fsItalic]        set of identifiers; Font.Style is a nested
//                                            property: Style of the object property Font
//     Picture.Data = {0B54506E67...}         binary: hexadecimal digits, blanks and line breaks
//                                            between them allowed
//     Lines.Strings = ('one' 'two')          list of values, blank-separated
//     OnClick = BtnYESClick                  event: the name of one of the form's handlers
//     object Panel1: TPanel                  a component, created with this name and class
//       Align = alClient
//     end
//   end
//
// Keywords (`object`, `end`) are not case-sensitive. Only ASCII may appear in the text; other
// characters are written as #nnn codes inside strings. Line breaks are LF, CR LF or CR.
//
// The parser only checks the syntax and builds a tree; what the names mean is the reader's
// business (DesignReader.h). A syntax error is an EDesignError naming the line and, where
// known, the object and the property being read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "SysUtils.h"

namespace vornada {

// A failure to read a design description. The message names the line and, when known, the
// component and the property: "Design description line 12, component 'BtnYES', property
// 'Skin.Data': <what went wrong>" (line 0: no line, as for a missing description).
class EDesignError : public EReadError {
 public:
  EDesignError(int line, std::string component, std::string property, std::string what);
  const char* ClassName() const noexcept override { return "EDesignError"; }
  int Line() const { return line_; }
  const std::string& ComponentName() const { return component_; }
  const std::string& PropertyName() const { return property_; }
  // The failure alone, without the line, component and property.
  const std::string& What() const { return what_; }

 private:
  int line_;
  std::string component_;
  std::string property_;
  std::string what_;
};

enum class TDesignValueKind { Integer, String, Identifier, Set, Binary, List };

// "an integer", "a string" and so on, for messages.
const char* DescribeDesignValueKind(TDesignValueKind kind);

struct TDesignValue {
  TDesignValueKind kind = TDesignValueKind::Integer;
  int64_t integer = 0;
  std::string text;                 // String: the bytes (code page 1251); Identifier: the name
  std::vector<std::string> names;   // Set: the member names in written order
  std::vector<uint8_t> bytes;       // Binary
  std::vector<TDesignValue> items;  // List
  int line = 0;                     // where the value starts
};

struct TDesignProperty {
  std::string name;  // as written, dotted for nested properties ("Font.Name")
  TDesignValue value;
  int line = 0;
};

struct TDesignObject {
  std::string name;
  std::string class_name;
  int line = 0;
  std::vector<TDesignProperty> properties;  // in written order
  std::vector<TDesignObject> children;      // in written order
};

// Nesting deeper than this (objects within objects, lists within lists) is refused, so that no
// input can exhaust the stack.
inline constexpr int kMaxDesignNesting = 64;

// Whether two trees (values) hold the same objects, properties and values in the same order (where they
// were written, the line numbers, does not count).
bool SameDesignContent(const TDesignObject& a, const TDesignObject& b);
bool SameDesignContent(const TDesignValue& a, const TDesignValue& b);

// Parses a whole description: exactly one root object, then nothing but blanks.
TDesignObject ParseDesignText(std::string_view text);

// Writes bytes as a binary value in the form the parser reads: "{", lines of up to
// `digits_per_line` hexadecimal digits (upper case) each indented by `indent` blanks, then "}"
// on its own line, indented by `indent` - 2 blanks. For composing descriptions in tests and tools.
std::string FormatDesignBinary(const std::vector<uint8_t>& bytes, int indent, int digits_per_line = 64);

// Writes bytes (code page 1251) as a string value the parser reads back unchanged: printable
// ASCII in quotes, everything else as #nnn codes.
std::string FormatDesignString(std::string_view bytes);

// Writes a whole tree as description text that ParseDesignText reads back into the same tree
// (line numbers aside): two blanks of indentation per level, one property per line.
std::string FormatDesignText(const TDesignObject& root);

// ASCII case-insensitive comparison of names (keywords, properties, identifiers).
bool SameDesignName(std::string_view a, std::string_view b);

}  // namespace vornada
