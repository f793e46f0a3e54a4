#include "actions/integration/internet/mail_protocols.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "base/text.h"
#include "engine/run_log.h"

namespace plumo {
namespace {

constexpr size_t kReplyLimit = 65536;
constexpr size_t kGreetingLimit = 259;
constexpr size_t kMailtoLimit = 1024 * 1024;
constexpr size_t kMessageLimit = 16 * 1024 * 1024;
constexpr uint32_t kSlice = 1000;  // the stop request is polled this often while waiting
constexpr size_t kPiece = 1024;
constexpr uint32_t kPop3WaitMs = 10000;
constexpr uint32_t kQuitWaitMs = 2000;
constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

uint64_t NowMs() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

// A header value or command argument on one line: line ends become blanks.
std::string OneLine(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

int ReplyCode(std::string_view reply) {
  if (reply.size() < 3) return 0;
  return std::atoi(std::string(reply.substr(0, 3)).c_str());
}

// The reply's lines joined on one line, for the error text.
std::string Quoted(std::string_view reply) {
  std::string out;
  for (char c : reply) {
    if (c == '\r') continue;
    out.push_back(c == '\n' ? ' ' : c);
  }
  return std::string(Trim(out));
}

std::string EndText(ReplyEnd end, const OsError& error, const char* server) {
  switch (end) {
    case ReplyEnd::kTimeout: return FormatText("%s server did not answer in time", server);
    case ReplyEnd::kClosed: return FormatText("%s server closed the connection", server);
    case ReplyEnd::kTooLong: return FormatText("%s server sent a reply longer than %lu bytes", server, static_cast<unsigned long>(kReplyLimit));
    case ReplyEnd::kError: return FormatText("Socket receive error: %u", error.code());
    case ReplyEnd::kComplete: break;
  }
  return {};
}

}  // namespace

std::vector<std::string> SplitRecipients(std::string_view text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of(",; \t\r\n", start);
    const size_t stop = end == std::string_view::npos ? text.size() : end;
    if (stop > start) out.emplace_back(text.substr(start, stop - start));
    start = stop + 1;
  }
  return out;
}

std::string MailDate(const SystemTime& t) {
  return FormatText("%s %02u %s %04u %02u:%02u:%02u %s", kWeekdays[t.dayOfWeek % 7], t.day,
                    kMonths[(t.month + 11) % 12], t.year, t.hour, t.minute, t.second, t.hour < 12 ? "AM" : "PM");
}

std::string SmtpHeader(const MailMessage& m, const SystemTime& utc) {
  std::string h = "DATE: " + MailDate(utc) + "\r\n";
  if (!m.sender.empty()) h += "FROM: " + OneLine(m.sender) + "\r\n";
  h += "To: " + OneLine(m.recipients) + "\r\n";
  if (!m.subject.empty()) h += "Subject: " + OneLine(m.subject) + "\r\n";
  h += "MIME-Version: 1.0\r\nContent-type: text/plain; charset=US-ASCII\r\n\r\n";
  return h;
}

std::string SmtpData(std::string_view body) {
  std::string out;
  out.reserve(body.size() + body.size() / 32 + 2);
  bool lineStart = true;
  for (size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n') ++i;
      out += "\r\n";
      lineStart = true;
      continue;
    }
    if (lineStart && c == '.') out.push_back('.');
    out.push_back(c);
    lineStart = false;
  }
  return out;
}

std::string MailtoAddress(std::string_view recipients, std::string_view subject, std::string_view body) {
  std::string raw = "mailto:" + std::string(recipients) + "?subject=" + std::string(subject) + "&body=" + std::string(body);
  if (raw.size() > kMailtoLimit) raw.resize(kMailtoLimit);
  std::string out;
  out.reserve(raw.size() + raw.size() / 8);
  for (char c : raw) {
    switch (c) {
      case ' ': out += "%20"; break;
      case '\r': out += "%0d"; break;
      case '\n': out += "%0a"; break;
      case '>': out += "&gt;"; break;
      case '<': out += "&lt;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string Base64(std::string_view bytes) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t v = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8) |
                       static_cast<uint8_t>(bytes[i + 2]);
    out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], kAlphabet[v & 63]};
  }
  if (i + 1 == bytes.size()) {
    const uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
    out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], '=', '='};
  } else if (i + 2 == bytes.size()) {
    const uint32_t v = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8);
    out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], '='};
  }
  return out;
}

ReplyEnd ReplyReader::Read(std::string* reply, size_t limit, uint32_t timeoutMs,
                           const std::function<size_t(std::string_view)>& complete) {
  const uint64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    if (size_t n = complete(pending_)) {
      *reply = pending_.substr(0, n);
      pending_.erase(0, n);
      return ReplyEnd::kComplete;
    }
    if (pending_.size() > limit) {
      pending_.clear();
      return ReplyEnd::kTooLong;
    }
    const uint64_t now = NowMs();
    if (now >= deadline || (stopped_ && stopped_())) return ReplyEnd::kTimeout;
    bool closed = false;
    const size_t piece = std::max<size_t>(kPiece, std::min<size_t>(limit + 1 - pending_.size(), 1 << 16));
    error_ = stream_.Receive(piece, static_cast<uint32_t>(std::min<uint64_t>(deadline - now, kSlice)), &pending_, &closed);
    if (!error_) return ReplyEnd::kError;
    if (closed && !complete(pending_)) return ReplyEnd::kClosed;
  }
}

size_t SmtpReplyLength(std::string_view text) {
  size_t start = 0;
  for (;;) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) {
      // A server that ends lines with LF alone is read all the same.
      const size_t lf = text.find('\n', start);
      if (lf == std::string_view::npos) return 0;
      if (lf - start < 4 || text[start + 3] != '-') return lf + 1;
      start = lf + 1;
      continue;
    }
    if (end - start < 4 || text[start + 3] != '-') return end + 2;
    start = end + 2;
  }
}

size_t Pop3LineLength(std::string_view text) {
  const size_t end = text.find('\n');
  return end == std::string_view::npos ? 0 : end + 1;
}

size_t Pop3ListingLength(std::string_view text) {
  if (StartsWithNoCase(text, "-ERR")) return Pop3LineLength(text);
  const size_t first = Pop3LineLength(text);
  if (!first) return 0;
  if (text.substr(first, 3) == ".\r\n") return first + 3;
  const size_t end = text.find("\r\n.\r\n", first - 2);
  return end == std::string_view::npos ? 0 : end + 5;
}

bool SmtpClient::Reply(std::string_view command, int expected, std::string* reply, std::string* error) {
  const ReplyEnd end = reader_.Read(reply, kReplyLimit, timeoutMs_, SmtpReplyLength);
  if (end != ReplyEnd::kComplete) {
    broken_ = true;
    *error = EndText(end, reader_.error(), "SMTP");
    return false;
  }
  const int code = ReplyCode(*reply);
  if (code / 100 != expected / 100) {
    *error = command.empty() ? "SMTP server refused the connection: " + Quoted(*reply)
                             : std::string(command) + " refused by the SMTP server: " + Quoted(*reply);
    return false;
  }
  return true;
}

bool SmtpClient::Command(std::string_view line, std::string_view shown, int expected, std::string* reply,
                         std::string* error) {
  if (OsError e = stream_.Send(line); !e) {
    broken_ = true;
    *error = FormatText("Socket send error: %u", e.code());
    return false;
  }
  return Reply(shown, expected, reply, error);
}

bool SmtpClient::Hello(const SmtpSettings& s, bool extended, std::string* reply, std::string* error) {
  const std::string verb = extended ? "EHLO" : "HELO";
  return Command(verb + " " + OneLine(s.server) + "\r\n", verb, 250, reply, error);
}

bool SmtpClient::Authenticate(const SmtpSettings& s, const std::string& capabilities, std::string* error) {
  std::string reply;
  // The AUTH line of the EHLO reply: "250-AUTH PLAIN LOGIN".
  size_t auth = FindNoCase(capabilities, "AUTH");
  std::string mechanisms;
  while (auth != std::string::npos) {
    if (auth >= 4 && (capabilities[auth - 1] == '-' || capabilities[auth - 1] == ' ')) {
      const size_t end = capabilities.find('\n', auth);
      mechanisms = ToUpperAnsi(capabilities.substr(auth, end == std::string::npos ? std::string::npos : end - auth));
      break;
    }
    auth = FindNoCase(capabilities, "AUTH", auth + 4);
  }
  const bool plain = mechanisms.find(" PLAIN") != std::string::npos;
  const bool login = mechanisms.find(" LOGIN") != std::string::npos;
  if (!plain && !login) {
    *error = "SMTP server offers no AUTH PLAIN or LOGIN";
    return false;
  }
  if (plain) {
    const std::string token = Base64(std::string(1, '\0') + OneLine(s.user) + std::string(1, '\0') + s.password);
    return Command("AUTH PLAIN " + token + "\r\n", "AUTH PLAIN", 235, &reply, error);
  }
  return Command("AUTH LOGIN\r\n", "AUTH LOGIN", 334, &reply, error) &&
         Command(Base64(OneLine(s.user)) + "\r\n", "AUTH LOGIN user name", 334, &reply, error) &&
         Command(Base64(s.password) + "\r\n", "AUTH LOGIN password", 235, &reply, error);
}

bool SmtpClient::Send(const SmtpSettings& s, const MailMessage& m, const SystemTime& utc, std::string* error) {
  timeoutMs_ = s.timeoutMs;
  std::string reply;
  const bool extended = s.startTls || !s.user.empty();
  bool ok = Reply("", 220, &reply, error) && Hello(s, extended, &reply, error);
  if (ok && s.startTls) {
    ok = Command("STARTTLS\r\n", "STARTTLS", 220, &reply, error);
    if (ok) {
      if (OsError e = stream_.StartTls(timeoutMs_); !e) {
        broken_ = true;
        *error = "SMTP TLS error: " + e.message();
        return false;
      }
      ok = Hello(s, true, &reply, error);
    }
  }
  if (ok && !s.user.empty()) ok = Authenticate(s, reply, error);
  if (ok) {
    log_("    SMTP Sending message to \"" + m.recipients + "\"");
    ok = Command("MAIL FROM: <" + OneLine(m.sender) + ">\r\n", "MAIL FROM", 250, &reply, error);
    for (const std::string& to : SplitRecipients(m.recipients)) {
      if (!ok) break;
      ok = Command("RCPT TO: <" + to + ">\r\n", "RCPT TO: <" + to + ">", 250, &reply, error);
    }
    ok = ok && Command("DATA\r\n", "DATA", 354, &reply, error) &&
         Command(SmtpHeader(m, utc) + SmtpData(m.body) + "\r\n.\r\n", "The message", 250, &reply, error);
  }
  if (!broken_) {
    log_("    SMTP Disconnecting...");
    if (stream_.Send("QUIT\r\n")) reader_.Read(&reply, kReplyLimit, timeoutMs_, SmtpReplyLength);
  }
  return ok;
}

std::optional<std::string> Pop3Client::Exchange(const std::string& command, bool listing, size_t limit,
                                                std::string* error, uint32_t timeoutMs) {
  if (OsError e = stream_.Send(command); !e) {
    *error = FormatText("Socket send error: %u", e.code());
    return std::nullopt;
  }
  std::string reply;
  const ReplyEnd end = reader_.Read(&reply, limit, timeoutMs, listing ? Pop3ListingLength : Pop3LineLength);
  if (end == ReplyEnd::kTooLong) {
    *error = FormatText("POP3 reply longer than %lu bytes", static_cast<unsigned long>(limit));
    return std::nullopt;
  }
  if (end != ReplyEnd::kComplete) {
    *error = EndText(end, reader_.error(), "POP3");
    return std::nullopt;
  }
  return reply;
}

bool Pop3Client::Greeting(std::string* error) {
  std::string reply;
  if (reader_.Read(&reply, kGreetingLimit, kPop3WaitMs, Pop3LineLength) != ReplyEnd::kComplete || reply.empty() ||
      reply[0] == '-') {
    *error = "No result";
    return false;
  }
  return true;
}

bool Pop3Client::Login(const std::string& user, const std::string& password, std::string* error) {
  std::optional<std::string> r = Exchange("USER " + OneLine(user) + "\r\n", false, kReplyLimit, error);
  if (!r || !StartsWithNoCase(*r, "+OK")) {
    *error = "Username error";
    return false;
  }
  r = Exchange(password.empty() ? std::string("PASS \r\n") : "PASS " + OneLine(password) + "\r\n", false, kReplyLimit,
               error);
  if (!r || !StartsWithNoCase(*r, "+OK")) {
    *error = "Password error";
    return false;
  }
  return true;
}

std::optional<long> Pop3Client::Count(std::string* error) {
  std::optional<std::string> r = Exchange("STAT\r\n", false, kReplyLimit, error);
  if (!r) return std::nullopt;
  if (!StartsWithNoCase(*r, "+OK ")) {
    *error = "STAT refused by the POP3 server: " + Quoted(*r);
    return std::nullopt;
  }
  return std::strtol(r->c_str() + 4, nullptr, 10);
}

std::optional<long> Pop3Client::Size(long number, std::string* error) {
  std::optional<std::string> r = Exchange("LIST\r\n", true, kMessageLimit, error);
  if (!r) return std::nullopt;
  const std::string key = "\n" + std::to_string(number) + " ";
  const size_t at = r->find(key);
  if (!StartsWithNoCase(*r, "+OK") || at == std::string::npos) {
    *error = FormatText("POP3 message %ld not found", number);
    return std::nullopt;
  }
  return std::strtol(r->c_str() + at + key.size(), nullptr, 10);
}

std::optional<std::string> Pop3Client::Retrieve(long number, std::string* error) {
  std::optional<std::string> r = Exchange(FormatText("RETR %ld\r\n", number), true, kMessageLimit, error);
  if (r && !StartsWithNoCase(*r, "+OK")) {
    *error = "RETR refused by the POP3 server: " + Quoted(*r);
    return std::nullopt;
  }
  return r;
}

bool Pop3Client::Delete(long number, std::string* error) {
  std::optional<std::string> r = Exchange(FormatText("DELE %ld\r\n", number), false, kReplyLimit, error);
  if (r && !StartsWithNoCase(*r, "+OK")) {
    *error = "DELE refused by the POP3 server: " + Quoted(*r);
    return false;
  }
  return r.has_value();
}

void Pop3Client::Quit() {
  std::string error;
  Exchange("QUIT\r\n", false, kReplyLimit, &error, kQuitWaitMs);
}

MailParts ParseRetrieved(std::string_view text) {
  MailParts parts;
  auto header = [&](std::string_view name, size_t width) {
    const size_t at = FindNoCase(text, name);
    if (at == std::string_view::npos) return std::string();
    std::string_view value = text.substr(at + name.size());
    value = value.substr(0, value.find("\r\n"));
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    return std::string(value.substr(0, width));
  };
  parts.from = header("\nFrom:", 63);
  parts.to = header("\nTo:", 63);
  parts.subject = header("\nSubject:", 255);
  const size_t id = FindNoCase(text, "\nMessage-ID:");
  if (id == std::string_view::npos) return parts;
  const size_t blank = text.find("\r\n\r\n", id);
  if (blank == std::string_view::npos) return parts;
  std::string_view rest = text.substr(blank + 4);
  if (rest.size() >= 3 && rest.substr(rest.size() - 3) == ".\r\n") rest.remove_suffix(3);
  std::string body;
  body.reserve(rest.size());
  for (size_t i = 0; i < rest.size(); ++i) {
    const bool lineStart = i == 0 || rest[i - 1] == '\n';
    if (lineStart && rest.substr(i, 2) == "..") continue;  // a doubled dot stands for one
    body.push_back(rest[i]);
  }
  parts.body = std::move(body);
  return parts;
}

}  // namespace plumo
