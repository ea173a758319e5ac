// Hosts file access: path expansion, the two attribute values, reading the whole file, and
// replacing its content without ever leaving it missing, empty or half written.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "HostsFile_win.h"
#include "SysUtils.h"
#include "WinHandles.h"
#include "WinTestSupport.h"
#include "WinUtil.h"

namespace vornada::hosts {
namespace {

using vornada::testing::FileExists;
using vornada::testing::ListFolder;
using vornada::testing::ReadBytes;
using vornada::testing::ScopedEnvironmentVariable;
using vornada::testing::ScratchDir;
using vornada::testing::ScratchHosts;
using vornada::testing::ShownAttributes;
using vornada::testing::ShownAttributesAfterSetting;
using vornada::testing::WriteBytes;

std::string Utf8(const std::wstring& s) { return win::Utf8FromWide(s); }

TEST(ExpandEnvPathTest, ExpandsTheHostsPathThroughWindir) {
  ScratchHosts scratch;
  EXPECT_EQ(ExpandEnvPath(HostsFilePath), scratch.HostsPath());
}

TEST(ExpandEnvPathTest, LongExpansionIsNotCutShort) {
  // Far longer than the 261 characters a fixed buffer would hold.
  const std::wstring value(700, L'x');
  ScopedEnvironmentVariable variable(L"VORNADA_LONG", value.c_str());
  EXPECT_EQ(ExpandEnvPath(L"C:\\%VORNADA_LONG%\\etc\\hosts"), L"C:\\" + value + L"\\etc\\hosts");
}

TEST(ExpandEnvPathTest, TextWithoutVariablesIsUnchanged) {
  EXPECT_EQ(ExpandEnvPath(L"C:\\plain\\path"), L"C:\\plain\\path");
  EXPECT_EQ(ExpandEnvPath(L""), L"");
}

// The protected value is 39 (read-only, hidden, system, archive), the writable one 0; each is
// seen exactly as the platform shows that value set directly. Hidden and system set together
// with read-only are kept here (as root under Wine, and on Windows), so a value that lost one of
// them shows differently.
TEST(SetHostsAttributesTest, AppliesTheTwoValuesExactly) {
  const DWORD protected_shown = ShownAttributesAfterSetting(39);
  for (DWORD missing_bit :
       {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
    if (ShownAttributesAfterSetting(39 & ~missing_bit) == protected_shown)
      GTEST_SKIP() << "this platform does not show attribute " << missing_bit
                   << " together with read-only for this user";
  }
  ScratchHosts scratch;
  WriteBytes(scratch.HostsPath(), "x");
  SetHostsAttributes(HostsProtectedAttr);
  EXPECT_EQ(ShownAttributes(scratch.HostsPath()), protected_shown);
  SetHostsAttributes(HostsWritableAttr);
  EXPECT_EQ(ShownAttributes(scratch.HostsPath()), ShownAttributesAfterSetting(0));
  EXPECT_EQ(ShownAttributes(scratch.HostsPath()) & ~FILE_ATTRIBUTE_ARCHIVE, 0u);
}

TEST(ReadWholeFileTest, ReadsEveryByte) {
  ScratchDir dir;
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  bytes += std::string(3u << 20, 'z');  // several read chunks
  WriteBytes(dir.File(L"f"), bytes);
  EXPECT_EQ(ReadWholeFile(dir.File(L"f")), bytes);
  WriteBytes(dir.File(L"empty"), "");
  EXPECT_EQ(ReadWholeFile(dir.File(L"empty")), "");
}

// The message names the full path between double quotes, then the system's reason.
void ExpectFileError(const std::string& message, const std::string& start,
                     const std::wstring& path) {
  const std::string prefix = start + " \"" + Utf8(path) + "\". ";
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
    ExpectFileError(e.Message(), "Cannot open file", path);
  }
}

TEST(ReadWholeFileTest, FileBeingWrittenElsewhereIsNotRead) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"busy");
  WriteBytes(path, "old");
  {
    // Another writer holds the file; reading denies writers, so it cannot share.
    win::UniqueFile writer(::CreateFileW(path.c_str(), GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    EXPECT_THROW(ReadWholeFile(path), EFOpenError);
  }
  EXPECT_EQ(ReadWholeFile(path), "old");
}

// A read error raises the stream read error naming the file and the system's reason, wherever
// it happens; none of the bytes read before it are returned as if they were the file.
TEST(ReadWholeFileTest, ReadErrorRaisesTheReadErrorNamingTheFile) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"hosts");
  WriteBytes(path, std::string(3u << 20, 'r'));
  const struct {
    const char* what;
    int failing_call;
    DWORD error;
  } cases[] = {
      {"at the start", 1, ERROR_NOT_READY},
      {"part-way, after the first megabyte", 2, ERROR_CRC},
      {"part-way, near the end", 3, ERROR_SECTOR_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int calls = 0;
    const ChunkReader failing = [&](HANDLE file, char* buffer, DWORD size, DWORD* got) {
      if (++calls == c.failing_call) {
        *got = 0;
        ::SetLastError(c.error);
        return false;
      }
      return ::ReadFile(file, buffer, size, got, nullptr) != FALSE;
    };
    try {
      const std::string bytes = ReadWholeFile(path, failing);
      FAIL() << "no error; " << bytes.size() << " bytes returned";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), "Stream read error. Cannot read file \"" + Utf8(path) + "\". " +
                                 win::SysErrorMessage(c.error));
    }
    EXPECT_EQ(calls, c.failing_call);
  }
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
  // Nothing but the file is left in the folder: no temporary file, no backup.
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::wstring>{L"hosts"});
}

TEST(ReplaceFileContentsTest, CreatesAMissingFile) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"hosts");
  ReplaceFileContents(path, "new\r\n");
  EXPECT_EQ(ReadBytes(path), "new\r\n");
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::wstring>{L"hosts"});
}

// The file that takes the old one's place keeps what a freshly created file would not have: an
// attribute that is not set by default and a creation time in the past. Wine shows neither on
// any file (it keeps no "not content indexed" attribute and no creation time of its own), so
// there the test can only be skipped; on Windows it runs.
TEST(ReplaceFileContentsTest, KeepsTheFilesAttributesAndCreationTime) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"hosts");
  WriteBytes(path, "old");
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
  FILETIME created_long_ago{};
  const SYSTEMTIME y2001 = {2001, 2, 0, 3, 4, 5, 6, 0};
  ASSERT_TRUE(::SystemTimeToFileTime(&y2001, &created_long_ago));
  {
    win::UniqueFile file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    ASSERT_TRUE(::SetFileTime(file.get(), &created_long_ago, nullptr, nullptr));
  }
  auto creation_time = [](const std::wstring& p) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(p.c_str(), GetFileExInfoStandard, &data);
    return (static_cast<uint64_t>(data.ftCreationTime.dwHighDateTime) << 32) |
           data.ftCreationTime.dwLowDateTime;
  };
  const uint64_t wanted_time = (static_cast<uint64_t>(created_long_ago.dwHighDateTime) << 32) |
                               created_long_ago.dwLowDateTime;
  const bool platform_keeps_attribute =
      (::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_NOT_CONTENT_INDEXED) != 0;
  const bool platform_keeps_time = creation_time(path) == wanted_time;
  if (!platform_keeps_attribute && !platform_keeps_time)
    GTEST_SKIP() << "this platform keeps neither attribute 0x2000 nor a set creation time";

  ReplaceFileContents(path, "new");
  EXPECT_EQ(ReadBytes(path), "new");
  if (platform_keeps_attribute) {
    EXPECT_NE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, 0u);
  }
  if (platform_keeps_time) {
    EXPECT_EQ(creation_time(path), wanted_time);
  }
}

TEST(ReplaceFileContentsTest, FailureWhileWritingKeepsTheOldFile) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"hosts");
  const std::string old_content = "127.0.0.1 localhost\r\n";
  WriteBytes(path, old_content);
  int calls = 0;
  // The disk fills up after the first megabyte of the new content.
  SaveSteps disk_full;
  disk_full.write = [&](HANDLE file, const char* data, DWORD count) {
    if (++calls > 1) {
      ::SetLastError(ERROR_DISK_FULL);
      return false;
    }
    DWORD put = 0;
    return ::WriteFile(file, data, count, &put, nullptr) && put == count;
  };
  try {
    ReplaceFileContents(path, std::string(3u << 20, 'n'), disk_full);
    FAIL() << "no error";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error. " + win::SysErrorMessage(ERROR_DISK_FULL));
  }
  EXPECT_GE(calls, 2);
  EXPECT_EQ(ReadBytes(path), old_content);
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::wstring>{L"hosts"});
}

// What the step that puts the new file in place can leave behind when it fails (the platform's
// documented states for each error), and what must be in place afterwards: the old text where
// it still exists, else the new one; never no file. The failure is reported all the same, and
// no helper file stays.
TEST(ReplaceFileContentsTest, FailedReplacingStepLeavesTheOldOrTheNewFileInPlace) {
  enum class Left { kBothUnderTheirNames, kOldRemoved, kOldUnderTheBackupName };
  const std::string old_content = "127.0.0.1 old\r\n";
  const std::string new_content = "127.0.0.1 new\r\n";
  const struct {
    const char* what;
    DWORD error;
    Left left;
    const std::string& expected;
  } cases[] = {
      {"the old file could not be removed", ERROR_UNABLE_TO_REMOVE_REPLACED,
       Left::kBothUnderTheirNames, old_content},
      {"the new file could not be renamed, nothing moved", ERROR_UNABLE_TO_MOVE_REPLACEMENT,
       Left::kBothUnderTheirNames, old_content},
      {"the new file could not be renamed after the old one was removed",
       ERROR_UNABLE_TO_MOVE_REPLACEMENT, Left::kOldRemoved, new_content},
      {"the new file could not be moved, the old one is under the backup name",
       ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, Left::kOldUnderTheBackupName, old_content},
      {"the file is in use", ERROR_SHARING_VIOLATION, Left::kBothUnderTheirNames, old_content},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    const std::wstring path = dir.File(L"hosts");
    WriteBytes(path, old_content);
    std::wstring backup_given;
    bool backup_existed = false;
    SaveSteps failing;
    failing.replace = [&](const std::wstring& file, const std::wstring& replacement,
                          const std::wstring& backup) {
      EXPECT_EQ(file, path);
      EXPECT_EQ(ReadBytes(replacement), new_content);
      backup_given = backup;
      backup_existed = !backup.empty() && FileExists(backup);
      if (c.left == Left::kOldRemoved) {
        EXPECT_TRUE(::DeleteFileW(file.c_str()));
      } else if (c.left == Left::kOldUnderTheBackupName) {
        EXPECT_TRUE(::MoveFileExW(file.c_str(), backup.c_str(), 0));
      }
      ::SetLastError(c.error);
      return false;
    };
    try {
      ReplaceFileContents(path, new_content, failing);
      ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.Message(), "Cannot create file \"" + Utf8(path) + "\". " +
                                 win::SysErrorMessage(c.error));
    }
    // A backup name beside the file that no file had.
    EXPECT_EQ(backup_given.substr(0, dir.path().size() + 1), dir.path() + L"\\");
    EXPECT_GT(backup_given.size(), dir.path().size() + 1);
    EXPECT_FALSE(backup_existed);
    if (!FileExists(path)) {
      ADD_FAILURE() << "no hosts file is left";
      continue;
    }
    EXPECT_EQ(ReadBytes(path), c.expected);
    EXPECT_EQ(ListFolder(dir.path()), std::vector<std::wstring>{L"hosts"});
  }
}

// Helper files a killed save left beside the file (under the names this program gives them,
// including those an earlier save of a process with this same id would have used) neither stop
// the next save nor stay: the next save removes them. Backups go only while the file exists
// (then they are older copies of it). Other files are left alone.
TEST(ReplaceFileContentsTest, LeftoversOfKilledSavesAreRemovedAndNeverCollide) {
  const std::wstring pid = std::to_wstring(::GetCurrentProcessId());
  std::vector<std::wstring> temporary_leftovers = {L"hosts.0123456789abcdef.vornada-tmp",
                                                   L"HOSTS.FEDCBA9876543210.VORNADA-TMP"};
  for (int n = 0; n < 40; ++n)
    temporary_leftovers.push_back(L"hosts." + pid + L"-" + std::to_wstring(n) + L".vornada-tmp");
  const std::vector<std::wstring> backup_leftovers = {L"hosts.00000000000000aa.vornada-bak"};
  const std::vector<std::wstring> unrelated = {
      L"hosts.bak", L"hosts.vornada-tmp", L"hosts.a.b.vornada-tmp", L"hostsx.1.vornada-tmp",
      L"other.1.vornada-tmp", L"hosts.1.vornada-tmp.txt", L"hosts.ics"};
  for (bool file_exists : {true, false}) {
    SCOPED_TRACE(file_exists ? "the file exists" : "the file is missing");
    ScratchDir dir;
    const std::wstring path = dir.File(L"hosts");
    if (file_exists) WriteBytes(path, "old\r\n");
    for (const std::vector<std::wstring>* names :
         {&std::as_const(temporary_leftovers), &backup_leftovers, &unrelated}) {
      for (const std::wstring& name : *names) WriteBytes(dir.File(name), "left over");
    }
    ASSERT_TRUE(::CreateDirectoryW(dir.File(L"hosts.2.vornada-tmp").c_str(), nullptr));

    ReplaceFileContents(path, "new\r\n");
    EXPECT_EQ(ReadBytes(path), "new\r\n");

    std::vector<std::wstring> expected = unrelated;
    expected.push_back(L"hosts");
    expected.push_back(L"hosts.2.vornada-tmp");  // a folder, not a file of a save
    if (!file_exists) {
      expected.insert(expected.end(), backup_leftovers.begin(), backup_leftovers.end());
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListFolder(dir.path()), expected);
  }
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
  const win::UniqueKernelHandle process(pi.hProcess);
  const win::UniqueKernelHandle thread(pi.hThread);
  ASSERT_EQ(::WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  EXPECT_EQ(code, 3u) << "the child was not killed part-way";

  EXPECT_EQ(ReadBytes(path), old_content);
  // The killed save left its temporary file; the next save works and removes it.
  EXPECT_EQ(ListFolder(dir.path()).size(), 2u);
  ReplaceFileContents(path, "after\r\n");
  EXPECT_EQ(ReadBytes(path), "after\r\n");
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::wstring>{L"hosts"});
}

TEST(ReplaceFileContentsTest, FileOpenElsewhereRefusesAndStaysUntouched) {
  ScratchDir dir;
  const std::wstring path = dir.File(L"hosts");
  WriteBytes(path, "old");
  {
    win::UniqueFile holder(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    try {
      ReplaceFileContents(path, "new");
      FAIL() << "no error";
    } catch (const EFCreateError& e) {
      ExpectFileError(e.Message(), "Cannot create file", path);
    }
  }
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
    ExpectFileError(e.Message(), "Cannot create file", path);
  }
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(path), "old");
}

}  // namespace
}  // namespace vornada::hosts
