#include "actions/integration/workbooks/cell_format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <span>

#include "base/text.h"
#include "scripts/step.h"
#include "vars/number_text.h"

namespace plumo {
namespace {

enum class ValueKind { kText, kFlag, kNumber, kColour, kHorizontal, kVertical, kBorder, kReadOnly };

struct ItemRow {
  FormatItem item;
  const char* setName;  // the word of Set Cell Format; null when it cannot be set
  const char* getName;  // the word of Get Cell Format
  ValueKind kind;
  double maximum;       // for numbers
};
constexpr ItemRow kItems[] = {
    {FormatItem::kDataFormat, "Data Format", "Data Format", ValueKind::kText, 0},
    {FormatItem::kBold, "Bold", "Is Bold", ValueKind::kFlag, 0},
    {FormatItem::kItalic, "Italic", "Is Italic", ValueKind::kFlag, 0},
    {FormatItem::kUnderline, "Underlined", "Is Underlined", ValueKind::kFlag, 0},
    {FormatItem::kFontName, "Font Name", "Font Name", ValueKind::kText, 0},
    {FormatItem::kFontSize, "Font Size", "Font Size", ValueKind::kNumber, 409},
    {FormatItem::kFontColour, "Font Color", "Font Color", ValueKind::kColour, 0},
    {FormatItem::kFillColour, "Background Color", "Background Color", ValueKind::kColour, 0},
    {FormatItem::kHorizontal, "Horizontal Alignment", "Horizontal Alignment", ValueKind::kHorizontal, 0},
    {FormatItem::kVertical, "Vertical Alignment", "Vertical Alignment", ValueKind::kVertical, 0},
    {FormatItem::kColumnWidth, "Column Width", "Column Width", ValueKind::kNumber, 255},
    {FormatItem::kRowHeight, "Row Height", "Row Height", ValueKind::kNumber, 409},
    {FormatItem::kBorder, "Border", nullptr, ValueKind::kBorder, 0},
    {FormatItem::kBorderWeight, nullptr, "Border Weight", ValueKind::kReadOnly, 0},
    {FormatItem::kBorderStyle, nullptr, "Border Line Style", ValueKind::kReadOnly, 0},
    {FormatItem::kTotalRows, nullptr, "Total Rows", ValueKind::kReadOnly, 0},
    {FormatItem::kTotalColumns, nullptr, "Total Columns", ValueKind::kReadOnly, 0},
};

const ItemRow& RowOf(FormatItem item) {
  for (const ItemRow& row : kItems)
    if (row.item == item) return row;
  return kItems[0];
}

constexpr BorderRow kBorders[] = {
    {"", "None", "None", 2, -4142},
    {"hair", "Hairline", "Continuous", 1, 1},
    {"thin", "Thin", "Continuous", 2, 1},
    {"medium", "Medium", "Continuous", -4138, 1},
    {"thick", "Thick", "Continuous", 4, 1},
    {"dashed", "Thin", "Dash", 2, -4115},
    {"mediumDashed", "Medium", "Dash", -4138, -4115},
    {"dotted", "Thin", "Dot", 2, -4118},
    {"double", "Thick", "Double", 4, -4119},
    {"dashDot", "Thin", "Dash Dot", 2, 4},
    {"mediumDashDot", "Medium", "Dash Dot", -4138, 4},
    {"dashDotDot", "Thin", "Dash Dot Dot", 2, 5},
    {"mediumDashDotDot", "Medium", "Dash Dot Dot", -4138, 5},
    {"slantDashDot", "Medium", "Slant Dash Dot", -4138, 13},
};

constexpr AlignmentRow kHorizontal[] = {
    {"General", "", 1},        {"Left", "left", -4131},       {"Center", "center", -4108},
    {"Right", "right", -4152}, {"Fill", "fill", 5},           {"Justify", "justify", -4130},
    {"Center Across Selection", "centerContinuous", 7},       {"Distributed", "distributed", -4117},
};
constexpr AlignmentRow kVertical[] = {
    {"Bottom", "", -4107}, {"Top", "top", -4160}, {"Center", "center", -4108},
    {"Justify", "justify", -4130}, {"Distributed", "distributed", -4117},
};

struct NamedColour {
  const char* name;
  int32_t rgb;
};
constexpr NamedColour kColours[] = {
    {"black", 0x000000}, {"white", 0xFFFFFF}, {"red", 0xFF0000},    {"lime", 0x00FF00},   {"blue", 0x0000FF},
    {"yellow", 0xFFFF00}, {"fuchsia", 0xFF00FF}, {"magenta", 0xFF00FF}, {"aqua", 0x00FFFF}, {"cyan", 0x00FFFF},
    {"maroon", 0x800000}, {"green", 0x008000}, {"navy", 0x000080},  {"olive", 0x808000},  {"purple", 0x800080},
    {"teal", 0x008080},  {"silver", 0xC0C0C0}, {"gray", 0x808080},  {"grey", 0x808080},   {"orange", 0xFFA500},
};

int32_t FromRgb(int32_t rgb) { return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16); }

bool ParseNumber(std::string_view text, double* out) {
  text = Trim(text);
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size() && std::isfinite(*out);
}

std::optional<bool> ParseFlag(std::string_view text) {
  text = Trim(text);
  for (const char* yes : {"", "1", "true", "yes", "on"})
    if (EqualsNoCase(text, yes)) return true;
  for (const char* no : {"0", "false", "no", "off"})
    if (EqualsNoCase(text, no)) return false;
  return std::nullopt;
}

// "Medium Dash", "thin", "Double", "None": a weight word and a line style word in any order,
// Thin and Continuous when one is left out.
const BorderRow* ParseBorder(std::string_view text) {
  text = Trim(text);
  if (text.empty() || EqualsNoCase(text, "None")) return &kBorders[0];
  for (const BorderRow& row : kBorders)
    if (*row.file && EqualsNoCase(text, row.file)) return &row;
  std::string_view weight, style;
  for (std::string_view w : {"Hairline", "Thin", "Medium", "Thick"})
    if (ContainsNoCase(text, w)) weight = w;
  for (std::string_view st : {"Slant Dash Dot", "Dash Dot Dot", "Dash Dot", "Dash", "Dot", "Double", "Continuous"}) {
    if (ContainsNoCase(text, st)) {
      style = st;
      break;
    }
  }
  if (weight.empty() && style.empty()) return nullptr;
  if (style == "Double") weight = "Thick";
  if (weight.empty()) weight = "Thin";
  if (style.empty()) style = "Continuous";
  for (const BorderRow& row : kBorders)
    if (weight == row.weight && style == row.lineStyle) return &row;
  return nullptr;
}

}  // namespace

std::optional<FormatItem> SetFormatItemOf(std::string_view options) {
  for (const ItemRow& row : kItems)
    if (row.setName && HasOption(options, row.setName)) return row.item;
  return std::nullopt;
}

std::optional<FormatItem> GetFormatItemOf(std::string_view options) {
  for (const ItemRow& row : kItems)
    if (row.getName && HasOption(options, row.getName)) return row.item;
  return std::nullopt;
}

std::string_view FormatItemName(FormatItem item) {
  const ItemRow& row = RowOf(item);
  return row.setName ? row.setName : row.getName;
}

std::optional<int32_t> ParseColour(std::string_view text) {
  text = Trim(text);
  for (const NamedColour& c : kColours)
    if (EqualsNoCase(text, c.name)) return FromRgb(c.rgb);
  int32_t v = 0;
  if (text.size() == 7 && text[0] == '#') {
    auto [end, ec] = std::from_chars(text.data() + 1, text.data() + 7, v, 16);
    if (ec == std::errc() && end == text.data() + 7) return FromRgb(v);
    return std::nullopt;
  }
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (!text.empty() && ec == std::errc() && end == text.data() + text.size() && v >= -1 && v <= 0xFFFFFF) return v;
  if (EqualsNoCase(text, "None") || EqualsNoCase(text, "Automatic")) return kAutomaticColour;
  return std::nullopt;
}

bool NormalizeFormatValue(FormatItem item, std::string_view text, std::string* value, std::string* error) {
  const ItemRow& row = RowOf(item);
  const std::string shown(Trim(text));
  switch (row.kind) {
    case ValueKind::kText:
      *value = shown.empty() && item == FormatItem::kDataFormat ? "General" : shown;
      if (value->empty()) *error = "No font name was given";
      return !value->empty();
    case ValueKind::kFlag: {
      auto flag = ParseFlag(text);
      if (flag) *value = *flag ? "1" : "0";
      else *error = "\"" + shown + "\" is not 1 or 0";
      return flag.has_value();
    }
    case ValueKind::kNumber: {
      double v = 0;
      if (!ParseNumber(text, &v) || v < 0 || v > row.maximum) {
        *error = "\"" + shown + "\" is not a number from 0 to " + NumberToText(row.maximum, 15);
        return false;
      }
      *value = NumberToText(v, 15);
      return true;
    }
    case ValueKind::kColour: {
      auto colour = ParseColour(text);
      if (colour) *value = std::to_string(*colour);
      else *error = "\"" + shown + "\" is not a colour (a name, #RRGGBB or a number)";
      return colour.has_value();
    }
    case ValueKind::kHorizontal: case ValueKind::kVertical: {
      const AlignmentRow* a = AlignmentByWord(row.kind == ValueKind::kHorizontal, text);
      if (a) *value = a->word;
      else *error = "\"" + shown + "\" is not an alignment";
      return a != nullptr;
    }
    case ValueKind::kBorder: {
      const BorderRow* b = ParseBorder(text);
      if (b) *value = b->file;
      else *error = "\"" + shown + "\" is not a border";
      return b != nullptr;
    }
    case ValueKind::kReadOnly: break;
  }
  *error = std::string(FormatItemName(item)) + " cannot be set";
  return false;
}

std::string_view TakeCellAttributes(std::string_view cell, std::vector<FormatSetting>* out) {
  struct Attribute {
    const char* name;
    FormatItem item;
  };
  static constexpr Attribute kAttributes[] = {
      {"width", FormatItem::kColumnWidth}, {"height", FormatItem::kRowHeight}, {"align", FormatItem::kHorizontal},
      {"valign", FormatItem::kVertical},   {"bgcolor", FormatItem::kFillColour}, {"color", FormatItem::kFontColour},
      {"size", FormatItem::kFontSize},     {"font", FormatItem::kFontName},    {"bold", FormatItem::kBold},
      {"italic", FormatItem::kItalic},     {"underline", FormatItem::kUnderline}, {"border", FormatItem::kBorder},
      {"format", FormatItem::kDataFormat},
  };
  for (;;) {
    size_t start = 0;
    while (start < cell.size() && cell[start] == ' ') ++start;
    const size_t eq = cell.find('=', start);
    if (eq == std::string_view::npos) return cell;
    const std::string_view name = cell.substr(start, eq - start);
    const Attribute* attr = nullptr;
    for (const Attribute& a : kAttributes)
      if (EqualsNoCase(name, a.name)) attr = &a;
    if (!attr) return cell;
    size_t valueStart = eq + 1, valueEnd, next;
    if (valueStart < cell.size() && cell[valueStart] == '"') {
      valueEnd = cell.find('"', ++valueStart);
      if (valueEnd == std::string_view::npos) return cell;
      next = valueEnd + 1;
    } else {
      valueEnd = cell.find(' ', valueStart);
      if (valueEnd == std::string_view::npos) valueEnd = cell.size();
      next = valueEnd;
    }
    std::string_view raw = cell.substr(valueStart, valueEnd - valueStart);
    std::string text(raw), value, error;
    double pixels = 0;
    if (attr->item == FormatItem::kColumnWidth || attr->item == FormatItem::kRowHeight) {
      if (!ParseNumber(raw, &pixels) || pixels < 0) return cell;
      // Excel's conversion for its standard font: 7 pixels a character plus 5 of padding;
      // 4 pixels are 3 points.
      text = attr->item == FormatItem::kColumnWidth ? NumberToText(std::floor(std::max(0.0, pixels - 5) / 7 * 100 + 0.5) / 100, 15)
                                                    : NumberToText(pixels * 0.75, 15);
    }
    if (raw.empty() || !NormalizeFormatValue(attr->item, text, &value, &error)) return cell;
    out->push_back({attr->item, value});
    if (next < cell.size() && cell[next] == ' ') ++next;
    cell.remove_prefix(next);
  }
}

void ApplyToStyle(CellStyle& s, const FormatSetting& f) {
  switch (f.item) {
    case FormatItem::kDataFormat: s.numberFormat = f.value; break;
    case FormatItem::kBold: s.bold = f.value == "1"; break;
    case FormatItem::kItalic: s.italic = f.value == "1"; break;
    case FormatItem::kUnderline: s.underline = f.value == "1"; break;
    case FormatItem::kFontName: s.fontName = f.value; break;
    case FormatItem::kFontSize: s.fontSize = std::atof(f.value.c_str()); break;
    case FormatItem::kFontColour: s.fontColour = std::atoi(f.value.c_str()); break;
    case FormatItem::kFillColour: s.fillColour = std::atoi(f.value.c_str()); break;
    case FormatItem::kHorizontal: s.horizontal = AlignmentByWord(true, f.value)->file; break;
    case FormatItem::kVertical: s.vertical = AlignmentByWord(false, f.value)->file; break;
    case FormatItem::kBorder: s.border = f.value; break;
    default: break;
  }
}

std::string StyleValue(const CellStyle& s, FormatItem item) {
  const BorderRow* border = BorderByFile(s.border);
  switch (item) {
    case FormatItem::kDataFormat: return s.numberFormat;
    case FormatItem::kBold: return s.bold ? "1" : "0";
    case FormatItem::kItalic: return s.italic ? "1" : "0";
    case FormatItem::kUnderline: return s.underline ? "1" : "0";
    case FormatItem::kFontName: return s.fontName;
    case FormatItem::kFontSize: return NumberToText(s.fontSize, 15);
    // Excel reports an automatic font as black and no fill as white.
    case FormatItem::kFontColour: return std::to_string(s.fontColour == kAutomaticColour ? 0 : s.fontColour);
    case FormatItem::kFillColour: return std::to_string(s.fillColour == kAutomaticColour ? 0xFFFFFF : s.fillColour);
    case FormatItem::kHorizontal: { auto* a = AlignmentByFile(true, s.horizontal); return a ? a->word : "General"; }
    case FormatItem::kVertical: { auto* a = AlignmentByFile(false, s.vertical); return a ? a->word : "Bottom"; }
    case FormatItem::kBorderWeight: return border ? border->weight : "Thin";
    case FormatItem::kBorderStyle: return border ? border->lineStyle : "Continuous";
    default: return {};
  }
}

const BorderRow* BorderByFile(std::string_view file) {
  for (const BorderRow& row : kBorders)
    if (file == row.file) return &row;
  return nullptr;
}

const BorderRow* BorderByExcel(int weight, int lineStyle) {
  if (lineStyle == -4142) return &kBorders[0];
  for (const BorderRow& row : kBorders)
    if (row.excelWeight == weight && row.excelLineStyle == lineStyle) return &row;
  return nullptr;
}

const AlignmentRow* AlignmentByWord(bool horizontal, std::string_view word) {
  word = Trim(word);
  for (const AlignmentRow& row : horizontal ? std::span<const AlignmentRow>(kHorizontal) : std::span<const AlignmentRow>(kVertical))
    if (EqualsNoCase(word, row.word) || (*row.file && EqualsNoCase(word, row.file))) return &row;
  return nullptr;
}

const AlignmentRow* AlignmentByFile(bool horizontal, std::string_view file) {
  for (const AlignmentRow& row : horizontal ? std::span<const AlignmentRow>(kHorizontal) : std::span<const AlignmentRow>(kVertical))
    if (file == row.file) return &row;
  return nullptr;
}

const AlignmentRow* AlignmentByExcel(bool horizontal, int excel) {
  for (const AlignmentRow& row : horizontal ? std::span<const AlignmentRow>(kHorizontal) : std::span<const AlignmentRow>(kVertical))
    if (excel == row.excel) return &row;
  return nullptr;
}

}  // namespace plumo
