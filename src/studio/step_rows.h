// What one row of the studio's Step list shows: the text of each column and the colours, from
// the Step, its marks and its run result. Portable, so the list's look is tested natively.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "scripts/script.h"
#include "scripts/step.h"
#include "settings/settings_store.h"

namespace plumo {

enum class StepColumn : int { kNumber = 0, kAction, kDetails, kComment, kCount };

inline constexpr const char* kStepColumnTitles[] = {"Step", "Action", "Details", "Comment"};
// Default widths at 96 DPI.
inline constexpr int kStepColumnWidths[] = {56, 190, 360, 260};

// Colours the list draws with, read once from the settings (colour references 0x00BBGGRR).
struct ListColours {
  uint32_t skipText, skipFill, breakText, breakFill, bookmark, commentText, commentFill;
  uint32_t successFill, failFill;
  bool commentItalic;
};
ListColours ReadListColours(SettingsStore& store);

// kDefault: the system's colour for the row.
inline constexpr uint32_t kDefault = 0xFFFFFFFF;
inline constexpr uint32_t kPassedOverText = 0x808080;

struct RowLook {
  uint32_t text = kDefault;
  uint32_t fill = kDefault;
  bool italic = false;
};

// Marks win over run results (a skipped Step did not run); a Comment Step is drawn as a note.
RowLook LookOfRow(const Step& step, const ListColours& colours, bool showingResults);
// The Comment column of an ordinary Step.
RowLook LookOfComment(const ListColours& colours);

// The column's text: the number is the index plus 1; the action is indented per level; the
// details are the first line of the Step's main parameter.
std::string ColumnText(const Step& step, size_t index, StepColumn column, const std::string& indent);

// The list as text for the clipboard ("Grid Snapshot"): a line of column titles, then one line
// per Step with its columns as the list shows them and `resultOf` it, separated by tabs, so
// that it pastes into a spreadsheet as a table. Tabs inside a cell become spaces.
std::string GridSnapshotText(const Script& script, const std::string& indent,
                             const std::function<std::string(const Step&)>& resultOf);

// The Step's main parameter by its `primaryField`.
const std::string& PrimaryText(const Step& step);

}  // namespace plumo
