// Files and folders held in a map; '*' and '?' match within the last part of a pattern.
#pragma once

#include <map>

#include "platform/files.h"

namespace plumo {

class FakeFiles : public Files {
 public:
  void AddFile(const std::string& path, uint64_t size) { entries_[path] = Entry{false, size}; }
  void AddFolder(const std::string& path) { entries_[path] = Entry{true, 0}; }

  PathKind Kind(const std::string& path) override {
    auto it = entries_.find(path);
    if (it == entries_.end()) return PathKind::kNone;
    return it->second.folder ? PathKind::kFolder : PathKind::kFile;
  }
  bool AnyMatch(const std::string& pattern) override {
    size_t cut = pattern.find_last_of("\\/") + 1;
    for (const auto& [path, entry] : entries_) {
      size_t pcut = path.find_last_of("\\/") + 1;
      if (path.compare(0, pcut, pattern, 0, cut) == 0 && pcut == cut &&
          Match(pattern.substr(cut), path.substr(pcut)))
        return true;
    }
    return false;
  }
  std::optional<uint64_t> FileSize(const std::string& path) override {
    auto it = entries_.find(path);
    if (it == entries_.end() || it->second.folder) return std::nullopt;
    return it->second.size;
  }

 private:
  struct Entry {
    bool folder;
    uint64_t size;
  };
  static bool Match(std::string_view p, std::string_view s) {
    if (p.empty()) return s.empty();
    if (p[0] == '*') return Match(p.substr(1), s) || (!s.empty() && Match(p, s.substr(1)));
    return !s.empty() && (p[0] == '?' || p[0] == s[0]) && Match(p.substr(1), s.substr(1));
  }
  std::map<std::string, Entry> entries_;
};

}  // namespace plumo
