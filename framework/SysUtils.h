// The framework's exception classes. Portable: no windows.h.
//
// Failures are exceptions. Every class derives from `Exception`, whose message is UTF-8 text
// (the window functions receive it converted to UTF-16). The class names follow the framework
// the program was designed against, so that handlers can catch exactly what the program raises.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace vornada {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string message_;
};

#define VORNADA_EXCEPTION(Name, Base)                                    \
  class Name : public Base {                                             \
   public:                                                               \
    using Base::Base;                                                    \
    const char* ClassName() const noexcept override { return #Name; }    \
  }

// Silent failure: the error report ignores it.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EAbort"; }
};

VORNADA_EXCEPTION(EStreamError, Exception);
VORNADA_EXCEPTION(EReadError, EStreamError);
VORNADA_EXCEPTION(EWriteError, EStreamError);
VORNADA_EXCEPTION(EFileStreamError, EStreamError);
VORNADA_EXCEPTION(EFCreateError, EFileStreamError);
VORNADA_EXCEPTION(EFOpenError, EFileStreamError);
VORNADA_EXCEPTION(EOutOfMemory, Exception);
VORNADA_EXCEPTION(EOutOfResources, EOutOfMemory);
VORNADA_EXCEPTION(EInvalidOperation, Exception);
VORNADA_EXCEPTION(EInvalidGraphic, Exception);
VORNADA_EXCEPTION(EInvalidGraphicOperation, Exception);
VORNADA_EXCEPTION(EConvertError, Exception);
VORNADA_EXCEPTION(EListError, Exception);
VORNADA_EXCEPTION(EThread, Exception);

// Messages of the framework's string table that the program's failures carry.
namespace msg {
inline constexpr std::string_view kReadError = "Stream read error";
inline constexpr std::string_view kWriteError = "Stream write error";
inline constexpr std::string_view kMemoryStreamError = "Out of memory while expanding memory stream";
inline constexpr std::string_view kFCreateError = "Cannot create file \"%s\". %s";
inline constexpr std::string_view kFOpenError = "Cannot open file \"%s\". %s";
inline constexpr std::string_view kMemoTooLarge = "Text exceeds memo capacity";
inline constexpr std::string_view kOutOfTimers = "Not enough timers available";
inline constexpr std::string_view kAssignError = "Cannot assign a %s to a %s";
inline constexpr std::string_view kInvalidImage = "Invalid image";
inline constexpr std::string_view kUnknownExtension = "Unknown picture file extension (.%s)";
inline constexpr std::string_view kUnknownClipboardFormat = "Unsupported clipboard format";
inline constexpr std::string_view kListIndexError = "List index out of bounds (%d)";
inline constexpr std::string_view kCannotFocus =
    "Cannot focus a disabled or invisible window";
inline constexpr std::string_view kParentRequired = "Control '%s' has no parent window";
}  // namespace msg

// Replaces each "%s" of `pattern` by the next argument, in order ("%%" gives "%").
std::string FormatMessageText(std::string_view pattern,
                              std::initializer_list<std::string_view> args);

}  // namespace vornada
