// The toolkit's exceptions and message formatting. Every exception the system raises derives
// from Exception and carries its message; ClassName() names the class for reports and tests.
#pragma once

#include <exception>
#include <string>

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const std::string& Message() const noexcept { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  const char* what() const noexcept override { return FMessage.c_str(); }
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string FMessage;
};

#define DECLARE_EXCEPTION(Name, Base)                                 \
  class Name : public Base {                                          \
   public:                                                            \
    using Base::Base;                                                 \
    const char* ClassName() const noexcept override { return #Name; } \
  }

DECLARE_EXCEPTION(EConvertError, Exception);
DECLARE_EXCEPTION(EListError, Exception);
DECLARE_EXCEPTION(EComponentError, Exception);
DECLARE_EXCEPTION(EInvalidOperation, Exception);
DECLARE_EXCEPTION(EOutOfResources, Exception);
DECLARE_EXCEPTION(EResNotFound, Exception);
DECLARE_EXCEPTION(EStreamError, Exception);
DECLARE_EXCEPTION(EFilerError, EStreamError);
DECLARE_EXCEPTION(EReadError, EFilerError);
DECLARE_EXCEPTION(EWriteError, EFilerError);
DECLARE_EXCEPTION(EClassNotFound, EFilerError);
DECLARE_EXCEPTION(EMethodNotFound, EFilerError);
DECLARE_EXCEPTION(EInvalidImage, EFilerError);
DECLARE_EXCEPTION(EAssertionFailed, Exception);

// The toolkit's messages.
namespace msg {
inline constexpr const char* SListIndexError = "List index out of bounds (%d)";
inline constexpr const char* SReadError = "Stream read error";
inline constexpr const char* SWriteError = "Stream write error";
inline constexpr const char* SAssignError = "Cannot assign a %s to a %s";
inline constexpr const char* SNoCanvasHandle = "Canvas does not allow drawing";
inline constexpr const char* SResNotFound = "Resource %s not found";
inline constexpr const char* SInvalidImage = "Invalid stream format";
inline constexpr const char* SInvalidName = "''%s'' is not a valid component name";
inline constexpr const char* SDuplicateName = "A component named %s already exists";
inline constexpr const char* SClassNotFound = "Class %s not found";
inline constexpr const char* SInvalidPropertyPath = "Invalid property path";
inline constexpr const char* SUnknownProperty = "Property %s does not exist";
inline constexpr const char* SInvalidPropertyValue = "Invalid property value";
inline constexpr const char* SReadOnlyProperty = "Property is read-only";
inline constexpr const char* SPropertyReadError = "Error reading %s%s%s: %s";
inline constexpr const char* SCantWriteResourceStream =
    "Can't write to a read-only resource stream";
inline constexpr const char* SNoTimers = "Not enough timers available";
inline constexpr const char* SWindowNotMade = "Error creating window";
inline constexpr const char* SUnknownException = "Unknown exception";
inline constexpr const char* SCannotOpenFile = "Cannot open file \"%s\"";
inline constexpr const char* SCannotCreateFile = "Cannot create file \"%s\"";
inline constexpr const char* SAssertionFailed = "Assertion failure (%s)";
}  // namespace msg
