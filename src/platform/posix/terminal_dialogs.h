#pragma once

#include <cstdio>

#include "platform/dialogs.h"

namespace plumo {

// Message boxes without a desktop: asked on the terminal when one is attached, otherwise
// answered with the default button, and said so on the error stream.
class TerminalDialogs : public Dialogs {
 public:
  TerminalDialogs(FILE* in = stdin, FILE* out = stderr) : in_(in), out_(out) {}
  int ShowMessage(const std::string& text, const std::string& caption, uint32_t style) override;

 private:
  FILE* in_;
  FILE* out_;
};

}  // namespace plumo
