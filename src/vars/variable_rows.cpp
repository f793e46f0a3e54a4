#include "vars/variable_rows.h"

#include <algorithm>

#include "base/text.h"

namespace plumo {

ShownAs ShownKind(std::string_view text, bool binary) {
  if (binary) return ShownAs::kBinary;
  if (!text.empty() && text.find_first_not_of("0123456789.,$ \r\n\t+-") == std::string_view::npos)
    return ShownAs::kNumber;
  return ShownAs::kText;
}

ShownAs ShownAsOf(std::string_view value) { return ShownKind(value, IsBinaryValue(value)); }

std::string ShownValue(std::string_view value, ShownAs kind) {
  value = value.substr(0, kMaxShownValue);
  std::string out;
  if (kind == ShownAs::kBinary) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : value) {
      if (!out.empty()) out += ' ';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
    return out;
  }
  out.assign(value.substr(0, value.find('\0')));
  std::replace_if(out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, ' ');
  return out;
}

std::string_view ShownKindName(ShownAs kind) {
  switch (kind) {
    case ShownAs::kNumber:
      return "Number";
    case ShownAs::kBinary:
      return "Binary";
    case ShownAs::kText:
      break;
  }
  return "Text";
}

int VariableRows::Find(std::string_view name) const {
  auto at = std::lower_bound(rows_.begin(), rows_.end(), name,
                             [](const VariableRow& r, std::string_view n) { return CompareNoCase(r.name, n) < 0; });
  return at != rows_.end() && CompareNoCase(at->name, name) == 0 ? static_cast<int>(at - rows_.begin()) : -1;
}

bool VariableRows::Show(std::string_view name, std::string_view value, ShownAs kind) {
  if (name.empty() || IsHiddenVariable(name)) return false;
  VariableRow row{std::string(name), ShownValue(value, kind), kind};
  if (int i = Find(name); i >= 0) {
    VariableRow& old = rows_[static_cast<size_t>(i)];
    if (old.value == row.value && old.kind == row.kind && old.name == row.name) return false;
    old = std::move(row);
    return true;
  }
  if (rows_.size() >= limit_) return false;
  auto at = std::lower_bound(rows_.begin(), rows_.end(), name,
                             [](const VariableRow& r, std::string_view n) { return CompareNoCase(r.name, n) < 0; });
  rows_.insert(at, std::move(row));
  return true;
}

bool VariableRows::Remove(std::string_view name) {
  const int i = Find(name);
  if (i < 0) return false;
  rows_.erase(rows_.begin() + i);
  return true;
}

void VariableRows::Reload(VariableStore& store) {
  std::vector<std::string> names = store.Names();
  std::erase_if(names, [](const std::string& n) { return n.size() > kMaxVariableName || IsHiddenVariable(n); });
  std::sort(names.begin(), names.end(), LessNoCase{});
  rows_.clear();
  for (const std::string& n : names) {
    if (rows_.size() >= limit_) break;
    const std::string value = store.Read(n).value_or("");
    rows_.push_back({n, ShownValue(value, ShownAsOf(value)), ShownAsOf(value)});
  }
}

}  // namespace plumo
