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

WebRequest MakeRequest(const std::string& address, bool post = false, const std::string& form = "") {
  WebRequest request;
  request.url = address;
  request.post = post;
  request.form = form;
  request.timeoutMs = kProgressTimeoutMs;
  request.connectRetries = kConnectRetries;
  return request;
}

// Shows the progress now and then; false when the run is to stop.
class Progress {
 public:
  explicit Progress(InternetContext& c) : c_(c) {}
  bool Went(size_t bytes) {
    if (c_.Stopped()) {
      stopped = true;
      return false;
    }
    if (bytes - shown_ >= kProgressStep) {
      shown_ = bytes;
      ShowProgress(c_.session, bytes);
    }
    return true;
  }
  bool stopped = false;

 private:
  InternetContext& c_;
  size_t shown_ = 0;
};

// The error text of a transfer that failed after `bytes` bytes of its body.
int TransferFailed(InternetContext& c, const std::string& address, const OsError& e, size_t bytes, bool stopped) {
  if (stopped) return c.session.Fail("The transfer was stopped");
  // A transfer that broke off is a failure, never a shorter result.
  if (bytes == 0) return c.session.Fail(FormatText("InternetOpenUrl %s: %s", address.c_str(), e.message().c_str()));
  return c.session.Fail(FormatText("%s (after %lu bytes)", e.message().c_str(), static_cast<unsigned long>(bytes)));
}

// The body of the request into *body; false with the error text set. {http_status} follows.
bool Fetch(InternetContext& c, const std::string& address, bool post, const std::string& form, std::string* body,
           std::string* status = nullptr) {
  if (address.empty()) {
    c.session.Fail("Missing Parameters");
    return false;
  }
  std::string code;
  bool outOfMemory = false;
  Progress progress(c);
  OsError e;
  try {
    body->reserve(kFirstBuffer);
    e = c.family.port->web().Request(MakeRequest(address, post, form), &code, [&](std::string_view piece) {
      if (body->size() + piece.size() > kBodyLimit) {
        outOfMemory = true;
        return false;
      }
      body->append(piece);
      return progress.Went(body->size());
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
  if (!e) {
    TransferFailed(c, address, e, body->size(), progress.stopped);
    return false;
  }
  ShowProgress(c.session, body->size());
  return true;
}

bool ErrorStatus(const std::string& status) { return std::atoi(status.c_str()) >= kFirstErrorStatus; }

// Download with a "File" output: the body goes to the file as it arrives.
int DownloadToFile(InternetContext& c, const std::string& address, const std::string& file) {
  if (address.empty()) return c.session.Fail("Missing Parameters");
  std::string status;
  size_t bytes = 0;
  Progress progress(c);
  const OsError e = c.family.port->web().Download(
      MakeRequest(address), file, &status, [](const std::string& s) { return !ErrorStatus(s); },
      [&](uint64_t n) {
        bytes = static_cast<size_t>(n);
        return progress.Went(bytes);
      });
  c.session.SetHttpStatus(status);
  if (!e && (e.call() == "CreateFile" || e.call() == "WriteFile"))
    return c.session.Fail(FormatText("Create File Error %d: ", static_cast<int>(e.code())) + e.message());
  if (!e) return TransferFailed(c, address, e, bytes, progress.stopped);
  // An error page is no download: nothing was saved.
  if (ErrorStatus(status)) return c.session.Fail("HTTP status " + status);
  ShowProgress(c.session, bytes);
  LogFormat(c.session, "    Saved %lu byte(s) to file [%s]", static_cast<unsigned long>(bytes), file.c_str());
  return result::kSuccess;
}

}  // namespace

int GetWebPageText(InternetContext& c) {
  std::string body;
  if (!Fetch(c, WithScheme(c.Expand(c.step.text)), false, "", &body)) return result::kFailure;
  c.Store(HtmlToText(body));
  return result::kSuccess;
}

int DownloadAction(InternetContext& c) {
  const std::string address = WithScheme(c.Expand(c.step.text));
  if (const std::optional<std::string> file = c.OutputFile()) return DownloadToFile(c, address, *file);
  std::string body, status;
  if (!Fetch(c, address, false, "", &body, &status)) return result::kFailure;
  if (ErrorStatus(status)) return c.session.Fail("HTTP status " + status);
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
