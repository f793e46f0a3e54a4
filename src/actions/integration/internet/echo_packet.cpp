#include "actions/integration/internet/echo_packet.h"

#include "engine/run_log.h"

namespace plumo {
namespace {

constexpr size_t kIcmpHeader = 8;
constexpr size_t kEchoData = 32;
constexpr uint8_t kEchoRequestType = 8;
constexpr uint8_t kEchoReplyType = 0;

void Put16(std::string& s, size_t at, uint16_t v) {  // in the packet's (big-endian) order
  s[at] = static_cast<char>(v >> 8);
  s[at + 1] = static_cast<char>(v & 0xFF);
}

uint16_t Get16(std::string_view s, size_t at) {
  return static_cast<uint16_t>((static_cast<uint8_t>(s[at]) << 8) | static_cast<uint8_t>(s[at + 1]));
}

}  // namespace

uint16_t InternetChecksum(std::string_view bytes) {
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) sum += Get16(bytes, i);
  if (bytes.size() & 1) sum += static_cast<uint32_t>(static_cast<uint8_t>(bytes.back()) << 8);
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum & 0xFFFF);
}

std::string EchoRequest(uint16_t identifier, uint16_t sequence) {
  std::string p(kIcmpHeader, '\0');
  p[0] = static_cast<char>(kEchoRequestType);
  Put16(p, 4, identifier);
  Put16(p, 6, sequence);
  p.append(kEchoData, 'E');
  Put16(p, 2, InternetChecksum(p));
  return p;
}

std::optional<std::string> EchoReplyProblem(std::string_view packet, uint16_t identifier, std::string_view from) {
  const size_t header = packet.empty() ? 0 : static_cast<size_t>(static_cast<uint8_t>(packet[0]) & 0x0F) * 4;
  if (packet.size() < header + kIcmpHeader) return FormatText("Too few bytes from %s", std::string(from).c_str());
  const uint8_t type = static_cast<uint8_t>(packet[header]);
  if (type != kEchoReplyType) return FormatText("non-echo type received: %d", type);
  if (Get16(packet, header + 4) != identifier) return std::string("someone else's packet");
  return std::nullopt;
}

}  // namespace plumo
