// libFuzzer target for the PNG core: every input goes through RunPngLoadWorkout (load, and for
// loadable inputs export, blend, pixel access, save, reload and resize). Inputs that crash are
// kept under pictures/tests/data/png/regress/, where png_core_test replays them.
#include <cstddef>
#include <cstdint>

#include "png_load_workout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vornada::png::RunPngLoadWorkout(data, size);
  return 0;
}
