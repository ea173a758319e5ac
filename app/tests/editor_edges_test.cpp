// The editor at the edges of the hosts text, on the real main window: files the memo cannot
// hold, files in UTF-8 or UTF-16 that keep their form and every untouched byte after an edit,
// characters the file's form cannot hold, saves that fail, replacing the text from the clipboard
// while the memo is read-only, and a copy-all that fails. Runs under several ANSI code pages
// (ctest entries with other locales).
//
// One window for the whole program: the tests build on each other and run in file order.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Clipbrd.h"
#include "Forms.h"
#include "HostsEncoding_win.h"
#include "HostsFile_win.h"
#include "MainFormFixture.h"
#include "TestSupport.h"
#include "Unit1.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::MessageBoxWatcher;
using testing::PumpUntil;
using testing::ReadBytes;
using testing::SeenMessageBox;
using testing::WriteBytes;

// A UTF-16 LE file without a byte-order mark: "127.0.0.1 a" with a NUL after every letter.
const std::string kUtf16WithoutMark("1\0002\0007\0.\0000\0.\0000\0.\0001\0 \0a\0", 22);

testing::ScratchHosts* g_hosts = nullptr;

class EditorEdgesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { g_hosts = &testing::ShowMainFormOver(kUtf16WithoutMark); }
};
::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new EditorEdgesEnvironment);

TMainForm& F() { return *MainForm; }
std::string HostsBytes() { return ReadBytes(g_hosts->HostsPath()); }

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

// Write mode on, as the switch does it.
void WriteModeOn() {
  F().SkImgCheckBox2->SetChecked(true);
  F().SkImgCheckBox2Click(F().SkImgCheckBox2);
  ASSERT_FALSE(F().Memo1->ReadOnly());
}

// Types `text` at the end of the editable memo, one character message per UTF-16 unit.
void TypeAtEnd(const std::wstring& text) {
  TMemo* memo = F().Memo1;
  memo->SetSelStart(static_cast<int>(memo->Text().size()));
  for (wchar_t c : text) ::SendMessageW(memo->Handle(), WM_CHAR, c, 0);
}

// Clicks save with a watcher that closes the message boxes; the boxes it showed.
std::vector<SeenMessageBox> ClickSave() {
  MessageBoxWatcher boxes(0);
  EXPECT_NO_THROW(F().FlButton1Click(F().FlButton1));
  return boxes.Seen();
}

// The ctest entries run this program under other locales; the ANSI code page they set is the one
// the cases below are meant to meet (VORNADA_ANSI_CODE_PAGE names it).
TEST(EditorEdgesTest, RunsUnderTheCodePageItsEntryNames) {
  const char* expected = std::getenv("VORNADA_ANSI_CODE_PAGE");
  ASSERT_NE(expected, nullptr) << "the ctest entry names no code page";
  EXPECT_EQ(::GetACP(), static_cast<UINT>(std::strtoul(expected, nullptr, 10)));
}

// The hosts file was not readable at unlock: a message says so, the editor stays empty, and
// text typed in write mode is not saved over the file.
TEST(EditorEdgesTest, UnreadableFileAtUnlockShowsAMessageAndIsNotSavedOver) {
  TMainForm& f = F();
  {
    MessageBoxWatcher boxes(0);
    f.PassEdit1->SetText(L"F@lc0nry");
    ASSERT_TRUE(PumpUntil([&] { return !f.ShowTimer->Enabled(); }, 5000));
    const std::vector<SeenMessageBox> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u) << "no message about the unreadable file";
    EXPECT_TRUE(Contains(seen[0].text, L"hosts")) << ::testing::PrintToString(seen[0].text);
  }
  ASSERT_TRUE(f.MainPanel->Enabled());
  EXPECT_EQ(f.Memo1->Text(), L"");
  WriteModeOn();
  TypeAtEnd(L"10.0.0.1 typed");
  const std::vector<SeenMessageBox> seen = ClickSave();
  EXPECT_EQ(seen.size(), 1u) << "the refused save says why";
  EXPECT_EQ(HostsBytes(), kUtf16WithoutMark);
  EXPECT_TRUE(f.FlButton1->Enabled());
  EXPECT_EQ(f.Memo1->Text(), L"10.0.0.1 typed");
}

// Files the memo cannot hold or whose bytes are valid in no form: the load refuses and leaves
// the memo, and no save writes over them until a load has read the file.
TEST(EditorEdgesTest, UnreadableFilesAreRefusedAndNeverSavedOver) {
  TMainForm& f = F();
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"utf-16 without a mark", kUtf16WithoutMark},
      {"NUL byte in a line", std::string("127.0.0.1 a\0\r\n::1 b\r\n", 20)},
      {"utf-16 le mark, odd byte count", std::string("\xFF\xFE" "a\0b", 5)},
      {"utf-16 le mark, lone surrogate", std::string("\xFF\xFE" "a\0\x00\xDC", 6)},
      {"utf-16 be mark, NUL", std::string("\xFE\xFF\0a\0\0", 6)},
      {"utf-8 mark, bad byte", "\xEF\xBB\xBF" "a\xFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(g_hosts->HostsPath(), "1.1.1.1 readable\r\n");
    f.LoadHostsFile();
    WriteBytes(g_hosts->HostsPath(), c.bytes);
    EXPECT_THROW(f.LoadHostsFile(), hosts::EHostsText);
    EXPECT_EQ(f.Memo1->Text(), L"1.1.1.1 readable\r\n");
    f.Timer2Timer(f.Timer2);  // a reload tick swallows the failure
    EXPECT_EQ(f.Memo1->Text(), L"1.1.1.1 readable\r\n");
    f.Memo1->SetText(L"typed over\r\n");
    EXPECT_THROW(f.SaveHostsFile(), hosts::EHostsText);
    EXPECT_EQ(HostsBytes(), c.bytes);
  }
  // Once the file is readable again, saving works again.
  WriteBytes(g_hosts->HostsPath(), "1.1.1.1 readable\r\n");
  f.LoadHostsFile();
  f.Memo1->SetText(L"2.2.2.2 saved\r\n");
  f.SaveHostsFile();
  EXPECT_EQ(HostsBytes(), "2.2.2.2 saved\r\n");
}

// Files in UTF-8 (with or without a mark) and UTF-16 show their text, reload without a change
// when unchanged, and after an edit are saved in their own form: every byte the user did not
// touch stays, the mark too; line breaks become CR LF as always.
TEST(EditorEdgesTest, UnicodeFilesKeepTheirFormAndUntouchedBytesAfterAnEdit) {
  TMainForm& f = F();
  WriteModeOn();
  int changes = 0;
  const TNotifyEvent saved_handler = f.Memo1->OnChange;
  f.Memo1->OnChange = [&](TObject*) { ++changes; };
  const struct {
    const char* name;
    std::string file;
    std::optional<std::wstring> shown;  // where the system's code page does not matter
    std::string saved;                  // after typing "b" at the end
  } cases[] = {
      {"utf-8 mark", "\xEF\xBB\xBF# \xD1\x80\xD1\x83\r\n1.1.1.1 a", L"# \u0440\u0443\r\n1.1.1.1 a",
       "\xEF\xBB\xBF# \xD1\x80\xD1\x83\r\n1.1.1.1 ab"},
      {"utf-16 le", std::string("\xFF\xFE#\0 \0\x40\x04\x43\x04\r\0\n\0a\0", 16),
       L"# \u0440\u0443\r\na", std::string("\xFF\xFE#\0 \0\x40\x04\x43\x04\r\0\n\0a\0b\0", 18)},
      {"utf-16 be", std::string("\xFE\xFF\0#\0 \x04\x40\x04\x43\0\r\0\n\0a", 16),
       L"# \u0440\u0443\r\na", std::string("\xFE\xFF\0#\0 \x04\x40\x04\x43\0\r\0\n\0a\0b", 18)},
      {"utf-16 le, LF line break", std::string("\xFF\xFE" "a\0\n\0", 6), L"a\r\n",
       std::string("\xFF\xFE" "a\0\r\0\n\0b\0", 10)},
      // Valid UTF-8 beyond ASCII is UTF-8 under every code page, also where (as under 1251 and
      // 1252) the code page would take the bytes back as other letters.
      {"utf-8 without mark", "# \xE3\x81\x82\r\n1.1.1.1 a", L"# \u3042\r\n1.1.1.1 a",
       "# \xE3\x81\x82\r\n1.1.1.1 ab"},
      {"cyrillic utf-8 without mark", "# \xD1\x80\xD1\x83\r\n1.1.1.1 a",
       L"# \u0440\u0443\r\n1.1.1.1 a", "# \xD1\x80\xD1\x83\r\n1.1.1.1 ab"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(g_hosts->HostsPath(), c.file);
    f.Memo1->SetText(L"");
    EXPECT_NO_THROW(f.LoadHostsFile());
    if (c.shown) {
      EXPECT_EQ(f.Memo1->Text(), *c.shown);
    }
    changes = 0;
    EXPECT_NO_THROW(f.LoadHostsFile());
    EXPECT_EQ(changes, 0) << "an unchanged file changed the memo";
    TypeAtEnd(L"b");
    EXPECT_NO_THROW(f.SaveHostsFile());
    EXPECT_EQ(HostsBytes(), c.saved);
  }
  f.Memo1->OnChange = saved_handler;
}

// A character the file's form cannot hold (a letter no ANSI code page of the test runs has, a
// lone surrogate in UTF-16) is not written as '?': the save is refused with a message naming
// the line, nothing is written, and the save button stays enabled.
TEST(EditorEdgesTest, CharacterTheFileCannotHoldRefusesTheSaveNamingItsLine) {
  TMainForm& f = F();
  const std::wstring lone_surrogate(1, static_cast<wchar_t>(0xDC00));
  const struct {
    const char* name;
    std::string file;
    std::wstring text;
    std::wstring line;  // "Строка N "
  } cases[] = {
      {"ascii file, Tamil letter", "a\r\nb\r\nc", L"a\r\nb\r\nc\u0B85",
       L"\u0421\u0442\u0440\u043E\u043A\u0430 3 "},
      {"utf-16 file, lone surrogate", std::string("\xFF\xFE" "a\0", 4),
       L"a\r\n" + lone_surrogate + L"\r\nc", L"\u0421\u0442\u0440\u043E\u043A\u0430 2 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(g_hosts->HostsPath(), c.file);
    f.LoadHostsFile();
    f.Memo1->SetText(c.text);
    const std::vector<SeenMessageBox> seen = ClickSave();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(Contains(seen[0].text, c.line)) << ::testing::PrintToString(seen[0].text);
    EXPECT_EQ(HostsBytes(), c.file);
    EXPECT_TRUE(f.FlButton1->Enabled());
    EXPECT_EQ(f.Memo1->Text(), c.text);
  }
}

// A save that fails (here: another program holds the file open) shows the reason, keeps the
// save button enabled and the text in the memo; once the file is free the save works.
TEST(EditorEdgesTest, FailedSaveShowsTheReasonAndLosesNothing) {
  TMainForm& f = F();
  WriteBytes(g_hosts->HostsPath(), "1.1.1.1 old\r\n");
  f.LoadHostsFile();
  f.Memo1->SetText(L"2.2.2.2 new\r\n");
  HANDLE held = ::CreateFileW(g_hosts->HostsPath().c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::vector<SeenMessageBox> seen = ClickSave();
  ::CloseHandle(held);
  ASSERT_EQ(seen.size(), 1u) << "the failed save showed nothing";
  EXPECT_TRUE(Contains(seen[0].text, L"Cannot create file"))
      << ::testing::PrintToString(seen[0].text);
  EXPECT_TRUE(f.FlButton1->Enabled());
  EXPECT_EQ(f.Memo1->Text(), L"2.2.2.2 new\r\n");
  EXPECT_EQ(HostsBytes(), "1.1.1.1 old\r\n");

  EXPECT_TRUE(ClickSave().empty());
  EXPECT_EQ(HostsBytes(), "2.2.2.2 new\r\n");
  EXPECT_FALSE(f.FlButton1->Enabled());
}

// Replace from the clipboard: the clipboard's text replaces the memo's also while the memo is
// read-only (auto-update was switched on during write mode); without text on the clipboard
// nothing changes.
TEST(EditorEdgesTest, ReplaceFromTheClipboardReplacesOrChangesNothing) {
  TMainForm& f = F();
  const struct {
    bool read_only;
    const wchar_t* clipboard;  // nullptr: an empty clipboard
    std::wstring memo;
    bool clipboard_empty;
  } cases[] = {
      {true, L"from the clipboard\r\n2", L"from the clipboard\r\n2", true},
      {false, L"from the clipboard\r\n2", L"from the clipboard\r\n2", true},
      {true, nullptr, L"kept text", true},
      {false, nullptr, L"kept text", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.read_only ? "read-only, " : "editable, ") +
                 (c.clipboard ? "text" : "empty clipboard"));
    f.Memo1->SetReadOnly(c.read_only);
    f.Memo1->SetText(L"kept text");
    if (c.clipboard) Clipboard()->SetAsText(c.clipboard); else Clipboard()->Clear();
    {
      MessageBoxWatcher boxes(0);  // Yes
      f.FlButton6Click(f.FlButton6);
      EXPECT_EQ(boxes.Seen().size(), 1u);
    }
    EXPECT_EQ(f.Memo1->Text(), c.memo);
    EXPECT_EQ(::CountClipboardFormats() == 0, c.clipboard_empty);
  }
  f.Memo1->SetReadOnly(false);
}

// A copy-all that cannot reach the clipboard (another program holds it open) leaves the copy
// button ready; once the clipboard is free the copy works and the button shows it.
TEST(EditorEdgesTest, FailedCopyAllLeavesTheButtonReady) {
  TMainForm& f = F();
  f.BtnInfoClick(f.BtnInfo);
  const std::wstring ready = L"\u0421\u043A\u043E\u043F\u0438\u0440\u043E\u0432\u0430\u0442\u044C "
                             L"\u0432\u0441\u0435?!";
  ASSERT_EQ(f.FxBitBtn1->Caption(), ready);
  std::atomic<int> stage{0};
  std::thread holder([&] {
    stage = ::OpenClipboard(nullptr) ? 1 : -1;
    while (stage == 1) ::Sleep(5);
    ::CloseClipboard();
  });
  while (stage == 0) ::Sleep(5);
  const bool held = stage == 1;
  {
    MessageBoxWatcher boxes(0);  // a refused layout switch says so; the copy goes on
    f.FxBitBtn1Click(f.FxBitBtn1);
  }
  stage = 2;
  holder.join();
  ASSERT_TRUE(held) << "the clipboard could not be held open";
  EXPECT_EQ(f.FxBitBtn1->Caption(), ready);
  EXPECT_TRUE(f.FxBitBtn1->Enabled());
  EXPECT_EQ(f.FxBitBtn1->Width(), 137);

  {
    MessageBoxWatcher boxes(0);
    f.FxBitBtn1Click(f.FxBitBtn1);
  }
  EXPECT_FALSE(f.FxBitBtn1->Enabled());
  EXPECT_EQ(Clipboard()->AsText(), f.Memo2->Text());
  f.BtnBack3Click(f.BtnBack3);
}

}  // namespace
}  // namespace vornada
