// Text conversions used at the boundary between the program's 8-bit text and the wide (UTF-16)
// window functions. Portable: no windows.h.
//
// The program's own Russian texts are 8-bit strings in code page 1251. They are written in the
// sources as readable UTF-8 literals and turned into 1251 bytes at compile time by `Cp1251`
// (a literal with a character outside the code page does not compile), then widened once, at
// the point where they reach a window function, by `WideFrom1251`.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vornada {

namespace detail {
// Unicode code points of the bytes 0x80..0xFF of code page 1251; 0 marks the one undefined byte
// (0x98), which decodes to U+0098 as the platform's table does and has no encoding of its own.
inline constexpr std::array<char16_t, 128> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

inline constexpr char32_t kInvalidUtf8 = 0xFFFFFFFF;

// Decodes one UTF-8 sequence at s[i] and advances i past it. Only shortest forms of scalar
// values are accepted: overlong forms, encoded surrogates, values above U+10FFFF and bytes that
// cannot start a sequence give kInvalidUtf8. On malformed input i ends after the longest prefix
// that could have begun a valid sequence (at least one byte), so that the byte which broke the
// sequence is decoded again as the start of the next one.
constexpr char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i++]);
  if (b0 < 0x80) return b0;
  int extra = 0;
  char32_t cp = 0;
  unsigned char lower = 0x80, upper = 0xBF;  // allowed range of the next byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    extra = 1;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    extra = 2;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) lower = 0xA0;  // shorter forms fit in two bytes
    if (b0 == 0xED) upper = 0x9F;  // U+D800..U+DFFF are surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    extra = 3;
    cp = b0 & 0x07;
    if (b0 == 0xF0) lower = 0x90;  // shorter forms fit in three bytes
    if (b0 == 0xF4) upper = 0x8F;  // nothing above U+10FFFF
  } else {
    return kInvalidUtf8;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size()) return kInvalidUtf8;
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < lower || b > upper) return kInvalidUtf8;
    lower = 0x80;
    upper = 0xBF;
    cp = (cp << 6) | (b & 0x3F);
    ++i;
  }
  return cp;
}

// The 1251 byte for a code point, or -1 when the code page has none.
constexpr int EncodeCp1251(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  for (std::size_t k = 0; k < kCp1251High.size(); ++k)
    if (kCp1251High[k] != 0 && kCp1251High[k] == cp) return static_cast<int>(0x80 + k);
  return -1;
}

constexpr std::size_t Cp1251Length(std::string_view utf8) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < utf8.size(); ++n) DecodeUtf8(utf8, i);
  return n;
}
}  // namespace detail

// A code page 1251 string made at compile time from a UTF-8 literal.
template <std::size_t N>
struct Cp1251Literal {
  std::array<char, N + 1> bytes{};
  std::size_t size = 0;
  constexpr std::string_view view() const { return {bytes.data(), size}; }
  std::string str() const { return std::string(view()); }
};

// Usage: `constexpr auto kPrompt = VORNADA_CP1251("Введите пароль:");`
#define VORNADA_CP1251(utf8_literal)                                                        \
  ([]() consteval {                                                                         \
    constexpr std::string_view s_ = utf8_literal;                                           \
    ::vornada::Cp1251Literal<::vornada::detail::Cp1251Length(s_)> out_{};                   \
    std::size_t i_ = 0;                                                                     \
    while (i_ < s_.size()) {                                                                \
      const int b_ = ::vornada::detail::EncodeCp1251(::vornada::detail::DecodeUtf8(s_, i_)); \
      if (b_ < 0) throw "character outside code page 1251";                                 \
      out_.bytes[out_.size++] = static_cast<char>(b_);                                      \
    }                                                                                       \
    return out_;                                                                            \
  }())

// Code page 1251 bytes to UTF-16 (the undefined byte 0x98 becomes U+0098).
std::u16string WideFrom1251(std::string_view cp1251);

// UTF-8 to UTF-16 and back. Each maximal malformed part of the UTF-8 input (a byte that cannot
// start a sequence, or a sequence cut short) becomes one U+FFFD; so does each unpaired surrogate
// of the UTF-16 input.
std::u16string Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::u16string_view utf16);

// The error report's rule: a full stop is appended when the text's last character sorts after
// the full stop (a letter or digit does; a closing bracket or quote does not).
std::u16string WithReportFullStop(std::u16string text);

}  // namespace vornada
