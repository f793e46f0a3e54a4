#include "platform/posix/terminal_dialogs.h"

#include <unistd.h>

#include "base/text.h"

namespace plumo {

int TerminalDialogs::ShowMessage(const std::string& text, const std::string& caption, uint32_t style) {
  MessageButtons b = ButtonsOfStyle(style);
  const char* def = b.labels[b.defaultIndex];
  bool interactive = isatty(fileno(in_)) && isatty(fileno(out_));
  std::fprintf(out_, "%s%s%s\n", caption.c_str(), Trim(caption).empty() ? "" : ": ", text.c_str());
  if (!interactive) {
    std::fprintf(out_, "(no terminal: answered %s)\n", def);
    return b.answers[b.defaultIndex];
  }
  for (;;) {
    std::fprintf(out_, "[");
    for (int i = 0; i < b.count; ++i) std::fprintf(out_, "%s%s", i ? "/" : "", b.labels[i]);
    std::fprintf(out_, "] (Enter: %s)? ", def);
    std::fflush(out_);
    char line[128];
    if (!std::fgets(line, sizeof(line), in_)) return b.answers[b.defaultIndex];
    std::string_view answer = Trim(line);
    if (answer.empty()) return b.answers[b.defaultIndex];
    for (int i = 0; i < b.count; ++i)
      if (StartsWithNoCase(b.labels[i], answer)) return b.answers[i];
  }
}

}  // namespace plumo
