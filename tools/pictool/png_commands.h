// pictool's PNG commands (info, decode, resave, bench) on the portable PNG core.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tool_common.h"

namespace vornada::pictool {

// True when the data starts with the PNG signature.
bool PngSniff(const uint8_t* data, size_t size);

// Runs one command; returns the process exit status (0 ok, 1 bad input or I/O failure,
// 2 unknown command or arguments).
int RunPngCommand(const CommandLine& line);

}  // namespace vornada::pictool
