// Clipboard port: the clipboard's text.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "platform/os_error.h"

namespace plumo {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // The text on the clipboard (up to its first NUL); nullopt when it holds no text.
  virtual std::optional<std::string> Text() = 0;
  // Replaces the clipboard's contents by the text.
  virtual OsError SetText(const std::string& text) = 0;
  // Leaves the clipboard holding nothing at all.
  virtual OsError Clear() = 0;
};

// A clipboard of this process alone: the Linux runner without a desktop session, and tests.
class MemoryClipboard : public Clipboard {
 public:
  std::optional<std::string> Text() override {
    std::lock_guard<std::mutex> lock(mu_);
    return text_;
  }
  OsError SetText(const std::string& text) override {
    std::lock_guard<std::mutex> lock(mu_);
    text_ = text.substr(0, text.find('\0'));
    return OsError::Ok();
  }
  OsError Clear() override {
    std::lock_guard<std::mutex> lock(mu_);
    text_.reset();
    return OsError::Ok();
  }

 private:
  std::mutex mu_;
  std::optional<std::string> text_;
};

}  // namespace plumo
