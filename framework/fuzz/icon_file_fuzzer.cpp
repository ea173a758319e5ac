// libFuzzer target: icon files from arbitrary bytes. Every malformed file must fail with
// EInvalidGraphic; nothing may read outside the data or allocate without bound.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "IconFile.h"
#include "SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vornada;
  try {
    const std::vector<icon::IconEntry> entries = icon::ParseDirectory(data, size);
    (void)icon::FileEnd(entries);
    const size_t chosen = icon::ChooseEntry(entries, 32, 32);
    for (const icon::IconEntry& e : entries) {
      try {
        const icon::ImageInfo info = icon::CheckImage(data, size, e);
        if (info.width <= 0 || info.height <= 0) __builtin_trap();
      } catch (const EInvalidGraphic&) {
      }
    }
    if (chosen >= entries.size()) __builtin_trap();
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
