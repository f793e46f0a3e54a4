// Files that forward to another Files and fail the write that ends a countdown, as a full disk
// would: every write before it succeeds, that one and all later ones fail.
#pragma once

#include <atomic>

#include "platform/files.h"

namespace plumo {

class CountdownFiles : public Files {
 public:
  // Writes that succeed before the first failure; -1 for none failing.
  CountdownFiles(Files& inner, int writesBeforeFailure) : inner_(inner), left_(writesBeforeFailure) {}

  int writes() const { return writes_; }

  PathKind Kind(const std::string& path) override { return inner_.Kind(path); }
  bool AnyMatch(const std::string& pattern) override { return inner_.AnyMatch(pattern); }
  std::optional<uint64_t> FileSize(const std::string& path) override { return inner_.FileSize(path); }
  OsError ReadFile(const std::string& path, std::string* out, bool* opened) override {
    return inner_.ReadFile(path, out, opened);
  }
  OsError ReplaceContent(const std::string& path, std::string_view data, bool* created) override {
    *created = false;
    if (Fails()) return DiskFull();
    return inner_.ReplaceContent(path, data, created);
  }
  OsError Append(const std::string& path, std::string_view data) override {
    return Fails() ? DiskFull() : inner_.Append(path, data);
  }
  OsError CreateExclusive(const std::string& path) override { return Fails() ? DiskFull() : inner_.CreateExclusive(path); }
  OsError Delete(const std::string& path) override { return Fails() ? DiskFull() : inner_.Delete(path); }
  void ListMatches(const std::string& mask, bool folders, bool recursive,
                   const std::function<bool(const std::string& path)>& fn) override {
    inner_.ListMatches(mask, folders, recursive, fn);
  }
  std::optional<FileFacts> Facts(const std::string& path, OsError* error) override { return inner_.Facts(path, error); }
  std::unique_ptr<FileReader> OpenRead(const std::string& path, uint64_t offset, OsError* error) override {
    return inner_.OpenRead(path, offset, error);
  }
  OsError Resize(const std::string& path, uint64_t size, char fill) override {
    return Fails() ? DiskFull() : inner_.Resize(path, size, fill);
  }
  OsError Copy(const std::string& from, const std::string& to) override {
    return Fails() ? DiskFull() : inner_.Copy(from, to);
  }
  OsError CopyPart(const std::string& from, uint64_t offset, uint64_t length, const std::string& to) override {
    return Fails() ? DiskFull() : inner_.CopyPart(from, offset, length, to);
  }
  OsError Move(const std::string& from, const std::string& to) override {
    return Fails() ? DiskFull() : inner_.Move(from, to);
  }
  OsError MakeFolder(const std::string& path) override { return Fails() ? DiskFull() : inner_.MakeFolder(path); }
  OsError RemoveTree(const std::string& path) override { return Fails() ? DiskFull() : inner_.RemoveTree(path); }
  OsError CopyTree(const std::string& from, const std::string& to) override {
    return Fails() ? DiskFull() : inner_.CopyTree(from, to);
  }
  OsError ChangeDirectory(const std::string& path) override { return inner_.ChangeDirectory(path); }
  OsError CreateShortcut(const std::string& path, const Shortcut& link, std::string* made) override {
    return Fails() ? DiskFull() : inner_.CreateShortcut(path, link, made);
  }
  std::unique_ptr<FolderWatch> WatchFolder(const std::string& path, OsError* error) override {
    return inner_.WatchFolder(path, error);
  }

 private:
  bool Fails() {
    ++writes_;
    if (failing_ || left_ < 0) return failing_;
    if (left_-- == 0) failing_ = true;
    return failing_;
  }
  static OsError DiskFull() { return OsError("WriteFile", 112, "There is not enough space on the disk."); }

  Files& inner_;
  std::atomic<int> left_;
  std::atomic<int> writes_{0};
  std::atomic<bool> failing_{false};
};

}  // namespace plumo
