// The real main window over a scratch hosts file, for test programs that drive the screens: one
// window for the whole program, created as the program creates it, shown and faded in.
#pragma once

#include <string>

#include "WinTestSupport.h"

namespace vornada::testing {

// Writes `hosts_bytes` as the hosts file of a new scratch Windows folder, runs the program's
// start-up, creates the main form and shows it until its fade-in is over. The scratch folder
// lives as long as the test program.
ScratchHosts& ShowMainFormOver(const std::string& hosts_bytes);

}  // namespace vornada::testing
