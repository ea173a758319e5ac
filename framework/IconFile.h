// Icon files (.ico) without any window system: reading and checking the directory and the
// image of an entry, choosing the entry that fits a wanted size, and writing a one-image icon
// file from 32-bit pixels and a mask. Portable (no windows.h); every size and offset is checked
// against the data before it is used, and malformed files fail with EInvalidGraphic.
//
// Layout: a 6-byte header (reserved 0, type 1, entry count), 16 bytes per entry (width, height,
// colour count, reserved, planes, bits per pixel, image size, image offset; a width or height
// of 0 means 256), then the images: each either a PNG file or a device-independent bitmap
// (40-byte or larger header whose height counts the colour rows and the mask rows, colour
// table, colour rows bottom-up, then the 1-bit mask rows; rows padded to 4 bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vornada::icon {

inline constexpr size_t kHeaderSize = 6;
inline constexpr size_t kEntrySize = 16;
// Icon files larger than this are refused before anything is allocated for them.
inline constexpr size_t kMaxFileSize = size_t{16} << 20;
inline constexpr int kMaxEntries = 512;

struct IconEntry {
  int width = 0;   // 1 .. 256
  int height = 0;  // 1 .. 256
  int bit_count = 0;
  uint32_t size = 0;
  uint32_t offset = 0;
};

// The entry count of a file that starts with `header` (kHeaderSize bytes).
int EntryCount(const uint8_t* header);
// The directory of a file whose first kHeaderSize + count * kEntrySize bytes are `data`.
// Entries must point behind the directory; `FileEnd` tells how long the whole file is.
std::vector<IconEntry> ParseDirectory(const uint8_t* data, size_t size);
// Bytes from the file's start to the end of its last image.
size_t FileEnd(const std::vector<IconEntry>& entries);
// What an entry's image is, by its own header (the directory's sizes are not trusted).
struct ImageInfo {
  bool png = false;
  int width = 0;
  int height = 0;  // of the picture, without the mask rows
};
// Checks that an entry's image lies inside `file` and is a PNG file or a complete bitmap image
// of a supported depth (1, 4, 8, 24 or 32 bits, at most 256 x 256); throws EInvalidGraphic
// otherwise.
ImageInfo CheckImage(const uint8_t* file, size_t size, const IconEntry& entry);

// The entry whose size is nearest to `wanted_width` x `wanted_height` (larger ones preferred
// over smaller ones at equal distance), and among those the deepest colours; the first on ties.
size_t ChooseEntry(const std::vector<IconEntry>& entries, int wanted_width, int wanted_height);

// A one-image icon file: `bgra` holds width * height pixels (blue, green, red, alpha; rows from
// the top), `mask` one byte per pixel (non-zero: the pixel is transparent).
std::vector<uint8_t> BuildIconFile(int width, int height, const std::vector<uint8_t>& bgra,
                                   const std::vector<uint8_t>& mask);

}  // namespace vornada::icon
