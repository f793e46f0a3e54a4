// The Properties palette's table: for every action, the rows it shows (label, editor, bound
// field, choices, help line). The text lives in data/property_rows.txt and is compiled into the
// programs; docs/properties.md describes its format.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace plumo {

enum class EditorKind {
  kText,
  kLines,      // multi-line text
  kKeys,       // multi-line text with the key-insertion menu
  kNumber,
  kCheck,      // one option word
  kExclusive,  // one option word out of the choices
  kChoice,     // fixed values offered for the field (over options: one word out of them)
  kFile,
  kFolder,
  kWindow,     // window picker: fills the match data from a window under the cross-hair
  kPixel,      // colour picker
  kRecording,
};

// The Step field a row edits.
enum class StepField {
  kText,
  kData,
  kTimeout,
  kValue1,  // kValue1 + n - 1 is value n
  kValue2,
  kValue3,
  kValue4,
  kValue5,
  kValue6,
  kValue7,
  kValue8,
  kOutputValue,
  kOptions,
  kOutput,
  kOnfail,
  kOnfailValue,
  kOnfailImage,
  kOnfailLog,
  kComment,
};

// A row whose value is one of its choices and nothing else: an exclusive row, or a choice over
// option words (a free text there would be no option word).
inline bool TakesOnlyItsChoices(EditorKind editor, StepField field) {
  return editor == EditorKind::kExclusive || (editor == EditorKind::kChoice && field == StepField::kOptions);
}

struct PropertyRowDef {
  std::string_view label;
  EditorKind editor = EditorKind::kText;
  StepField field = StepField::kText;
  int textPart = 0;               // 1 to 5: the part of `text` between "|" it edits; 0 all
  std::string_view choices;       // items separated by ";", from the vocabulary
  std::string_view option;        // check rows: the option word
  std::string_view help;
};

class PropertyTable {
 public:
  // Reads a table text, which must outlive the table (the rows point into it); on a fault
  // gives an empty table and the fault with its line number.
  static PropertyTable Parse(std::string_view text, std::string* error);
  // The table compiled into the program, read once.
  static const PropertyTable& Embedded();

  // The rows of an action (its name matched without regard to case); null when it has none.
  const std::vector<PropertyRowDef>* RowsFor(std::string_view action) const;
  // Action names in table order.
  const std::vector<std::string>& actions() const { return order_; }

 private:
  std::vector<std::string> order_;
  std::map<std::string, std::vector<PropertyRowDef>, LessNoCase> rows_;
};

std::string_view EmbeddedPropertyTable();

}  // namespace plumo
