// Network port: the TCP streams of the mail clients (with TLS when asked), ICMP echo and the
// system's ping program. Winsock 2.2 and Schannel on Windows; BSD sockets and OpenSSL on Linux.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/os_error.h"

namespace plumo {

// Where opening a connection failed.
enum class NetStage { kStartup, kSocket, kResolve, kConnect, kTls };

class NetStream {
 public:
  virtual ~NetStream() = default;
  // Sends all of data.
  virtual OsError Send(std::string_view data) = 0;
  // Waits at most timeoutMs for data and appends what arrived, at most max bytes, to *out.
  // A time-out appends nothing and is no error; *closed tells that the peer ended the stream.
  virtual OsError Receive(size_t max, uint32_t timeoutMs, std::string* out, bool* closed) = 0;
  // Turns the connection into TLS (STARTTLS), checking the server's certificate.
  virtual OsError StartTls(uint32_t timeoutMs) = 0;
};

// One ICMP packet that came back, its IP header included.
struct IcmpReply {
  std::string packet;
  std::string from;  // the sender's address as text
  uint32_t elapsedMs = 0;
};

class Network {
 public:
  virtual ~Network() = default;
  // Connects to host:port within timeoutMs, with TLS from the start when tls is set; the
  // certificate must be trusted by the system and name the host. Null with *stage and *error
  // when it fails.
  virtual std::unique_ptr<NetStream> Connect(const std::string& host, uint16_t port, bool tls, uint32_t timeoutMs,
                                             NetStage* stage, OsError* error) = 0;
  // The TCP port of a service name of the system's services list; 0 when it has none.
  virtual uint16_t ServicePort(const std::string& service) = 0;

  // The identifier that this process's echo requests carry: the low 16 bits of its id.
  virtual uint16_t EchoIdentifier() = 0;
  // Sends the ICMP message (header and data) to host over a raw socket and waits at most
  // timeoutMs for an ICMP packet; the request itself, seen again on the loopback, is passed
  // over. A time-out answers ok with an empty packet. *stage tells a socket that could not be
  // opened (kSocket: no raw sockets here) from a host that could not be resolved.
  virtual OsError IcmpExchange(const std::string& host, std::string_view message, uint32_t timeoutMs, IcmpReply* reply,
                               NetStage* stage) = 0;
  // Runs the system's ping program for one echo and waits at most waitMs for its exit code;
  // one that does not end in time counts as 1 and is left running.
  virtual OsError RunPing(const std::string& host, uint32_t timeoutMs, uint32_t waitMs, int* exitCode) = 0;
};

}  // namespace plumo
