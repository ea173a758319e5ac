// The hosts file's protection and rights, seen as an ordinary (non-administrator) user sees
// them: the two attribute values are applied as given, a save while the file is protected or
// without rights to the file is refused with the file left untouched, and a user who may write
// the file but not its folder can still save. Run as an unprivileged user (see
// scripts/run-unprivileged.sh, which also prepares the folders named in VORNADA_SEALED_WINDIR
// and VORNADA_FOREIGN_WINDIR): Wine refuses writing a read-only file only to such a user, as
// Windows does; every test here first checks that the protection is real for this user.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Classes_win.h"
#include "Forms.h"
#include "HostsFile_win.h"
#include "ScopeExit.h"
#include "Startup.h"
#include "SysUtils.h"
#include "Unit1.h"
#include "WinHandles.h"
#include "WinTestSupport.h"
#include "WinUtil.h"

namespace vornada {
namespace {

using testing::HostsUnderWindir;
using testing::ListFolder;
using testing::ReadBytes;
using testing::ScratchDir;
using testing::ScratchHosts;
using testing::ShownAttributes;
using testing::ShownAttributesAfterSetting;
using testing::TemporaryFolder;
using testing::WriteBytes;

// Whether the platform refuses this user writing a read-only file; the error when it does.
DWORD ErrorWritingAReadOnlyFile() {
  ScratchDir dir;
  const std::wstring path = dir.File(L"read-only");
  WriteBytes(path, "x");
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  return file ? ERROR_SUCCESS : ::GetLastError();
}

// A Windows path from the environment, empty when the variable is missing.
std::wstring WindirFromEnvironment(const wchar_t* name) {
  const DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (needed == 0) return {};
  std::wstring value(needed, L'\0');
  value.resize(::GetEnvironmentVariableW(name, value.data(), needed));
  return value;
}

// Names of the save's backups in the user's temporary folder.
std::vector<std::wstring> BackupsInTemporaryFolder() {
  std::vector<std::wstring> backups;
  const std::wstring prefix = L"hosts.", suffix = L".vornada-bak";
  for (const std::wstring& name : ListFolder(TemporaryFolder())) {
    if (name.size() > prefix.size() + suffix.size() &&
        name.compare(0, prefix.size(), prefix) == 0 &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      backups.push_back(name);
  }
  return backups;
}

class ProtectionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RunUnitStartup();
    Application()->SetTitle(kApplicationTitle);
    Application()->CreateForm<TMainForm>();
  }
  void SetUp() override {
    // As root (or an administrator ignoring the read-only bit) nothing here would show the
    // protection at work.
    ASSERT_EQ(ErrorWritingAReadOnlyFile(), static_cast<DWORD>(ERROR_ACCESS_DENIED))
        << "running with rights that ignore the read-only attribute";
  }
  void TearDown() override { hosts::SetHostsAttributes(hosts::HostsWritableAttr); }
};

class ScratchProtectionTest : public ProtectionTest {
 protected:
  ScratchHosts scratch_;
};

// Each value is seen exactly as the platform shows that value set directly. Under Wine an
// unprivileged user keeps only the read-only bit of 39 (hidden and system set in the same call
// are lost), so here the check tells 39 from 0 but not from 33; hosts_file_test, run where all
// three bits are kept, checks the value exactly.
TEST_F(ScratchProtectionTest, TheTwoAttributeValuesAreAppliedAsGiven) {
  WriteBytes(scratch_.HostsPath(), "x");
  hosts::SetHostsAttributes(hosts::HostsProtectedAttr);
  EXPECT_EQ(ShownAttributes(scratch_.HostsPath()), ShownAttributesAfterSetting(39));
  EXPECT_NE(ShownAttributes(scratch_.HostsPath()) & FILE_ATTRIBUTE_READONLY, 0u);
  hosts::SetHostsAttributes(hosts::HostsWritableAttr);
  EXPECT_EQ(ShownAttributes(scratch_.HostsPath()), ShownAttributesAfterSetting(0));
  EXPECT_EQ(ShownAttributes(scratch_.HostsPath()) & ~FILE_ATTRIBUTE_ARCHIVE, 0u);
}

TEST_F(ScratchProtectionTest, PlatformRefusesWritingAProtectedFileForThisUser) {
  // Shows that this test runs as a user for whom the protection is real.
  WriteBytes(scratch_.HostsPath(), "x");
  hosts::SetHostsAttributes(hosts::HostsProtectedAttr);
  win::UniqueFile file(::CreateFileW(scratch_.HostsPath().c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  const DWORD error = ::GetLastError();
  EXPECT_FALSE(file) << "running with rights that ignore the read-only bit";
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(ScratchProtectionTest, SaveWhileProtectedIsRefusedAndLeavesTheFile) {
  const std::string original = "127.0.0.1 localhost\n";
  WriteBytes(scratch_.HostsPath(), original);
  MainForm->LoadHostsFile();
  MainForm->Memo1->SetAnsiText("0.0.0.0 changed\r\n");
  hosts::SetHostsAttributes(hosts::HostsProtectedAttr);
  try {
    MainForm->SaveHostsFile();
    FAIL() << "the save was not refused";
  } catch (const EFCreateError& e) {
    const std::string expected_start = "Cannot create file \"";
    EXPECT_EQ(e.Message().compare(0, expected_start.size(), expected_start), 0) << e.Message();
  }
  hosts::SetHostsAttributes(hosts::HostsWritableAttr);
  EXPECT_EQ(ReadBytes(scratch_.HostsPath()), original);

  // Writable again: the save goes through and the file keeps no attribute.
  MainForm->SaveHostsFile();
  EXPECT_EQ(ReadBytes(scratch_.HostsPath()), "0.0.0.0 changed\r\n");
  EXPECT_EQ(ShownAttributes(scratch_.HostsPath()), ShownAttributesAfterSetting(0));
}

// A hosts file that belongs to another user: this user may read it but not write it, and it has
// no attribute that would refuse the save, so only the platform's refusal stops it (as root the
// save would go through).
TEST_F(ProtectionTest, SaveWithoutRightsToTheFileIsRefusedAndLeavesIt) {
  const std::wstring windir = WindirFromEnvironment(L"VORNADA_FOREIGN_WINDIR");
  if (windir.empty()) GTEST_SKIP() << "no file of another user was prepared (not run as root)";
  HostsUnderWindir foreign(windir);
  const std::string original = ReadBytes(foreign.HostsPath());
  ASSERT_EQ(ShownAttributes(foreign.HostsPath()) & ~FILE_ATTRIBUTE_ARCHIVE, 0u);
  MainForm->LoadHostsFile();
  MainForm->Memo1->SetAnsiText("0.0.0.0 not mine\r\n");
  try {
    MainForm->SaveHostsFile();
    FAIL() << "the save was not refused";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + win::Utf8FromWide(ExpandFileName(
                                                          foreign.HostsPath())) +
                               "\". " + win::SysErrorMessage(ERROR_ACCESS_DENIED));
  }
  EXPECT_EQ(ReadBytes(foreign.HostsPath()), original);
}

// Write access to the file only: the folder refuses the temporary file, so the file is
// rewritten in place, with the old content kept in a backup in the user's temporary folder
// until the new content is on disk.
class SealedFolderTest : public ProtectionTest {
 protected:
  void SetUp() override {
    ProtectionTest::SetUp();
    if (HasFatalFailure()) return;
    const std::wstring windir = WindirFromEnvironment(L"VORNADA_SEALED_WINDIR");
    ASSERT_FALSE(windir.empty()) << "VORNADA_SEALED_WINDIR is not set";
    hosts_ = std::make_unique<HostsUnderWindir>(windir);
    backups_before_ = BackupsInTemporaryFolder();
    WriteBytes(Path(), kOldContent);
    // The folder takes no new file from this user.
    const std::wstring probe = hosts_->EtcDir() + L"\\probe";
    win::UniqueFile file(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_FALSE(file) << "the folder is writable";
  }
  const std::wstring& Path() const { return hosts_->HostsPath(); }
  std::vector<std::wstring> NewBackups() const {
    std::vector<std::wstring> added;
    for (const std::wstring& name : BackupsInTemporaryFolder()) {
      if (std::find(backups_before_.begin(), backups_before_.end(), name) == backups_before_.end())
        added.push_back(name);
    }
    return added;
  }
  static constexpr char kOldContent[] = "127.0.0.1 old\r\n";
  std::unique_ptr<HostsUnderWindir> hosts_;
  std::vector<std::wstring> backups_before_;
};

TEST_F(SealedFolderTest, SaveRewritesTheFileInPlace) {
  MainForm->LoadHostsFile();
  EXPECT_EQ(MainForm->Memo1->AnsiText(), kOldContent);
  MainForm->Memo1->SetAnsiText("0.0.0.0 blocked\r\n127.0.0.1 localhost");
  MainForm->SaveHostsFile();
  EXPECT_EQ(ReadBytes(Path()), "0.0.0.0 blocked\r\n127.0.0.1 localhost");
  EXPECT_EQ(ListFolder(hosts_->EtcDir()), std::vector<std::wstring>{L"hosts"});
  EXPECT_EQ(NewBackups(), std::vector<std::wstring>{}) << "the backup was not removed";
}

TEST_F(SealedFolderTest, BackupHoldsTheOldContentWhileTheNewOneIsWritten) {
  const std::string new_content(3u << 20, 'n');  // several chunks
  std::vector<std::string> backup_seen;
  hosts::SaveSteps watching;
  watching.write = [&](HANDLE file, const char* data, DWORD count) {
    for (const std::wstring& name : NewBackups())
      backup_seen.push_back(ReadBytes(TemporaryFolder() + L"\\" + name));
    DWORD put = 0;
    return ::WriteFile(file, data, count, &put, nullptr) && put == count;
  };
  hosts::ReplaceFileContents(Path(), new_content, watching);
  EXPECT_EQ(ReadBytes(Path()), new_content);
  // One backup, seen with the old content at each of the three chunks.
  EXPECT_EQ(backup_seen, std::vector<std::string>(3, kOldContent));
  EXPECT_EQ(NewBackups(), std::vector<std::wstring>{});
}

// The disk fills up part-way through the new content. When the old content can be written
// back, the file has it again and the backup goes; when even that fails, the backup stays as
// the old content's only copy and the error says where it is.
TEST_F(SealedFolderTest, FailureWhileRewritingKeepsTheOldContent) {
  const struct {
    const char* what;
    bool restoring_fails;
  } cases[] = {{"the old content is written back", false},
               {"writing the old content back fails too", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(Path(), kOldContent);
    int calls = 0;
    hosts::SaveSteps disk_full;
    disk_full.write = [&](HANDLE file, const char* data, DWORD count) {
      ++calls;
      // The first chunk of the new content goes through, the second fails; the next call is
      // the old content being written back.
      if (calls == 2 || (calls > 2 && c.restoring_fails)) {
        ::SetLastError(ERROR_DISK_FULL);
        return false;
      }
      DWORD put = 0;
      return ::WriteFile(file, data, count, &put, nullptr) && put == count;
    };
    std::string message;
    try {
      hosts::ReplaceFileContents(Path(), std::string(3u << 20, 'n'), disk_full);
      ADD_FAILURE() << "no error";
    } catch (const EWriteError& e) {
      message = e.Message();
    }
    const std::vector<std::wstring> left = NewBackups();
    ScopeExit remove_left_backups([&] {
      for (const std::wstring& name : left)
        ::DeleteFileW((TemporaryFolder() + L"\\" + name).c_str());
    });
    const std::string written_error =
        "Stream write error. " + win::SysErrorMessage(ERROR_DISK_FULL);
    if (!c.restoring_fails) {
      EXPECT_EQ(message, written_error);
      EXPECT_EQ(ReadBytes(Path()), kOldContent);
      EXPECT_EQ(left, std::vector<std::wstring>{});
    } else {
      ASSERT_EQ(left.size(), 1u);
      const std::wstring backup = TemporaryFolder() + L"\\" + left[0];
      EXPECT_EQ(ReadBytes(backup), kOldContent);
      EXPECT_EQ(message, written_error + ". The previous content is kept in \"" +
                             win::Utf8FromWide(backup) + "\"");
    }
    EXPECT_EQ(ListFolder(hosts_->EtcDir()), std::vector<std::wstring>{L"hosts"});
  }
}

}  // namespace
}  // namespace vornada
