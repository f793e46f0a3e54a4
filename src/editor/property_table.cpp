#include "editor/property_table.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <span>

#include "scripts/properties_vocabulary.h"

namespace plumo {
namespace {

template <class E>
struct Named {
  std::string_view name;
  E value;
};

constexpr Named<EditorKind> kEditorNames[] = {
    {"text", EditorKind::kText},       {"lines", EditorKind::kLines},         {"keys", EditorKind::kKeys},
    {"number", EditorKind::kNumber},   {"check", EditorKind::kCheck},         {"exclusive", EditorKind::kExclusive},
    {"choice", EditorKind::kChoice},   {"file", EditorKind::kFile},           {"folder", EditorKind::kFolder},
    {"window", EditorKind::kWindow},   {"pixel", EditorKind::kPixel},         {"recording", EditorKind::kRecording},
};

// The fields a table row may name; the result target, failure and comment rows are the model's.
constexpr Named<StepField> kFieldNames[] = {
    {"text", StepField::kText},          {"data", StepField::kData},       {"timeout", StepField::kTimeout},
    {"value1", StepField::kValue1},      {"value2", StepField::kValue2},   {"value3", StepField::kValue3},
    {"value4", StepField::kValue4},      {"value5", StepField::kValue5},   {"value6", StepField::kValue6},
    {"value7", StepField::kValue7},      {"value8", StepField::kValue8},   {"outputValue", StepField::kOutputValue},
    {"options", StepField::kOptions},
};

constexpr int kMaxTextParts = 5;

template <class E>
std::optional<E> FindNamed(std::span<const Named<E>> names, std::string_view name) {
  for (const Named<E>& n : names)
    if (n.name == name) return n.value;
  return std::nullopt;
}

bool KnownLabel(std::string_view label) {
  return std::find(std::begin(kPropertyLabels), std::end(kPropertyLabels), label) != std::end(kPropertyLabels);
}

// "Label #n": the label and n (1 without a suffix). Labels such as "File Name #2" are their own.
std::pair<std::string_view, int> LabelAndVariant(std::string_view text) {
  const size_t hash = text.rfind(" #");
  if (KnownLabel(text)) return {text, 1};
  if (hash == std::string_view::npos) return {text, 1};
  const std::string_view digits = text.substr(hash + 2);
  int n = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (ec != std::errc() || end != digits.data() + digits.size() || n < 1) return {text, 1};
  return {Trim(text.substr(0, hash)), n};
}

template <class Row>
const Row* NthWithLabel(std::span<const Row> rows, std::string_view label, int n) {
  for (const Row& row : rows)
    if (row.label == label && --n == 0) return &row;
  return nullptr;
}

// At most four: the help line, last, may hold "|" itself.
std::vector<std::string_view> Columns(std::string_view line) {
  std::vector<std::string_view> columns;
  for (;;) {
    const size_t bar = columns.size() == 3 ? std::string_view::npos : line.find('|');
    columns.push_back(Trim(line.substr(0, bar)));
    if (bar == std::string_view::npos) return columns;
    line.remove_prefix(bar + 1);
  }
}

std::string ReadField(std::string_view name, PropertyRowDef* row) {
  std::string_view base = name;
  if (const size_t slash = name.find('/'); slash != std::string_view::npos) {
    base = name.substr(0, slash);
    const std::string_view part = name.substr(slash + 1);
    if (base != "text" || part.size() != 1 || part[0] < '1' || part[0] > '0' + kMaxTextParts)
      return "a part of text is text/1 to text/5, not \"" + std::string(name) + "\"";
    row->textPart = part[0] - '0';
  }
  const std::optional<StepField> field = FindNamed<StepField>(kFieldNames, base);
  if (!field) return "unknown field \"" + std::string(name) + "\"";
  row->field = *field;
  return "";
}

// Option words and choices come from the vocabulary, never from the table.
std::string ReadVocabulary(int variant, PropertyRowDef* row) {
  const std::string which = "\"" + std::string(row->label) + "\" #" + std::to_string(variant);
  const bool overOptions = row->field == StepField::kOptions;
  switch (row->editor) {
    case EditorKind::kCheck: {
      const CheckBoxRow* check = NthWithLabel<CheckBoxRow>(kCheckBoxRows, row->label, variant);
      if (!check) return "no check box " + which;
      if (!overOptions) return "a check box edits options";
      row->option = check->option;
      return "";
    }
    case EditorKind::kExclusive: {
      const ChoiceRow* choice = NthWithLabel<ChoiceRow>(kExclusiveChoiceRows, row->label, variant);
      if (!choice) return "no exclusive choice " + which;
      if (!overOptions) return "an exclusive choice edits options";
      row->choices = choice->choices;
      return "";
    }
    case EditorKind::kChoice: {
      const ChoiceRow* choice = NthWithLabel<ChoiceRow>(kOtherChoiceRows, row->label, variant);
      if (!choice) return "no choice list " + which;
      row->choices = choice->choices;
      return "";
    }
    default:
      if (overOptions) return "only check boxes and choices edit options";
      return "";
  }
}

// An empty text: the row's fault.
std::string ReadRow(std::string_view line, PropertyRowDef* row) {
  const std::vector<std::string_view> columns = Columns(line);
  if (columns.size() < 3) return "a row needs label | editor | field [| help]";
  const auto [label, variant] = LabelAndVariant(columns[0]);
  if (!KnownLabel(label)) return "unknown label \"" + std::string(label) + "\"";
  row->label = label;
  const std::optional<EditorKind> editor = FindNamed<EditorKind>(kEditorNames, columns[1]);
  if (!editor) return "unknown editor \"" + std::string(columns[1]) + "\"";
  row->editor = *editor;
  if (std::string e = ReadField(columns[2], row); !e.empty()) return e;
  if (std::string e = ReadVocabulary(variant, row); !e.empty()) return e;
  if (columns.size() == 4) row->help = columns[3];
  return "";
}

std::string AtLine(size_t number, std::string_view fault) { return "line " + std::to_string(number) + ": " + std::string(fault); }

}  // namespace

PropertyTable PropertyTable::Parse(std::string_view text, std::string* error) {
  PropertyTable table;
  std::map<std::string_view, std::string_view> labelHelp;
  std::vector<PropertyRowDef>* current = nullptr;
  auto fail = [&](size_t number, std::string_view fault) {
    *error = AtLine(number, fault);
    return PropertyTable();
  };
  size_t number = 0;
  while (!text.empty()) {
    ++number;
    const size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '?') {
      const size_t equals = line.find(" = ");
      if (equals == std::string_view::npos) return fail(number, "a help line is \"? Label = help\"");
      const std::string_view label = Trim(line.substr(1, equals - 1)), help = Trim(line.substr(equals + 3));
      if (!KnownLabel(label)) return fail(number, "unknown label \"" + std::string(label) + "\"");
      if (!labelHelp.emplace(label, help).second) return fail(number, "a second help line for \"" + std::string(label) + "\"");
      continue;
    }
    if (line.starts_with("==")) {
      const std::string name(Trim(line.substr(2)));
      if (name.empty()) return fail(number, "an action without a name");
      auto [it, added] = table.rows_.try_emplace(name);
      if (!added) return fail(number, "the action \"" + name + "\" a second time");
      table.order_.push_back(name);
      current = &it->second;
      continue;
    }
    if (!current) return fail(number, "a row before the first action");
    PropertyRowDef row;
    if (std::string e = ReadRow(line, &row); !e.empty()) return fail(number, e);
    for (const PropertyRowDef& other : *current) {
      if (other.label == row.label) return fail(number, "the label \"" + std::string(row.label) + "\" twice in one action");
      if (other.field == row.field && other.textPart == row.textPart && row.field != StepField::kOptions)
        return fail(number, "two rows edit the same field");
    }
    current->push_back(row);
  }
  for (auto& [name, rows] : table.rows_) {
    for (PropertyRowDef& row : rows) {
      if (row.help.empty()) {
        const auto found = labelHelp.find(row.label);
        if (found == labelHelp.end()) {
          *error = "\"" + name + "\": no help line for \"" + std::string(row.label) + "\"";
          return PropertyTable();
        }
        row.help = found->second;
      }
      if (row.help.size() > kMaxPropertyHelpChars) {
        *error = "\"" + name + "\": the help line of \"" + std::string(row.label) + "\" is longer than 447 characters";
        return PropertyTable();
      }
    }
  }
  error->clear();
  return table;
}

const PropertyTable& PropertyTable::Embedded() {
  // Constant data, read once; a fault in it is caught by the tests of the table.
  static const PropertyTable table = [] {
    std::string error;
    return Parse(EmbeddedPropertyTable(), &error);
  }();
  return table;
}

const std::vector<PropertyRowDef>* PropertyTable::RowsFor(std::string_view action) const {
  const auto it = rows_.find(action);
  return it == rows_.end() ? nullptr : &it->second;
}

}  // namespace plumo
