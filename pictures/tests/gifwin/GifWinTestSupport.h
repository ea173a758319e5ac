// Helpers of the tests of the GIF picture class, the threaded timer and the GIF animator under
// Wine that are about GIF pictures: fixture bytes and pictures read from them. Everything
// general (message pumping, the stage form, pixels, the watchdog) is the shared test support's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "GifImage.h"
#include "WinTestSupport.h"

namespace vornada::gifwin_test {

// Bytes of a fixture: NAME from the GIF core's fixtures, or "window/NAME" from the window-like
// GIFs of this folder's data.
std::vector<uint8_t> FixtureBytes(const std::string& name);
// The GIF core fixtures that read without an error.
std::vector<std::string> ReadableCoreFixtures();

// A picture read from the bytes (through LoadFromStream).
std::unique_ptr<TGIFImage> LoadGif(const std::vector<uint8_t>& bytes);

}  // namespace vornada::gifwin_test
