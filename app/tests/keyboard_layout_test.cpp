// The keyboard-layout indicator's text for each language, and the language a layout handle
// carries in its low 16 bits.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "KeyboardLayout.h"

namespace vornada {
namespace {

TEST(KeyboardLayoutTest, IndicatorTextByLanguage) {
  struct Case {
    uint16_t language;
    std::u16string text;
  };
  const std::vector<Case> cases = {
      {1033, u"eng"},             // English (United States)
      {1049, u"\u0440\u0443\u0441"},  // Russian
      {1087, u"\u043A\u0430\u0437"},  // Kazakh
      {2057, u"???"},             // English (United Kingdom): only US English reads "eng"
      {1031, u"???"},             // German
      {1058, u"???"},             // Ukrainian
      {2073, u"???"},             // Russian (Moldova): another sublanguage
      {0x0009, u"???"},           // the bare English primary language
      {0, u"???"},
      {0xFFFF, u"???"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LayoutIndicatorText(c.language), c.text) << "language " << c.language;
  }
}

TEST(KeyboardLayoutTest, LanguageIsTheHandlesLowWord) {
  struct Case {
    uintptr_t handle;
    uint16_t language;
  };
  const std::vector<Case> cases = {
      {0x04090409, 0x0409},  // US English
      {0x04190419, 0x0419},  // Russian
      {0xF0A80419, 0x0419},  // Russian with a device identifier in the high word
      {0x0000043F, 0x043F},  // Kazakh
      {0x00000000, 0x0000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LayoutLanguage(c.handle), c.language) << std::hex << "handle 0x" << c.handle;
  }
}

}  // namespace
}  // namespace vornada
