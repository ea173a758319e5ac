// Start-up of the units the program is built from, before anything else runs: the picture
// classes enter the picture registry (so that pictures stored in the window's description can
// name them).
#pragma once

namespace vornada {

void RunUnitStartup();

}  // namespace vornada
