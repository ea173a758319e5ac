// Program entry: one instance at a time, then the main window and the message loop.
#include <windows.h>

#include "Forms.h"
#include "Startup.h"
#include "Unit1.h"
#include "WinHandles.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace vornada;
  RunUnitStartup();
  // The marker stays open for the whole process; only its existence matters. Its owner is
  // deliberately never destroyed (neither when this function returns nor by the static
  // destructors, while the window may still be closing): the system closes the handle when the
  // process ends.
  const auto* marker = new win::UniqueKernelHandle(::CreateFileMappingA(
      INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kInstanceMarkerSize, kInstanceMarkerName));
  const bool another_instance_runs = ::GetLastError() == ERROR_ALREADY_EXISTS;
  (void)marker;
  if (another_instance_runs) {
    if (HWND running = ::FindWindowA(nullptr, kApplicationTitleAnsi))
      ::ShowWindow(running, SW_RESTORE);
    return 0;
  }
  Application()->Initialize();
  Application()->SetTitle(kApplicationTitle);
  Application()->CreateForm<TMainForm>();
  Application()->Run();
  return 0;
}
