// The HTTP actions: Get Web Page Text, Download, HTTP Post, Extract Web Tag/Link, and the
// address test of IF Internet.
#include <algorithm>
#include <new>

#include "actions/integration/internet/internet_family.h"
#include "actions/integration/internet/web_text.h"
#include "base/text.h"
#include "engine/run_log.h"

namespace plumo {
namespace {

// Requests that show their progress wait longer than address tests.
constexpr uint32_t kProgressTimeoutMs = 20000;
constexpr uint32_t kTestTimeoutMs = 3000;
constexpr int kConnectRetries = 3;
constexpr size_t kFirstBuffer = 64 * 1024;
constexpr size_t kBodyLimit = size_t{1} << 30;
constexpr size_t kProgressStep = 64 * 1024;
constexpr size_t kMegabyte = 1024 * 1024;
// The statuses for which an address test fails.
constexpr std::string_view kDeadStatus[] = {"400", "404", "410", "500", "502", "503"};
constexpr int kFirstErrorStatus = 400;

void ShowProgress(Session& session, size_t bytes) {
  if (bytes < kMegabyte) {
    StatusText(session, 0, false, FormatText(" %li KB downloaded...", static_cast<long>(bytes / 1024)));
  } else {
    const size_t tenths = bytes * 10 / kMegabyte;
    StatusText(session, 0, false,
               FormatText(" %d.%d MB downloaded...", static_cast<int>(tenths / 10), static_cast<int>(tenths % 10)));
  }
}

// The body of the request into *body; false with the error text set. {http_status} follows.
bool Fetch(InternetContext& c, const std::string& address, bool post, const std::string& form, std::string* body,
           std::string* status = nullptr) {
  if (address.empty()) {
    c.session.Fail("Missing Parameters");
    return false;
  }
  WebRequest request;
  request.url = address;
  request.post = post;
  request.form = form;
  request.timeoutMs = kProgressTimeoutMs;
  request.connectRetries = kConnectRetries;
  std::string code;
  bool outOfMemory = false;
  bool stopped = false;
  size_t shown = 0;
  OsError e;
  try {
    body->reserve(kFirstBuffer);
    e = c.family.port->web().Request(request, &code, [&](std::string_view piece) {
      if (c.Stopped()) {
        stopped = true;
        return false;
      }
      if (body->size() + piece.size() > kBodyLimit) {
        outOfMemory = true;
        return false;
      }
      body->append(piece);
      if (body->size() - shown >= kProgressStep) {
        shown = body->size();
        ShowProgress(c.session, shown);
      }
      return true;
    });
  } catch (const std::bad_alloc&) {
    outOfMemory = true;
  }
  c.session.SetHttpStatus(code);
  if (status) *status = code;
  if (outOfMemory) {
    body->clear();
    c.session.Fail("Memory allocation error");
    return false;
  }
  if (stopped) {
    c.session.Fail("The transfer was stopped");
    return false;
  }
  if (!e) {
    // A transfer that broke off is a failure, never a shorter result.
    if (body->empty()) c.session.Fail(FormatText("InternetOpenUrl %s: %s", address.c_str(), e.message().c_str()));
    else c.session.Fail(FormatText("%s (after %lu bytes)", e.message().c_str(), static_cast<unsigned long>(body->size())));
    return false;
  }
  ShowProgress(c.session, body->size());
  return true;
}

}  // namespace

int GetWebPageText(InternetContext& c) {
  std::string body;
  if (!Fetch(c, WithScheme(c.Expand(c.step.text)), false, "", &body)) return result::kFailure;
  c.Store(HtmlToText(body));
  return result::kSuccess;
}

int DownloadAction(InternetContext& c) {
  std::string body, status;
  const std::optional<std::string> file = c.OutputFile();
  if (!Fetch(c, WithScheme(c.Expand(c.step.text)), false, "", &body, &status)) return result::kFailure;
  // An error page is no download: nothing is saved.
  if (std::atoi(status.c_str()) >= kFirstErrorStatus) return c.session.Fail("HTTP status " + status);
  if (file) return c.WriteOutputFile(*file, body, "Create File Error %d") ? result::kSuccess : result::kFailure;
  c.Store(body);
  return result::kSuccess;
}

int HttpPostAction(InternetContext& c) {
  const PostForm form = SplitPostForm(WithScheme(c.Expand(c.step.text)), c.Expand(c.step.value1));
  std::string body;
  if (!Fetch(c, form.address, true, form.data, &body)) return result::kFailure;
  c.Store(body);
  return result::kSuccess;
}

int ExtractWebTagAction(InternetContext& c) {
  const std::string address = WithScheme(c.Expand(c.step.text));
  const std::string search = c.Expand(c.step.value1);
  std::string body;
  if (!Fetch(c, address, false, "", &body)) return result::kFailure;
  std::optional<std::string> found = ExtractWebTag(body, search, c.step.options, address);
  if (!found) return c.session.Fail(FormatText("No tag or link around \"%s\" on the page", search.c_str()));
  c.Store(*found);
  return result::kSuccess;
}

std::optional<bool> InternetCondition(InternetContext& c) {
  Web& web = c.family.port->web();
  if (!ContainsNoCase(c.step.options, "Link")) return web.Connected();
  WebRequest request;
  request.url = WithScheme(c.Expand(c.step.text));
  if (request.url.empty()) {
    c.session.SetError("Missing Parameters");
    return std::nullopt;
  }
  request.timeoutMs = kTestTimeoutMs;
  request.connectRetries = kConnectRetries;
  std::string status;
  const OsError e = web.Request(request, &status, nullptr);
  c.session.SetHttpStatus(status);
  if (c.session.run.logLevel >= 1)
    LogLine(c.session, "    Link: [" + request.url + "] " + (e ? "status " + status : e.message()));
  return e && std::find(std::begin(kDeadStatus), std::end(kDeadStatus), status) == std::end(kDeadStatus);
}

}  // namespace plumo
