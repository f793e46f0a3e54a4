#include "vars/store_output.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "base/text.h"
#include "vars/pdf_writer.h"
#include "vars/variable_rows.h"

namespace plumo {
namespace {

constexpr size_t kMaxLoggedValue = 228;
constexpr size_t kMaxLoggedFileValue = 517;
constexpr size_t kMaxShownResult = 487;
constexpr size_t kTruncatedFrom = 486;
constexpr size_t kMaxOutputLine = 255;
constexpr uint32_t kPaletteInterval = 100;
constexpr size_t kMaxIndirectName = 127;
constexpr size_t kMaxPath = 259;
constexpr size_t kMaxEnvironmentName = 255;
constexpr uint32_t kSettleAfterBroadcast = 1000;
constexpr uint32_t kDataResultStyle = 0x1 | 0x2000 | 0x10000 | 0x40000;  // OK/Cancel, task-modal, foreground, topmost
constexpr int kCancel = 2;

constexpr const char* kMachineEnvironment =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment\\%s";
constexpr const char* kUserEnvironment = "HKEY_CURRENT_USER\\Environment\\%s";

bool IsDestinationChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         std::string_view("_.[]{}%").find(c) != std::string_view::npos;
}

bool OnlyOf(std::string_view text, std::string_view allowed) {
  return text.find_first_not_of(allowed) == std::string_view::npos;
}

std::string Cut(std::string_view text, size_t max) {
  std::string out(text.substr(0, max));
  if (text.size() > max) out += "...";
  return out;
}

// What the other destinations do, tried in this order on the kind (any case, anywhere in it).
enum class Destination { kEnvironment, kClipboard, kFile, kExcel, kPdf, kOutput, kMessage };
struct DestinationRow {
  std::string_view word;
  Destination destination;
  bool needsOption;
};
constexpr DestinationRow kDestinations[] = {
    {"Env", Destination::kEnvironment, false}, {"clip", Destination::kClipboard, false},
    {"File", Destination::kFile, true},        {"Excel", Destination::kExcel, false},
    {"PDF", Destination::kPdf, false},         {"Adobe", Destination::kPdf, false},
    {"Output", Destination::kOutput, false},   {"Message", Destination::kMessage, false},
};

}  // namespace

std::string DestinationName(std::string_view option) {
  size_t n = 0;
  while (n < option.size() && n < kMaxVariableName && IsDestinationChar(option[n])) ++n;
  return std::string(option.substr(0, n));
}

std::string ShownResult(std::string_view text) {
  std::string out(text.substr(0, kMaxShownResult));
  if (text.size() >= kTruncatedFrom) out += "  <<< DATA TRUNCATED >>>\r\n";
  return out;
}

OutputStore::OutputStore(Expander& expander, const ExpansionSources& sources, VariablesPalette& palette,
                         const OutputPorts& ports)
    : expander_(expander), sources_(sources), palette_(palette), ports_(ports) {}

void OutputStore::Log(const char* format, ...) {
  char buf[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof(buf), format, args);
  va_end(args);
  sources_.log.Line(buf);
}

void OutputStore::StoreOutput(int fileIndex, int stepIndex, std::string_view value, size_t length) {
  std::lock_guard<std::recursive_mutex> lock(expander_.lock());
  const Script* script = sources_.scripts.At(fileIndex);
  if (!script || stepIndex < 0 || static_cast<size_t>(stepIndex) >= script->steps.size()) return;
  const Step& s = script->steps[static_cast<size_t>(stepIndex)];
  StoreInto(fileIndex, stepIndex, s.output.str(), s.outputValue.str(), value, length);
}

void OutputStore::StoreInto(int fileIndex, int stepIndex, std::string_view kindText, std::string_view optionText,
                            std::string_view value, size_t length) {
  std::unique_lock<std::recursive_mutex> lock(expander_.lock());
  const std::string kind(kindText);
  const std::string option(optionText);
  if (kind.empty()) return;
  const Script* script = sources_.scripts.At(fileIndex);
  const int32_t runCount = script && stepIndex >= 0 && static_cast<size_t>(stepIndex) < script->steps.size()
                               ? script->steps[static_cast<size_t>(stepIndex)].runCount
                               : 0;

  // The bytes the value stands for: the text, or as many as the length says.
  std::string bytes(value);
  if (bytes.size() < length) bytes.resize(length, '\0');
  const std::string_view text = std::string_view(bytes).substr(0, bytes.find('\0'));
  if (length == 1 && (text == "0" || text.empty()) && runCount > 1) return;

  if (int slot = SlotNumber(option); slot && (kind[0] == 'M' || kind[0] == 'V')) {
    sources_.slots.Store(slot, bytes, length);
    if (text.size() < 258)
      Log("    %s = \"%s\" (%d bytes)", option.substr(0, 3).c_str(), std::string(text).c_str(),
          static_cast<int>(std::max(length, text.size() + 1)));
    return;
  }
  if ((kind[0] == 'V' || kind[0] == 'v') && !option.empty()) {
    StoreInVariable(fileIndex, stepIndex, option, bytes, length);
    return;
  }

  const DestinationRow* row = nullptr;
  for (const DestinationRow& r : kDestinations) {
    if (ContainsNoCase(kind, r.word) && (!r.needsOption || !option.empty())) {
      row = &r;
      break;
    }
  }
  if (!row) {
    Log("    WARNING: Invalid \"Save Output\" destination for [Step %d]", stepIndex + 1);
    return;
  }
  const long shownLength = static_cast<long>(length);
  switch (row->destination) {
    case Destination::kEnvironment:
      lock.unlock();  // the broadcast waits on other programs; nobody should wait on us meanwhile
      StoreInEnvironment(option, text);
      break;
    case Destination::kClipboard:
      if (OsError e = ports_.clipboard.SetText(std::string(text)); !e.ok())
        Log("    The clipboard could not be set: %s", e.ToString().c_str());
      if (!text.empty())
        Log("    Saving %li byte(s) to clipboard: \"%s\"", shownLength,
            std::string(text.substr(0, kMaxLoggedFileValue)).c_str());
      break;
    case Destination::kFile:
      StoreInFile(expander_.ExpandInto(option, fileIndex, stepIndex, kMaxPath + 1), bytes, length, text);
      break;
    case Destination::kExcel: {
      const std::string path = expander_.ExpandInto(option, fileIndex, stepIndex, kMaxPath + 1);
      if (!workbookWriter) {
        Log("    ERROR: saving to an Excel workbook is not available in this program; nothing was saved to [%s]", path.c_str());
        break;
      }
      Log("    Saving %li byte(s) to workbook [%s]", shownLength, path.c_str());
      if (std::string e = workbookWriter(path, text); !e.empty())
        Log("    ERROR saving to workbook \"%s\": %s", path.c_str(), e.c_str());
      break;
    }
    case Destination::kPdf: {
      std::string path = expander_.ExpandInto(option, fileIndex, stepIndex, kMaxPath + 1);
      if (path.empty() || !WritePdfFile(ports_.files, path, text).ok())
        Log("    ERROR saving %li byte(s) to file \"%s\"", shownLength, path.c_str());
      break;
    }
    case Destination::kOutput:
      StoreInOutput(text);
      break;
    case Destination::kMessage: {
      std::string caption = "[Step " + std::to_string(stepIndex + 1) + "] Data Result  (Press Cancel to Stop)";
      std::string shown = ShownResult(text);
      lock.unlock();  // a dialog may wait for the main thread, which may be expanding
      if (ports_.dialogs.ShowMessage(shown, caption, kDataResultStyle) == kCancel) sources_.host.RequestStop();
      break;
    }
  }
}

void OutputStore::StoreInVariable(int file, int step, std::string_view option, std::string_view bytes, size_t length) {
  std::string name = DestinationName(option);
  size_t percents = std::count(name.begin(), name.end(), '%');
  if (name.find('{') != std::string::npos || percents >= 2) {
    // Indirect: %%pointer stores into the variable whose name %pointer holds.
    size_t first = name.find('%');
    std::string inner = first == std::string::npos ? name : name.substr(first + 1);
    std::string expanded = expander_.ExpandInto(inner, file, step, kMaxIndirectName + 1);
    if (first != std::string::npos) expanded.insert(0, 1, '%');
    name = expanded.substr(0, kMaxVariableName);
  }
  if (!name.empty() && name[0] == '%') name.erase(0, 1);
  if (name.empty()) return;

  const std::string_view text = bytes.substr(0, bytes.find('\0'));
  const bool binary = IsBinaryValue(bytes);
  if (binary) {
    Log("    %s = %d bytes (binary)", name.c_str(), static_cast<int>(length));
  } else if (length < 6 && OnlyOf(text, "0123456789.-")) {
    Log("    %s = \"%s\"", name.c_str(), Cut(text, kMaxLoggedValue).c_str());
  } else {
    Log("    %s = \"%s\" (%li bytes)", name.c_str(), Cut(text, kMaxLoggedValue).c_str(),
        static_cast<long>(std::max(text.size(), length)));
  }

  if (length < 1)
    sources_.variables.Write(name, std::string(1, '\0'));
  else if (length > text.size())
    sources_.variables.Write(name, bytes.substr(0, length));
  else
    sources_.variables.Write(name, std::string(text) + '\0');

  ShowInPalette(name, text, binary);
}

void OutputStore::ShowInPalette(const std::string& name, std::string_view text, bool binary) {
  if (IsHiddenVariable(name) || !palette_.Exists()) return;
  uint32_t now = ports_.clock.TickCount();
  if (paletteUpdated_ && now - lastPaletteUpdate_ < kPaletteInterval) return;
  palette_.ShowVariable(name, text.substr(0, kMaxShownValue), ShownKind(text, binary));
  paletteUpdated_ = true;
  lastPaletteUpdate_ = now;
}

void OutputStore::SetEnvironment(const std::string& name, std::optional<std::string> value) {
  if (OsError e = ports_.environment.Set(name, std::move(value)); !e.ok())
    Log("    The environment variable \"%s\" could not be set: %s", name.c_str(), e.ToString().c_str());
}

void OutputStore::StoreInEnvironment(std::string_view option, std::string_view text) {
  std::string name;
  for (char c : option.substr(0, kMaxEnvironmentName))
    if (c != '%') name.push_back(c);
  if (name.empty()) {
    // An empty name would make the registry paths name the whole Environment keys.
    Log("    WARNING: Invalid \"Save Output\" destination: no environment variable name");
    return;
  }
  SettingsStore& settings = sources_.settings;
  if (text.empty()) {
    SetEnvironment(name, std::nullopt);
    settings.Delete(kMachineEnvironment, {name});
    settings.Delete(kUserEnvironment, {name});
  } else {
    SetEnvironment(name, std::string(text));
    settings.WriteText(kMachineEnvironment, text, {name});
    settings.WriteText(kUserEnvironment, text, {name});
  }
  ports_.system.AnnounceEnvironmentChange();
  ports_.clock.Sleep(kSettleAfterBroadcast);
}

void OutputStore::StoreInFile(const std::string& path, std::string_view bytes, size_t length, std::string_view text) {
  const long shownLength = static_cast<long>(length);
  Log("    Saving %li byte(s) to file [%s]: \"%s\"", shownLength, path.c_str(),
      std::string(text.substr(0, kMaxLoggedFileValue)).c_str());
  // An empty result leaves no file; any other replaces the old one only once it is written
  // whole, so a failed write keeps the user's data.
  bool created = false;
  const OsError e = length == 0 ? ports_.files.Delete(path) : ports_.files.ReplaceContent(path, bytes.substr(0, length), &created);
  if (!e.ok()) Log("    ERROR saving %li byte(s) to file \"%s\"", shownLength, path.c_str());
}

void OutputStore::StoreInOutput(std::string_view text) {
  const std::string shown = ShownResult(text);
  size_t start = 0;
  while (start < shown.size()) {
    size_t end = shown.find('\n', start);
    end = end == std::string::npos ? shown.size() : end + 1;
    std::string line = shown.substr(start, std::min(end - start, kMaxOutputLine));
    for (char& c : line)
      if (c == '\r' || c == '\n') c = ' ';
    sources_.log.Line(line);
    sources_.log.DebugOutput(line + "\r\n");
    start = end;
  }
}

void OutputStore::Delete(int fileIndex, int stepIndex, std::string_view option) {
  std::lock_guard<std::recursive_mutex> lock(expander_.lock());
  if (int slot = SlotNumber(option)) {
    sources_.slots.Free(slot);
    return;
  }
  if (EqualsNoCase(option, "All")) {
    DeleteAll();
    return;
  }
  std::string name(option);
  if (!name.empty() && name[0] == '%') name.erase(0, 1);
  size_t open = name.find('['), close = open == std::string::npos ? open : name.find(']', open + 1);
  if (close != std::string::npos) {
    std::string index = expander_.ExpandInto(name.substr(open + 1, close - open - 1), fileIndex, stepIndex,
                                             kMaxVariableName + 1);
    name = name.substr(0, open + 1) + index + name.substr(close);
  }
  if (name.empty()) return;
  sources_.variables.Delete(name);
  if (palette_.Exists()) palette_.RemoveVariable(name);
}

void OutputStore::DeleteAll() {
  std::lock_guard<std::recursive_mutex> lock(expander_.lock());
  sources_.variables.DeleteAll();
  if (palette_.Exists()) palette_.Clear();
  sources_.slots.FreeAll();
}

void OutputStore::ResetAtRunStart(bool nestedRun, bool onlyStudio) {
  if (nestedRun || !onlyStudio || sources_.settings.ReadNumber("*\\ResetUserVariables") == 0) return;
  std::lock_guard<std::recursive_mutex> lock(expander_.lock());
  sources_.variables.DeleteAll();
  if (palette_.Exists()) palette_.Clear();
}

void OutputStore::ResetAtStudioClose(bool onlyStudio) {
  int32_t reset = sources_.settings.ReadNumber("*\\ResetUserVariables");
  if (reset != 0 && onlyStudio) {
    std::lock_guard<std::recursive_mutex> lock(expander_.lock());
    sources_.variables.DeleteAll();
  }
  char line[64];
  std::snprintf(line, sizeof(line), "WM_DESTROY: ResetUserVariables: %d\r\n", static_cast<int>(reset));
  sources_.log.DebugOutput(line);
}

}  // namespace plumo
