// Get File Info: sizes, times, attributes, checksums, the parts of a name, version resources
// and the program a document opens with.
#include <cmath>
#include <cstdio>

#include "actions/integration/files/file_actions.h"
#include "actions/integration/files/file_helpers.h"
#include "actions/integration/files/file_scan.h"
#include "base/text.h"
#include "compiler/version_info.h"
#include "engine/session.h"
#include "scripts/pe_resources.h"
#include "vars/number_text.h"
#include "vars/system_variables.h"

namespace plumo {
namespace {

constexpr uint32_t kVersionResourceType = 16;  // RT_VERSION
constexpr uint32_t kVersionResourceId = 1;
constexpr uint64_t kMaxProgramRead = 256ull << 20;

// The parts of a name, as _splitpath cuts them.
struct NameParts {
  std::string drive, path, base, extension;
};
NameParts SplitName(std::string_view name) {
  NameParts p;
  if (name.size() >= 2 && name[1] == ':') {
    p.drive = name.substr(0, 2);
    name.remove_prefix(2);
  }
  p.path = FolderPart(name);
  std::string_view leaf = NamePart(name);
  const size_t dot = leaf.rfind('.');
  p.base = leaf.substr(0, dot);
  if (dot != std::string_view::npos) p.extension = leaf.substr(dot);
  return p;
}

struct Info {
  ActionContext& c;
  const std::string& path;
  std::optional<FileFacts> facts;
  OsError error;

  bool Need() {
    if (facts) return true;
    c.Fail("Unable to get information on", path, error);
    return false;
  }
  std::string Time(const SystemTime& t) const {
    const LocaleValues& locale = c.session.locale().Values();
    return FormatPicture(locale.shortDateFormat, t, locale) + " " + FormatPicture(locale.timeFormat, t, locale);
  }
};

// The attribute letters in the order other automation tools give them.
std::string AttributeLetters(uint32_t a) {
  constexpr std::pair<uint32_t, char> kLetters[] = {
      {fileattr::kReadOnly, 'R'},  {fileattr::kArchive, 'A'},   {fileattr::kSystem, 'S'},
      {fileattr::kHidden, 'H'},    {fileattr::kNormal, 'N'},    {fileattr::kDirectory, 'D'},
      {fileattr::kOffline, 'O'},   {fileattr::kCompressed, 'C'}, {fileattr::kTemporary, 'T'},
  };
  std::string out;
  for (const auto& [bit, letter] : kLetters)
    if (a & bit) out.push_back(letter);
  return out;
}

std::optional<VersionFacts> ProgramVersion(Info& in) {
  if (!in.Need()) return std::nullopt;
  if (in.facts->size > kMaxProgramRead) {
    in.c.Fail("Unable to read the version of '" + in.path + "': the file is too large for a program");
    return std::nullopt;
  }
  std::string image;
  bool opened = false;
  if (OsError e = in.c.session.files().ReadFile(in.path, &image, &opened); !e) {
    in.c.Fail("Unable to read file", in.path, e);
    return std::nullopt;
  }
  const std::optional<std::string_view> block = FindPeResource(image, kVersionResourceType, kVersionResourceId);
  std::optional<VersionFacts> facts = block ? ReadVersionInfo(std::string(*block)) : std::nullopt;
  if (!facts) in.c.Fail("'" + in.path + "' has no version information");
  return facts;
}

int Version(Info& in, size_t parts) {
  std::optional<VersionFacts> v = ProgramVersion(in);
  if (!v) return result::kFailure;
  std::string text;
  for (size_t i = 0; i < parts; ++i) text += (i ? "." : "") + std::to_string(v->numbers[i]);
  return in.c.Store(text);
}

int VersionString(Info& in, std::string_view key) {
  std::optional<VersionFacts> v = ProgramVersion(in);
  if (!v) return result::kFailure;
  for (const auto& [name, value] : v->strings)
    if (EqualsNoCase(name, key)) return in.c.Store(value);
  return in.c.Store("");
}

int Association(Info& in) {
  const std::string extension = SplitName(in.path).extension.empty() ? in.path : SplitName(in.path).extension;
  std::optional<std::string> command = RegisteredOpenCommand(in.c.session.registry(), extension);
  if (!command) return in.c.Fail("No program is associated with '" + extension + "'");
  return in.c.Store(*command);
}

using InfoFn = int (*)(Info& in);
struct InfoRow {
  std::string_view name;
  InfoFn fn;
};
constexpr InfoRow kInfoRows[] = {
    {"Size", [](Info& in) { return in.Need() ? in.c.Store(std::to_string(in.facts->size)) : 0; }},
    {"Size (MB)",
     [](Info& in) {
       if (!in.Need()) return 0;
       return in.c.Store(NumberToText(std::round(static_cast<double>(in.facts->size) / 1048576.0 * 100) / 100, 15));
     }},
    {"Version (short)", [](Info& in) { return Version(in, 2); }},
    {"Version (long)", [](Info& in) { return Version(in, 4); }},
    {"CRC-32",
     [](Info& in) {
       if (!in.Need()) return 0;
       uint32_t crc = 0;
       if (OsError e = Crc32(in.c.session.files(), in.path, &crc); !e) return in.c.Fail("Unable to read file", in.path, e);
       char hex[16];
       std::snprintf(hex, sizeof hex, "%08X", crc);
       return in.c.Store(hex);
     }},
    {"Creation Time", [](Info& in) { return in.Need() ? in.c.Store(in.Time(in.facts->created)) : 0; }},
    {"Last Modified Time", [](Info& in) { return in.Need() ? in.c.Store(in.Time(in.facts->modified)) : 0; }},
    {"Last Accessed Time", [](Info& in) { return in.Need() ? in.c.Store(in.Time(in.facts->accessed)) : 0; }},
    {"Is File", [](Info& in) { return in.c.Store(in.facts && in.facts->kind == PathKind::kFile ? "1" : "0"); }},
    {"Is Folder", [](Info& in) { return in.c.Store(in.facts && in.facts->kind == PathKind::kFolder ? "1" : "0"); }},
    {"Name: Drive", [](Info& in) { return in.c.Store(SplitName(in.path).drive); }},
    {"Name: Path", [](Info& in) { return in.c.Store(SplitName(in.path).path); }},
    {"Name: Drive+Path",
     [](Info& in) {
       const NameParts p = SplitName(in.path);
       return in.c.Store(p.drive + p.path);
     }},
    {"Name: Base", [](Info& in) { return in.c.Store(SplitName(in.path).base); }},
    {"Name: Drive+Path+Base",
     [](Info& in) {
       const NameParts p = SplitName(in.path);
       return in.c.Store(p.drive + p.path + p.base);
     }},
    {"Name: Extension", [](Info& in) { return in.c.Store(SplitName(in.path).extension); }},
    {"Name: Base+Extension",
     [](Info& in) {
       const NameParts p = SplitName(in.path);
       return in.c.Store(p.base + p.extension);
     }},
    {"Document Association", Association},
    {"Attributes (number)", [](Info& in) { return in.Need() ? in.c.Store(std::to_string(in.facts->attributes)) : 0; }},
    {"Attributes (string)", [](Info& in) { return in.Need() ? in.c.Store(AttributeLetters(in.facts->attributes)) : 0; }},
    {"FileDescription", [](Info& in) { return VersionString(in, "FileDescription"); }},
    {"Comments", [](Info& in) { return VersionString(in, "Comments"); }},
    {"CompanyName", [](Info& in) { return VersionString(in, "CompanyName"); }},
    {"LegalCopyright", [](Info& in) { return VersionString(in, "LegalCopyright"); }},
};

int GetFileInfo(ActionContext& c) {
  const std::string path = c.Expand(c.step.value1);
  if (Trim(path).empty()) return c.Fail("No File Name given");
  std::string type(Trim(c.Expand(c.step.value2)));
  if (type.empty()) type = Trim(c.step.options.str());
  if (type.empty()) type = "Size";
  for (const InfoRow& row : kInfoRows) {
    if (!EqualsNoCase(row.name, type)) continue;
    Info in{c, path, std::nullopt, OsError()};
    in.facts = c.session.files().Facts(path, &in.error);
    return row.fn(in);
  }
  return c.Fail("Unknown Information Type \"" + type + "\"");
}

constexpr ActionRow kInfoActionRows[] = {{"Get File Info", GetFileInfo}};

}  // namespace

std::span<const ActionRow> FileInfoRows() { return kInfoActionRows; }

}  // namespace plumo
