// An operating-system failure, translated once at the port boundary: the failing call, the
// native code and the system's own message, ready for the run log.
#pragma once

#include <cstdint>
#include <string>

namespace plumo {

// [[nodiscard]]: a failure dropped unread is a failure reported as success.
class [[nodiscard]] OsError {
 public:
  OsError() = default;
  OsError(std::string call, uint32_t code, std::string message)
      : call_(std::move(call)), code_(code), message_(std::move(message)), failed_(true) {}

  static OsError Ok() { return OsError(); }

  bool ok() const { return !failed_; }
  // Kept for the action families that test it so; new code reads ok().
  explicit operator bool() const { return !failed_; }
  const std::string& call() const { return call_; }
  uint32_t code() const { return code_; }
  const std::string& message() const { return message_; }

  // "RegOpenKeyExA failed (2): The system cannot find the file specified."
  std::string ToString() const;

 private:
  std::string call_;
  uint32_t code_ = 0;
  std::string message_;
  bool failed_ = false;
};

// Native codes the core tests for, in the Win32 numbering whatever the platform.
namespace oscode {
constexpr uint32_t kFileNotFound = 2;
constexpr uint32_t kAccessDenied = 5;
constexpr uint32_t kInvalidParameter = 87;
constexpr uint32_t kMoreData = 234;
constexpr uint32_t kNoMoreItems = 259;
constexpr uint32_t kNotEnoughMemory = 8;
constexpr uint32_t kAlreadyExists = 183;
constexpr uint32_t kFileExists = 80;
constexpr uint32_t kNotSupported = 50;
constexpr uint32_t kResourceNameNotFound = 1814;
constexpr uint32_t kCancelled = 1223;
}  // namespace oscode

}  // namespace plumo
