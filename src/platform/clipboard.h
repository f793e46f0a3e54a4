// Clipboard port: the clipboard's text, and pictures put on it.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "platform/os_error.h"
#include "platform/picture.h"

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
  // Replaces the clipboard's contents by the picture (a device-independent bitmap).
  virtual OsError SetPicture(const Picture& picture) = 0;
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
    picture_.reset();
    return OsError::Ok();
  }
  OsError Clear() override {
    std::lock_guard<std::mutex> lock(mu_);
    text_.reset();
    picture_.reset();
    return OsError::Ok();
  }
  OsError SetPicture(const Picture& picture) override {
    std::lock_guard<std::mutex> lock(mu_);
    text_.reset();
    picture_ = picture;
    return OsError::Ok();
  }
  std::optional<Picture> HeldPicture() {
    std::lock_guard<std::mutex> lock(mu_);
    return picture_;
  }

 private:
  std::mutex mu_;
  std::optional<std::string> text_;
  std::optional<Picture> picture_;
};

}  // namespace plumo
