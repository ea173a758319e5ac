// A small Windows console tool the end-to-end tests use to look at and poke the running
// program from another process:
//   probe find TITLE MS           wait for a top-level window titled TITLE; print its handle
//   probe form TITLE MS           wait for the visible window owned by the TITLE window; print
//                                 "left top width height alpha"
//   probe watch-alpha TITLE MS    from before the owned window appears until its opacity stays
//                                 at 255 (or MS pass), print every opacity it showed, in order
//   probe owned-visible TITLE     print 1 when the owned window is visible, else 0
//   probe minimize TITLE          minimise the TITLE window (as the taskbar would)
//   probe count TITLE             print how many top-level windows are titled TITLE
//   probe desktop                 print "left top width height" of the whole desktop
//   probe clip-set TEXT           put TEXT on the clipboard
//   probe clip-count              print how many formats the clipboard holds
// Exit status 0 on success, 1 when a wait timed out or a command failed, 2 on bad usage.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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
    HWND form = WaitForOwned(arg(2), limit, true);
    if (form == nullptr) return 1;
    std::vector<int> seen;
    DWORD opaque_since = 0;
    while (::GetTickCount() - start <= limit) {
      const int a = Alpha(form);
      if (seen.empty() || seen.back() != a) seen.push_back(a);
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
    return seen.empty() || seen.back() != 255 ? 1 : 0;
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
    if (!::OpenClipboard(nullptr)) return 1;
    ::EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL data = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(::GlobalLock(data), text.c_str(), bytes);
    ::GlobalUnlock(data);
    const bool ok = ::SetClipboardData(CF_UNICODETEXT, data) != nullptr;
    ::CloseClipboard();
    return ok ? 0 : 1;
  }
  if (command == L"clip-count") {
    if (!::OpenClipboard(nullptr)) return 1;
    std::printf("%d\n", ::CountClipboardFormats());
    ::CloseClipboard();
    return 0;
  }
  return 2;
}
