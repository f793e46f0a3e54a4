// The Files & Folders actions on a file's content: read, read a line, write, compare, search,
// count lines, change the size and split.
#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "actions/integration/files/file_actions.h"
#include "actions/integration/files/file_helpers.h"
#include "actions/integration/files/file_scan.h"
#include "base/text.h"
#include "engine/run_log.h"
#include "engine/session.h"

namespace plumo {
namespace {

// Larger files are read in ranges: a whole 1 GB file in a variable helps nobody.
constexpr uint64_t kMaxRead = 256ull << 20;
constexpr uint64_t kMaxParts = 10000;

std::string Decimal(uint64_t n) { return std::to_string(n); }

// The file of value1, or the Step fails.
std::optional<std::string> FileName(ActionContext& c) {
  std::string path = c.Expand(c.step.value1);
  if (Trim(path).empty()) {
    c.Fail("No File Name given");
    return std::nullopt;
  }
  return path;
}

// The facts of an existing file, or the Step fails with the system's reason.
std::optional<FileFacts> ExistingFile(ActionContext& c, const std::string& path, std::string_view what) {
  OsError error;
  std::optional<FileFacts> facts = c.session.files().Facts(path, &error);
  if (!facts) {
    c.Fail(what, path, error);
    return std::nullopt;
  }
  if (facts->kind != PathKind::kFile) {
    c.Fail(std::string(what) + " '" + path + "': it is a folder");
    return std::nullopt;
  }
  return facts;
}

// A 1-based position field: empty or the given word means the default.
std::optional<uint64_t> PositionField(const std::string& text, std::string_view word, uint64_t otherwise) {
  if (Trim(text).empty() || ContainsNoCase(text, word)) return otherwise;
  const std::optional<int64_t> n = WholeNumber(text);
  if (!n || *n < 1) return std::nullopt;
  return static_cast<uint64_t>(*n);
}

int ReadFileAction(ActionContext& c) {
  auto path = FileName(c);
  if (!path) return result::kFailure;
  auto facts = ExistingFile(c, *path, "Unable to read file");
  if (!facts) return result::kFailure;
  const auto start = PositionField(c.Expand(c.step.value2), "Start of File", 1);
  if (!start) return c.Fail("Start Position must be a number from 1 on, or \"Start of File\"");
  const auto stop = PositionField(c.Expand(c.step.value3), "To End", facts->size + 1);
  if (!stop) return c.Fail("Stop Position must be a number from 1 on, or \"To End\"");
  if (*start > facts->size + 1)
    return c.Fail("Start Position " + Decimal(*start) + " is past the end of '" + *path + "' (" + Decimal(facts->size) + " bytes)");
  if (*stop < *start) return c.Fail("Stop Position " + Decimal(*stop) + " is before Start Position " + Decimal(*start));
  // "To End" stands one past the last byte, so that a start just behind it reads nothing.
  const uint64_t length = std::min(*stop, facts->size) + 1 - *start;
  if (length > kMaxRead)
    return c.Fail("Unable to read file '" + *path + "': " + Decimal(length) + " bytes are more than the " +
                  Decimal(kMaxRead) + " Read File takes at a time; read it in ranges by Start and Stop Position");
  std::string content;
  if (OsError e = ReadRange(c.session.files(), *path, *start - 1, length, &content); !e)
    return c.Fail("Unable to read file", *path, e);
  return c.Store(content);
}

int ReadFileLine(ActionContext& c) {
  auto path = FileName(c);
  if (!path) return result::kFailure;
  const std::optional<int64_t> n = WholeNumber(c.Expand(c.step.value2));
  if (!n || *n < 1) return c.Fail("Line Number must be a number from 1 on");
  std::optional<std::string> line;
  uint64_t lines = 0;
  if (!ExistingFile(c, *path, "Unable to read file")) return result::kFailure;
  if (OsError e = ReadLine(c.session.files(), *path, static_cast<uint64_t>(*n), &line, &lines); !e)
    return c.Fail("Unable to read file", *path, e);
  if (!line)
    return c.Fail("Line " + Decimal(static_cast<uint64_t>(*n)) + " is past the end of '" + *path + "', which has " +
                  Decimal(lines) + (lines == 1 ? " line" : " lines"));
  return c.Store(*line);
}

unsigned ExpansionFlags(ActionContext& c) {
  if (c.Option("No Variable Expansion")) return expandflag::kNone;
  if (c.Option("Single Variable Expansion")) return expandflag::kSingle;
  return 0;
}

int WriteFileAction(ActionContext& c) {
  auto path = FileName(c);
  if (!path) return result::kFailure;
  const std::string data = c.Expand(c.step.text, ExpansionFlags(c));
  if (RefuseToWrite(c, *path, "Unable to write file")) return result::kFailure;
  Files& files = c.session.files();
  bool created = false;
  if (c.Option("Erase")) {
    if (OsError e = files.ReplaceContent(*path, data, &created); !e) return c.Fail("Unable to write file", *path, e);
    return result::kSuccess;
  }
  const std::string where = c.Expand(c.step.value2);
  const auto at = PositionField(where, "Append", 0);
  if (!at) return c.Fail("Start Position must be a number from 1 on, or \"Append\"");
  if (*at == 0) {
    if (OsError e = files.Append(*path, data); !e) return c.Fail("Unable to write file", *path, e);
    return result::kSuccess;
  }
  // Written over the bytes from that position on, through a whole new file.
  std::string content;
  bool opened = false;
  if (files.Kind(*path) == PathKind::kFile) {
    if (OsError e = files.ReadFile(*path, &content, &opened); !e) return c.Fail("Unable to read file", *path, e);
  }
  if (*at > content.size() + 1)
    return c.Fail("Start Position " + Decimal(*at) + " is past the end of '" + *path + "' (" + Decimal(content.size()) + " bytes)");
  const auto start = static_cast<std::size_t>(*at - 1);  // fits: at most size() + 1
  content.replace(start, std::min(data.size(), content.size() - start), data);
  if (OsError e = files.ReplaceContent(*path, content, &created); !e) return c.Fail("Unable to write file", *path, e);
  return result::kSuccess;
}

int CompareFiles(ActionContext& c) {
  auto first = FileName(c);
  if (!first) return result::kFailure;
  const std::string second = c.Expand(c.step.value2);
  if (Trim(second).empty()) return c.Fail("No File Name #2 given");
  if (!ExistingFile(c, *first, "Unable to compare file") || !ExistingFile(c, second, "Unable to compare file"))
    return result::kFailure;
  bool same = false;
  if (OsError e = SameContent(c.session.files(), *first, second, &same); !e)
    return c.Fail("Unable to compare files", *first + "' and '" + second, e);
  return c.Store(same ? "1" : "0");
}

int SearchInFile(ActionContext& c) {
  auto path = FileName(c);
  if (!path) return result::kFailure;
  const std::string text = c.Expand(c.step.value2);
  if (text.empty()) return c.Fail("Nothing to Search For");
  const std::string which = c.Expand(c.step.value3);
  const bool count = ContainsNoCase(which, "Count"), all = ContainsNoCase(which, "All");
  if (!ExistingFile(c, *path, "Unable to search file")) return result::kFailure;
  SearchResult found;
  if (OsError e = SearchFile(c.session.files(), *path, text, c.Option("Case Sensitive"), !count && !all, &found); !e)
    return c.Fail("Unable to search file", *path, e);
  if (count) return c.Store(Decimal(found.count));
  if (found.count == 0) return c.Fail("'" + text + "' was not found in '" + *path + "'");
  std::string lines;
  for (uint64_t line : found.lines) lines += (lines.empty() ? "" : ",") + Decimal(line);
  return c.Store(lines);
}

int CountFileLines(ActionContext& c) {
  auto path = FileName(c);
  if (!path || !ExistingFile(c, *path, "Unable to read file")) return result::kFailure;
  uint64_t lines = 0;
  if (OsError e = CountLines(c.session.files(), *path, &lines); !e) return c.Fail("Unable to read file", *path, e);
  return c.Store(Decimal(lines));
}

int ChangeFileSize(ActionContext& c) {
  auto path = FileName(c);
  if (!path || !ExistingFile(c, *path, "Unable to change the size of")) return result::kFailure;
  const std::optional<uint64_t> size = SizeOf(c.Expand(c.step.value2));
  if (!size) return c.Fail("New Size must be a number of bytes (K, MB and GB may follow it)");
  const std::string fill = c.Expand(c.step.value3);
  if (RefuseToWrite(c, *path, "Unable to change the size of")) return result::kFailure;
  if (OsError e = c.session.files().Resize(*path, *size, fill.empty() ? '\0' : fill[0]); !e)
    return c.Fail("Unable to change the size of", *path, e);
  return result::kSuccess;
}

int SplitFile(ActionContext& c) {
  auto path = FileName(c);
  if (!path) return result::kFailure;
  auto facts = ExistingFile(c, *path, "Unable to split file");
  if (!facts) return result::kFailure;
  const std::optional<uint64_t> piece = SizeOf(c.Expand(c.step.value2));
  if (!piece || *piece == 0) return c.Fail("Max Size of Files must be a number of bytes from 1 on (K, MB and GB may follow it)");
  const uint64_t parts = std::max<uint64_t>(1, (facts->size + *piece - 1) / *piece);
  if (parts > kMaxParts)
    return c.Fail("Splitting '" + *path + "' into pieces of " + Decimal(*piece) + " bytes would make " + Decimal(parts) +
                  " files; at most " + Decimal(kMaxParts) + " are made");
  const int digits = std::max<int>(3, static_cast<int>(Decimal(parts).size()));
  for (uint64_t i = 0; i < parts; ++i) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%0*" PRIu64, digits, i + 1);
    const std::string part = *path + suffix;
    if (OsError e = c.session.files().CopyPart(*path, i * *piece, *piece, part); !e)
      return c.Fail("Unable to write file", part, e);
  }
  LogLine(c.session, "    Split '" + *path + "' into " + Decimal(parts) + " files");
  return result::kSuccess;
}

constexpr ActionRow kContentRows[] = {
    {"Read File", ReadFileAction},      {"Read File Line", ReadFileLine},   {"Write/Create File", WriteFileAction},
    {"Compare Files", CompareFiles},     {"Search in File", SearchInFile},  {"Count File Lines", CountFileLines},
    {"Change File Size", ChangeFileSize}, {"Split File", SplitFile},
};

}  // namespace

std::span<const ActionRow> FileContentRows() { return kContentRows; }

}  // namespace plumo
