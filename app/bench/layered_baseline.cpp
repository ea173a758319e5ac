// The baseline of the start-up benchmark: a minimal program that shows a borderless, topmost,
// layered window of the question screen's size (405 x 150), centred on the desktop. By default
// it fades in as the program does (opacity from 0 in steps of 15 every 10 ms), so the
// benchmark compares the start-up work and not the fade; with --opaque it shows at full opacity
// at once. With --idle-timer it is the baseline of the idle benchmark: the window shown opaque
// with one 10 ms timer that does nothing, running for ever (the least a program with a 10 ms
// watch costs while idle). It runs until it is ended from outside.
#include <windows.h>

#include <cwchar>

#include "WinHandles.h"

namespace {

constexpr int kWidth = 405;
constexpr int kHeight = 150;
constexpr UINT_PTR kFadeTimer = 1;
constexpr UINT_PTR kIdleTimer = 2;
constexpr BYTE kFadeStep = 15;

BYTE g_alpha = 0;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_TIMER:
      if (wparam == kFadeTimer) {
        if (g_alpha == 255) {
          ::KillTimer(hwnd, kFadeTimer);
        } else {
          g_alpha = static_cast<BYTE>(g_alpha + kFadeStep);
          ::SetLayeredWindowAttributes(hwnd, 0, g_alpha, LWA_ALPHA);
        }
      }
      return 0;
    case WM_PAINT: {
      vornada::win::ScopedPaint paint(hwnd);
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
  const auto has = [command_line](const wchar_t* option) {
    return command_line != nullptr && std::wcsstr(command_line, option) != nullptr;
  };
  const bool idle_timer = has(L"--idle-timer");
  const bool opaque = idle_timer || has(L"--opaque");
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = L"VornadaLayeredBaseline";
  ::RegisterClassExW(&wc);
  const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN) +
                   (::GetSystemMetrics(SM_CXVIRTUALSCREEN) - kWidth) / 2;
  const int top = ::GetSystemMetrics(SM_YVIRTUALSCREEN) +
                  (::GetSystemMetrics(SM_CYVIRTUALSCREEN) - kHeight) / 2;
  // The idle baseline runs beside the program under test and must not take its activation.
  const DWORD ex_style =
      WS_EX_LAYERED | WS_EX_TOPMOST | (idle_timer ? WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW : 0);
  const vornada::win::UniqueWindow window(::CreateWindowExW(
      ex_style, wc.lpszClassName, L"layered baseline", WS_POPUP, left, top,
      kWidth, kHeight, nullptr, nullptr, instance, nullptr));
  if (!window) return 1;
  g_alpha = opaque ? 255 : 0;
  ::SetLayeredWindowAttributes(window.get(), 0, g_alpha, LWA_ALPHA);
  ::ShowWindow(window.get(), idle_timer ? SW_SHOWNOACTIVATE : SW_SHOW);
  if (!opaque) ::SetTimer(window.get(), kFadeTimer, 10, nullptr);
  if (idle_timer) ::SetTimer(window.get(), kIdleTimer, 10, nullptr);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
