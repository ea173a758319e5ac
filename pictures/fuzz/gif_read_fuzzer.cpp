// libFuzzer target for the GIF core: reads the input as a GIF, decodes every frame, composes
// every frame index in order (the way the animator steps through them) and writes the picture
// back, reading the written GIF again. Only the core's own errors may come out of any step, and
// the picture never holds more than its memory budget: the pictures keep their default limits
// and budget, which are what bound the memory an input can make them take.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "gif/GifCompose.h"
#include "gif/GifPicture.h"

using namespace vornada::gif;

namespace {
void CheckBudget(const GifPicture& picture) {
  if (picture.MemoryUsed() > picture.MemoryLimit()) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  GifPicture picture;
  try {
    picture.Load(std::span<const uint8_t>(data, size), /*decode_first=*/false);
  } catch (const GifError&) {
  }
  CheckBudget(picture);
  const size_t frames = picture.FrameCount();
  if (frames > 0 && picture.CurrentFrame() < 0) picture.SetCurrentFrame(0);
  for (size_t i = 0; i < frames; ++i) {
    try {
      picture.FrameBitmapAt(i);
    } catch (const GifError&) {
    }
  }
  CheckBudget(picture);
  Composition cache;
  for (size_t i = 0; i < frames && i < 64; ++i) {
    try {
      ComposeFrame(picture, static_cast<int>(i), cache);
    } catch (const GifError&) {
    }
  }
  CheckBudget(picture);
  std::vector<uint8_t> written;
  try {
    written = picture.Save();
  } catch (const GifError&) {
    return 0;
  }
  GifPicture again;
  try {
    again.Load(written, false);
  } catch (const GifError&) {
    std::abort();  // whatever the core writes, it must read back
  }
  if (again.FrameCount() != frames) std::abort();
  return 0;
}
