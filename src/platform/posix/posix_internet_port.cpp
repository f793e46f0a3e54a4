// The Internet ports of Linux; the browser and the mail program of the desktop through
// $BROWSER, xdg-open and xdg-email.
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/posix_internet_port.h"

extern char** environ;

namespace plumo {
namespace {

constexpr uint32_t kStarted = 33;
constexpr int kNotFound = 127;

// Starts the program in the background through the shell, which ends at once; 127 when the
// program does not exist.
int StartDetached(const std::vector<std::string>& command) {
  static const char script[] =
      "command -v \"$0\" >/dev/null 2>&1 || exit 127; \"$0\" \"$@\" </dev/null >/dev/null 2>&1 &";
  std::vector<const char*> argv{"/bin/sh", "-c", script};
  for (const std::string& part : command) argv.push_back(part.c_str());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv.data()), environ) != 0) return kNotFound;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : kNotFound;
}

OsError Started(int code, const std::string& program) {
  if (code == 0) return OsError::Ok();
  return OsError(program, oscode::kFileNotFound, "The program \"" + program + "\" was not found");
}

// The browser the user named in $BROWSER (the first of a ':' list), else Debian's default.
std::string Browser() {
  if (const char* named = std::getenv("BROWSER"); named && *named) {
    std::string first(named);
    return first.substr(0, first.find(':'));
  }
  return "x-www-browser";
}

}  // namespace

OsError XdgWebPrograms::StartBrowser(const std::string& url) {
  const std::string browser = Browser();
  if (url.empty()) return Started(StartDetached({browser}), browser);
  if (std::getenv("BROWSER")) return Started(StartDetached({browser, url}), browser);
  return Started(StartDetached({"xdg-open", url}), "xdg-open");
}

OsError XdgWebPrograms::StartMailProgram() { return Started(StartDetached({"xdg-email"}), "xdg-email"); }

uint32_t XdgWebPrograms::OpenAddress(const std::string& url) {
  return StartDetached({"xdg-open", url}) == 0 ? kStarted : oscode::kFileNotFound;
}

OsError XdgWebPrograms::SendMapiMail(const MapiMail&) {
  return OsError("LoadLibrary", oscode::kNotSupported, "Simple MAPI (MAPI32.DLL) exists only on Windows");
}

std::shared_ptr<InternetPort> MakeNativeInternetPort() { return std::make_shared<PosixInternetPort>(); }

}  // namespace plumo
