#include "scripts/action_catalog.h"

#include <climits>

#include "scripts/packed.h"

namespace plumo {
namespace {

constexpr size_t kNameChars = 61;
constexpr size_t kRowChars = 510;

// Like atoi: leading blanks, a sign, digits; 0 when there is no number.
int32_t Decimal(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int64_t v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = std::min<int64_t>(v * 10 + (s[i] - '0'), INT32_MAX);
  return static_cast<int32_t>(negative ? -v : v);
}

// The columns of a row; the seventh keeps any "~" that follows it.
std::array<std::string_view, 7> Columns(std::string_view row) {
  std::array<std::string_view, 7> cols{};
  for (size_t k = 0; k < 6; ++k) {
    const size_t tilde = row.find('~');
    cols[k] = row.substr(0, tilde);
    if (tilde == std::string_view::npos) return cols;
    row.remove_prefix(tilde + 1);
  }
  cols[6] = row;
  return cols;
}

// A loop rather than find_first_of, which asks the C library once per character.
std::string_view CutAtLineEnd(std::string_view row) {
  size_t end = 0;
  while (end < row.size() && row[end] != '\r' && row[end] != '\n') ++end;
  return row.substr(0, end);
}

void ReplaceEach(std::string& s, std::string_view from, std::string_view to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
}

std::string DefaultText(std::string_view column, std::string_view name) {
  std::string d(column.substr(std::min(column.find_first_not_of(' '), column.size())));
  ReplaceEach(d, "\\r", "\r");
  ReplaceEach(d, "\\n", "\n");
  if (d.find("<step>") == std::string::npos) d.insert(0, "<step>");
  if (d.find("<action>") == std::string::npos)
    d.replace(d.find("<step>"), 6, "<step><action>" + std::string(name) + "</action>");
  if (d.find("</step>") == std::string::npos) d += "</step>";
  return d;
}

}  // namespace

const ActionCategory* FindActionCategory(int number) {
  if (!ValidCategory(number)) return nullptr;
  return &kActionCategories[number - 1];
}

ActionCatalog::ActionCatalog(std::string text) : text_(std::move(text)) {
  // Every name that follows a line feed and ends at a "~", first occurrence kept: exactly
  // what a search for LF + name + "~" finds first.
  for (size_t lf = text_.find('\n'); lf != std::string::npos; lf = text_.find('\n', lf + 1)) {
    const size_t tilde = text_.find('~', lf + 1);
    if (tilde == std::string::npos) break;
    const std::string_view name = std::string_view(text_).substr(lf + 1, tilde - lf - 1);
    if (name.size() <= kNameChars && name.find_first_of("\r\n") == std::string_view::npos)
      index_.emplace(std::string(name), lf);
  }
}

ActionCatalog ActionCatalog::FromResource(std::string_view bytes) {
  std::string text(bytes.substr(0, kCatalogMaxResourceBytes));
  if (text.empty()) return {};
  if (!LooksPlain(static_cast<unsigned char>(text[0]))) {
    auto unpacked = Unpack(text);
    if (!unpacked) return {};
    text = std::move(*unpacked);
  }
  // The catalogue is a C string: it ends at its first NUL.
  text.resize(std::min(text.find('\0'), text.size()));
  return ActionCatalog(std::move(text));
}

size_t ActionCatalog::FindRow(std::string_view key) const {
  if (key.find_first_of("~\r\n") == std::string_view::npos) {
    const auto it = index_.find(key);
    return it == index_.end() ? std::string::npos : it->second;
  }
  return FindNoCase(text_, "\n" + std::string(key) + "~");
}

bool ActionCatalog::Lookup(std::string_view name, ActionInfo* out, bool withDefaultText) const {
  out->category = out->image = out->primaryField = 0;
  out->defaultText.clear();
  if (!available() || name.empty()) return false;
  const size_t lf = FindRow(name.substr(0, kNameChars));
  if (lf == std::string::npos) return true;
  const auto cols = Columns(CutAtLineEnd(std::string_view(text_).substr(lf + 1, kRowChars)));
  out->category = Decimal(cols[1]);
  out->image = Decimal(cols[2]);
  out->primaryField = Decimal(cols[3]);
  out->hasOutput = cols[4].starts_with('@');
  out->canFail = cols[5].starts_with('#');
  if (withDefaultText) out->defaultText = DefaultText(cols[6], name);
  return true;
}

std::vector<CatalogRow> ActionCatalog::Rows() const {
  std::vector<CatalogRow> rows;
  size_t start = 0;
  for (int line = 0; line < kCatalogMaxLines && start <= text_.size(); ++line) {
    const size_t lf = text_.find('\n', start);
    const std::string_view row = CutAtLineEnd(std::string_view(text_).substr(start, lf - start));
    const auto cols = Columns(row.substr(0, kRowChars));
    if (!cols[0].empty())
      rows.push_back({line, std::string(cols[0]), Decimal(cols[1]), Decimal(cols[2]), Decimal(cols[3]),
                      cols[4].starts_with('@'), cols[5].starts_with('#')});
    if (lf == std::string::npos) break;
    start = lf + 1;
  }
  return rows;
}

void LookUpAction(const ActionCatalog& catalog, Step& step) {
  ActionInfo info;
  info.hasOutput = step.hasOutput;
  info.canFail = step.canFail;
  catalog.Lookup(step.action, &info, false);
  step.category = info.category;
  step.image = info.image;
  step.primaryField = info.primaryField;
  step.hasOutput = info.hasOutput;
  step.canFail = info.canFail;
}

const ActionCatalog& ActionCatalogs::For(std::string_view scriptPath) {
  const size_t slash = scriptPath.find_last_of("\\/");
  const std::string_view fileName = slash == std::string_view::npos ? scriptPath : scriptPath.substr(slash + 1);
  const std::string module = ContainsNoCase(fileName, ".dll") ? std::string(scriptPath) : std::string();
  std::lock_guard<std::mutex> lock(mu_);
  auto it = loaded_.find(module);
  if (it == loaded_.end()) it = loaded_.emplace(module, Load(module)).first;
  return it->second;
}

ActionCatalog ActionCatalogs::Load(const std::string& modulePath) {
  std::string bytes;
  if (!resources_.ReadData(modulePath, kActionCatalogResource, &bytes).ok()) return {};
  return ActionCatalog::FromResource(bytes);
}

}  // namespace plumo
