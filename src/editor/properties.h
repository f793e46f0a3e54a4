// The Properties palette's model: the rows shown for a Step, with their current texts, and the
// edit of one row. The grid draws the rows and hands edits back through Document::EditStep, so
// that each is undoable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "editor/property_table.h"
#include "scripts/action_catalog.h"
#include "scripts/step.h"

namespace plumo {

struct PropertyRow {
  int position = 0;  // 0 to 23
  std::string_view label;
  EditorKind editor = EditorKind::kText;
  StepField field = StepField::kText;
  int textPart = 0;
  std::string_view choices;
  std::string_view option;
  std::string_view help;
  // What the grid shows: the field's text; for a choice over option words the current choice;
  // for a check box "1" or "0".
  std::string value;
  bool readOnly = false;
};

// The action's rows from the table, then the result target rows (when the action stores a
// result), the failure rows (when it can fail; with a time-out row unless the action shows
// one) and the comment row; at most kMaxPropertyRows.
// The catalogue decides the two flags; an action it lacks keeps the Step's own.
std::vector<PropertyRow> PropertyRowsFor(const Step& step, const ActionCatalog& catalog,
                                         const PropertyTable& table = PropertyTable::Embedded());

// Writes newValue through the row: the field, the part of `text`, or the option words (a
// check box: "0" or "" clears it, anything else sets it; a choice over option words replaces
// the list's word and leaves the others). False when nothing changed: the same value, a
// read-only row, or a word that is not one of an exclusive list.
bool ApplyProperty(Step& step, const PropertyRow& row, std::string_view newValue);

// The label of the `outputValue` row for a result target, and of the `onfailValue` row for a
// failure mode; the row is read-only when the label is the optional-data one.
std::string_view OutputValueLabel(std::string_view output);
std::string_view FailureValueLabel(std::string_view onfail);

}  // namespace plumo
