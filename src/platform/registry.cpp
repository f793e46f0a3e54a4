#include "platform/registry.h"

namespace plumo {

RegValue RegValue::Text(std::string_view s, RegKind kind) {
  RegValue v;
  v.kind = kind;
  v.data.assign(s);
  v.data.push_back('\0');
  if (kind == RegKind::kMultiString) v.data.push_back('\0');
  return v;
}

RegValue RegValue::Number(uint32_t n) {
  RegValue v;
  v.kind = RegKind::kNumber;
  for (int i = 0; i < 4; ++i) v.data.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
  return v;
}

RegValue RegValue::Binary(std::string_view bytes) {
  RegValue v;
  v.kind = RegKind::kBinary;
  v.data.assign(bytes);
  return v;
}

std::string RegValue::AsText() const {
  size_t n = data.size();
  while (n > 0 && data[n - 1] == '\0') --n;
  return data.substr(0, n);
}

uint32_t RegValue::AsNumber() const {
  uint32_t n = 0;
  for (size_t i = 0; i < 4 && i < data.size(); ++i)
    n |= static_cast<uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
  return n;
}

std::optional<std::string> RegisteredOpenCommand(Registry& registry, std::string extension) {
  if (extension.empty() || extension[0] != '.') extension.insert(extension.begin(), '.');
  const std::pair<RegRoot, std::string> places[] = {{RegRoot::kCurrentUser, "Software\\Classes\\"},
                                                    {RegRoot::kClassesRoot, ""}};
  for (const auto& [root, prefix] : places) {
    RegValue type;
    if (!registry.ReadValue(root, prefix + extension, "", &type).ok()) continue;
    for (const auto& [root2, prefix2] : places) {
      RegValue command;
      if (registry.ReadValue(root2, prefix2 + type.AsText() + "\\shell\\open\\command", "", &command).ok())
        return command.AsText();
    }
  }
  return std::nullopt;
}

}  // namespace plumo
