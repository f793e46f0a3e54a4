// System variables in braces ({year}, {WINDOW}, {step[3].text}, ...): the table of names with
// their aliases, and the pass of expansion that replaces them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/locale.h"
#include "platform/system.h"
#include "scripts/script.h"
#include "settings/settings_store.h"
#include "vars/variable_host.h"
#include "vars/variable_store.h"

namespace plumo {

struct ExpansionPorts {
  Environment& environment;
  Clock& clock;
  Locale& locale;
  Desktop& desktop;
  Dialogs& dialogs;
  Files& files;
  System& system;
  Clipboard& clipboard;
};

// Where the values of expansion come from.
struct ExpansionSources {
  SettingsStore& settings;
  VariableStore& variables;
  MemorySlots& slots;
  const ScriptSlots& scripts;
  VariableHost& host;
  LoopCounters& loops;
  RunLogSink& log;
};

// Expansion marks "%%" with the byte 255 until its last passes; a value put into the text
// before then has its own bytes 255 written "{\FF}" so that they come out as themselves.
void ProtectEscapeByte(std::string& value);

// The key shared with the login prompt, which stores the password scrambled.
inline constexpr std::string_view kLoginKey = "PLUMOKEYS";
// Each character rotated within its 8 bits by the code of the key character at its position
// (modulo the key's length): to the left to scramble, to the right to unscramble. The text
// ends at its first NUL.
std::string ScrambleLogin(std::string_view text);
std::string UnscrambleLogin(std::string_view text);

// Calendar week of {weeknum}: its own rule, which numbers the last days of some years 0 or 1.
int WeekNumber(int year, int dayOfYear);
// A Windows date or time picture ("M/d/yyyy", "h:mm:ss tt") applied to a time.
std::string FormatPicture(std::string_view picture, const SystemTime& t, const LocaleValues& locale);
// The English name of a Windows primary language number, "English" for unknown ones.
std::string_view LanguageName(uint16_t primaryLanguage);

// True when the text holds something shaped like a system variable: '{', a character from
// 'A' to 'z' other than a backslash, at most 30 letters, digits or "[]._", then '}'. *first is
// where the first such reference begins.
bool HasSystemVariableShape(std::string_view text, size_t* first);

class SystemVariables {
 public:
  SystemVariables(const ExpansionPorts& ports, const ExpansionSources& sources);

  // Replaces every system variable of the table, in the table's order. Values that hold the
  // byte 255 have it written "{\FF}".
  void Apply(std::string& text, int fileIndex, int stepIndex);

 private:
  struct Context;
  std::optional<std::string> Value(int row, Context& c);
  std::string StepField(std::string_view reference);
  std::string TempFile();
  const std::vector<MonitorArea>& Monitors();

  ExpansionPorts ports_;
  ExpansionSources sources_;
  // Made on first use and kept for the life of the process.
  std::string tempFile_;
  std::optional<std::vector<MonitorArea>> monitors_;
};

}  // namespace plumo
