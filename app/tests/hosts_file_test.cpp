// Hosts file access: path expansion, reading the whole file, and replacing its content without
// ever leaving it empty or half written.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "HostsFile_win.h"
#include "SysUtils.h"
#include "WinUtil.h"
#include "test_support.h"

namespace vornada::hosts {
namespace {

using vornada::testing::FileExists;
using vornada::testing::ListFolder;
using vornada::testing::ReadBytes;
using vornada::testing::ScratchDir;
using vornada::testing::ScratchHosts;
using vornada::testing::WriteBytes;

std::string Utf8(const std::wstring& s) { return win::Utf8FromWide(s); }

TEST(ExpandEnvPathTest, ExpandsTheHostsPathThroughWindir) {
  ScratchHosts scratch;
  EXPECT_EQ(ExpandEnvPath(HostsFilePath), scratch.HostsPath());
}

TEST(ExpandEnvPathTest, LongExpansionIsNotCutShort) {
  // Far longer than the 261 characters a fixed buffer would hold.
  const std::wstring value(700, L'x');
  ::SetEnvironmentVariableW(L"VORNADA_LONG", value.c_str());
  const std::wstring expanded = ExpandEnvPath(L"C:\\%VORNADA_LONG%\\etc\\hosts");
  ::SetEnvironmentVariableW(L"VORNADA_LONG", nullptr);
  EXPECT_EQ(expanded, L"C:\\" + value + L"\\etc\\hosts");
}

TEST(ExpandEnvPathTest, TextWithoutVariablesIsUnchanged) {
  EXPECT_EQ(ExpandEnvPath(L"C:\\plain\\path"), L"C:\\plain\\path");
  EXPECT_EQ(ExpandEnvPath(L""), L"");
}

TEST(ReadWholeFileTest, ReadsEveryByte) {
  ScratchDir dir;
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  bytes += std::string(200000, 'z');
  WriteBytes(dir.File(L"f"), bytes);
  EXPECT_EQ(ReadWholeFile(dir.File(L"f")), bytes);
  WriteBytes(dir.File(L"empty"), "");
  EXPECT_EQ(ReadWholeFile(dir.File(L"empty")), "");
}

// The message names the full path between double quotes, then the system's reason.
void ExpectFileError(const std::string& message, const char* verb, const std::wstring& path) {
  const std::string prefix = std::string("Cannot ") + verb + " file \"" + Utf8(path) + "\". ";
  ASSERT_EQ(message.compare(0, prefix.size(), prefix), 0) << message;
  const std::string reason = message.substr(prefix.size());
  EXPECT_FALSE(reason.empty()) << message;
  EXPECT_NE(reason.back(), '.') << message;
  EXPECT_NE(reason.back(), '\n') << message;
}

TEST(ReadWholeFileTest, MissingFileFailsWithOpenError) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"missing");
  try {
    ReadWholeFile(path);
    FAIL() << "no error";
  } catch (const EFOpenError& e) {
    ExpectFileError(e.Message(), "open", path);
  }
}

TEST(ReadWholeFileTest, FileBeingWrittenElsewhereIsNotRead) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"busy");
  WriteBytes(path, "old");
  // Another writer holds the file; reading denies writers, so it cannot share.
  HANDLE writer = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_THROW(ReadWholeFile(path), EFOpenError);
  ::CloseHandle(writer);
  EXPECT_EQ(ReadWholeFile(path), "old");
}

TEST(ReplaceFileContentsTest, WritesExactlyTheGivenBytes) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"hosts");
  std::string binary;
  for (int i = 0; i < 256; ++i) binary.push_back(static_cast<char>(255 - i));
  const std::string cases[] = {
      "",
      "127.0.0.1 localhost",                       // no line break at the end
      "127.0.0.1 localhost\r\n::1 localhost\r\n",  // one at the end
      binary,
      std::string(3u << 20, 'q') + "end",          // several write chunks
  };
  for (const std::string& content : cases) {
    WriteBytes(path, "previous content");
    ReplaceFileContents(path, content);
    EXPECT_EQ(ReadBytes(path), content);
  }
  // Nothing but the file is left in the folder.
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::wstring>{L"hosts"});
}

TEST(ReplaceFileContentsTest, CreatesAMissingFile) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"hosts");
  ReplaceFileContents(path, "new\r\n");
  EXPECT_EQ(ReadBytes(path), "new\r\n");
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::wstring>{L"hosts"});
}

TEST(ReplaceFileContentsTest, KeepsTheFilesAttributes) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"hosts");
  WriteBytes(path, "old");
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_ARCHIVE));
  ReplaceFileContents(path, "new");
  EXPECT_EQ(ReadBytes(path), "new");
  EXPECT_EQ(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE);
}

TEST(ReplaceFileContentsTest, FailureWhileWritingKeepsTheOldFile) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"hosts");
  const std::string old_content = "127.0.0.1 localhost\r\n";
  WriteBytes(path, old_content);
  int calls = 0;
  // The disk fills up after the first megabyte of the new content.
  const ChunkWriter disk_full = [&](HANDLE file, const char* data, DWORD count) {
    if (++calls > 1) {
      ::SetLastError(ERROR_DISK_FULL);
      return false;
    }
    DWORD put = 0;
    return ::WriteFile(file, data, count, &put, nullptr) && put == count;
  };
  EXPECT_THROW(ReplaceFileContents(path, std::string(3u << 20, 'n'), disk_full), EWriteError);
  EXPECT_GE(calls, 2);
  EXPECT_EQ(ReadBytes(path), old_content);
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::wstring>{L"hosts"});
}

TEST(ReplaceFileContentsTest, ProcessKilledWhileWritingKeepsTheOldFile) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"hosts");
  const std::string old_content = "10.0.0.1 router\r\n";
  WriteBytes(path, old_content);

  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring child = self;
  child = child.substr(0, child.find_last_of(L"\\/") + 1) + HOSTS_SAVE_CHILD_W;
  std::wstring command = L"\"" + child + L"\" \"" + path + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(::CreateProcessW(child.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &si, &pi))
      << "cannot start " << Utf8(child);
  ASSERT_EQ(::WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  EXPECT_EQ(code, 3u) << "the child was not killed part-way";

  EXPECT_EQ(ReadBytes(path), old_content);
  // The next save still works.
  ReplaceFileContents(path, "after\r\n");
  EXPECT_EQ(ReadBytes(path), "after\r\n");
}

TEST(ReplaceFileContentsTest, FileOpenElsewhereRefusesAndStaysUntouched) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"hosts");
  WriteBytes(path, "old");
  HANDLE holder = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  try {
    ReplaceFileContents(path, "new");
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    ExpectFileError(e.Message(), "create", path);
  }
  ::CloseHandle(holder);
  EXPECT_EQ(ReadBytes(path), "old");
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::wstring>{L"hosts"});
}

// The protected attribute value refuses the save whoever runs it (the read-only bit alone is
// enforced by Windows for administrators too).
TEST(ReplaceFileContentsTest, ProtectedFileRefusesAndStaysUntouched) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"hosts");
  WriteBytes(path, "old");
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), HostsProtectedAttr));
  try {
    ReplaceFileContents(path, "new");
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    ExpectFileError(e.Message(), "create", path);
  }
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(path), "old");
}

}  // namespace
}  // namespace vornada::hosts
