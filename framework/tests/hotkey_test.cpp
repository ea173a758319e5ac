// Tests of finding a caption's accelerator character: the first single "&" marks it, "&&" is a
// shown ampersand, a trailing "&" marks nothing.
#include <gtest/gtest.h>

#include <string_view>

#include "HotKey.h"

namespace vornada {
namespace {

TEST(HotKeyOf, FindsTheCharacterAfterTheFirstSingleAmpersand) {
  struct Case {
    std::u16string_view caption;
    char16_t expected;
  };
  const Case cases[] = {
      {u"&Save", u'S'},
      {u"Sa&ve", u'v'},
      {u"&&Save", 0},           // a shown ampersand only
      {u"A&&B &Copy", u'C'},    // the doubled one is skipped
      {u"&&&x", u'x'},          // "&&" then "&x"
      {u"&a &b", u'a'},         // the first marker counts
      {u"Save&", 0},            // nothing after the marker
      {u"", 0},
      {u"plain", 0},
      {u"\u0421\u043e&\u0445\u0440", u'\u0445'},  // Cyrillic
  };
  for (const Case& c : cases)
    EXPECT_EQ(HotKeyOf(c.caption), c.expected) << std::u16string(c.caption).size();
}

}  // namespace
}  // namespace vornada
