#pragma once

// ASCII character classes shared by the text parsers; locale-free so that "٣" or a non-breaking
// space never counts.
namespace plumo {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace plumo
