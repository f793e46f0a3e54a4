// The system's 8-bit texts are Windows-1252; files and drivers that speak Unicode (workbook
// XML, database drivers) get and give UTF-8 or UTF-16, converted here by one table so that
// both builds produce the same bytes. A character that 1252 cannot hold becomes '?'.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plumo {

// The Unicode code point of one ANSI byte (the five unassigned bytes map to themselves).
uint32_t AnsiToCodePoint(unsigned char c);
// The ANSI byte of a code point, or '?' when 1252 has none.
char CodePointToAnsi(uint32_t cp);

std::string AnsiToUtf8(std::string_view ansi);
void AppendAnsiAsUtf8(std::string& out, std::string_view ansi);
// Malformed UTF-8 sequences become '?' one byte at a time.
std::string Utf8ToAnsi(std::string_view utf8);
void AppendUtf8AsAnsi(std::string& out, std::string_view utf8);
// UTF-16 code units (surrogate pairs give one '?').
std::string Utf16ToAnsi(const uint16_t* units, size_t count);
void AppendUtf16AsAnsi(std::string& out, const uint16_t* units, size_t count);
std::u16string AnsiToUtf16(std::string_view ansi);

}  // namespace plumo
