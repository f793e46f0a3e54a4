#include "vars/system_variables.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <unordered_map>

#include "base/text.h"
#include "base/version.h"
#include "vars/dates.h"
#include "vars/formula.h"

namespace plumo {
namespace {

enum class Var {
  kLf, kCrLf, kCr, kTabChar, kCurDir, kCommand, kCommandId, kCmdLine, kColorDepth, kCurrentStep,
  kCurrentFile, kFileName, kFileBaseName, kFilePath, kFileExt, kFailStep, kLoginName, kLoginPassword,
  kLogFile, kLanguage, kMemTotal, kMemFree, kMouseX, kMouseY, kMonitors, kMonthName, kMonthAbbr,
  kMonthDays, kMonth2, kMonth1, kMinute2, kMinute1, kMillisecond, kProgramFiles, kPath, kReturn,
  kRepeats5, kRepeats4, kRepeats3, kRepeats2, kRepeats, kSpace, kSysDir, kStartMenu, kStepField,
  kScreenX, kScreenY, kScreenX2, kScreenY2, kSecond2, kSecond1, kTab, kTempDir, kTempFile, kTotalSteps,
  kTicks, kTimeZone, kToday, kTime, kProgramExe, kProgramDir, kProgramHwnd, kProgramVer, kProgramOutput,
  kProgramList, kProgramStatus, kProgramMenu, kWinDir, kWinVer, kWindowX, kWindowY, kWindowWidth,
  kWindowHeight, kWindowTitle, kWindowClass, kWindowId, kWindowData, kWeekNum, kWeekdayAbbr, kWeekday,
  kWeekday1, kWeekday2, kUserName, kHwnd, kDesktop, kDocuments, kAppData, kYear2, kYear1, kYear4, kDay2,
  kDay1, kDayOfYear, kHour24, kHour2, kHour12, kAmPm, kNow,
};

struct Row {
  Var var;
  std::array<std::string_view, 5> names;
};

// In the order the pass applies them; a row's names are its aliases.
constexpr Row kRows[] = {
    {Var::kLf, {"{ENTER}", "{linefeed}", "{n}"}},
    {Var::kCrLf, {"{newline}", "{rn}"}},
    {Var::kCr, {"{r}"}},
    {Var::kTabChar, {"{t}"}},
    {Var::kCurDir, {"{CURDIR}"}},
    {Var::kCommand, {"{command}", "{cmd}"}},
    {Var::kCommandId, {"{command_id}", "{cmd_id}"}},
    {Var::kCmdLine, {"{cmdline}"}},
    {Var::kColorDepth, {"{color_depth}"}},
    {Var::kCurrentStep, {"{currentstep}", "{current_step}"}},
    {Var::kCurrentFile, {"{currentfile}", "{current_file}"}},
    {Var::kFileName, {"{FILENAME}"}},
    {Var::kFileBaseName, {"{FILEBASENAME}"}},
    {Var::kFilePath, {"{FILEPATH}"}},
    {Var::kFileExt, {"{FILEEXT}"}},
    {Var::kFailStep, {"{failstep}", "{fail_step}"}},
    {Var::kLoginName, {"{login_username}", "{login_name}"}},
    {Var::kLoginPassword, {"{login_password}"}},
    {Var::kLogFile, {"{LOGFILE}"}},
    {Var::kLanguage, {"{LANGUAGE}"}},
    {Var::kMemTotal, {"{memtotal}"}},
    {Var::kMemFree, {"{memfree}"}},
    {Var::kMouseX, {"{mouse_x}"}},
    {Var::kMouseY, {"{mouse_y}"}},
    {Var::kMonitors, {"{monitors}"}},
    {Var::kMonthName, {"{month_name}", "{monthname}"}},
    {Var::kMonthAbbr, {"{month_abbr}", "{monthabbr}"}},
    {Var::kMonthDays, {"{month_days}", "{monthdays}"}},
    {Var::kMonth2, {"{month}", "{month2}"}},
    {Var::kMonth1, {"{month1}"}},
    {Var::kMinute2, {"{minute}", "{minute2}"}},
    {Var::kMinute1, {"{minute1}"}},
    {Var::kMillisecond, {"{millisecond}"}},
    {Var::kProgramFiles, {"{PROGRAMFILES}"}},
    {Var::kPath, {"{PATH}"}},
    {Var::kReturn, {"{return}"}},
    {Var::kRepeats5, {"{repeatcount5}", "{repeats5}"}},
    {Var::kRepeats4, {"{repeatcount4}", "{repeats4}"}},
    {Var::kRepeats3, {"{repeatcount3}", "{repeats3}"}},
    {Var::kRepeats2, {"{repeatcount2}", "{repeats2}"}},
    {Var::kRepeats, {"{repeatcount}", "{repeats}", "{repeat}"}},
    {Var::kSpace, {"{SPACE}"}},
    {Var::kSysDir, {"{SYSDIR}"}},
    {Var::kStartMenu, {"{STARTMENU}"}},
    {Var::kStepField, {}},
    {Var::kScreenX, {"{screen_x}"}},
    {Var::kScreenY, {"{screen_y}"}},
    {Var::kScreenX2, {"{screen_x2}"}},
    {Var::kScreenY2, {"{screen_y2}"}},
    {Var::kSecond2, {"{second}", "{second2}"}},
    {Var::kSecond1, {"{second1}"}},
    {Var::kTab, {"{TAB}"}},
    {Var::kTempDir, {"{tempdir}"}},
    {Var::kTempFile, {"{tempfile}"}},
    {Var::kTotalSteps, {"{totalsteps}", "{total_steps}"}},
    {Var::kTicks, {"{ticks}"}},
    {Var::kTimeZone, {"{timezone}"}},
    {Var::kToday, {"{TODAY}"}},
    {Var::kTime, {"{TIME}"}},
    {Var::kProgramExe, {"{plumo_exe}", "{Brenhold_exe}", "{Calvix_exe}"}},
    {Var::kProgramDir, {"{plumo_dir}", "{Brenhold_dir}", "{Calvix_dir}"}},
    {Var::kProgramHwnd, {"{plumo_hwnd}", "{Brenhold_hwnd}", "{Calvix_hwnd}"}},
    {Var::kProgramVer, {"{plumo_ver}", "{Brenhold_ver}", "{Calvix_ver}"}},
    {Var::kProgramOutput, {"{plumo_output}", "{Brenhold_output}", "{Calvix_output}"}},
    {Var::kProgramList, {"{plumo_list}", "{Brenhold_list}", "{Calvix_list}"}},
    {Var::kProgramStatus, {"{plumo_status}", "{Brenhold_status}", "{Calvix_status}"}},
    {Var::kProgramMenu, {"{plumo_menu}", "{Brenhold_menu}", "{Calvix_menu}"}},
    {Var::kWinDir, {"{WINDIR}"}},
    {Var::kWinVer, {"{WINVER}"}},
    {Var::kWindowX, {"{window_x}"}},
    {Var::kWindowY, {"{window_y}"}},
    {Var::kWindowWidth, {"{window_width}"}},
    {Var::kWindowHeight, {"{window_height}"}},
    {Var::kWindowTitle, {"{WINDOW}", "{WIN_TITLE}", "{WIN_TEXT}"}},
    {Var::kWindowClass, {"{WIN_CLASS}", "{WINCLASS}"}},
    {Var::kWindowId, {"{WIN_ID}", "{WINID}"}},
    {Var::kWindowData, {"{WIN_DATA}", "{WIN_USERDATA}", "{WINDATA}", "{WINUSERDATA}", "{USERDATA}"}},
    {Var::kWeekNum, {"{weeknum}"}},
    {Var::kWeekdayAbbr, {"{weekday_abbr}", "{weekdayabbr}"}},
    {Var::kWeekday, {"{weekday}"}},
    {Var::kWeekday1, {"{weekday1}"}},
    {Var::kWeekday2, {"{weekday2}"}},
    {Var::kUserName, {"{username}"}},
    {Var::kHwnd, {"{HWND}"}},
    {Var::kDesktop, {"{DESKTOP}"}},
    {Var::kDocuments, {"{Documents}"}},
    {Var::kAppData, {"{AppData}"}},
    {Var::kYear2, {"{year2}"}},
    {Var::kYear1, {"{year1}"}},
    {Var::kYear4, {"{year}", "{year4}"}},
    {Var::kDay2, {"{day}", "{day2}"}},
    {Var::kDay1, {"{day1}"}},
    {Var::kDayOfYear, {"{dayofyear}"}},
    {Var::kHour24, {"{hour24}"}},
    {Var::kHour2, {"{hour2}"}},
    {Var::kHour12, {"{hour}", "{hour12}", "{hour1}"}},
    {Var::kAmPm, {"{AMPM}"}},
    {Var::kNow, {"{NOW}"}},
};
constexpr int kRowCount = static_cast<int>(std::size(kRows));
constexpr std::string_view kStepPrefix = "{step[";
// A "{step[" reference ends at its '}' within this many characters.
constexpr size_t kMaxStepReference = 62;

struct LanguageRow {
  uint16_t id;
  std::string_view name;
};
constexpr LanguageRow kLanguages[] = {
    {1, "Arabic"},     {4, "Chinese"},    {5, "Czech"},      {6, "Danish"},    {7, "German"},   {8, "Greek"},
    {10, "Spanish"},   {11, "Finnish"},   {12, "French"},    {16, "Italian"},  {17, "Japanese"}, {18, "Korean"},
    {19, "Dutch"},     {20, "Norwegian"}, {21, "Polish"},    {22, "Portuguese"}, {24, "Romanian"},
    {25, "Russian"},   {26, "Croatian"},  {29, "Swedish"},   {30, "Thai"},     {31, "Turkish"},  {34, "Ukrainian"},
    {36, "Slovenian"}, {38, "Latvian"},   {39, "Lithuanian"}, {41, "Farsi"},   {57, "Hindi"},    {70, "Punjabi"},
};

// Lower-case name to row, for finding the rows a text names.
const std::unordered_map<std::string, int>& RowsByName() {
  static const std::unordered_map<std::string, int> byName = [] {
    std::unordered_map<std::string, int> m;
    for (int r = 0; r < kRowCount; ++r)
      for (std::string_view n : kRows[r].names)
        if (!n.empty()) m.emplace(ToLowerAnsi(n), r);
    return m;
  }();
  return byName;
}

int StepFieldRow() {
  for (int r = 0; r < kRowCount; ++r)
    if (kRows[r].var == Var::kStepField) return r;
  return -1;
}

// The rows whose names occur in the text (every name is a '{' and its first '}'), in order.
std::vector<int> RowsNamedIn(std::string_view text, int after) {
  std::vector<int> rows;
  const auto& byName = RowsByName();
  std::string name;
  for (size_t at = text.find('{'); at != std::string_view::npos; at = text.find('{', at + 1)) {
    size_t close = text.find('}', at + 1);
    if (close == std::string_view::npos) break;
    if (close - at + 1 <= 24) {
      name = ToLowerAnsi(text.substr(at, close - at + 1));
      if (auto it = byName.find(name); it != byName.end() && it->second > after) rows.push_back(it->second);
    }
  }
  if (int stepRow = StepFieldRow(); stepRow > after && FindNoCase(text, kStepPrefix) != std::string_view::npos)
    rows.push_back(stepRow);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

std::string Decimal(int64_t n) { return std::to_string(n); }

std::string Padded(int64_t n, int width) {
  char buf[48];
  std::snprintf(buf, sizeof(buf), "%0*lld", width, static_cast<long long>(n));
  return buf;
}

std::string WithoutTrailingSeparator(std::string path) {
  if (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

size_t LastSeparator(std::string_view path) { return path.find_last_of("\\/"); }

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '[' || c == ']' ||
         c == '.' || c == '_';
}

// Gregorian weekday, 0 = Sunday.
int WeekdayOf(int year, int month, int day) {
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  return (year + year / 4 - year / 100 + year / 400 + t[month - 1] + day) % 7;
}

int DayOfYearOf(const SystemTime& t) {
  static const int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  int month = std::clamp<int>(t.month, 1, 12);
  return before[month - 1] + t.day + (month > 2 && IsLeapYear(t.year) ? 1 : 0);
}

int MonthDays(const SystemTime& t) {
  static const bool kLong[] = {true, false, true, false, true, false, true, true, false, true, false, true};
  int month = std::clamp<int>(t.month, 1, 12);
  int days = 30 + (kLong[month - 1] ? 1 : 0);
  if (month == 2) days += -2 + (IsLeapYear(t.year) ? 1 : 0);
  return days;
}

int Hour12(int hour) { return hour % 12 == 0 ? 12 : hour % 12; }

uint8_t Rotate(uint8_t c, unsigned times, bool left) {
  times %= 8;
  if (times == 0) return c;
  return left ? static_cast<uint8_t>((c << times) | (c >> (8 - times)))
              : static_cast<uint8_t>((c >> times) | (c << (8 - times)));
}

std::string RotateWithKey(std::string_view text, bool left) {
  text = text.substr(0, text.find('\0'));
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char>(
        Rotate(static_cast<uint8_t>(out[i]), static_cast<uint8_t>(kLoginKey[i % kLoginKey.size()]), left));
  return out;
}

}  // namespace

std::string ScrambleLogin(std::string_view text) { return RotateWithKey(text, true); }
std::string UnscrambleLogin(std::string_view text) { return RotateWithKey(text, false); }

int WeekNumber(int year, int dayOfYear) {
  int w = WeekdayOf(year, 1, 1);
  int h = w - 1;
  if (h > 3) h = w - 8;
  int k = (h + dayOfYear - 1) / 7;
  if (k == 52) return h == 3 ? 53 : 1;
  if (k > 52) return 0;
  return k + 1;
}

std::string_view LanguageName(uint16_t primaryLanguage) {
  for (const LanguageRow& l : kLanguages)
    if (l.id == primaryLanguage) return l.name;
  return "English";
}

std::string FormatPicture(std::string_view picture, const SystemTime& t, const LocaleValues& locale) {
  std::string out;
  int month = std::clamp<int>(t.month, 1, 12) - 1;
  int weekday = t.dayOfWeek % 7;
  for (size_t i = 0; i < picture.size();) {
    char c = picture[i];
    if (c == '\'') {  // quoted text; '' inside stands for one quote
      size_t j = i + 1;
      for (; j < picture.size(); ++j) {
        if (picture[j] != '\'') {
          out.push_back(picture[j]);
        } else if (j + 1 < picture.size() && picture[j + 1] == '\'') {
          out.push_back('\'');
          ++j;
        } else {
          break;
        }
      }
      i = j + 1;
      continue;
    }
    size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    switch (c) {
      case 'd':
        out += run == 1 ? Decimal(t.day)
               : run == 2 ? Padded(t.day, 2)
               : run == 3 ? locale.dayAbbrevs[weekday]
                          : locale.dayNames[weekday];
        break;
      case 'M':
        out += run == 1 ? Decimal(t.month)
               : run == 2 ? Padded(t.month, 2)
               : run == 3 ? locale.monthAbbrevs[month]
                          : locale.monthNames[month];
        break;
      case 'y':
        out += run == 1 ? Decimal(t.year % 100) : run == 2 ? Padded(t.year % 100, 2) : Decimal(t.year);
        break;
      case 'h':
        out += run == 1 ? Decimal(Hour12(t.hour)) : Padded(Hour12(t.hour), 2);
        break;
      case 'H':
        out += run == 1 ? Decimal(t.hour) : Padded(t.hour, 2);
        break;
      case 'm':
        out += run == 1 ? Decimal(t.minute) : Padded(t.minute, 2);
        break;
      case 's':
        out += run == 1 ? Decimal(t.second) : Padded(t.second, 2);
        break;
      case 't':
        out += t.hour < 12 ? (run == 1 ? "A" : "AM") : (run == 1 ? "P" : "PM");
        break;
      case 'g':
        break;  // era: none in the Gregorian calendar's pictures
      default:
        out.append(run, c);
        break;
    }
    i += run;
  }
  return out;
}

bool HasSystemVariableShape(std::string_view text, size_t* first) {
  for (size_t at = text.find('{'); at != std::string_view::npos; at = text.find('{', at + 1)) {
    if (at + 1 >= text.size()) return false;
    char c = text[at + 1];
    if (c < 'A' || c > 'z' || c == '\\') continue;
    size_t i = at + 2, limit = std::min(text.size(), at + 2 + 31);
    while (i < limit && text[i] != '}' && IsNameChar(text[i])) ++i;
    if (i < text.size() && text[i] == '}' && i - (at + 2) <= 30) {
      if (first) *first = at;
      return true;
    }
  }
  return false;
}

struct SystemVariables::Context {
  int file = 0;
  int step = 0;
  std::optional<SystemTime> now;
  std::optional<WindowFacts> window;
  bool windowRead = false;
  const SystemTime& Now(Clock& clock) {
    if (!now) now = clock.LocalTime();
    return *now;
  }
};

SystemVariables::SystemVariables(const ExpansionPorts& ports, const ExpansionSources& sources)
    : ports_(ports), sources_(sources) {}

const std::vector<MonitorArea>& SystemVariables::Monitors() {
  if (!monitors_) monitors_ = ports_.desktop.Monitors();
  return *monitors_;
}

std::string SystemVariables::TempFile() {
  if (!tempFile_.empty()) return tempFile_;
  std::string folder = ports_.environment.TempFolder();
  for (uint32_t attempt = 0, seed = ports_.clock.TickCount(); attempt < 0x10000; ++attempt) {
    char name[16];
    std::snprintf(name, sizeof(name), "plu%X.tmp", (seed + attempt) & 0xFFFF);
    std::string path = folder + name;
    // Made ours in one step: the folder is shared, and a name seen free may be taken (or be
    // another user's link) by the time it is opened.
    const OsError e = ports_.files.CreateExclusive(path);
    if (e.code() == oscode::kFileExists) continue;
    if (!e.ok()) break;
    tempFile_ = path;
    return tempFile_;
  }
  return std::string();
}

std::string SystemVariables::StepField(std::string_view ref) {
  size_t bracket = ref.find('[');
  size_t digits = ref.find_first_of("0123456789", bracket);
  if (digits == std::string_view::npos) return std::string();
  int64_t n = 0;
  for (size_t i = digits; i < ref.size() && ref[i] >= '0' && ref[i] <= '9' && n < 1000000000; ++i)
    n = n * 10 + (ref[i] - '0');
  if (digits > 0 && ref[digits - 1] == '-') n = -n;
  const Script* script = sources_.scripts.At(sources_.host.CurrentFile());
  if (!script || n < 1 || n > static_cast<int64_t>(script->steps.size())) return std::string();
  const Step& s = script->steps[static_cast<size_t>(n - 1)];
  auto has = [&](std::string_view field) { return ref.find(field) != std::string_view::npos; };
  if (has(".action")) return s.action.str();
  if (has(".category")) return Decimal(s.category);
  if (has(".image")) return Decimal(static_cast<int64_t>(s.image) + 1);
  if (has(".text")) return s.text.substr(0, 254);
  if (has(".comment")) return s.comment.substr(0, 254);
  if (has(".options")) return s.options.str();
  if (has(".timeout")) return s.timeout.str();
  if (has(".output_option")) return s.outputValue.str();
  if (has(".output")) return s.output.str();
  if (has(".fail_mode")) return s.onfail.str();
  if (has(".fail_option")) return s.onfailValue.str();
  if (has(".fail_snapshot")) return Decimal(s.onfailImage);
  if (has(".fail_log")) return Decimal(s.onfailLog);
  if (has(".grid_text_column")) return Decimal(s.primaryField);
  if (has(".run_status")) return Decimal(s.status);
  if (has(".run_result")) return Decimal(s.ranFlag);
  if (has(".run_attempts")) return Decimal(s.runCount);
  if (has(".custom")) return s.custom.str();
  for (int v = 1; v <= 8; ++v)
    if (has(".value" + std::to_string(v))) return s.Value(v).str();
  return std::string();
}

std::optional<std::string> SystemVariables::Value(int row, Context& c) {
  Environment& env = ports_.environment;
  System& sys = ports_.system;
  const LocaleValues& loc = ports_.locale.Values();
  VariableHost& host = sources_.host;
  auto window = [&]() -> const std::optional<WindowFacts>& {
    if (!c.windowRead) {
      c.window = ports_.desktop.Facts(host.CurrentWindow());
      c.windowRead = true;
    }
    return c.window;
  };
  auto scriptPath = [&]() -> std::string {
    const Script* s = sources_.scripts.At(host.CurrentFile());
    return s ? s->path.str() : std::string();
  };
  auto fileName = [&]() {
    std::string p = scriptPath();
    size_t cut = LastSeparator(p);
    return cut == std::string::npos ? p : p.substr(cut + 1);
  };
  auto repeats = [&](int width) -> std::optional<std::string> {
    if (c.file < 0 || c.file >= ScriptSlots::kCount) return std::nullopt;
    int32_t n = std::max<int32_t>(0, host.RunRepeats(c.file));
    return width ? Padded(n, width) : Decimal(n);
  };
  auto secondMonitor = [&]() -> std::optional<MonitorArea> {
    const auto& m = Monitors();
    if (m.size() < 2) return std::nullopt;
    return m[1].left > m[0].left ? m[1] : m[0];
  };
  auto envValue = [&](const char* name) { return WithoutTrailingSeparator(env.Get(name).value_or("")); };
  const StudioWindows windows = kRows[row].var >= Var::kProgramHwnd && kRows[row].var <= Var::kProgramMenu
                                    ? host.Windows()
                                    : StudioWindows{};

  switch (kRows[row].var) {
    case Var::kLf: return std::string("\n");
    case Var::kCrLf: return std::string("\r\n");
    case Var::kCr: return std::string("\r");
    case Var::kTabChar: return std::string("\t");
    case Var::kCurDir: return WithoutTrailingSeparator(sys.CurrentDirectory());
    case Var::kCommand: return host.PromptCommand();
    case Var::kCommandId: return Decimal(host.PromptResult());
    case Var::kCmdLine: return sys.CommandLine();
    case Var::kColorDepth: return Decimal(ports_.desktop.Screen().bitsPerPixel);
    case Var::kCurrentStep: return Decimal(static_cast<int64_t>(c.step) + 1);
    case Var::kCurrentFile: return Decimal(static_cast<int64_t>(c.file) + 1);
    case Var::kFileName: return scriptPath();
    case Var::kFileBaseName: return fileName();
    case Var::kFilePath: {
      std::string p = scriptPath();
      size_t cut = LastSeparator(p);
      return cut == std::string::npos ? std::string() : p.substr(0, cut);
    }
    case Var::kFileExt: {
      std::string base = fileName();
      size_t dot = base.rfind('.');
      return dot == std::string::npos ? std::string() : base.substr(dot);
    }
    case Var::kFailStep: return Decimal(sources_.settings.ReadNumber("SOFTWARE\\Plumo\\FailStep"));
    case Var::kLoginName: return sources_.variables.Read("login_username").value_or("");
    case Var::kLoginPassword: return UnscrambleLogin(sources_.variables.Read("login_password").value_or(""));
    case Var::kLogFile: return host.LogFilePath();
    case Var::kLanguage: return std::string(LanguageName(loc.primaryLanguage));
    case Var::kMemTotal: return Decimal(static_cast<int64_t>(sys.Memory().total));
    case Var::kMemFree: return Decimal(static_cast<int64_t>(sys.Memory().available));
    case Var::kMouseX: return Decimal(ports_.desktop.CursorPosition().x);
    case Var::kMouseY: return Decimal(ports_.desktop.CursorPosition().y);
    case Var::kMonitors: return Decimal(static_cast<int64_t>(Monitors().size()));
    case Var::kMonthName: return loc.monthNames[std::clamp<int>(c.Now(ports_.clock).month, 1, 12) - 1];
    case Var::kMonthAbbr: return loc.monthAbbrevs[std::clamp<int>(c.Now(ports_.clock).month, 1, 12) - 1];
    case Var::kMonthDays: return Decimal(MonthDays(c.Now(ports_.clock)));
    case Var::kMonth2: return Padded(c.Now(ports_.clock).month, 2);
    case Var::kMonth1: return Decimal(c.Now(ports_.clock).month);
    case Var::kMinute2: return Padded(c.Now(ports_.clock).minute, 2);
    case Var::kMinute1: return Decimal(c.Now(ports_.clock).minute);
    case Var::kMillisecond: return Decimal(c.Now(ports_.clock).milliseconds);
    case Var::kProgramFiles: return envValue("PROGRAMFILES");
    case Var::kPath: return envValue("PATH");
    case Var::kReturn: return std::string("\r");
    case Var::kRepeats5: return repeats(5);
    case Var::kRepeats4: return repeats(4);
    case Var::kRepeats3: return repeats(3);
    case Var::kRepeats2: return repeats(2);
    case Var::kRepeats: return repeats(0);
    case Var::kSpace: return std::string(" ");
    case Var::kSysDir: return sys.SystemFolder();
    case Var::kStartMenu: return WithoutTrailingSeparator(env.StartMenuFolder());
    case Var::kStepField: return std::nullopt;  // references of their own, see Apply
    case Var::kScreenX: return Decimal(ports_.desktop.Screen().width);
    case Var::kScreenY: return Decimal(ports_.desktop.Screen().height);
    case Var::kScreenX2: return Decimal(secondMonitor() ? secondMonitor()->width : 0);
    case Var::kScreenY2: return Decimal(secondMonitor() ? secondMonitor()->height : 0);
    case Var::kSecond2: return Padded(c.Now(ports_.clock).second, 2);
    case Var::kSecond1: return Decimal(c.Now(ports_.clock).second);
    case Var::kTab: return std::string("\t");
    case Var::kTempDir: return env.TempFolder();
    case Var::kTempFile: return TempFile();
    case Var::kTotalSteps: {
      const Script* s = sources_.scripts.At(c.file);
      return Decimal(s ? static_cast<int64_t>(s->steps.size()) : 0);
    }
    case Var::kTicks: return Decimal(ports_.clock.TickCount());
    case Var::kTimeZone: return Decimal(sys.TimeZoneBias() / 60);
    case Var::kToday: return FormatPicture(loc.shortDateFormat, c.Now(ports_.clock), loc);
    case Var::kTime: return FormatPicture(loc.timeFormat, c.Now(ports_.clock), loc);
    case Var::kProgramExe: return env.ProgramPath();
    case Var::kProgramDir: {
      std::string p = env.ProgramPath();
      size_t cut = LastSeparator(p);
      return cut == std::string::npos ? std::string() : p.substr(0, cut + 1);
    }
    case Var::kProgramHwnd: return Decimal(windows.main);
    case Var::kProgramVer: return Decimal(kVersionMajor) + "." + Decimal(kVersionMinor);
    case Var::kProgramOutput: return Decimal(windows.output);
    case Var::kProgramList: return Decimal(windows.list);
    case Var::kProgramStatus: return Decimal(windows.status);
    case Var::kProgramMenu: return Decimal(windows.menu);
    case Var::kWinDir: return sys.WindowsFolder();
    case Var::kWinVer: return OsName(sys.Version());
    case Var::kWindowX:
      if (!window()) return std::nullopt;
      return Decimal(static_cast<int64_t>(window()->left) + 1);
    case Var::kWindowY:
      if (!window()) return std::nullopt;
      return Decimal(static_cast<int64_t>(window()->top) + 1);
    case Var::kWindowWidth: return window() ? Decimal(window()->width) : std::string();
    case Var::kWindowHeight: return window() ? Decimal(window()->height) : std::string();
    case Var::kWindowTitle: return window() ? window()->title.substr(0, 511) : std::string();
    case Var::kWindowClass: return window() ? window()->className : std::string();
    case Var::kWindowId: return window() ? Decimal(window()->controlId) : std::string();
    case Var::kWindowData: return window() ? std::to_string(window()->userData) : std::string();
    case Var::kWeekNum: {
      const SystemTime& t = c.Now(ports_.clock);
      return Decimal(WeekNumber(t.year, DayOfYearOf(t)));
    }
    case Var::kWeekdayAbbr: return loc.dayAbbrevs[c.Now(ports_.clock).dayOfWeek % 7];
    case Var::kWeekday: return loc.dayNames[c.Now(ports_.clock).dayOfWeek % 7];
    case Var::kWeekday1: return Decimal(c.Now(ports_.clock).dayOfWeek % 7);
    case Var::kWeekday2: return Padded(c.Now(ports_.clock).dayOfWeek % 7, 2);
    case Var::kUserName: return sys.UserName();
    case Var::kHwnd: return Decimal(host.CurrentWindow());
    case Var::kDesktop: return WithoutTrailingSeparator(env.DesktopFolder());
    case Var::kDocuments: return WithoutTrailingSeparator(env.DocumentsFolder());
    case Var::kAppData: return WithoutTrailingSeparator(env.AppDataFolder());
    case Var::kYear2: return Padded(c.Now(ports_.clock).year - 2000, 2);
    case Var::kYear1: return Decimal(c.Now(ports_.clock).year % 10);
    case Var::kYear4: return Padded(c.Now(ports_.clock).year, 4);
    case Var::kDay2: return Padded(c.Now(ports_.clock).day, 2);
    case Var::kDay1: return Decimal(c.Now(ports_.clock).day);
    case Var::kDayOfYear: return Decimal(DayOfYearOf(c.Now(ports_.clock)));
    case Var::kHour24: return Padded(c.Now(ports_.clock).hour, 2);
    case Var::kHour2: return Padded(Hour12(c.Now(ports_.clock).hour), 2);
    case Var::kHour12: return Decimal(Hour12(c.Now(ports_.clock).hour));
    case Var::kAmPm: return std::string(c.Now(ports_.clock).hour < 12 ? "AM" : "PM");
    case Var::kNow: {
      const SystemTime& t = c.Now(ports_.clock);
      return FormatPicture(loc.shortDateFormat, t, loc) + " " + FormatPicture(loc.timeFormat, t, loc);
    }
  }
  return std::nullopt;
}

void SystemVariables::Apply(std::string& text, int fileIndex, int stepIndex) {
  VariableHost& host = sources_.host;
  if (host.CurrentWindow() == 0) host.SetCurrentWindow(ports_.desktop.ForegroundWindow());
  Context c;
  c.file = fileIndex;
  c.step = stepIndex;
  std::vector<int> rows = RowsNamedIn(text, -1);
  for (size_t k = 0; k < rows.size(); ++k) {
    int row = rows[k];
    bool inserted = false;
    if (kRows[row].var == Var::kStepField) {
      // Each reference, up to its '}', is replaced everywhere by the field it names.
      for (size_t at = FindNoCase(text, kStepPrefix); at != std::string::npos; at = FindNoCase(text, kStepPrefix, at)) {
        size_t close = text.find('}', at);
        if (close == std::string::npos || close - at >= kMaxStepReference) {
          at += kStepPrefix.size();
          continue;
        }
        std::string ref = text.substr(at, close - at + 1);
        std::string value = StepField(ref);
        ProtectEscapeByte(value);
        inserted |= value.find('{') != std::string::npos;
        ReplaceAllNoCase(text, ref, value, at);
        at += value.size();
      }
    } else {
      std::optional<std::string> value = Value(row, c);
      if (!value) continue;
      ProtectEscapeByte(*value);
      for (std::string_view name : kRows[row].names)
        if (!name.empty()) ReplaceAllNoCase(text, name, *value);
      inserted = value->find('{') != std::string::npos;
    }
    // A value that brought braces of its own may name rows further down the table.
    if (inserted) {
      std::vector<int> later = RowsNamedIn(text, row);
      rows.resize(k + 1);
      rows.insert(rows.end(), later.begin(), later.end());
    }
  }
}

}  // namespace plumo
