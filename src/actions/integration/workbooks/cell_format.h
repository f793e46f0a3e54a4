// The cell formats the workbook actions read and set, the same through Excel and through
// Plumo's own files: the "Format Item" words, their values in one written form each, and the
// attribute words that may stand in front of a cell's data ("bgcolor=silver bold=1 Total").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "actions/integration/workbooks/workbook_model.h"

namespace plumo {

enum class FormatItem {
  kDataFormat, kBold, kItalic, kUnderline, kFontName, kFontSize, kFontColour, kFillColour,
  kHorizontal, kVertical, kColumnWidth, kRowHeight, kBorder, kBorderWeight, kBorderStyle,
  kTotalRows, kTotalColumns,
};

// One format change with its value in the written form: flags "1"/"0", colours as decimal
// Windows colours ("-1" automatic), alignments as words ("Center"), widths in characters,
// heights in points, borders as the file's style word ("thin", "mediumDashed", "" none).
struct FormatSetting {
  FormatItem item;
  std::string value;
};

// The item an options text names ("Bold" for Set Cell Format, "Is Bold" for Get Cell
// Format), by the first word of the list that occurs in it.
std::optional<FormatItem> SetFormatItemOf(std::string_view options);
std::optional<FormatItem> GetFormatItemOf(std::string_view options);
std::string_view FormatItemName(FormatItem item);

// The written form of a value a Step gives; false with the reason in *error.
bool NormalizeFormatValue(FormatItem item, std::string_view text, std::string* value, std::string* error);

// Takes the attribute words from the front of a cell's data and gives the rest. Only the
// known names with a valid value count; the first other word starts the data.
// width and height are in pixels, as in HTML.
std::string_view TakeCellAttributes(std::string_view cell, std::vector<FormatSetting>* out);

// Colour words: the sixteen HTML names, "#RRGGBB", or a decimal Windows colour.
std::optional<int32_t> ParseColour(std::string_view text);

// The model's side: a setting applied to a style, and a style's value for Get Cell Format.
void ApplyToStyle(CellStyle& style, const FormatSetting& setting);
std::string StyleValue(const CellStyle& style, FormatItem item);

// Border style words and Excel's constants for them.
struct BorderRow {
  const char* file;        // the file's style word; "" none
  const char* weight;      // "None", "Hairline", "Thin", "Medium", "Thick"
  const char* lineStyle;   // "None", "Continuous", "Dash", "Dot", "Double", ...
  int excelWeight;
  int excelLineStyle;
};
const BorderRow* BorderByFile(std::string_view file);
const BorderRow* BorderByExcel(int weight, int lineStyle);

// Alignment words and their file and Excel forms.
struct AlignmentRow {
  const char* word;
  const char* file;
  int excel;
};
const AlignmentRow* AlignmentByWord(bool horizontal, std::string_view word);
const AlignmentRow* AlignmentByFile(bool horizontal, std::string_view file);
const AlignmentRow* AlignmentByExcel(bool horizontal, int excel);

}  // namespace plumo
