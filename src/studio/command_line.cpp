#include "studio/command_line.h"

#include <cstdlib>

#include "base/text.h"

namespace plumo {
namespace {

// Spaces are skipped after a switch only up to this position of the padded line.
constexpr size_t kValueSearchLimit = 256;
constexpr size_t kVariableNameWidth = 64;

bool IsQuote(char c) { return c == '"' || c == '\''; }

// Switches tested for the start mode, in order, with the mode each gives.
struct ModeSwitch {
  const char* name;
  int mode;
};
constexpr ModeSwitch kModeSwitches[] = {
    {"-r", startmode::kEdit | startmode::kRun | startmode::kHidden},
    {"-v", startmode::kEdit | startmode::kRun},
    {"-e", startmode::kEdit},
};

}  // namespace

const char kCommandLineHelp[] =
    "COMMAND LINE OPTIONS:\n"
    "----------------------\n"
    "   -e          Edit file\n"
    "   -r          Run file\n"
    "   -v          Run file in Plumo Studio\n"
    "   -L          Turn logging on\n"
    "   -f          Turn logging off\n"
    "   -s [step]   Start at Step (only with -r and -v)\n"
    "   %x=1        Set user variable\n"
    "\n"
    "Example:  Plumo.exe /v C:\\MyFile.vxm %foo=\"123\" /L";

int FindSwitch(std::string_view commandLine, std::string_view name, std::string* value, size_t valueWidth) {
  if (name.empty()) return 0;
  // Built piece by piece: GCC 12 warns falsely on '"literal" + std::string&&'.
  std::string line(1, ' '), word(1, ' ');
  line.append(commandLine).push_back(' ');
  word.append(name).push_back(' ');
  size_t at = FindNoCase(line, word);
  if (at == std::string::npos) {
    word[1] = word[1] == '-' ? '/' : word[1] == '/' ? '-' : word[1];
    at = FindNoCase(line, word);
  }
  if (at == std::string::npos) return 0;
  if (!value) return 1;
  size_t p = at + word.size();
  while (p < kValueSearchLimit && p < line.size() && line[p] == ' ') ++p;
  // The space added behind the line is not part of any value.
  const size_t end = line.size() - 1;
  size_t from = p, to;
  if (p < end && IsQuote(line[p])) {
    from = p + 1;
    to = from;
    while (to < end && !IsQuote(line[to])) ++to;
  } else {
    to = std::min(line.find(' ', p), end);
  }
  if (from > to) from = to;
  AssignBounded(*value, std::string_view(line).substr(from, to - from), valueWidth);
  return value->empty() ? 1 : static_cast<int>(value->size());
}

StartRequest ParseStartRequest(std::string_view commandLine) {
  StartRequest r;
  r.consoleSwitch = FindNoCase(commandLine, "-c ") != std::string_view::npos;
  r.loggingOn = FindSwitch(commandLine, "-L") != 0;
  r.loggingOff = FindSwitch(commandLine, "-F") != 0;
  for (const auto& s : kModeSwitches) {
    std::string file;
    if (FindSwitch(commandLine, s.name, &file, kStartFileWidth) > 0 && !file.empty() && ContainsNoCase(file, "xm")) {
      r.mode = s.mode;
      r.file = file;
      break;
    }
  }
  if (r.mode == 0) {
    std::string_view whole = Trim(commandLine);
    if (!whole.empty() && commandLine.find('%') == std::string_view::npos && commandLine[0] != '-' &&
        commandLine[0] != '/') {
      // A file given alone, as the shell passes it: quotes around it are not part of its name.
      std::string file = Bounded(commandLine, kStartFileWidth);
      std::string_view name = Trim(file);
      if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
      r.mode = startmode::kEdit;
      r.file = std::string(name);
    }
  }
  std::string step;
  if (FindSwitch(commandLine, "-s", &step, kStartStepWidth) > 0) {
    int n = std::atoi(step.c_str());
    r.startStep = n > 1 ? n - 1 : 0;
  }
  return r;
}

std::vector<std::pair<std::string, std::string>> CommandLineVariables(std::string_view commandLine) {
  std::vector<std::pair<std::string, std::string>> vars;
  if (commandLine.find('%') == std::string_view::npos || commandLine.find('=') == std::string_view::npos)
    return vars;
  size_t start = commandLine.find('%') + 1;  // the text before the first '%' is not a field
  while (start <= commandLine.size()) {
    size_t end = commandLine.find('%', start);
    std::string_view field = commandLine.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (field.empty()) break;
    size_t eq = field.find('=');
    if (eq != std::string_view::npos && eq > 0) {
      std::string_view value = Trim(field.substr(eq + 1));
      size_t close = value.empty() || !IsQuote(value.front()) ? std::string_view::npos : value.find(value.front(), 1);
      if (close != std::string_view::npos && close + 1 < value.size() && value[close + 1] == ' ') {
        // A quoted value followed by more switches ends at its closing quote.
        value = value.substr(1, close - 1);
      } else {
        if (!value.empty() && IsQuote(value.front())) value.remove_prefix(1);
        if (!value.empty() && IsQuote(value.back())) value.remove_suffix(1);
      }
      vars.emplace_back(Bounded(field.substr(0, eq), kVariableNameWidth), std::string(value));
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return vars;
}

std::string ConsoleSwitchRefusal(std::string_view commandLine) {
  std::string text =
      "The \"-c\" command line switch is only available from a console window when using "
      "\"Plumo.com\"\n\nYour Command Line:   [";
  text.append(commandLine).append("]\n\n");
  return text;
}

}  // namespace plumo
