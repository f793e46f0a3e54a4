#include "actions/integration/files/file_scan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "base/text.h"

namespace plumo {
namespace {

constexpr size_t kPiece = 1 << 20;

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

uint64_t CountByte(std::string_view s, char c) {
  uint64_t n = 0;
  for (const char* p = s.data(), *end = s.data() + s.size();
       (p = static_cast<const char*>(std::memchr(p, c, static_cast<size_t>(end - p)))) != nullptr; ++p)
    ++n;
  return n;
}

}  // namespace

OsError ScanFile(Files& files, const std::string& path, uint64_t offset,
                 const std::function<bool(std::string_view piece)>& fn) {
  OsError error;
  std::unique_ptr<FileReader> reader = files.OpenRead(path, offset, &error);
  if (!reader) return error;
  std::unique_ptr<char[]> buffer(new char[kPiece]);
  for (;;) {
    size_t got = 0;
    if (OsError e = reader->Read(buffer.get(), kPiece, &got); !e) return e;
    if (got == 0 || !fn(std::string_view(buffer.get(), got))) return OsError::Ok();
  }
}

OsError CountLines(Files& files, const std::string& path, uint64_t* lines) {
  uint64_t n = 0;
  char last = '\n';
  OsError e = ScanFile(files, path, 0, [&](std::string_view piece) {
    n += CountByte(piece, '\n');
    last = piece.back();
    return true;
  });
  *lines = n + (last != '\n' ? 1 : 0);
  return e;
}

OsError ReadLine(Files& files, const std::string& path, uint64_t n, std::optional<std::string>* line, uint64_t* lines) {
  uint64_t at = 1;  // the line the next byte belongs to
  char last = '\n';
  std::string text;
  bool done = false;
  OsError e = ScanFile(files, path, 0, [&](std::string_view piece) {
    last = piece.back();
    while (!piece.empty()) {
      const size_t end = piece.find('\n');
      if (at == n) text.append(piece.substr(0, end));
      if (end == std::string_view::npos) return true;
      if (at == n) {
        done = true;
        return false;
      }
      ++at;
      piece.remove_prefix(end + 1);
    }
    return true;
  });
  if (!e) return e;
  // A last line without a line feed counts.
  *lines = at - (last == '\n' ? 1 : 0);
  line->reset();
  if (done || (at == n && last != '\n')) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    *line = std::move(text);
  }
  return OsError::Ok();
}

OsError ReadRange(Files& files, const std::string& path, uint64_t offset, uint64_t length, std::string* out) {
  out->clear();
  return ScanFile(files, path, offset, [&](std::string_view piece) {
    const size_t take = static_cast<size_t>(std::min<uint64_t>(piece.size(), length - out->size()));
    out->append(piece.substr(0, take));
    return out->size() < length;
  });
}

OsError SameContent(Files& files, const std::string& a, const std::string& b, bool* same) {
  *same = false;
  OsError error;
  std::unique_ptr<FileReader> first = files.OpenRead(a, 0, &error);
  if (!first) return error;
  std::unique_ptr<FileReader> second = files.OpenRead(b, 0, &error);
  if (!second) return error;
  std::unique_ptr<char[]> x(new char[kPiece]), y(new char[kPiece]);
  for (;;) {
    size_t gotX = 0, gotY = 0;
    if (OsError e = first->Read(x.get(), kPiece, &gotX); !e) return e;
    // Fill the second piece to the same length: a reader may give less than asked.
    while (gotY < gotX) {
      size_t n = 0;
      if (OsError e = second->Read(y.get() + gotY, gotX - gotY, &n); !e) return e;
      if (n == 0) break;
      gotY += n;
    }
    if (gotY != gotX || std::memcmp(x.get(), y.get(), gotX) != 0) return OsError::Ok();
    if (gotX == 0) break;
  }
  size_t extra = 0;
  if (OsError e = second->Read(y.get(), 1, &extra); !e) return e;
  *same = extra == 0;
  return OsError::Ok();
}

OsError Crc32(Files& files, const std::string& path, uint32_t* crc) {
  uint32_t c = 0xFFFFFFFFu;
  OsError e = ScanFile(files, path, 0, [&](std::string_view piece) {
    for (unsigned char b : piece) c = kCrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
    return true;
  });
  *crc = c ^ 0xFFFFFFFFu;
  return e;
}

OsError SearchFile(Files& files, const std::string& path, std::string_view text, bool caseSensitive, bool first,
                   SearchResult* result) {
  *result = SearchResult();
  const std::string needle = caseSensitive ? std::string(text) : ToUpperAnsi(text);
  // The window holds the end of the last piece that a match could still begin in.
  std::string window;
  uint64_t line = 1;         // the line of window's first byte
  uint64_t lastLine = 0;     // the last line recorded
  OsError e = ScanFile(files, path, 0, [&](std::string_view piece) {
    if (caseSensitive) window.append(piece);
    else window.append(ToUpperAnsi(piece));
    size_t counted = 0;  // bytes of window whose line feeds are in line
    size_t from = 0;
    for (size_t at; (at = window.find(needle, from)) != std::string::npos;) {
      line += CountByte(std::string_view(window).substr(counted, at - counted), '\n');
      counted = at;
      ++result->count;
      if (line != lastLine) result->lines.push_back(lastLine = line);
      if (first) return false;
      from = at + needle.size();
    }
    const size_t keep = std::min(window.size() - std::min(window.size(), from), needle.size() - 1);
    const size_t cut = window.size() - keep;
    line += CountByte(std::string_view(window).substr(counted, cut - counted), '\n');
    window.erase(0, cut);
    return true;
  });
  return e;
}

}  // namespace plumo
