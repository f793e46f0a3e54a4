#include "engine/report.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/text.h"
#include "engine/run_log.h"
#include "engine/session.h"

namespace plumo {
namespace {

constexpr uint32_t kErrorStyle = msgbox::kIconExclamation | msgbox::kTaskModal | msgbox::kForeground;
constexpr uint32_t kConfirmStyle = msgbox::kYesNo | msgbox::kIconQuestion | msgbox::kTaskModal | msgbox::kForeground;
constexpr size_t kReportReserve = 4096;

enum ReportType { kText = 0, kCsv = 1, kHtml = 2, kWorkbook = 3, kGrid = kGridReportType };

const char* const kDefaultResultTexts[5] = {"(Not Run)", "Incomplete", "Success", "Fail", "Fail and Continue"};

struct RowLook {
  const char* colour;
  const char* cellColour;  // the workbook's attribute words
  bool skipped;
};

RowLook LookOf(const Step& step) {
  if (step.status == status::kSkip) return {"d8d8d8", "bgcolor=silver ", true};
  switch (step.ranFlag) {
    case ran::kRun: case ran::kFailedPassedOver: return {"ffff80", "bgcolor=yellow ", false};
    case ran::kFailed: return {"ffc0c0", "bgcolor=red ", false};
    case ran::kSucceeded: return {"c0ffc0", "bgcolor=lime ", false};
    default: return {"ffffff", "", false};
  }
}

// The workbook's header row: its cells' attribute words, then the column names.
constexpr const char* kWorkbookHeader =
    "bold=1 align=center bgcolor=silver width=60 Step,bold=1 bgcolor=silver width=220 Action,"
    "bold=1 bgcolor=silver width=420 Text,bold=1 align=center bgcolor=silver width=120 Result\r\n";

std::string Padded(std::string s, size_t width) {
  if (s.size() < width) s.resize(width, ' ');
  return s;
}

std::string TextColumn(Session& session, const Step& step, int type, size_t maxTextLen) {
  std::string raw = session.Expand(step.text.empty() ? std::string_view(step.value1) : std::string_view(step.text));
  raw = raw.substr(0, maxTextLen + 1);
  std::string out;
  for (char c : raw) {
    if (c == '\r') continue;
    if (c == '\n' || c == '\t') c = ' ';
    if (c == ',') {
      if (type == kText || type == kWorkbook) continue;
      if (type == kCsv) c = ' ';
    }
    out.push_back(c);
  }
  if (type == kCsv) out += ", ";
  if (type == kText) out = Padded(out, maxTextLen);
  return out;
}

bool IsRelative(const std::string& path) {
  if (path.empty()) return true;
  if (path[0] == '\\' || path[0] == '/') return false;
  return !(path.size() >= 2 && path[1] == ':');
}

std::string FolderOf(std::string_view path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut + 1));
}

}  // namespace

std::string BuildReport(Session& session, const Script& script, const ReportOptions& options) {
  const int type = options.type;
  SystemTime t = session.clock().LocalTime();
  std::string heading = FormatText("Plumo report for \"%s\"\r\nCreated on %d %s %d at %d:%02d",
                                   ScriptFileName(script.path).c_str(), t.day, std::string(MonthName(t.month)).c_str(),
                                   t.year, t.hour, t.minute);
  std::string out;
  if (type == kHtml) {
    out += "<html>\r\n<head>\r\n<title>" + options.outputName +
           "</title>\r\n<style type=\"text/css\">td { font-family: Arial; font-size: 12px; color:202020; "
           "</style></head>\r\n<body>\r\n\r\n";
    out += "<font color=\"#404040\" style=\"font-size: 14px\" face=\"Verdana,Tahoma,Arial,Helvetica\">\r\n";
    size_t created = heading.find("Created");
    out += heading.substr(0, created) + "<br>" + heading.substr(created);
    out += "\r\n<br><br>\r\n\r\n<center>\r\n";
    out += "<table cellpadding=\"2\" cellspacing=\"1\" border=\"0\" bgcolor=\"#b8b8b8\">\r\n";
    out += "<tr>\r\n    <td bgcolor=\"#e8e8e8\" align=\"center\">Step</td>    <td bgcolor=\"#e8e8e8\">Action</td>\r\n"
           "    <td bgcolor=\"#e8e8e8\">Text</td>\r\n<td bgcolor=\"#e8e8e8\" align=\"center\">Result</td>\r\n</tr>\r\n";
  } else {
    out += heading + "\r\n\r\n";
    if (type == kWorkbook) out += kWorkbookHeader;
  }

  for (size_t i = 0; i < script.steps.size() && out.size() + kReportReserve < kReportBufferBytes; ++i) {
    const Step& step = script.steps[i];
    const RowLook look = LookOf(step);
    const int number = static_cast<int>(i) + 1;
    if (type == kHtml)
      out += FormatText("<tr>\r\n    <td bgcolor=\"#%s\" align=\"center\">%d</td>    <td bgcolor=\"#%s\">%s</td>\r\n    "
                        "<td bgcolor=\"#%s\">",
                        look.colour, number, look.colour, step.action.c_str(), look.colour);
    else if (type == kCsv)
      out += FormatText("%d, %s, ", number, step.action.c_str());
    else if (type == kWorkbook)
      out += FormatText("align=center %s%d,%s%s,%s", look.cellColour, number, look.cellColour, step.action.c_str(),
                        look.cellColour);
    else
      out += Padded(FormatText("STEP %d", number), 10) + Padded(step.action.str(), 40);
    out += TextColumn(session, step, type, options.maxTextLen);
    const std::string result = ResultTextOf(step, options.resultTexts);
    if (type == kHtml)
      out += FormatText("</td>\r\n<td bgcolor=\"#%s\" align=\"center\">", look.colour) + result + "</td>\r\n</tr>\r\n";
    else if (type == kWorkbook)
      out += FormatText(",align=center %s", look.cellColour) + result + "\r\n";
    else
      out += result + "\r\n";
  }
  if (type == kHtml) out += "</table>\r\n</center>\r\n\r\n</font>\r\n</body>\r\n</html>\r\n";
  return out;
}

std::string ReportNameFor(std::string_view name, int type) {
  static constexpr std::string_view kExtensions[] = {".txt", ".csv", ".htm", ".xlsx"};
  std::string out(name);
  if (out.empty() || type < kText || type > kWorkbook) return out;
  for (std::string_view ext : kExtensions)
    if (EndsWithNoCase(out, ext)) out.resize(out.size() - ext.size());
  if (EndsWithNoCase(out, ".html") || EndsWithNoCase(out, ".xls")) out.resize(out.rfind('.'));
  return out + std::string(kExtensions[type]);
}

void ReadResultTexts(SettingsStore& settings, std::string (&texts)[5]) {
  for (int i = 0; i < 5; ++i) {
    texts[i] = settings.ReadText("*\\Report\\ResultText_%d", 260, {i});
    if (texts[i].empty()) texts[i] = kDefaultResultTexts[i];
  }
}

std::string ResultTextOf(const Step& step, const std::string (&texts)[5]) {
  return LookOf(step).skipped ? "Skipped" : texts[std::clamp<int>(step.ranFlag, 0, 4)];
}

bool ReportOfLastRun(Session& session, int slot) {
  const Script* script = session.scripts.At(slot);
  if (!script || script->steps.empty()) return false;
  SettingsStore& settings = session.settings();
  // The grid snapshot goes to the clipboard: no file to name, ask about or delete.
  const int type = settings.ReadNumber("*\\Report\\ReportType");
  if (type == kGrid) {
    session.view().SendCommand(kGridSnapshotCommand, kGridSnapshotCode);
    return true;
  }
  std::string path(Trim(settings.ReadText("*\\Report\\OutputFile", 260)));
  if (path.empty()) {
    AskUser(session, "Invalid output file designated", path, kErrorStyle);
    return false;
  }
  if (IsRelative(path)) path = FolderOf(script->path) + path;
  if (session.files().Kind(path) == PathKind::kFile) {
    std::string question = "The file '" + path + "' already exists.\n\nReplace existing file?";
    if (AskUser(session, question, "Confirm Action", kConfirmStyle) != answer::kYes) return false;
  }
  if (type < 0 || type > kGrid) {
    AskUser(session, "Unknown report type " + std::to_string(type), "Plumo Error", kErrorStyle);
    return false;
  }
  if (type == kWorkbook && !session.writeWorkbook) {
    AskUser(session, "Reports as workbooks need the Excel actions, which this program does not carry.", "Plumo Error",
            kErrorStyle);
    return false;
  }
  ReportOptions options;
  options.type = type;
  options.maxTextLen = settings.Probe("*\\Report\\MaxTextLen") > 0
                           ? static_cast<size_t>(std::clamp(settings.ReadNumber("*\\Report\\MaxTextLen"), 0, 256))
                           : 50;
  options.outputName = ScriptFileName(path);
  ReadResultTexts(settings, options.resultTexts);
  const std::string bytes = BuildReport(session, *script, options);
  if (type == kWorkbook) {
    if (std::string e = session.writeWorkbook(session, path, bytes); !e.empty()) {
      AskUser(session, "Unable to write the report: " + e, path, kErrorStyle);
      return false;
    }
  } else if (bool created = false; !session.files().ReplaceContent(path, bytes, &created).ok()) {
    // The old report stays whole until the new one is complete.
    AskUser(session, "Unable to write the report", path, kErrorStyle);
    return false;
  }
  const bool open = settings.Probe("*\\Report\\OpenImmediately") == 0 || settings.ReadNumber("*\\Report\\OpenImmediately");
  if (open && !session.system().ShellOpen(path).ok())
    AskUser(session, "Unable to launch report", path, kErrorStyle);
  return true;
}

}  // namespace plumo
