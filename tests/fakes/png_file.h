// A picture as a PNG file for the screenshots the Windows tests leave in the build tree:
// uncompressed (stored deflate blocks), which every viewer reads.
#pragma once

#include <cstdint>
#include <string>

#include "platform/picture.h"

namespace plumo {

inline uint32_t PngCrc(const std::string& bytes, size_t from) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = from; i < bytes.size(); ++i) {
    crc ^= static_cast<uint8_t>(bytes[i]);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

inline void PngBig32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

inline void PngChunk(std::string& out, const char* type, const std::string& data) {
  PngBig32(out, static_cast<uint32_t>(data.size()));
  const size_t from = out.size();
  out += type;
  out += data;
  PngBig32(out, PngCrc(out, from));
}

inline std::string WritePng(const Picture& picture) {
  std::string raw;
  for (int32_t y = 0; y < picture.height(); ++y) {
    raw += '\0';
    for (int32_t x = 0; x < picture.width(); ++x) {
      const uint32_t p = picture.At(x, y);
      raw += static_cast<char>((p >> 16) & 0xFF);
      raw += static_cast<char>((p >> 8) & 0xFF);
      raw += static_cast<char>(p & 0xFF);
    }
  }
  std::string z = "\x78\x01";
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    z += static_cast<char>(at + n >= raw.size() ? 1 : 0);
    z += static_cast<char>(n & 0xFF);
    z += static_cast<char>(n >> 8);
    z += static_cast<char>(~n & 0xFF);
    z += static_cast<char>((~n >> 8) & 0xFF);
    z.append(raw, at, n);
    if (raw.empty()) break;
  }
  PngBig32(z, (b << 16) | a);
  std::string header;
  PngBig32(header, static_cast<uint32_t>(picture.width()));
  PngBig32(header, static_cast<uint32_t>(picture.height()));
  header += std::string("\x08\x02\x00\x00\x00", 5);
  std::string png = "\x89PNG\r\n\x1a\n";
  PngChunk(png, "IHDR", header);
  PngChunk(png, "IDAT", z);
  PngChunk(png, "IEND", "");
  return png;
}

}  // namespace plumo
