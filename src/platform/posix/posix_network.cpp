// The Network port on BSD sockets and OpenSSL; ping through iputils' ping.
#include "platform/posix/posix_network.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace plumo {
namespace {

OsError SocketError(const char* call, int err) { return OsError(call, static_cast<uint32_t>(err), strerror(err)); }

OsError TlsError(const char* call) {
  unsigned long code = ERR_get_error();
  char text[256] = "the TLS connection failed";
  if (code) ERR_error_string_n(code, text, sizeof text);
  ERR_clear_error();
  return OsError(call, static_cast<uint32_t>(code), text);
}

uint32_t NowMs() {
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

// Whether fd becomes ready for events within timeoutMs.
bool WaitFor(int fd, short events, uint32_t timeoutMs) {
  pollfd p{fd, events, 0};
  for (;;) {
    const int rc = poll(&p, 1, static_cast<int>(timeoutMs));
    if (rc >= 0) return rc > 0;
    if (errno != EINTR) return false;
  }
}

void SetTimeouts(int fd, uint32_t ms) {
  timeval tv{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// A write to a peer that has gone raises SIGPIPE; OpenSSL writes with plain write(), so the
// signal is held back on this thread and taken away again.
class SigpipeGuard {
 public:
  SigpipeGuard() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
  }
  ~SigpipeGuard() {
    timespec zero{0, 0};
    while (sigtimedwait(&pipe_, nullptr, &zero) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }

 private:
  sigset_t pipe_, old_;
};

class PosixStream : public NetStream {
 public:
  PosixStream(int fd, std::string host) : fd_(fd), host_(std::move(host)) {}
  ~PosixStream() override {
    if (ssl_) {
      SigpipeGuard guard;
      SSL_shutdown(ssl_);
      SSL_free(ssl_);
    }
    if (ctx_) SSL_CTX_free(ctx_);
    close(fd_);
  }

  OsError Send(std::string_view data) override {
    SigpipeGuard guard;
    while (!data.empty()) {
      ssize_t n;
      if (ssl_) {
        n = SSL_write(ssl_, data.data(), static_cast<int>(std::min<size_t>(data.size(), 1 << 30)));
        if (n <= 0) return TlsError("SSL_write");
      } else {
        n = send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0) {
          if (errno == EINTR) continue;
          return SocketError("send", errno);
        }
      }
      data.remove_prefix(static_cast<size_t>(n));
    }
    return OsError::Ok();
  }

  OsError Receive(size_t max, uint32_t timeoutMs, std::string* out, bool* closed) override {
    *closed = false;
    if (max == 0) return OsError::Ok();
    const bool pending = ssl_ && SSL_pending(ssl_) > 0;
    if (!pending && !WaitFor(fd_, POLLIN, timeoutMs)) return OsError::Ok();
    const size_t old = out->size();
    out->resize(old + max);
    ssize_t n;
    if (ssl_) {
      SetTimeouts(fd_, std::max<uint32_t>(timeoutMs, 1));
      n = SSL_read(ssl_, out->data() + old, static_cast<int>(std::min<size_t>(max, 1 << 30)));
      if (n <= 0) {
        const int why = SSL_get_error(ssl_, static_cast<int>(n));
        out->resize(old);
        if (why == SSL_ERROR_ZERO_RETURN) *closed = true;
        else if (why == SSL_ERROR_WANT_READ) return OsError::Ok();  // a record without data
        else if (why == SSL_ERROR_SYSCALL && (errno == EAGAIN || errno == EWOULDBLOCK)) return OsError::Ok();
        else if (why == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) *closed = true;  // ended without close_notify
        else return TlsError("SSL_read");
        return OsError::Ok();
      }
    } else {
      do {
        n = recv(fd_, out->data() + old, max, 0);
      } while (n < 0 && errno == EINTR);
      if (n < 0) {
        out->resize(old);
        return SocketError("recv", errno);
      }
    }
    out->resize(old + static_cast<size_t>(n));
    if (n == 0) *closed = true;
    return OsError::Ok();
  }

  OsError StartTls(uint32_t timeoutMs) override {
    ctx_ = SSL_CTX_new(TLS_client_method());
    if (!ctx_) return TlsError("SSL_CTX_new");
    // The system's certificates (SSL_CERT_FILE and SSL_CERT_DIR name others).
    SSL_CTX_set_default_verify_paths(ctx_);
    SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
    ssl_ = SSL_new(ctx_);
    if (!ssl_) return TlsError("SSL_new");
    SSL_set_fd(ssl_, fd_);
    in_addr v4;
    in6_addr v6;
    if (inet_pton(AF_INET, host_.c_str(), &v4) == 1 || inet_pton(AF_INET6, host_.c_str(), &v6) == 1) {
      X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), host_.c_str());
    } else {
      SSL_set_tlsext_host_name(ssl_, host_.c_str());
      SSL_set1_host(ssl_, host_.c_str());
    }
    SetTimeouts(fd_, timeoutMs);
    SigpipeGuard guard;
    if (SSL_connect(ssl_) != 1) {
      const long verify = SSL_get_verify_result(ssl_);
      OsError e = verify != X509_V_OK
                      ? OsError("SSL_connect", static_cast<uint32_t>(verify),
                                std::string("certificate verify failed: ") + X509_verify_cert_error_string(verify))
                      : TlsError("SSL_connect");
      SSL_free(ssl_);
      ssl_ = nullptr;
      return e;
    }
    return OsError::Ok();
  }

 private:
  int fd_;
  std::string host_;
  SSL_CTX* ctx_ = nullptr;
  SSL* ssl_ = nullptr;
};

// Connects a socket to one address within timeoutMs.
int ConnectOne(const addrinfo* a, uint32_t timeoutMs, NetStage* stage, OsError* error) {
  const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
  if (fd < 0) {
    *stage = NetStage::kSocket;
    *error = SocketError("socket", errno);
    return -1;
  }
  const int flags = fcntl(fd, F_GETFL);
  fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  int rc = connect(fd, a->ai_addr, a->ai_addrlen);
  if (rc < 0 && errno == EINPROGRESS) {
    if (!WaitFor(fd, POLLOUT, timeoutMs)) {
      close(fd);
      *stage = NetStage::kConnect;
      *error = SocketError("connect", ETIMEDOUT);
      return -1;
    }
    int err = 0;
    socklen_t len = sizeof err;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
    if (err) {
      errno = err;
      rc = -1;
    } else {
      rc = 0;
    }
  }
  if (rc < 0) {
    *stage = NetStage::kConnect;
    *error = SocketError("connect", errno);
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, flags);
  return fd;
}

}  // namespace

std::unique_ptr<NetStream> PosixNetwork::Connect(const std::string& host, uint16_t port, bool tls, uint32_t timeoutMs,
                                                 NetStage* stage, OsError* error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const std::string service = std::to_string(port);
  if (int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list); rc != 0) {
    *stage = NetStage::kResolve;
    *error = OsError("getaddrinfo", static_cast<uint32_t>(rc), gai_strerror(rc));
    return nullptr;
  }
  int fd = -1;
  for (const addrinfo* a = list; a && fd < 0; a = a->ai_next) fd = ConnectOne(a, timeoutMs, stage, error);
  freeaddrinfo(list);
  if (fd < 0) return nullptr;
  auto stream = std::make_unique<PosixStream>(fd, host);
  if (tls) {
    if (OsError e = stream->StartTls(timeoutMs); !e) {
      *stage = NetStage::kTls;
      *error = e;
      return nullptr;
    }
  }
  return stream;
}

uint16_t PosixNetwork::ServicePort(const std::string& service) {
  servent entry{};
  servent* found = nullptr;
  char buffer[1024];
  if (getservbyname_r(service.c_str(), "tcp", &entry, buffer, sizeof buffer, &found) != 0 || !found) return 0;
  return ntohs(static_cast<uint16_t>(found->s_port));
}

uint16_t PosixNetwork::EchoIdentifier() { return static_cast<uint16_t>(getpid() & 0xFFFF); }

OsError PosixNetwork::IcmpExchange(const std::string& host, std::string_view message, uint32_t timeoutMs,
                                   IcmpReply* reply, NetStage* stage) {
  const int fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd < 0) {
    *stage = NetStage::kSocket;
    return SocketError("socket", errno);
  }
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* list = nullptr;
  if (int rc = getaddrinfo(host.c_str(), nullptr, &hints, &list); rc != 0) {
    *stage = NetStage::kResolve;
    return OsError("getaddrinfo", static_cast<uint32_t>(rc), gai_strerror(rc));
  }
  sockaddr_in to = *reinterpret_cast<sockaddr_in*>(list->ai_addr);
  freeaddrinfo(list);
  *stage = NetStage::kConnect;
  const uint32_t start = NowMs();
  if (sendto(fd, message.data(), message.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0)
    return SocketError("sendto", errno);
  for (;;) {
    const uint32_t elapsed = NowMs() - start;
    if (elapsed >= timeoutMs || !WaitFor(fd, POLLIN, timeoutMs - elapsed)) {
      reply->packet.clear();
      return OsError::Ok();
    }
    unsigned char buffer[1500];
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n = recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) {
      if (errno == EINTR) continue;
      return SocketError("recvfrom", errno);
    }
    const size_t header = n > 0 ? static_cast<size_t>(buffer[0] & 0x0F) * 4 : 0;
    // Our own request, delivered to this machine when the target is this machine.
    if (static_cast<size_t>(n) >= header + message.size() &&
        std::memcmp(buffer + header, message.data(), message.size()) == 0)
      continue;
    char address[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &from.sin_addr, address, sizeof address);
    reply->packet.assign(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
    reply->from = address;
    reply->elapsedMs = NowMs() - start;
    return OsError::Ok();
  }
}

OsError PosixNetwork::RunPing(const std::string& host, uint32_t timeoutMs, uint32_t waitMs, int* exitCode) {
  const std::string seconds = std::to_string(std::max<uint32_t>(1, (timeoutMs + 999) / 1000));
  const char* argv[] = {"ping", "-c", "1", "-W", seconds.c_str(), "--", host.c_str(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int err = posix_spawnp(&pid, "ping", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (err) return SocketError("posix_spawnp", err);
  const uint32_t start = NowMs();
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
      return OsError::Ok();
    }
    if (NowMs() - start >= waitMs) {
      // Not waited for any longer; a thread of its own reaps it when it ends.
      std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
      *exitCode = 1;
      return OsError::Ok();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace plumo
