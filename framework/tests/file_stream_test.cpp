// Tests of the Windows side of the base classes under Wine: the file stream (modes, sharing,
// sizes, the errors it raises with the file's full name and the system's message), the system
// error text, and the code page conversions checked against the portable 1251 table.
#include <gtest/gtest.h>

#include <string>

#include "Classes_win.h"
#include "Text.h"
#include "WinUtil.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::ScratchFile;

std::string ReadAll(TStream& s) {
  s.SetPosition(0);
  std::string bytes(static_cast<size_t>(s.Size()), '\0');
  s.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return bytes;
}

TEST(FileStream, CreateWriteSeekResizeAndReadBack) {
  ScratchFile file(L"bin");
  {
    TFileStream s(file.path(), fmCreate);
    s.WriteBuffer("hello world", 11);
    EXPECT_EQ(s.Size(), 11);
    EXPECT_EQ(s.Position(), 11);
    EXPECT_EQ(s.Seek(-5, TSeekOrigin::soEnd), 6);
    s.WriteBuffer("WORLD!", 6);
    EXPECT_EQ(s.Size(), 12);
    s.SetSize(5);
    EXPECT_EQ(s.Size(), 5);
    EXPECT_EQ(s.Position(), 5) << "held to the new end";
    s.SetPosition(2);
    s.SetSize(8);  // growing keeps the position
    EXPECT_EQ(s.Position(), 2);
    EXPECT_EQ(s.Size(), 8);
  }
  TFileStream in(file.path(), fmOpenRead | fmShareDenyWrite);
  const std::string bytes = ReadAll(in);
  EXPECT_EQ(bytes.substr(0, 5), "hello");
  EXPECT_EQ(bytes.size(), 8u);
  char buffer[4];
  in.SetPosition(8);
  EXPECT_EQ(in.Read(buffer, 4), 0);
  EXPECT_THROW(in.ReadBuffer(buffer, 1), EReadError);
  EXPECT_EQ(in.Write("x", 1), 0) << "opened for reading only";
  EXPECT_THROW(in.WriteBuffer("x", 1), EWriteError);
}

TEST(FileStream, SharingModesDecideWhoElseMayOpen) {
  ScratchFile file(L"bin");
  { TFileStream create(file.path(), fmCreate); }
  {
    TFileStream first(file.path(), fmOpenRead | fmShareDenyWrite);
    EXPECT_NO_THROW(TFileStream(file.path(), fmOpenRead | fmShareDenyNone));
    EXPECT_THROW(TFileStream(file.path(), fmOpenReadWrite | fmShareDenyNone), EFOpenError);
  }
  {
    TFileStream first(file.path(), fmOpenReadWrite | fmShareExclusive);
    EXPECT_THROW(TFileStream(file.path(), fmOpenRead | fmShareDenyNone), EFOpenError);
  }
  TFileStream again(file.path(), fmOpenReadWrite | fmShareExclusive);
  again.WriteBuffer("ok", 2);
  EXPECT_EQ(again.Size(), 2);
}

TEST(FileStream, FailuresNameTheFullPathAndTheSystemsReason) {
  wchar_t dir[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, dir);
  ScratchFile file(L"missing");
  try {
    TFileStream s(file.path(), fmOpenRead);
    ADD_FAILURE() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"" + win::Utf8FromWide(file.path()) + "\". " +
                               win::SysErrorMessage(ERROR_FILE_NOT_FOUND));
  }
  // A relative name appears expanded to its full path.
  const std::wstring relative = L"no-such-folder\\file.txt";
  try {
    TFileStream s(relative, fmCreate);
    ADD_FAILURE() << "created a file in a missing folder";
  } catch (const EFCreateError& e) {
    const std::string full = win::Utf8FromWide(std::wstring(dir) + L"\\" + relative);
    EXPECT_EQ(e.Message(), "Cannot create file \"" + full + "\". " +
                               win::SysErrorMessage(ERROR_PATH_NOT_FOUND));
  }
  EXPECT_EQ(ExpandFileName(L"a.txt"), std::wstring(dir) + L"\\a.txt");
}

TEST(SysErrorMessage, SystemTextWithoutItsLineBreakAndFullStop) {
  for (DWORD code : {DWORD{ERROR_ACCESS_DENIED}, DWORD{ERROR_FILE_NOT_FOUND},
                     DWORD{ERROR_PATH_NOT_FOUND}, DWORD{ERROR_ALREADY_EXISTS}}) {
    const std::string text = win::SysErrorMessage(code);
    ASSERT_FALSE(text.empty()) << code;
    EXPECT_NE(text.back(), '.') << code;
    EXPECT_NE(text.back(), '\n') << code;
    EXPECT_NE(text.back(), ' ') << code;
    EXPECT_EQ(text.find('\r'), std::string::npos) << code;
  }
  EXPECT_EQ(win::SysErrorMessage(0x0FFFFFFF), "") << "an unknown code has no text";
}

TEST(CodePages, PlatformCp1251AgreesWithThePortableTable) {
  std::string bytes;
  for (int b = 1; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  const std::wstring platform = win::WideFromAnsi(bytes, 1251);
  const std::wstring portable = win::WideString(WideFrom1251(bytes));
  ASSERT_EQ(platform.size(), portable.size());
  for (size_t i = 0; i < platform.size(); ++i)
    EXPECT_EQ(static_cast<int>(platform[i]), static_cast<int>(portable[i]))
        << "byte 0x" << std::hex << (i + 1);
  EXPECT_EQ(win::AnsiFromWide(platform, 1251), bytes) << "and back again";
}

TEST(CodePages, Utf8ConversionsAgreeWithThePlatform) {
  const std::string utf8 = "hosts \xD0\x9F\xD1\x80\xD0\xB8 \xE2\x82\xAC \xF0\x9F\x98\x80";
  const std::wstring ours = win::WideFromUtf8(utf8);
  const std::wstring platform = win::WideFromAnsi(utf8, CP_UTF8);
  EXPECT_EQ(ours, platform);
  EXPECT_EQ(win::Utf8FromWide(ours), utf8);
  EXPECT_EQ(win::AnsiFromWide(ours, CP_UTF8), utf8);
  EXPECT_EQ(win::WideFromAnsi("", 1251), L"");
  EXPECT_EQ(win::AnsiFromWide(L"", 1251), "");
  EXPECT_EQ(win::AnsiFromWide(L"\u4E00", 1252), "?") << "unmappable: the default character";
}

}  // namespace
}  // namespace vornada
