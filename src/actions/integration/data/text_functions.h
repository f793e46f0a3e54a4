// The text work of the Data actions, as plain functions over 8-bit strings: sorting, the two
// obfuscation schemes, binary conversions, items, chopping, counting and random text.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace plumo {

enum class SortType { kAscending, kDescending, kShortest, kLongest, kCharactersUp, kCharactersDown };
// The "Sort Type" word in the options; ascending when none is there.
SortType SortTypeOf(std::string_view options);
// The items of text between delimiters (lines, CR LF or LF, when the delimiter is empty) in
// the order asked, joined by joiner. Equal items keep their order. A text that ended in a
// delimiter still does.
std::string SortItems(std::string_view text, std::string_view delimiter, SortType type, bool caseSensitive,
                      std::string_view joiner);

// "ASCII Shift": printable characters (32 to 126) turn within their range by the key's
// characters in turn; other bytes stay. Keeps a text printable.
std::string AsciiShift(std::string_view text, std::string_view key, bool decrypt);
// "Bit Shift": each byte mixed with the key and its bits rotated, written as hexadecimal.
std::string BitShiftEncrypt(std::string_view text, std::string_view key);
// nullopt when the text is not such hexadecimal.
std::optional<std::string> BitShiftDecrypt(std::string_view hex, std::string_view key);

// Bytes outside 32 to 126, and the braces and backslash, as "{\XX}".
std::string ToEscapes(std::string_view bytes);
std::string ToHex(std::string_view bytes);
// Printable bytes, tabs and line ends; the rest left out.
std::string ToPrintable(std::string_view bytes);

// The items between delimiters; with quotes, a delimiter inside double quotes does not split,
// and the quotes go ("" inside them stands for one).
std::vector<std::string> SplitItems(std::string_view text, std::string_view delimiter, bool quotes);

enum class ChopMethod { kBefore, kBeforeAndIncluding, kAfter, kAfterAndIncluding, kFirstCharacter, kLastCharacter };
std::optional<ChopMethod> ChopMethodOf(std::string_view words);
// Cuts text at the first marker; a text without it stays whole. The character methods cut
// count characters (at least one) from the front or the end.
std::string Chop(std::string_view text, std::string_view marker, ChopMethod method, size_t count);

// Non-overlapping occurrences of a non-empty needle.
size_t CountOccurrences(std::string_view text, std::string_view needle, bool caseSensitive);
size_t FindText(std::string_view text, std::string_view needle, size_t from, bool caseSensitive);
// Replaces the first or every occurrence of a non-empty needle; the number replaced.
size_t ReplaceText(std::string& text, std::string_view needle, std::string_view with, bool firstOnly,
                   bool caseSensitive);

// The characters a "Character Range" word offers; nullopt for an unknown word.
std::optional<std::string> CharacterRange(std::string_view word);
std::string RandomText(size_t length, std::string_view characters, std::mt19937& random);

}  // namespace plumo
