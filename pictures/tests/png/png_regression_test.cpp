// Replays the fuzz target's work on every saved crash input (pictures/tests/data/png/regress/)
// and on the seed corpus: nothing may abort, and every seed must load and survive the whole
// workout (export, blend, pixel access, save, reload, resize).
#include <gtest/gtest.h>

#include "PngTestSupport.h"
#include "fuzz/png_load_workout.h"

namespace vornada::png::test {
namespace {

using vornada::testing::FilesIn;

// Saved crash inputs may load or fail; they must not abort. Every seed must load.
TEST(PngRegression, FuzzWorkoutOnSeedsAndSavedCrashInputs) {
  for (const auto& path : FilesIn(RegressionDir(), "")) {
    SCOPED_TRACE(path);
    std::vector<uint8_t> bytes = RequireFileBytes(path);
    RunPngLoadWorkout(bytes.data(), bytes.size());  // aborts on a fault
  }
  const auto seeds = FilesIn(vornada::testing::SourcePath("pictures/fuzz/corpus/png"), "");
  ASSERT_GE(seeds.size(), 5u);
  for (const auto& path : seeds) {
    SCOPED_TRACE(path);
    std::vector<uint8_t> bytes = RequireFileBytes(path);
    EXPECT_TRUE(RunPngLoadWorkout(bytes.data(), bytes.size()));
  }
}

}  // namespace
}  // namespace vornada::png::test
