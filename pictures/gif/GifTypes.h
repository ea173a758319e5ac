// Basic types of the GIF codec core: colour values, colour maps, the one exception type with
// its error kinds and message texts, progress reporting and the size limits that guard every
// allocation made for decoded pixels.
//
// Portable: no platform headers. Everything here is plain value types; nothing owns resources.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace vornada::gif {

// A colour value as the framework stores it: 0x00BBGGRR (red in the low byte).
using Color = uint32_t;

// The framework's "no colour" value.
constexpr Color clNone = 0x1FFFFFFF;

constexpr Color MakeColor(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<Color>(red) | (static_cast<Color>(green) << 8) |
         (static_cast<Color>(blue) << 16);
}
constexpr uint8_t RedOf(Color c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t GreenOf(Color c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t BlueOf(Color c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

// The colour an index shows when it lies beyond the entries of its colour map.
constexpr Color kMissingEntryColor = MakeColor(128, 128, 128);

struct RgbEntry {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const RgbEntry&) const = default;
};

// A colour table as a GIF holds it: `count` used entries (0 = no table) of 256 slots; unused
// slots stay zero.
struct ColorMap {
  uint32_t count = 0;
  std::array<RgbEntry, 256> entries{};

  bool Empty() const { return count == 0; }
  // Colour value of entry `index` (entries beyond `count` read as zero).
  Color ColorAt(size_t index) const {
    const RgbEntry& e = entries[index & 0xFF];
    return MakeColor(e.red, e.green, e.blue);
  }
  // First entry below `count` whose colour equals `color`; -1 when there is none.
  int IndexOf(Color color) const;
  void Clear() { *this = ColorMap{}; }
  bool operator==(const ColorMap&) const = default;
};

// True when `count` is 2, 4, 8, ..., 256.
constexpr bool IsValidColorCount(uint32_t count) {
  return count >= 2 && count <= 256 && (count & (count - 1)) == 0;
}
// The number of bits that index `count` entries: 1 for up to 2, 2 for up to 4, ... 8 for 256.
int BitsForCount(uint32_t count);

enum class ErrorKind {
  kUnknownVersion,          // "Unknown GIF version"
  kUnrecognizedExtension,   // "Unrecognized extension block: %.2x"
  kWrongColorCount,         // "Wrong number of colors; must be a power of 2"
  kStreamRead,              // "Stream read error": unexpected byte or truncated structure
  kShortData,               // "Stream read error": fewer bytes than a length prefix announced
  kNoDataToWrite,           // "No GIF Data to write"
  kEncodingError,           // "GIF image encoding error"
  kCannotChangeSize,        // "Cannot change the Size of a GIF image"
  kTooLarge,                // "GIF image too large": a bitmap beyond the decoding limits
  kOutOfMemory,             // "Out of memory": beyond the picture's memory budget
};

// The one exception type of the core. The Win32 picture class maps kShortData to the
// framework's stream read error, kOutOfMemory to its out-of-memory error and every other kind
// to its invalid-graphic-operation error; the message text is the same either way.
class GifError : public std::runtime_error {
 public:
  explicit GifError(ErrorKind kind, const std::string& message);
  ErrorKind kind() const { return kind_; }

  static GifError UnknownVersion();
  static GifError UnrecognizedExtension(uint8_t label);
  static GifError WrongColorCount();
  static GifError StreamRead();
  static GifError ShortData();
  static GifError NoDataToWrite();
  static GifError EncodingError();
  static GifError CannotChangeSize();
  static GifError TooLarge();
  static GifError OutOfMemory();

 private:
  ErrorKind kind_;
};

// Stages of a decoding as the picture's progress notification reports them.
enum class ProgressStage { kStarting, kRunning, kEnding };
// Called with the stage and, while running, the percentage (0..100) of the frame's encoded
// data consumed so far.
using ProgressCallback = std::function<void(ProgressStage stage, int percent)>;

// Limits that keep a single bitmap within reason: a frame's bitmap and a composed logical
// screen may hold at most `max_pixels` pixels. Frames and screens up to 65535 x 65535 are legal
// GIF, so the rule is about memory, not about the format. What a picture holds in all is bounded
// by its memory budget (GifPicture::MemoryLimit).
struct Limits {
  uint64_t max_pixels = uint64_t{1} << 26;  // 67,108,864 pixels (8192 x 8192)
};

}  // namespace vornada::gif
