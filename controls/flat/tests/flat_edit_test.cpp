// Tests of the flat edit under Wine: defaults, creation styles, the height that follows the
// font until the window exists, the clamps, MaxLength cutting the text, PasswordChar masking
// the text already shown, selection on keyboard entry but not on a click, the modified flag
// across re-creation, change notifications, the selection operations, and the border rings
// drawn over the sunken edge (checked on the screen).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FlButton.h"
#include "FlEdit.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::PumpMessages;
using testing::StageForm;

// The character cell height of a font, read from the platform.
int CellHeight(TFont& font) {
  win::ScopedGetDC dc(nullptr);
  win::ScopedSelectObject select(dc, font.Handle());
  TEXTMETRICW tm{};
  ::GetTextMetricsW(dc, &tm);
  return tm.tmHeight;
}

int ExpectedHeight(TFont& font) { return CellHeight(font) + 8 * ::GetSystemMetrics(SM_CYBORDER); }

class EditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<TPanel>(nullptr);
    host->SetBevelOuter(TBevelCut::bvNone);
    host->SetBounds(0, 0, 400, 300);
    host->SetParent(&StageForm());
    before = new TFlButton(host.get());
    before->SetBounds(200, 20, 73, 25);
    before->SetParent(host.get());
    edit = new TFlEdit(host.get());
    edit->SetLeft(20);
    edit->SetTop(20);
    edit->SetParent(host.get());
    edit->OnChange = [this](TObject* sender) { changes += sender == edit ? 1 : 100; };
    ::SetForegroundWindow(StageForm().Handle());
    PumpMessages(10);
    changes = 0;
  }
  void TearDown() override {
    if (::GetCapture() != nullptr) ::ReleaseCapture();
  }

  LONG Style() { return ::GetWindowLongW(edit->Handle(), GWL_STYLE); }
  void Type(wchar_t c) {
    ::PostMessageW(edit->Handle(), WM_CHAR, c, 1);
    PumpMessages(5);
  }

  std::unique_ptr<TPanel> host;
  TFlButton* before = nullptr;
  TFlEdit* edit = nullptr;
  int changes = 0;
};

TEST_F(EditTest, DefaultsOfConstruction) {
  TFlEdit fresh(nullptr);
  EXPECT_EQ(fresh.Width(), 121);
  EXPECT_EQ(fresh.Height(), ExpectedHeight(fresh.Font())) << "the font's cell + 8 border heights";
  EXPECT_EQ(fresh.Color(), clWhite);
  EXPECT_FALSE(fresh.ParentColor());
  EXPECT_TRUE(fresh.TabStop());
  EXPECT_TRUE(fresh.AutoSize());
  EXPECT_TRUE(fresh.HasStyle(csFixedHeight));
  EXPECT_TRUE(fresh.HasStyle(csClickEvents));
  EXPECT_EQ(fresh.EnabledBorderColor(), 12558207);
  EXPECT_EQ(fresh.DisabledBorderColor(), 12114135);
  EXPECT_EQ(fresh.EnabledBorderWidth(), 1);
  EXPECT_EQ(fresh.DisabledBorderWidth(), 1);
  EXPECT_EQ(fresh.MaxLength(), 0);
  EXPECT_EQ(fresh.PasswordChar(), L'\0');
  EXPECT_FALSE(fresh.ReadOnly());
  EXPECT_EQ(fresh.CharCase(), TEditCharCase::ecNormal);
  EXPECT_TRUE(fresh.Text().empty());
}

TEST_F(EditTest, CreationStyles) {
  struct Case {
    const char* what;
    std::function<void(TFlEdit&)> set;
    LONG present, absent;
  };
  const Case cases[] = {
      {"plain", [](TFlEdit&) {}, ES_AUTOHSCROLL | ES_AUTOVSCROLL,
       ES_PASSWORD | ES_READONLY | ES_UPPERCASE | ES_LOWERCASE | WS_BORDER},
      {"password", [](TFlEdit& e) { e.SetPasswordChar(L'*'); }, ES_PASSWORD, ES_READONLY},
      {"read-only", [](TFlEdit& e) { e.SetReadOnly(true); }, ES_READONLY, ES_PASSWORD},
      {"upper case", [](TFlEdit& e) { e.SetCharCase(TEditCharCase::ecUpperCase); }, ES_UPPERCASE,
       ES_LOWERCASE},
      {"lower case", [](TFlEdit& e) { e.SetCharCase(TEditCharCase::ecLowerCase); }, ES_LOWERCASE,
       ES_UPPERCASE},
  };
  for (const Case& c : cases) {
    auto* e = new TFlEdit(host.get());
    c.set(*e);
    e->SetParent(host.get());
    HWND hwnd = e->Handle();
    wchar_t cls[32] = {};
    ::GetClassNameW(hwnd, cls, 32);
    EXPECT_EQ(_wcsicmp(cls, L"EDIT"), 0) << c.what << ": " << std::string(cls, cls + wcslen(cls));
    const LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_EQ(style & c.present, c.present) << c.what;
    EXPECT_EQ(style & c.absent, 0) << c.what;
    EXPECT_NE(::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0) << c.what;
    EXPECT_FALSE(e->HasStyle(csFixedHeight)) << c.what << ": cleared when the window is made";
    delete e;
  }
}

TEST_F(EditTest, HeightFollowsTheFontUntilTheWindowExists) {
  auto* e = new TFlEdit(host.get());
  e->Font().SetName(L"Tahoma");
  e->Font().SetHeight(-20);
  EXPECT_EQ(e->Height(), ExpectedHeight(e->Font()));
  const int made_height = e->Height();
  e->SetParent(host.get());
  e->HandleNeeded();
  e->Font().SetHeight(-9);
  EXPECT_EQ(e->Height(), made_height) << "the window exists: the height stays";
  // Without AutoSize the height no longer follows, window or not.
  TFlEdit unsized(nullptr);
  const int before_height = unsized.Height();
  unsized.SetAutoSize(false);
  EXPECT_FALSE(unsized.HasStyle(csFixedHeight));
  unsized.Font().SetHeight(-30);
  EXPECT_EQ(unsized.Height(), before_height);
}

TEST_F(EditTest, FontChangeWhileLoadingAdjustsExceptAtDesignTime) {
  struct Case {
    bool designing;
    bool adjusts;
  };
  for (const Case c : {Case{false, true}, Case{true, false}}) {
    TFlEdit e(nullptr);
    e.SetComponentStateFlag(csLoading, true);
    e.SetComponentStateFlag(csDesigning, c.designing);
    const int old_height = e.Height();
    e.Font().SetHeight(-24);
    e.Loaded();
    EXPECT_EQ(e.Height() != old_height, c.adjusts) << "designing " << c.designing;
    if (c.adjusts) {
      EXPECT_EQ(e.Height(), ExpectedHeight(e.Font()));
    }
  }
}

TEST_F(EditTest, BorderWidthsAreClamped) {
  const std::pair<int, int> cases[] = {{7, 3}, {3, 3}, {2, 2}, {1, 1}, {0, 1}, {-4, 1}};
  for (const auto& [given, expected] : cases) {
    edit->SetEnabledBorderWidth(given);
    edit->SetDisabledBorderWidth(given);
    EXPECT_EQ(edit->EnabledBorderWidth(), expected) << given;
    EXPECT_EQ(edit->DisabledBorderWidth(), expected) << given;
  }
}

TEST_F(EditTest, MaxLengthCutsTheTextAndLimitsTyping) {
  edit->SetText(L"abcdef");
  changes = 0;
  edit->SetMaxLength(10);
  EXPECT_EQ(edit->Text(), L"abcdef");
  edit->SetMaxLength(3);
  EXPECT_EQ(edit->Text(), L"abc");
  EXPECT_EQ(changes, 1) << "cutting the text is a change";
  EXPECT_EQ(::SendMessageW(edit->Handle(), EM_GETLIMITTEXT, 0, 0), 3);
  edit->SetSelStart(3);
  Type(L'x');
  EXPECT_EQ(edit->Text(), L"abc") << "no typing past the limit";
  edit->SetMaxLength(0);
  EXPECT_GT(::SendMessageW(edit->Handle(), EM_GETLIMITTEXT, 0, 0), 30000) << "no limit";
  Type(L'x');
  EXPECT_EQ(edit->Text(), L"abcx");

  // Without a window: the stored text is cut and the limit reaches the window once made.
  auto* e = new TFlEdit(host.get());
  e->SetText(L"hello");
  e->SetMaxLength(2);
  EXPECT_EQ(e->Text(), L"he");
  e->SetParent(host.get());
  EXPECT_EQ(::SendMessageW(e->Handle(), EM_GETLIMITTEXT, 0, 0), 2);
  EXPECT_EQ(e->Text(), L"he");
}

TEST_F(EditTest, PasswordCharMasksTheShownTextAtOnce) {
  // Two fields of the same size: one shows "abcd" and is masked afterwards, the other is masked
  // from its creation and shows "wxyz"; masked, both show the same four stars.
  edit->SetText(L"abcd");
  changes = 0;
  auto* masked = new TFlEdit(host.get());
  masked->SetPasswordChar(L'*');
  masked->SetBounds(20, 60, edit->Width(), edit->Height());
  masked->SetText(L"wxyz");
  masked->SetParent(host.get());
  PumpMessages(20);
  const testing::Rendering plain = testing::CaptureWindow(edit->Handle());
  edit->SetPasswordChar(L'*');
  const testing::Rendering now = testing::CaptureWindow(edit->Handle());
  const testing::Rendering reference = testing::CaptureWindow(masked->Handle());
  EXPECT_NE(now.pixels, plain.pixels) << "the text looks different at once";
  EXPECT_EQ(now.pixels, reference.pixels) << "as a field masked from the start";
  EXPECT_EQ(edit->Text(), L"abcd") << "the text itself stays";
  EXPECT_EQ(changes, 0) << "a new mask is no change of the text";
  EXPECT_EQ(::SendMessageW(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), L'*');
  // No mask again.
  edit->SetPasswordChar(0);
  EXPECT_EQ(testing::CaptureWindow(edit->Handle()).pixels, plain.pixels);
}

TEST_F(EditTest, WingdingsMaskOfThePasswordField) {
  edit->Font().SetName(L"Wingdings");
  edit->Font().SetStyle(fsBold);
  edit->Font().SetHeight(-19);
  edit->SetPasswordChar(static_cast<wchar_t>(108));
  Type(L'F');
  Type(L'@');
  EXPECT_EQ(edit->Text(), L"F@");
  EXPECT_EQ(::SendMessageW(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), 108);
  EXPECT_EQ(changes, 2);
}

TEST_F(EditTest, KeyboardEntrySelectsAllAndAClickDoesNot) {
  edit->SetText(L"hello");
  std::vector<int> selected_on_entry;
  edit->OnEnter = [&](TObject*) { selected_on_entry.push_back(edit->SelLength()); };
  // Tab from the button before it.
  before->SetFocus();
  edit->SetSelStart(1);
  testing::PostKeyDown(before->Handle(), VK_TAB);
  ASSERT_EQ(::GetFocus(), edit->Handle());
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 5);
  // A click: the whole text is not selected on entry, the caret goes where the click was.
  before->SetFocus();
  edit->SetSelStart(1);
  testing::PostMouse(edit->Handle(), WM_LBUTTONDOWN, 100, 5, MK_LBUTTON);
  testing::PostMouse(edit->Handle(), WM_LBUTTONUP, 100, 5);
  ASSERT_EQ(::GetFocus(), edit->Handle());
  EXPECT_EQ(edit->SelLength(), 0);
  EXPECT_EQ(edit->SelStart(), 5) << "right of the text";
  EXPECT_EQ(selected_on_entry, (std::vector<int>{5, 0}));
}

TEST_F(EditTest, ModifiedFlagAndTextSurviveRecreation) {
  edit->SetFocus();
  Type(L'q');
  ASSERT_TRUE(edit->Modified());
  changes = 0;
  edit->SetCharCase(TEditCharCase::ecUpperCase);
  EXPECT_NE(Style() & ES_UPPERCASE, 0) << "made again with the new style";
  EXPECT_TRUE(edit->Modified());
  EXPECT_EQ(_wcsicmp(edit->Text().c_str(), L"q"), 0);
  EXPECT_EQ(::GetFocus(), edit->Handle()) << "the focus stays with the field";
  edit->SetModified(false);
  edit->SetCharCase(TEditCharCase::ecNormal);
  EXPECT_FALSE(edit->Modified());
  EXPECT_EQ(changes, 0) << "re-creation is no change";
}

TEST_F(EditTest, ChangeNotificationsComeFromThePlatform) {
  edit->SetFocus();
  Type(L'a');
  Type(L'b');
  EXPECT_EQ(changes, 2) << "typing";
  edit->SetText(L"xyz");
  EXPECT_EQ(changes, 3) << "text from code";
  edit->SetText(L"xyz");
  EXPECT_EQ(changes, 3) << "the same text again";
  edit->Clear();
  EXPECT_EQ(changes, 4);
  EXPECT_TRUE(edit->Text().empty());
}

TEST_F(EditTest, SelectionOperations) {
  edit->SetText(L"hello world");
  edit->SetSelStart(6);
  edit->SetSelLength(5);
  EXPECT_EQ(edit->SelStart(), 6);
  EXPECT_EQ(edit->SelLength(), 5);
  EXPECT_EQ(edit->SelText(), L"world");
  wchar_t buffer[4] = {L'!', L'!', L'!', L'!'};
  EXPECT_EQ(edit->GetSelTextBuf(buffer, 4), 3);
  EXPECT_EQ(std::wstring(buffer), L"wor") << "cut to the buffer, with its terminating zero";
  EXPECT_EQ(edit->GetSelTextBuf(buffer, 0), 0);
  edit->SetSelText(L"there");
  EXPECT_EQ(edit->Text(), L"hello there");
  edit->SelectAll();
  EXPECT_EQ(edit->SelLength(), 11);
}

TEST_F(EditTest, ReadOnlyReachesTheWindow) {
  edit->SetText(L"fixed");
  edit->SetReadOnly(true);
  EXPECT_NE(Style() & ES_READONLY, 0);
  edit->SetFocus();
  edit->SetSelStart(5);
  Type(L'z');
  EXPECT_EQ(edit->Text(), L"fixed");
  edit->SetReadOnly(false);
  EXPECT_EQ(Style() & ES_READONLY, 0);
}

TEST_F(EditTest, MouseEnterAndLeaveEvents) {
  std::vector<std::string> log;
  edit->OnMouseEnter = [&](TObject* s) { log.push_back(s == edit ? "enter" : "?"); };
  edit->OnMouseLeave = [&](TObject* s) { log.push_back(s == edit ? "leave" : "?"); };
  testing::MoveRealPointer(host->Handle(), 300, 250);
  testing::MoveRealPointer(edit->Handle(), 10, 5);
  testing::MoveRealPointer(host->Handle(), 300, 250);
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "leave"}));
}

// ---- border rings ----------------------------------------------------------------------------

struct RingCase {
  const char* what;
  bool enabled;
  int width;          // rings in the border colour
  COLORREF border;
  COLORREF inner;     // the field's colour
};

TEST_F(EditTest, BorderRingsOverTheSunkenEdge) {
  const RingCase cases[] = {
      {"enabled, 1 ring", true, 1, RGB(127, 159, 191), RGB(255, 255, 255)},
      {"enabled, 2 rings", true, 2, RGB(127, 159, 191), RGB(255, 255, 255)},
      {"enabled, 3 rings, own colours", true, 3, RGB(200, 0, 0), RGB(240, 250, 200)},
      {"disabled, 1 ring", false, 1, RGB(215, 216, 184), RGB(255, 255, 255)},
      {"disabled, 2 rings", false, 2, RGB(0, 128, 0), RGB(255, 255, 255)},
  };
  for (const RingCase& c : cases) {
    edit->SetEnabled(c.enabled);
    edit->SetColor(static_cast<TColor>(c.inner));
    if (c.enabled) {
      edit->SetEnabledBorderWidth(c.width);
      edit->SetEnabledBorderColor(static_cast<TColor>(c.border));
    } else {
      edit->SetDisabledBorderWidth(c.width);
      edit->SetDisabledBorderColor(static_cast<TColor>(c.border));
    }
    PumpMessages(20);
    const testing::Rendering r = testing::CaptureWindow(edit->Handle());
    const int w = r.width, h = r.height, mx = w / 2, my = h / 2;
    for (int ring = 0; ring <= c.width; ++ring) {
      const COLORREF want = ring < c.width ? c.border : c.inner;
      for (const POINT p : {POINT{mx, ring}, POINT{ring, my}, POINT{w - 1 - ring, my},
                            POINT{mx, h - 1 - ring}, POINT{ring, ring},
                            POINT{w - 1 - ring, h - 1 - ring}})
        EXPECT_EQ(r.At(p.x, p.y), want) << c.what << ": ring " << ring << " at " << p.x << "," << p.y;
    }
  }
}

TEST_F(EditTest, BorderIsBackAfterTheFrameIsRedrawn) {
  edit->SetEnabledBorderColor(RGB(200, 0, 0));
  PumpMessages(20);
  ::SetWindowPos(edit->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  ::RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  PumpMessages(20);
  const testing::Rendering r = testing::CaptureWindow(edit->Handle());
  EXPECT_EQ(r.At(r.width / 2, 0), RGB(200, 0, 0));
  EXPECT_EQ(r.At(0, r.height / 2), RGB(200, 0, 0));
  EXPECT_EQ(r.At(r.width / 2, 1), RGB(255, 255, 255));
}

}  // namespace
}  // namespace vornada
