#pragma once

#include "platform/files.h"

namespace plumo {

class Win32Files : public Files {
 public:
  PathKind Kind(const std::string& path) override;
  bool AnyMatch(const std::string& pattern) override;
  std::optional<uint64_t> FileSize(const std::string& path) override;
  OsError ReadFile(const std::string& path, std::string* out, bool* opened) override;
  OsError ReplaceContent(const std::string& path, std::string_view data, bool* created) override;
  OsError Delete(const std::string& path) override;
  void ListMatches(const std::string& mask, bool folders, bool recursive,
                   const std::function<bool(const std::string& path)>& fn) override;
  std::unique_ptr<FolderWatch> WatchFolder(const std::string& path, OsError* error) override;
};

}  // namespace plumo
