// The report of the last run: one row per Step with its text and result, as plain text (0),
// comma-separated text (1), HTML (2) or a workbook (3, the text with cell attributes handed
// to the workbook writer); type 4 is the studio's grid snapshot.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "scripts/script.h"
#include "settings/settings_store.h"

namespace plumo {

class Session;

constexpr size_t kReportBufferBytes = 32u << 20;
constexpr int kGridSnapshotCommand = 1437;
constexpr int kGridSnapshotCode = 1234;
// `*\Report\ReportType` of the grid snapshot.
constexpr int kGridReportType = 4;

struct ReportOptions {
  int type = 0;
  size_t maxTextLen = 50;
  std::string outputName;          // the output file's name, the HTML title
  std::string resultTexts[5];      // by ranFlag
};

// The texts a report gives each run result (`*\Report\ResultText_%d`, by ranFlag).
void ReadResultTexts(SettingsStore& settings, std::string (&texts)[5]);
// The Step's result in a report: "Skipped" for a skipped Step, else the text of its ranFlag.
std::string ResultTextOf(const Step& step, const std::string (&texts)[5]);

// The report's bytes for types 0 to 3.
std::string BuildReport(Session& session, const Script& script, const ReportOptions& options);

// The report file's name with the extension of the type (".txt", ".csv", ".htm", ".xlsx"),
// in place of any of those; unchanged for the grid snapshot or an empty name.
std::string ReportNameFor(std::string_view name, int type);

// Command 1016 after its dialog stored the settings: asks, writes and opens the report.
// Returns true when a report was written (or handed on).
bool ReportOfLastRun(Session& session, int slot);

}  // namespace plumo
