// Text helpers for the system's 8-bit ANSI strings: bounded assignment and the
// case-insensitive compare and search used everywhere names are matched.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace plumo {

// Upper/lower case of one byte in the ANSI (Windows-1252) code page: ASCII letters and the
// Latin-1 letters, leaving the multiplication and division signs alone.
char ToUpperAnsi(char c);
char ToLowerAnsi(char c);
std::string ToUpperAnsi(std::string_view s);
std::string ToLowerAnsi(std::string_view s);

// Position of the first byte c at or after from, or npos. Reads eight bytes at a time without
// calling the C library, whose search is a byte loop under Wine.
size_t FindByte(std::string_view s, char c, size_t from = 0);

// Fields of width w hold at most w - 1 characters, as a C buffer of w bytes with its NUL would.
void AssignBounded(std::string& dst, std::string_view src, size_t width);
std::string Bounded(std::string_view src, size_t width);

// <0, 0, >0 like lstrcmpi over the ANSI case folding.
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
bool EndsWithNoCase(std::string_view s, std::string_view suffix);
// Position of the first occurrence of needle at or after from, or npos. An empty needle is
// found at from.
size_t FindNoCase(std::string_view haystack, std::string_view needle, size_t from = 0);
bool ContainsNoCase(std::string_view haystack, std::string_view needle);
// Replaces every occurrence of a non-empty needle at or after from; the search goes on behind
// each inserted text. Returns the number of replacements.
size_t ReplaceAllNoCase(std::string& text, std::string_view needle, std::string_view with, size_t from = 0);

struct LessNoCase {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return CompareNoCase(a, b) < 0; }
};

// The text without any of its `c` characters ("&" of menu and control texts).
std::string Without(std::string_view s, char c);

// Spaces, tabs, CR and LF removed from both ends.
std::string_view Trim(std::string_view s);

// 0 to 15 for a hexadecimal digit of either case, else -1.
int HexDigitValue(char c);

// True for a non-empty text of the digits 0-9 only.
bool AllDigits(std::string_view s);

// The text between double quotes, as a command line wants a path with blanks.
std::string InQuotes(std::string_view s);

// Paths written the Windows way ("\" or "/" between parts): the part before the last
// separator (with it), the last part, and whether the path starts at a root or a drive.
std::string_view FolderPart(std::string_view path);
std::string_view NamePart(std::string_view path);
bool IsRootedPath(std::string_view path);

}  // namespace plumo
