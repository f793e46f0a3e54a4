// Send Email: SMTP, Check and Delete Email: POP3, and Ping IP Address: the program's own small
// clients over the Network port.
#include <cstdlib>
#include <functional>

#include "actions/integration/internet/echo_packet.h"
#include "actions/integration/internet/internet_family.h"
#include "actions/integration/internet/mail_protocols.h"
#include "base/text.h"
#include "engine/run_log.h"

namespace plumo {
namespace {

constexpr uint32_t kConnectTimeoutMs = 10000;
constexpr uint16_t kSmtpPort = 25;
constexpr uint16_t kSmtpsPort = 465;
constexpr uint16_t kSubmissionPort = 587;
constexpr uint16_t kPop3Port = 110;
constexpr uint16_t kPop3sPort = 995;
constexpr uint32_t kEchoWaitMs = 1000;
constexpr uint32_t kPingExtraWaitMs = 500;
constexpr int kTimedOut = 11010;  // IP_REQ_TIMED_OUT

uint16_t PortOf(const std::string& text) {
  const long n = std::strtol(text.c_str(), nullptr, 10);
  return n > 0 && n < 65536 ? static_cast<uint16_t>(n) : 0;
}

std::function<bool()> StopCheck(InternetContext& c) {
  return [&session = c.session] { return session.StopRequested(); };
}

}  // namespace

int SendSmtpAction(InternetContext& c) {
  SmtpSettings settings;
  settings.server = c.Expand(c.step.value3);
  if (settings.server.empty()) return c.session.Fail("Missing Parameters");
  MailMessage message{c.Expand(c.step.value5), c.Expand(c.step.value6), c.Expand(c.step.value4), c.Expand(c.step.text)};
  settings.user = c.Expand(c.step.value1);
  if (!settings.user.empty()) settings.password = c.Password();
  Network& net = c.family.port->network();
  uint16_t port = PortOf(c.Expand(c.step.value7));
  if (!port) port = net.ServicePort("mail");
  if (!port) port = kSmtpPort;
  const bool tls = port == kSmtpsPort || HasOption(c.step.options, "SSL");
  settings.startTls = !tls && (port == kSubmissionPort || HasOption(c.step.options, "STARTTLS"));

  LogFormat(c.session, "    SMTP Connecting to %s...", settings.server.c_str());
  NetStage stage = NetStage::kConnect;
  OsError e;
  std::unique_ptr<NetStream> stream = net.Connect(settings.server, port, tls, kConnectTimeoutMs, &stage, &e);
  if (!stream) {
    c.Log("    SMTP: " + e.message());
    if (stage == NetStage::kStartup) return c.session.Fail("Can't find a useable WinSock DLL");
    if (stage == NetStage::kTls) return c.session.Fail("SMTP TLS error: " + e.message());
    return c.session.Fail("Invalid socket");
  }
  if (!settings.user.empty() && !tls && !settings.startTls)
    c.Log("    SMTP WARNING: the password is sent without TLS");
  SmtpClient client(*stream, StopCheck(c), [&c](std::string_view line) { c.Log(line); });
  std::string error;
  if (!client.Send(settings, message, c.session.clock().UtcTime(), &error)) return c.session.Fail(error);
  c.Log("    SMTP Success!");
  return result::kSuccess;
}

namespace {

// Connects and logs in, runs the work and ends the session.
int WithPop3(InternetContext& c, const std::function<int(Pop3Client&)>& work) {
  const std::string server = c.Expand(c.step.text);
  if (server.empty()) return c.session.Fail("Missing Parameters");
  uint16_t port = PortOf(c.Expand(c.step.value5));
  const bool ssl = HasOption(c.step.options, "SSL");
  if (!port) port = ssl ? kPop3sPort : kPop3Port;
  const bool tls = ssl || port == kPop3sPort;
  NetStage stage = NetStage::kConnect;
  OsError e;
  std::unique_ptr<NetStream> stream = c.family.port->network().Connect(server, port, tls, kConnectTimeoutMs, &stage, &e);
  if (!stream) {
    const int code = static_cast<int>(e.code());
    switch (stage) {
      case NetStage::kStartup: c.Log("    WSAStartup Error"); break;
      case NetStage::kSocket: LogFormat(c.session, "    failed to open socket: %d", code); break;
      case NetStage::kResolve: LogFormat(c.session, "    Failed to host server: %d", code); break;
      case NetStage::kConnect: LogFormat(c.session, "    Connect POP3 Server Fail: %d", code); break;
      case NetStage::kTls: c.Log("    POP3 TLS error: " + e.message()); break;
    }
    return c.session.Fail(FormatText("Unable to connect to POP3 server \"%s\"", server.c_str()));
  }
  Pop3Client pop3(*stream, StopCheck(c));
  std::string error;
  if (!pop3.Greeting(&error) || !pop3.Login(c.Expand(c.step.value3), c.Password(), &error)) {
    pop3.Quit();
    return c.session.Fail(error);
  }
  const int result = work(pop3);
  pop3.Quit();
  return result;
}

long MessageNumber(InternetContext& c) { return std::strtol(c.Expand(c.step.value4).c_str(), nullptr, 10); }

}  // namespace

int CheckPop3Action(InternetContext& c) {
  const long number = MessageNumber(c);
  std::string_view options = c.step.options;
  auto store = [&c](const std::string& value) {
    c.Store(value);
    return result::kSuccess;
  };
  return WithPop3(c, [&](Pop3Client& pop3) {
    std::string error;
    if (number < 1 || ContainsNoCase(options, "TOTAL")) {
      std::optional<long> count = pop3.Count(&error);
      return count ? store(std::to_string(*count)) : c.session.Fail(error);
    }
    if (ContainsNoCase(options, "SIZE")) {
      std::optional<long> size = pop3.Size(number, &error);
      return size ? store(std::to_string(*size)) : c.session.Fail(error);
    }
    std::optional<std::string> text = pop3.Retrieve(number, &error);
    if (!text) return c.session.Fail(error);
    if (ContainsNoCase(options, "RAW")) return store(*text);
    const MailParts parts = ParseRetrieved(*text);
    const bool all = options.find('+') != std::string_view::npos || ContainsNoCase(options, "ALL");
    if (!all && ContainsNoCase(options, "FROM")) return store(parts.from);
    if (!all && ContainsNoCase(options, "SUBJ")) return store(parts.subject);
    if (!all && ContainsNoCase(options, "TO")) return store(parts.to);
    if (!parts.body)
      return c.session.Fail(FormatText("POP3 message %ld has no Message-ID header, so its body cannot be read", number));
    if (!all) return store(*parts.body);
    return store(FormatText("From: %s\r\nTo: %s\r\nSubject: %s\r\n\r\n", parts.from.c_str(), parts.to.c_str(),
                            parts.subject.c_str()) +
                 *parts.body);
  });
}

int DeletePop3Action(InternetContext& c) {
  const long number = MessageNumber(c);
  if (number < 1) return c.session.Fail("Missing Parameters");
  return WithPop3(c, [&](Pop3Client& pop3) {
    std::string error;
    return pop3.Delete(number, &error) ? result::kSuccess : c.session.Fail(error);
  });
}

int PingAction(InternetContext& c) {
  const std::string host = c.Expand(c.step.text);
  if (host.empty()) return c.session.Fail("Missing Parameters");
  Network& net = c.family.port->network();
  const uint16_t id = net.EchoIdentifier();
  IcmpReply reply;
  NetStage stage = NetStage::kConnect;
  OsError e = net.IcmpExchange(host, EchoRequest(id, 1), kEchoWaitMs, &reply, &stage);
  if (!e && stage == NetStage::kSocket) {
    // An empty time-out waits as long as the raw attempt did.
    const long seconds = std::strtol(c.Expand(c.step.timeout).c_str(), nullptr, 10);
    const uint32_t ms = seconds > 0 ? static_cast<uint32_t>(seconds) * 1000 : kEchoWaitMs;
    c.Log("    Raw ICMP socket refused (" + e.message() + "); running the ping program");
    int exitCode = 1;
    if (OsError run = net.RunPing(host, ms, ms + kPingExtraWaitMs, &exitCode); !run)
      return c.session.Fail("The ping program could not be started: " + run.message());
    if (exitCode > 0) return c.session.Fail(FormatText("ping request failed: %s (%d)", host.c_str(), exitCode));
    return result::kSuccess;
  }
  if (!e) return c.session.Fail(FormatText("ping request failed: %s (%d)", e.message().c_str(), static_cast<int>(e.code())));
  if (reply.packet.empty()) return c.session.Fail(FormatText("ping request failed: %s (%d)", "Timed Out", kTimedOut));
  if (std::optional<std::string> problem = EchoReplyProblem(reply.packet, id, reply.from))
    return c.session.Fail(*problem);
  const uint32_t rtt = std::max<uint32_t>(1, reply.elapsedMs);
  LogFormat(c.session, "    Reply from %s: %lu ms", reply.from.c_str(), static_cast<unsigned long>(rtt));
  c.Store(std::to_string(rtt));
  return result::kSuccess;
}

}  // namespace plumo
