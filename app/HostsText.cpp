// Line-break normalisation of the hosts file text.
#include "HostsText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vornada::hosts {

namespace {

// Every lone CR, lone LF and CR LF pair as CR LF, for bytes and for UTF-16 units alike.
template <typename Char>
std::basic_string<Char> NormaliseLineBreaksOf(std::basic_string_view<Char> text) {
  // Count the units the result needs: each lone CR or lone LF grows by one.
  size_t extra = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const Char c = text[i];
    if (c == '\r') {
      if (i + 1 < n && text[i + 1] == '\n') ++i; else ++extra;
    } else if (c == '\n') {
      ++extra;
    }
  }
  if (extra == 0) return std::basic_string<Char>(text);
  std::basic_string<Char> out;
  out.resize(n + extra);
  Char* dst = out.data();
  size_t i = 0;
  while (i < n) {
    // Copy runs without line breaks in one go.
    size_t j = i;
    while (j < n && text[j] != '\r' && text[j] != '\n') ++j;
    std::memcpy(dst, text.data() + i, (j - i) * sizeof(Char));
    dst += j - i;
    if (j == n) break;
    *dst++ = '\r';
    *dst++ = '\n';
    i = (text[j] == '\r' && j + 1 < n && text[j + 1] == '\n') ? j + 2 : j + 1;
  }
  return out;
}

}  // namespace

std::string NormaliseLineBreaks(std::string_view text) { return NormaliseLineBreaksOf(text); }

std::u16string NormaliseLineBreaks(std::u16string_view text) { return NormaliseLineBreaksOf(text); }

namespace {
constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;

// Whether any of the eight bytes of v is a CR or an LF.
bool HasLineBreak(uint64_t v) {
  const uint64_t cr = v ^ (kOnes * '\r');
  const uint64_t lf = v ^ (kOnes * '\n');
  return (((cr - kOnes) & ~cr) | ((lf - kOnes) & ~lf)) & kHighs;
}
}  // namespace

bool EqualsNormalised(std::string_view raw, std::string_view normalised) {
  const size_t n = raw.size(), m = normalised.size();
  size_t i = 0, k = 0;
  while (i < n) {
    // Runs without line breaks are compared eight bytes at a time.
    if (i + 8 <= n && k + 8 <= m) {
      uint64_t a, b;
      std::memcpy(&a, raw.data() + i, 8);
      if (!HasLineBreak(a)) {
        std::memcpy(&b, normalised.data() + k, 8);
        if (a != b) return false;
        i += 8;
        k += 8;
        continue;
      }
    }
    const char c = raw[i];
    if (c != '\r' && c != '\n') {
      if (k >= m || normalised[k] != c) return false;
      ++i;
      ++k;
      continue;
    }
    if (k + 2 > m || normalised[k] != '\r' || normalised[k + 1] != '\n') return false;
    k += 2;
    i += (c == '\r' && i + 1 < n && raw[i + 1] == '\n') ? 2 : 1;
  }
  return k == m;
}

}  // namespace vornada::hosts
