#pragma once

#include "platform/files.h"

namespace plumo {

// A path as Linux reads it: backslashes become slashes and a leading drive ("C:") the root.
std::string PosixPath(const std::string& path);

class PosixFiles : public Files {
 public:
  PathKind Kind(const std::string& path) override;
  bool AnyMatch(const std::string& pattern) override;
  std::optional<uint64_t> FileSize(const std::string& path) override;
  OsError ReadFile(const std::string& path, std::string* out, bool* opened) override;
  OsError ReplaceContent(const std::string& path, std::string_view data, bool* created) override;
  OsError CreateExclusive(const std::string& path) override;
  OsError Delete(const std::string& path) override;
  void ListMatches(const std::string& mask, bool folders, bool recursive,
                   const std::function<bool(const std::string& path)>& fn) override;
  std::optional<FileFacts> Facts(const std::string& path, OsError* error) override;
  std::unique_ptr<FileReader> OpenRead(const std::string& path, uint64_t offset, OsError* error) override;
  OsError Append(const std::string& path, std::string_view data) override;
  OsError Resize(const std::string& path, uint64_t size, char fill) override;
  OsError Copy(const std::string& from, const std::string& to) override;
  OsError CopyPart(const std::string& from, uint64_t offset, uint64_t length, const std::string& to) override;
  OsError Move(const std::string& from, const std::string& to) override;
  OsError MakeFolder(const std::string& path) override;
  OsError RemoveTree(const std::string& path) override;
  OsError CopyTree(const std::string& from, const std::string& to) override;
  OsError ChangeDirectory(const std::string& path) override;
  OsError CreateShortcut(const std::string& path, const Shortcut& link, std::string* made) override;
  std::unique_ptr<FolderWatch> WatchFolder(const std::string& path, OsError* error) override;
};

}  // namespace plumo
