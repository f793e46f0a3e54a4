// A VS_VERSIONINFO block written the way resource compilers write one, for the tests that
// patch version information.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plumo::sample {

// Writes a VS_VERSIONINFO node the way resource compilers do.
struct Node {
  std::string key;
  uint16_t type;  // 1 text, 0 binary
  std::string value;
  uint16_t valueLength;
  std::vector<Node> children;
};

inline void Pad4(std::string& b) {
  while (b.size() % 4) b.push_back('\0');
}
inline void Put16(std::string& b, uint16_t v) {
  b.push_back(static_cast<char>(v & 0xFF));
  b.push_back(static_cast<char>(v >> 8));
}
inline std::string Wide(std::string_view s, size_t chars) {
  std::string w;
  for (size_t i = 0; i < chars; ++i) Put16(w, i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
  return w;
}
inline std::string Write(const Node& n) {
  std::string b(6, '\0');
  b += Wide(n.key, n.key.size() + 1);
  Pad4(b);
  b += n.value;
  for (const Node& c : n.children) {
    Pad4(b);
    b += Write(c);
  }
  b[0] = static_cast<char>(b.size() & 0xFF);
  b[1] = static_cast<char>(b.size() >> 8);
  b[2] = static_cast<char>(n.valueLength & 0xFF);
  b[3] = static_cast<char>(n.valueLength >> 8);
  b[4] = static_cast<char>(n.type);
  return b;
}
inline Node Text(const char* key, const char* value, size_t room) { return {key, 1, Wide(value, room), uint16_t(room), {}}; }

inline std::string FixedInfo() {
  std::string f(52, '\0');
  f[0] = '\xBD', f[1] = '\x04', f[2] = '\xEF', f[3] = '\xFE';
  f[8] = 76, f[10] = 7;  // 7.76.0.0
  return f;
}

inline std::string SampleBlock() {
  Node root{"VS_VERSION_INFO", 0, FixedInfo(), 52,
            {{"StringFileInfo", 1, "", 0,
              {{"040904e4", 1, "", 0,
                {Text("Description", "Plumo runtime", 20), Text("Copyright", "Copyright (C) 2010 Plumo", 30),
                 Text("LegalCopyright", "(C) Plumo", 10)}}}},
             {"VarFileInfo", 1, "", 0, {{"Translation", 0, std::string("\x07\x04\xE4\x04", 4), 4, {}}}}}};
  return Write(root);
}

}  // namespace plumo::sample
