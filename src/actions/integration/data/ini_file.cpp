#include "actions/integration/data/ini_file.h"

#include <algorithm>

#include "base/text.h"

namespace plumo {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

IniText::IniText(std::string text) : text_(std::move(text)) { Parse(); }

void IniText::Parse() {
  lines_.clear();
  const std::string_view all(text_);
  for (size_t begin = 0; begin < all.size();) {
    Line line;
    line.begin = begin;
    line.end = all.find_first_of("\r\n", begin);
    if (line.end == std::string_view::npos) line.end = all.size();
    line.next = line.end;
    if (line.next < all.size() && all[line.next] == '\r') ++line.next;
    if (line.next < all.size() && all[line.next] == '\n') ++line.next;
    const std::string_view body = TrimBlanks(all.substr(begin, line.end - begin));
    line.blank = body.empty();
    if (!body.empty() && body.front() == '[') {
      // Everything up to the last ']' names the section, as the profile functions read it.
      const size_t close = body.rfind(']');
      line.section = true;
      line.name = TrimBlanks(body.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    } else if (!body.empty() && body.front() != ';') {
      const size_t equals = body.find('=');
      line.key = true;
      line.name = TrimBlanks(body.substr(0, equals));
      line.hasValue = equals != std::string_view::npos;
      if (line.hasValue) line.value = TrimBlanks(body.substr(equals + 1));
    }
    lines_.push_back(line);
    begin = line.next;
  }
}

size_t IniText::FindSection(std::string_view section, size_t* end) const {
  const std::string_view wanted = TrimBlanks(section);
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (!lines_[i].section || !EqualsNoCase(lines_[i].name, wanted)) continue;
    size_t j = i + 1;
    while (j < lines_.size() && !lines_[j].section) ++j;
    *end = j;
    return i;
  }
  return std::string::npos;
}

size_t IniText::FindKey(size_t header, size_t end, std::string_view key) const {
  const std::string_view wanted = TrimBlanks(key);
  for (size_t i = header + 1; i < end; ++i)
    if (lines_[i].key && EqualsNoCase(lines_[i].name, wanted)) return i;
  return std::string::npos;
}

std::optional<std::string> IniText::Read(std::string_view section, std::string_view key) const {
  size_t end = 0;
  const size_t header = FindSection(section, &end);
  if (header == std::string::npos) return std::nullopt;
  const size_t at = FindKey(header, end, key);
  // A key line without "=" has no value, which reads as no key at all.
  if (at == std::string::npos || !lines_[at].hasValue) return std::nullopt;
  std::string_view v = lines_[at].value;
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  return std::string(v);
}

bool IniText::HasSection(std::string_view section) const {
  size_t end = 0;
  return FindSection(section, &end) != std::string::npos;
}

std::vector<std::string> IniText::Sections() const {
  std::vector<std::string> out;
  for (const Line& line : lines_)
    if (line.section) out.emplace_back(line.name);
  return out;
}

std::vector<std::string> IniText::Keys(std::string_view section) const {
  std::vector<std::string> out;
  size_t end = 0;
  const size_t header = FindSection(section, &end);
  if (header == std::string::npos) return out;
  // The names Read finds: each once, and only where its first line has a value.
  std::vector<std::string_view> seen;
  for (size_t i = header + 1; i < end; ++i) {
    const Line& line = lines_[i];
    if (!line.key || std::any_of(seen.begin(), seen.end(), [&](std::string_view n) { return EqualsNoCase(n, line.name); }))
      continue;
    seen.push_back(line.name);
    if (line.hasValue) out.emplace_back(line.name);
  }
  return out;
}

std::optional<std::string> IniText::CheckWrite(std::string_view section, std::string_view key, std::string_view value) {
  constexpr std::string_view kBreaks("\r\n\0", 3);
  if (TrimBlanks(section).empty()) return "No [Section] name given";
  if (TrimBlanks(key).empty()) return "No 'Key=' name given";
  if (section.find_first_of(kBreaks) != std::string_view::npos) return "A [Section] name cannot hold a line break";
  if (key.find_first_of(kBreaks) != std::string_view::npos || key.find('=') != std::string_view::npos ||
      TrimBlanks(key).front() == ';' || TrimBlanks(key).front() == '[')
    return "A 'Key=' name cannot hold '=' or a line break, nor begin with ';' or '['";
  if (value.find_first_of(kBreaks) != std::string_view::npos) return "An INI value cannot hold a line break";
  return std::nullopt;
}

std::string_view IniText::LineEnd() const {
  for (const Line& line : lines_)
    if (line.next > line.end) return std::string_view(text_).substr(line.end, line.next - line.end);
  return "\r\n";
}

void IniText::Write(std::string_view section, std::string_view key, std::string_view value) {
  const std::string eol(LineEnd());
  size_t end = 0;
  const size_t header = FindSection(section, &end);
  if (header == std::string::npos) {
    std::string add;
    if (!text_.empty() && text_.back() != '\n' && text_.back() != '\r') add += eol;
    if (!text_.empty()) add += eol;
    add += "[" + std::string(TrimBlanks(section)) + "]" + eol + std::string(TrimBlanks(key)) + "=" + std::string(value) + eol;
    text_ += add;
  } else if (const size_t at = FindKey(header, end, key); at != std::string::npos) {
    const Line& line = lines_[at];
    text_.replace(line.begin, line.end - line.begin, std::string(line.name) + "=" + std::string(value));
  } else {
    // After the section's last line that is not blank, so that blank lines before the next
    // section stay where they are.
    size_t after = header;
    for (size_t i = header + 1; i < end; ++i)
      if (!lines_[i].blank) after = i;
    const Line& last = lines_[after];
    std::string add = std::string(TrimBlanks(key)) + "=" + std::string(value) + eol;
    if (last.next == last.end) add.insert(0, eol);  // the last line of a text without a final line end
    text_.insert(last.next, add);
  }
  Parse();
}

bool IniText::DeleteKey(std::string_view section, std::string_view key) {
  size_t end = 0;
  const size_t header = FindSection(section, &end);
  if (header == std::string::npos) return false;
  const size_t at = FindKey(header, end, key);
  if (at == std::string::npos) return false;
  text_.erase(lines_[at].begin, lines_[at].next - lines_[at].begin);
  Parse();
  return true;
}

bool IniText::DeleteSection(std::string_view section) {
  size_t end = 0;
  const size_t header = FindSection(section, &end);
  if (header == std::string::npos) return false;
  const size_t stop = end < lines_.size() ? lines_[end].begin : text_.size();
  text_.erase(lines_[header].begin, stop - lines_[header].begin);
  Parse();
  return true;
}

}  // namespace plumo
