// Keyboard cues and the keyboard's way to controls under Wine: each window's cue state (query,
// update down the tree, change up to the top-level window, initialise by the last input), Alt
// and Tab showing cues, accelerator characters offered to every control (CM_DIALOGCHAR) unless
// the focused window takes characters itself, dialog keys (Enter, Escape) reaching the
// controls (CM_DIALOGKEY), reading order flags, and the form's modal result.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ExtCtrls.h"
#include "KeyboardCues.h"
#include "StdCtrls.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

constexpr unsigned kBoth = UISF_HIDEFOCUS | UISF_HIDEACCEL;

// A focusable control that records the dialog characters and keys offered to it and takes the
// ones it is told to.
class Recorder : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  std::vector<WPARAM> chars, keys;
  wchar_t take_char = 0;
  WPARAM take_key = 0;
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_DIALOGCHAR) {
      chars.push_back(m.WParam);
      if (static_cast<wchar_t>(m.WParam) == take_char) m.Result = 1;
      return;
    }
    if (m.Msg == CM_DIALOGKEY) {
      keys.push_back(m.WParam);
      if (m.WParam == take_key) m.Result = 1;
      return;
    }
    TCustomControl::WndProc(m);
  }
};

struct Stage {
  std::unique_ptr<TPanel> panel = std::make_unique<TPanel>(nullptr);
  std::unique_ptr<Recorder> a, b;
  Stage() {
    panel->SetParent(&testing::StageForm());
    panel->SetBounds(0, 0, 100, 60);
    a = std::make_unique<Recorder>(nullptr);
    a->SetParent(panel.get());
    a->SetTabStop(true);
    a->SetBounds(0, 0, 20, 20);
    b = std::make_unique<Recorder>(nullptr);
    b->SetParent(panel.get());
    b->SetTabStop(true);
    b->SetBounds(30, 0, 20, 20);
    panel->HandleNeeded();
    ::SetForegroundWindow(testing::StageForm().Handle());
  }
  void Focus(TWinControl& c) {
    c.SetFocus();
    ASSERT_TRUE(testing::PumpUntil([&] { return c.Focused(); }, 2000));
  }
};

TEST(KeyboardCues, StateGoesDownTheTreeAndChangesClimbUp) {
  Stage s;
  HWND form = testing::StageForm().Handle();
  ::SendMessageW(form, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, kBoth), 0);
  EXPECT_EQ(QueryUiState(form), kBoth);
  EXPECT_EQ(QueryUiState(s.a->Handle()), kBoth);
  // Clearing on the form clears its children too.
  ::SendMessageW(form, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  EXPECT_EQ(QueryUiState(s.b->Handle()), static_cast<unsigned>(UISF_HIDEACCEL));
  EXPECT_TRUE(FocusCuesShown(s.b->Handle()));
  EXPECT_FALSE(AccelCuesShown(s.b->Handle()));
  // An update of one child stays there.
  ::SendMessageW(s.a->Handle(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
  EXPECT_TRUE(AccelCuesShown(s.a->Handle()));
  EXPECT_FALSE(AccelCuesShown(s.b->Handle()));
  // A change asked for by a child reaches the whole window.
  ::SendMessageW(s.b->Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, kBoth), 0);
  EXPECT_EQ(QueryUiState(form), kBoth);
  EXPECT_EQ(QueryUiState(s.a->Handle()), kBoth);
  EXPECT_EQ(QueryUiState(s.panel->Handle()), kBoth);
  // A new child starts with its parent's state.
  ::SendMessageW(form, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
  Recorder late(nullptr);
  late.SetParent(s.panel.get());
  EXPECT_EQ(QueryUiState(late.Handle()), static_cast<unsigned>(UISF_HIDEFOCUS));
}

TEST(KeyboardCues, InitialiseFollowsTheLastInput) {
  Stage s;
  HWND a = s.a->Handle();
  testing::PostMouse(a, WM_LBUTTONDOWN, 2, 2, MK_LBUTTON);
  testing::PostMouse(a, WM_LBUTTONUP, 2, 2);
  EXPECT_FALSE(LastInputWasKeyboard());
  ::SendMessageW(a, WM_UPDATEUISTATE, MAKEWPARAM(UIS_INITIALIZE, kBoth), 0);
  EXPECT_EQ(QueryUiState(a), kBoth);
  s.Focus(*s.a);
  testing::PostKeyDown(a, 'Q');
  testing::PostKeyUp(a, 'Q');
  EXPECT_TRUE(LastInputWasKeyboard());
  ::SendMessageW(a, WM_UPDATEUISTATE, MAKEWPARAM(UIS_INITIALIZE, kBoth), 0);
  EXPECT_EQ(QueryUiState(a), 0u);
}

TEST(KeyboardCues, AltShowsAcceleratorsAndTabShowsTheFocus) {
  Stage s;
  HWND form = testing::StageForm().Handle();
  ::SendMessageW(form, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, kBoth), 0);
  s.Focus(*s.a);
  // Alt alone arrives as a system key (context bit set).
  ::PostMessageW(s.a->Handle(), WM_SYSKEYDOWN, VK_MENU, 1 | (1 << 29));
  ::PostMessageW(s.a->Handle(), WM_KEYUP, VK_MENU, 1 | (3u << 30));
  testing::PumpMessages(10);
  EXPECT_TRUE(AccelCuesShown(s.b->Handle()));
  EXPECT_FALSE(FocusCuesShown(s.b->Handle()));
  testing::PostKeyDown(s.a->Handle(), VK_TAB);
  testing::PostKeyUp(nullptr, VK_TAB);
  EXPECT_TRUE(FocusCuesShown(s.b->Handle()));
  EXPECT_TRUE(FocusCuesShown(form));
  EXPECT_TRUE(s.b->Focused());
}

TEST(DialogChars, OfferedToEveryControlUnlessTheFocusedWindowTakesCharacters) {
  Stage s;
  s.b->take_char = L'k';
  s.Focus(*s.a);
  // A plain character at a control that takes none: offered, and taken by b.
  ::PostMessageW(s.a->Handle(), WM_CHAR, L'k', 1);
  testing::PumpMessages(10);
  EXPECT_EQ(s.b->chars, std::vector<WPARAM>{L'k'});
  EXPECT_EQ(s.a->chars, std::vector<WPARAM>{L'k'});  // offered in order, a first
  // Alt + character: always offered.
  ::PostMessageW(s.a->Handle(), WM_SYSCHAR, L'z', 1 | (1 << 29));
  testing::PumpMessages(10);
  EXPECT_EQ(s.b->chars.size(), 2u);
  // An edit takes characters: they are typed, not offered.
  TMemo memo(nullptr);
  memo.SetParent(s.panel.get());
  memo.SetBounds(0, 25, 60, 30);
  s.Focus(memo);
  ::PostMessageW(memo.Handle(), WM_CHAR, L'k', 1);
  testing::PumpMessages(10);
  EXPECT_EQ(s.b->chars.size(), 2u);
  EXPECT_EQ(memo.Text(), L"k");
}

TEST(DialogKeys, EnterAndEscapeReachTheControls) {
  Stage s;
  s.b->take_key = VK_RETURN;
  s.Focus(*s.a);
  testing::PostKeyDown(s.a->Handle(), VK_RETURN);
  testing::PostKeyUp(s.a->Handle(), VK_RETURN);
  EXPECT_EQ(s.b->keys, std::vector<WPARAM>{VK_RETURN});
  testing::PostKeyDown(s.a->Handle(), VK_ESCAPE);
  testing::PostKeyUp(s.a->Handle(), VK_ESCAPE);
  EXPECT_EQ(s.b->keys, (std::vector<WPARAM>{VK_RETURN, VK_ESCAPE}));
  // Tab stays the form's own: it moves the focus and is not offered.
  testing::PostKeyDown(s.a->Handle(), VK_TAB);
  EXPECT_EQ(s.b->keys.size(), 2u);
}

TEST(ReadingOrder, DrawTextFlagsAndParentFollowing) {
  TPanel panel(nullptr);
  Recorder child(nullptr);
  child.SetParent(&panel);
  EXPECT_EQ(child.DrawTextBiDiModeFlags(DT_LEFT), static_cast<UINT>(DT_LEFT));
  panel.SetBiDiMode(TBiDiMode::bdRightToLeft);
  EXPECT_TRUE(child.ParentBiDiMode());
  EXPECT_EQ(child.BiDiMode(), TBiDiMode::bdRightToLeft);
  EXPECT_EQ(child.DrawTextBiDiModeFlags(DT_LEFT), static_cast<UINT>(DT_RIGHT | DT_RTLREADING));
  EXPECT_EQ(child.DrawTextBiDiModeFlags(DT_RIGHT), static_cast<UINT>(DT_LEFT | DT_RTLREADING));
  EXPECT_EQ(child.DrawTextBiDiModeFlags(DT_CENTER), static_cast<UINT>(DT_CENTER | DT_RTLREADING));
  EXPECT_EQ(child.DrawnAlignment(TAlignment::taLeftJustify), TAlignment::taRightJustify);
  child.SetBiDiMode(TBiDiMode::bdRightToLeftReadingOnly);
  EXPECT_FALSE(child.ParentBiDiMode());
  EXPECT_EQ(child.DrawTextBiDiModeFlags(DT_LEFT), static_cast<UINT>(DT_LEFT | DT_RTLREADING));
  child.SetParentBiDiMode(true);
  EXPECT_EQ(child.BiDiMode(), TBiDiMode::bdRightToLeft);
  child.SetParent(nullptr);
}

}  // namespace
}  // namespace vornada
