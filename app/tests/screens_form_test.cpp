// The four screens' handlers on the real main window, in the order a user meets them: the
// answer underline, the layout indicator and the paste button's state, closing from the
// question screen, the yes answer (also when the layout switch is refused), wrong and accepted
// passwords (the animation keeps running during the pause), the focus following the mouse, the
// editor's switches, save, start and end, replace from the clipboard, the reference screen's
// copy button, and closing and the end of the session from the editor.
//
// One window for the whole program: the tests build on each other and run in file order.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Clipbrd.h"
#include "Forms.h"
#include "HostsFile_win.h"
#include "KeyboardLayout_win.h"
#include "MainFormFixture.h"
#include "TestSupport.h"
#include "Unit1.h"
#include "WinHandles.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::PumpMessages;
using testing::PumpUntil;
using testing::ReadBytes;
using testing::ShownAttributes;
using testing::ShownAttributesAfterSetting;
using testing::WriteBytes;

constexpr char kHostsText[] = "127.0.0.1       localhost\r\n::1             localhost\r\n";

testing::ScratchHosts* g_hosts = nullptr;

class ScreensEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { g_hosts = &testing::ShowMainFormOver(kHostsText); }
};
::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ScreensEnvironment);

TMainForm& F() { return *MainForm; }
DWORD HostsAttributes() { return ShownAttributes(g_hosts->HostsPath()); }

void SetClipboardText(const std::wstring& text) { Clipboard()->SetAsText(text); }
void EmptyClipboard() { Clipboard()->Clear(); }

// A real click (button down and up) in the middle of a windowed control.
void ClickControl(TWinControl* control) {
  const int x = control->Width() / 2, y = control->Height() / 2;
  testing::PostMouse(control->Handle(), WM_LBUTTONDOWN, x, y, MK_LBUTTON);
  testing::PostMouse(control->Handle(), WM_LBUTTONUP, x, y);
}

// ---- the question screen -------------------------------------------------------------------

// Each step of the underline: an action, then the width, left and step count it leaves. The
// counter runs on from where it was when a restart sets the width to 0.
TEST(QuestionScreenTest, UnderlineGrowsAndARestartContinuesTheCount) {
  TMainForm& f = F();
  f.Timer3->SetEnabled(false);  // the ticks are the test's own
  UnderlineStep = 0;
  struct Step {
    const char* action;
    int ticks;  // Timer3 ticks after the action
    int width, left, step;
    bool timer_enabled;
  };
  // The focus is on yes at start; moving it to no is the first restart.
  const std::vector<Step> steps = {
      {"focus no", 0, 0, 297, 0, true},
      {"", 10, 10, 297, 10, true},
      {"focus yes", 0, 0, 217, 10, true},
      {"", 1, 11, 217, 11, true},
      {"hover no", 0, 11, 297, 11, true},
      {"hover yes", 5, 16, 217, 16, true},
      {"panel move", 0, 0, 217, 16, true},  // yes has the focus: restart under it
      {"", 45, 61, 217, 0, false},            // 16 + 45 = 61: stops, counter back to 0
      {"focus no", 3, 3, 297, 3, true},       // a fresh run starts from 1
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(s.action) + " then " + std::to_string(s.ticks) + " ticks");
    const std::string action = s.action;
    if (action == "focus yes") f.BtnYES->SetFocus();
    if (action == "focus no") f.BtnNO->SetFocus();
    if (action == "hover yes") f.BtnYESMouseMove(f.BtnYES, {}, 1, 1);
    if (action == "hover no") f.BtnNOMouseMove(f.BtnNO, {}, 1, 1);
    if (action == "panel move") f.QuestionPanelMouseMove(f.QuestionPanel, {}, 1, 1);
    for (int i = 0; i < s.ticks; ++i) f.Timer3Timer(f.Timer3);
    EXPECT_EQ(f.Image2->Width(), s.width);
    EXPECT_EQ(f.Image2->Left(), s.left);
    EXPECT_EQ(UnderlineStep, s.step);
    EXPECT_EQ(f.Timer3->Enabled(), s.timer_enabled);
  }
  f.Timer3->SetEnabled(false);
  UnderlineStep = 0;
  f.Image2->SetWidth(61);
}

// Timer1: the indicator shows the active layout's language; copying text enables the (hidden)
// paste button within a tick, emptying the clipboard disables it.
TEST(QuestionScreenTest, Timer1FollowsTheLayoutAndTheClipboard) {
  TMainForm& f = F();
  const char* expected = std::getenv("VORNADA_EXPECT_LANGUAGE");
  const std::wstring indicator =
      expected != nullptr && std::string(expected) == "0419" ? L"\u0440\u0443\u0441" : L"eng";
  ASSERT_TRUE(PumpUntil([&] { return f.lang->Caption() == indicator; }, 500));
  // Timer1's ticks counted: each change shows at the first tick after it.
  int ticks = 0;
  const TNotifyEvent tick = f.Timer1->OnTimer();
  f.Timer1->SetOnTimer([&](TObject* sender) {
    tick(sender);
    ++ticks;
  });
  const auto after_one_tick = [&] {
    const int start = ticks;
    return PumpUntil([&] { return ticks > start; }, 1000);
  };
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    SetClipboardText(L"copied text");
    ASSERT_TRUE(after_one_tick());
    EXPECT_TRUE(f.FlButton6->Enabled());
    EmptyClipboard();
    ASSERT_TRUE(after_one_tick());
    EXPECT_FALSE(f.FlButton6->Enabled());
  }
  // Text that another program puts on the clipboard while it keeps the clipboard open is read
  // at the first tick after the clipboard is free again; meanwhile the ticks fail silently.
  {
    testing::ReportedFailures failures;
    std::atomic<bool> copied{false}, release{false};
    std::thread other_program([&] {
      const win::UniqueWindow owner(::CreateWindowExW(0, L"STATIC", L"other", 0, 0, 0, 0, 0,
                                                      HWND_MESSAGE, nullptr, nullptr, nullptr));
      if (::OpenClipboard(owner.get())) {
        ::EmptyClipboard();
        const wchar_t text[] = L"held";
        win::UniqueGlobal data(::GlobalAlloc(GMEM_MOVEABLE, sizeof(text)));
        {
          const win::ScopedGlobalLock block(data.get());
          std::memcpy(block.get(), text, sizeof(text));
        }
        if (::SetClipboardData(CF_UNICODETEXT, data.get()) != nullptr) data.release();
        copied = true;
        while (!release) ::Sleep(1);
        ::CloseClipboard();
      }
      copied = true;
    });
    // (Pumping meanwhile: making the other thread's window talks to this thread's windows.)
    ASSERT_TRUE(PumpUntil([&] { return copied.load(); }, 10000));
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(after_one_tick());
    EXPECT_FALSE(f.FlButton6->Enabled()) << "read while held";
    release = true;
    other_program.join();
    ASSERT_TRUE(after_one_tick());
    EXPECT_TRUE(f.FlButton6->Enabled()) << "not read once free";
    EXPECT_TRUE(failures.Messages().empty());
  }
  f.Timer1->SetOnTimer(tick);
  EmptyClipboard();
  EXPECT_TRUE(PumpUntil([&] { return !f.FlButton6->Enabled(); }, 1000));
  EXPECT_FALSE(f.FlButton6->Visible());
}

// The system's close on the question screen (Alt+F4, the taskbar) ends the program through the
// fade-out without touching the attributes.
TEST(QuestionScreenTest, SystemCloseFadesOutAndLeavesTheAttributes) {
  TMainForm& f = F();
  hosts::SetHostsAttributes(0);
  const DWORD before = HostsAttributes();
  ::SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(f.CloseTimer->Enabled());
  EXPECT_FALSE(Application()->Terminated());
  f.CloseTimer->SetEnabled(false);
  EXPECT_EQ(HostsAttributes(), before);
}

// ---- the password screen -------------------------------------------------------------------

HKL WINAPI RefusingLoader(LPCWSTR, UINT) { return nullptr; }

TEST(PasswordScreenTest, YesOpensThePasswordScreenEvenWhenTheLayoutIsRefused) {
  TMainForm& f = F();
  const KeyboardLayoutLoader previous = SetKeyboardLayoutLoader(&RefusingLoader);
  testing::MessageBoxWatcher boxes;
  f.SetAlphaBlendValue(255);
  f.BtnYESClick(f.BtnYES);
  SetKeyboardLayoutLoader(previous);
  const std::vector<testing::SeenMessageBox> seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, win::WideString(kEnglishLayoutFailure));
  EXPECT_EQ(LastLayoutHandle, nullptr);

  EXPECT_EQ(f.QuestionPanel->Align(), TAlign::alTop);
  EXPECT_EQ(f.QuestionPanel->Height(), 0);
  EXPECT_FALSE(f.QuestionPanel->Enabled());
  EXPECT_EQ(f.PassPanel->Align(), TAlign::alClient);
  EXPECT_TRUE(f.PassPanel->Enabled());
  EXPECT_FALSE(f.MainPanel->Enabled());
  EXPECT_EQ(f.AlphaBlendValue(), 0);
  EXPECT_TRUE(f.ShowTimer->Enabled());
  EXPECT_TRUE(f.PassEdit1->Focused());
  EXPECT_TRUE(PumpUntil([&] { return !f.ShowTimer->Enabled(); }, 3000));
  EXPECT_EQ(f.AlphaBlendValue(), 255);
}

// The password screen's close button ends the program through the fade-out and leaves the
// attributes alone.
TEST(PasswordScreenTest, CloseButtonFadesOutAndLeavesTheAttributes) {
  TMainForm& f = F();
  const DWORD before = HostsAttributes();
  f.BtnClose2Click(f.BtnClose2);
  EXPECT_TRUE(f.CloseTimer->Enabled());
  f.CloseTimer->SetEnabled(false);
  EXPECT_EQ(HostsAttributes(), before);
}

TEST(PasswordScreenTest, WrongTextsDoNothing) {
  TMainForm& f = F();
  for (const wchar_t* text : {L"f@lc0nry", L" Yu0m@r", L"Dr1ft@ge ", L"Dr1ft@g", L"x", L""}) {
    f.PassEdit1->SetText(text);
    EXPECT_EQ(f.Width(), 405);
    EXPECT_EQ(f.Height(), 150);
    EXPECT_EQ(f.PassPanel->Align(), TAlign::alClient);
    EXPECT_FALSE(f.GifAnimator2->Visible());
  }
}

// The accepted password: the green bold message, the animation running on its own thread
// while the user-interface thread sleeps 2000 ms, then the editor 620 x 555 at the same
// top-left corner, on the taskbar, with the hosts file loaded.
TEST(PasswordScreenTest, AcceptedPasswordOpensTheEditorWhileTheAnimationRuns) {
  TMainForm& f = F();
  RECT before;
  ::GetWindowRect(f.Handle(), &before);
  std::atomic<bool> stop{false};
  std::atomic<bool> ui_sleeping{false};
  std::set<int> frames_while_sleeping;
  const DWORD ui_thread = ::GetCurrentThreadId();
  // A watcher on another thread samples the animation's frame while the user-interface thread
  // is inside the pause (it answers no messages then).
  std::thread watcher([&] {
    while (!stop) {
      DWORD_PTR ignored = 0;
      const bool answers = ::SendMessageTimeoutW(f.Handle(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 20,
                                                 &ignored) != 0;
      if (!answers && f.GifAnimator2->Visible() && f.GifAnimator2->Animate()) {
        ui_sleeping = true;
        frames_while_sleeping.insert(f.GifAnimator2->FrameIndex());
      }
      ::Sleep(10);
    }
  });
  const int64_t start = testing::NowMs();
  f.PassEdit1->SetText(L"F@lc0nry");
  const int64_t elapsed = testing::NowMs() - start;
  stop = true;
  watcher.join();
  (void)ui_thread;

  EXPECT_GE(elapsed, 2000) << "the pause";
  EXPECT_TRUE(ui_sleeping);
  // 48 frames of 40 ms: some 50 frame changes in the pause; a busy machine shows fewer.
  EXPECT_GE(frames_while_sleeping.size(), 10u) << "the animation did not run during the pause";
  EXPECT_EQ(f.FxLabel5->Font().Color(), 46641);
  EXPECT_TRUE(f.FxLabel5->Font().Style() & fsBold);
  EXPECT_EQ(f.FxLabel5->Caption(),
            L"\u041F\u0430\u0440\u043E\u043B\u044C \u043F\u043E\u0434\u043E\u0448\u0451\u043B "
            L"\u0443\u0441\u043F\u0435\u0448\u043D\u043E!!!");

  RECT after;
  ::GetWindowRect(f.Handle(), &after);
  EXPECT_EQ(after.right - after.left, 620);
  EXPECT_EQ(after.bottom - after.top, 555);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  // The style is replaced by WS_EX_APPWINDOW alone (the system adds the edge bit that goes
  // with a caption): on the taskbar, no longer a tool window.
  const DWORD app_ex = static_cast<DWORD>(::GetWindowLongW(Application()->Handle(), GWL_EXSTYLE));
  EXPECT_EQ(app_ex & ~static_cast<DWORD>(WS_EX_WINDOWEDGE), static_cast<DWORD>(WS_EX_APPWINDOW));
  EXPECT_EQ(f.PassPanel->Align(), TAlign::alNone);
  EXPECT_FALSE(f.PassPanel->Enabled());
  EXPECT_EQ(f.QuestionPanel->Align(), TAlign::alNone);
  EXPECT_TRUE(f.MainPanel->Enabled());
  EXPECT_TRUE(f.InfoPanel->Enabled());
  EXPECT_EQ(f.InfoPanel->Align(), TAlign::alTop);
  EXPECT_EQ(f.InfoPanel->Height(), 0);
  EXPECT_EQ(f.Memo1->AnsiText(), kHostsText);
  EXPECT_TRUE(f.Memo1->ReadOnly());
  EXPECT_TRUE(f.FlButton1->Enabled()) << "the load changed the memo";
  EXPECT_TRUE(PumpUntil([&] { return !f.ShowTimer->Enabled(); }, 3000));
}

// ---- the editor screen ---------------------------------------------------------------------

TEST(EditorScreenTest, SwitchesAndTheirMutualExclusion) {
  TMainForm& f = F();
  hosts::SetHostsAttributes(hosts::HostsProtectedAttr);
  const DWORD protected_shown = ShownAttributesAfterSetting(39);
  const DWORD writable_shown = ShownAttributesAfterSetting(0);
  constexpr TColor kGreen = 15662579, kGrey = 15921906;
  struct Step {
    TSkImgCheckBox* TMainForm::*box;
    bool write, autoupdate, buttons_shown;
    TColor color;
    DWORD attributes;
  };
  // Checking auto-update during write mode leaves the buttons shown and the file writable.
  const std::vector<Step> steps = {
      {&TMainForm::SkImgCheckBox2, true, false, true, kGreen, writable_shown},
      {&TMainForm::SkImgCheckBox3, false, true, true, kGrey, writable_shown},
      {&TMainForm::SkImgCheckBox2, true, false, true, kGreen, writable_shown},
      {&TMainForm::SkImgCheckBox2, false, false, false, kGrey, protected_shown},
      {&TMainForm::SkImgCheckBox3, false, true, false, kGrey, protected_shown},
      {&TMainForm::SkImgCheckBox3, false, false, false, kGrey, protected_shown},
  };
  int n = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE("step " + std::to_string(++n));
    ClickControl(f.*s.box);
    EXPECT_EQ(f.SkImgCheckBox2->Checked(), s.write);
    EXPECT_EQ(f.SkImgCheckBox3->Checked(), s.autoupdate);
    EXPECT_EQ(f.Timer2->Enabled(), s.autoupdate);
    EXPECT_EQ(f.FlButton1->Visible(), s.buttons_shown);
    EXPECT_EQ(f.FlButton6->Visible(), s.buttons_shown);
    EXPECT_EQ(f.Memo1->Color(), s.color);
    EXPECT_EQ(f.Memo1->ReadOnly(), s.color == kGrey);
    EXPECT_EQ(HostsAttributes(), s.attributes);
    EXPECT_TRUE(f.Memo1->Focused());
  }
  // Stay on top, independent of both.
  for (const bool topmost : {false, true}) {
    ClickControl(f.SkImgCheckBox1);
    EXPECT_EQ(f.SkImgCheckBox1->Checked(), topmost);
    EXPECT_EQ((::GetWindowLongW(f.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, topmost);
    EXPECT_TRUE(f.Memo1->Focused());
  }
}

// The focus follows the mouse: a mouse move over each of these windowed controls puts the focus
// into its memo (the reference screen's minimise and close buttons give it to the editor's).
TEST(EditorScreenTest, FocusFollowsTheMouseIntoTheMemos) {
  TMainForm& f = F();
  f.BtnInfoClick(f.BtnInfo);  // both screens' controls have windows of their size now
  struct Case {
    TWinControl* over;
    TWinControl* focused;
  };
  const std::vector<Case> cases = {
      {f.MainPanel, f.Memo1},      {f.Memo1, f.Memo1},          {f.BtnInfo, f.Memo1},
      {f.BtnMin, f.Memo1},         {f.BtnClose, f.Memo1},       {f.FlButton1, f.Memo1},
      {f.FlButton2, f.Memo1},      {f.FlButton3, f.Memo1},      {f.FlButton6, f.Memo1},
      {f.SkImgCheckBox1, f.Memo1}, {f.SkImgCheckBox2, f.Memo1}, {f.SkImgCheckBox3, f.Memo1},
      {f.BtnMin3, f.Memo1},        {f.BtnClose3, f.Memo1},      {f.Memo2, f.Memo2},
      {f.FlButton4, f.Memo2},      {f.FlButton5, f.Memo2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.over->Name());
    // The focus starts in the other memo.
    (c.focused == f.Memo1 ? f.Memo2 : f.Memo1)->SetFocus();
    ASSERT_FALSE(c.focused->Focused());
    testing::PostMouse(c.over->Handle(), WM_MOUSEMOVE, 2, 2);
    EXPECT_TRUE(c.focused->Focused());
  }
  // The copy button, the back button and the panels' labels have no such handler.
  f.Memo1->SetFocus();
  testing::PostMouse(f.BtnBack3->Handle(), WM_MOUSEMOVE, 2, 2);
  testing::PostMouse(f.FxBitBtn1->Handle(), WM_MOUSEMOVE, 2, 2);
  EXPECT_TRUE(f.Memo1->Focused());
  f.BtnBack3Click(f.BtnBack3);
}

TEST(EditorScreenTest, SaveWritesTheTextAndDisablesTheButtonUntilTheNextChange) {
  TMainForm& f = F();
  ClickControl(f.SkImgCheckBox2);  // write mode on
  ASSERT_TRUE(f.SkImgCheckBox2->Checked());
  f.Memo1->SetAnsiText("10.1.1.1 a.test\r\n10.1.1.2 b.test");
  EXPECT_TRUE(f.FlButton1->Enabled());
  f.FlButton1Click(f.FlButton1);
  EXPECT_EQ(ReadBytes(g_hosts->HostsPath()), "10.1.1.1 a.test\r\n10.1.1.2 b.test");
  EXPECT_FALSE(f.FlButton1->Enabled());
  EXPECT_TRUE(f.Memo1->Focused());
  f.Memo1->SetAnsiText("10.1.1.1 a.test\r\n");
  EXPECT_TRUE(f.FlButton1->Enabled());
}

TEST(EditorScreenTest, StartAndEndPutTheCaret) {
  TMainForm& f = F();
  struct Case {
    std::string text;
    int end;
  };
  const std::vector<Case> cases = {{"a\r\nbc", 5}, {"a\r\n", 3}, {"", 0}, {"xyz", 3}};
  for (const Case& c : cases) {
    f.Memo1->SetAnsiText(c.text);
    f.FlButton3Click(f.FlButton3);
    EXPECT_EQ(f.Memo1->SelStart(), c.end) << c.text;
    EXPECT_EQ(f.Memo1->SelLength(), 0);
    f.FlButton2Click(f.FlButton2);
    EXPECT_EQ(f.Memo1->SelStart(), 0);
    EXPECT_EQ(f.Memo1->SelLength(), 0);
    EXPECT_TRUE(f.Memo1->Focused());
  }
}

TEST(EditorScreenTest, ReplaceFromTheClipboardAsksFirst) {
  TMainForm& f = F();
  f.Memo1->SetAnsiText("kept text");
  SetClipboardText(L"from the clipboard");
  struct Case {
    int answer_button;  // 0: Yes, 1: No
    std::string memo;
    bool clipboard_empty;
  };
  const std::vector<Case> cases = {{1, "kept text", false}, {0, "from the clipboard", true}};
  for (const Case& c : cases) {
    testing::MessageBoxWatcher boxes(c.answer_button);
    f.FlButton6Click(f.FlButton6);
    const std::vector<testing::SeenMessageBox> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, L"\u0412\u043D\u0438\u043C\u0430\u043D\u0438\u0435!!!");
    EXPECT_EQ(seen[0].text,
              L"\u0412\u044B \u0434\u0435\u0439\u0441\u0442\u0432\u0438\u0442\u0435\u043B\u044C"
              L"\u043D\u043E \u0445\u043E\u0442\u0438\u0442\u0435 \u043E\u0447\u0438\u0441\u0442"
              L"\u0438\u0442\u044C \u0438\r\n\u0437\u0430\u0442\u0435\u043C \u0432\u0441\u0442"
              L"\u0430\u0432\u0438\u0442\u044C \u0442\u0435\u043A\u0441\u0442 \u0438\u0437 "
              L"\u0431\u0443\u0444\u0435\u0440\u0430 \u043E\u0431\u043C\u0435\u043D\u0430?");
    EXPECT_EQ(seen[0].buttons.size(), 2u);
    EXPECT_NE(seen[0].icon, nullptr) << "the information icon";
    EXPECT_EQ(f.Memo1->AnsiText(), c.memo);
    EXPECT_EQ(::CountClipboardFormats() == 0, c.clipboard_empty);
    EXPECT_TRUE(f.Memo1->Focused());
  }
}

// ---- the reference screen ------------------------------------------------------------------

struct CopyButtonState {
  int left, width;
  bool enabled;
  std::wstring caption;
};
CopyButtonState CopyButton() {
  TFxBitBtn* b = F().FxBitBtn1;
  return {b->Left(), b->Width(), b->Enabled(), b->Caption()};
}
const CopyButtonState kReady{40, 137, true, L"\u0421\u043A\u043E\u043F\u0438\u0440\u043E\u0432"
                                            L"\u0430\u0442\u044C \u0432\u0441\u0435?!"};
const CopyButtonState kCopied{40, 153, false,
                              L"\u0421\u043A\u043E\u043F\u0438\u0440\u043E\u0432\u0430\u043D\u043E "
                              L"\u0432 \u0431\u0443\u0444\u0435\u0440!"};
void ExpectCopyButton(const CopyButtonState& expected) {
  const CopyButtonState b = CopyButton();
  EXPECT_EQ(b.left, expected.left);
  EXPECT_EQ(b.width, expected.width);
  EXPECT_EQ(b.enabled, expected.enabled);
  EXPECT_EQ(b.caption, expected.caption);
}

TEST(ReferenceScreenTest, CopyAllAndTheButtonsTwoStates) {
  TMainForm& f = F();
  f.BtnInfoClick(f.BtnInfo);
  EXPECT_EQ(f.InfoPanel->Align(), TAlign::alClient);
  EXPECT_TRUE(f.Memo2->Focused());
  ExpectCopyButton(kReady);
  bool ok = false;
  const std::vector<uint8_t> reference =
      testing::ReadFileBytes(testing::SourcePath("app/design/reference.txt"), &ok);
  ASSERT_TRUE(ok);
  // Each way back to ready after a copy.
  const std::vector<std::string> resets = {"memo click", "start", "end", "back"};
  for (const std::string& reset : resets) {
    SCOPED_TRACE(reset);
    EmptyClipboard();
    f.FxBitBtn1Click(f.FxBitBtn1);
    ExpectCopyButton(kCopied);
    EXPECT_TRUE(f.FxBitBtn1->ShowFocusRect());
    EXPECT_TRUE(f.Memo2->Focused());
    EXPECT_EQ(f.Memo2->SelLength(), static_cast<int>(f.Memo2->Text().size()));
    const std::wstring copied = Clipboard()->AsText();
    EXPECT_EQ(copied, std::wstring(reference.begin(), reference.end()));
    f.FxBitBtn1MouseMove(f.FxBitBtn1, {}, 1, 1);
    EXPECT_FALSE(f.FxBitBtn1->ShowFocusRect());
    if (reset == "memo click") f.Memo2Click(f.Memo2);
    if (reset == "start") {
      f.FlButton4Click(f.FlButton4);
      EXPECT_EQ(f.Memo2->SelStart(), 0);
    }
    if (reset == "end") {
      f.FlButton5Click(f.FlButton5);
      EXPECT_EQ(f.Memo2->SelStart(), static_cast<int>(f.Memo2->Text().size()));
    }
    if (reset == "back") {
      f.BtnBack3Click(f.BtnBack3);
      EXPECT_EQ(f.InfoPanel->Align(), TAlign::alTop);
      EXPECT_EQ(f.InfoPanel->Height(), 0);
      EXPECT_TRUE(f.InfoPanel->Enabled());
      f.BtnInfoClick(f.BtnInfo);
    }
    ExpectCopyButton(kReady);
    if (reset != "memo click") {
      EXPECT_EQ(f.Memo2->SelLength(), 0);
    }
  }
  f.BtnBack3Click(f.BtnBack3);
}

// ---- closing from the editor ---------------------------------------------------------------

TEST(EditorCloseTest, SystemCloseAndSessionEndProtectTheFile) {
  TMainForm& f = F();
  const DWORD protected_shown = ShownAttributesAfterSetting(39);
  struct Case {
    const char* way;
    UINT message;
    WPARAM wparam;
    bool fades_out;
  };
  const std::vector<Case> cases = {
      {"WM_CLOSE (Alt+F4)", WM_CLOSE, 0, true},
      {"the end of the session", WM_ENDSESSION, TRUE, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.way);
    hosts::SetHostsAttributes(hosts::HostsWritableAttr);
    ASSERT_NE(HostsAttributes(), protected_shown);
    ::SendMessageW(f.Handle(), c.message, c.wparam, 0);
    EXPECT_EQ(HostsAttributes(), protected_shown);
    EXPECT_EQ(f.CloseTimer->Enabled(), c.fades_out);
    f.CloseTimer->SetEnabled(false);
  }
  // An ending that was cancelled protects nothing (the session goes on in write mode).
  hosts::SetHostsAttributes(hosts::HostsWritableAttr);
  const DWORD writable = HostsAttributes();
  ::SendMessageW(f.Handle(), WM_ENDSESSION, FALSE, 0);
  EXPECT_EQ(HostsAttributes(), writable);
  EXPECT_EQ(::SendMessageW(f.Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_EQ(HostsAttributes(), writable);
}

}  // namespace
}  // namespace vornada
