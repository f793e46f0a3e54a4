// A message sink that keeps what it was told, for tests to read back.
#pragma once

#include <string>
#include <vector>

#include "base/message_sink.h"

namespace plumo {

struct ShownMessage {
  std::string text;
  std::string caption;
  bool operator==(const ShownMessage&) const = default;
};

class RecordingMessages : public MessageSink {
 public:
  void Show(std::string_view text, std::string_view caption) override {
    shown.push_back({std::string(text), std::string(caption)});
  }
  std::vector<ShownMessage> shown;
};

}  // namespace plumo
