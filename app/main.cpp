// Program entry: one instance at a time, then the main window and the message loop.
#include <windows.h>

#include "Forms.h"
#include "Startup.h"
#include "Unit1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace vornada;
  RunUnitStartup();
  // The marker is kept open (never closed) until the process ends; only its existence matters.
  const HANDLE marker = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                             kInstanceMarkerSize, kInstanceMarkerName);
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    if (HWND running = ::FindWindowA(nullptr, kApplicationTitleAnsi))
      ::ShowWindow(running, SW_RESTORE);
    return 0;
  }
  (void)marker;
  Application()->Initialize();
  Application()->SetTitle(kApplicationTitle);
  Application()->CreateForm<TMainForm>();
  Application()->Run();
  return 0;
}
