// libFuzzer target for the bitmap-file reader and writer (see bmp_workout.h for what each input
// goes through).
#include <cstddef>
#include <cstdint>

#include "bmp_workout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vornada::bmp::RunBmpWorkout(data, size);
  return 0;
}
