// Tests of the memo and the edit base under Wine: the typing limit lifted, large texts, 8-bit
// text byte for byte, the change event once per change, read-only state, selection, the lines
// (with and without a final line break) and the colours the edit window is given to paint with.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "Forms.h"
#include "StdCtrls.h"
#include "WindowHook.h"
#include "WinUtil.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

// A hidden form holding one memo that counts its change events.
class MemoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 640, 480);
    memo = new TMemo(form.get());
    memo->SetBounds(0, 0, 600, 400);
    memo->SetParent(form.get());
    memo->OnChange = [this](TObject* sender) {
      ++changes;
      change_sender = sender;
    };
    form->HandleNeeded();
  }
  void Type(const std::wstring& text) {
    for (wchar_t ch : text) ::SendMessageW(memo->Handle(), WM_CHAR, ch, 1);
  }
  int Length() { return ::GetWindowTextLengthW(memo->Handle()); }
  std::vector<std::string> Lines() {
    std::vector<std::string> out;
    for (int i = 0; i < memo->Lines().Count(); ++i) out.push_back(memo->Lines().Get(i));
    return out;
  }

  int changes = 0;
  TObject* change_sender = nullptr;
  std::unique_ptr<TForm> form;
  TMemo* memo = nullptr;
};

// Lines of 48 characters and a line break: 50 characters each.
std::string ManyLines(size_t count, char fill = 'a') {
  std::string line(48, fill);
  line += "\r\n";
  std::string text;
  text.reserve(line.size() * count);
  for (size_t i = 0; i < count; ++i) text += line;
  return text;
}

TEST_F(MemoTest, TypingAndReplacingGoOnPastThirtyThousandCharacters) {
  memo->SetAnsiText(ManyLines(600));  // 30,000 characters
  ASSERT_EQ(Length(), 30000);
  memo->SetSelStart(30000);
  memo->SetSelText(std::wstring(100, L'b'));
  EXPECT_EQ(Length(), 30100);
  Type(L"cde");
  EXPECT_EQ(Length(), 30103);
  // A memo whose window is made again keeps the limit lifted.
  memo->SetWordWrap(false);
  memo->SetSelStart(Length());
  Type(L"fg");
  EXPECT_EQ(Length(), 30105);
  ::SendMessageW(memo->Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"hij"));
  EXPECT_EQ(Length(), 30108);
}

TEST_F(MemoTest, SeveralMegabytesGoInAndComeOutExactly) {
  memo->SetWordWrap(false);
  std::string text;
  for (int i = 0; i < 64000; ++i) {
    text += "127.0.0.1 host-" + std::to_string(i) + ".example.test # entry " +
            std::to_string(i * 7919 % 100003) + "\r\n";
  }
  ASSERT_GT(text.size(), 3u * 1000 * 1000);
  memo->SetAnsiText(text);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(memo->AnsiText(), text);
  // The window holds all of it, not only what was remembered.
  EXPECT_EQ(static_cast<size_t>(Length()), text.size());
  EXPECT_EQ(win::AnsiFromWide(memo->Text()), text);
  EXPECT_EQ(memo->Lines().Count(), 64000);
  EXPECT_EQ(memo->Lines().Get(63999), "127.0.0.1 host-63999.example.test # entry " +
                                          std::to_string(63999 * 7919 % 100003));
  // And a typed character at the end is there too.
  memo->SetSelStart(Length());
  Type(L"x");
  EXPECT_EQ(memo->AnsiText(), text + "x");
}

TEST_F(MemoTest, EveryByteValueComesBackExactly) {
  std::string bytes;
  for (int b = 1; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  bytes += "\r\nend";
  memo->SetAnsiText(bytes);
  EXPECT_EQ(memo->AnsiText(), bytes);
  EXPECT_EQ(memo->Lines().Text(), bytes);
  // After a change in the window the text is read from it again; every byte of the code page
  // survives the round trip through the window's UTF-16.
  memo->SetSelStart(Length());
  Type(L"!");
  EXPECT_EQ(memo->AnsiText(), bytes + "!");
}

TEST_F(MemoTest, TextWithAZeroByteIsRefusedAndTheMemoKeepsItsText) {
  memo->SetAnsiText("keep this\r\n");
  changes = 0;
  try {
    memo->SetAnsiText(std::string("abc\0def", 7));
    ADD_FAILURE() << "a zero byte cannot go into the window";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Text exceeds memo capacity");
  }
  EXPECT_EQ(memo->AnsiText(), "keep this\r\n");
  EXPECT_EQ(win::AnsiFromWide(memo->Text()), "keep this\r\n") << "the window too";
  EXPECT_EQ(changes, 0);
  EXPECT_THROW(memo->SetText(std::wstring(L"x\0y", 3)), EInvalidOperation);
  EXPECT_EQ(memo->AnsiText(), "keep this\r\n");
}

TEST_F(MemoTest, ChangeEventOncePerChange) {
  memo->SetText(L"one");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(change_sender, memo);
  memo->SetAnsiText("two");
  EXPECT_EQ(changes, 2);
  memo->Lines().SetText("three\r\nfour");
  EXPECT_EQ(changes, 3);
  memo->SetSelStart(0);
  Type(L"ab");
  EXPECT_EQ(changes, 5) << "one per typed character";
  memo->SelectAll();
  memo->SetSelText(L"five");
  EXPECT_EQ(changes, 6);
  memo->Lines().Add("six");
  EXPECT_EQ(changes, 7);
  memo->Clear();
  EXPECT_EQ(changes, 8);
  EXPECT_EQ(memo->AnsiText(), "");
  memo->SetAnsiText("");  // the same empty text again is still a change of the text
  EXPECT_EQ(changes, 9);
}

TEST_F(MemoTest, ReadOnlyRefusesTypingButNotTheProgram) {
  memo->SetAnsiText("fixed");
  memo->SetReadOnly(true);
  EXPECT_NE(::GetWindowLongW(memo->Handle(), GWL_STYLE) & ES_READONLY, 0);
  changes = 0;
  memo->SetSelStart(5);
  Type(L"xyz");
  EXPECT_EQ(memo->AnsiText(), "fixed");
  EXPECT_EQ(changes, 0);
  memo->SetAnsiText("set by the program");
  EXPECT_EQ(memo->AnsiText(), "set by the program");
  EXPECT_EQ(changes, 1);
  memo->SetReadOnly(false);
  EXPECT_EQ(::GetWindowLongW(memo->Handle(), GWL_STYLE) & ES_READONLY, 0);
  memo->SetSelStart(0);
  Type(L">");
  EXPECT_EQ(memo->AnsiText(), ">set by the program");
}

TEST_F(MemoTest, ReadOnlyBeforeTheWindowExistsAndAfterItIsMadeAgain) {
  TMemo early(form.get());
  early.SetReadOnly(true);
  early.SetParent(form.get());
  early.SetAnsiText("x");
  EXPECT_NE(::GetWindowLongW(early.Handle(), GWL_STYLE) & ES_READONLY, 0);
  early.SetWordWrap(false);
  EXPECT_NE(::GetWindowLongW(early.Handle(), GWL_STYLE) & ES_READONLY, 0);
  EXPECT_EQ(early.AnsiText(), "x") << "the text survives the new window";
}

TEST_F(MemoTest, Selection) {
  memo->SetAnsiText("hello world");
  memo->SetSelStart(6);
  memo->SetSelLength(5);
  EXPECT_EQ(memo->SelStart(), 6);
  EXPECT_EQ(memo->SelLength(), 5);
  EXPECT_EQ(memo->SelText(), L"world");
  memo->SetSelText(L"there");
  EXPECT_EQ(memo->AnsiText(), "hello there");
  EXPECT_EQ(memo->SelLength(), 0);
  EXPECT_EQ(memo->SelStart(), 11) << "the caret after the replacement";
  memo->SelectAll();
  EXPECT_EQ(memo->SelStart(), 0);
  EXPECT_EQ(memo->SelLength(), 11);
  memo->SetSelStart(500);
  EXPECT_EQ(memo->SelStart(), 11) << "held to the end of the text";
  memo->SetSelStart(2);
  memo->SetSelLength(500);
  EXPECT_EQ(memo->SelLength(), 9);
  EXPECT_EQ(memo->SelText(), L"llo there");
}

struct LinesCase {
  const char* name;
  std::string text;
  std::vector<std::string> lines;
  friend void PrintTo(const LinesCase& c, std::ostream* os) { *os << c.name; }
};

class MemoLines : public MemoTest, public ::testing::WithParamInterface<LinesCase> {};

TEST_P(MemoLines, CountAndGet) {
  memo->SetAnsiText(GetParam().text);
  EXPECT_EQ(memo->Lines().Count(), static_cast<int>(GetParam().lines.size()));
  EXPECT_EQ(Lines(), GetParam().lines);
  EXPECT_EQ(memo->Lines().Get(99), "") << "past the last line";
}

INSTANTIATE_TEST_SUITE_P(
    Table, MemoLines,
    ::testing::Values(LinesCase{"empty", "", {}},
                      LinesCase{"one_line", "a", {"a"}},
                      LinesCase{"two_lines", "a\r\nb", {"a", "b"}},
                      LinesCase{"final_break", "a\r\nb\r\n", {"a", "b"}},
                      LinesCase{"only_a_break", "\r\n", {""}},
                      LinesCase{"empty_last_line", "a\r\n\r\n", {"a", ""}},
                      LinesCase{"empty_middle_line", "a\r\n\r\nb", {"a", "", "b"}},
                      LinesCase{"cp1251_bytes", "\xCF\xF0\xE8\r\n", {"\xCF\xF0\xE8"}}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST_F(MemoTest, LinesLongerThanSixtyFourThousandCharactersComeBackWhole) {
  memo->SetWordWrap(false);
  std::string long_line;
  for (int i = 0; i < 70000; ++i) long_line.push_back(static_cast<char>('a' + i % 26));
  memo->SetAnsiText("short\r\n" + long_line + "\r\nlast");
  ASSERT_EQ(memo->Lines().Count(), 3);
  EXPECT_EQ(memo->Lines().Get(0), "short");
  const std::string got = memo->Lines().Get(1);
  EXPECT_EQ(got.size(), long_line.size());
  EXPECT_TRUE(got == long_line);
  EXPECT_EQ(memo->Lines().Get(2), "last");
}

TEST_F(MemoTest, LinesCanBeAddedInsertedReplacedAndDeleted) {
  memo->SetAnsiText("a");
  memo->Lines().Add("b");
  EXPECT_EQ(memo->AnsiText(), "a\r\nb\r\n") << "a line of its own after a last line without a break";
  memo->Lines().Insert(0, "z");
  EXPECT_EQ(memo->AnsiText(), "z\r\na\r\nb\r\n");
  memo->Lines().Put(1, "q");
  EXPECT_EQ(memo->AnsiText(), "z\r\nq\r\nb\r\n");
  memo->Lines().Delete(0);
  EXPECT_EQ(memo->AnsiText(), "q\r\nb\r\n");
  memo->Lines().Clear();
  EXPECT_EQ(memo->AnsiText(), "");
  memo->Lines().Add("first");
  EXPECT_EQ(memo->AnsiText(), "first\r\n");
}

// What the memo answers when its edit window asks for the colours to paint with.
struct CtlColour {
  COLORREF brush;
  COLORREF text;
  COLORREF back;
};

CtlColour AskColours(TMemo& memo, UINT message) {
  TBitmap surface;
  testing::MakeFilled32(surface, 4, 4, clBlack);
  const HDC dc = surface.Canvas().Handle();
  const auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(
      ::GetParent(memo.Handle()), message, reinterpret_cast<WPARAM>(dc),
      reinterpret_cast<LPARAM>(memo.Handle())));
  LOGBRUSH lb{};
  EXPECT_NE(::GetObjectW(brush, sizeof(lb), &lb), 0) << "no brush answered";
  return {lb.lbColor, ::GetTextColor(dc), ::GetBkColor(dc)};
}

TEST_F(MemoTest, EditWindowPaintsWithTheMemosColourAndFont) {
  CtlColour c = AskColours(*memo, WM_CTLCOLOREDIT);
  EXPECT_EQ(c.brush, ::GetSysColor(COLOR_WINDOW)) << "clWindow by default";
  EXPECT_EQ(c.text, ::GetSysColor(COLOR_WINDOWTEXT));
  const TColor light_green = RGB(200, 255, 200);
  memo->SetColor(light_green);
  memo->Font().SetColor(clRed);
  c = AskColours(*memo, WM_CTLCOLOREDIT);
  EXPECT_EQ(c.brush, static_cast<COLORREF>(light_green));
  EXPECT_EQ(c.back, static_cast<COLORREF>(light_green));
  EXPECT_EQ(c.text, RGB(255, 0, 0));
  // A read-only edit asks with the static-control message.
  memo->SetReadOnly(true);
  memo->SetColor(clWhite);
  c = AskColours(*memo, WM_CTLCOLORSTATIC);
  EXPECT_EQ(c.brush, RGB(255, 255, 255));
  EXPECT_EQ(c.back, RGB(255, 255, 255));

  // And the window really paints with it.
  memo->SetColor(light_green);
  memo->SetAnsiText("");
  TBitmap surface;
  testing::MakeFilled32(surface, memo->Width(), memo->Height(), clBlack);
  ::SendMessageW(memo->Handle(), WM_PRINTCLIENT,
                 reinterpret_cast<WPARAM>(surface.Canvas().Handle()),
                 PRF_CLIENT | PRF_ERASEBKGND);
  EXPECT_EQ(testing::PixelOf(surface, 50, 50), RGB(200, 255, 200));
}

// Scroll bars switched on the live window take their room from the client area at once, each
// as wide (or high) as the system's scroll bar, and give it back when switched off.
TEST_F(MemoTest, ScrollBarsChangedOnTheLiveWindowTakeTheirRoom) {
  const auto frame = [&] {
    RECT window, client;
    ::GetWindowRect(memo->Handle(), &window);
    ::GetClientRect(memo->Handle(), &client);
    return SIZE{(window.right - window.left) - client.right,
                (window.bottom - window.top) - client.bottom};
  };
  ASSERT_EQ(memo->ScrollBars(), TScrollStyle::ssNone);
  const SIZE border = frame();
  const int bar_width = ::GetSystemMetrics(SM_CXVSCROLL);
  const int bar_height = ::GetSystemMetrics(SM_CYHSCROLL);
  struct Step {
    TScrollStyle bars;
    bool vertical, horizontal;
  };
  const std::vector<Step> steps = {
      {TScrollStyle::ssVertical, true, false},  {TScrollStyle::ssBoth, true, true},
      {TScrollStyle::ssHorizontal, false, true}, {TScrollStyle::ssNone, false, false},
      {TScrollStyle::ssBoth, true, true},        {TScrollStyle::ssVertical, true, false},
      {TScrollStyle::ssNone, false, false},
  };
  int n = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE("step " + std::to_string(++n));
    memo->SetScrollBars(s.bars);
    const LONG style = ::GetWindowLongW(memo->Handle(), GWL_STYLE);
    EXPECT_EQ((style & WS_VSCROLL) != 0, s.vertical);
    EXPECT_EQ((style & WS_HSCROLL) != 0, s.horizontal);
    const SIZE f = frame();
    EXPECT_EQ(f.cx, border.cx + (s.vertical ? bar_width : 0));
    EXPECT_EQ(f.cy, border.cy + (s.horizontal ? bar_height : 0));
  }
}

// The single-line edit base.
// A memo whose window is made while the memo keeps a text (as a memo read from a description
// onto a screen that shows later) hands the text to its window only when the window is first
// asked for more than being set up, moved or made again; whatever asks, the whole text is there
// and the memo is unchanged (no change event, not modified).
TEST(KeptMemoText, GoesToTheWindowWhenTheWindowIsFirstAsked) {
  const std::wstring text = win::WideFromAnsi(ManyLines(800));  // 40,000 characters
  struct Case {
    const char* how;
    std::function<void(TMemo&)> ask;
    std::wstring expected;
  };
  const Case cases[] = {
      {"the memo's text", [](TMemo& m) { (void)m.Text(); }, text},
      {"a line count", [](TMemo& m) { ::SendMessageW(m.Handle(), EM_GETLINECOUNT, 0, 0); }, text},
      {"the length, from another thread",
       [](TMemo& m) {
         std::atomic<bool> done{false};
         HWND window = m.Handle();
         std::thread asker([&] {
           ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
           done = true;
         });
         while (!done) testing::PumpMessages(1);
         asker.join();
       },
       text},
      {"a typed key", [](TMemo& m) { ::SendMessageW(m.Handle(), WM_CHAR, L'x', 1); }, L"x" + text},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 640, 480);
    auto* memo = new TMemo(form.get());
    memo->SetBounds(0, 0, 600, 400);
    memo->SetText(text);
    int changes = 0;
    memo->OnChange = [&changes](TObject*) { ++changes; };
    memo->SetParent(form.get());
    form->HandleNeeded();
    ASSERT_TRUE(memo->HandleAllocated());
    int texts_set = 0;
    TWindowHook hook;
    const auto watch = [&texts_set](TMessage& m) {
      if (m.Msg == WM_SETTEXT) ++texts_set;
    };
    ASSERT_TRUE(hook.Install(memo->Handle(), watch));
    memo->SetBounds(10, 10, 500, 300);
    memo->SetWordWrap(false);  // the window is made again
    ASSERT_TRUE(hook.Install(memo->Handle(), watch));
    memo->SetBounds(20, 20, 400, 200);
    EXPECT_EQ(texts_set, 0) << "set up and moved only";

    c.ask(*memo);
    EXPECT_EQ(texts_set, 1);
    EXPECT_TRUE(memo->Text() == c.expected) << "length " << memo->Text().size();
    EXPECT_EQ(changes, c.expected == text ? 0 : 1);
    EXPECT_EQ(memo->Modified(), c.expected != text);
  }
}

TEST(CustomEdit, ChangeEventOncePerSetTextAndPerTypedCharacter) {
  TForm form(nullptr);
  TCustomEdit edit(&form);
  edit.SetParent(&form);
  int changes = 0;
  edit.OnChange = [&](TObject*) { ++changes; };
  edit.SetText(L"abc");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(edit.Text(), L"abc");
  edit.SetSelStart(3);
  ::SendMessageW(edit.Handle(), WM_CHAR, L'd', 1);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(edit.Text(), L"abcd");
  edit.Clear();
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(edit.Text(), L"");
  edit.SetMaxLength(2);
  ::SendMessageW(edit.Handle(), WM_CHAR, L'x', 1);
  ::SendMessageW(edit.Handle(), WM_CHAR, L'y', 1);
  ::SendMessageW(edit.Handle(), WM_CHAR, L'z', 1);
  EXPECT_EQ(edit.Text(), L"xy") << "typing stops at MaxLength";
}

}  // namespace
}  // namespace vornada
