// The executor of category 11: a table of the actions by name, and the ones that hand over to
// other programs (browser, mail program, mailto, MAPI).
#include "actions/integration/internet/internet_actions.h"

#include "actions/integration/internet/internet_family.h"
#include "actions/integration/internet/mail_protocols.h"
#include "actions/integration/internet/web_text.h"
#include "base/text.h"
#include "engine/run_log.h"
#include "scripts/action_catalog.h"

namespace plumo {
namespace {

constexpr int kCategory = category::kInternet;
constexpr uint32_t kShellStarted = 32;

int StartBrowser(InternetContext& c) {
  if (OsError e = c.family.port->programs().StartBrowser(""); !e)
    return c.session.Fail("Could not start the web browser: " + e.message());
  return result::kSuccess;
}

int StartEmail(InternetContext& c) {
  if (OsError e = c.family.port->programs().StartMailProgram(); !e)
    return c.session.Fail("Could not start the e-mail program: " + e.message());
  return result::kSuccess;
}

int OpenWebPage(InternetContext& c) {
  const std::string address = WithScheme(c.Expand(c.step.text));
  if (address.empty()) return c.session.Fail("Missing Parameters");
  if (OsError e = c.family.port->programs().StartBrowser(address); !e)
    return c.session.Fail("Could not open the web page: " + e.message());
  return result::kSuccess;
}

int SendMailto(InternetContext& c) {
  const std::string address =
      MailtoAddress(c.Expand(c.step.value3), c.Expand(c.step.value4), c.Expand(c.step.text));
  const uint32_t code = c.family.port->programs().OpenAddress(address);
  if (code <= kShellStarted) return c.session.Fail(FormatText("The mail program could not be started (%u)", code));
  return result::kSuccess;
}

int SendMapi(InternetContext& c) {
  MapiMail message;
  message.recipients = SplitRecipients(c.Expand(c.step.value3));
  message.subject = c.Expand(c.step.value4);
  message.body = c.Expand(c.step.text);
  if (OsError e = c.family.port->programs().SendMapiMail(message); !e) {
    if (e.call() == "LoadLibrary") return c.session.Fail("Send Email: MAPI is not available: " + e.message());
    return c.session.Fail(FormatText("%s failed (%u)", e.call().c_str(), e.code()));
  }
  return result::kSuccess;
}

using InternetAction = int (*)(InternetContext& c);
struct ActionRow {
  std::string_view name;
  InternetAction run;
};
constexpr ActionRow kActions[] = {
    {"Start Browser", StartBrowser},
    {"Start Email", StartEmail},
    {"Open a Web Page", OpenWebPage},
    {"Get Web Page Text", GetWebPageText},
    {"Extract Web Tag/Link", ExtractWebTagAction},
    {"Download", DownloadAction},
    {"HTTP Post", HttpPostAction},
    {"Check Email: POP3", CheckPop3Action},
    {"Delete Email: POP3", DeletePop3Action},
    {"Send Email: SMTP", SendSmtpAction},
    {"Send Email: MAPI", SendMapi},
    {"Send Email: mailto", SendMailto},
    {"FTP File List", FtpAction},
    {"FTP Download", FtpAction},
    {"FTP Upload", FtpAction},
    {"FTP Delete File", FtpAction},
    {"FTP Create Folder", FtpAction},
    {"FTP Delete Folder", FtpAction},
    {"Ping IP Address", PingAction},
};

}  // namespace

std::string LowerStoredPassword(std::string_view stored) {
  std::string out(stored);
  for (char& ch : out)
    if (ch != '\n') ch = static_cast<char>(static_cast<uint8_t>(ch) - 3);
  return out;
}

std::string InternetContext::Password() { return Expand(LowerStoredPassword(step.value2)); }

std::optional<std::string> InternetContext::OutputFile() {
  std::string_view kind = step.output;
  if (kind.empty() || kind[0] == 'V' || kind[0] == 'v' || kind[0] == 'M' || ContainsNoCase(kind, "Env") ||
      ContainsNoCase(kind, "clip") || !ContainsNoCase(kind, "File") || step.outputValue.empty())
    return std::nullopt;
  return Expand(step.outputValue);
}

bool InternetContext::WriteOutputFile(const std::string& path, std::string_view data, const char* failure) {
  bool created = false;
  if (OsError e = session.files().ReplaceContent(path, data, &created); !e) {
    session.SetError(FormatText(failure, e.code()) + ": " + e.message());
    return false;
  }
  LogFormat(session, "    Saved %lu byte(s) to file [%s]", static_cast<unsigned long>(data.size()), path.c_str());
  return true;
}

void InternetContext::Log(std::string_view line) { LogLine(session, line); }

void RegisterInternetActions(Session& session, std::shared_ptr<InternetPort> port) {
  auto family = std::make_shared<InternetFamily>();
  family->port = std::move(port);
  session.executors.Register(kCategory, [family](Session& s, int slot, int index, bool) {
    Step& step = s.scripts.At(slot)->steps[static_cast<size_t>(index)];
    InternetContext c{s, *family, slot, index, step};
    for (const ActionRow& row : kActions)
      if (EqualsNoCase(step.action, row.name)) return row.run(c);
    const std::string text = FormatText("Unknown Action (%d) \"%s\"", step.category, step.action.c_str());
    s.SetError(text);
    LogLine(s, "    " + text);
    return result::kSuccess;
  });
  session.conditions.Register("Internet", [family](Session& s, int slot, int index) {
    Step& step = s.scripts.At(slot)->steps[static_cast<size_t>(index)];
    InternetContext c{s, *family, slot, index, step};
    return InternetCondition(c);
  });
  session.AddFinishHook(FinishPhase::kHelpers, [family](Session&, int) {
    family->ftp.reset();
    family->ftpKey.clear();
  });
}

}  // namespace plumo
