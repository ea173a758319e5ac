// The main window as the program creates it: design values, the question screen in front, the
// fade-in, the emptied clipboard, and the hosts file in the editor memo (load, reload, save).
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Clipbrd.h"
#include "DesignText.h"
#include "Forms.h"
#include "HostsFile_win.h"
#include "HostsText.h"
#include "Startup.h"
#include "TestSupport.h"
#include "Unit1.h"
#include "WinHandles.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::HostsUnderWindir;
using testing::PumpMessages;
using testing::PumpUntil;
using testing::ReadBytes;
using testing::ScratchHosts;
using testing::WriteBytes;

// One main window for the whole test program, created as the program creates it, with text on
// the clipboard beforehand.
class MainFormEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    RunUnitStartup();
    Clipboard()->SetAsText(L"left over from before the start");
    Application()->SetTitle(kApplicationTitle);
    Application()->CreateForm<TMainForm>();
  }
};
::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new MainFormEnvironment);

TEST(MainFormStartTest, CreatedSmallTransparentWithTheQuestionScreenInFront) {
  TMainForm& f = *MainForm;
  EXPECT_EQ(f.Width(), 405);
  EXPECT_EQ(f.Height(), 150);
  EXPECT_EQ(f.AlphaBlendValue(), 0);
  EXPECT_TRUE(f.ShowTimer->Enabled());
  EXPECT_FALSE(f.CloseTimer->Enabled());
  EXPECT_TRUE(f.Timer1->Enabled());
  EXPECT_EQ(f.Timer1->Interval(), 10u);
  EXPECT_FALSE(f.Timer2->Enabled());
  EXPECT_EQ(f.Timer2->Interval(), 1000u);
  EXPECT_FALSE(f.Timer3->Enabled());
  EXPECT_EQ(f.Timer3->Interval(), 1u);
  EXPECT_EQ(UnderlineStep, 0);

  struct PanelState {
    TFlPanel* panel;
    TAlign align;
    bool enabled;
  } panels[] = {
      {f.MainPanel, TAlign::alClient, false},
      {f.QuestionPanel, TAlign::alClient, true},
      {f.InfoPanel, TAlign::alTop, false},
      {f.PassPanel, TAlign::alTop, false},
  };
  for (const PanelState& p : panels) {
    SCOPED_TRACE(p.panel->Name());
    EXPECT_EQ(p.panel->Align(), p.align);
    EXPECT_EQ(p.panel->Enabled(), p.enabled);
    EXPECT_TRUE(p.panel->Visible());
    EXPECT_EQ(p.panel->Width(), 405);
    EXPECT_EQ(p.panel->Height(), p.align == TAlign::alClient ? 150 : 0);
  }
  // The question panel, created after the editor panel, lies on top of it.
  HWND form = f.Handle();
  POINT centre{200, 75};
  EXPECT_EQ(::ChildWindowFromPointEx(form, centre, CWP_SKIPINVISIBLE), f.QuestionPanel->Handle());
}

TEST(MainFormStartTest, PictureClassesAreRegisteredAtStartUp) {
  const TGraphicClassInfo* png = TPicture::FindClass("TPngGraphic");
  const TGraphicClassInfo* gif = TPicture::FindClass("TGIFImage");
  ASSERT_NE(png, nullptr);
  ASSERT_NE(gif, nullptr);
  EXPECT_EQ(png->extension, L"PNG");
  EXPECT_EQ(gif->extension, L"gif");
}

// The window is built from the description compiled into the program: the resource holds the
// committed description, and every object it names exists with its class and its parent.
TEST(MainFormStartTest, BuiltFromTheDesignDescriptionInTheProgram) {
  HRSRC info = ::FindResourceW(nullptr, L"MAINFORM", MAKEINTRESOURCEW(10));
  ASSERT_NE(info, nullptr);
  const char* data = static_cast<const char*>(::LockResource(::LoadResource(nullptr, info)));
  const std::string resource(data, ::SizeofResource(nullptr, info));
  bool ok = false;
  const std::vector<uint8_t> file =
      testing::ReadFileBytes(testing::SourcePath("app/design/MainForm.dfm"), &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(resource, std::string(file.begin(), file.end()));

  const TDesignObject root = ParseDesignText(resource);
  EXPECT_EQ(root.name, MainForm->Name());
  int objects = 0;
  std::function<void(const TDesignObject&, const std::string&)> check =
      [&](const TDesignObject& object, const std::string& parent) {
        for (const TDesignObject& child : object.children) {
          SCOPED_TRACE(child.name);
          ++objects;
          TComponent* c = MainForm->FindComponent(child.name);
          ASSERT_NE(c, nullptr);
          EXPECT_EQ(c->ClassName(), child.class_name);
          if (auto* control = dynamic_cast<TControl*>(c)) {
            ASSERT_NE(control->Parent(), nullptr);
            EXPECT_EQ(control->Parent()->Name(), parent);
          }
          check(child, child.name);
        }
      };
  check(root, root.name);
  EXPECT_EQ(objects, MainForm->ComponentCount()) << "nothing made outside the description";
  EXPECT_TRUE(MainForm->ShowTimer->OnTimer());
  EXPECT_TRUE(MainForm->CloseTimer->OnTimer());
  EXPECT_TRUE(MainForm->Timer2->OnTimer());
  EXPECT_TRUE(MainForm->OnShow);
}

TEST(MainFormStartTest, WindowIsBorderlessTopmostAndLayered) {
  HWND form = MainForm->Handle();
  const LONG style = ::GetWindowLongW(form, GWL_STYLE);
  const LONG ex_style = ::GetWindowLongW(form, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(ex_style & WS_EX_TOPMOST);
  EXPECT_TRUE(ex_style & WS_EX_LAYERED);
  EXPECT_EQ(::GetWindow(form, GW_OWNER), Application()->Handle());
  wchar_t title[64] = {};
  ::GetWindowTextW(Application()->Handle(), title, 64);
  EXPECT_STREQ(title, L"Vornada-Ver-1.1");
  // The application window's extended style is replaced as a whole: every bit but the one that
  // would give it a taskbar button.
  const DWORD app_ex = static_cast<DWORD>(::GetWindowLongW(Application()->Handle(), GWL_EXSTYLE));
  EXPECT_EQ(app_ex & WS_EX_APPWINDOW, 0u);
  EXPECT_EQ(app_ex & WS_EX_TOOLWINDOW, static_cast<DWORD>(WS_EX_TOOLWINDOW));
}

TEST(MainFormStartTest, ClipboardIsEmptiedAtCreation) {
  win::ScopedClipboard clipboard(nullptr);
  ASSERT_TRUE(clipboard.IsOpen());
  EXPECT_EQ(::CountClipboardFormats(), 0);
}

TEST(MainFormStartTest, ShownCentredAndFadesInByFifteen) {
  TMainForm& f = *MainForm;
  std::vector<int> seen;
  const TNotifyEvent fade = f.ShowTimer->OnTimer();
  f.ShowTimer->SetOnTimer([&](TObject* s) {
    fade(s);
    seen.push_back(f.AlphaBlendValue());
  });
  f.Show();
  RECT r;
  ::GetWindowRect(f.Handle(), &r);
  const int desktop_w = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int desktop_h = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  EXPECT_EQ(r.right - r.left, 405);
  EXPECT_EQ(r.bottom - r.top, 150);
  EXPECT_EQ(r.left, ::GetSystemMetrics(SM_XVIRTUALSCREEN) + (desktop_w - 405) / 2);
  EXPECT_EQ(r.top, ::GetSystemMetrics(SM_YVIRTUALSCREEN) + (desktop_h - 150) / 2);
  BYTE alpha = 1;
  DWORD flags = 0;
  ASSERT_TRUE(::GetLayeredWindowAttributes(f.Handle(), nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 0) << "the window is not transparent when it appears";

  ASSERT_TRUE(PumpUntil([&] { return !f.ShowTimer->Enabled(); }, 5000));
  std::vector<int> expected;
  for (int a = 15; a <= 255; a += 15) expected.push_back(a);
  expected.push_back(255);  // the stopping tick finds 255 and changes nothing
  EXPECT_EQ(seen, expected);
  ASSERT_TRUE(::GetLayeredWindowAttributes(f.Handle(), nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 255);
  f.ShowTimer->SetOnTimer(fade);
}

class HostsLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memo_ = MainForm->Memo1;
    saved_handler_ = memo_->OnChange;
    memo_->OnChange = [this](TObject*) { ++changes_; };
    memo_->SetAnsiText("");
    changes_ = 0;
  }
  void TearDown() override {
    memo_->OnChange = saved_handler_;
    MainForm->Timer2->SetEnabled(false);
  }
  ScratchHosts scratch_;
  TMemo* memo_ = nullptr;
  TNotifyEvent saved_handler_;
  int changes_ = 0;
};

TEST_F(HostsLoadTest, FileIsShownWithCrLfLineBreaks) {
  const struct {
    std::string file, shown;
  } cases[] = {
      {"127.0.0.1 localhost\n::1 localhost\n", "127.0.0.1 localhost\r\n::1 localhost\r\n"},
      {"a\rb", "a\r\nb"},
      {"a\r\nb\nc\rd\r\n", "a\r\nb\r\nc\r\nd\r\n"},
      {"no break at the end", "no break at the end"},
  };
  for (const auto& c : cases) {
    WriteBytes(scratch_.HostsPath(), c.file);
    changes_ = 0;
    MainForm->LoadHostsFile();
    EXPECT_EQ(memo_->AnsiText(), c.shown);
    EXPECT_EQ(changes_, 1);
  }
}

TEST_F(HostsLoadTest, UnchangedReloadFiresNoChangeEventAndAChangedFileDoes) {
  WriteBytes(scratch_.HostsPath(), "1.1.1.1 one\n");
  MainForm->LoadHostsFile();
  changes_ = 0;
  MainForm->LoadHostsFile();
  EXPECT_EQ(changes_, 0);
  WriteBytes(scratch_.HostsPath(), "1.1.1.1 one\n2.2.2.2 two\n");
  MainForm->LoadHostsFile();
  EXPECT_EQ(changes_, 1);
  EXPECT_EQ(memo_->AnsiText(), "1.1.1.1 one\r\n2.2.2.2 two\r\n");
}

TEST_F(HostsLoadTest, ReloadTimerShowsAnotherProgramsChangeWithinASecond) {
  WriteBytes(scratch_.HostsPath(), "first\n");
  MainForm->Timer2->SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return memo_->AnsiText() == "first\r\n"; }, 3000));
  changes_ = 0;
  PumpMessages(1200);
  EXPECT_EQ(changes_, 0) << "an unchanged file changed the memo";
  WriteBytes(scratch_.HostsPath(), "second\n");
  EXPECT_TRUE(PumpUntil([&] { return memo_->AnsiText() == "second\r\n"; }, 3000));
  EXPECT_EQ(changes_, 1);
}

TEST_F(HostsLoadTest, ReloadOfAMissingFileLeavesTheMemoAsItWas) {
  memo_->SetAnsiText("kept\r\n");
  changes_ = 0;
  EXPECT_THROW(MainForm->LoadHostsFile(), EFOpenError);
  MainForm->Timer2Timer(MainForm->Timer2);  // swallows the failure
  EXPECT_EQ(memo_->AnsiText(), "kept\r\n");
  EXPECT_EQ(changes_, 0);
}

// A file that fails every read (a link to a device that refuses reads, standing in for a disk
// read error): the load raises the stream read error naming the file, and the memo keeps its
// text without a change event, on a direct load and on a reload tick.
TEST_F(HostsLoadTest, ReadErrorLeavesTheMemoAsItWas) {
#ifndef UNREADABLE_WINDIR_W
  GTEST_SKIP() << "no file that fails reads on this build host";
#else
  HostsUnderWindir unreadable(UNREADABLE_WINDIR_W);
  memo_->SetAnsiText("kept\r\n");
  changes_ = 0;
  try {
    MainForm->LoadHostsFile();
    FAIL() << "no error; the memo shows \"" << memo_->AnsiText() << "\"";
  } catch (const EReadError& e) {
    const std::string start = "Stream read error. Cannot read file \"";
    const std::string file_end = "\\hosts\". ";
    EXPECT_EQ(e.Message().compare(0, start.size(), start), 0) << e.Message();
    EXPECT_NE(e.Message().find(file_end), std::string::npos) << e.Message();
    EXPECT_GT(e.Message().size(), e.Message().find(file_end) + file_end.size()) << e.Message();
  }
  MainForm->Timer2Timer(MainForm->Timer2);  // swallows the failure
  EXPECT_EQ(memo_->AnsiText(), "kept\r\n");
  EXPECT_EQ(changes_, 0);
#endif
}

TEST_F(HostsLoadTest, SaveWritesTheMemosBytesExactly) {
  // Bytes of the file survive load and save unchanged but for the line breaks.
  std::string file = "# high bytes: ";
  for (int b = 0x80; b <= 0xFF; ++b) file.push_back(static_cast<char>(b));
  file += "\nlast line without a break";
  WriteBytes(scratch_.HostsPath(), file);
  MainForm->LoadHostsFile();
  MainForm->SaveHostsFile();
  EXPECT_EQ(ReadBytes(scratch_.HostsPath()), hosts::NormaliseLineBreaks(file));

  memo_->SetAnsiText("10.0.0.1 a\r\n10.0.0.2 b\r\n");
  MainForm->SaveHostsFile();
  EXPECT_EQ(ReadBytes(scratch_.HostsPath()), "10.0.0.1 a\r\n10.0.0.2 b\r\n");
}

// Blocklists of a quarter of a million lines are common: they load, reload, save, and the user
// can type into them in write mode.
TEST_F(HostsLoadTest, LargeFileLoadsSavesAndTakesTyping) {
  std::string file;
  file.reserve(250000 * 28);
  for (int i = 0; i < 250000; ++i) file += "0.0.0.0 ads" + std::to_string(i) + ".example\n";
  WriteBytes(scratch_.HostsPath(), file);
  MainForm->LoadHostsFile();
  const std::string shown = hosts::NormaliseLineBreaks(file);
  EXPECT_EQ(memo_->AnsiText().size(), shown.size());
  EXPECT_TRUE(memo_->AnsiText() == shown);
  changes_ = 0;
  MainForm->LoadHostsFile();
  EXPECT_EQ(changes_, 0);

  memo_->SetReadOnly(false);
  memo_->SetSelStart(static_cast<int>(memo_->Text().size()));
  ::SendMessageW(memo_->Handle(), WM_CHAR, L'x', 0);
  memo_->SetReadOnly(true);
  EXPECT_EQ(memo_->AnsiText(), shown + "x");
  MainForm->SaveHostsFile();
  EXPECT_TRUE(ReadBytes(scratch_.HostsPath()) == shown + "x");
}

}  // namespace
}  // namespace vornada
