// Files port: what the formulas ask about files and folders, and what reading and saving a
// document needs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/os_error.h"

namespace plumo {

enum class PathKind { kNone, kFile, kFolder };

// A watch on a folder and everything below it.
class FolderWatch {
 public:
  virtual ~FolderWatch() = default;
  // Blocks until a name, attribute, size or write time below the folder changes (true), or
  // until Cancel (false).
  virtual bool WaitForChange() = 0;
  // Callable from any thread: a waiting WaitForChange returns false, and so do later ones.
  virtual void Cancel() = 0;
};

class Files {
 public:
  virtual ~Files() = default;
  virtual PathKind Kind(const std::string& path) = 0;
  // True when an entry other than "." and ".." matches the pattern ('*' and '?' in its last part).
  virtual bool AnyMatch(const std::string& pattern) = 0;
  // nullopt when the path is no file.
  virtual std::optional<uint64_t> FileSize(const std::string& path) = 0;

  // The whole file. *opened tells a file that could not be opened (missing, locked, denied)
  // from one that failed while being read.
  virtual OsError ReadFile(const std::string& path, std::string* out, bool* opened) = 0;

  // Puts data in place of the file at path, creating it when absent, so that path holds either
  // its old content or all of data, never a part: the data goes to a new file in the same
  // folder, is flushed to the disk and then takes the old file's place in one step. An
  // existing file that may not be written is refused. *created tells a failure before anything
  // was written (no file could be created, or the old one is read-only or locked) from a later
  // one; either way the old file is unchanged and no new file is left behind.
  virtual OsError ReplaceContent(const std::string& path, std::string_view data, bool* created) = 0;

  // The files (or the folders) whose names match the last part of mask ('*' and '?'; "*.*"
  // matches every name), with their folder in front, in the folder's order; with recursive,
  // the same for every folder below. fn answers false to stop.
  virtual void ListMatches(const std::string& mask, bool folders, bool recursive,
                           const std::function<bool(const std::string& path)>& fn) = 0;
  // Removes the file; a path that names nothing is no failure.
  virtual OsError Delete(const std::string& path) = 0;
  // Null with *error when the folder cannot be watched.
  virtual std::unique_ptr<FolderWatch> WatchFolder(const std::string& path, OsError* error) = 0;
};

}  // namespace plumo
