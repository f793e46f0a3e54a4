// The Files & Folders actions that copy, move, delete, find and count files and folders.
#include <algorithm>

#include "actions/integration/files/file_actions.h"
#include "actions/integration/files/file_helpers.h"
#include "base/text.h"
#include "engine/run_log.h"
#include "engine/session.h"

namespace plumo {
namespace {

struct Source {
  std::string path;
  std::string relative;  // below the folder its mask named
};

// The names of a list "a.txt;b.txt", the way the program builder reads the lists it packages
// (a single dot makes the whole text one name).
std::vector<std::string> ListedNames(std::string_view list) {
  std::vector<std::string> names;
  if (list.find(';') == std::string_view::npos || std::count(list.begin(), list.end(), '.') == 1) {
    if (!Trim(list).empty()) names.emplace_back(Trim(list));
    return names;
  }
  for (size_t p = 0; p <= list.size();) {
    const size_t end = std::min(list.find(';', p), list.size());
    if (std::string_view name = Trim(list.substr(p, end - p)); !name.empty()) names.emplace_back(name);
    p = end + 1;
  }
  return names;
}

// The path below the first separators many folders of a listed match.
std::string RelativeName(const std::string& match, size_t separators) {
  size_t at = 0;
  for (size_t i = 0; i < separators; ++i) {
    at = match.find_first_of("\\/", at);
    if (at == std::string::npos) return std::string(NamePart(match));
    ++at;
  }
  return match.substr(at);
}

// The files value1 names, by names and masks; the Step fails when there are none. *listed
// tells whether a mask or "Recursive" chose them.
std::optional<std::vector<Source>> Sources(ActionContext& c, std::string_view what, bool* listed = nullptr) {
  const std::string list = c.Expand(c.step.value1);
  const bool recursive = c.Option("Recursive");
  std::vector<Source> sources;
  Files& files = c.session.files();
  for (const std::string& name : ListedNames(list)) {
    if (!HasWildcards(NamePart(name)) && !recursive) {
      OsError error;
      const std::optional<FileFacts> facts = files.Facts(name, &error);
      if (!facts) {
        c.Fail(what, name, error);
        return std::nullopt;
      }
      if (facts->kind == PathKind::kFolder) {
        c.Fail(std::string(what) + " '" + name + "': it is a folder (the Folder actions work on folders)");
        return std::nullopt;
      }
      sources.push_back({name, std::string(NamePart(name))});
      continue;
    }
    if (listed) *listed = true;
    const std::string_view folder = FolderPart(name);
    const size_t separators = static_cast<size_t>(std::count_if(folder.begin(), folder.end(), IsSeparator));
    files.ListMatches(name, false, recursive, [&](const std::string& match) {
      sources.push_back({match, RelativeName(match, separators)});
      return true;
    });
  }
  if (sources.empty()) {
    c.Fail(list.empty() ? std::string("No File Name given") : "No file matches '" + list + "'");
    return std::nullopt;
  }
  return sources;
}

// Where each source goes: into the destination when it is a folder (or several files go),
// else to the destination itself. A bare new name renames in the source's folder.
class Destination {
 public:
  Destination(Files& files, std::string dest, size_t sources, bool listed, bool renameInPlace)
      : files_(files), dest_(std::move(dest)), renameInPlace_(renameInPlace) {
    into_ = sources > 1 || listed || (!dest_.empty() && IsSeparator(dest_.back())) ||
            files_.Kind(dest_) == PathKind::kFolder;
  }
  // The destination of a source, with its folder made when the files go into one.
  OsError For(const Source& s, std::string* out) {
    if (!into_) {
      *out = renameInPlace_ && FolderPart(dest_).empty() ? Joined(FolderPart(s.path), dest_) : dest_;
      return OsError::Ok();
    }
    *out = Joined(dest_, s.relative);
    const std::string folder(FolderPart(*out));
    return folder.empty() || files_.Kind(folder) == PathKind::kFolder ? OsError::Ok() : files_.MakeFolder(folder);
  }

 private:
  Files& files_;
  std::string dest_;
  bool renameInPlace_;
  bool into_ = false;
};

std::string Count(size_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

int TransferFiles(ActionContext& c, bool move) {
  const char* what = move ? "Unable to move" : "Unable to copy";
  const std::string dest = c.Expand(c.step.value2);
  if (Trim(dest).empty()) return c.Fail(move ? "No New Name given" : "No Destination File given");
  bool listed = false;
  auto sources = Sources(c, what, &listed);
  if (!sources) return result::kFailure;
  Files& files = c.session.files();
  Destination where(files, dest, sources->size(), listed, move);
  for (const Source& s : *sources) {
    std::string to;
    if (OsError e = where.For(s, &to); !e) return c.Fail("Unable to create folder", std::string(FolderPart(to)), e);
    if (!move && RefuseToWrite(c, to, "Unable to copy to")) return result::kFailure;
    OsError e = move ? files.Move(s.path, to) : files.Copy(s.path, to);
    if (!e) return c.Fail(what, s.path + "' to '" + to, e);
  }
  LogLine(c.session, std::string("    ") + (move ? "Moved " : "Copied ") + Count(sources->size(), "file", "files"));
  return result::kSuccess;
}

int CopyFileAction(ActionContext& c) { return TransferFiles(c, false); }
int MoveFileAction(ActionContext& c) { return TransferFiles(c, true); }

int DeleteFileAction(ActionContext& c) {
  auto sources = Sources(c, "Unable to delete");
  if (!sources) return result::kFailure;
  for (const Source& s : *sources) {
    if (RefuseToWrite(c, s.path, "Unable to delete")) return result::kFailure;
    if (OsError e = c.session.files().Delete(s.path); !e) return c.Fail("Unable to delete", s.path, e);
  }
  LogLine(c.session, "    Deleted " + Count(sources->size(), "file", "files"));
  return result::kSuccess;
}

// The folder a path names must exist; empty is the current one.
bool RequireFolder(ActionContext& c, const std::string& folder) {
  if (folder.empty() || c.session.files().Kind(folder) == PathKind::kFolder) return true;
  c.Fail("Folder '" + folder + "' does not exist");
  return false;
}

int FindFile(ActionContext& c) {
  std::string mask(Trim(c.Expand(c.step.value1)));
  std::string start(Trim(c.Expand(c.step.value2)));
  if (mask.empty()) return c.Fail("No File Name given");
  if (start.empty()) {
    start = FolderPart(mask);
    mask = NamePart(mask);
  }
  if (!RequireFolder(c, start)) return result::kFailure;
  const std::string which = c.Expand(c.step.value3);
  const bool all = ContainsNoCase(which, "All");
  const std::optional<int64_t> nth = WholeNumber(which);
  const size_t wanted = all ? SIZE_MAX : nth && *nth > 0 ? static_cast<size_t>(*nth) : 1;
  std::vector<std::string> found;
  c.session.files().ListMatches(start.empty() ? mask : Joined(start, mask), false, true, [&](const std::string& path) {
    found.push_back(path);
    return found.size() < wanted;
  });
  if (found.empty() || (!all && found.size() < wanted))
    return c.Fail("No file matching '" + mask + "' was found in '" + (start.empty() ? "." : start) + "'" +
                  (found.empty() ? "" : " (only " + Count(found.size(), "match", "matches") + ")"));
  if (!all) return c.Store(found.back());
  std::string lines;
  for (const std::string& path : found) lines += (lines.empty() ? "" : "\r\n") + path;
  return c.Store(lines);
}

int CountFilesFolders(ActionContext& c) {
  std::string mask(Trim(c.Expand(c.step.text)));
  if (mask.empty()) return c.Fail("No File Spec given");
  const bool folders = c.Option("Folders");
  if (!HasWildcards(NamePart(mask)) && c.session.files().Kind(mask) == PathKind::kFolder) mask = Joined(mask, "*");
  if (!RequireFolder(c, std::string(FolderPart(mask)))) return result::kFailure;
  size_t n = 0;
  c.session.files().ListMatches(mask, folders, c.Option("Recursive"), [&](const std::string&) {
    ++n;
    return true;
  });
  return c.Store(std::to_string(n));
}

std::optional<std::string> FolderName(ActionContext& c) {
  const std::string folder(Trim(c.Expand(c.step.value1)));
  if (folder.empty()) {
    c.Fail("No Folder Name given");
    return std::nullopt;
  }
  return folder;
}

int CreateFolder(ActionContext& c) {
  auto folder = FolderName(c);
  if (!folder) return result::kFailure;
  if (OsError e = c.session.files().MakeFolder(*folder); !e) return c.Fail("Unable to create folder", *folder, e);
  return result::kSuccess;
}

// Whether inner is outer or lies below it, as written (case does not count, either separator).
bool Within(const std::string& inner, const std::string& outer) {
  auto same = [](std::string p) {
    p = WithoutTrailingSeparators(p);
    std::replace(p.begin(), p.end(), '/', '\\');
    return ToUpperAnsi(p);
  };
  const std::string a = same(inner), b = same(outer);
  return a == b || StartsWithNoCase(a, b + "\\");
}

int CopyFolder(ActionContext& c) {
  auto from = FolderName(c);
  if (!from) return result::kFailure;
  const std::string to(Trim(c.Expand(c.step.value2)));
  if (to.empty()) return c.Fail("No Copy to Folder given");
  if (!RequireFolder(c, *from)) return result::kFailure;
  if (Within(to, *from)) return c.Fail("Unable to copy folder '" + *from + "' into itself ('" + to + "')");
  if (OsError e = c.session.files().CopyTree(*from, to); !e) return c.Fail("Unable to copy folder", *from + "' to '" + to, e);
  return result::kSuccess;
}

int MoveFolder(ActionContext& c) {
  auto from = FolderName(c);
  if (!from) return result::kFailure;
  std::string to(Trim(c.Expand(c.step.value2)));
  if (to.empty()) return c.Fail("No Destination Folder given");
  if (!RequireFolder(c, *from)) return result::kFailure;
  if (FolderPart(to).empty()) to = Joined(FolderPart(WithoutTrailingSeparators(*from)), to);
  if (Within(to, *from)) return c.Fail("Unable to move folder '" + *from + "' into itself ('" + to + "')");
  if (OsError e = c.session.files().Move(WithoutTrailingSeparators(*from), WithoutTrailingSeparators(to)); !e)
    return c.Fail("Unable to move folder", *from + "' to '" + to, e);
  return result::kSuccess;
}

// "C:\", "\", "/", a drive alone, a share: never deleted whole.
bool IsRoot(const std::string& path) {
  const std::string p = WithoutTrailingSeparators(path);
  if (p.size() <= 1) return true;
  if (p.size() <= 3 && p[1] == ':') return true;
  if (p.size() > 2 && IsSeparator(p[0]) && IsSeparator(p[1])) {
    const size_t server = p.find_first_of("\\/", 2);
    return server == std::string::npos || p.find_first_of("\\/", server + 1) == std::string::npos;
  }
  return false;
}

int DeleteFolder(ActionContext& c) {
  auto folder = FolderName(c);
  if (!folder) return result::kFailure;
  if (IsRoot(*folder)) return c.Fail("A root folder is never deleted: '" + *folder + "'");
  if (!RequireFolder(c, *folder)) return result::kFailure;
  if (OsError e = c.session.files().RemoveTree(*folder); !e) return c.Fail("Unable to delete folder", *folder, e);
  return result::kSuccess;
}

int SetCurrentDirectoryAction(ActionContext& c) {
  auto folder = FolderName(c);
  if (!folder) return result::kFailure;
  if (OsError e = c.session.files().ChangeDirectory(*folder); !e)
    return c.Fail("Unable to make the current directory", *folder, e);
  return result::kSuccess;
}

constexpr ActionRow kManagementRows[] = {
    {"Copy File", CopyFileAction},        {"Move/Rename File", MoveFileAction},     {"Delete File", DeleteFileAction},
    {"Find File", FindFile},              {"Count Files/Folders", CountFilesFolders}, {"Create Folder", CreateFolder},
    {"Copy Folder", CopyFolder},          {"Move/Rename Folder", MoveFolder},       {"Delete Folder", DeleteFolder},
    {"Set Current Directory", SetCurrentDirectoryAction},
};

}  // namespace

std::span<const ActionRow> FileManagementRows() { return kManagementRows; }

}  // namespace plumo
