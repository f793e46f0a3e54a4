#include "platform/posix/posix_files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <new>

#include "platform/posix/posix_io.h"

namespace plumo {

OsError PosixError(const char* call, int err) {
  uint32_t code = static_cast<uint32_t>(err);
  switch (err) {
    case ENOENT:
    case ENOTDIR: code = oscode::kFileNotFound; break;
    case EACCES:
    case EPERM:
    case EROFS: code = oscode::kAccessDenied; break;
    case ENOMEM: code = oscode::kNotEnoughMemory; break;
    case EEXIST: code = oscode::kAlreadyExists; break;
    default: break;
  }
  return OsError(call, code, strerror(err));
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void CutBack(int fd, off_t length) {
  // When this fails as well, nothing better is left to do.
  const int ignored = ftruncate(fd, length);
  static_cast<void>(ignored);
}

namespace {
std::atomic<unsigned> tempCounter{0};
}  // namespace

int CreateBeside(const std::string& path, std::string* temp) {
  // Mode 0666 lets the umask decide, as for any new file.
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    *temp = path + ".~" + std::to_string(getpid()) + "-" + std::to_string(tempCounter++) + ".tmp";
    fd = open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  return fd;
}

std::string PosixPath(const std::string& path) {
  std::string out = path;
  std::replace(out.begin(), out.end(), '\\', '/');
  const bool drive = out.size() >= 2 && out[1] == ':' && std::isalpha(static_cast<unsigned char>(out[0]));
  if (drive) {
    out.erase(0, 2);
    if (out.empty() || out[0] != '/') out.insert(out.begin(), '/');
  }
  return out;
}

PathKind PosixFiles::Kind(const std::string& windowsPath) {
  const std::string path = PosixPath(windowsPath);
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return PathKind::kNone;
  return S_ISDIR(st.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

bool PosixFiles::AnyMatch(const std::string& windowsPattern) {
  const std::string pattern = PosixPath(windowsPattern);
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

std::optional<uint64_t> PosixFiles::FileSize(const std::string& windowsPath) {
  const std::string path = PosixPath(windowsPath);
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

OsError PosixFiles::ReadFile(const std::string& windowsPath, std::string* out, bool* opened) {
  const std::string path = PosixPath(windowsPath);
  *opened = false;
  Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return PosixError("open", errno);
  *opened = true;
  struct stat st;
  if (fstat(fd.get(), &st) != 0) return PosixError("fstat", errno);
  if (S_ISDIR(st.st_mode)) return PosixError("read", EISDIR);
  std::string data;
  try {
    data.reserve(static_cast<size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
      const ssize_t n = read(fd.get(), chunk, sizeof chunk);
      if (n < 0) {
        if (errno == EINTR) continue;
        return PosixError("read", errno);
      }
      if (n == 0) break;
      data.append(chunk, static_cast<size_t>(n));
    }
  } catch (const std::bad_alloc&) {
    return PosixError("read", ENOMEM);
  }
  *out = std::move(data);
  return OsError::Ok();
}

OsError PosixFiles::CreateExclusive(const std::string& windowsPath) {
  const std::string path = PosixPath(windowsPath);
  // O_EXCL with O_CREAT refuses a symbolic link too, even one that points nowhere.
  Fd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (fd.get() < 0 && errno == EEXIST) return OsError("open", oscode::kFileExists, strerror(EEXIST));
  if (fd.get() < 0) return PosixError("open", errno);
  if (fd.Close() != 0) return PosixError("close", errno);
  return OsError::Ok();
}

OsError PosixFiles::Delete(const std::string& windowsPath) {
  const std::string path = PosixPath(windowsPath);
  if (unlink(path.c_str()) == 0 || errno == ENOENT) return OsError::Ok();
  return PosixError("unlink", errno);
}

OsError PosixFiles::ReplaceContent(const std::string& windowsPath, std::string_view data, bool* created) {
  const std::string path = PosixPath(windowsPath);
  *created = false;
  struct stat old;
  const bool exists = stat(path.c_str(), &old) == 0;
  if (exists && (!S_ISREG(old.st_mode) || access(path.c_str(), W_OK) != 0))
    return PosixError("open", S_ISREG(old.st_mode) ? errno : EISDIR);

  std::string temp;
  const int raw = CreateBeside(path, &temp);
  if (raw < 0) return PosixError("open", errno);
  Fd fd(raw);
  *created = true;

  auto fail = [&](const char* call) {
    const int err = errno;
    if (fd.get() >= 0) fd.Close();
    unlink(temp.c_str());
    return PosixError(call, err);
  };
  if (!WriteAll(fd.get(), data)) return fail("write");
  if (exists && fchmod(fd.get(), old.st_mode & 07777) != 0) return fail("fchmod");
  if (fsync(fd.get()) != 0) return fail("fsync");
  if (fd.Close() != 0) return fail("close");
  if (rename(temp.c_str(), path.c_str()) != 0) return fail("rename");
  // The rename itself reaches the disk with the folder.
  Fd dir(open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) fsync(dir.get());
  return OsError::Ok();
}

}  // namespace plumo
