// Benchmark of the hosts file in the editor, each figure printed against a baseline measured in
// the same run:
//   load   - LoadHostsFile of a 250,000-line hosts file into the empty editor memo, against a
//            bare system edit window of the same styles receiving the same text;
//   reload - one unchanged reload tick (Timer2Timer), against a plain read of the same file.
// Usage: hosts_bench [--lines N] [--runs N]. Prints medians in milliseconds and the ratios.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "Forms.h"
#include "HostsFile_win.h"
#include "HostsText.h"
#include "Startup.h"
#include "Unit1.h"
#include "WinHandles.h"
#include "WinUtil.h"

namespace {

using Clock = std::chrono::steady_clock;

double MedianMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    prepare();
    const auto start = Clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

std::wstring MakeScratchWindir() {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring root = std::wstring(temp) + L"vornada-bench-" + std::to_wstring(::GetCurrentProcessId());
  std::wstring dir = root;
  ::CreateDirectoryW(dir.c_str(), nullptr);
  for (const wchar_t* part : {L"\\System32", L"\\Drivers", L"\\etc"}) {
    dir += part;
    ::CreateDirectoryW(dir.c_str(), nullptr);
  }
  ::SetEnvironmentVariableW(L"WINDIR", root.c_str());
  return dir + L"\\hosts";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace vornada;
  int lines = 250000, runs = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::wcscmp(argv[i], L"--lines") == 0) lines = _wtoi(argv[i + 1]);
    if (std::wcscmp(argv[i], L"--runs") == 0) runs = std::max(1, _wtoi(argv[i + 1]));
  }
  const std::wstring hosts_path = MakeScratchWindir();
  std::string file;
  for (int i = 0; i < lines; ++i) file += "0.0.0.0 tracker" + std::to_string(i) + ".ads.example\n";
  {
    win::UniqueFile out(
        ::CreateFileW(hosts_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD put = 0;
    const DWORD size = static_cast<DWORD>(file.size());
    if (!out || !::WriteFile(out.get(), file.data(), size, &put, nullptr) || put != size) {
      std::fprintf(stderr, "cannot write the scratch hosts file\n");
      return 1;
    }
  }
  const std::wstring shown = win::WideFromAnsi(hosts::NormaliseLineBreaks(file));

  RunUnitStartup();
  Application()->SetTitle(kApplicationTitle);
  TMainForm* form = Application()->CreateForm<TMainForm>();
  TMemo* memo = form->Memo1;

  // The baseline edit window: the memo's own styles, on the same parent.
  const DWORD style = static_cast<DWORD>(::GetWindowLongW(memo->Handle(), GWL_STYLE));
  const win::UniqueWindow bare_window(
      ::CreateWindowExW(0, L"EDIT", L"", style, 0, 0, memo->Width(), memo->Height(),
                        form->MainPanel->Handle(), nullptr, nullptr, nullptr));
  const HWND bare = bare_window.get();
  ::SendMessageW(bare, EM_SETLIMITTEXT, 0, 0);
  ::SendMessageW(bare, WM_SETFONT, ::SendMessageW(memo->Handle(), WM_GETFONT, 0, 0), FALSE);

  const double load = MedianMs(runs, [&] { memo->SetAnsiText(""); }, [&] { form->LoadHostsFile(); });
  const double bare_load = MedianMs(
      runs, [&] { ::SendMessageW(bare, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"")); },
      [&] { ::SendMessageW(bare, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown.c_str())); });

  form->LoadHostsFile();
  const double reload = MedianMs(runs, [] {}, [&] { form->Timer2Timer(form->Timer2); });
  const double read = MedianMs(runs, [] {}, [&] {
    volatile size_t n = hosts::ReadWholeFile(hosts_path).size();
    (void)n;
  });

  std::printf("hosts file: %d lines, %zu bytes, median of %d runs\n", lines, file.size(), runs);
  std::printf("%-8s %10s %12s %10s %8s\n", "case", "ours ms", "baseline", "base ms", "ratio");
  std::printf("%-8s %10.2f %12s %10.2f %8.2f\n", "load", load, "bare edit", bare_load,
              load / bare_load);
  std::printf("%-8s %10.2f %12s %10.2f %8.2f\n", "reload", reload, "plain read", read,
              reload / read);
  ::DeleteFileW(hosts_path.c_str());
  return 0;
}
