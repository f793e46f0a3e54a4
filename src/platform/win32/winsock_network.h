// The Network port on Winsock 2.2 and Schannel.
#pragma once

#include "platform/network.h"

namespace plumo {

class WinsockNetwork : public Network {
 public:
  std::unique_ptr<NetStream> Connect(const std::string& host, uint16_t port, bool tls, uint32_t timeoutMs,
                                     NetStage* stage, OsError* error) override;
  uint16_t ServicePort(const std::string& service) override;
  uint16_t EchoIdentifier() override;
  OsError IcmpExchange(const std::string& host, std::string_view message, uint32_t timeoutMs, IcmpReply* reply,
                       NetStage* stage) override;
  OsError RunPing(const std::string& host, uint32_t timeoutMs, uint32_t waitMs, int* exitCode) override;
};

}  // namespace plumo
