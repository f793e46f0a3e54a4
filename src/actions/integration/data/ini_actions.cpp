// Read, Write and Delete INI Data over IniText; a change replaces the file whole, so a failed
// write leaves the old file.
#include "actions/integration/action_context.h"
#include "actions/integration/data/data_actions.h"
#include "actions/integration/data/ini_file.h"
#include "base/text.h"
#include "engine/session.h"

namespace plumo {
namespace {

struct IniStep {
  std::string path, section, key;
};

IniStep Names(ActionContext& c) {
  return {c.Expand(c.step.value1), c.Expand(c.step.value2), c.Expand(c.step.value3)};
}

// The file's text; a missing file is empty when creating is allowed.
std::optional<IniText> Load(ActionContext& c, const std::string& path, bool mayBeMissing) {
  Files& files = c.session.files();
  if (files.Kind(path) == PathKind::kNone && mayBeMissing) return IniText();
  std::string text;
  bool opened = false;
  if (OsError e = files.ReadFile(path, &text, &opened); !e) {
    c.Fail("Unable to read INI file", path, e);
    return std::nullopt;
  }
  return IniText(std::move(text));
}

int Save(ActionContext& c, const std::string& path, const IniText& ini) {
  bool created = false;
  if (OsError e = c.session.files().ReplaceContent(path, ini.text(), &created); !e)
    return c.Fail("Unable to write INI file", path, e);
  return result::kSuccess;
}

std::string Lines(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : "\r\n") + item;
  return out;
}

int ReadIni(ActionContext& c) {
  const IniStep n = Names(c);
  if (n.path.empty()) return c.Fail("No INI File given");
  std::optional<IniText> ini = Load(c, n.path, false);
  if (!ini) return result::kFailure;
  // Without a section the result is the list of sections, without a key the section's keys.
  if (Trim(n.section).empty()) return c.Store(Lines(ini->Sections()));
  if (!ini->HasSection(n.section)) return c.Fail("Section [" + n.section + "] not found in '" + n.path + "'");
  if (Trim(n.key).empty()) return c.Store(Lines(ini->Keys(n.section)));
  std::optional<std::string> value = ini->Read(n.section, n.key);
  if (!value) return c.Fail("Key '" + n.key + "' not found in section [" + n.section + "] of '" + n.path + "'");
  return c.Store(*value);
}

int WriteIni(ActionContext& c) {
  const IniStep n = Names(c);
  if (n.path.empty()) return c.Fail("No INI File given");
  const std::string value = c.Expand(c.step.text);
  if (auto problem = IniText::CheckWrite(n.section, n.key, value)) return c.Fail(*problem);
  std::optional<IniText> ini = Load(c, n.path, true);
  if (!ini) return result::kFailure;
  ini->Write(n.section, n.key, value);
  return Save(c, n.path, *ini);
}

int DeleteIni(ActionContext& c) {
  const IniStep n = Names(c);
  if (n.path.empty()) return c.Fail("No INI File given");
  std::optional<IniText> ini = Load(c, n.path, false);
  if (!ini) return result::kFailure;
  const bool wholeSection = ContainsNoCase(c.step.options, "Delete [Section]") || ContainsNoCase(c.step.value4, "Section");
  if (!wholeSection && Trim(n.key).empty()) return c.Fail("No 'Key=' name given");
  const bool deleted = wholeSection ? ini->DeleteSection(n.section) : ini->DeleteKey(n.section, n.key);
  if (!deleted)
    return c.Fail(wholeSection ? "Section [" + n.section + "] not found in '" + n.path + "'"
                               : "Key '" + n.key + "' not found in section [" + n.section + "] of '" + n.path + "'");
  return Save(c, n.path, *ini);
}

constexpr ActionRow kIniRows[] = {
    {"Read INI Data", ReadIni},
    {"Write INI Data", WriteIni},
    {"Delete INI Data", DeleteIni},
};

}  // namespace

std::span<const ActionRow> IniActionRows() { return kIniRows; }

}  // namespace plumo
