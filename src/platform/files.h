// Files port: what the formulas ask about files and folders, what reading and saving a
// document needs, and the file and folder work of the Files & Folders actions. Paths may be
// written the Windows way on every build: on Linux a backslash is a separator and a drive
// letter ("C:") stands for the root.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/os_error.h"

namespace plumo {

enum class PathKind { kNone, kFile, kFolder };

// Attribute bits in the Win32 numbering, on both builds.
namespace fileattr {
constexpr uint32_t kReadOnly = 0x1;
constexpr uint32_t kHidden = 0x2;
constexpr uint32_t kSystem = 0x4;
constexpr uint32_t kDirectory = 0x10;
constexpr uint32_t kArchive = 0x20;
constexpr uint32_t kNormal = 0x80;
constexpr uint32_t kTemporary = 0x100;
constexpr uint32_t kReparsePoint = 0x400;  // a symbolic link or junction
constexpr uint32_t kCompressed = 0x800;
constexpr uint32_t kOffline = 0x1000;
}  // namespace fileattr

// What the system keeps about a file or folder. Times are local.
struct FileFacts {
  PathKind kind = PathKind::kNone;
  uint64_t size = 0;
  uint32_t attributes = 0;
  SystemTime created, modified, accessed;
};

// What a shortcut starts, and how.
struct Shortcut {
  std::string target;
  std::string arguments;
  std::string workingFolder;
  std::string description;
  int show = 1;  // 1 normal, 3 maximized, 7 minimized (the SW_ numbers)
};

// A file open for reading from some position on.
class FileReader {
 public:
  virtual ~FileReader() = default;
  // Up to size bytes; *got is 0 at the end of the file.
  virtual OsError Read(char* buffer, size_t size, size_t* got) = 0;
};

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
  // the same for every folder below, entering real folders only, never links to them. fn
  // answers false to stop.
  virtual void ListMatches(const std::string& mask, bool folders, bool recursive,
                           const std::function<bool(const std::string& path)>& fn) = 0;
  // Creates an empty file that did not exist, as one step: anything at the path (a file, a
  // folder, a symbolic link even to nothing) refuses it with oscode::kFileExists. For names in a
  // folder others share, such as the temporary folder.
  virtual OsError CreateExclusive(const std::string& path) = 0;
  // Removes the file; a path that names nothing is no failure.
  virtual OsError Delete(const std::string& path) = 0;

  // What the system keeps about the path, through a final link; nullopt with *error when the
  // path names nothing or cannot be looked at.
  virtual std::optional<FileFacts> Facts(const std::string& path, OsError* error) = 0;
  // Null with *error when the file cannot be opened (a folder cannot).
  virtual std::unique_ptr<FileReader> OpenRead(const std::string& path, uint64_t offset, OsError* error) = 0;
  // Adds data at the end of the file, creating it when absent. On failure the file is cut
  // back to its old length.
  virtual OsError Append(const std::string& path, std::string_view data) = 0;
  // Cuts the file to size bytes or grows it with fill bytes; on failure it keeps its length.
  virtual OsError Resize(const std::string& path, uint64_t size, char fill) = 0;
  // Puts a copy of the file at to, as ReplaceContent would: the copy keeps the original's
  // attributes and write time, and a destination that may not be written is refused.
  virtual OsError Copy(const std::string& from, const std::string& to) = 0;
  // The same for length bytes from offset, as a new file with ordinary attributes.
  virtual OsError CopyPart(const std::string& from, uint64_t offset, uint64_t length, const std::string& to) = 0;
  // Renames a file or folder; an existing destination is refused. Between volumes the entry
  // is copied and then removed.
  virtual OsError Move(const std::string& from, const std::string& to) = 0;
  // Creates the folder and the missing folders above it; an existing folder is no failure.
  virtual OsError MakeFolder(const std::string& path) = 0;
  // Removes a folder with everything in it. Links inside it (and the path itself, when it is
  // one) are removed as links: nothing outside the folder is touched. Read-only files go too.
  virtual OsError RemoveTree(const std::string& path) = 0;
  // Copies a folder's files and folders into to (created when missing), replacing files
  // there. Links are copied as links where the system can, never followed.
  virtual OsError CopyTree(const std::string& from, const std::string& to) = 0;
  virtual OsError ChangeDirectory(const std::string& path) = 0;
  // A shortcut file at path, which the system gives its own extension: a ".lnk" made through
  // the shell's link object on Windows, a ".desktop" launcher on Linux. *made names the file.
  virtual OsError CreateShortcut(const std::string& path, const Shortcut& link, std::string* made) = 0;

  // Null with *error when the folder cannot be watched.
  virtual std::unique_ptr<FolderWatch> WatchFolder(const std::string& path, OsError* error) = 0;
};

}  // namespace plumo
