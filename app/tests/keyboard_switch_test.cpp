// Switching the keyboard layout: the layout name and flag handed to the loader, the handle it
// gives, the message box when it gives none; and the indicator text of the active layout.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Forms.h"
#include "KeyboardLayout.h"
#include "KeyboardLayout_win.h"
#include "WinHandles.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

std::vector<std::wstring> g_loaded_names;
std::vector<UINT> g_loaded_flags;
HKL g_loader_result = nullptr;

HKL WINAPI FakeLoader(LPCWSTR name, UINT flags) {
  g_loaded_names.emplace_back(name);
  g_loaded_flags.push_back(flags);
  return g_loader_result;
}

class KeyboardSwitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application()->SetTitle(L"Vornada-Ver-1.1");
    g_loaded_names.clear();
    g_loaded_flags.clear();
    previous_ = SetKeyboardLayoutLoader(&FakeLoader);
  }
  void TearDown() override { SetKeyboardLayoutLoader(previous_); }
  KeyboardLayoutLoader previous_ = nullptr;
};

TEST_F(KeyboardSwitchTest, LoadsAndActivatesTheNamedLayout) {
  struct Case {
    const wchar_t* name;
    std::u16string_view failure;
  };
  const std::vector<Case> cases = {{kLayoutNameEnglish, kEnglishLayoutFailure},
                                   {kLayoutNameRussian, kRussianLayoutFailure}};
  testing::MessageBoxWatcher boxes;
  for (const Case& c : cases) {
    g_loader_result = reinterpret_cast<HKL>(static_cast<uintptr_t>(0x04190419));
    EXPECT_EQ(SwitchKeyboardLayout(c.name, c.failure), g_loader_result);
  }
  EXPECT_EQ(g_loaded_names, (std::vector<std::wstring>{L"00000409", L"00000419"}));
  EXPECT_EQ(g_loaded_flags, (std::vector<UINT>{KLF_ACTIVATE, KLF_ACTIVATE}));
  EXPECT_EQ(boxes.Count(), 0) << "a successful switch shows nothing";
}

TEST_F(KeyboardSwitchTest, RefusedSwitchShowsItsMessageAndGivesNoHandle) {
  struct Case {
    const wchar_t* name;
    std::u16string_view failure;
    std::wstring shown;
  };
  const std::vector<Case> cases = {
      {kLayoutNameEnglish, kEnglishLayoutFailure,
       L"\u041D\u0435 \u0443\u0434\u0430\u043B\u043E\u0441\u044C \u043F\u0435\u0440\u0435\u043A"
       L"\u043B\u044E\u0447\u0438\u0442\u044C \u0440\u0430\u0441\u043A\u043B\u0430\u0434\u043A"
       L"\u0443 \u043D\u0430 \u0430\u043D\u0433\u043B\u0438\u0439\u0441\u043A\u0438\u0439 \u044F"
       L"\u0437\u044B\u043A."},
      {kLayoutNameRussian, kRussianLayoutFailure,
       L"\u041D\u0435 \u0443\u0434\u0430\u043B\u043E\u0441\u044C \u043F\u0435\u0440\u0435\u043A"
       L"\u043B\u044E\u0447\u0438\u0442\u044C \u0440\u0430\u0441\u043A\u043B\u0430\u0434\u043A"
       L"\u0443 \u043D\u0430 \u0440\u0443\u0441\u0441\u043A\u0438\u0439 \u044F\u0437\u044B\u043A."},
  };
  for (const Case& c : cases) {
    g_loader_result = nullptr;
    testing::MessageBoxWatcher boxes;
    EXPECT_EQ(SwitchKeyboardLayout(c.name, c.failure), nullptr);
    const std::vector<testing::SeenMessageBox> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, L"Vornada-Ver-1.1");
    EXPECT_EQ(seen[0].text, c.shown);
    EXPECT_EQ(seen[0].buttons.size(), 1u) << "one OK button";
    EXPECT_EQ(seen[0].icon, nullptr) << "no icon";
  }
}

// The test command runs this program also with a Russian locale and names the language the
// active layout then has (VORNADA_EXPECT_LANGUAGE, hex); without it the layout is US English.
TEST(KeyboardIndicatorTest, ActiveLayoutText) {
  const char* expected = std::getenv("VORNADA_EXPECT_LANGUAGE");
  const uint16_t language =
      expected != nullptr ? static_cast<uint16_t>(std::strtoul(expected, nullptr, 16)) : 0x0409;
  const std::u16string_view text =
      language == 0x0409 ? u"eng" : language == 0x0419 ? u"\u0440\u0443\u0441" : u"???";
  EXPECT_EQ(ActiveLayoutIndicatorText(), win::WideString(text));
}

}  // namespace
}  // namespace vornada
