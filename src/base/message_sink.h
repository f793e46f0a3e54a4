// Where the system's own messages to the user go (failures of opening, saving, compiling): a
// message box in the studio, a line on standard output in console programs.
#pragma once

#include <ostream>
#include <string_view>

namespace plumo {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void Show(std::string_view text, std::string_view caption) = 0;
};

// The console programs' sink: the text and a line end; the caption is not shown.
class ConsoleMessages : public MessageSink {
 public:
  explicit ConsoleMessages(std::ostream& out) : out_(out) {}
  void Show(std::string_view text, std::string_view) override { out_ << text << '\n' << std::flush; }

 private:
  std::ostream& out_;
};

}  // namespace plumo
