#include "platform/posix/posix_environment.h"

#include <errno.h>
#include <pwd.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace plumo {
namespace {

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir.push_back('/');
  return dir;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::optional<std::string> PosixEnvironment::Get(const std::string& name) {
  const char* v = getenv(name.c_str());
  if (!v) return std::nullopt;
  return std::string(v);
}

OsError PosixEnvironment::Set(const std::string& name, const std::optional<std::string>& value) {
  if (name.empty() || name.find('=') != std::string::npos)
    return OsError("setenv", oscode::kInvalidParameter, "The parameter is incorrect.");
  int rc = value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
  if (rc != 0) return OsError(value ? "setenv" : "unsetenv", static_cast<uint32_t>(errno), strerror(errno));
  return OsError::Ok();
}

std::string PosixEnvironment::ExpandStrings(const std::string& text) {
  return ExpandPercentNames(text, [this](const std::string& n) { return Get(n); });
}

std::string PosixEnvironment::TempFolder() {
  for (const char* name : {"TMPDIR", "TMP", "TEMP"}) {
    const char* v = getenv(name);
    if (v && *v && IsDirectory(v)) return WithSlash(v);
  }
  return "/tmp/";
}

std::string PosixEnvironment::Home() {
  const char* h = getenv("HOME");
  if (h && *h) return h;
  if (struct passwd* pw = getpwuid(getuid())) return pw->pw_dir;
  return "/";
}

std::string PosixEnvironment::DocumentsFolder() {
  const char* xdg = getenv("XDG_DOCUMENTS_DIR");
  if (xdg && *xdg) return WithSlash(xdg);
  std::string docs = WithSlash(Home()) + "Documents";
  return WithSlash(IsDirectory(docs) ? docs : Home());
}

std::string PosixEnvironment::AppDataFolder() {
  const char* xdg = getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg) return WithSlash(xdg);
  return WithSlash(Home()) + ".config/";
}

std::string PosixEnvironment::DesktopFolder() {
  const char* xdg = getenv("XDG_DESKTOP_DIR");
  if (xdg && *xdg) return WithSlash(xdg);
  std::string desktop = WithSlash(Home()) + "Desktop";
  return IsDirectory(desktop) ? WithSlash(desktop) : std::string();
}

std::string PosixEnvironment::ProgramPath() {
  std::vector<char> buf(4096);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return std::string();
  return std::string(buf.data(), static_cast<size_t>(n));
}

}  // namespace plumo
