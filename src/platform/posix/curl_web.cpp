// The Web port on libcurl: HTTP(S) with the system's certificates (SSL_CERT_FILE names another
// bundle, as for OpenSSL), FTP in passive mode, and the connection state from the routing table.
#include "platform/posix/curl_web.h"

#include <curl/curl.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>

namespace plumo {
namespace {

constexpr const char* kAgent = "Plumo";
constexpr long kMaxRedirects = 20;
constexpr mode_t kNewFileMode = 0644;
constexpr long kReceiveBuffer = 512 * 1024;  // large downloads go at the speed of the network

OsError CurlError(CURLcode code, const char* detail) {
  std::string message = curl_easy_strerror(code);
  if (detail && *detail) message += std::string(": ") + detail;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return OsError("curl_easy_perform", static_cast<uint32_t>(code), message);
}

bool ConnectFailure(CURLcode code) {
  return code == CURLE_COULDNT_CONNECT || code == CURLE_OPERATION_TIMEDOUT;
}

struct SinkState {
  const WebSink* sink;
  bool stopped = false;  // the sink asked to stop
  bool statusOnly = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<SinkState*>(user);
  const size_t n = size * count;
  if (state->statusOnly || !(*state->sink)(std::string_view(data, n))) {
    state->stopped = true;
    return 0;
  }
  return n;
}

}  // namespace

// One easy handle with the settings every transfer shares; the handle keeps its connections
// between transfers.
class CurlHandle {
 public:
  CurlHandle() : curl_(curl_easy_init()) {}
  ~CurlHandle() {
    if (curl_) curl_easy_cleanup(curl_);
  }
  CurlHandle(const CurlHandle&) = delete;
  CurlHandle& operator=(const CurlHandle&) = delete;
  CURL* get() const { return curl_; }

  void Reset(uint32_t connectMs, uint32_t receiveMs) {
    curl_easy_reset(curl_);
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_USERAGENT, kAgent);
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, error_);
    curl_easy_setopt(curl_, CURLOPT_BUFFERSIZE, kReceiveBuffer);
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectMs));
    // A receive time-out: no byte for that long ends the transfer.
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>((receiveMs + 999) / 1000)));
    if (const char* bundle = std::getenv("SSL_CERT_FILE"); bundle && *bundle)
      curl_easy_setopt(curl_, CURLOPT_CAINFO, bundle);
    error_[0] = '\0';
  }

  // Performs, trying again while the connection cannot be made.
  CURLcode Perform(int attempts) {
    CURLcode code = CURLE_OK;
    for (int i = 0; i < std::max(1, attempts); ++i) {
      error_[0] = '\0';
      code = curl_easy_perform(curl_);
      if (!ConnectFailure(code) || Connected()) break;
    }
    return code;
  }
  OsError Error(CURLcode code) const { return CurlError(code, error_); }

 private:
  // Whether the failed transfer had got a connection (then it is not retried).
  bool Connected() const {
    double connectTime = 0;
    curl_easy_getinfo(curl_, CURLINFO_CONNECT_TIME, &connectTime);
    return connectTime > 0;
  }
  CURL* curl_;
  char error_[CURL_ERROR_SIZE] = {};
};

namespace {

std::string Escaped(CURL* curl, const std::string& path) {
  std::string out;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    if (slash > start) {
      char* part = curl_easy_escape(curl, path.data() + start, static_cast<int>(slash - start));
      out += part;
      curl_free(part);
    }
    if (slash < path.size()) out.push_back('/');
    start = slash + 1;
  }
  return out;
}

class CurlFtp : public FtpConnection {
 public:
  explicit CurlFtp(const FtpLogin& login) : login_(login) {}

  OsError Open() {
    Prepare("");
    curl_easy_setopt(easy_.get(), CURLOPT_NOBODY, 1L);
    return Run();
  }

  OsError List(const std::string& folder, std::vector<std::string>* names) override {
    std::string listing;
    Prepare(folder.empty() || folder.back() == '/' ? folder : folder + "/");
    curl_easy_setopt(easy_.get(), CURLOPT_DIRLISTONLY, 1L);
    OsError e = Run([&](std::string_view piece) {
      listing.append(piece);
      return true;
    });
    if (!e) return e;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const size_t cut = line.find_last_of('/');  // some servers name the folder too
      if (cut != std::string::npos) line.erase(0, cut + 1);
      if (!line.empty() && line != "." && line != "..") names->push_back(line);
    }
    return OsError::Ok();
  }

  OsError Download(const std::string& remote, const WebSink& sink) override {
    Prepare(remote);
    return Run(sink);
  }

  OsError Upload(const std::string& remote, std::string_view data) override {
    Prepare(remote);
    struct Source {
      std::string_view rest;
    } source{data};
    curl_easy_setopt(easy_.get(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy_.get(), CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(data.size()));
    curl_easy_setopt(easy_.get(), CURLOPT_READDATA, &source);
    curl_easy_setopt(easy_.get(), CURLOPT_READFUNCTION, +[](char* out, size_t size, size_t count, void* user) -> size_t {
      auto* s = static_cast<Source*>(user);
      const size_t n = std::min(size * count, s->rest.size());
      std::copy_n(s->rest.data(), n, out);
      s->rest.remove_prefix(n);
      return n;
    });
    return Run();
  }

  OsError RemoveFile(const std::string& remote) override { return Command("DELE " + remote); }
  OsError MakeFolder(const std::string& remote) override { return Command("MKD " + remote); }
  OsError RemoveFolder(const std::string& remote) override { return Command("RMD " + remote); }

 private:
  void Prepare(const std::string& remote) {
    easy_.Reset(login_.connectTimeoutMs, login_.receiveTimeoutMs);
    CURL* c = easy_.get();
    std::string url = "ftp://" + login_.server + "/";
    // A path from the server's root begins with "%2F" in an FTP address.
    url += (!remote.empty() && remote[0] == '/') ? "%2F" + Escaped(c, remote.substr(1)) : Escaped(c, remote);
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    if (!login_.user.empty()) {
      curl_easy_setopt(c, CURLOPT_USERNAME, login_.user.c_str());
      curl_easy_setopt(c, CURLOPT_PASSWORD, login_.password.c_str());
    }
    curl_easy_setopt(c, CURLOPT_FTP_RESPONSE_TIMEOUT, static_cast<long>((login_.receiveTimeoutMs + 999) / 1000));
    curl_easy_setopt(c, CURLOPT_FTP_USE_EPSV, 1L);  // passive
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, +[](char*, size_t size, size_t count, void*) { return size * count; });
  }

  OsError Command(const std::string& command) {
    Prepare("");
    curl_slist* list = curl_slist_append(nullptr, command.c_str());
    curl_easy_setopt(easy_.get(), CURLOPT_QUOTE, list);
    curl_easy_setopt(easy_.get(), CURLOPT_NOBODY, 1L);
    OsError e = Run();
    curl_easy_setopt(easy_.get(), CURLOPT_QUOTE, nullptr);
    curl_slist_free_all(list);
    return e;
  }

  OsError Run(const WebSink& sink = nullptr) {
    SinkState state{&sink};
    if (sink) {
      curl_easy_setopt(easy_.get(), CURLOPT_WRITEFUNCTION, WriteBody);
      curl_easy_setopt(easy_.get(), CURLOPT_WRITEDATA, &state);
    }
    const CURLcode code = easy_.Perform(login_.connectRetries);
    if (code == CURLE_OK) return OsError::Ok();
    if (state.stopped) return OsError("write", oscode::kNotEnoughMemory, "The transfer was stopped");
    return easy_.Error(code);
  }

  FtpLogin login_;
  CurlHandle easy_;
};

}  // namespace

CurlWeb::CurlWeb() { curl_global_init(CURL_GLOBAL_DEFAULT); }
CurlWeb::~CurlWeb() {
  handle_.reset();
  curl_global_cleanup();
}

OsError CurlWeb::Request(const WebRequest& request, std::string* status, const WebSink& sink) {
  std::lock_guard<std::mutex> lock(mu_);
  if (!handle_) handle_ = std::make_unique<CurlHandle>();
  CurlHandle& easy = *handle_;
  easy.Reset(request.timeoutMs, request.timeoutMs);
  CURL* c = easy.get();
  curl_easy_setopt(c, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");  // what the server compresses comes back plain
  curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
  if (request.post) {
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, request.form.c_str());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.form.size()));
    headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
  }
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
  SinkState state{&sink, false, !sink};
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &state);
  const CURLcode code = easy.Perform(request.connectRetries);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
  curl_slist_free_all(headers);
  long responseCode = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &responseCode);
  if (responseCode > 0) *status = std::to_string(responseCode);
  if (code == CURLE_OK || (state.stopped && state.statusOnly)) return OsError::Ok();
  if (state.stopped) return OsError("write", oscode::kNotEnoughMemory, "The transfer was stopped");
  return easy.Error(code);
}

OsError CurlWeb::Download(const WebRequest& request, const std::string& path, std::string* status,
                          const std::function<bool(const std::string&)>& keep,
                          const std::function<bool(uint64_t)>& progress) {
  const size_t slash = path.find_last_of('/');
  std::string temp = (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/.plumo-download-XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return OsError("CreateFile", static_cast<uint32_t>(errno), strerror(errno));
  fchmod(fd, kNewFileMode);
  uint64_t bytes = 0;
  OsError written;
  OsError e = Request(request, status, [&](std::string_view piece) {
    while (!piece.empty()) {
      const ssize_t n = write(fd, piece.data(), piece.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        written = OsError("WriteFile", static_cast<uint32_t>(errno), strerror(errno));
        return false;
      }
      piece.remove_prefix(static_cast<size_t>(n));
      bytes += static_cast<uint64_t>(n);
    }
    return progress(bytes);
  });
  if (close(fd) != 0 && written) written = OsError("WriteFile", static_cast<uint32_t>(errno), strerror(errno));
  if (!written) e = written;
  if (e && keep(*status)) {
    if (rename(temp.c_str(), path.c_str()) == 0) return e;
    e = OsError("CreateFile", static_cast<uint32_t>(errno), strerror(errno));
  }
  unlink(temp.c_str());
  return e;
}

bool CurlWeb::Connected() {
  // A default route through an interface other than the loopback.
  std::ifstream v4("/proc/net/route");
  std::string line;
  std::getline(v4, line);  // the heading
  while (std::getline(v4, line)) {
    std::istringstream fields(line);
    std::string iface, destination;
    fields >> iface >> destination;
    if (destination == "00000000" && iface != "lo") return true;
  }
  std::ifstream v6("/proc/net/ipv6_route");
  while (std::getline(v6, line)) {
    std::istringstream fields(line);
    std::string destination, prefix, f3, f4, f5, f6, f7, f8, f9, iface;
    fields >> destination >> prefix >> f3 >> f4 >> f5 >> f6 >> f7 >> f8 >> f9 >> iface;
    if (prefix == "00" && destination == std::string(32, '0') && iface != "lo") return true;
  }
  return false;
}

std::unique_ptr<FtpConnection> CurlWeb::ConnectFtp(const FtpLogin& login, OsError* error) {
  auto ftp = std::make_unique<CurlFtp>(login);
  *error = ftp->Open();
  if (!*error) return nullptr;
  return ftp;
}

}  // namespace plumo
