// Line-break normalisation of the hosts file text, and the comparison that lets a reload skip
// building the normalised text when nothing changed.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "HostsText.h"

namespace vornada::hosts {
namespace {

struct NormaliseCase {
  const char* name;
  std::string input;
  std::string expected;
};

class NormaliseTest : public ::testing::TestWithParam<NormaliseCase> {};

TEST_P(NormaliseTest, MakesEveryLineBreakCrLf) {
  const NormaliseCase& c = GetParam();
  EXPECT_EQ(NormaliseLineBreaks(c.input), c.expected);
  EXPECT_TRUE(EqualsNormalised(c.input, c.expected));
  // Normalising twice changes nothing more.
  EXPECT_EQ(NormaliseLineBreaks(c.expected), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NormaliseTest,
    ::testing::Values(
        NormaliseCase{"Empty", "", ""},
        NormaliseCase{"NoBreakAtEnd", "127.0.0.1 localhost", "127.0.0.1 localhost"},
        NormaliseCase{"Lf", "a\nb\n", "a\r\nb\r\n"},
        NormaliseCase{"Cr", "a\rb\r", "a\r\nb\r\n"},
        NormaliseCase{"CrLf", "a\r\nb\r\n", "a\r\nb\r\n"},
        NormaliseCase{"Mixed", "a\nb\rc\r\nd", "a\r\nb\r\nc\r\nd"},
        NormaliseCase{"LfCrIsTwoBreaks", "a\n\rb", "a\r\n\r\nb"},
        NormaliseCase{"CrCrLf", "a\r\r\nb", "a\r\n\r\nb"},
        NormaliseCase{"OnlyBreaks", "\n\r\n\r", "\r\n\r\n\r\n"},
        NormaliseCase{"LoneCrAtEnd", "x\r", "x\r\n"},
        NormaliseCase{"BytesKept", std::string("\x00\xff\xe0\n\x7f", 5),
                      std::string("\x00\xff\xe0\r\n\x7f", 6)}),
    [](const auto& test_info) { return std::string(test_info.param.name); });

TEST(EqualsNormalisedTest, DetectsEveryKindOfDifference) {
  struct Case {
    std::string raw, shown;
    bool equal;
  } cases[] = {
      {"a\nb", "a\r\nb", true},   {"a\nb", "a\r\nc", false}, {"a\nb", "a\r\nb\r\n", false},
      {"a\nb\n", "a\r\nb", false}, {"a\rb", "a\nb", false},   {"", "", true},
      {"", "\r\n", false},         {"\n", "", false},         {"ab", "a", false},
      {"a", "ab", false},          {"a\r", "a\r", false},     {"a\r", "a\r\n", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(EqualsNormalised(c.raw, c.shown), c.equal) << "raw=" << testing::PrintToString(c.raw)
                                                        << " shown=" << testing::PrintToString(c.shown);
}

// The shortcut comparison must agree with normalising and comparing, on any text.
TEST(EqualsNormalisedTest, AgreesWithNormaliseOnRandomTexts) {
  std::mt19937 rng(12345);
  const char alphabet[] = {'a', '\r', '\n', 'b', '\0'};
  for (int round = 0; round < 20000; ++round) {
    std::string raw, other;
    const int n = static_cast<int>(rng() % 40), m = static_cast<int>(rng() % 44);
    for (int i = 0; i < n; ++i) raw.push_back(alphabet[rng() % 5]);
    for (int i = 0; i < m; ++i) other.push_back(alphabet[rng() % 5]);
    const std::string normalised = NormaliseLineBreaks(raw);
    ASSERT_TRUE(EqualsNormalised(raw, normalised));
    ASSERT_EQ(EqualsNormalised(raw, other), normalised == other)
        << testing::PrintToString(raw) << " vs " << testing::PrintToString(other);
  }
}

}  // namespace
}  // namespace vornada::hosts
