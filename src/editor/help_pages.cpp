#include "editor/help_pages.h"

#include <algorithm>

#include "scripts/markup.h"
#include "scripts/properties_vocabulary.h"
#include "scripts/script_reader.h"
#include "scripts/script_writer.h"

namespace plumo {
namespace {

// One style sheet for every page.
constexpr std::string_view kStyleSheet = R"(body { font-family: "Segoe UI", Tahoma, Arial, sans-serif; font-size: 14px; color: #202020; margin: 24px; max-width: 62em; }
h1 { font-size: 22px; margin-bottom: 4px; }
h2 { font-size: 17px; margin-top: 32px; padding-bottom: 2px; border-bottom: 1px solid #c8c8c8; }
h3 { font-size: 14px; margin-bottom: 4px; }
table { border-collapse: collapse; margin: 8px 0; }
th, td { border: 1px solid #d0d0d0; padding: 3px 8px; text-align: left; vertical-align: top; }
th { background: #eeeeee; }
.choices { color: #505050; font-size: 13px; }
pre { background: #f6f6f6; border: 1px solid #dcdcdc; padding: 8px; font-size: 13px; overflow-x: auto; }
p.contents a { margin-right: 12px; white-space: nowrap; }
)";
constexpr std::string_view kStyle = "<link rel=\"stylesheet\" href=\"help.css\">";

struct EditorName {
  EditorKind kind;
  std::string_view name;
};

constexpr EditorName kEditorHelpNames[] = {
    {EditorKind::kText, "text"},          {EditorKind::kLines, "text, several lines"},
    {EditorKind::kKeys, "keys"},          {EditorKind::kNumber, "number"},
    {EditorKind::kCheck, "check box"},    {EditorKind::kExclusive, "one of the list"},
    {EditorKind::kChoice, "list or text"}, {EditorKind::kFile, "file"},
    {EditorKind::kFolder, "folder"},      {EditorKind::kWindow, "window picker"},
    {EditorKind::kPixel, "colour picker"}, {EditorKind::kRecording, "recording"},
};

std::string_view EditorNameOf(EditorKind kind) {
  for (const EditorName& e : kEditorHelpNames)
    if (e.kind == kind) return e.name;
  return "text";
}

std::string Escaped(std::string_view s) {
  std::string out;
  AppendEscapedAttribute(out, s);
  return out;
}

// An id for the action's heading: letters and digits, the rest as "-".
std::string Anchor(std::string_view name) {
  std::string id;
  for (char c : name) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (keep) id += ToLowerAnsi(c);
    else if (!id.empty() && id.back() != '-') id += '-';
  }
  while (!id.empty() && id.back() == '-') id.pop_back();
  return id;
}

std::string Choices(std::string_view choices) {
  std::string out;
  for (std::string_view item : ChoiceItems(choices)) {
    if (item.find_first_not_of('-') == std::string_view::npos) continue;  // a separator line
    if (!out.empty()) out += "; ";
    out += Escaped(item);
  }
  return out;
}

// The catalogue's new Step as a Script file of that one Step.
std::string ExampleScript(const ActionCatalog& catalog, const std::string& name) {
  ActionInfo info;
  catalog.Lookup(name, &info);
  Script script;
  LoadSteps(info.defaultText, script, 0, false, LoadContext{catalog});
  std::string text = "<?xml version=\"1.0\" ?>\n<Plumo>\n" + WriteSteps(script, WriteOptions{}).text + "</Plumo>\n";
  std::erase(text, '\r');
  return text;
}

void AppendAction(std::string& html, const CatalogRow& action, const ActionCatalog& catalog, const PropertyTable& table) {
  html += "<h2 id=\"" + Anchor(action.name) + "\">" + Escaped(action.name) + "</h2>\n";
  const std::vector<PropertyRowDef>* rows = table.RowsFor(action.name);
  if (rows && !rows->empty()) {
    html += "<table>\n<tr><th>Field</th><th>Entered as</th><th>What it does</th></tr>\n";
    for (const PropertyRowDef& row : *rows) {
      const EditorKind entered = TakesOnlyItsChoices(row.editor, row.field) ? EditorKind::kExclusive : row.editor;
      html += "<tr><td>" + Escaped(row.label) + "</td><td>" + std::string(EditorNameOf(entered)) + "</td><td>" +
              Escaped(row.help);
      if (row.editor == EditorKind::kCheck) html += "<br><span class=\"choices\">Option word: " + Escaped(row.option) + "</span>";
      if (!row.choices.empty() && row.editor != EditorKind::kRecording)
        html += "<br><span class=\"choices\">" + Choices(row.choices) + "</span>";
      html += "</td></tr>\n";
    }
    html += "</table>\n";
  } else {
    html += "<p>The action has no fields of its own.</p>\n";
  }
  html += action.hasOutput
              ? "<p><b>Result:</b> the action gives a result; \"Save Output To\" stores it in a variable, the "
                "clipboard, a file or elsewhere.</p>\n"
              : "<p><b>Result:</b> none.</p>\n";
  html += action.canFail
              ? "<p><b>Failure:</b> when the action cannot do its work the Step fails, and \"On Failure\" decides "
                "what follows: stop with an error, go on, retry, jump to a label and more. Until the Step's \"Timeout\" has "
                "passed, a failing Step is tried again.</p>\n"
              : "<p><b>Failure:</b> the action takes no failure settings.</p>\n";
  html += "<h3>Example</h3>\n<pre>" + Escaped(ExampleScript(catalog, action.name)) + "</pre>\n";
}

}  // namespace

std::vector<HelpPage> HelpPages(const ActionCatalog& catalog, const PropertyTable& table) {
  const std::vector<CatalogRow> actions = catalog.Rows();
  std::vector<HelpPage> pages;
  // The index: each category's page with the number of its actions.
  std::string index = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Plumo actions</title>\n" +
                      std::string(kStyle) + "\n</head>\n<body>\n<h1>Plumo actions</h1>\n<ul>\n";
  for (const ActionCategory& category : kActionCategories) {
    if (category.helpTopic.empty()) continue;
    const auto count = std::count_if(actions.begin(), actions.end(),
                                     [&](const CatalogRow& a) { return a.category == category.number; });
    index += "<li><a href=\"" + std::string(category.helpTopic.substr(3)) + "\">" + Escaped(category.name) + "</a> (" +
             std::to_string(count) + " actions)</li>\n";
  }
  pages.push_back({"index.htm", index + "</ul>\n</body>\n</html>\n"});
  pages.push_back({"help.css", std::string(kStyleSheet)});
  for (const ActionCategory& category : kActionCategories) {
    if (category.helpTopic.empty()) continue;
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                       Escaped(category.name) + " actions</title>\n" + std::string(kStyle) + "\n</head>\n<body>\n<h1>" +
                       Escaped(category.name) + " actions</h1>\n<p class=\"contents\">";
    for (const CatalogRow& action : actions)
      if (action.category == category.number)
        html += "<a href=\"#" + Anchor(action.name) + "\">" + Escaped(action.name) + "</a>\n";
    html += "</p>\n";
    for (const CatalogRow& action : actions)
      if (action.category == category.number) AppendAction(html, action, catalog, table);
    html += "</body>\n</html>\n";
    std::string_view topic = category.helpTopic;
    if (topic.starts_with("::/")) topic.remove_prefix(3);
    pages.push_back({std::string(topic), std::move(html)});
  }
  return pages;
}

}  // namespace plumo
