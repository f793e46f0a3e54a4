#include "scripts/load_conversions.h"

#include <utility>

#include "base/text.h"

namespace plumo {
namespace {

using Pair = std::pair<std::string_view, std::string_view>;

// Replaces every occurrence, without regard to case, going on after each replacement.
std::string ReplaceNoCase(std::string_view s, std::string_view from, std::string_view to) {
  std::string out;
  size_t i = 0;
  for (size_t at = FindNoCase(s, from); at != std::string_view::npos; at = FindNoCase(s, from, i)) {
    out.append(s, i, at - i);
    out += to;
    i = at + from.size();
  }
  out.append(s, i, std::string_view::npos);
  return out;
}

template <size_t W>
void Replace(BoundedText<W>& field, std::string_view from, std::string_view to) {
  if (ContainsNoCase(field, from)) field = ReplaceNoCase(field, from, to);
}

template <size_t W>
void ReplaceEach(BoundedText<W>& field, std::initializer_list<Pair> pairs) {
  for (const auto& [from, to] : pairs) Replace(field, from, to);
}

void AppendOptions(Text260& options, std::string_view words) {
  options = options.empty() ? std::string(words) : options.str() + "," + std::string(words);
}

bool Is(const Step& s, std::string_view name) { return EqualsNoCase(s.action, name); }
bool Has(std::string_view field, std::string_view part) { return ContainsNoCase(field, part); }

constexpr Pair kTypeModes[] = {
    {"Normal Mode", "Let Plumo decide"},
    {"Always use ASCII codes", "Use ASCII mode"},
    {"Always use ANSI codes", "Use ANSI mode"},
    {"Never use any codes", "Use OEM (7-bit) mode"},
    {"Use ASCII mode", "Simulated Keypress (ASCII)"},
    {"Use ANSI mode", "Simulated Keypress (ANSI)"},
    {"Use OEM (7-bit) mode", "Simulated Keypress (OEM 7-bit)"},
};
constexpr std::string_view kImageActions[] = {"Move to Image", "Click on Image", "Wait for Image",
                                              "IF Image is Visible"};
constexpr Pair kMemoryOptions[] = {
    {"Total Memory (MB)", "Total Memory,Megabyte (MB)"},
    {"Total Memory", "Total Memory"},
    {"Free Memory (MB)", "Free Memory,Megabyte (MB)"},
    {"Free Memory", "Free Memory"},
};
constexpr Pair kSystemDetails[] = {
    {"OS Major Version", "Major Version"}, {"OS Minor Version", "Minor Version"},
    {"OS Major.Minor Version", "Version"}, {"OS Build Number", "Build Number"},
    {"OS Platform ID", "Description"},     {"OS Service Packs", "Service Packs"},
};

// "{step_action" with one to three digits and "}" becomes "{step[N].action}".
std::string RewriteStepReferences(std::string_view s) {
  constexpr std::string_view kOld = "{step_action";
  std::string out;
  size_t i = 0;
  for (size_t at = FindNoCase(s, kOld); at != std::string_view::npos; at = FindNoCase(s, kOld, i)) {
    size_t d = at + kOld.size();
    while (d < s.size() && d - (at + kOld.size()) < 3 && s[d] >= '0' && s[d] <= '9') ++d;
    const size_t digits = d - (at + kOld.size());
    if (digits == 0 || d >= s.size() || s[d] != '}') {
      out.append(s, i, d - i);
      i = d;
      continue;
    }
    out.append(s, i, at - i);
    out += "{step[" + std::to_string(std::stoi(std::string(s.substr(at + kOld.size(), digits)))) + "].action}";
    i = d + 1;
  }
  out.append(s, i, std::string_view::npos);
  return out;
}

void ConvertComputerInformation(Step& s) {
  if (Has(s.options, "OS")) {
    s.action = "Operating System Details";
    s.image = 29;
  }
  if (Has(s.options, "Memory")) {
    s.action = "Memory Details";
    s.image = 199;
    for (const auto& [from, to] : kMemoryOptions) {
      if (Has(s.options, from)) {
        s.options = to;
        break;
      }
    }
  } else if (Has(s.options, "Monitor")) {
    s.action = "Video Details";
    s.image = 78;
    s.options = "Number of Monitors";
  } else if (Has(s.options, "Color Depth")) {
    s.action = "Video Details";
    s.image = 78;
    s.options = "Color Depth";
  } else if (Has(s.options, "Computer Name")) {
    s.action = "Operating System Details";
    s.image = 29;
    s.options = "Computer Name";
  }
}

}  // namespace

bool NameMatches(std::string_view name, std::string_view pattern, NameMatch match) {
  switch (match) {
    case NameMatch::kContains: return ContainsNoCase(name, pattern);
    case NameMatch::kStartsWith: return StartsWithNoCase(name, pattern);
    case NameMatch::kWhole: return EqualsNoCase(name, pattern);
  }
  return false;
}

RenameOutcome ConvertOldActionName(Step& step, const NamesFolder& namesFolder) {
  RenameOutcome out;
  for (const OldActionName& row : kOldActionNames) {
    if (!NameMatches(step.action, row.oldName, row.match)) continue;
    step.action = row.newName;
    switch (row.effect) {
      case RenameEffect::kNone: break;
      case RenameEffect::kAddOptions: AppendOptions(step.options, row.argument); break;
      case RenameEffect::kSetOptions: step.options = row.argument; break;
      case RenameEffect::kSetValue1: step.value1 = row.argument; break;
      case RenameEffect::kFileOrFolder:
        if (namesFolder && namesFolder(step.text)) step.action = "Wait for Folder";
        break;
      case RenameEffect::kFormatCell: out.formatCell = true; break;
      case RenameEffect::kWindowCapture: out.windowCapture = true; break;
    }
  }
  return out;
}

void ApplyCategoryOverrides(Step& step) {
  for (const CategoryOverride& row : kCategoryOverrides) {
    if (!NameMatches(step.action, row.name, row.match)) continue;
    step.category = row.category;
    if (row.image != kKeep) step.image = row.image;
    if (row.primaryField != kKeep) step.primaryField = row.primaryField;
  }
  for (std::string_view part : kResultActionParts)
    if (Has(step.action, part)) step.hasOutput = 1;
}

void ConvertOptions(Step& s, const RenameOutcome& renamed) {
  if (Is(s, "IF Text") && !Has(s.options, "Characters")) {
    Replace(s.options, "Contains Any", "Contains Any Characters from List");
    Replace(s.options, "Contains Only", "Contains Only Characters from List");
  }
  if (Is(s, "Type"))
    for (const auto& [from, to] : kTypeModes) Replace(s.options, from, to);
  if (Has(s.value1, "Snap")) {
    ReplaceEach(s.value1, {{",Snap to Position", ""}, {"Snap to Position", ""}});
    if (!HasOption(s.options, "Snap to Position")) AppendOptions(s.options, "Snap to Position");
  }
  if (Has(s.action, "Wait for Window")) ReplaceEach(s.value1, {{"Disappear", "Close"}, {"Appear", "Open"}});
  if (Has(s.action, "Execute SQL Query")) Replace(s.options, "ColumnsNames", "ColumnNames");
  if (Is(s, "Chop"))
    ReplaceEach(s.options, {{"Chop Everything After", "Chop After and Including"}, {"Chop Everything Before", "Chop Before"}});
  bool imageSearch = Has(s.options, "Image (Graphic)");
  for (std::string_view name : kImageActions) imageSearch |= Is(s, name);
  if (imageSearch && Has(s.options, "Slow") && !Has(s.options, "Slow Pixel Scan")) Replace(s.options, "Slow", "Slow Pixel Scan");
  if (Is(s, "Plumo Setting Change")) {
    if (s.options == "OFF") s.options = "Off (0)";
    else if (s.options == "ON") s.options = "On (1)";
  }
  if (ContainsNoCase(s.text, "{WinKey}")) s.text = ReplaceNoCase(s.text, "{WinKey}", "{WinKeyDown}{WinKeyUp}");
  if (Is(s, "Get Computer Information")) ConvertComputerInformation(s);
  if (Is(s, "Operating System Details") && Has(s.options, "OS")) {
    if (Has(s.options, "OS Description")) s.options = "Description";
    for (const auto& [from, to] : kSystemDetails) {
      if (Has(s.options, from)) {
        s.options = to;
        break;
      }
    }
  }
  if (Is(s, "Get Cell")) {
    Replace(s.options, "Get Data", "");
    if (Has(s.options, "Get Formatting")) {
      s.action = "Get Cell Format";
      s.image = 215;
      Replace(s.options, "Get Formatting", "Data Format");
    }
  }
  if (renamed.formatCell) {
    Replace(s.value3, "Cell Formatting", "Data Format");
    s.options = s.value3.str();
    s.value3 = s.value4.str();
    s.value4 = "";
  }
  if (ContainsNoCase(s.text, "{step_action")) s.text = RewriteStepReferences(s.text);
  if (ContainsNoCase(s.onfailValue, "{step_action")) s.onfailValue = RewriteStepReferences(s.onfailValue);
  if (Is(s, "Image Capture")) {
    if (renamed.windowCapture) s.options = "Window";
    if (!s.text.empty() && s.outputValue.empty()) {
      s.outputValue = s.text;
      s.output = "File";
      s.text.clear();
    }
  }
  Replace(s.options, "Full Tag Source", "Raw Inner Tag");
  s.options = TidyLoadedOptions(s.options);
}

std::string TidyLoadedOptions(std::string_view options) {
  std::string s(options);
  if (!s.empty() && s.front() == ',') s.erase(0, 1);
  if (!s.empty() && s.back() == ',') s.pop_back();
  for (bool changed = true; changed;) {
    changed = false;
    for (std::string_view from : {",,", "  "}) {
      for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at)) {
        s.erase(at, 1);
        changed = true;
      }
    }
  }
  return s;
}

}  // namespace plumo
