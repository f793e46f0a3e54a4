// Message boxes that answer what the test says and remember what they showed.
#pragma once

#include <vector>

#include "platform/dialogs.h"

namespace plumo {

class FakeDialogs : public Dialogs {
 public:
  struct Shown {
    std::string text, caption;
    uint32_t style;
  };
  int ShowMessage(const std::string& text, const std::string& caption, uint32_t style) override {
    shown.push_back({text, caption, style});
    return answer;
  }
  int answer = 1;
  std::vector<Shown> shown;
};

}  // namespace plumo
