// Input tests of the flat button under Wine, with real messages through the message loop:
// clicks by mouse, a press dragged off and released outside, the space bar held and any key
// released, Enter on a focused or a default button, the accelerator with and without Alt, a
// mouse-move handler that takes the focus away during a press, ModalResult, the mouse
// enter/leave events, and which clicks swallow a failing handler and which report it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "FlButton.h"
#include "FlEdit.h"
#include "FlatTestSupport.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::DitheredGradientRow;
using testing::PostKeyDown;
using testing::PostKeyUp;
using testing::PostMouse;
using testing::PumpMessages;
using testing::StageForm;

constexpr COLORREF kFocusTop = RGB(206, 231, 255), kFocusBottom = RGB(109, 132, 239);
constexpr COLORREF kPressedTop = RGB(214, 207, 198), kPressedBottom = RGB(247, 243, 235);

// On the stage form: `button` ("&Go"), a second flat button `other` and a flat edit `edit`; the
// stage form is the foreground window and the edit has the focus.
class ButtonInput : public ::testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<TPanel>(nullptr);
    host->SetBevelOuter(TBevelCut::bvNone);
    host->SetBounds(0, 0, 400, 300);
    host->SetParent(&StageForm());
    button = new TFlButton(host.get());
    button->SetCaption(L"&Go");
    button->SetBounds(20, 20, 73, 25);
    button->SetParent(host.get());
    other = new TFlButton(host.get());
    other->SetCaption(L"Other");
    other->SetBounds(120, 20, 73, 25);
    other->SetParent(host.get());
    edit = new TFlEdit(host.get());
    edit->SetBounds(20, 100, 121, 21);
    edit->SetParent(host.get());
    button->OnClick = [this](TObject* sender) {
      log.push_back(sender == button ? "click" : "click ?");
      if (fail_click) throw Exception("click failed");
    };
    other->OnClick = [this](TObject*) { log.push_back("other click"); };
    button->OnMouseEnter = [this](TObject*) { log.push_back("enter"); };
    button->OnMouseLeave = [this](TObject*) { log.push_back("leave"); };
    button->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
      log.push_back("down");
    };
    button->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
      log.push_back("up");
    };
    button->OnKeyUp = [this](TObject*, WORD&, TShiftState) { log.push_back("key up"); };
    Application()->OnException = [this](TObject*, const std::exception& e) {
      reports.push_back(e.what());
    };
    ::SetForegroundWindow(StageForm().Handle());
    PointerAway();
    edit->SetFocus();
    PumpMessages(10);
    ASSERT_EQ(::GetFocus(), edit->Handle());
    log.clear();
  }
  void TearDown() override {
    Application()->OnException = nullptr;
    if (::GetCapture() != nullptr) ::ReleaseCapture();
  }

  HWND Button() { return button->Handle(); }
  void PointerOver() { testing::MoveRealPointer(Button(), 30, 12); }
  void PointerAway() { testing::MoveRealPointer(host->Handle(), 300, 250); }
  // The colour inside the frame, left of the face, on the middle row.
  COLORREF FramePixel() { return testing::RenderControl(*button).At(1, 12); }
  COLORREF FacePixel() { return testing::RenderControl(*button).At(36, 12); }
  int Clicks() const { return static_cast<int>(std::count(log.begin(), log.end(), "click")); }

  std::unique_ptr<TPanel> host;
  TFlButton* button = nullptr;
  TFlButton* other = nullptr;
  TFlEdit* edit = nullptr;
  std::vector<std::string> log;
  std::vector<std::string> reports;
  bool fail_click = false;
};

TEST_F(ButtonInput, MouseClick) {
  PointerOver();
  EXPECT_TRUE(button->IsHot());
  PostMouse(Button(), WM_LBUTTONDOWN, 30, 12, MK_LBUTTON);
  EXPECT_TRUE(button->IsPressed());
  EXPECT_EQ(::GetFocus(), Button()) << "pressing takes the focus";
  PostMouse(Button(), WM_LBUTTONUP, 30, 12);
  EXPECT_FALSE(button->IsPressed());
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "down", "up", "click"}));
}

TEST_F(ButtonInput, PressDraggedOffAndReleasedOutsideDoesNotClick) {
  PointerOver();
  PostMouse(Button(), WM_LBUTTONDOWN, 30, 12, MK_LBUTTON);
  ASSERT_TRUE(button->IsPressed());
  PointerAway();  // the button holds the capture: it hears the pointer leave
  EXPECT_FALSE(button->IsHot());
  EXPECT_TRUE(button->IsPressed());
  // Held outside: the focus frame, not the pressed face.
  EXPECT_EQ(FramePixel(), DitheredGradientRow(11, 23, kFocusTop, kFocusBottom));
  PostMouse(Button(), WM_LBUTTONUP, 280, 230);
  EXPECT_EQ(Clicks(), 0);
  EXPECT_FALSE(button->IsPressed());
  EXPECT_TRUE(button->HasFocusState());
  EXPECT_EQ(FramePixel(), DitheredGradientRow(11, 23, kFocusTop, kFocusBottom))
      << "focused after the release";
}

TEST_F(ButtonInput, PressDraggedOffAndBackClicks) {
  PointerOver();
  PostMouse(Button(), WM_LBUTTONDOWN, 30, 12, MK_LBUTTON);
  PointerAway();
  PointerOver();
  EXPECT_EQ(FacePixel(), DitheredGradientRow(11, 23, kPressedTop, kPressedBottom));
  PostMouse(Button(), WM_LBUTTONUP, 30, 12);
  EXPECT_EQ(Clicks(), 1);
}

TEST_F(ButtonInput, SpaceHeldThenAnyKeyUpClicks) {
  button->SetFocus();
  log.clear();
  PostKeyDown(Button(), VK_SPACE);
  EXPECT_TRUE(button->IsPressed());
  EXPECT_TRUE(button->IsHot());
  EXPECT_EQ(FacePixel(), DitheredGradientRow(11, 23, kPressedTop, kPressedBottom))
      << "the pressed face while the space bar is held";
  PostKeyUp(Button(), 'A');  // any key
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "down", "up", "click", "leave", "key up"}));
  EXPECT_FALSE(button->IsPressed());
  EXPECT_FALSE(button->IsHot());
  // Not pressed: a key-up raises no key-up event and clicks nothing.
  log.clear();
  PostKeyUp(Button(), VK_SPACE);
  EXPECT_TRUE(log.empty());
}

TEST_F(ButtonInput, SpaceWithShiftKeysDoesNotPress) {
  button->SetFocus();
  for (const int modifier : {VK_SHIFT, VK_CONTROL}) {
    testing::HeldModifiers held({modifier});
    PostKeyDown(Button(), VK_SPACE);
    EXPECT_FALSE(button->IsPressed()) << modifier;
  }
}

TEST_F(ButtonInput, EnterClicksTheFocusedButton) {
  button->SetFocus();
  log.clear();
  PostKeyDown(Button(), VK_RETURN);
  EXPECT_EQ(Clicks(), 1);
  other->SetFocus();
  PostKeyDown(other->Handle(), VK_RETURN);
  EXPECT_EQ(Clicks(), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "other click"), 1);
}

TEST_F(ButtonInput, EnterClicksTheDefaultButtonWhileNoFlatButtonIsActive) {
  button->SetDefault(true);
  EXPECT_FALSE(button->AnotherFlatButtonActive());
  PostKeyDown(edit->Handle(), VK_RETURN);
  EXPECT_EQ(Clicks(), 1) << "from the edit";
  // With another flat button focused, that one takes Enter.
  other->SetFocus();
  EXPECT_TRUE(button->AnotherFlatButtonActive());
  PostKeyDown(other->Handle(), VK_RETURN);
  EXPECT_EQ(Clicks(), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "other click"), 1);
  // Not default any more: Enter in the edit clicks nothing.
  edit->SetFocus();
  button->SetDefault(false);
  PostKeyDown(edit->Handle(), VK_RETURN);
  EXPECT_EQ(Clicks(), 1);
  // A default button that cannot take the focus does not click.
  button->SetDefault(true);
  button->SetEnabled(false);
  PostKeyDown(edit->Handle(), VK_RETURN);
  EXPECT_EQ(Clicks(), 1);
}

TEST_F(ButtonInput, AcceleratorWithAltOrWhenFocused) {
  other->SetFocus();
  log.clear();
  // A plain "g" on another button: not this button's business.
  ::PostMessageW(other->Handle(), WM_CHAR, 'g', 0x00220001);
  PumpMessages(10);
  EXPECT_EQ(Clicks(), 0);
  // Alt+G (either case of the letter).
  ::PostMessageW(other->Handle(), WM_SYSCHAR, 'g', 0x20220001);
  PumpMessages(10);
  EXPECT_EQ(Clicks(), 1);
  ::PostMessageW(other->Handle(), WM_SYSCHAR, 'G', 0x20220001);
  PumpMessages(10);
  EXPECT_EQ(Clicks(), 2);
  EXPECT_EQ(::GetFocus(), other->Handle()) << "the accelerator clicks without moving the focus";
  // On the focused button itself a plain "g" is enough.
  button->SetFocus();
  ::PostMessageW(Button(), WM_CHAR, 'g', 0x00220001);
  PumpMessages(10);
  EXPECT_EQ(Clicks(), 3);
  // Typed into the edit the letter is text, not an accelerator.
  edit->SetFocus();
  ::PostMessageW(edit->Handle(), WM_CHAR, 'g', 0x00220001);
  PumpMessages(10);
  EXPECT_EQ(Clicks(), 3);
  EXPECT_EQ(edit->Text(), L"g");
  // A disabled button ignores its accelerator.
  button->SetEnabled(false);
  ::PostMessageW(edit->Handle(), WM_SYSCHAR, 'g', 0x20220001);
  PumpMessages(10);
  EXPECT_EQ(Clicks(), 3);
}

TEST_F(ButtonInput, FocusTakenAwayDuringThePressCancelsTheClick) {
  button->OnMouseMove = [this](TObject*, TShiftState, int, int) { edit->SetFocus(); };
  PointerOver();
  PostMouse(Button(), WM_LBUTTONDOWN, 30, 12, MK_LBUTTON);
  ASSERT_TRUE(button->IsPressed());
  PostMouse(Button(), WM_MOUSEMOVE, 31, 12, MK_LBUTTON);
  EXPECT_EQ(::GetFocus(), edit->Handle());
  EXPECT_FALSE(button->IsPressed()) << "the focus change clears pressed";
  PostMouse(Button(), WM_LBUTTONUP, 31, 12);
  EXPECT_EQ(Clicks(), 0);
}

TEST_F(ButtonInput, ClickSetsTheFormsModalResult) {
  button->SetModalResult(mrOk);
  StageForm().SetModalResult(mrNone);
  button->SetFocus();
  PostKeyDown(Button(), VK_RETURN);
  EXPECT_EQ(StageForm().ModalResult(), mrOk);
  button->SetModalResult(mrNone);
  PostKeyDown(Button(), VK_RETURN);
  EXPECT_EQ(StageForm().ModalResult(), mrNone) << "copied on every click, 0 too";
  EXPECT_EQ(Clicks(), 2);
}

TEST_F(ButtonInput, FailureOfAMouseOrSpaceClickIsSwallowed) {
  fail_click = true;
  PointerOver();
  PostMouse(Button(), WM_LBUTTONDOWN, 30, 12, MK_LBUTTON);
  PostMouse(Button(), WM_LBUTTONUP, 30, 12);
  PostKeyDown(Button(), VK_SPACE);
  PostKeyUp(Button(), VK_SPACE);
  EXPECT_EQ(Clicks(), 2);
  EXPECT_TRUE(reports.empty());
}

TEST_F(ButtonInput, FailureOfAnEnterOrAcceleratorClickIsReported) {
  fail_click = true;
  button->SetFocus();
  PostKeyDown(Button(), VK_RETURN);
  ::PostMessageW(edit->Handle(), WM_SYSCHAR, 'g', 0x20220001);
  PumpMessages(10);
  EXPECT_EQ(Clicks(), 2);
  EXPECT_EQ(reports, (std::vector<std::string>{"click failed", "click failed"}));
}

TEST_F(ButtonInput, FailureReachesTheErrorBoxWithoutAHandler) {
  Application()->OnException = nullptr;
  fail_click = true;
  testing::MessageBoxWatcher boxes;
  button->SetFocus();
  PostKeyDown(Button(), VK_RETURN);
  ASSERT_TRUE(testing::PumpUntil([&] { return boxes.Count() == 1; }, 3000));
  PumpMessages(20);
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, L"click failed.");
  EXPECT_TRUE(seen[0].has_icon);
}

TEST_F(ButtonInput, MouseEnterAndLeaveFollowThePointer) {
  PointerOver();
  EXPECT_TRUE(button->IsHot());
  PointerAway();
  EXPECT_FALSE(button->IsHot());
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "leave"}));
}

TEST_F(ButtonInput, PropertiesReadFromADesignTakeEffect) {
  // As the design reader does it: owner and parent first, then the stored properties while
  // loading, then the after-loading step.
  auto* loaded = new TFlButton(host.get());
  loaded->SetParent(host.get());
  loaded->SetComponentStateFlag(csLoading, true);
  loaded->SetBounds(20, 200, 94, 30);
  loaded->SetCaption(L"&Load");
  loaded->SetDefault(true);
  loaded->SetModalResult(mrYes);
  TBitmap glyph;
  testing::MakeFilled32(glyph, 22, 22, RGB(255, 0, 255));  // magenta: transparent
  glyph.Canvas().Brush().SetColor(RGB(0, 128, 0));
  glyph.Canvas().FillRect(RECT{6, 6, 16, 16});
  loaded->SetGlyph(&glyph);
  loaded->OnClick = [this](TObject*) { log.push_back("loaded click"); };
  loaded->Loaded();
  EXPECT_FALSE(loaded->IsLoading());
  EXPECT_EQ(loaded->FaceBitmap().Width(), 92) << "gradients for the design size";
  EXPECT_EQ(loaded->Glyph().Width(), 22);
  EXPECT_EQ(testing::RenderControl(*loaded).At(7 + 11, (30 - 22) / 2 + 11), RGB(0, 128, 0));
  StageForm().SetModalResult(mrNone);
  PostKeyDown(edit->Handle(), VK_RETURN);
  EXPECT_EQ(std::count(log.begin(), log.end(), "loaded click"), 1) << "the default button";
  EXPECT_EQ(StageForm().ModalResult(), mrYes);
}

TEST_F(ButtonInput, FocusElsewhereClearsTheFocusState) {
  button->SetFocus();
  EXPECT_TRUE(button->HasFocusState());
  EXPECT_TRUE(button->AnotherFlatButtonActive()) << "itself counts as a flat button";
  edit->SetFocus();
  EXPECT_FALSE(button->HasFocusState());
  EXPECT_FALSE(button->AnotherFlatButtonActive());
}

}  // namespace
}  // namespace vornada
