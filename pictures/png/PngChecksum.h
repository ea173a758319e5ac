// The Adler-32 checksum that closes a zlib stream, computed here so that the image data's
// check costs less than zlib's own byte-at-a-time loop: sixteen bytes per step in SSE2
// registers where the target has them.
// Portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vornada::png {

// The Adler-32 value of `adler` (1 for an empty stream) extended by `length` bytes at `data`.
uint32_t Adler32(uint32_t adler, const uint8_t* data, size_t length);

}  // namespace vornada::png
