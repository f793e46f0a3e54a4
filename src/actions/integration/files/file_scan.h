// Files read from start to end in large pieces, never whole: lines, ranges, searches,
// comparisons and checksums over the Files port.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace plumo {

// Calls fn with each piece of the file from offset on until it answers false or the file
// ends. A missing or unreadable file is the error.
OsError ScanFile(Files& files, const std::string& path, uint64_t offset,
                 const std::function<bool(std::string_view piece)>& fn);

// Lines: line feeds, and a last line without one.
OsError CountLines(Files& files, const std::string& path, uint64_t* lines);
// Line n (1-based) without its line end; nullopt in *line when the file has fewer lines, with
// their number in *lines.
OsError ReadLine(Files& files, const std::string& path, uint64_t n, std::optional<std::string>* line, uint64_t* lines);
// Up to length bytes from offset.
OsError ReadRange(Files& files, const std::string& path, uint64_t offset, uint64_t length, std::string* out);
// Whether the two files hold the same bytes.
OsError SameContent(Files& files, const std::string& a, const std::string& b, bool* same);
// The CRC-32 of zip and PNG.
OsError Crc32(Files& files, const std::string& path, uint32_t* crc);

struct SearchResult {
  uint64_t count = 0;                  // occurrences, not overlapping
  std::vector<uint64_t> lines;         // 1-based lines where one begins, each once
};
// The occurrences of a non-empty text; stops after the first when first is set.
OsError SearchFile(Files& files, const std::string& path, std::string_view text, bool caseSensitive, bool first,
                   SearchResult* result);

}  // namespace plumo
