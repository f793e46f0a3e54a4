#include "actions/integration/internet/mail_protocols.h"

#include <gtest/gtest.h>

#include <deque>

#include "actions/integration/internet/echo_packet.h"

namespace plumo {
namespace {

// A stream that answers from a list of chunks, one per Receive, and records what was sent.
class ScriptedStream : public NetStream {
 public:
  explicit ScriptedStream(std::deque<std::string> chunks, bool closeAtEnd = true)
      : chunks_(std::move(chunks)), closeAtEnd_(closeAtEnd) {}
  OsError Send(std::string_view data) override {
    sent.append(data);
    return OsError::Ok();
  }
  OsError Receive(size_t max, uint32_t, std::string* out, bool* closed) override {
    *closed = false;
    if (chunks_.empty()) {
      *closed = closeAtEnd_;
      return OsError::Ok();
    }
    std::string& c = chunks_.front();
    const size_t n = std::min(max, c.size());
    out->append(c, 0, n);
    c.erase(0, n);
    if (c.empty()) chunks_.pop_front();
    return OsError::Ok();
  }
  OsError StartTls(uint32_t) override { return OsError::Ok(); }
  std::string sent;

 private:
  std::deque<std::string> chunks_;
  bool closeAtEnd_;
};

MailMessage Sample() { return {"me@here.org", "a@x.org, b@y.org;c@z.org", "Hello", "line one\n.dot line\r\n.."}; }

TEST(MailTexts, RecipientsSplitAtEverySeparator) {
  EXPECT_EQ(SplitRecipients("a@x, b@y;c@z\td@w\r\ne@v;;"),
            (std::vector<std::string>{"a@x", "b@y", "c@z", "d@w", "e@v"}));
  EXPECT_TRUE(SplitRecipients(" ,; ").empty());
}

TEST(MailTexts, HeaderAndDataAreSafeOnTheWire) {
  SystemTime t{2024, 3, 2, 5, 14, 3, 22, 0};
  MailMessage m = Sample();
  m.subject = "two\r\nBcc: victim@x";  // a line break must not start a header of its own
  EXPECT_EQ(SmtpHeader(m, t),
            "DATE: Tue 05 Mar 2024 14:03:22 PM\r\nFROM: me@here.org\r\nTo: a@x.org, b@y.org;c@z.org\r\n"
            "Subject: two  Bcc: victim@x\r\nMIME-Version: 1.0\r\nContent-type: text/plain; charset=US-ASCII\r\n\r\n");
  m.sender.clear();
  m.subject.clear();
  EXPECT_EQ(SmtpHeader(m, t).find("FROM"), std::string::npos);
  EXPECT_EQ(SmtpHeader(m, t).find("Subject"), std::string::npos);
  EXPECT_EQ(SmtpData("line one\n.dot line\r\n..\rlast"), "line one\r\n..dot line\r\n...\r\nlast");
  EXPECT_EQ(MailDate({2023, 12, 0, 31, 9, 5, 7, 0}), "Sun 31 Dec 2023 09:05:07 AM");
}

TEST(MailTexts, MailtoEscapesWhatTheShellWouldBreak) {
  EXPECT_EQ(MailtoAddress("a@x.org", "Hi there", "line 1\r\nline <2>"),
            "mailto:a@x.org?subject=Hi%20there&body=line%201%0d%0aline%20&lt;2&gt;");
  EXPECT_LE(MailtoAddress("a", "", std::string(2 << 20, 'x')).size(), size_t{1} << 20);
  EXPECT_EQ(Base64(std::string("\0user\0pass", 10)), "AHVzZXIAcGFzcw==");
  EXPECT_EQ(Base64("ab"), "YWI=");
}

TEST(MailTexts, ReplyLengthsFindWholeReplies) {
  EXPECT_EQ(SmtpReplyLength("250-first\r\n250 last\r\nnext"), 21u);
  EXPECT_EQ(SmtpReplyLength("250-first\r\n250 la"), 0u);
  EXPECT_EQ(SmtpReplyLength("354\r\n"), 5u);
  EXPECT_EQ(Pop3ListingLength("+OK 2 messages\r\n1 10\r\n2 20\r\n.\r\n"), 31u);
  EXPECT_EQ(Pop3ListingLength("+OK\r\n.\r\n"), 8u);
  EXPECT_EQ(Pop3ListingLength("+OK\r\n1 10\r\n"), 0u);
  EXPECT_EQ(Pop3ListingLength("-ERR no such message\r\n"), 22u);
}

TEST(SmtpClient, AcceptedExchangeSendsEveryCommandInOrder) {
  ScriptedStream s({"220 ready\r\n", "250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n",
                    "354 go\r\n", "250 queued\r\n", "221 bye\r\n"});
  std::vector<std::string> log;
  SmtpClient client(s, nullptr, [&](std::string_view l) { log.emplace_back(l); });
  std::string error;
  SmtpSettings settings;
  settings.server = "mail.x.org";
  ASSERT_TRUE(client.Send(settings, Sample(), SystemTime{}, &error)) << error;
  EXPECT_EQ(s.sent.find("HELO mail.x.org\r\nMAIL FROM: <me@here.org>\r\nRCPT TO: <a@x.org>\r\nRCPT TO: <b@y.org>\r\n"
                        "RCPT TO: <c@z.org>\r\nDATA\r\n"),
            0u);
  EXPECT_NE(s.sent.find("\r\n\r\nline one\r\n..dot line\r\n...\r\n.\r\nQUIT\r\n"), std::string::npos);
  EXPECT_EQ(log, (std::vector<std::string>{"    SMTP Sending message to \"a@x.org, b@y.org;c@z.org\"",
                                           "    SMTP Disconnecting..."}));
}

TEST(SmtpClient, RefusalsAndBrokenServersFailWithTheReason) {
  struct Case {
    std::deque<std::string> chunks;
    bool closeAtEnd;
    const char* error;
  } cases[] = {
      {{"554 go away\r\n"}, true, "SMTP server refused the connection: 554 go away"},
      {{"220 hi\r\n", "250 hello\r\n", "250 ok\r\n", "550 5.1.1 no such user\r\n", "221 bye\r\n"},
       true,
       "RCPT TO: <a@x.org> refused by the SMTP server: 550 5.1.1 no such user"},
      {{"220 hi\r\n", "250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "554 no\r\n"},
       true,
       "DATA refused by the SMTP server: 554 no"},
      {{"220 hi\r\n", "250-hel"}, true, "SMTP server closed the connection"},
      {{"220 hi\r\n"}, false, "SMTP server did not answer in time"},
      {{"220 hi\r\n", std::string(1 << 20, 'x') + "\r\n"}, true, "SMTP server sent a reply longer than 65536 bytes"},
  };
  for (Case& c : cases) {
    ScriptedStream s(c.chunks, c.closeAtEnd);
    SmtpClient client(s, nullptr, [](std::string_view) {});
    SmtpSettings settings;
    settings.server = "x";
    settings.timeoutMs = 50;
    std::string error;
    EXPECT_FALSE(client.Send(settings, Sample(), SystemTime{}, &error));
    EXPECT_EQ(error, c.error);
  }
}

TEST(SmtpClient, AuthenticatesWithTheMechanismTheServerOffers) {
  ScriptedStream plain({"220 hi\r\n", "250-x\r\n250-AUTH LOGIN PLAIN\r\n250 OK\r\n", "235 ok\r\n", "250 ok\r\n",
                        "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n", "221 bye\r\n"});
  SmtpSettings settings{"x", false, "user", "pass", 1000};
  std::string error;
  EXPECT_TRUE(SmtpClient(plain, nullptr, [](std::string_view) {}).Send(settings, Sample(), SystemTime{}, &error)) << error;
  EXPECT_NE(plain.sent.find("EHLO x\r\nAUTH PLAIN AHVzZXIAcGFzcw==\r\n"), std::string::npos);

  ScriptedStream login({"220 hi\r\n", "250-x\r\n250 AUTH LOGIN\r\n", "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n",
                        "535 bad credentials\r\n", "221 bye\r\n"});
  EXPECT_FALSE(SmtpClient(login, nullptr, [](std::string_view) {}).Send(settings, Sample(), SystemTime{}, &error));
  EXPECT_EQ(error, "AUTH LOGIN password refused by the SMTP server: 535 bad credentials");
  EXPECT_NE(login.sent.find("AUTH LOGIN\r\ndXNlcg==\r\ncGFzcw==\r\n"), std::string::npos);
}

TEST(Pop3, RetrievedMessagesGiveHeadersAndBody) {
  const std::string text =
      "+OK 120 octets\r\nReturn-Path: <x>\r\nFrom:  Ann <ann@x.org>\r\nTo: bob@y.org\r\nSubject: Lunch\r\n"
      "Message-ID: <1@x>\r\n\r\nAt noon?\r\n..dotted\r\n.\r\n";
  MailParts p = ParseRetrieved(text);
  EXPECT_EQ(p.from, "Ann <ann@x.org>");
  EXPECT_EQ(p.to, "bob@y.org");
  EXPECT_EQ(p.subject, "Lunch");
  EXPECT_EQ(p.body, "At noon?\r\n.dotted\r\n");
  EXPECT_FALSE(ParseRetrieved("+OK\r\nFrom: a\r\n\r\nbody\r\n.\r\n").body.has_value());
}

TEST(Pop3, LoginRefusalsNameTheirStep) {
  std::string error;
  ScriptedStream badUser({"+OK ready\r\n", "-ERR who?\r\n"});
  Pop3Client a(badUser, nullptr);
  EXPECT_TRUE(a.Greeting(&error));
  EXPECT_FALSE(a.Login("u", "p", &error));
  EXPECT_EQ(error, "Username error");
  ScriptedStream badPass({"+OK ready\r\n", "+OK\r\n", "-ERR no\r\n"});
  Pop3Client b(badPass, nullptr);
  EXPECT_TRUE(b.Greeting(&error));
  EXPECT_FALSE(b.Login("u", "", &error));
  EXPECT_EQ(error, "Password error");
  EXPECT_EQ(badPass.sent, "USER u\r\nPASS \r\n");
  ScriptedStream refused({"-ERR busy\r\n"});
  EXPECT_FALSE(Pop3Client(refused, nullptr).Greeting(&error));
  EXPECT_EQ(error, "No result");
}

TEST(EchoPacket, RequestAndReplyChecks) {
  const std::string request = EchoRequest(0x1234, 1);
  ASSERT_EQ(request.size(), 40u);
  EXPECT_EQ(request.substr(0, 1), "\x08");
  EXPECT_EQ(InternetChecksum(request), 0) << "a packet with its checksum sums to zero";
  EXPECT_EQ(request.substr(8), std::string(32, 'E'));

  std::string ip(20, '\0');
  ip[0] = 0x45;
  std::string reply = ip + request;
  reply[20] = 0;  // echo reply
  EXPECT_EQ(EchoReplyProblem(reply, 0x1234, "1.2.3.4"), std::nullopt);
  EXPECT_EQ(EchoReplyProblem(reply, 0x4321, "1.2.3.4"), "someone else's packet");
  reply[20] = 3;
  EXPECT_EQ(EchoReplyProblem(reply, 0x1234, "1.2.3.4"), "non-echo type received: 3");
  EXPECT_EQ(EchoReplyProblem(ip + std::string(2, '\0'), 0x1234, "1.2.3.4"), "Too few bytes from 1.2.3.4");
}

}  // namespace
}  // namespace plumo
