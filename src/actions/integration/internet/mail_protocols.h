// The mail clients of the Internet actions: SMTP (with STARTTLS and AUTH), POP3, and the texts
// they build (header, mailto address), over a stream of the Network port.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/network.h"

namespace plumo {

// Recipients split at comma, semicolon, blank, tab and line ends.
std::vector<std::string> SplitRecipients(std::string_view text);

// "Tue 05 Mar 2024 14:03:22 PM": the date line's text for a UTC time.
std::string MailDate(const SystemTime& utc);

struct MailMessage {
  std::string sender;
  std::string recipients;  // as written
  std::string subject;
  std::string body;
};

// The header block, ending in its empty line.
std::string SmtpHeader(const MailMessage& message, const SystemTime& utc);

// The body as DATA sends it: CR LF line ends, lines beginning with '.' doubled.
std::string SmtpData(std::string_view body);

// "mailto:to?subject=...&body=..." with the shell's escapes, at most 1 MB.
std::string MailtoAddress(std::string_view recipients, std::string_view subject, std::string_view body);

std::string Base64(std::string_view bytes);

// How a reply ended.
enum class ReplyEnd { kComplete, kTimeout, kClosed, kTooLong, kError };

// Reads replies from a stream within a time limit, polling for a stop request.
class ReplyReader {
 public:
  ReplyReader(NetStream& stream, std::function<bool()> stopped) : stream_(stream), stopped_(std::move(stopped)) {}
  // Reads until complete(text) holds; text keeps what came after an earlier reply.
  ReplyEnd Read(std::string* reply, size_t limit, uint32_t timeoutMs, const std::function<size_t(std::string_view)>& complete);
  const OsError& error() const { return error_; }

 private:
  NetStream& stream_;
  std::function<bool()> stopped_;
  std::string pending_;
  OsError error_;
};

// The length of the first complete SMTP reply (its last line "ddd " or "ddd"), 0 when incomplete.
size_t SmtpReplyLength(std::string_view text);
// The length of a complete POP3 status line, 0 when incomplete.
size_t Pop3LineLength(std::string_view text);
// The length of a complete POP3 multi-line reply ("-ERR" line, or data ending "\r\n.\r\n").
size_t Pop3ListingLength(std::string_view text);

struct SmtpSettings {
  std::string server;
  bool startTls = false;
  std::string user;  // AUTH when not empty
  std::string password;
  uint32_t timeoutMs = 10000;
};

// One SMTP exchange over a connected stream. Every reply code is checked; the error text says
// which command the server refused and quotes its reply. log gets the run log's lines.
class SmtpClient {
 public:
  SmtpClient(NetStream& stream, std::function<bool()> stopped, std::function<void(std::string_view)> log)
      : stream_(stream), reader_(stream, std::move(stopped)), log_(std::move(log)) {}
  // False with *error; the QUIT is sent in either case when the connection still stands.
  bool Send(const SmtpSettings& settings, const MailMessage& message, const SystemTime& utc, std::string* error);

 private:
  bool Command(std::string_view line, std::string_view shown, int expected, std::string* reply, std::string* error);
  bool Reply(std::string_view command, int expected, std::string* reply, std::string* error);
  bool Hello(const SmtpSettings& settings, bool extended, std::string* reply, std::string* error);
  bool Authenticate(const SmtpSettings& settings, const std::string& capabilities, std::string* error);

  NetStream& stream_;
  ReplyReader reader_;
  std::function<void(std::string_view)> log_;
  uint32_t timeoutMs_ = 10000;
  bool broken_ = false;  // the connection failed; no QUIT
};

// One POP3 session over a connected stream; each call leaves its reason in *error.
class Pop3Client {
 public:
  Pop3Client(NetStream& stream, std::function<bool()> stopped) : stream_(stream), reader_(stream, std::move(stopped)) {}
  bool Greeting(std::string* error);
  bool Login(const std::string& user, const std::string& password, std::string* error);
  std::optional<long> Count(std::string* error);
  std::optional<long> Size(long number, std::string* error);
  // The whole reply to RETR, status line and final "." included.
  std::optional<std::string> Retrieve(long number, std::string* error);
  bool Delete(long number, std::string* error);
  void Quit();

 private:
  std::optional<std::string> Exchange(const std::string& command, bool listing, size_t limit, std::string* error,
                                      uint32_t timeoutMs = 10000);

  NetStream& stream_;
  ReplyReader reader_;
};

// The parts of a retrieved message that "Check Email: POP3" stores.
struct MailParts {
  std::string from, to, subject;
  std::optional<std::string> body;  // none without a Message-ID header
};
MailParts ParseRetrieved(std::string_view retrieved);

}  // namespace plumo
