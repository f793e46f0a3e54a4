// Dialogs port: message boxes. Style and answers use the Win32 numbers (MB_* and IDOK...).
#pragma once

#include <cstdint>
#include <string>

namespace plumo {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Shows the message and returns the button chosen (IDOK = 1 ... IDNO = 7).
  virtual int ShowMessage(const std::string& text, const std::string& caption, uint32_t style) = 0;
};

// The buttons a message-box style offers, by their answer numbers, and the default one.
struct MessageButtons {
  int answers[3] = {1, 0, 0};
  const char* labels[3] = {"OK", nullptr, nullptr};
  int count = 1;
  int defaultIndex = 0;
};
MessageButtons ButtonsOfStyle(uint32_t style);

}  // namespace plumo
