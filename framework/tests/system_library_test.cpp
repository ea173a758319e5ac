// Tests of system functions found at their first use: a function of a system library is found
// and works; a missing library or function gives null instead of failing.
#include <gtest/gtest.h>

#include <windows.h>

#include "SystemLibrary.h"

namespace vornada {
namespace {

TEST(SystemFunction, IsFoundWhereItExistsAndNullOtherwise) {
  struct Case {
    const wchar_t* library;
    const char* name;
    bool found;
  };
  const Case cases[] = {
      {L"kernel32.dll", "GetTickCount64", true},
      {L"shell32.dll", "ShellExecuteW", true},  // loaded here, not by the test's imports
      {L"no-such-library-here.dll", "GetTickCount64", false},
      {L"kernel32.dll", "NoSuchFunctionHere", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(win::SystemLibraryProc(c.library, c.name) != nullptr, c.found) << c.name;

  const auto tick_count =
      win::SystemFunction<decltype(::GetTickCount64)>(L"kernel32.dll", "GetTickCount64");
  ASSERT_NE(tick_count, nullptr);
  const ULONGLONG before = ::GetTickCount64();
  EXPECT_GE(tick_count(), before);
}

// A library that is looked for only in the system directory: a file of that name beside the
// program is not loaded.
TEST(SystemFunction, LooksInTheSystemDirectoryOnly) {
  wchar_t exe[MAX_PATH];
  ASSERT_GT(::GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
  std::wstring beside(exe);
  beside.resize(beside.find_last_of(L"\\/") + 1);
  beside += L"vornada-beside-the-program.dll";
  // A copy of a real library under a name the system directory does not have.
  wchar_t system[MAX_PATH];
  ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
  ASSERT_TRUE(::CopyFileW((std::wstring(system) + L"\\version.dll").c_str(), beside.c_str(), FALSE));
  EXPECT_EQ(win::SystemLibraryProc(L"vornada-beside-the-program.dll", "GetFileVersionInfoW"), nullptr);
  ::DeleteFileW(beside.c_str());
}

}  // namespace
}  // namespace vornada
