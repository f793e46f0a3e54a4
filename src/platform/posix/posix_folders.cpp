// Listing files by a Windows-style mask, and watching folders with inotify.
#include <dirent.h>
#include <errno.h>
#include <fnmatch.h>
#include <poll.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/posix/posix_files.h"

namespace plumo {
namespace {

// Windows reads "*.*" (and any pattern ending in ".*") as matching names without a dot too.
bool NameMatches(const std::string& pattern, const char* name) {
  if (fnmatch(pattern.c_str(), name, FNM_PERIOD) == 0) return true;
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0)
    return fnmatch(pattern.substr(0, pattern.size() - 2).c_str(), name, FNM_PERIOD) == 0;
  return false;
}

bool IsDots(const char* name) { return !strcmp(name, ".") || !strcmp(name, ".."); }

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Whether the entry is a folder, and whether it is a real one rather than a link to one; the
// type the folder listing gives saves a stat for most entries.
void EntryKind(const std::string& path, const dirent* e, bool* folder, bool* real) {
  *real = e->d_type == DT_DIR;
  *folder = *real;
  if (e->d_type == DT_REG) return;
  if (e->d_type == DT_UNKNOWN) {
    struct stat st;
    *real = lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    *folder = *real;
    if (!S_ISLNK(st.st_mode)) return;
  }
  if (!*real) *folder = IsFolder(path);
}

// false when fn asked to stop.
bool ListIn(const std::string& folder, const std::string& leaf, bool folders, bool recursive,
            const std::function<bool(const std::string&)>& fn) {
  DIR* d = opendir(folder.empty() ? "." : folder.c_str());
  if (!d) return true;
  std::vector<std::string> below;
  bool go = true;
  std::string path = folder;
  while (dirent* e = readdir(d)) {
    if (IsDots(e->d_name)) continue;
    path.resize(folder.size());
    path += e->d_name;
    bool isFolder = false, real = false;
    EntryKind(path, e, &isFolder, &real);
    if (real && recursive) below.push_back(path + "/");
    if (isFolder == folders && NameMatches(leaf, e->d_name) && !fn(path)) {
      go = false;
      break;
    }
  }
  closedir(d);
  for (size_t i = 0; go && i < below.size(); ++i) go = ListIn(below[i], leaf, folders, recursive, fn);
  return go;
}

class InotifyWatch : public FolderWatch {
 public:
  InotifyWatch(int inotify, int cancel) : inotify_(inotify), cancel_(cancel) {}
  ~InotifyWatch() override {
    close(inotify_);
    close(cancel_);
  }
  bool WaitForChange() override {
    pollfd fds[2] = {{inotify_, POLLIN, 0}, {cancel_, POLLIN, 0}};
    for (;;) {
      int n = poll(fds, 2, -1);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 || (fds[1].revents & POLLIN)) return false;
      if (fds[0].revents & POLLIN) return true;
      if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
    }
  }
  void Cancel() override {
    uint64_t one = 1;
    ssize_t n = write(cancel_, &one, sizeof one);
    (void)n;
  }

 private:
  int inotify_;
  int cancel_;
};

constexpr uint32_t kChanges = IN_CREATE | IN_DELETE | IN_MODIFY | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO |
                              IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF;

// inotify watches one folder each: every real folder below gets its own (a link to a folder
// above would otherwise never end).
void WatchTree(int inotify, const std::string& folder) {
  if (inotify_add_watch(inotify, folder.c_str(), kChanges) < 0) return;
  DIR* d = opendir(folder.c_str());
  if (!d) return;
  std::vector<std::string> below;
  while (dirent* e = readdir(d)) {
    if (IsDots(e->d_name)) continue;
    std::string path = folder + "/" + e->d_name;
    bool isFolder = false, real = false;
    EntryKind(path, e, &isFolder, &real);
    if (real) below.push_back(path);
  }
  closedir(d);
  for (const std::string& b : below) WatchTree(inotify, b);
}

}  // namespace

void PosixFiles::ListMatches(const std::string& windowsMask, bool folders, bool recursive,
                             const std::function<bool(const std::string& path)>& fn) {
  const std::string mask = PosixPath(windowsMask);
  const size_t slash = mask.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : mask.substr(0, slash + 1);
  const std::string leaf = slash == std::string::npos ? mask : mask.substr(slash + 1);
  ListIn(folder, leaf, folders, recursive, fn);
}

std::unique_ptr<FolderWatch> PosixFiles::WatchFolder(const std::string& windowsPath, OsError* error) {
  const std::string path = PosixPath(windowsPath);
  if (!IsFolder(path)) {
    *error = OsError("inotify_add_watch", oscode::kFileNotFound, strerror(ENOENT));
    return nullptr;
  }
  int inotify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (inotify < 0) {
    *error = OsError("inotify_init1", static_cast<uint32_t>(errno), strerror(errno));
    return nullptr;
  }
  int cancel = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (cancel < 0) {
    *error = OsError("eventfd", static_cast<uint32_t>(errno), strerror(errno));
    close(inotify);
    return nullptr;
  }
  WatchTree(inotify, path.size() > 1 && path.back() == '/' ? path.substr(0, path.size() - 1) : path);
  return std::make_unique<InotifyWatch>(inotify, cancel);
}

}  // namespace plumo
