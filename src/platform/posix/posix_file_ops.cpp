// The file and folder work of the Files & Folders actions on Linux: facts, streamed reads,
// appends and size changes that undo themselves on failure, copies that take the old file's
// place in one step, moves, and folder trees walked without following links.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/sendfile.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_io.h"

namespace plumo {
namespace {

constexpr size_t kChunk = 1 << 20;

SystemTime LocalTimeOf(const struct timespec& ts) {
  struct tm tm {};
  const time_t t = ts.tv_sec;
  localtime_r(&t, &tm);
  return FromTm(tm, ts.tv_nsec / 1000);
}

// No write permission for anyone is what Windows calls read-only.
bool ReadOnlyMode(mode_t mode) { return (mode & 0222) == 0; }

std::string LeafOf(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const size_t slash = p.find_last_of('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

class PosixReader : public FileReader {
 public:
  explicit PosixReader(int fd) : fd_(fd) {}
  OsError Read(char* buffer, size_t size, size_t* got) override {
    for (;;) {
      const ssize_t n = read(fd_.get(), buffer, size);
      if (n >= 0) {
        *got = static_cast<size_t>(n);
        return OsError::Ok();
      }
      if (errno != EINTR) {
        *got = 0;
        return PosixError("read", errno);
      }
    }
  }

 private:
  Fd fd_;
};

// length bytes from offset of in to out, in the kernel when it can.
bool CopyBytes(int in, int out, uint64_t offset, uint64_t length) {
  off_t at = static_cast<off_t>(offset);
  bool kernel = true;
  while (length > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(length, 1u << 30));
    ssize_t n = -1;
    if (kernel) {
      n = copy_file_range(in, &at, out, nullptr, want, 0);
      if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
        kernel = false;
        continue;
      }
    } else {
      n = sendfile(out, in, &at, want);
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;  // the file is shorter than it said
    length -= static_cast<uint64_t>(n);
  }
  return true;
}

// A destination we may write: absent, or a regular file with write permission.
OsError CheckDestination(const std::string& to, bool* exists) {
  struct stat st;
  *exists = stat(to.c_str(), &st) == 0;
  if (!*exists) return OsError::Ok();
  if (S_ISDIR(st.st_mode)) return PosixError("open", EISDIR);
  if (access(to.c_str(), W_OK) != 0) return PosixError("open", errno);
  return OsError::Ok();
}

// Writes a copy of from's bytes beside to, then puts it in to's place.
OsError CopyInto(const std::string& from, uint64_t offset, std::optional<uint64_t> length, const std::string& to) {
  Fd in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return PosixError("open", errno);
  struct stat src;
  if (fstat(in.get(), &src) != 0) return PosixError("fstat", errno);
  if (S_ISDIR(src.st_mode)) return PosixError("open", EISDIR);
  bool exists = false;
  if (OsError e = CheckDestination(to, &exists); !e) return e;
  std::string temp;
  Fd out(CreateBeside(to, &temp));
  if (out.get() < 0) return PosixError("open", errno);
  auto fail = [&](const char* call) {
    const int err = errno;
    if (out.get() >= 0) out.Close();
    unlink(temp.c_str());
    return PosixError(call, err);
  };
  const uint64_t size = static_cast<uint64_t>(src.st_size);
  const uint64_t start = std::min(offset, size);
  const uint64_t count = length ? std::min(*length, size - start) : size - start;
  if (!CopyBytes(in.get(), out.get(), start, count)) return fail("copy_file_range");
  if (!length) {
    if (fchmod(out.get(), src.st_mode & 07777) != 0) return fail("fchmod");
    const struct timespec times[2] = {src.st_atim, src.st_mtim};
    if (futimens(out.get(), times) != 0) return fail("futimens");
  }
  // A file that takes another's place reaches the disk first, so a crash cannot leave an
  // empty file where the old one was.
  if (exists && fsync(out.get()) != 0) return fail("fsync");
  if (out.Close() != 0) return fail("close");
  if (rename(temp.c_str(), to.c_str()) != 0) return fail("rename");
  return OsError::Ok();
}

OsError RemoveIn(int dirfd, const char* name);

// Empties the open folder, which it closes.
OsError EmptyFolder(int fd) {
  DIR* d = fdopendir(fd);
  if (!d) {
    const int err = errno;
    close(fd);
    return PosixError("fdopendir", err);
  }
  std::vector<std::string> names;
  while (dirent* e = readdir(d))
    if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
  OsError result;
  for (const std::string& name : names) {
    OsError e = RemoveIn(dirfd(d), name.c_str());
    if (!e && e.code() == oscode::kAccessDenied) {
      // A folder without write permission keeps its entries; Windows removes read-only
      // things in a tree, so give the owner the right and try once more.
      struct stat st;
      if (fstat(dirfd(d), &st) == 0 && fchmod(dirfd(d), st.st_mode | S_IWUSR | S_IXUSR) == 0)
        e = RemoveIn(dirfd(d), name.c_str());
    }
    if (!e) {
      result = e;
      break;
    }
  }
  closedir(d);
  return result;
}

// Removes one entry of an open folder: a link or file by unlinking, a folder with its tree.
OsError RemoveIn(int dirfd, const char* name) {
  struct stat st;
  if (fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return PosixError("fstatat", errno);
  if (!S_ISDIR(st.st_mode)) {
    if (unlinkat(dirfd, name, 0) != 0) return PosixError("unlinkat", errno);
    return OsError::Ok();
  }
  const int fd = openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return PosixError("openat", errno);
  if (OsError e = EmptyFolder(fd); !e) return e;
  if (unlinkat(dirfd, name, AT_REMOVEDIR) != 0) return PosixError("rmdir", errno);
  return OsError::Ok();
}

// The copy's own folder, which a copy into its source would otherwise meet and copy again.
struct Inode {
  dev_t dev = 0;
  ino_t ino = 0;
};

OsError CopyFolder(const std::string& from, const std::string& to, const Inode& skip = {});

OsError CopyEntry(const std::string& from, const std::string& to, const Inode& skip = {}) {
  struct stat st;
  if (lstat(from.c_str(), &st) != 0) return PosixError("lstat", errno);
  if (S_ISLNK(st.st_mode)) {
    std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
    const ssize_t n = readlink(from.c_str(), target.data(), target.size());
    if (n < 0) return PosixError("readlink", errno);
    target.resize(static_cast<size_t>(n));
    struct stat old;
    if (lstat(to.c_str(), &old) == 0 && !S_ISDIR(old.st_mode)) unlink(to.c_str());
    if (symlink(target.c_str(), to.c_str()) != 0) return PosixError("symlink", errno);
    return OsError::Ok();
  }
  if (S_ISDIR(st.st_mode)) return st.st_dev == skip.dev && st.st_ino == skip.ino ? OsError::Ok() : CopyFolder(from, to, skip);
  if (S_ISREG(st.st_mode)) return CopyInto(from, 0, std::nullopt, to);
  return OsError::Ok();  // devices, pipes and sockets are not copied
}

OsError CopyFolder(const std::string& from, const std::string& to, const Inode& skip) {
  struct stat st;
  if (stat(from.c_str(), &st) != 0) return PosixError("stat", errno);
  if (!S_ISDIR(st.st_mode)) return PosixError("opendir", ENOTDIR);
  if (mkdir(to.c_str(), 0777) != 0 && errno != EEXIST) return PosixError("mkdir", errno);
  DIR* d = opendir(from.c_str());
  if (!d) return PosixError("opendir", errno);
  std::vector<std::string> names;
  while (dirent* e = readdir(d))
    if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
  closedir(d);
  for (const std::string& name : names)
    if (OsError e = CopyEntry(from + "/" + name, to + "/" + name, skip); !e) return e;
  chmod(to.c_str(), st.st_mode & 07777);
  return OsError::Ok();
}

}  // namespace

std::optional<FileFacts> PosixFiles::Facts(const std::string& windowsPath, OsError* error) {
  const std::string path = PosixPath(windowsPath);
  struct statx sx;
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
    *error = PosixError("statx", errno);
    return std::nullopt;
  }
  FileFacts f;
  const bool folder = S_ISDIR(sx.stx_mode);
  f.kind = folder ? PathKind::kFolder : PathKind::kFile;
  f.size = folder ? 0 : sx.stx_size;
  if (folder) f.attributes |= fileattr::kDirectory;
  if (ReadOnlyMode(sx.stx_mode)) f.attributes |= fileattr::kReadOnly;
  const std::string leaf = LeafOf(path);
  if (leaf.size() > 1 && leaf[0] == '.' && leaf != "..") f.attributes |= fileattr::kHidden;
  struct stat link;
  if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) f.attributes |= fileattr::kReparsePoint;
  if (f.attributes == 0) f.attributes = fileattr::kNormal;
  auto ts = [](const struct statx_timestamp& t) { return timespec{t.tv_sec, t.tv_nsec}; };
  f.modified = LocalTimeOf(ts(sx.stx_mtime));
  f.accessed = LocalTimeOf(ts(sx.stx_atime));
  // Without a birth time the last status change is the nearest the file system keeps.
  f.created = LocalTimeOf(ts((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime));
  return f;
}

std::unique_ptr<FileReader> PosixFiles::OpenRead(const std::string& windowsPath, uint64_t offset, OsError* error) {
  const std::string path = PosixPath(windowsPath);
  Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    *error = PosixError("open", errno);
    return nullptr;
  }
  struct stat st;
  if (fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) {
    *error = PosixError("read", S_ISDIR(st.st_mode) ? EISDIR : errno);
    return nullptr;
  }
  if (offset > 0 && lseek(fd.get(), static_cast<off_t>(offset), SEEK_SET) < 0) {
    *error = PosixError("lseek", errno);
    return nullptr;
  }
  posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  return std::make_unique<PosixReader>(fd.Release());
}

OsError PosixFiles::Append(const std::string& windowsPath, std::string_view data) {
  const std::string path = PosixPath(windowsPath);
  Fd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (fd.get() < 0) return PosixError("open", errno);
  struct stat st;
  if (fstat(fd.get(), &st) != 0) return PosixError("fstat", errno);
  if (!S_ISREG(st.st_mode)) return PosixError("open", EISDIR);
  const off_t old = st.st_size;
  if (lseek(fd.get(), old, SEEK_SET) < 0) return PosixError("lseek", errno);
  if (!WriteAll(fd.get(), data)) {
    const int err = errno;
    CutBack(fd.get(), old);
    return PosixError("write", err);
  }
  return OsError::Ok();
}

OsError PosixFiles::Resize(const std::string& windowsPath, uint64_t size, char fill) {
  const std::string path = PosixPath(windowsPath);
  Fd fd(open(path.c_str(), O_WRONLY | O_CLOEXEC));
  if (fd.get() < 0) return PosixError("open", errno);
  struct stat st;
  if (fstat(fd.get(), &st) != 0) return PosixError("fstat", errno);
  const uint64_t old = static_cast<uint64_t>(st.st_size);
  if (size <= old || fill == '\0') {
    if (ftruncate(fd.get(), static_cast<off_t>(size)) != 0) return PosixError("ftruncate", errno);
    return OsError::Ok();
  }
  const std::string block(static_cast<size_t>(std::min<uint64_t>(size - old, kChunk)), fill);
  if (lseek(fd.get(), static_cast<off_t>(old), SEEK_SET) < 0) return PosixError("lseek", errno);
  for (uint64_t left = size - old; left > 0;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, block.size()));
    if (!WriteAll(fd.get(), std::string_view(block).substr(0, n))) {
      const int err = errno;
      CutBack(fd.get(), static_cast<off_t>(old));
      return PosixError("write", err);
    }
    left -= n;
  }
  return OsError::Ok();
}

OsError PosixFiles::Copy(const std::string& from, const std::string& to) {
  return CopyInto(PosixPath(from), 0, std::nullopt, PosixPath(to));
}

OsError PosixFiles::CopyPart(const std::string& from, uint64_t offset, uint64_t length, const std::string& to) {
  return CopyInto(PosixPath(from), offset, length, PosixPath(to));
}

OsError PosixFiles::Move(const std::string& windowsFrom, const std::string& windowsTo) {
  const std::string from = PosixPath(windowsFrom), to = PosixPath(windowsTo);
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return OsError::Ok();
  int err = errno;
  if (err == EINVAL || err == ENOSYS) {
    // A file system without the no-replace rename: check, then rename.
    struct stat st;
    if (lstat(to.c_str(), &st) == 0) return PosixError("rename", EEXIST);
    if (rename(from.c_str(), to.c_str()) == 0) return OsError::Ok();
    err = errno;
  }
  if (err != EXDEV) return PosixError("rename", err);
  struct stat st;
  if (lstat(from.c_str(), &st) != 0) return PosixError("lstat", errno);
  OsError e = S_ISDIR(st.st_mode) ? CopyFolder(from, to) : CopyEntry(from, to);
  if (!e) {
    // The part copied so far is ours: take it away again.
    if (S_ISDIR(st.st_mode)) (void)RemoveTree(to);  // the copy's failure is the answer
    else unlink(to.c_str());
    return e;
  }
  return S_ISDIR(st.st_mode) ? RemoveTree(from) : Delete(from);
}

OsError PosixFiles::MakeFolder(const std::string& windowsPath) {
  const std::string path = PosixPath(windowsPath);
  for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
    const std::string part = path.substr(0, at);
    if (!part.empty() && mkdir(part.c_str(), 0777) != 0) {
      const int err = errno;
      struct stat st;
      if (err != EEXIST || stat(part.c_str(), &st) != 0) return PosixError("mkdir", err);
      if (!S_ISDIR(st.st_mode)) return PosixError("mkdir", EEXIST);
    }
    if (at == std::string::npos) break;
  }
  return OsError::Ok();
}

OsError PosixFiles::RemoveTree(const std::string& windowsPath) {
  std::string path = PosixPath(windowsPath);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return PosixError("lstat", errno);
  if (S_ISLNK(st.st_mode)) {
    if (unlink(path.c_str()) != 0) return PosixError("unlink", errno);
    return OsError::Ok();
  }
  if (!S_ISDIR(st.st_mode)) return PosixError("rmdir", ENOTDIR);
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return PosixError("open", errno);
  if (OsError e = EmptyFolder(fd); !e) return e;
  if (rmdir(path.c_str()) != 0) return PosixError("rmdir", errno);
  return OsError::Ok();
}

OsError PosixFiles::CopyTree(const std::string& from, const std::string& to) {
  std::string target = PosixPath(to);
  while (target.size() > 1 && target.back() == '/') target.pop_back();
  if (OsError e = MakeFolder(target); !e) return e;
  struct stat st;
  if (stat(target.c_str(), &st) != 0) return PosixError("stat", errno);
  return CopyFolder(PosixPath(from), target, Inode{st.st_dev, st.st_ino});
}

OsError PosixFiles::ChangeDirectory(const std::string& windowsPath) {
  if (chdir(PosixPath(windowsPath).c_str()) != 0) return PosixError("chdir", errno);
  return OsError::Ok();
}

}  // namespace plumo

namespace plumo {
namespace {

// An argument of a launcher's Exec line: quoted when it needs it, '%' doubled, and the
// backslashes of the quoting written twice, since the file's own escaping takes one away.
std::string ExecArgument(const std::string& arg) {
  std::string out;
  const bool quote = arg.empty() || arg.find_first_of(" \t\n\"'\\$`<>~|&;*?#()") != std::string::npos;
  if (quote) out += '"';
  for (char c : arg) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += "\\\\";
    if (c == '%') out += '%';
    out += c;
  }
  if (quote) out += '"';
  return out;
}

// A value of the launcher file: its escapes for line ends and backslashes.
std::string EntryValue(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

std::string FileUrl(const std::string& path) {
  std::string out = "file://";
  char buf[4];
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    }
  }
  return out;
}

}  // namespace

OsError PosixFiles::CreateShortcut(const std::string& windowsPath, const Shortcut& link, std::string* made) {
  std::string target = PosixPath(link.target);
  if (!target.empty() && target[0] != '/') {
    char* cwd = getcwd(nullptr, 0);
    if (cwd) target = std::string(cwd) + "/" + target;
    free(cwd);
  }
  struct stat st;
  const bool program = stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(target.c_str(), X_OK) == 0;
  std::string entry = "[Desktop Entry]\nVersion=1.0\n";
  entry += program ? "Type=Application\n" : "Type=Link\n";
  entry += "Name=" + EntryValue(LeafOf(PosixPath(windowsPath))) + "\n";
  if (!link.description.empty()) entry += "Comment=" + EntryValue(link.description) + "\n";
  if (program) {
    entry += "Exec=" + EntryValue(ExecArgument(target) + (link.arguments.empty() ? "" : " " + link.arguments)) + "\n";
    if (!link.workingFolder.empty()) entry += "Path=" + EntryValue(PosixPath(link.workingFolder)) + "\n";
    entry += "Terminal=false\n";
  } else {
    entry += "URL=" + FileUrl(target) + "\n";
  }
  *made = PosixPath(windowsPath) + ".desktop";
  bool created = false;
  if (OsError e = ReplaceContent(*made, entry, &created); !e) return e;
  // Desktops start only launchers that may be executed.
  if (chmod(made->c_str(), 0755) != 0) return PosixError("chmod", errno);
  return OsError::Ok();
}

}  // namespace plumo
