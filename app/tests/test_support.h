// Helpers for the program's Windows tests: scratch folders, a scratch hosts file reached through
// a changed WINDIR, whole-file reading and writing, and message pumping.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace vornada::testing {

// A fresh folder under the temporary folder, removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// Points %WINDIR% at a scratch folder holding System32\Drivers\etc for the lifetime of the
// object, so that the program's hosts path names a scratch file.
class ScratchHosts {
 public:
  ScratchHosts();
  ~ScratchHosts();
  const std::wstring& HostsPath() const { return hosts_; }
  std::wstring EtcDir() const;

 private:
  ScratchDir dir_;
  std::wstring old_windir_;
  std::wstring hosts_;
};

std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
// Names of the files in a folder (without . and ..).
std::vector<std::wstring> ListFolder(const std::wstring& folder);

// Runs the message loop for `ms` milliseconds.
void PumpFor(DWORD ms);
// Runs the message loop until `done` holds or `timeout_ms` passed; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms);

bool RunningUnderWine();

}  // namespace vornada::testing
