// The ICMP echo request that "Ping IP Address" sends and the checks of its reply.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plumo {

// Type 8, code 0, checksum, identifier, sequence number, 32 bytes of 'E': 40 bytes.
std::string EchoRequest(uint16_t identifier, uint16_t sequence);

// The RFC 1071 checksum as it is stored in the packet (the bytes in their order).
uint16_t InternetChecksum(std::string_view bytes);

// Why a reply (an IP packet from `from`) is not the echo reply to our request; nullopt when it is.
std::optional<std::string> EchoReplyProblem(std::string_view packet, uint16_t identifier, std::string_view from);

}  // namespace plumo
