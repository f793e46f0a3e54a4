// Files and folders held in a map; '*' and '?' match within the last part of a pattern. Files
// keep their content; reads and writes can be made to fail. Folder watches wake when the test
// calls ChangeFolder. Not for use from two threads at once, except ChangeFolder and watches.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/files.h"

namespace plumo {

class FakeFiles : public Files {
 public:
  void AddFile(const std::string& path, uint64_t size) { Put(path, std::string(size, '\0')); }
  void AddFolder(const std::string& path) { entries_[path] = Entry{true, 0, {}}; }
  void Put(const std::string& path, std::string content) {
    const uint64_t size = content.size();
    entries_[path] = Entry{false, size, std::move(content)};
  }
  // Present but not to be opened, as a file another program holds exclusively.
  void Lock(const std::string& path) { locked_.insert(path); }
  // Opens but fails when read.
  void BreakReads(const std::string& path) { unreadable_.insert(path); }
  // The next ReplaceContent fails after creating its new file, as a full disk would.
  void FailNextWrite() { failNextWrite_ = true; }
  bool Has(const std::string& path) const { return entries_.count(path) != 0; }
  // Wakes every watch of a folder.
  void ChangeFolder() {
    std::lock_guard<std::mutex> lock(watch_->mu);
    ++watch_->changes;
    watch_->cv.notify_all();
  }
  int watchesMade = 0;
  const std::string& Content(const std::string& path) const { return entries_.at(path).content; }

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
  OsError ReadFile(const std::string& path, std::string* out, bool* opened) override {
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
    *created = false;
    const size_t cut = path.find_last_of("\\/");
    if (cut != std::string::npos && Kind(path.substr(0, cut)) != PathKind::kFolder) return NotFound("CreateFileA");
    if (locked_.count(path) && entries_.count(path)) return SharingViolation();
    *created = true;
    if (failNextWrite_) {
      failNextWrite_ = false;
      return OsError("WriteFile", 112, "There is not enough space on the disk.");
    }
    Put(path, std::string(data));
    return OsError::Ok();
  }
  OsError Delete(const std::string& path) override {
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
  std::unique_ptr<FolderWatch> WatchFolder(const std::string& path, OsError* error) override {
    if (Kind(path) != PathKind::kFolder) {
      *error = NotFound("FindFirstChangeNotificationA");
      return nullptr;
    }
    ++watchesMade;
    std::lock_guard<std::mutex> lock(watch_->mu);
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
  std::map<std::string, Entry> entries_;
  std::set<std::string> locked_;
  std::set<std::string> unreadable_;
  bool failNextWrite_ = false;
  std::shared_ptr<WatchState> watch_ = std::make_shared<WatchState>();
};

}  // namespace plumo
