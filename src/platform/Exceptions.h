#pragma once
// The exception family of the program: every error carries the name of its class and a message,
// shown by several messages as class name, ": " and message.
#include <cstdint>
#include <exception>
#include <string>

namespace plat {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : Exception("Exception", std::move(message)) {}
  Exception(std::string className, std::string message)
      : className_(std::move(className)), message_(std::move(message)) {}
  const std::string& ClassName() const noexcept { return className_; }
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string className_;
  std::string message_;
};

#define NIV_EXCEPTION_CLASS(Name, Base)                                      \
  class Name : public Base {                                                 \
   public:                                                                   \
    explicit Name(std::string message) : Base(#Name, std::move(message)) {}  \
                                                                             \
   protected:                                                                \
    Name(std::string className, std::string message)                         \
        : Base(std::move(className), std::move(message)) {}                  \
  }

// A failure of the operating system, with the platform's error code and text.
class EOSError : public Exception {
 public:
  EOSError(uint32_t code, std::string message)
      : Exception("EOSError", std::move(message)), code_(code) {}
  uint32_t ErrorCode() const noexcept { return code_; }

 private:
  uint32_t code_;
};

NIV_EXCEPTION_CLASS(EStreamError, Exception);
NIV_EXCEPTION_CLASS(EFOpenError, EStreamError);    // "Cannot open file \"%s\""
NIV_EXCEPTION_CLASS(EFCreateError, EStreamError);  // "Cannot create file \"%s\""
NIV_EXCEPTION_CLASS(EReadError, EStreamError);     // "Stream read error"
NIV_EXCEPTION_CLASS(EWriteError, EStreamError);    // "Stream write error"
NIV_EXCEPTION_CLASS(ERegistryException, Exception);
NIV_EXCEPTION_CLASS(EConvertError, Exception);     // "'%s' is not a valid integer value"
NIV_EXCEPTION_CLASS(EListError, Exception);        // "List index out of bounds (%d)"
NIV_EXCEPTION_CLASS(EOutOfMemory, Exception);

}  // namespace plat
