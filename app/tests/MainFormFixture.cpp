// The real main window over a scratch hosts file (see MainFormFixture.h).
#include "MainFormFixture.h"

#include "Forms.h"
#include "Startup.h"
#include "Unit1.h"

namespace vornada::testing {

ScratchHosts& ShowMainFormOver(const std::string& hosts_bytes) {
  // Never freed: the window and its tests use the folder until the program ends.
  auto* hosts = new ScratchHosts();
  WriteBytes(hosts->HostsPath(), hosts_bytes);
  RunUnitStartup();
  Application()->SetTitle(kApplicationTitle);
  Application()->CreateForm<TMainForm>();
  MainForm->Show();
  PumpUntil([] { return !MainForm->ShowTimer->Enabled(); }, 5000);
  return *hosts;
}

}  // namespace vornada::testing
