#include "actions/integration/files/file_helpers.h"

#include "base/text.h"
#include "engine/session.h"

namespace plumo {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string Joined(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!out.empty() && !IsSeparator(out.back())) out.push_back('\\');
  while (!name.empty() && IsSeparator(name.front())) name.remove_prefix(1);
  out.append(name);
  return out;
}

bool HasWildcards(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

std::string WithoutTrailingSeparators(std::string_view path) {
  std::string out(path);
  while (out.size() > 1 && IsSeparator(out.back()) && !(out.size() == 3 && out[1] == ':')) out.pop_back();
  return out;
}

std::optional<uint64_t> SizeOf(std::string_view text) {
  text = Trim(text);
  constexpr std::pair<std::string_view, uint64_t> kUnits[] = {
      {"KB", 1ull << 10}, {"MB", 1ull << 20}, {"GB", 1ull << 30}, {"K", 1ull << 10}, {"M", 1ull << 20}, {"G", 1ull << 30}};
  uint64_t unit = 1;
  for (const auto& [suffix, bytes] : kUnits)
    if (EndsWithNoCase(text, suffix)) {
      unit = bytes;
      text = Trim(text.substr(0, text.size() - suffix.size()));
      break;
    }
  const std::optional<int64_t> n = WholeNumber(text);
  if (!n || *n < 0 || static_cast<uint64_t>(*n) > UINT64_MAX / unit) return std::nullopt;
  return static_cast<uint64_t>(*n) * unit;
}

bool RefuseToWrite(ActionContext& c, const std::string& path, std::string_view what) {
  OsError error;
  const std::optional<FileFacts> facts = c.session.files().Facts(path, &error);
  if (!facts) return false;
  if (facts->kind == PathKind::kFolder) {
    c.Fail(std::string(what) + " '" + path + "': it is a folder");
    return true;
  }
  if (facts->attributes & fileattr::kReadOnly) {
    c.Fail(std::string(what) + " '" + path + "': the file is read-only");
    return true;
  }
  return false;
}

}  // namespace plumo
