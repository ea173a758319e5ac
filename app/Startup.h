// Start-up of the units the program is built from, before anything else runs: the picture
// classes enter the picture registry (so that pictures stored in the window's description can
// name them), and the component classes the design reader creates by name enter its registry.
#pragma once

namespace vornada {

void RunUnitStartup();

}  // namespace vornada
