// The few pieces of XML a Script file uses: escaping of field texts, and finding an element
// or an attribute inside one Step element the tolerant way (no parsing, first match wins).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plumo {

// "&", "<" and ">" as "&amp;", "&lt;" and "&gt;", appended to out.
void AppendEscaped(std::string& out, std::string_view s);
// The same plus the double quote as "&quot;", for attribute values.
void AppendEscapedAttribute(std::string& out, std::string_view s);

// Every entity of the list below becomes its character, each once, left to right, without
// regard to case: "&amp;" "&#038;", "&lt;" "&#060;" "&#60;", "&gt;" "&#062;" "&#62;",
// "&apos;" "&#039;" "&#39;", "&quot;" "&#034;" "&#34;". Decoding once keeps "&amp;lt;" as the
// "&lt;" it was written for.
std::string Unescape(std::string_view s);
// Unescaped and cut to a field of width bytes (width - 1 characters). Only as much of s is
// decoded as the field can take.
std::string UnescapeBounded(std::string_view s, size_t width);

// One Step element, with a copy folded to lower case at the same offsets for searching.
struct Element {
  std::string_view text;
  std::string_view lower;
};

// Start tags longer than this are not taken as tags. Wide enough for the longest the writer
// produces: an "onfail" tag with a full value, every character of it escaped, and both numbers.
constexpr size_t kMaxStartTag = 2048;

struct Tag {
  bool found = false;
  std::string_view start;    // from "<" up to, not including, the ">"
  std::string_view content;  // raw, still escaped
};

// The first "<name" anywhere in the element (name in lower case, without "<"). The content
// runs from the end of that start tag to the first "</name>" of the element, searched from the
// element's beginning, or to the element's end when there is none.
Tag FindTag(const Element& e, std::string_view name);
// The same from known offsets of the first "<name" and the first "</name>" (npos for none).
Tag TagAt(const Element& e, size_t open, size_t close);

// The value of attribute name (lower case) of a start tag: after the name, the "=" and the
// opening quote, up to the next double quote. Names inside quoted values do not count. Raw.
std::string_view FindAttribute(std::string_view startTag, std::string_view name);

// The first run of decimal digits, negative when a "-" stands before it; 0 without digits.
// Beyond the range of 32 bits it stops at the nearest end.
int32_t FirstNumber(std::string_view s);
// Hexadecimal with or without "0x" or "0X", after any blanks; stops at the first other
// character and at 0xFFFFFFFF.
uint32_t HexNumber(std::string_view s);

}  // namespace plumo
