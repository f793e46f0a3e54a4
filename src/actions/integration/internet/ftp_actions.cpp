// The six FTP actions over one connection; "Cache" keeps it open for the next FTP Step.
#include <functional>

#include "actions/integration/internet/internet_family.h"
#include "base/text.h"
#include "engine/run_log.h"

namespace plumo {
namespace {

constexpr size_t kMemoryLimit = 64u * 1024 * 1024;
constexpr size_t kListLimit = 32u * 1024 * 1024;

bool HasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

// '*' and '?' against a name, without regard to case.
bool WildcardMatch(std::string_view mask, std::string_view name) {
  size_t m = 0, n = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || ToLowerAnsi(mask[m]) == ToLowerAnsi(name[n]))) {
      ++m;
      ++n;
    } else if (m < mask.size() && mask[m] == '*') {
      star = m++;
      resume = n;
    } else if (star != std::string_view::npos) {
      m = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

// The error text of each failing operation, with the port's native code.
int Failed(InternetContext& c, const char* format, const OsError& e) {
  c.Log("    FTP: " + e.message());
  return c.session.Fail(FormatText(format, static_cast<int>(e.code())));
}

int List(InternetContext& c, FtpConnection& ftp, const std::string& remote) {
  const size_t slash = remote.find_last_of('/');
  std::string folder = slash == std::string::npos ? "" : remote.substr(0, slash);
  std::string mask = slash == std::string::npos ? remote : remote.substr(slash + 1);
  if (!HasWildcard(mask)) {  // a name without wildcards is the folder to list
    folder = remote;
    mask = "*";
  }
  std::vector<std::string> names;
  if (OsError e = ftp.List(folder, &names); !e) return Failed(c, "FTP LIST Error %d", e);
  std::string out;
  for (const std::string& name : names) {
    if (!WildcardMatch(mask, name)) continue;
    if (out.size() + name.size() + 2 > kListLimit) break;
    if (!out.empty()) out += "\r\n";
    out += name;
  }
  c.Store(out);
  return result::kSuccess;
}

int Download(InternetContext& c, FtpConnection& ftp, const std::string& remote) {
  const std::optional<std::string> file = c.OutputFile();
  std::string data;
  bool tooBig = false;
  OsError e = ftp.Download(remote, [&](std::string_view piece) {
    if (!file && data.size() + piece.size() > kMemoryLimit) {
      tooBig = true;
      return false;
    }
    data.append(piece);
    return !c.Stopped();
  });
  if (tooBig) return c.session.Fail("Memory allocation error");
  if (!e) return Failed(c, "FTP Open File Error %d", e);
  if (file) return c.WriteOutputFile(*file, data, "Create File Error %d") ? result::kSuccess : result::kFailure;
  c.Store(data);
  return result::kSuccess;
}

int Upload(InternetContext& c, FtpConnection& ftp, const std::string& remote) {
  const std::string local = c.Expand(c.step.value1);
  std::string data;
  bool opened = false;
  if (OsError e = c.session.files().ReadFile(local, &data, &opened); !e) {
    c.Log("    FTP: " + e.message());
    return c.session.Fail(FormatText("Open File Error %d: %s", static_cast<int>(e.code()), local.c_str()));
  }
  if (OsError e = ftp.Upload(remote, data); !e) return Failed(c, "FTP Open File Error %d", e);
  return result::kSuccess;
}

struct FtpRow {
  std::string_view action;
  std::function<int(InternetContext&, FtpConnection&, const std::string&)> run;
};

int Simple(InternetContext& c, OsError e, const char* failure) { return e ? result::kSuccess : Failed(c, failure, e); }

const FtpRow kFtpRows[] = {
    {"FTP File List", List},
    {"FTP Download", Download},
    {"FTP Upload", Upload},
    {"FTP Delete File",
     [](InternetContext& c, FtpConnection& f, const std::string& r) {
       return Simple(c, f.RemoveFile(r), "Delete File Error %d");
     }},
    {"FTP Create Folder",
     [](InternetContext& c, FtpConnection& f, const std::string& r) {
       return Simple(c, f.MakeFolder(r), "Create Directory Error %d");
     }},
    {"FTP Delete Folder",
     [](InternetContext& c, FtpConnection& f, const std::string& r) {
       return Simple(c, f.RemoveFolder(r), "Remove Directory Error %d");
     }},
};

}  // namespace

int FtpAction(InternetContext& c) {
  const std::string text = c.Expand(c.step.text);
  const size_t slash = text.find('/');
  FtpLogin login;
  login.server = text.substr(0, slash);
  const std::string remote = slash == std::string::npos ? "" : text.substr(slash + 1);
  if (login.server.empty()) return c.session.Fail("Missing Parameters");
  login.user = c.Expand(c.step.value3);
  login.password = c.Password();
  const FtpRow* row = nullptr;
  for (const FtpRow& r : kFtpRows)
    if (EqualsNoCase(c.step.action, r.action)) row = &r;
  if (!row) return c.session.Fail("Unknown FTP action");

  InternetFamily& f = c.family;
  const std::string key = login.server + '\n' + login.user + '\n' + login.password;
  if (f.ftp && f.ftpKey != key) f.ftp.reset();
  if (!f.ftp) {
    StatusText(c.session, 0, true, FormatText(" FTP: Connecting to %s", login.server.c_str()));
    OsError e;
    f.ftp = f.port->web().ConnectFtp(login, &e);
    if (!f.ftp) {
      c.Log("    FTP: " + e.message());
      return c.session.Fail("InternetConnect Error");
    }
    f.ftpKey = key;
  }
  const int result = row->run(c, *f.ftp, remote);
  if (!HasOption(c.step.options, "Cache")) {
    f.ftp.reset();
    f.ftpKey.clear();
  }
  return result;
}

}  // namespace plumo
