// The Internet actions against real servers on loopback ports (servers.py): HTTP and HTTPS,
// FTP, SMTP, POP3 (Dovecot), ping, and the programs they hand over to.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "actions/integration/internet/internet_actions.h"
#include "engine/engine_harness.h"
#include "engine/fake_variables.h"
#include "server_process.h"

namespace plumo {
namespace {

namespace fs = std::filesystem;

constexpr int kInternet = 11;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A scratch folder per test, removed afterwards.
fs::path Scratch(const std::string& name) {
  fs::path dir = fs::path(::testing::TempDir()) / ("plumo_internet_" + name + "_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// One self-signed certificate for 127.0.0.1 for the whole program, removed at its end.
const fs::path& Certificate() {
  static const struct Folder {
    Folder() : path(Scratch("certificate")) {
      const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -addext "
                                  "subjectAltName=IP:127.0.0.1,DNS:localhost -keyout " +
                                  (path / "key.pem").string() + " -out " + (path / "cert.pem").string() + " 2>/dev/null";
      if (std::system(command.c_str()) != 0) throw std::runtime_error("openssl could not make a certificate");
    }
    ~Folder() { fs::remove_all(path); }
    fs::path path;
  } folder;
  return folder.path;
}
std::string CertFile() { return (Certificate() / "cert.pem").string(); }
std::string KeyFile() { return (Certificate() / "key.pem").string(); }

// Trusts the test certificate for as long as it lives.
class TrustTestCertificate {
 public:
  TrustTestCertificate() { setenv("SSL_CERT_FILE", CertFile().c_str(), 1); }
  ~TrustTestCertificate() { unsetenv("SSL_CERT_FILE"); }
};

std::string Raised(std::string_view password) {
  std::string out(password);
  for (char& c : out) c = static_cast<char>(c + 3);
  return out;
}

class InternetTest : public EngineTest {
 protected:
  InternetTest() : vars(session.AttachVariables(std::make_unique<FakeVariables>(session.scripts))) {
    RegisterInternetActions(session, MakeNativeInternetPort());
    files.AddFolder("/data");
    files.AddFolder("/local");
  }

  int Exec(Step step) {
    step.category = kInternet;
    Load({step});
    const Executor* executor = session.executors.Find(kInternet, step.action.str());
    return (*executor)(session, 0, 0, false);
  }
  std::optional<bool> Condition(std::string_view text, std::string_view options) {
    Step step = MakeStep("IF Internet", 14, text);
    step.options = options;
    Load({step});
    return (*session.conditions.Find("IF Internet"))(session, 0, 0);
  }
  Step Into(Step step, std::string_view variable = "%r") {
    step.output = "Variable";
    step.outputValue = variable;
    return step;
  }
  std::string Error() { return session.run.errorText; }

  FakeVariables& vars;
};

// ---- HTTP ----

class HttpTest : public InternetTest {
 protected:
  static void SetUpTestSuite() { server = std::make_unique<ServerProcess>(std::vector<std::string>{"http"}); }
  static void TearDownTestSuite() { server.reset(); }
  static std::string Url(std::string_view path) { return "http://" + server->address() + std::string(path); }
  static std::unique_ptr<ServerProcess> server;
};
std::unique_ptr<ServerProcess> HttpTest::server;

TEST_F(HttpTest, GetWebPageTextStoresThePageAsTextAndTheStatus) {
  EXPECT_EQ(session.HttpStatus(), "(undefined)");
  ASSERT_EQ(Exec(Into(MakeStep("Get Web Page Text", kInternet, Url("/redirect")))), result::kSuccess) << Error();
  EXPECT_EQ(vars.Get("r"), "Plumo test page\r\n\r\nWelcome\r\n\r\nFish & chips today\r\nsecond line\r\n\r\n"
                           "* one\r\n* Two link\r\nDownload setup");
  EXPECT_EQ(session.HttpStatus(), "200");
  // An error page is still a page: its text is the result and the status tells.
  ASSERT_EQ(Exec(Into(MakeStep("Get Web Page Text", kInternet, Url("/status/404")))), result::kSuccess);
  EXPECT_EQ(vars.Get("r"), "Status 404 page");
  EXPECT_EQ(session.HttpStatus(), "404");
  ASSERT_EQ(Exec(Into(MakeStep("Download", kInternet, Url("/agent")))), result::kSuccess);
  EXPECT_EQ(vars.Get("r"), "Plumo");
}

TEST_F(HttpTest, DownloadWritesTheWholeFileOrNothing) {
  const fs::path dir = Scratch("download");
  const fs::path good = dir / "good.bin";
  std::ofstream(good) << "the old content";
  Step step = MakeStep("Download", kInternet, Url("/bytes?size=100000"));
  step.output = "File";
  step.outputValue = (dir / "out.bin").string();
  ASSERT_EQ(Exec(step), result::kSuccess) << Error();
  const std::string content = Slurp(dir / "out.bin");
  ASSERT_EQ(content.size(), 100000u);
  EXPECT_EQ(static_cast<unsigned char>(content[99999]), 99999 % 256);

  struct Case {
    const char* path;
    std::string file;
    const char* error;
  } failures[] = {
      {"/status/404", good.string(), "HTTP status 404"},
      {"/broken", good.string(), "(after 5000 bytes)"},
      {"/status/500", good.string(), "HTTP status 500"},
      {"/page.html", (dir / "missing" / "x.bin").string(), "Create File Error "},
  };
  for (const Case& c : failures) {
    step.text = Url(c.path);
    step.outputValue = c.file;
    EXPECT_EQ(Exec(step), result::kFailure) << c.path;
    EXPECT_NE(Error().find(c.error), std::string::npos) << Error();
  }
  EXPECT_EQ(Slurp(good), "the old content");
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++files;
  EXPECT_EQ(files, 2u) << "no temporary file is left";
  fs::remove_all(dir);
}

TEST_F(HttpTest, ALargeDownloadArrivesWhole) {
  const fs::path dir = Scratch("large");
  Step step = MakeStep("Download", kInternet, Url("/bytes?size=104857600"));
  step.output = "File";
  step.outputValue = (dir / "big.bin").string();
  ASSERT_EQ(Exec(step), result::kSuccess) << Error();
  EXPECT_EQ(fs::file_size(dir / "big.bin"), 104857600u);
  EXPECT_TRUE(OutputHas("    Saved 104857600 byte(s) to file [" + (dir / "big.bin").string() + "]"));
  fs::remove_all(dir);
}

TEST_F(HttpTest, PostSendsFormData) {
  ASSERT_EQ(Exec(Into(MakeStep("HTTP Post", kInternet, Url("/form?q=hello world&x=1")))), result::kSuccess) << Error();
  EXPECT_EQ(vars.Get("r"), "/form|application/x-www-form-urlencoded|q=hello+world&x=1");
  Step data = Into(MakeStep("HTTP Post", kInternet, Url("/api")));
  data.value1 = "a=1&b=two";
  ASSERT_EQ(Exec(data), result::kSuccess) << Error();
  EXPECT_EQ(vars.Get("r"), "/api|application/x-www-form-urlencoded|a=1&b=two");
}

TEST_F(HttpTest, ExtractFindsLinksOnTheFetchedPage) {
  Step step = Into(MakeStep("Extract Web Tag/Link", kInternet, Url("/page.html")));
  step.value1 = "Download setup";
  step.options = "Link HREF (Absolute)";
  ASSERT_EQ(Exec(step), result::kSuccess) << Error();
  EXPECT_EQ(vars.Get("r"), Url("/download/setup.zip"));
  step.value1 = "missing words";
  EXPECT_EQ(Exec(step), result::kFailure);
  EXPECT_EQ(Error(), "No tag or link around \"missing words\" on the page");
}

TEST_F(HttpTest, IfInternetTestsTheAddress) {
  struct Case {
    std::string address;
    bool reachable;
  } cases[] = {
      {Url("/page.html"), true},     {Url("/status/401"), true},  {Url("/status/400"), false},
      {Url("/status/404"), false},   {Url("/status/410"), false}, {Url("/status/500"), false},
      {Url("/status/502"), false},   {Url("/status/503"), false}, {"http://127.0.0.1:1/", false},
      {Url("/hang"), false},  // never answers: the test gives up after its time-out
  };
  for (const Case& c : cases) EXPECT_EQ(Condition(c.address, "Link"), c.reachable) << c.address;
  EXPECT_EQ(session.HttpStatus(), "");
  EXPECT_EQ(Condition("", "Link"), std::nullopt);
  EXPECT_EQ(Error(), "Missing Parameters");
}

TEST_F(HttpTest, FailuresSayWhy) {
  EXPECT_EQ(Exec(MakeStep("Get Web Page Text", kInternet, "")), result::kFailure);
  EXPECT_EQ(Error(), "Missing Parameters");
  EXPECT_EQ(Exec(MakeStep("Get Web Page Text", kInternet, "http://127.0.0.1:1/x")), result::kFailure);
  EXPECT_EQ(Error().rfind("InternetOpenUrl http://127.0.0.1:1/x: ", 0), 0u) << Error();
}

TEST_F(InternetTest, HttpsRefusesUntrustedCertificatesAndUsesTrustedOnes) {
  ServerProcess server({"https", "--cert", CertFile(), "--key", KeyFile()});
  const std::string url = "https://127.0.0.1:" + std::to_string(server.port()) + "/agent";
  EXPECT_EQ(Exec(Into(MakeStep("Download", kInternet, url))), result::kFailure);
  EXPECT_NE(Error().find("certificate"), std::string::npos) << Error();
  TrustTestCertificate trust;
  ASSERT_EQ(Exec(Into(MakeStep("Download", kInternet, url))), result::kSuccess) << Error();
  EXPECT_EQ(vars.Get("r"), "Plumo");
}

// ---- FTP ----

class FtpTest : public InternetTest {
 protected:
  void SetUp() override {
    root = Scratch("ftp");
    fs::create_directories(root / "pub" / "old");
    std::ofstream(root / "pub" / "a.txt") << "alpha";
    std::ofstream(root / "pub" / "b.txt") << "beta";
    std::ofstream(root / "pub" / "c.jpg") << "picture";
    server = std::make_unique<ServerProcess>(
        std::vector<std::string>{"ftp", "--dir", root.string(), "--user", "ann", "--password", "secret"});
  }
  void TearDown() override {
    server.reset();
    fs::remove_all(root);
  }
  Step Ftp(std::string_view action, std::string_view path) {
    Step step = Into(MakeStep(action, kInternet, server->address() + "/" + std::string(path)));
    step.value3 = "ann";
    step.value2 = Raised("secret");
    return step;
  }
  fs::path root;
  std::unique_ptr<ServerProcess> server;
};

TEST_F(FtpTest, ListDownloadUploadAndDelete) {
  ASSERT_EQ(Exec(Ftp("FTP File List", "pub/*.txt")), result::kSuccess) << Error();
  EXPECT_EQ(vars.Get("r"), "a.txt\r\nb.txt");
  ASSERT_EQ(Exec(Ftp("FTP File List", "pub")), result::kSuccess) << Error();
  EXPECT_EQ(vars.Get("r"), "a.txt\r\nb.txt\r\nc.jpg\r\nold");

  ASSERT_EQ(Exec(Ftp("FTP Download", "pub/b.txt")), result::kSuccess) << Error();
  EXPECT_EQ(vars.Get("r"), "beta");
  Step toFile = Ftp("FTP Download", "pub/c.jpg");
  toFile.output = "File";
  toFile.outputValue = "/local/c.jpg";
  ASSERT_EQ(Exec(toFile), result::kSuccess) << Error();
  EXPECT_EQ(files.Content("/local/c.jpg"), "picture");

  files.Put("/local/up.bin", std::string("up\0loaded", 9));
  Step up = Ftp("FTP Upload", "pub/up.bin");
  up.value1 = "/local/up.bin";
  ASSERT_EQ(Exec(up), result::kSuccess) << Error();
  EXPECT_EQ(Slurp(root / "pub" / "up.bin"), std::string("up\0loaded", 9));

  ASSERT_EQ(Exec(Ftp("FTP Delete File", "pub/a.txt")), result::kSuccess) << Error();
  EXPECT_FALSE(fs::exists(root / "pub" / "a.txt"));
  ASSERT_EQ(Exec(Ftp("FTP Create Folder", "pub/new")), result::kSuccess) << Error();
  EXPECT_TRUE(fs::is_directory(root / "pub" / "new"));
  ASSERT_EQ(Exec(Ftp("FTP Delete Folder", "pub/old")), result::kSuccess) << Error();
  EXPECT_FALSE(fs::exists(root / "pub" / "old"));
}

TEST_F(FtpTest, FailuresNameTheOperation) {
  struct Case {
    Step step;
    const char* error;
  } cases[] = {
      {Ftp("FTP Download", "pub/missing.txt"), "FTP Open File Error "},
      {Ftp("FTP Delete File", "pub/missing.txt"), "Delete File Error "},
      {Ftp("FTP Delete Folder", "pub/missing"), "Remove Directory Error "},
      {Ftp("FTP Create Folder", "pub/old"), "Create Directory Error "},
      {Ftp("FTP File List", "nowhere/*.txt"), "FTP LIST Error "},
  };
  for (Case& c : cases) {
    EXPECT_EQ(Exec(c.step), result::kFailure) << c.step.text;
    EXPECT_EQ(Error().rfind(c.error, 0), 0u) << Error();
  }
  Step wrong = Ftp("FTP File List", "pub");
  wrong.value2 = "secret";  // not raised as stored Scripts hold it
  EXPECT_EQ(Exec(wrong), result::kFailure);
  EXPECT_EQ(Error(), "InternetConnect Error");
  EXPECT_EQ(std::string(StepAt(0).value2), "secret") << "the Step is unchanged";
}

// ---- SMTP ----

class SmtpTest : public InternetTest {
 protected:
  void SetUp() override { dir = Scratch("smtp"); }
  void TearDown() override { fs::remove_all(dir); }
  std::unique_ptr<ServerProcess> Start(std::vector<std::string> args) {
    args.insert(args.end(), {"--dir", dir.string()});
    return std::make_unique<ServerProcess>(args);
  }
  Step Mail(const ServerProcess& server, std::string_view recipients) {
    Step step = MakeStep("Send Email: SMTP", kInternet, "Hello,\r\n.\r\nA line with a dot above.");
    step.value3 = "127.0.0.1";
    step.value4 = "Greetings";
    step.value5 = "me@here.org";
    step.value6 = recipients;
    step.value7 = std::to_string(server.port());
    return step;
  }
  std::vector<std::string> Received() {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path().extension() == ".eml") out.push_back(Slurp(e.path()));
    std::sort(out.begin(), out.end());
    return out;
  }
  fs::path dir;
};

TEST_F(SmtpTest, MessageArrivesHeaderByHeader) {
  auto server = Start({"smtp"});
  ASSERT_EQ(Exec(Mail(*server, "a@x.org, b@y.org;c@z.org")), result::kSuccess) << Error();
  const std::vector<std::string> got = Received();
  ASSERT_EQ(got.size(), 1u);
  std::istringstream lines(got[0]);
  std::vector<std::string> header;
  for (std::string line; std::getline(lines, line) && line != "\r";) header.push_back(line);
  ASSERT_EQ(header.size(), 9u) << got[0];
  EXPECT_EQ(header[0], "X-Envelope-From: me@here.org\r");
  EXPECT_EQ(header[1], "X-Envelope-To: a@x.org,b@y.org,c@z.org\r");
  EXPECT_EQ(header[3].rfind("DATE: ", 0), 0u);
  EXPECT_EQ(header[4], "FROM: me@here.org\r");
  EXPECT_EQ(header[5], "To: a@x.org, b@y.org;c@z.org\r");
  EXPECT_EQ(header[6], "Subject: Greetings\r");
  EXPECT_EQ(header[7], "MIME-Version: 1.0\r");
  EXPECT_EQ(header[8], "Content-type: text/plain; charset=US-ASCII\r");
  EXPECT_NE(got[0].find("\r\n\r\nHello,\r\n.\r\nA line with a dot above.\r\n"), std::string::npos);
  for (const char* line : {"    SMTP Connecting to 127.0.0.1...", "    SMTP Sending message to \"a@x.org, b@y.org;c@z.org\"",
                           "    SMTP Disconnecting...", "    SMTP Success!"})
    EXPECT_TRUE(OutputHas(line)) << line;
}

TEST_F(SmtpTest, RefusedRecipientFailsWithTheServersText) {
  auto server = Start({"smtp", "--reject", "nobody"});
  EXPECT_EQ(Exec(Mail(*server, "a@x.org;nobody@x.org")), result::kFailure);
  EXPECT_EQ(Error(), "RCPT TO: <nobody@x.org> refused by the SMTP server: 550 5.1.1 <nobody@x.org>: Recipient address rejected");
  EXPECT_TRUE(Received().empty());
  EXPECT_EQ(Exec(Mail(*server, "a@x.org")), result::kSuccess) << "the server is still usable: " << Error();
}

TEST_F(SmtpTest, TlsAndAuthentication) {
  auto starttls = Start({"smtp", "--cert", CertFile(), "--key", KeyFile(), "--user", "ann", "--password", "pw"});
  Step step = Mail(*starttls, "a@x.org");
  step.options = "STARTTLS";
  step.value1 = "ann";
  step.value2 = Raised("pw");
  EXPECT_EQ(Exec(step), result::kFailure) << "an untrusted certificate is refused";
  EXPECT_EQ(Error().rfind("SMTP TLS error: ", 0), 0u) << Error();
  TrustTestCertificate trust;
  ASSERT_EQ(Exec(step), result::kSuccess) << Error();
  auto smtps = Start({"smtps", "--cert", CertFile(), "--key", KeyFile()});
  Step implicit = Mail(*smtps, "b@x.org");
  implicit.options = "SSL";
  ASSERT_EQ(Exec(implicit), result::kSuccess) << Error();
  const std::vector<std::string> got = Received();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_NE(got[0].find("X-Auth: ann\r\nX-TLS: True"), std::string::npos) << got[0];
  EXPECT_NE(got[1].find("X-TLS: True"), std::string::npos) << got[1] << "\n---\n" << got[0];
  step.value2 = Raised("wrong");
  EXPECT_EQ(Exec(step), result::kFailure);
  EXPECT_EQ(Error().rfind("AUTH PLAIN refused by the SMTP server: 535", 0), 0u) << "[" << Error() << "]";
}

TEST_F(SmtpTest, NoServerIsAnInvalidSocket) {
  Step step = MakeStep("Send Email: SMTP", kInternet, "body");
  step.value3 = "127.0.0.1";
  step.value7 = "1";
  EXPECT_EQ(Exec(step), result::kFailure);
  EXPECT_EQ(Error(), "Invalid socket");
}

// ---- POP3 ----

class Pop3Test : public InternetTest {
 protected:
  void SetUp() override {
    dir = Scratch("pop3");
    fs::create_directories(dir / "messages");
    std::ofstream(dir / "messages" / "1.eml") << "From: Ann <ann@x.org>\nTo: bob@y.org\nSubject: Lunch\n"
                                                 "Message-ID: <1@x.org>\n\nAt noon?\n.with a dot\n";
    std::ofstream(dir / "messages" / "2.eml") << "From: cat@z.org\nTo: bob@y.org\nSubject: No id\n\nBody two\n";
    std::ofstream(dir / "messages" / "3.eml") << "From: dan@w.org\nSubject: Third\nMessage-ID: <3@w.org>\n\nThree\n";
    server = std::make_unique<ServerProcess>(std::vector<std::string>{
        "pop3", "--dir", (dir / "server").string(), "--messages", (dir / "messages").string(), "--user", "bob",
        "--password", "pw", "--cert", CertFile(), "--key", KeyFile()});
  }
  void TearDown() override {
    server.reset();
    fs::remove_all(dir);
  }
  Step Check(std::string_view number, std::string_view options, std::string_view action = "Check Email: POP3") {
    Step step = Into(MakeStep(action, kInternet, "127.0.0.1"));
    step.value2 = Raised("pw");
    step.value3 = "bob";
    step.value4 = number;
    step.value5 = std::to_string(server->port());
    step.options = options;
    return step;
  }
  fs::path dir;
  std::unique_ptr<ServerProcess> server;
};

TEST_F(Pop3Test, CheckEmailStoresWhatTheOptionsAsk) {
  struct Case {
    const char* number;
    const char* options;
    std::string expected;
  } cases[] = {
      {"", "", "3"},
      {"2", "Total Email Count", "3"},
      {"1", "Get From", "Ann <ann@x.org>"},
      {"1", "Get To", "bob@y.org"},
      {"1", "Get Subject", "Lunch"},
      {"1", "Get Body", "At noon?\r\n.with a dot\r\n"},
      {"1", "From + To + Subj + Body", "From: Ann <ann@x.org>\r\nTo: bob@y.org\r\nSubject: Lunch\r\n\r\nAt noon?\r\n.with a dot\r\n"},
      {"2", "Get Size", "60"},
      {"2", "Get From", "cat@z.org"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Exec(Check(c.number, c.options)), result::kSuccess) << c.options << ": " << Error();
    EXPECT_EQ(vars.Get("r"), c.expected) << c.number << " " << c.options;
  }
  ASSERT_EQ(Exec(Check("2", "Raw Email")), result::kSuccess) << Error();
  EXPECT_EQ(vars.Get("r").rfind("+OK", 0), 0u);
  EXPECT_NE(vars.Get("r").find("Subject: No id\r\n\r\nBody two\r\n.\r\n"), std::string::npos) << vars.Get("r");
  EXPECT_EQ(Exec(Check("2", "Get Body")), result::kFailure);
  EXPECT_EQ(Error(), "POP3 message 2 has no Message-ID header, so its body cannot be read");
  EXPECT_EQ(Exec(Check("9", "Get Body")), result::kFailure);
  EXPECT_EQ(Error().rfind("RETR refused by the POP3 server: -ERR", 0), 0u) << Error();
}

TEST_F(Pop3Test, DeleteRemovesTheMessage) {
  ASSERT_EQ(Exec(Check("3", "", "Delete Email: POP3")), result::kSuccess) << Error();
  ASSERT_EQ(Exec(Check("", "")), result::kSuccess) << Error();
  EXPECT_EQ(vars.Get("r"), "2");
  EXPECT_EQ(Exec(Check("7", "", "Delete Email: POP3")), result::kFailure);
  EXPECT_EQ(Error().rfind("DELE refused by the POP3 server: -ERR", 0), 0u) << Error();
}

TEST_F(Pop3Test, LoginAndConnectionFailures) {
  Step wrong = Check("", "");
  wrong.value2 = Raised("nope");
  EXPECT_EQ(Exec(wrong), result::kFailure);
  EXPECT_EQ(Error(), "Password error");
  Step nowhere = Check("", "");
  nowhere.value5 = "1";
  EXPECT_EQ(Exec(nowhere), result::kFailure);
  EXPECT_EQ(Error(), "Unable to connect to POP3 server \"127.0.0.1\"");
  EXPECT_TRUE(OutputHas("    Connect POP3 Server Fail: 111"));
}

TEST_F(Pop3Test, Pop3sWithATrustedCertificate) {
  TrustTestCertificate trust;
  Step step = Check("", "SSL");
  step.value5 = std::to_string(server->sslPort());
  ASSERT_EQ(Exec(step), result::kSuccess) << Error();
  EXPECT_EQ(vars.Get("r"), "3");
}

// ---- Ping and the programs ----

TEST_F(InternetTest, PingAnswersForTheLoopback) {
  ASSERT_EQ(Exec(Into(MakeStep("Ping IP Address", kInternet, "127.0.0.1"))), result::kSuccess) << Error();
  EXPECT_GE(std::atoi(vars.Get("r").c_str()), 1);
  EXPECT_EQ(Exec(MakeStep("Ping IP Address", kInternet, "no-such-host.invalid")), result::kFailure);
  EXPECT_EQ(Error().rfind("ping request failed: ", 0), 0u) << Error();
}

TEST_F(InternetTest, ProgramsGetTheAddresses) {
  const fs::path bin = Scratch("programs");
  const fs::path log = bin / "calls.txt";
  for (const char* name : {"xdg-open", "xdg-email", "browser"}) {
    std::ofstream(bin / name) << "#!/bin/sh\necho \"" << name << " $*\" >> " << log.string() << "\n";
    chmod((bin / name).c_str(), 0755);
  }
  const std::string oldPath = std::getenv("PATH");
  setenv("PATH", (bin.string() + ":/usr/bin:/bin").c_str(), 1);
  Step mailto = MakeStep("Send Email: mailto", kInternet, "line 1\r\nline 2");
  mailto.value3 = "a@x.org";
  mailto.value4 = "Hi there";
  EXPECT_EQ(Exec(mailto), result::kSuccess) << Error();
  EXPECT_EQ(Exec(MakeStep("Open a Web Page", kInternet, "www.example.org/x")), result::kSuccess) << Error();
  EXPECT_EQ(Exec(MakeStep("Start Email", kInternet)), result::kSuccess) << Error();
  setenv("BROWSER", (bin / "browser").c_str(), 1);
  EXPECT_EQ(Exec(MakeStep("Start Browser", kInternet)), result::kSuccess) << Error();
  unsetenv("BROWSER");
  EXPECT_EQ(Exec(MakeStep("Send Email: MAPI", kInternet)), result::kFailure);
  EXPECT_EQ(Error().rfind("Send Email: MAPI is not available: ", 0), 0u);
  setenv("PATH", "/nonexistent", 1);
  EXPECT_EQ(Exec(MakeStep("Start Email", kInternet)), result::kFailure);
  setenv("PATH", oldPath.c_str(), 1);
  // The programs run in the background: wait for all four lines.
  std::string calls;
  for (int i = 0; i < 200 && std::count(calls.begin(), calls.end(), '\n') < 4; ++i) {
    usleep(10000);
    calls = Slurp(log);
  }
  EXPECT_NE(calls.find("xdg-open mailto:a@x.org?subject=Hi%20there&body=line%201%0d%0aline%202\n"), std::string::npos) << calls;
  EXPECT_NE(calls.find("xdg-open http://www.example.org/x\n"), std::string::npos) << calls;
  EXPECT_NE(calls.find("xdg-email \n"), std::string::npos) << calls;
  EXPECT_NE(calls.find("browser \n"), std::string::npos) << calls;
  fs::remove_all(bin);
}

}  // namespace
}  // namespace plumo
