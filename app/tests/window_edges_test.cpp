// The main window at the edges of its screen flow: closes that meet a fade-in or a later click
// (each run in a process of its own, as the program ends there), and what the unlock leaves
// behind: the keyboard's focus, the success animation, Tab on the editor and reference screens
// and the memos' scroll bars.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Forms.h"
#include "HostsFile_win.h"
#include "Startup.h"
#include "Unit1.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::PumpMessages;
using testing::PumpUntil;
using testing::ShownAttributes;
using testing::ShownAttributesAfterSetting;

constexpr char kHostsText[] = "127.0.0.1       localhost\r\n";
constexpr wchar_t kAccepted[] = L"F@lc0nry";

TMainForm* StartProgram() {
  RunUnitStartup();
  Application()->SetTitle(kApplicationTitle);
  TMainForm* f = Application()->CreateForm<TMainForm>();
  f->Show();
  return f;
}

// A real click (button down and up) in the middle of a windowed control.
void ClickControl(TWinControl* control) {
  const int x = control->Width() / 2, y = control->Height() / 2;
  testing::PostMouse(control->Handle(), WM_LBUTTONDOWN, x, y, MK_LBUTTON);
  testing::PostMouse(control->Handle(), WM_LBUTTONUP, x, y);
}

// Characters typed where the keys go.
void Type(const std::wstring& text) {
  for (const wchar_t ch : text) {
    ::PostMessageW(::GetFocus(), WM_CHAR, ch, 1);
    PumpMessages(5);
  }
}

// Yes, then the accepted password typed (with its two-second pause): the editor screen.
void Unlock(TMainForm& f) {
  f.BtnYESClick(f.BtnYES);
  PumpUntil([&] { return !f.ShowTimer->Enabled(); }, 3000);
  Type(kAccepted);
}

// ---- closing ---------------------------------------------------------------------------------

struct CloseCase {
  const char* name;
  // Brings the window to where the close happens, closes, and may click on afterwards.
  std::function<void(TMainForm&)> run;
  bool protects;  // the file ends protected (a close from the editor or reference screen)
};

// The editor shown and faded in.
void ReachEditor(TMainForm& f) {
  Unlock(f);
  PumpUntil([&] { return !f.ShowTimer->Enabled(); }, 3000);
}

// The window fades in 15 a tick: a value between 0 and 255 means the fade-in runs.
void WaitForFadeInMidway(TMainForm& f) {
  PumpUntil([&] { return f.AlphaBlendValue() >= 60; }, 3000);
}

// What the program leaves when it ends; an empty text when all is as it must be. Runs in the
// child process of a death test.
std::string RunCloseCase(const CloseCase& c) {
  // A program that never ends is reported, not waited for.
  std::thread([] {
    ::Sleep(15000);
    std::fprintf(stderr, "still running 15 s after the close, opacity %d\n",
                 MainForm != nullptr ? MainForm->AlphaBlendValue() : -1);
    std::fflush(stderr);
    ::ExitProcess(2);
  }).detach();
  testing::ScratchHosts hosts;
  testing::WriteBytes(hosts.HostsPath(), kHostsText);
  const DWORD protected_shown = ShownAttributesAfterSetting(hosts::HostsProtectedAttr);
  const DWORD writable_shown = ShownAttributesAfterSetting(hosts::HostsWritableAttr);
  hosts::SetHostsAttributes(hosts::HostsWritableAttr);
  TMainForm& f = *StartProgram();
  c.run(f);
  if (!PumpUntil([] { return Application()->Terminated(); }, 10000))
    return "the program did not end";
  std::string problems;
  if (f.AlphaBlendValue() != 0)
    problems += "ended at opacity " + std::to_string(f.AlphaBlendValue()) + "; ";
  const DWORD shown = ShownAttributes(hosts.HostsPath());
  const DWORD expected = c.protects ? protected_shown : writable_shown;
  if (shown != expected)
    problems += "attributes " + std::to_string(shown) + " instead of " + std::to_string(expected);
  return problems;
}

TEST(WindowCloseTest, ACloseAlwaysEndsTheProgramAndProtectsTheFileFromTheEditor) {
  const std::vector<CloseCase> cases = {
      {"Alt+F4 during the first fade-in",
       [](TMainForm& f) {
         WaitForFadeInMidway(f);
         ::SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
       },
       false},
      {"No during the first fade-in",
       [](TMainForm& f) {
         WaitForFadeInMidway(f);
         ClickControl(f.BtnNO);
       },
       false},
      {"the password screen's close button during its fade-in",
       [](TMainForm& f) {
         PumpUntil([&] { return !f.ShowTimer->Enabled(); }, 3000);
         f.BtnYESClick(f.BtnYES);
         WaitForFadeInMidway(f);
         ClickControl(f.BtnClose2);
       },
       false},
      {"Alt+F4 during the editor's fade-in",
       [](TMainForm& f) {
         Unlock(f);
         ::SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
       },
       true},
      {"the editor's close button, then write mode on during the fade-out",
       [](TMainForm& f) {
         ReachEditor(f);
         ClickControl(f.BtnClose);
         PumpUntil([&] { return f.AlphaBlendValue() < 200; }, 3000);
         ClickControl(f.SkImgCheckBox2);
       },
       true},
      {"the reference screen's close button, then write mode on during the fade-out",
       [](TMainForm& f) {
         ReachEditor(f);
         f.BtnInfoClick(f.BtnInfo);
         ClickControl(f.BtnClose3);
         ClickControl(f.SkImgCheckBox2);
       },
       true},
  };
  for (const CloseCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EXIT(
        {
          const std::string problems = RunCloseCase(c);
          std::fprintf(stderr, "%s\n", problems.c_str());
          std::fflush(stderr);
          ::ExitProcess(problems.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
  }
}

// ---- after the unlock ------------------------------------------------------------------------

// One window for the tests below; they build on each other and run in file order.
TMainForm& F() {
  static TMainForm* form = [] {
    static testing::ScratchHosts hosts;
    testing::WriteBytes(hosts.HostsPath(), kHostsText);
    TMainForm* f = StartProgram();
    PumpUntil([&] { return !f->ShowTimer->Enabled(); }, 5000);
    return f;
  }();
  return *form;
}

// Both memos have a vertical scroll bar by their design: on the live windows it takes its room
// from the client area.
TEST(UnlockedWindowTest, MemosShowTheirVerticalScrollBars) {
  TMainForm& f = F();
  for (TMemo* memo : {f.Memo1, f.Memo2}) {
    SCOPED_TRACE(memo->Name());
    ASSERT_EQ(memo->ScrollBars(), TScrollStyle::ssVertical);
    RECT window, client;
    ::GetWindowRect(memo->Handle(), &window);
    ::GetClientRect(memo->Handle(), &client);
    EXPECT_GE((window.right - window.left) - client.right, ::GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_LT((window.bottom - window.top) - client.bottom, ::GetSystemMetrics(SM_CYHSCROLL));
  }
}

// After the unlock the keys belong to the editor and the success sequence does not run again,
// however the password field's text comes back to an accepted one; the animation has stopped.
TEST(UnlockedWindowTest, TheUnlockHappensOnceAndLeavesTheEditorInCharge) {
  TMainForm& f = F();
  ReachEditor(f);
  ASSERT_TRUE(f.MainPanel->Enabled()) << "not unlocked by typing";
  EXPECT_EQ(::GetFocus(), f.Memo1->Handle());
  ASSERT_EQ(f.AlphaBlendValue(), 255);

  EXPECT_FALSE(f.GifAnimator2->Animate());
  const int frame = f.GifAnimator2->FrameIndex();
  PumpMessages(300);
  EXPECT_EQ(f.GifAnimator2->FrameIndex(), frame) << "the animation goes on";

  struct Way {
    const char* name;
    std::function<void()> change;
  };
  const std::vector<Way> ways = {
      // The last character taken back and typed again where the keys go.
      {"typed", [] { Type(L"\by"); }},
      {"set by the program", [&] { f.PassEdit1->SetText(L"Dr1ft@ge"); }},
  };
  for (const Way& w : ways) {
    SCOPED_TRACE(w.name);
    w.change();
    PumpMessages(50);
    EXPECT_EQ(f.AlphaBlendValue(), 255) << "the window faded in again";
    EXPECT_FALSE(f.ShowTimer->Enabled());
    EXPECT_EQ(f.Width(), 620);
    EXPECT_EQ(f.Height(), 555);
  }
}

// Tab goes round the shown screen only: the panels put away (height 0) or lying under the shown
// one keep their controls out of reach.
TEST(UnlockedWindowTest, TabStaysOnTheShownScreen) {
  TMainForm& f = F();
  ASSERT_TRUE(f.MainPanel->Enabled());
  std::vector<TWinControl*> all;
  f.GetTabOrderList(all);
  struct Case {
    const char* screen;
    TFlPanel* shown;
    TWinControl* start;
  };
  const std::vector<Case> cases = {{"editor", f.MainPanel, f.Memo1},
                                   {"reference", f.InfoPanel, f.Memo2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen);
    if (c.shown == f.InfoPanel) f.BtnInfoClick(f.BtnInfo);
    c.start->SetFocus();
    std::vector<std::string> reached;
    std::vector<std::string> outside;
    for (size_t i = 0; i <= all.size(); ++i) {
      testing::PostKeyDown(nullptr, VK_TAB);
      testing::PostKeyUp(nullptr, VK_TAB);
      const HWND focus = ::GetFocus();
      TWinControl* at = nullptr;
      for (TWinControl* w : all)
        if (w->HandleAllocated() && w->Handle() == focus) at = w;
      ASSERT_NE(at, nullptr) << "the focus left the window's controls";
      reached.push_back(at->Name());
      bool on_screen = false;
      for (const TControl* p = at; p != nullptr; p = p->Parent())
        if (p == c.shown) on_screen = true;
      if (!on_screen) outside.push_back(at->Name());
    }
    EXPECT_TRUE(outside.empty()) << "reached off the screen: " << ::testing::PrintToString(outside);
    EXPECT_GT(std::set<std::string>(reached.begin(), reached.end()).size(), 1u);
  }
  f.BtnBack3Click(f.BtnBack3);
}

}  // namespace
}  // namespace vornada
