// A small Windows console tool the end-to-end tests use to look at and poke the running
// program from another process:
//   probe find TITLE MS           wait for a top-level window titled TITLE; print its handle
//   probe form TITLE MS           wait for the visible window owned by the TITLE window; print
//                                 "left top width height alpha"
//   probe watch-alpha TITLE MS [READY]
//                                 from before the owned window appears until its opacity stays
//                                 at 255 (or MS pass), print every opacity it showed, in order;
//                                 the file READY is made once the watch runs, so that the program
//                                 can be started after it
//   probe owned-visible TITLE     print 1 when the owned window is visible, else 0
//   probe minimize TITLE          minimise the TITLE window (as the taskbar would)
//   probe count TITLE             print how many top-level windows are titled TITLE
//   probe desktop                 print "left top width height" of the whole desktop
//   probe clip-set TEXT           put TEXT on the clipboard
//   probe clip-count              print how many formats the clipboard holds
//   probe clip-text FILE          write the clipboard's text (CF_UNICODETEXT) to FILE as UTF-8;
//                                 status 1 when the clipboard holds no text
//   probe clip-empty              empty the clipboard
//   probe attrs PATH              print the attributes of a file (decimal), or -1 when missing
//   probe app-exstyle TITLE       print the extended style of the TITLE window (hex)
//   probe topmost TITLE           print 1 when the owned window is topmost, else 0
//   probe taskbar-close TITLE     ask the TITLE window to close as the taskbar's close does
//                                 (WM_SYSCOMMAND SC_CLOSE)
//   probe end-session TITLE       end the Windows session for the program: WM_QUERYENDSESSION,
//                                 then WM_ENDSESSION to each of its top-level windows; print the
//                                 answers to the query (1 allows), one per window
//   probe focus-class TITLE       print the window class of the focused window of the program's
//                                 thread (empty when none)
//   probe startup MS EXE [ARGS...] start EXE, wait up to MS for a visible layered window of its
//                                 process at full opacity, print the milliseconds from the start
//                                 to then, and end the process
//   probe launch NAME=VALUE EXE   start EXE with the environment variable NAME set to VALUE
//                                 (the rest of the environment as this one's) and end at once
//   probe watch-change TITLE MS READY
//                                 wait up to MS for the owned window's opacity to change, then
//                                 print every opacity it showed, in order, until it stays the
//                                 same for 300 ms or the window goes ("gone" then ends the list);
//                                 the file READY is made once the first opacity was read
//   probe child TITLE X Y [FILE]  the innermost visible child window at window point (X, Y) of
//                                 the owned window: print "class left top width height enabled"
//                                 (place relative to the window); its text goes to FILE as UTF-8
//   probe restore TITLE           restore the TITLE window (as the taskbar would)
//   probe set-attrs PATH VALUE    set the attributes of a file (decimal)
//   probe idle                    end at once (a small program to time starting against)
//   probe run MS EXE [ARGS...]    start EXE and wait up to MS for it to end, watching the
//                                 top-level windows its process creates; print "status
//                                 elapsed_ms windows": its exit status (259 when it did not
//                                 end), the milliseconds from its start to its end, and how
//                                 many distinct top-level windows it had while it ran
// Exit status 0 on success, 1 when a wait timed out or a command failed, 2 on bad usage.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "WinHandles.h"

namespace {

struct FindData {
  const wchar_t* title;
  std::vector<HWND> found;
};

std::vector<HWND> TopLevelWindowsTitled(const wchar_t* title) {
  FindData data{title, {}};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lparam) -> BOOL {
        auto* d = reinterpret_cast<FindData*>(lparam);
        wchar_t text[256] = {};
        ::GetWindowTextW(hwnd, text, 256);
        if (wcscmp(text, d->title) == 0) d->found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&data));
  return data.found;
}

HWND OwnedWindow(HWND owner) {
  struct Data {
    HWND owner;
    HWND found;
  } data{owner, nullptr};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lparam) -> BOOL {
        auto* d = reinterpret_cast<Data*>(lparam);
        if (::GetWindow(hwnd, GW_OWNER) == d->owner) {
          d->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&data));
  return data.found;
}

HWND WaitFor(const wchar_t* title, DWORD ms) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    std::vector<HWND> found = TopLevelWindowsTitled(title);
    if (!found.empty()) return found.front();
    if (::GetTickCount() - start > ms) return nullptr;
    ::Sleep(5);
  }
}

int Alpha(HWND hwnd) {
  BYTE alpha = 0;
  DWORD flags = 0;
  if (!::GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &flags) || !(flags & LWA_ALPHA))
    return 255;
  return alpha;
}

// The opacity of a layered window, or -1 when it cannot be read (the window is going).
int LayeredAlpha(HWND hwnd) {
  BYTE alpha = 0;
  DWORD flags = 0;
  if (!::GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &flags) || !(flags & LWA_ALPHA))
    return -1;
  return alpha;
}

HWND WaitForOwned(const wchar_t* title, DWORD ms, bool visible) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (HWND app = WaitFor(title, 0)) {
      HWND form = OwnedWindow(app);
      if (form != nullptr && (!visible || ::IsWindowVisible(form))) return form;
    }
    if (::GetTickCount() - start > ms) return nullptr;
    ::Sleep(1);
  }
}

// Waits up to `ms` for the owned window of the TITLE window to become visible and returns it,
// with the opacity it had when it became visible in `alpha_when_shown`. A program may change its
// opacity one timer tick (10 ms) after it shows the window, and this process can be scheduled much
// later than that on a busy machine, so once the window exists the program's thread runs only in
// short slices and is suspended while the window is looked at: the first visible state read is the
// one the program showed, however late the look comes.
HWND WaitForShownFrozen(const wchar_t* title, DWORD ms, int& alpha_when_shown) {
  const DWORD start = ::GetTickCount();
  HWND form = WaitForOwned(title, ms, false);
  if (form == nullptr) return nullptr;
  const DWORD thread_id = ::GetWindowThreadProcessId(form, nullptr);
  const vornada::win::UniqueKernelHandle thread(
      ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, thread_id));
  if (!thread) return nullptr;
  for (;;) {
    if (::SuspendThread(thread.get()) == static_cast<DWORD>(-1)) return nullptr;
    HWND app = WaitFor(title, 0);
    HWND shown = app != nullptr ? OwnedWindow(app) : nullptr;
    const bool visible = shown != nullptr && ::IsWindowVisible(shown);
    if (visible) alpha_when_shown = Alpha(shown);
    ::ResumeThread(thread.get());
    if (visible) return shown;
    if (::GetTickCount() - start > ms) return nullptr;
    ::Sleep(1);
  }
}

void CollectWindowsOf(DWORD process_id, std::set<HWND>& seen) {
  struct Data {
    DWORD process_id;
    std::set<HWND>* seen;
  } data{process_id, &seen};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lparam) -> BOOL {
        auto* d = reinterpret_cast<Data*>(lparam);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        if (owner == d->process_id) d->seen->insert(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&data));
}

// Quotes one argument for a command line.
std::wstring Quoted(const std::wstring& argument) { return L"\"" + argument + L"\""; }

int Run(DWORD limit, int argc, wchar_t** argv, int first) {
  if (first >= argc) return 2;
  std::wstring command;
  for (int i = first; i < argc; ++i) command += (i > first ? L" " : L"") + Quoted(argv[i]);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  const ULONGLONG start = ::GetTickCount64();
  if (!::CreateProcessW(argv[first], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
    return 1;
  const vornada::win::UniqueKernelHandle process(info.hProcess);
  const vornada::win::UniqueKernelHandle thread(info.hThread);
  std::set<HWND> seen;
  for (;;) {
    CollectWindowsOf(info.dwProcessId, seen);
    if (::WaitForSingleObject(process.get(), 1) == WAIT_OBJECT_0) break;
    if (::GetTickCount64() - start > limit) break;
  }
  const ULONGLONG elapsed = ::GetTickCount64() - start;
  DWORD status = STILL_ACTIVE;
  ::GetExitCodeProcess(process.get(), &status);
  std::printf("%lu %llu %zu\n", status, elapsed, seen.size());
  return 0;
}

// UTF-16 text as UTF-8.
std::string Utf8(std::wstring_view text) {
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                          nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes > 0 ? bytes : 0, '\0');
  if (bytes > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(),
                          bytes, nullptr, nullptr);
  return utf8;
}

// The text of a window as UTF-8.
std::string WindowTextUtf8(HWND hwnd) {
  const LRESULT length = ::SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got =
      ::SendMessageW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got));
  return Utf8(text);
}

bool WriteFileUtf8(const wchar_t* path, const std::string& data) {
  vornada::win::UniqueFile out(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return false;
  DWORD written = 0;
  return data.empty() || (::WriteFile(out.get(), data.data(), static_cast<DWORD>(data.size()),
                                      &written, nullptr) &&
                          written == data.size());
}

// The innermost visible child of `window` at window point (x, y).
HWND ChildAt(HWND window, int x, int y) {
  POINT screen{x, y};
  RECT frame;
  ::GetWindowRect(window, &frame);
  screen.x += frame.left;
  screen.y += frame.top;
  HWND current = window;
  for (;;) {
    POINT client = screen;
    ::ScreenToClient(current, &client);
    HWND child = ::ChildWindowFromPointEx(current, client, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (child == nullptr || child == current) return current;
    current = child;
  }
}

// A visible layered window of the process at full opacity.
bool HasOpaqueLayeredWindow(DWORD process_id) {
  std::set<HWND> windows;
  CollectWindowsOf(process_id, windows);
  for (HWND w : windows) {
    if (!::IsWindowVisible(w)) continue;
    if (!(::GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_LAYERED)) continue;
    BYTE alpha = 0;
    DWORD flags = 0;
    if (::GetLayeredWindowAttributes(w, nullptr, &alpha, &flags) && (flags & LWA_ALPHA) &&
        alpha == 255)
      return true;
  }
  return false;
}

int Startup(DWORD limit, int argc, wchar_t** argv, int first) {
  if (first >= argc) return 2;
  std::wstring command;
  for (int i = first; i < argc; ++i) command += (i > first ? L" " : L"") + Quoted(argv[i]);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  LARGE_INTEGER frequency, start, now;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  if (!::CreateProcessW(argv[first], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
    return 1;
  const vornada::win::UniqueKernelHandle process(info.hProcess);
  const vornada::win::UniqueKernelHandle thread(info.hThread);
  bool seen = false;
  double elapsed_ms = 0;
  for (;;) {
    seen = HasOpaqueLayeredWindow(info.dwProcessId);
    ::QueryPerformanceCounter(&now);
    elapsed_ms = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                 static_cast<double>(frequency.QuadPart);
    if (seen || elapsed_ms > limit) break;
    if (::WaitForSingleObject(process.get(), 1) == WAIT_OBJECT_0) break;
  }
  ::TerminateProcess(process.get(), 0);
  ::WaitForSingleObject(process.get(), 10000);
  if (!seen) return 1;
  std::printf("%.1f\n", elapsed_ms);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring command = argv[1];
  auto arg = [&](int i) -> const wchar_t* { return i < argc ? argv[i] : L""; };
  auto ms = [&](int i) -> DWORD { return i < argc ? static_cast<DWORD>(_wtoi(argv[i])) : 10000; };

  if (command == L"find") {
    HWND hwnd = WaitFor(arg(2), ms(3));
    if (hwnd == nullptr) return 1;
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hwnd)));
    return 0;
  }
  if (command == L"form") {
    HWND form = WaitForOwned(arg(2), ms(3), true);
    if (form == nullptr) return 1;
    RECT r;
    ::GetWindowRect(form, &r);
    std::printf("%ld %ld %ld %ld %d\n", r.left, r.top, r.right - r.left, r.bottom - r.top,
                Alpha(form));
    return 0;
  }
  if (command == L"watch-alpha") {
    const DWORD limit = ms(3);
    const DWORD start = ::GetTickCount();
    if (argc > 4 && !WriteFileUtf8(arg(4), "ready")) return 1;
    int first = 0;
    HWND form = WaitForShownFrozen(arg(2), limit, first);
    if (form == nullptr) return 1;
    std::vector<int> seen{first};
    DWORD opaque_since = 0;
    while (::GetTickCount() - start <= limit) {
      const int a = Alpha(form);
      if (seen.back() != a) seen.push_back(a);
      if (a == 255) {
        if (opaque_since == 0) opaque_since = ::GetTickCount();
        if (::GetTickCount() - opaque_since >= 300) break;
      } else {
        opaque_since = 0;
      }
      ::Sleep(1);
    }
    for (size_t i = 0; i < seen.size(); ++i) std::printf(i ? " %d" : "%d", seen[i]);
    std::printf("\n");
    return seen.back() != 255 ? 1 : 0;
  }
  if (command == L"owned-visible") {
    HWND app = WaitFor(arg(2), 0);
    if (app == nullptr) return 1;
    HWND form = OwnedWindow(app);
    std::printf("%d\n", form != nullptr && ::IsWindowVisible(form) ? 1 : 0);
    return 0;
  }
  if (command == L"minimize") {
    HWND app = WaitFor(arg(2), 0);
    if (app == nullptr) return 1;
    ::ShowWindow(app, SW_MINIMIZE);
    return 0;
  }
  if (command == L"count") {
    std::printf("%zu\n", TopLevelWindowsTitled(arg(2)).size());
    return 0;
  }
  if (command == L"desktop") {
    std::printf("%d %d %d %d\n", ::GetSystemMetrics(SM_XVIRTUALSCREEN),
                ::GetSystemMetrics(SM_YVIRTUALSCREEN), ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                ::GetSystemMetrics(SM_CYVIRTUALSCREEN));
    return 0;
  }
  if (command == L"clip-set") {
    const std::wstring text = arg(2);
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    vornada::win::UniqueGlobal data(::GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!data) return 1;
    {
      vornada::win::ScopedGlobalLock locked(data.get());
      if (locked.get() == nullptr) return 1;
      std::memcpy(locked.get(), text.c_str(), bytes);
    }
    vornada::win::ScopedClipboard clipboard(nullptr);
    if (!clipboard.IsOpen()) return 1;
    ::EmptyClipboard();
    if (::SetClipboardData(CF_UNICODETEXT, data.get()) == nullptr) return 1;
    data.release();  // the clipboard owns it now
    return 0;
  }
  if (command == L"clip-count") {
    // Counting needs no open clipboard, so a program holding it open cannot make this fail.
    std::printf("%d\n", ::CountClipboardFormats());
    return 0;
  }
  if (command == L"clip-text") {
    std::string utf8;
    {
      vornada::win::ScopedClipboard clipboard(nullptr);
      if (!clipboard.IsOpen()) return 1;
      HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
      if (data == nullptr) return 1;
      const size_t max_chars = ::GlobalSize(data) / sizeof(wchar_t);
      vornada::win::ScopedGlobalLock locked(data);
      const auto* text = static_cast<const wchar_t*>(locked.get());
      if (text == nullptr) return 1;
      size_t n = 0;
      while (n < max_chars && text[n] != L'\0') ++n;
      utf8 = Utf8(std::wstring_view(text, n));
    }
    return WriteFileUtf8(arg(2), utf8) ? 0 : 1;
  }
  if (command == L"clip-empty") {
    vornada::win::ScopedClipboard clipboard(nullptr);
    if (!clipboard.IsOpen()) return 1;
    return ::EmptyClipboard() ? 0 : 1;
  }
  if (command == L"attrs") {
    const DWORD attributes = ::GetFileAttributesW(arg(2));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      std::printf("-1\n");
    } else {
      std::printf("%lu\n", attributes);
    }
    return 0;
  }
  if (command == L"app-exstyle") {
    HWND app = WaitFor(arg(2), 0);
    if (app == nullptr) return 1;
    std::printf("%08lx\n", static_cast<unsigned long>(::GetWindowLongW(app, GWL_EXSTYLE)));
    return 0;
  }
  if (command == L"topmost") {
    HWND app = WaitFor(arg(2), 0);
    if (app == nullptr) return 1;
    HWND form = OwnedWindow(app);
    if (form == nullptr) return 1;
    std::printf("%d\n", (::GetWindowLongW(form, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0);
    return 0;
  }
  if (command == L"taskbar-close") {
    HWND app = WaitFor(arg(2), 0);
    if (app == nullptr) return 1;
    return ::PostMessageW(app, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
  }
  if (command == L"end-session") {
    HWND app = WaitFor(arg(2), 0);
    if (app == nullptr) return 1;
    DWORD process_id = 0;
    ::GetWindowThreadProcessId(app, &process_id);
    std::set<HWND> windows;
    CollectWindowsOf(process_id, windows);
    // As the system does: every window is asked first, then every window is told.
    bool all_agree = true;
    for (HWND w : windows) {
      DWORD_PTR answer = 0;
      ::SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
      std::printf("%d\n", answer ? 1 : 0);
      all_agree = all_agree && answer != 0;
    }
    for (HWND w : windows) {
      DWORD_PTR ignored = 0;
      ::SendMessageTimeoutW(w, WM_ENDSESSION, all_agree ? TRUE : FALSE, 0, SMTO_ABORTIFHUNG, 5000,
                            &ignored);
    }
    return 0;
  }
  if (command == L"focus-class") {
    HWND app = WaitFor(arg(2), 0);
    if (app == nullptr) return 1;
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(app, nullptr), &info)) return 1;
    wchar_t name[256] = {};
    if (info.hwndFocus != nullptr) ::GetClassNameW(info.hwndFocus, name, 256);
    std::printf("%ls\n", name);
    return 0;
  }
  if (command == L"launch") {
    const std::wstring assignment = arg(2);
    const size_t equals = assignment.find(L'=');
    if (equals == std::wstring::npos || argc < 4) return 2;
    if (!::SetEnvironmentVariableW(assignment.substr(0, equals).c_str(),
                                   assignment.substr(equals + 1).c_str()))
      return 1;
    std::wstring command_line = Quoted(argv[3]);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(argv[3], command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &info))
      return 1;
    const vornada::win::UniqueKernelHandle process(info.hProcess);
    const vornada::win::UniqueKernelHandle thread(info.hThread);
    return 0;
  }
  if (command == L"watch-change") {
    const DWORD limit = ms(3);
    const DWORD start = ::GetTickCount();
    HWND form = WaitForOwned(arg(2), limit, true);
    if (form == nullptr) return 1;
    const int initial = LayeredAlpha(form);
    if (initial < 0) return 1;
    std::vector<int> seen{initial};
    if (argc > 4 && !WriteFileUtf8(arg(4), "ready")) return 1;
    bool changed = false;
    bool gone = false;
    DWORD stable_since = ::GetTickCount();
    while (::GetTickCount() - start <= limit) {
      if (!::IsWindow(form) || !::IsWindowVisible(form)) {
        gone = true;
        break;
      }
      const int a = LayeredAlpha(form);
      if (a < 0) {
        gone = true;
        break;
      }
      if (a != seen.back()) {
        seen.push_back(a);
        changed = true;
        stable_since = ::GetTickCount();
      } else if (changed && ::GetTickCount() - stable_since >= 300) {
        break;
      }
      ::Sleep(1);
    }
    for (size_t i = 0; i < seen.size(); ++i) std::printf(i ? " %d" : "%d", seen[i]);
    std::printf(gone ? " gone\n" : "\n");
    return changed || gone ? 0 : 1;
  }
  if (command == L"child") {
    HWND app = WaitFor(arg(2), 0);
    if (app == nullptr) return 1;
    HWND form = OwnedWindow(app);
    if (form == nullptr) return 1;
    HWND child = ChildAt(form, _wtoi(arg(3)), _wtoi(arg(4)));
    wchar_t name[256] = {};
    ::GetClassNameW(child, name, 256);
    RECT r, f;
    ::GetWindowRect(child, &r);
    ::GetWindowRect(form, &f);
    std::printf("%ls %ld %ld %ld %ld %d\n", name, r.left - f.left, r.top - f.top,
                r.right - r.left, r.bottom - r.top, ::IsWindowEnabled(child) ? 1 : 0);
    if (argc > 5 && !WriteFileUtf8(arg(5), WindowTextUtf8(child))) return 1;
    return 0;
  }
  if (command == L"restore") {
    HWND app = WaitFor(arg(2), 0);
    if (app == nullptr) return 1;
    return ::PostMessageW(app, WM_SYSCOMMAND, SC_RESTORE, 0) ? 0 : 1;
  }
  if (command == L"set-attrs") {
    return ::SetFileAttributesW(arg(2), static_cast<DWORD>(_wtoi(arg(3)))) ? 0 : 1;
  }
  if (command == L"idle") return 0;
  if (command == L"run") return Run(ms(2), argc, argv, 3);
  if (command == L"startup") return Startup(ms(2), argc, argv, 3);
  return 2;
}
