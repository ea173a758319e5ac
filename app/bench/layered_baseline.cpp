// The baseline of the start-up benchmark: a minimal program that shows a borderless, topmost,
// layered window of the question screen's size (405 x 150), centred on the desktop. By default
// it fades in as the program does (opacity from 0 in steps of 15 every 10 ms), so the
// benchmark compares the start-up work and not the fade; with --opaque it shows at full opacity
// at once. It runs until it is ended from outside.
#include <windows.h>

#include <cwchar>

#include "WinHandles.h"

namespace {

constexpr int kWidth = 405;
constexpr int kHeight = 150;
constexpr UINT_PTR kFadeTimer = 1;
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
  const bool opaque = command_line != nullptr && std::wcsstr(command_line, L"--opaque") != nullptr;
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
  const vornada::win::UniqueWindow window(::CreateWindowExW(
      WS_EX_LAYERED | WS_EX_TOPMOST, wc.lpszClassName, L"layered baseline", WS_POPUP, left, top,
      kWidth, kHeight, nullptr, nullptr, instance, nullptr));
  if (!window) return 1;
  g_alpha = opaque ? 255 : 0;
  ::SetLayeredWindowAttributes(window.get(), 0, g_alpha, LWA_ALPHA);
  ::ShowWindow(window.get(), SW_SHOW);
  if (!opaque) ::SetTimer(window.get(), kFadeTimer, 10, nullptr);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
