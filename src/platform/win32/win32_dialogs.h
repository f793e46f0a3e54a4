#pragma once

#include "platform/dialogs.h"

namespace plumo {

class Win32Dialogs : public Dialogs {
 public:
  int ShowMessage(const std::string& text, const std::string& caption, uint32_t style) override;
};

}  // namespace plumo
