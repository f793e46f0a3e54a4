// Store output: a Step's result put where the Step's `output` and `outputValue` say (a memory
// slot, a user variable, the environment, the clipboard, a file, a PDF document, the run log
// or a message box), with the run-log lines of each; and the housekeeping of the variables
// (deletion, the reset at the start of a run and at the studio's end).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/system.h"
#include "scripts/script.h"
#include "settings/settings_store.h"
#include "vars/expansion.h"
#include "vars/variable_host.h"
#include "vars/variable_store.h"

namespace plumo {

struct OutputPorts {
  Environment& environment;
  Clipboard& clipboard;
  Dialogs& dialogs;
  System& system;
  Clock& clock;
  Files& files;
};

class OutputStore {
 public:
  // Shares the expander's lock and its sources.
  OutputStore(Expander& expander, const ExpansionSources& sources, VariablesPalette& palette, const OutputPorts& ports);

  // Stores the result of Step stepIndex of file fileIndex. value holds the bytes; length is
  // the length the producer reported, which exceeds the text length when the value holds
  // NUL bytes (missing bytes count as NUL).
  void StoreOutput(int fileIndex, int stepIndex, std::string_view value, size_t length);
  // The same into a destination given here (failure modes that store into a variable); the
  // Step still names the file and Step for expansion, log lines and the repeated-zero rule.
  void StoreInto(int fileIndex, int stepIndex, std::string_view kind, std::string_view option, std::string_view value,
                 size_t length);

  // The Variable action's Delete: "{N}" frees slot N, "All" deletes every variable and slot,
  // any other name (with list[%i] resolved) deletes that variable.
  void Delete(int fileIndex, int stepIndex, std::string_view option);
  void DeleteAll();

  // *\ResetUserVariables: when it is on and this is the only studio, the variables go at the
  // start of a run that is not nested, and when the studio's main window closes.
  void ResetAtRunStart(bool nestedRun, bool onlyStudio);
  void ResetAtStudioClose(bool onlyStudio);

  // The "Excel" destination's writer: the value as a new workbook at path; the reason when it
  // could not, empty when done. Unset, the destination logs that workbooks are not available.
  std::function<std::string(const std::string& path, std::string_view value)> workbookWriter;

 private:
  void StoreInVariable(int file, int step, std::string_view option, std::string_view bytes, size_t length);
  void ShowInPalette(const std::string& name, std::string_view text, bool binary);
  void StoreInEnvironment(std::string_view option, std::string_view text);
  void SetEnvironment(const std::string& name, std::optional<std::string> value);
  void StoreInFile(const std::string& path, std::string_view bytes, size_t length, std::string_view text);
  void StoreInOutput(std::string_view text);
  void Log(const char* format, ...);

  Expander& expander_;
  ExpansionSources sources_;
  VariablesPalette& palette_;
  OutputPorts ports_;
  bool paletteUpdated_ = false;
  uint32_t lastPaletteUpdate_ = 0;
};

// The destination name in an `outputValue`: letters, digits and "_.[]{}%", up to the first
// other character, at most 63 characters.
std::string DestinationName(std::string_view option);

// The value as the "Output" and "Message" destinations show it: at most 487 characters, with
// "  <<< DATA TRUNCATED >>>" and CR LF behind a value of 486 characters or more.
std::string ShownResult(std::string_view text);

}  // namespace plumo
