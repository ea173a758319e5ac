// Scratch folders, scratch hosts files and message pumping for the program's Windows tests.
#include "test_support.h"

#include <stdexcept>
#include <vector>

namespace vornada::testing {

namespace {
void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        ::DeleteFileW(child.c_str());
      }
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
  }
  ::RemoveDirectoryW(path.c_str());
}
}  // namespace

ScratchDir::ScratchDir() {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  static unsigned counter = 0;
  for (;;) {
    path_ = std::wstring(temp) + L"vornada-test-" + std::to_wstring(::GetCurrentProcessId()) +
            L"-" + std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(counter++);
    if (::CreateDirectoryW(path_.c_str(), nullptr)) break;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("no scratch folder");
  }
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

ScratchHosts::ScratchHosts() {
  wchar_t old[32768] = {};
  ::GetEnvironmentVariableW(L"WINDIR", old, 32768);
  old_windir_ = old;
  std::wstring dir = dir_.path();
  for (const wchar_t* part : {L"\\System32", L"\\Drivers", L"\\etc"}) {
    dir += part;
    ::CreateDirectoryW(dir.c_str(), nullptr);
  }
  hosts_ = dir + L"\\hosts";
  ::SetEnvironmentVariableW(L"WINDIR", dir_.path().c_str());
}

ScratchHosts::~ScratchHosts() {
  ::SetEnvironmentVariableW(L"WINDIR", old_windir_.empty() ? nullptr : old_windir_.c_str());
}

std::wstring ScratchHosts::EtcDir() const {
  return hosts_.substr(0, hosts_.size() - std::wstring(L"\\hosts").size());
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot read test file");
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(h, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  ::CloseHandle(h);
  return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write test file");
  DWORD put = 0;
  ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
  ::CloseHandle(h);
  if (put != bytes.size()) throw std::runtime_error("short write of test file");
}

bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return names;
}

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start >= timeout_ms) return done();
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return done();
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

bool RunningUnderWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace vornada::testing
