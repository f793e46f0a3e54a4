// Files and folders held in a map; '*' and '?' match within the last part of a pattern. Files
// keep their content; reads and writes can be made to fail. Folder watches wake when the test
// calls ChangeFolder. Every call takes one lock, so a run thread and the main thread may share it.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/files.h"

namespace plumo {

class FakeFiles : public Files {
 public:
  void AddFile(const std::string& path, uint64_t size) {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    Put(path, std::string(size, '\0'));
  }
  void AddFolder(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    entries_[path] = Entry{true, 0, {}};
  }
  void Put(const std::string& path, std::string content) {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    const uint64_t size = content.size();
    entries_[path] = Entry{false, size, std::move(content)};
  }
  void MarkReadOnly(const std::string& path) { readOnly_.insert(path); }
  std::string currentFolder;
  // Present but not to be opened, as a file another program holds exclusively.
  void Lock(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    locked_.insert(path);
  }
  // Opens but fails when read.
  void BreakReads(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    unreadable_.insert(path);
  }
  // The next ReplaceContent fails after creating its new file, as a full disk would.
  void FailNextWrite() {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    failNextWrite_ = true;
  }
  bool Has(const std::string& path) const {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    return entries_.count(path) != 0;
  }
  // Wakes every watch of a folder.
  void ChangeFolder() {
    std::lock_guard<std::mutex> lock(watch_->mu);
    ++watch_->changes;
    watch_->cv.notify_all();
  }
  int watchesMade = 0;
  std::string Content(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    auto it = entries_.find(path);
    return it == entries_.end() ? "<absent>" : it->second.content;
  }

  PathKind Kind(const std::string& path) override {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    auto it = entries_.find(path);
    if (it == entries_.end()) return PathKind::kNone;
    return it->second.folder ? PathKind::kFolder : PathKind::kFile;
  }
  bool AnyMatch(const std::string& pattern) override {
    std::lock_guard<std::recursive_mutex> lock(mu_);
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
    std::lock_guard<std::recursive_mutex> lock(mu_);
    auto it = entries_.find(path);
    if (it == entries_.end() || it->second.folder) return std::nullopt;
    return it->second.size;
  }
  OsError ReadFile(const std::string& path, std::string* out, bool* opened) override {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    *opened = false;
    auto it = entries_.find(path);
    if (it == entries_.end() || it->second.folder) return NotFound("CreateFileA");
    if (locked_.count(path)) return SharingViolation();
    *opened = true;
    if (unreadable_.count(path)) return OsError("ReadFile", 23, "Data error (cyclic redundancy check).");
    *out = it->second.content;
    return OsError::Ok();
  }
  OsError ReplaceContent(const std::string& path, std::string_view data, bool* created) override {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    *created = false;
    const size_t cut = path.find_last_of("\\/");
    if (cut != std::string::npos && Kind(path.substr(0, cut)) != PathKind::kFolder) return NotFound("CreateFileA");
    if (locked_.count(path) && entries_.count(path)) return SharingViolation();
    if (Kind(path) == PathKind::kFolder) return OsError("CreateFileA", oscode::kAccessDenied, "Access is denied.");
    *created = true;
    if (failNextWrite_) {
      failNextWrite_ = false;
      return OsError("WriteFile", 112, "There is not enough space on the disk.");
    }
    Put(path, std::string(data));
    return OsError::Ok();
  }
  OsError CreateExclusive(const std::string& path) override {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    if (entries_.count(path)) return OsError("CreateFileA", oscode::kFileExists, "The file exists.");
    Put(path, "");
    return OsError::Ok();
  }
  OsError Delete(const std::string& path) override {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    if (locked_.count(path) && entries_.count(path)) return SharingViolation();
    entries_.erase(path);
    return OsError::Ok();
  }
  void ListMatches(const std::string& mask, bool folders, bool recursive,
                   const std::function<bool(const std::string& path)>& fn) override {
    const size_t cut = mask.find_last_of("\\/") + 1;
    const std::string folder = mask.substr(0, cut), leaf = mask.substr(cut);
    for (const auto& [path, entry] : entries_) {
      const size_t pcut = path.find_last_of("\\/") + 1;
      if (entry.folder != folders || path.compare(0, cut, folder) != 0 || (!recursive && pcut != cut)) continue;
      const std::string name = path.substr(pcut);
      if ((Match(leaf, name) || (leaf == "*.*")) && !fn(path)) return;
    }
  }
  std::optional<FileFacts> Facts(const std::string& path, OsError* error) override {
    auto it = entries_.find(path);
    if (it == entries_.end()) {
      *error = NotFound("GetFileAttributesExA");
      return std::nullopt;
    }
    FileFacts f;
    f.kind = it->second.folder ? PathKind::kFolder : PathKind::kFile;
    f.size = it->second.size;
    f.attributes = it->second.folder ? fileattr::kDirectory : fileattr::kArchive;
    if (readOnly_.count(path)) f.attributes |= fileattr::kReadOnly;
    f.created = f.modified = f.accessed = SystemTime{2024, 2, 4, 29, 13, 45, 10, 0};
    return f;
  }
  std::unique_ptr<FileReader> OpenRead(const std::string& path, uint64_t offset, OsError* error) override {
    std::string content;
    bool opened = false;
    if (OsError e = ReadFile(path, &content, &opened); !e) {
      *error = e;
      return nullptr;
    }
    return std::make_unique<Reader>(content.substr(std::min<uint64_t>(offset, content.size())));
  }
  OsError Append(const std::string& path, std::string_view data) override {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    std::string content = Kind(path) == PathKind::kFile ? entries_.at(path).content : std::string();
    bool created = false;
    return ReplaceContent(path, content.append(data), &created);
  }
  OsError Resize(const std::string& path, uint64_t size, char fill) override {
    if (Kind(path) != PathKind::kFile) return NotFound("CreateFileA");
    std::string content = entries_.at(path).content;
    content.resize(size, fill);
    bool created = false;
    return ReplaceContent(path, content, &created);
  }
  OsError Copy(const std::string& from, const std::string& to) override {
    return CopyPart(from, 0, UINT64_MAX, to);
  }
  OsError CopyPart(const std::string& from, uint64_t offset, uint64_t length, const std::string& to) override {
    if (Kind(from) != PathKind::kFile) return NotFound("CopyFileA");
    if (readOnly_.count(to)) return OsError("CreateFileA", oscode::kAccessDenied, "Access is denied.");
    const std::string& content = entries_.at(from).content;
    bool created = false;
    return ReplaceContent(to, content.substr(std::min<uint64_t>(offset, content.size()), length), &created);
  }
  OsError Move(const std::string& from, const std::string& to) override {
    if (Kind(from) == PathKind::kNone) return NotFound("MoveFileExA");
    if (Kind(to) != PathKind::kNone) return OsError("MoveFileExA", oscode::kAlreadyExists, "Cannot create a file when that file already exists.");
    std::map<std::string, Entry> moved;
    for (auto it = entries_.begin(); it != entries_.end();) {
      if (it->first == from || Below(it->first, from)) {
        moved[to + it->first.substr(from.size())] = it->second;
        it = entries_.erase(it);
      } else {
        ++it;
      }
    }
    entries_.merge(moved);
    return OsError::Ok();
  }
  OsError MakeFolder(const std::string& path) override {
    for (size_t at = path.find_first_of("\\/", 1);; at = path.find_first_of("\\/", at + 1)) {
      const std::string part = path.substr(0, at);
      if (Kind(part) == PathKind::kFile) return OsError("CreateDirectoryA", oscode::kAlreadyExists, "Cannot create a file when that file already exists.");
      if (!part.empty() && part.back() != ':' && Kind(part) == PathKind::kNone) AddFolder(part);
      if (at == std::string::npos) return OsError::Ok();
    }
  }
  OsError RemoveTree(const std::string& path) override {
    if (Kind(path) != PathKind::kFolder) return NotFound("RemoveDirectoryA");
    std::erase_if(entries_, [&](const auto& e) { return e.first == path || Below(e.first, path); });
    return OsError::Ok();
  }
  OsError CopyTree(const std::string& from, const std::string& to) override {
    if (Kind(from) != PathKind::kFolder) return NotFound("FindFirstFileA");
    if (OsError e = MakeFolder(to); !e) return e;
    std::map<std::string, Entry> copies;
    for (const auto& [path, entry] : entries_)
      if (Below(path, from)) copies[to + path.substr(from.size())] = entry;
    for (auto& [path, entry] : copies) entries_[path] = entry;
    return OsError::Ok();
  }
  OsError ChangeDirectory(const std::string& path) override {
    if (Kind(path) != PathKind::kFolder) return NotFound("SetCurrentDirectoryA");
    currentFolder = path;
    return OsError::Ok();
  }
  // The shortcut as a text that names what it holds.
  OsError CreateShortcut(const std::string& path, const Shortcut& link, std::string* made) override {
    *made = path + ".lnk";
    bool created = false;
    return ReplaceContent(*made,
                          link.target + "|" + link.arguments + "|" + link.workingFolder + "|" + link.description +
                              "|" + std::to_string(link.show),
                          &created);
  }
  std::unique_ptr<FolderWatch> WatchFolder(const std::string& path, OsError* error) override {
    std::lock_guard<std::recursive_mutex> lock(mu_);
    if (Kind(path) != PathKind::kFolder) {
      *error = NotFound("FindFirstChangeNotificationA");
      return nullptr;
    }
    ++watchesMade;
    std::lock_guard<std::mutex> watchLock(watch_->mu);
    return std::make_unique<Watch>(watch_, watch_->changes);
  }

 private:
  struct WatchState {
    std::mutex mu;
    std::condition_variable cv;
    int changes = 0;
  };
  class Watch : public FolderWatch {
   public:
    Watch(std::shared_ptr<WatchState> state, int seen) : state_(std::move(state)), seen_(seen) {}
    bool WaitForChange() override {
      std::unique_lock<std::mutex> lock(state_->mu);
      state_->cv.wait(lock, [&] { return cancelled_ || state_->changes != seen_; });
      if (cancelled_) return false;
      seen_ = state_->changes;
      return true;
    }
    void Cancel() override {
      std::lock_guard<std::mutex> lock(state_->mu);
      cancelled_ = true;
      state_->cv.notify_all();
    }

   private:
    std::shared_ptr<WatchState> state_;
    int seen_;
    bool cancelled_ = false;
  };
  class Reader : public FileReader {
   public:
    explicit Reader(std::string content) : content_(std::move(content)) {}
    OsError Read(char* buffer, size_t size, size_t* got) override {
      *got = std::min(size, content_.size() - at_);
      std::copy_n(content_.data() + at_, *got, buffer);
      at_ += *got;
      return OsError::Ok();
    }

   private:
    std::string content_;
    size_t at_ = 0;
  };
  static bool Below(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
           (path[folder.size()] == '\\' || path[folder.size()] == '/');
  }
  struct Entry {
    bool folder;
    uint64_t size;
    std::string content;
  };
  static OsError NotFound(const char* call) {
    return OsError(call, oscode::kFileNotFound, "The system cannot find the file specified.");
  }
  static OsError SharingViolation() {
    return OsError("CreateFileA", 32, "The process cannot access the file because it is being used by another process.");
  }
  static bool Match(std::string_view p, std::string_view s) {
    if (p.empty()) return s.empty();
    if (p[0] == '*') return Match(p.substr(1), s) || (!s.empty() && Match(p, s.substr(1)));
    return !s.empty() && (p[0] == '?' || p[0] == s[0]) && Match(p.substr(1), s.substr(1));
  }
  mutable std::recursive_mutex mu_;
  std::map<std::string, Entry> entries_;
  std::set<std::string> locked_;
  std::set<std::string> unreadable_;
  std::set<std::string> readOnly_;
  bool failNextWrite_ = false;
  std::shared_ptr<WatchState> watch_ = std::make_shared<WatchState>();
};

}  // namespace plumo
