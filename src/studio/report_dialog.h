// Report of Last Run: where the report goes, its format and whether it opens; the report
// itself is written by the run engine from these settings (*\Report\...).
#pragma once

#include <windows.h>

#include <string>

#include "settings/settings_store.h"

namespace plumo {

inline constexpr char kReportDialogTitle[] = "Report of Last Run";

namespace reportid {
enum : int { kFile = 500, kBrowse, kText, kCsv, kHtml, kWorkbook, kGrid, kOpen };
}  // namespace reportid

// True when the user chose Create; the choices are then stored.
bool RunReportDialog(HWND owner, SettingsStore& store, const std::string& scriptPath);

}  // namespace plumo
