// Error texts and small helpers of the GIF codec core's basic types.
#include "GifTypes.h"

#include <cstdio>

namespace vornada::gif {

int ColorMap::IndexOf(Color color) const {
  const uint32_t n = count > 256 ? 256 : count;
  for (uint32_t i = 0; i < n; ++i) {
    if (ColorAt(i) == color) return static_cast<int>(i);
  }
  return -1;
}

int BitsForCount(uint32_t count) {
  int bits = 1;
  while (bits < 8 && (uint32_t{1} << bits) < count) ++bits;
  return bits;
}

GifError::GifError(ErrorKind kind, const std::string& message)
    : std::runtime_error(message), kind_(kind) {}

GifError GifError::UnknownVersion() {
  return GifError(ErrorKind::kUnknownVersion, "Unknown GIF version");
}
GifError GifError::UnrecognizedExtension(uint8_t label) {
  char text[64];
  std::snprintf(text, sizeof text, "Unrecognized extension block: %.2x", label);
  return GifError(ErrorKind::kUnrecognizedExtension, text);
}
GifError GifError::WrongColorCount() {
  return GifError(ErrorKind::kWrongColorCount, "Wrong number of colors; must be a power of 2");
}
GifError GifError::StreamRead() { return GifError(ErrorKind::kStreamRead, "Stream read error"); }
GifError GifError::ShortData() { return GifError(ErrorKind::kShortData, "Stream read error"); }
GifError GifError::NoDataToWrite() {
  return GifError(ErrorKind::kNoDataToWrite, "No GIF Data to write");
}
GifError GifError::EncodingError() {
  return GifError(ErrorKind::kEncodingError, "GIF image encoding error");
}
GifError GifError::CannotChangeSize() {
  return GifError(ErrorKind::kCannotChangeSize, "Cannot change the Size of a GIF image");
}
GifError GifError::TooLarge() { return GifError(ErrorKind::kTooLarge, "GIF image too large"); }
GifError GifError::OutOfMemory() { return GifError(ErrorKind::kOutOfMemory, "Out of memory"); }

}  // namespace vornada::gif
