// Generated inputs for the packer's tests and benchmarks: the same seed gives the same bytes.
#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace plumo::sample {

inline std::string RandomBytes(uint32_t seed, size_t n) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

// Words and punctuation with CR LF line ends, like a Script or a log.
inline std::string Text(uint32_t seed, size_t n) {
  static const char* const kWords[] = {
      "the",    "window", "<step>", "</step>", "<action>", "Use Window", "Type",   "Mouse Click",
      "value",  "%total", "{Enter}", "Partial Title,Activate", "of",   "and",    "to",     "file",
      "C:\\Program Files\\", "options", "timeout", "Display Error and Stop", "a",  "is",
      "Plumo", "Script", "Step",   "run",     "result", "if",  "loop", "<text>", "</text>"};
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < n) {
    s += kWords[rng() % (sizeof(kWords) / sizeof(kWords[0]))];
    const uint32_t r = rng() % 16;
    s += r == 0 ? "\r\n" : r == 1 ? ", " : r == 2 ? ". " : " ";
  }
  s.resize(n);
  return s;
}

// Machine code and data the way a program image looks: frequent opcodes, little-endian
// addresses with zero high bytes, zero padding of every length, and names of imports.
inline std::string ExecutableLike(uint32_t seed, size_t n) {
  static const uint8_t kOps[] = {0x55, 0x8B, 0xEC, 0x83, 0xC4, 0x89, 0x45, 0xE8,
                                 0xFF, 0x15, 0x50, 0x6A, 0x00, 0xC3, 0x5D, 0x33};
  static const char* const kNames[] = {"GetProcAddress", "LoadLibraryA", "MessageBoxA",
                                       "kernel32.dll", "user32.dll", "FindWindowA"};
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < n) {
    const uint32_t r = rng() % 10;
    if (r < 5) {
      s.push_back(static_cast<char>(kOps[rng() % sizeof(kOps)]));
    } else if (r < 8) {
      const uint32_t addr = 0x00400000u + (rng() % 0x4000) * 4;
      for (int k = 0; k < 4; ++k) s.push_back(static_cast<char>(addr >> (8 * k)));
    } else if (r < 9) {
      s.append(rng() % 48, '\0');
    } else {
      s += kNames[rng() % (sizeof(kNames) / sizeof(kNames[0]))];
      s.push_back('\0');
    }
  }
  s.resize(n);
  return s;
}

// Runs of every length around the run threshold, of few distinct bytes.
inline std::string Runs(uint32_t seed, size_t n) {
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < n) s.append(1 + rng() % 70, static_cast<char>("\0\xFF" "ab"[rng() % 4]));
  s.resize(n);
  return s;
}

// Half text, half program image, in blocks: the benchmark's mixed data.
inline std::string Mixed(uint32_t seed, size_t n) {
  std::string s;
  uint32_t k = 0;
  while (s.size() < n) {
    s += (k % 2 == 0) ? Text(seed + k, 16384) : ExecutableLike(seed + k, 16384);
    ++k;
  }
  s.resize(n);
  return s;
}

}  // namespace plumo::sample
