// Tests under Wine of the framework's keyboard interface for dialogs and of small pieces the
// flat controls use: Enter and other dialog keys offered to the controls after the form,
// accelerator characters (Alt+character always, a plain character when the focused window does
// not take text) offered to every control until one takes them, the accelerator comparison,
// failures of what a key set off reaching the error report, the form's modal result, the
// bidirectional mode passed down from parents, the context-popup event, the canvas's DrawText
// and the whole-window device context owner.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::PumpMessages;
using testing::StageForm;

// A windowed control that takes a dialog key or accelerator character when told to, and logs
// what it was offered.
class KeyTaker : public TCustomControl {
 public:
  KeyTaker(TComponent* owner, std::string name, std::vector<std::string>& log)
      : TCustomControl(owner), log_(log) {
    SetName(std::move(name));
    SetTabStop(true);
  }
  WPARAM take_key = 0;
  wchar_t take_char = 0;
  bool fail = false;
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_DIALOGKEY || m.Msg == CM_DIALOGCHAR) {
      const bool is_key = m.Msg == CM_DIALOGKEY;
      log_.push_back(Name() + (is_key ? " key " : " char ") + std::to_string(m.WParam));
      if ((is_key && m.WParam == take_key) || (!is_key && m.WParam == static_cast<WPARAM>(take_char))) {
        if (fail) throw Exception("key handler failed");
        m.Result = 1;
        return;
      }
    }
    if (m.Msg == WM_CHAR || m.Msg == WM_SYSCHAR) log_.push_back(Name() + " got " + std::to_string(m.WParam));
    TCustomControl::WndProc(m);
  }

 private:
  std::vector<std::string>& log_;
};

class DialogKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<TPanel>(nullptr);
    host->SetBounds(0, 0, 400, 300);
    host->SetParent(&StageForm());
    first = new KeyTaker(host.get(), "first", log);
    first->SetBounds(10, 10, 50, 20);
    first->SetParent(host.get());
    second = new KeyTaker(host.get(), "second", log);
    second->SetBounds(10, 40, 50, 20);
    second->SetParent(host.get());
    edit = new TCustomEdit(host.get());
    edit->SetBounds(10, 70, 100, 20);
    edit->SetParent(host.get());
    ::SetForegroundWindow(StageForm().Handle());
    first->SetFocus();
    PumpMessages(5);
    log.clear();
  }
  void TearDown() override { Application()->OnException = nullptr; }

  std::vector<std::string> log;
  std::unique_ptr<TPanel> host;
  KeyTaker* first = nullptr;
  KeyTaker* second = nullptr;
  TCustomEdit* edit = nullptr;
};

TEST_F(DialogKeys, EnterIsOfferedToTheControlsUntilOneTakesIt) {
  second->take_key = VK_RETURN;
  testing::PostKeyDown(first->Handle(), VK_RETURN);
  EXPECT_EQ(log, (std::vector<std::string>{"first key 13", "second key 13"}));
  log.clear();
  first->take_key = VK_RETURN;
  testing::PostKeyDown(first->Handle(), VK_RETURN);
  EXPECT_EQ(log, std::vector<std::string>{"first key 13"}) << "the first taker ends it";
  // Tab stays the form's: the focus moves on and no control is asked.
  log.clear();
  testing::PostKeyDown(first->Handle(), VK_TAB);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(::GetFocus(), second->Handle());
}

TEST_F(DialogKeys, AcceleratorCharactersGoToEveryControlUntilOneTakesThem) {
  // Alt+x is offered; nobody takes it, so the window gets its WM_SYSCHAR.
  ::PostMessageW(first->Handle(), WM_SYSCHAR, 'x', 0x202D0001);
  PumpMessages(10);
  EXPECT_EQ(log, (std::vector<std::string>{"first char 120", "second char 120", "first got 120"}));
  // Taken: it goes no further.
  log.clear();
  second->take_char = L'x';
  ::PostMessageW(first->Handle(), WM_SYSCHAR, 'x', 0x202D0001);
  PumpMessages(10);
  EXPECT_EQ(log, (std::vector<std::string>{"first char 120", "second char 120"}));
  // A plain character on a window that takes no text is offered too.
  log.clear();
  ::PostMessageW(first->Handle(), WM_CHAR, 'x', 0x002D0001);
  PumpMessages(10);
  EXPECT_EQ(log, (std::vector<std::string>{"first char 120", "second char 120"}));
  // Alt+Space is the system menu's, never an accelerator.
  log.clear();
  ::PostMessageW(first->Handle(), WM_SYSCHAR, ' ', 0x20390001);
  PumpMessages(10);
  EXPECT_EQ(log, std::vector<std::string>{"first got 32"});
}

TEST_F(DialogKeys, TextTypedIntoAnEditIsNoAccelerator) {
  second->take_char = L'x';
  edit->SetFocus();
  ::PostMessageW(edit->Handle(), WM_CHAR, 'x', 0x002D0001);
  PumpMessages(10);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(edit->Text(), L"x");
  // With Alt it is offered.
  ::PostMessageW(edit->Handle(), WM_SYSCHAR, 'x', 0x202D0001);
  PumpMessages(10);
  EXPECT_EQ(log, (std::vector<std::string>{"first char 120", "second char 120"}));
}

TEST_F(DialogKeys, FailureOfAKeysWorkIsReported) {
  std::vector<std::string> reports;
  Application()->OnException = [&](TObject*, const std::exception& e) {
    reports.push_back(e.what());
  };
  second->take_key = VK_RETURN;
  second->fail = true;
  testing::PostKeyDown(first->Handle(), VK_RETURN);
  second->take_char = L'q';
  ::PostMessageW(first->Handle(), WM_SYSCHAR, 'q', 0x20100001);
  PumpMessages(10);
  EXPECT_EQ(reports, (std::vector<std::string>{"key handler failed", "key handler failed"}));
}

// Tab passes over controls that cannot be seen: on a panel of height 0, on a panel that
// another panel stacked above covers whole, under the part of a panel that lies over theirs,
// or placed outside their panel. Controls that still show in part are reached.
TEST(TabOrder, PassesOverControlsThatCannotBeSeen) {
  struct Case {
    const char* arrangement;
    std::vector<std::string> reached;
  };
  const std::vector<Case> cases = {
      {"lower shown, upper height 0", {"lower top", "lower bottom"}},
      {"upper covers lower", {"upper top", "upper bottom"}},
      // The upper one, 150 high, shows only its top control and hides only lower's top one.
      {"upper lies over the top half of lower", {"lower bottom", "upper top"}},
      {"lower shown, its bottom control moved outside", {"lower top"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arrangement);
    const std::string arrangement = c.arrangement;
    std::vector<std::string> log;
    auto host = std::make_unique<TPanel>(nullptr);
    host->SetBounds(0, 0, 400, 300);
    host->SetParent(&StageForm());
    // Two screens on the host, the upper one made later (so stacked above).
    std::vector<KeyTaker*> takers;
    TPanel* screens[2] = {};
    const char* names[2] = {"lower", "upper"};
    for (int i = 0; i < 2; ++i) {
      screens[i] = new TPanel(host.get());
      screens[i]->SetParent(host.get());
      screens[i]->SetBounds(0, 0, 400, 300);
      for (const char* place : {"top", "bottom"}) {
        auto* t = new KeyTaker(host.get(), std::string(names[i]) + " " + place, log);
        t->SetBounds(10, std::string(place) == "top" ? 10 : 200, 50, 20);
        t->SetParent(screens[i]);
        takers.push_back(t);
      }
    }
    TPanel* lower = screens[0];
    TPanel* upper = screens[1];
    lower->SetAlign(TAlign::alClient);
    upper->SetAlign(TAlign::alTop);
    if (arrangement == "lower shown, upper height 0" ||
        arrangement == "lower shown, its bottom control moved outside")
      upper->SetHeight(0);
    if (arrangement == "upper covers lower") upper->SetAlign(TAlign::alClient);
    if (arrangement == "upper lies over the top half of lower") {
      upper->SetAlign(TAlign::alNone);
      upper->SetBounds(0, 0, 400, 150);
      host->Realign();  // lower fills the host again
    }
    ASSERT_EQ(lower->BoundsRect().bottom, 300);
    if (arrangement == "lower shown, its bottom control moved outside") takers[1]->SetTop(400);
    ::SetForegroundWindow(StageForm().Handle());
    // Start where the first expected control is, then go round twice.
    KeyTaker* start = nullptr;
    for (KeyTaker* t : takers)
      if (t->Name() == c.reached.front()) start = t;
    ASSERT_NE(start, nullptr);
    start->SetFocus();
    PumpMessages(5);
    std::vector<std::string> reached;
    for (int i = 0; i < 2 * static_cast<int>(takers.size()); ++i) {
      std::string focused = "(another window)";
      for (KeyTaker* t : takers)
        if (::GetFocus() == t->Handle()) focused = t->Name();
      reached.push_back(focused);
      testing::PostKeyDown(nullptr, VK_TAB);
    }
    std::vector<std::string> expected;
    while (expected.size() < reached.size())
      for (const std::string& name : c.reached) expected.push_back(name);
    expected.resize(reached.size());
    EXPECT_EQ(reached, expected);
  }
}

TEST(IsAccel, ComparesTheMarkedCharacterWithoutLetterCase) {
  EXPECT_TRUE(IsAccel('s', L"&Save"));
  EXPECT_TRUE(IsAccel('S', L"&save"));
  EXPECT_FALSE(IsAccel('a', L"&Save"));
  EXPECT_FALSE(IsAccel('s', L"Save"));
  EXPECT_FALSE(IsAccel('&', L"&&Save"));
  EXPECT_TRUE(IsAccel(0x0445, L"\u0421\u043e&\u0425\u0440"));  // Cyrillic, either case
  EXPECT_FALSE(IsAccel(0, L"&Save"));
}

TEST(ModalResult, FormsStartWithNoneAndKeepWhatIsSet) {
  TForm form(nullptr);
  EXPECT_EQ(form.ModalResult(), mrNone);
  form.SetModalResult(mrOk);
  EXPECT_EQ(form.ModalResult(), mrOk);
}

TEST(BiDiMode, FollowsTheParentUntilSetAndGivesReadingFlags) {
  TForm form(nullptr);
  TPanel panel(&form);
  panel.SetParent(&form);
  EXPECT_EQ(panel.BiDiMode(), TBiDiMode::bdLeftToRight);
  EXPECT_EQ(panel.DrawTextBiDiModeFlagsReadingOnly(), 0u);
  form.SetBiDiMode(TBiDiMode::bdRightToLeft);
  EXPECT_TRUE(panel.ParentBiDiMode());
  EXPECT_EQ(panel.BiDiMode(), TBiDiMode::bdRightToLeft) << "the parent's mode";
  EXPECT_TRUE(panel.UseRightToLeftReading());
  EXPECT_EQ(panel.DrawTextBiDiModeFlagsReadingOnly(), UINT{DT_RTLREADING});
  panel.SetBiDiMode(TBiDiMode::bdLeftToRight);
  EXPECT_FALSE(panel.ParentBiDiMode());
  EXPECT_FALSE(panel.UseRightToLeftReading());
  panel.SetParentBiDiMode(true);
  EXPECT_EQ(panel.BiDiMode(), TBiDiMode::bdRightToLeft);
}

TEST(ContextPopup, RaisedWithClientPointAndHandledSuppressesTheDefault) {
  auto host = std::make_unique<TPanel>(nullptr);
  host->SetBounds(0, 0, 400, 300);
  host->SetParent(&StageForm());
  auto* image = new TImage(host.get());
  image->SetBounds(50, 40, 30, 30);
  image->SetParent(host.get());
  std::vector<std::string> log;
  host->OnContextPopup = [&](TObject*, POINT p, bool& handled) {
    log.push_back("host " + std::to_string(p.x) + "," + std::to_string(p.y));
    handled = true;
  };
  image->OnContextPopup = [&](TObject*, POINT p, bool& handled) {
    log.push_back("image " + std::to_string(p.x) + "," + std::to_string(p.y));
    handled = true;
  };
  PumpMessages(5);
  auto ask_at = [&](int x, int y) {
    POINT s{x, y};
    ::ClientToScreen(host->Handle(), &s);
    return ::SendMessageW(host->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(host->Handle()),
                          MAKELPARAM(s.x, s.y));
  };
  EXPECT_EQ(ask_at(10, 20), 1);
  EXPECT_EQ(ask_at(55, 45), 1);
  EXPECT_EQ(::SendMessageW(host->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(host->Handle()),
                           MAKELPARAM(-1, -1)),
            1);
  EXPECT_EQ(log, (std::vector<std::string>{"host 10,20", "image 5,5", "host -1,-1"}));
}

TEST(CanvasDrawText, DrawsInTheFontColourAndMeasures) {
  TBitmap bitmap;
  testing::MakeFilled32(bitmap, 60, 20, RGB(255, 255, 255));
  TCanvas& c = bitmap.Canvas();
  c.Font().SetColor(RGB(200, 0, 0));
  c.Brush().SetStyle(TBrushStyle::bsClear);
  RECT measure{0, 0, 0, 0};
  const int height = c.DrawText(L"WW", measure, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_GT(measure.right, 0);
  EXPECT_EQ(measure.bottom, height);
  EXPECT_EQ(testing::PixelsOf(bitmap), std::vector<uint32_t>(60 * 20, RGB(255, 255, 255)))
      << "measuring draws nothing";
  RECT r{0, 0, 60, 20};
  c.DrawText(L"WW", r, DT_LEFT | DT_SINGLELINE);
  int ink = 0;
  for (uint32_t p : testing::PixelsOf(bitmap)) ink += p == RGB(200, 0, 0);
  EXPECT_GT(ink, 10);
}

TEST(ScopedGetWindowDC, CoversTheNonClientAreaAndIsCounted) {
  auto host = std::make_unique<TCustomEdit>(nullptr);
  host->SetBounds(0, 0, 100, 24);
  host->SetParent(&StageForm());
  const long before = win::LiveGdiObjects();
  {
    win::ScopedGetWindowDC dc(host->Handle());
    ASSERT_NE(dc.get(), nullptr);
    EXPECT_EQ(win::LiveGdiObjects(), before + 1);
    RECT clip{};
    ::GetClipBox(dc, &clip);
    EXPECT_EQ(clip.right - clip.left, 100) << "the whole window, its sunken edge included";
  }
  EXPECT_EQ(win::LiveGdiObjects(), before);
}

}  // namespace
}  // namespace vornada
