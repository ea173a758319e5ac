// The PNG core's single exception type and its error kinds.
//
// Every failure of the core is a PngError carrying one ErrorKind. Each kind stands for one
// exception class of the PNG picture (its name is ErrorClassName(kind)); the Win32 picture
// class turns a PngError into an exception of that class with the same message.
#pragma once

#include <stdexcept>
#include <string>

namespace vornada::png {

enum class ErrorKind {
  InvalidFileHeader,    // EPngInvalidFileHeader
  UnexpectedEnd,        // EPngUnexpectedEnd
  IHDRNotFirst,         // EPngIHDRNotFirst
  InvalidIHDR,          // EPngInvalidIHDR
  SizeExceeds,          // EPngSizeExceeds
  UnknownCompression,   // EPngUnknownCompression
  UnknownInterlace,     // EPngUnknownInterlace
  InvalidPalette,       // EPngInvalidPalette
  MissingMultipleIDAT,  // EPngMissingMultipleIDAT
  ZLIBError,            // EPngZLIBError (message ends with the zlib code's description)
  NoImageData,          // EPngNoImageData
  HeaderNotPresent,     // EPngHeaderNotPresent
  OutMemory,            // EPngOutMemory
  Error,                // EPngError (two messages: see the constants below)
  InvalidNewSize,       // EPngInvalidNewSize
  InvalidColourFormat,  // EPngInvalidColourFormat: a colour type / bit depth pair PNG forbids
};

// "EPngInvalidFileHeader" and so on.
const char* ErrorClassName(ErrorKind kind);

// The fixed message of a kind. For ZLIBError it is the text before the description; for Error
// it is the palette-entry message (the chunk-assignment message is kChunksIncompatible).
const char* ErrorMessage(ErrorKind kind);

// Messages of the generic kind Error.
inline constexpr const char* kNoSuchPaletteEntry = "There is no such palette entry.";
inline constexpr const char* kChunksIncompatible = "The chunks must be compatible to be assigned.";

// Description of a zlib result code from -6 to 2 ("data error (-3)" ...); other codes give
// "(n)".
std::string ZlibCodeDescription(int code);

class PngError : public std::runtime_error {
 public:
  // The kind with its fixed message.
  explicit PngError(ErrorKind kind);
  PngError(ErrorKind kind, const std::string& message);
  ErrorKind Kind() const noexcept { return kind_; }
  const char* ClassName() const noexcept { return ErrorClassName(kind_); }

 private:
  ErrorKind kind_;
};

// EPngZLIBError for a zlib result code.
[[noreturn]] void ThrowZlibError(int code);

}  // namespace vornada::png
