// Accelerator characters of captions: which character a caption marks, and the caption without
// its marks.
#include <gtest/gtest.h>

#include "AccelChars.h"

namespace vornada {
namespace {

struct AccelCase {
  std::wstring caption;
  wchar_t accel;
  std::wstring stripped;
};
class AccelChars : public ::testing::TestWithParam<AccelCase> {};
TEST_P(AccelChars, MarkedCharacterAndPlainText) {
  EXPECT_EQ(AccelCharOf(GetParam().caption), GetParam().accel);
  EXPECT_EQ(StripAccelChars(GetParam().caption), GetParam().stripped);
}
INSTANTIATE_TEST_SUITE_P(
    Captions, AccelChars,
    ::testing::Values(AccelCase{L"", 0, L""}, AccelCase{L"Save", 0, L"Save"},
                      AccelCase{L"&Save", L'S', L"Save"}, AccelCase{L"Sa&ve", L'v', L"Save"},
                      AccelCase{L"Fish && Chips", 0, L"Fish & Chips"},
                      AccelCase{L"&&&Go", L'G', L"&Go"}, AccelCase{L"Go&", 0, L"Go"},
                      AccelCase{L"&", 0, L""}, AccelCase{L"&a&b", L'b', L"ab"},
                      AccelCase{L"&\u0414\u0430", L'\u0414', L"\u0414\u0430"}));

}  // namespace
}  // namespace vornada
