#include "platform/posix/posix_files.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cstring>

namespace plumo {

PathKind PosixFiles::Kind(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return PathKind::kNone;
  return S_ISDIR(st.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

bool PosixFiles::AnyMatch(const std::string& pattern) {
  size_t slash = pattern.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
  std::string leaf = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  DIR* d = opendir(dir.c_str());
  if (!d) return false;
  bool found = false;
  while (struct dirent* e = readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    if (fnmatch(leaf.c_str(), e->d_name, FNM_PERIOD) == 0) {
      found = true;
      break;
    }
  }
  closedir(d);
  return found;
}

std::optional<uint64_t> PosixFiles::FileSize(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

}  // namespace plumo
