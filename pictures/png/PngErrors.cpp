// Messages and class names of the PNG core's error kinds.
#include "PngErrors.h"

namespace vornada::png {

const char* ErrorClassName(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::InvalidFileHeader: return "EPngInvalidFileHeader";
    case ErrorKind::UnexpectedEnd: return "EPngUnexpectedEnd";
    case ErrorKind::IHDRNotFirst: return "EPngIHDRNotFirst";
    case ErrorKind::InvalidIHDR: return "EPngInvalidIHDR";
    case ErrorKind::SizeExceeds: return "EPngSizeExceeds";
    case ErrorKind::UnknownCompression: return "EPngUnknownCompression";
    case ErrorKind::UnknownInterlace: return "EPngUnknownInterlace";
    case ErrorKind::InvalidPalette: return "EPngInvalidPalette";
    case ErrorKind::MissingMultipleIDAT: return "EPngMissingMultipleIDAT";
    case ErrorKind::ZLIBError: return "EPngZLIBError";
    case ErrorKind::NoImageData: return "EPngNoImageData";
    case ErrorKind::HeaderNotPresent: return "EPngHeaderNotPresent";
    case ErrorKind::OutMemory: return "EPngOutMemory";
    case ErrorKind::Error: return "EPngError";
    case ErrorKind::InvalidNewSize: return "EPngInvalidNewSize";
    case ErrorKind::InvalidColourFormat: return "EPngInvalidColourFormat";
  }
  return "EPngError";
}

const char* ErrorMessage(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::InvalidFileHeader:
      return "The file being readed is not a valid \"Portable Network Graphics\" image because it "
             "contains an invalid header. This file may be corrupted, try obtaining it again.";
    case ErrorKind::UnexpectedEnd:
      return "This \"Portable Network Graphics\" image is invalid because the decoder found an "
             "unexpected end of the file.";
    case ErrorKind::IHDRNotFirst:
      return "This \"Portable Network Graphics\" image is not supported or it might be "
             "invalid.\r\n(IHDR chunk is not the first)";
    case ErrorKind::InvalidIHDR:
      return "The \"Portable Network Graphics\" image could not be loaded because one of its main "
             "piece of data (ihdr) might be corrupted";
    case ErrorKind::SizeExceeds:
      return "This \"Portable Network Graphics\" image is not supported because either it's width "
             "or height exceeds the maximum size, which is 65535 pixels length.";
    case ErrorKind::UnknownCompression:
      return "This \"Portable Network Graphics\" image is encoded with an unknown compression "
             "scheme which could not be decoded.";
    case ErrorKind::UnknownInterlace:
      return "This \"Portable Network Graphics\" image uses an unknown interlace scheme which "
             "could not be decoded.";
    case ErrorKind::InvalidPalette:
      return "The \"Portable Network Graphics\" image contains an invalid palette.";
    case ErrorKind::MissingMultipleIDAT:
      return "This \"Portable Network Graphics\" image is invalid because it has missing image "
             "parts.";
    case ErrorKind::ZLIBError:
      return "Could not decompress the image because it contains invalid compressed data.\r\n "
             "Description: ";
    case ErrorKind::NoImageData:
      return "This \"Portable Network Graphics\" image contains no data.";
    case ErrorKind::HeaderNotPresent:
      return "This operation is not valid because the current image contains no valid header.";
    case ErrorKind::OutMemory:
      return "Some operation could not be performed because the system is out of resources. "
             "Close some windows and try again.";
    case ErrorKind::Error:
      return kNoSuchPaletteEntry;
    case ErrorKind::InvalidNewSize:
      return "The new size provided for image resizing is invalid.";
    case ErrorKind::InvalidColourFormat:
      return "This \"Portable Network Graphics\" image is not supported because its colour type "
             "and bit depth do not form a valid combination.";
  }
  return kNoSuchPaletteEntry;
}

std::string ZlibCodeDescription(int code) {
  static const char* const kDescriptions[] = {
      "incompatible version (-6)", "buffer error (-5)", "insufficient memory (-4)",
      "data error (-3)",           "stream error (-2)", "file error (-1)",
      "(0)",                       "stream end (1)",    "need dictionary (2)",
  };
  if (code >= -6 && code <= 2) return kDescriptions[code + 6];
  std::string text = "(";
  text += std::to_string(code);
  text += ')';
  return text;
}

PngError::PngError(ErrorKind kind) : std::runtime_error(ErrorMessage(kind)), kind_(kind) {}

PngError::PngError(ErrorKind kind, const std::string& message)
    : std::runtime_error(message), kind_(kind) {}

void ThrowZlibError(int code) {
  throw PngError(ErrorKind::ZLIBError,
                 std::string(ErrorMessage(ErrorKind::ZLIBError)) + ZlibCodeDescription(code));
}

}  // namespace vornada::png
