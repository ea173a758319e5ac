// The hosts file's protection, seen as an ordinary (non-administrator) user sees it: the two
// attribute values are applied as given, and a save while the file is protected is refused with
// the file left untouched. Run as an unprivileged user: Wine refuses writing a read-only file
// only to such a user, as Windows does.
#include <gtest/gtest.h>

#include <windows.h>

#include "Forms.h"
#include "HostsFile_win.h"
#include "Startup.h"
#include "SysUtils.h"
#include "Unit1.h"
#include "test_support.h"

namespace vornada {
namespace {

using testing::ReadBytes;
using testing::RunningUnderWine;
using testing::ScratchHosts;
using testing::WriteBytes;

// What a file shows after its attributes were set to `value`. Wine keeps only the read-only
// bit; it does not emulate hidden and system, and it shows every file as archived.
DWORD Kept(DWORD value) {
  if (!RunningUnderWine()) return value;
  return (value & FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_ARCHIVE;
}

DWORD Attributes(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) &
         (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
          FILE_ATTRIBUTE_ARCHIVE);
}

class ProtectionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RunUnitStartup();
    Application()->SetTitle(kApplicationTitle);
    Application()->CreateForm<TMainForm>();
  }
  void TearDown() override { hosts::SetHostsAttributes(hosts::HostsWritableAttr); }
  ScratchHosts scratch_;
};

TEST_F(ProtectionTest, TheTwoAttributeValuesAreAppliedAsGiven) {
  WriteBytes(scratch_.HostsPath(), "x");
  hosts::SetHostsAttributes(hosts::HostsProtectedAttr);
  EXPECT_EQ(Attributes(scratch_.HostsPath()), Kept(39));
  hosts::SetHostsAttributes(hosts::HostsWritableAttr);
  EXPECT_EQ(Attributes(scratch_.HostsPath()), Kept(0));
}

TEST_F(ProtectionTest, PlatformRefusesWritingAProtectedFileForThisUser) {
  // Shows that this test runs as a user for whom the protection is real.
  WriteBytes(scratch_.HostsPath(), "x");
  hosts::SetHostsAttributes(hosts::HostsProtectedAttr);
  HANDLE h = ::CreateFileW(scratch_.HostsPath().c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD error = ::GetLastError();
  if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "running with rights that ignore the read-only bit";
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(ProtectionTest, SaveWhileProtectedIsRefusedAndLeavesTheFile) {
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
  EXPECT_EQ(Attributes(scratch_.HostsPath()), Kept(0));
}

}  // namespace
}  // namespace vornada
