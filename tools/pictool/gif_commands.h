// pictool's GIF commands (info, frames, compose, resave, bench) on the portable GIF core.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tool_common.h"

namespace vornada::pictool {

// True when the data starts with "GIF" (in any case, as the GIF reader accepts it).
bool GifSniff(const uint8_t* data, size_t size);

// Runs one command; returns the process exit status (0 ok, 1 bad input or I/O failure,
// 2 unknown command or arguments).
int RunGifCommand(const CommandLine& line);

}  // namespace vornada::pictool
