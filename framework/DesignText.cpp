// Parser of the design description text: a recursive-descent reader over the bytes, with line
// counting for messages and a nesting limit.
#include "DesignText.h"

#include <cstdio>
#include <limits>

namespace vornada {

namespace {

std::string ErrorText(int line, const std::string& component, const std::string& property,
                      const std::string& what) {
  std::string text = "Design description";
  if (line > 0) text += " line " + std::to_string(line);
  if (!component.empty()) text += ", component '" + component + "'";
  if (!property.empty()) text += ", property '" + property + "'";
  return text + ": " + what;
}

bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Describe(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 0x21 && b <= 0x7E) return std::string("'") + c + "'";
  char buf[16];
  std::snprintf(buf, sizeof buf, "byte 0x%02X", b);
  std::string text = buf;
  if (b >= 0x80) text += " (only ASCII may be written; other characters are #nnn codes in strings)";
  return text;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  TDesignObject ParseRoot() {
    SkipBlanks();
    if (AtEnd()) Fail("the description is empty");
    TDesignObject root = ParseObject(1);
    object_.clear();
    property_.clear();
    SkipBlanks();
    if (!AtEnd()) Fail("unexpected " + Describe(Peek()) + " after the end of the root object");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) {
    throw EDesignError(line_, object_, property_, what);
  }

  bool AtEnd() const { return pos_ >= s_.size(); }
  char Peek() const { return AtEnd() ? '\0' : s_[pos_]; }

  // Advances over one character, counting line breaks (CR LF counts once).
  void Advance() {
    const char c = s_[pos_++];
    if (c == '\n') {
      ++line_;
    } else if (c == '\r') {
      if (!AtEnd() && s_[pos_] == '\n') ++pos_;
      ++line_;
    }
  }

  void SkipBlanks() {
    while (!AtEnd()) {
      const char c = s_[pos_];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        Advance();
      } else {
        return;
      }
    }
  }

  std::string ReadIdent(const char* expected) {
    if (AtEnd()) Fail(std::string(expected) + " expected, the text ends");
    if (!IsIdentStart(Peek())) Fail(std::string(expected) + " expected, found " + Describe(Peek()));
    const size_t start = pos_;
    while (!AtEnd() && IsIdentChar(s_[pos_])) ++pos_;
    return std::string(s_.substr(start, pos_ - start));
  }

  void Expect(char c, const char* what) {
    SkipBlanks();
    if (AtEnd()) Fail(std::string(what) + " expected, the text ends");
    if (Peek() != c) Fail(std::string(what) + " expected, found " + Describe(Peek()));
    Advance();
  }

  TDesignObject ParseObject(int depth) {
    if (depth > kMaxDesignNesting) Fail("objects are nested too deeply");
    TDesignObject object;
    object.line = line_;
    const std::string keyword = ReadIdent("'object'");
    if (SameDesignName(keyword, "inherited") || SameDesignName(keyword, "inline"))
      Fail("'" + keyword + "' blocks are not supported; write 'object'");
    if (!SameDesignName(keyword, "object")) Fail("'object' expected, found '" + keyword + "'");
    SkipBlanks();
    object.name = ReadIdent("component name");
    const std::string outer_object = object_;
    object_ = object.name;
    property_.clear();
    Expect(':', "':' and the class name");
    SkipBlanks();
    object.class_name = ReadIdent("class name");
    for (;;) {
      SkipBlanks();
      property_.clear();
      if (AtEnd()) Fail("'end' of the object missing, the text ends");
      const int line = line_;
      const std::string word = ReadIdent("property name, 'object' or 'end'");
      if (SameDesignName(word, "end")) break;
      if (SameDesignName(word, "object") || SameDesignName(word, "inherited") ||
          SameDesignName(word, "inline")) {
        pos_ -= word.size();
        object.children.push_back(ParseObject(depth + 1));
        object_ = object.name;
        continue;
      }
      TDesignProperty property;
      property.line = line;
      property.name = word;
      property_ = word;
      while (!AtEnd() && Peek() == '.') {
        Advance();
        property.name += '.';
        property.name += ReadIdent("nested property name");
        property_ = property.name;
      }
      Expect('=', "'='");
      property.value = ParseValue(depth);
      object.properties.push_back(std::move(property));
    }
    object_ = outer_object;
    return object;
  }

  TDesignValue ParseValue(int depth) {
    if (depth > kMaxDesignNesting) Fail("values are nested too deeply");
    SkipBlanks();
    TDesignValue value;
    value.line = line_;
    if (AtEnd()) Fail("a value expected, the text ends");
    const char c = Peek();
    if (c == '\'' || c == '#') {
      value.kind = TDesignValueKind::String;
      value.text = ParseString();
    } else if (c == '-' || c == '+' || c == '$' || IsDigit(c)) {
      value.kind = TDesignValueKind::Integer;
      value.integer = ParseInteger();
    } else if (IsIdentStart(c)) {
      value.kind = TDesignValueKind::Identifier;
      value.text = ReadIdent("identifier");
      while (!AtEnd() && Peek() == '.') {
        Advance();
        value.text += '.';
        value.text += ReadIdent("identifier after '.'");
      }
    } else if (c == '[') {
      value.kind = TDesignValueKind::Set;
      value.names = ParseSet();
    } else if (c == '{') {
      value.kind = TDesignValueKind::Binary;
      value.bytes = ParseBinary();
    } else if (c == '(') {
      value.kind = TDesignValueKind::List;
      Advance();
      for (;;) {
        SkipBlanks();
        if (AtEnd()) Fail("')' closing the list missing, the text ends");
        if (Peek() == ')') {
          Advance();
          break;
        }
        value.items.push_back(ParseValue(depth + 1));
      }
    } else if (c == '<') {
      Fail("collections ('<' ... '>') are not supported");
    } else {
      Fail("a value expected, found " + Describe(c));
    }
    return value;
  }

  std::string ParseString() {
    std::string out;
    for (;;) {
      // One run of parts written without blanks between them.
      bool any = false;
      while (!AtEnd() && (Peek() == '\'' || Peek() == '#')) {
        any = true;
        if (Peek() == '\'') {
          ReadQuoted(out);
        } else {
          ReadCharCode(out);
        }
      }
      if (!any) Fail("a string expected after '+', found " + (AtEnd() ? std::string("the end") : Describe(Peek())));
      // A '+' (after blanks or line breaks) joins the next run.
      const size_t save_pos = pos_;
      const int save_line = line_;
      SkipBlanks();
      if (!AtEnd() && Peek() == '+') {
        Advance();
        SkipBlanks();
        continue;
      }
      pos_ = save_pos;
      line_ = save_line;
      return out;
    }
  }

  void ReadQuoted(std::string& out) {
    Advance();  // opening quote
    for (;;) {
      if (AtEnd()) Fail("string not closed, the text ends");
      const char c = Peek();
      if (c == '\'') {
        Advance();
        if (!AtEnd() && Peek() == '\'') {
          out += '\'';
          Advance();
          continue;
        }
        return;
      }
      if (c == '\r' || c == '\n') Fail("string not closed at the end of the line");
      const auto b = static_cast<unsigned char>(c);
      if (b < 0x20 || b >= 0x7F)
        Fail("unexpected " + Describe(c) + " in a string; write it as a #nnn code");
      out += c;
      Advance();
    }
  }

  void ReadCharCode(std::string& out) {
    Advance();  // '#'
    unsigned value = 0;
    int digits = 0;
    if (!AtEnd() && Peek() == '$') {
      Advance();
      while (!AtEnd() && HexValue(Peek()) >= 0) {
        value = value * 16 + static_cast<unsigned>(HexValue(Peek()));
        if (value > 0xFFFF) value = 0x10000;
        ++digits;
        Advance();
      }
    } else {
      while (!AtEnd() && IsDigit(Peek())) {
        value = value * 10 + static_cast<unsigned>(Peek() - '0');
        if (value > 0xFFFF) value = 0x10000;
        ++digits;
        Advance();
      }
    }
    if (digits == 0) Fail("character code expected after '#'");
    if (value > 255) Fail("character code #" + std::to_string(value) + " is outside 0..255 (code page 1251)");
    out += static_cast<char>(value);
  }

  int64_t ParseInteger() {
    bool negative = false;
    if (Peek() == '-' || Peek() == '+') {
      negative = Peek() == '-';
      Advance();
      SkipBlanks();
    }
    uint64_t magnitude = 0;
    int digits = 0;
    bool overflow = false;
    if (!AtEnd() && Peek() == '$') {
      Advance();
      while (!AtEnd() && HexValue(Peek()) >= 0) {
        if (magnitude > (std::numeric_limits<uint64_t>::max() >> 4)) overflow = true;
        magnitude = (magnitude << 4) | static_cast<uint64_t>(HexValue(Peek()));
        ++digits;
        Advance();
      }
      if (digits == 0) Fail("hexadecimal digits expected after '$'");
    } else {
      while (!AtEnd() && IsDigit(Peek())) {
        const auto d = static_cast<uint64_t>(Peek() - '0');
        if (magnitude > (std::numeric_limits<uint64_t>::max() - d) / 10) overflow = true;
        magnitude = magnitude * 10 + d;
        ++digits;
        Advance();
      }
      if (digits == 0) Fail("digits expected after the sign");
      if (!AtEnd() && (Peek() == '.' || Peek() == 'e' || Peek() == 'E'))
        Fail("numbers with fractions or exponents are not supported");
    }
    if (!AtEnd() && IsIdentChar(Peek())) Fail("invalid number: " + Describe(Peek()) + " after its digits");
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    if (overflow || magnitude > limit) Fail("number out of range");
    if (negative) return magnitude == (uint64_t{1} << 63) ? std::numeric_limits<int64_t>::min()
                                                          : -static_cast<int64_t>(magnitude);
    return static_cast<int64_t>(magnitude);
  }

  std::vector<std::string> ParseSet() {
    Advance();  // '['
    std::vector<std::string> names;
    SkipBlanks();
    if (!AtEnd() && Peek() == ']') {
      Advance();
      return names;
    }
    for (;;) {
      SkipBlanks();
      names.push_back(ReadIdent("set member"));
      SkipBlanks();
      if (AtEnd()) Fail("']' closing the set missing, the text ends");
      if (Peek() == ']') {
        Advance();
        return names;
      }
      if (Peek() != ',') Fail("',' or ']' expected in the set, found " + Describe(Peek()));
      Advance();
    }
  }

  std::vector<uint8_t> ParseBinary() {
    Advance();  // '{'
    std::vector<uint8_t> bytes;
    int high = -1;
    for (;;) {
      SkipBlanks();
      if (AtEnd()) Fail("'}' closing the binary data missing, the text ends");
      const char c = Peek();
      if (c == '}') {
        Advance();
        if (high >= 0) Fail("binary data has an odd number of hexadecimal digits");
        return bytes;
      }
      const int v = HexValue(c);
      if (v < 0) Fail("hexadecimal digit expected in binary data, found " + Describe(c));
      Advance();
      if (high < 0) {
        high = v;
      } else {
        bytes.push_back(static_cast<uint8_t>(high * 16 + v));
        high = -1;
      }
    }
  }

  std::string_view s_;
  size_t pos_ = 0;
  int line_ = 1;
  std::string object_;
  std::string property_;
};

}  // namespace

EDesignError::EDesignError(int line, std::string component, std::string property, std::string what)
    : EReadError(ErrorText(line, component, property, what)),
      line_(line),
      component_(std::move(component)),
      property_(std::move(property)),
      what_(std::move(what)) {}

const char* DescribeDesignValueKind(TDesignValueKind kind) {
  switch (kind) {
    case TDesignValueKind::Integer: return "an integer";
    case TDesignValueKind::String: return "a string";
    case TDesignValueKind::Identifier: return "an identifier";
    case TDesignValueKind::Set: return "a set";
    case TDesignValueKind::Binary: return "binary data";
    case TDesignValueKind::List: return "a list";
  }
  return "a value";
}

TDesignObject ParseDesignText(std::string_view text) { return Parser(text).ParseRoot(); }

std::string FormatDesignBinary(const std::vector<uint8_t>& bytes, int indent, int digits_per_line) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  if (digits_per_line < 2) digits_per_line = 2;
  const size_t per_line = static_cast<size_t>(digits_per_line / 2);
  const std::string pad(static_cast<size_t>(indent < 0 ? 0 : indent), ' ');
  const std::string close_pad(static_cast<size_t>(indent < 2 ? 0 : indent - 2), ' ');
  std::string out = "{";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % per_line == 0) {
      out += '\n';
      out += pad;
    }
    out += kHex[bytes[i] >> 4];
    out += kHex[bytes[i] & 15];
  }
  out += '\n';
  out += close_pad;
  out += '}';
  return out;
}

std::string FormatDesignString(std::string_view bytes) {
  std::string out;
  bool quoted = false;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F) {
      if (!quoted) out += '\'';
      quoted = true;
      out += c;
      if (c == '\'') out += '\'';
    } else {
      if (quoted) out += '\'';
      quoted = false;
      out += '#';
      out += std::to_string(b);
    }
  }
  if (quoted) out += '\'';
  if (out.empty()) out = "''";
  return out;
}

namespace {

void FormatValue(const TDesignValue& value, int indent, std::string& out) {
  switch (value.kind) {
    case TDesignValueKind::Integer: out += std::to_string(value.integer); break;
    case TDesignValueKind::String: out += FormatDesignString(value.text); break;
    case TDesignValueKind::Identifier: out += value.text; break;
    case TDesignValueKind::Set:
      out += '[';
      for (size_t i = 0; i < value.names.size(); ++i) {
        if (i != 0) out += ", ";
        out += value.names[i];
      }
      out += ']';
      break;
    case TDesignValueKind::Binary: out += FormatDesignBinary(value.bytes, indent + 2); break;
    case TDesignValueKind::List:
      out += '(';
      for (const TDesignValue& item : value.items) {
        out += '\n';
        out.append(static_cast<size_t>(indent + 2), ' ');
        FormatValue(item, indent + 2, out);
      }
      out += ')';
      break;
  }
}

void FormatObject(const TDesignObject& object, int indent, std::string& out) {
  const std::string pad(static_cast<size_t>(indent), ' ');
  out += pad + "object " + object.name + ": " + object.class_name + "\n";
  for (const TDesignProperty& p : object.properties) {
    out += pad + "  " + p.name + " = ";
    FormatValue(p.value, indent + 2, out);
    out += '\n';
  }
  for (const TDesignObject& child : object.children) FormatObject(child, indent + 2, out);
  out += pad + "end\n";
}

}  // namespace

std::string FormatDesignText(const TDesignObject& root) {
  std::string out;
  FormatObject(root, 0, out);
  return out;
}

bool SameDesignName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool SameDesignContent(const TDesignValue& a, const TDesignValue& b) {
  if (a.kind != b.kind || a.integer != b.integer || a.text != b.text || a.names != b.names ||
      a.bytes != b.bytes || a.items.size() != b.items.size())
    return false;
  for (size_t i = 0; i < a.items.size(); ++i)
    if (!SameDesignContent(a.items[i], b.items[i])) return false;
  return true;
}

bool SameDesignContent(const TDesignObject& a, const TDesignObject& b) {
  if (a.name != b.name || a.class_name != b.class_name ||
      a.properties.size() != b.properties.size() || a.children.size() != b.children.size())
    return false;
  for (size_t i = 0; i < a.properties.size(); ++i)
    if (a.properties[i].name != b.properties[i].name ||
        !SameDesignContent(a.properties[i].value, b.properties[i].value))
      return false;
  for (size_t i = 0; i < a.children.size(); ++i)
    if (!SameDesignContent(a.children[i], b.children[i])) return false;
  return true;
}

}  // namespace vornada
