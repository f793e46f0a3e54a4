// The Network port on Winsock 2.2, with TLS through Schannel (the certificate checked by the
// system's chain policy for SSL servers) and ping.exe as the fall-back of raw ICMP.
#define SECURITY_WIN32
#include "platform/win32/winsock_network.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/win32_error.h"

namespace plumo {
namespace {

constexpr DWORD kIscFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                            ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;
constexpr size_t kRawPiece = 16 * 1024;

OsError SocketError(const char* call) { return Win32Error(call, static_cast<DWORD>(WSAGetLastError())); }
OsError SecurityError(const char* call, SECURITY_STATUS status) {
  return OsError(call, static_cast<uint32_t>(status), Win32Message(static_cast<DWORD>(status)));
}

// Whether the socket is readable (or writable) within timeoutMs.
bool WaitFor(SOCKET s, bool write, uint32_t timeoutMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  fd_set errors = set;
  timeval tv{static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
  const int rc = select(0, write ? nullptr : &set, write ? &set : nullptr, write ? &errors : nullptr, &tv);
  return rc > 0 && FD_ISSET(s, &set);
}

OsError SendAll(SOCKET s, const char* data, size_t size) {
  while (size > 0) {
    const int n = send(s, data, static_cast<int>(std::min<size_t>(size, 1 << 20)), 0);
    if (n == SOCKET_ERROR) return SocketError("send");
    data += n;
    size -= static_cast<size_t>(n);
  }
  return OsError::Ok();
}

// Appends what arrives within timeoutMs; *closed when the peer ended the stream.
OsError ReadRaw(SOCKET s, size_t max, uint32_t timeoutMs, std::string* out, bool* closed) {
  *closed = false;
  if (!WaitFor(s, false, timeoutMs)) return OsError::Ok();
  const size_t old = out->size();
  out->resize(old + max);
  const int n = recv(s, out->data() + old, static_cast<int>(max), 0);
  if (n == SOCKET_ERROR) {
    out->resize(old);
    return SocketError("recv");
  }
  out->resize(old + static_cast<size_t>(n));
  if (n == 0) *closed = true;
  return OsError::Ok();
}

class Winsock {
 public:
  // False with *error when Winsock 2.2 is not there.
  bool Start(OsError* error) {
    WSADATA data;
    if (int rc = WSAStartup(MAKEWORD(2, 2), &data); rc != 0) {
      *error = Win32Error("WSAStartup", static_cast<DWORD>(rc));
      return false;
    }
    started_ = true;
    if (LOBYTE(data.wVersion) != 2 || HIBYTE(data.wVersion) != 2) {
      *error = Win32Error("WSAStartup", WSAVERNOTSUPPORTED);
      return false;
    }
    return true;
  }
  ~Winsock() {
    if (started_) WSACleanup();
  }

 private:
  bool started_ = false;
};

class SchannelTls {
 public:
  SchannelTls(SOCKET s, std::string host) : s_(s), host_(std::move(host)) {}
  ~SchannelTls() {
    if (haveContext_) DeleteSecurityContext(&context_);
    if (haveCredentials_) FreeCredentialsHandle(&credentials_);
  }

  OsError Handshake(uint32_t timeoutMs) {
    SCHANNEL_CRED settings{};
    settings.dwVersion = SCHANNEL_CRED_VERSION;
    // The certificate is checked below, the same way on every Windows.
    settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    SECURITY_STATUS st = AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND,
                                                   nullptr, &settings, nullptr, nullptr, &credentials_, nullptr);
    if (st != SEC_E_OK) return SecurityError("AcquireCredentialsHandleA", st);
    haveCredentials_ = true;
    if (OsError e = Negotiate(true, timeoutMs); !e) return e;
    if (OsError e = CheckCertificate(); !e) return e;
    st = QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
    if (st != SEC_E_OK) return SecurityError("QueryContextAttributesA", st);
    return OsError::Ok();
  }

  OsError Send(std::string_view data) {
    while (!data.empty()) {
      const size_t n = std::min<size_t>(data.size(), sizes_.cbMaximumMessage);
      std::string packet(sizes_.cbHeader + n + sizes_.cbTrailer, '\0');
      std::memcpy(packet.data() + sizes_.cbHeader, data.data(), n);
      SecBuffer buffers[4] = {
          {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, packet.data()},
          {static_cast<unsigned long>(n), SECBUFFER_DATA, packet.data() + sizes_.cbHeader},
          {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, packet.data() + sizes_.cbHeader + n},
          {0, SECBUFFER_EMPTY, nullptr},
      };
      SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
      if (SECURITY_STATUS st = EncryptMessage(&context_, 0, &desc, 0); st != SEC_E_OK)
        return SecurityError("EncryptMessage", st);
      if (OsError e = SendAll(s_, packet.data(), buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer); !e)
        return e;
      data.remove_prefix(n);
    }
    return OsError::Ok();
  }

  OsError Receive(size_t max, uint32_t timeoutMs, std::string* out, bool* closed) {
    *closed = false;
    const DWORD deadline = GetTickCount() + timeoutMs;
    while (plain_.empty() && !ended_) {
      if (!encrypted_.empty()) {
        OsError e;
        const bool whole = Decrypt(&e);
        if (!e) return e;
        if (whole) continue;
      }
      const DWORD now = GetTickCount();
      if (static_cast<int32_t>(deadline - now) <= 0) return OsError::Ok();
      bool rawClosed = false;
      if (OsError e = ReadRaw(s_, kRawPiece, deadline - now, &encrypted_, &rawClosed); !e) return e;
      if (rawClosed) ended_ = true;
    }
    const size_t n = std::min(max, plain_.size());
    out->append(plain_, 0, n);
    plain_.erase(0, n);
    *closed = plain_.empty() && ended_;
    return OsError::Ok();
  }

 private:
  // One DecryptMessage over the buffered bytes; false when they hold no whole record yet.
  bool Decrypt(OsError* error) {
    SecBuffer buffers[4] = {{static_cast<unsigned long>(encrypted_.size()), SECBUFFER_DATA, encrypted_.data()},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS st = DecryptMessage(&context_, &desc, 0, nullptr);
    if (st == SEC_E_INCOMPLETE_MESSAGE) return false;
    if (st == SEC_I_CONTEXT_EXPIRED) {
      ended_ = true;
      encrypted_.clear();
      return true;
    }
    if (st != SEC_E_OK && st != SEC_I_RENEGOTIATE) {
      *error = SecurityError("DecryptMessage", st);
      return false;
    }
    std::string extra;
    for (const SecBuffer& b : buffers) {
      if (b.BufferType == SECBUFFER_DATA && b.cbBuffer) plain_.append(static_cast<char*>(b.pvBuffer), b.cbBuffer);
      if (b.BufferType == SECBUFFER_EXTRA && b.cbBuffer) extra.assign(static_cast<char*>(b.pvBuffer), b.cbBuffer);
    }
    encrypted_ = std::move(extra);
    // TLS 1.3 sends tickets and key updates after the handshake; Schannel wants them back.
    if (st == SEC_I_RENEGOTIATE) *error = Negotiate(false, 5000);
    return true;
  }

  // The handshake (first) or a renegotiation, over the buffered and the arriving bytes.
  OsError Negotiate(bool first, uint32_t timeoutMs) {
    const DWORD deadline = GetTickCount() + timeoutMs;
    SECURITY_STATUS st = SEC_I_CONTINUE_NEEDED;
    bool needInput = !first && encrypted_.empty();
    for (bool initial = first;; initial = false) {
      if (needInput) {
        const DWORD now = GetTickCount();
        if (static_cast<int32_t>(deadline - now) <= 0)
          return OsError("InitializeSecurityContextA", WSAETIMEDOUT, "The TLS handshake timed out");
        bool closed = false;
        if (OsError e = ReadRaw(s_, kRawPiece, deadline - now, &encrypted_, &closed); !e) return e;
        if (closed) return OsError("InitializeSecurityContextA", WSAECONNRESET, "The server ended the TLS handshake");
      }
      SecBuffer in[2] = {{static_cast<unsigned long>(encrypted_.size()), SECBUFFER_TOKEN, encrypted_.data()},
                         {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
      SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
      SecBufferDesc outDesc{SECBUFFER_VERSION, 1, out};
      DWORD attributes = 0;
      st = InitializeSecurityContextA(&credentials_, initial ? nullptr : &context_, const_cast<char*>(host_.c_str()),
                                      kIscFlags, 0, 0, initial ? nullptr : &inDesc, 0, initial ? &context_ : nullptr,
                                      &outDesc, &attributes, nullptr);
      if (initial) haveContext_ = true;
      if (out[0].pvBuffer) {
        OsError sent = out[0].cbBuffer ? SendAll(s_, static_cast<char*>(out[0].pvBuffer), out[0].cbBuffer) : OsError();
        FreeContextBuffer(out[0].pvBuffer);
        if (!sent) return sent;
      }
      if (st == SEC_E_INCOMPLETE_MESSAGE) {
        needInput = true;
        continue;
      }
      if (!initial) {
        if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer)
          encrypted_ = encrypted_.substr(encrypted_.size() - in[1].cbBuffer);
        else
          encrypted_.clear();
      }
      if (st == SEC_E_OK) return OsError::Ok();
      if (st != SEC_I_CONTINUE_NEEDED && st != SEC_I_INCOMPLETE_CREDENTIALS)
        return SecurityError("InitializeSecurityContextA", st);
      needInput = encrypted_.empty();
    }
  }

  OsError CheckCertificate() {
    PCCERT_CONTEXT cert = nullptr;
    SECURITY_STATUS st = QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &cert);
    if (st != SEC_E_OK || !cert) return SecurityError("QueryContextAttributesA", st);
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof chainPara;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    OsError result;
    if (!CertGetCertificateChain(nullptr, cert, nullptr, cert->hCertStore, &chainPara, 0, nullptr, &chain)) {
      result = LastWin32Error("CertGetCertificateChain");
    } else {
      std::wstring name(host_.begin(), host_.end());
      SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
      ssl.cbSize = sizeof ssl;
      ssl.dwAuthType = AUTHTYPE_SERVER;
      ssl.pwszServerName = name.data();
      CERT_CHAIN_POLICY_PARA policy{};
      policy.cbSize = sizeof policy;
      policy.pvExtraPolicyPara = &ssl;
      CERT_CHAIN_POLICY_STATUS status{};
      status.cbSize = sizeof status;
      if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status))
        result = LastWin32Error("CertVerifyCertificateChainPolicy");
      else if (status.dwError)
        result = OsError("CertVerifyCertificateChainPolicy", status.dwError,
                         "certificate verify failed: " + Win32Message(status.dwError));
      CertFreeCertificateChain(chain);
    }
    CertFreeCertificateContext(cert);
    return result;
  }

  SOCKET s_;
  std::string host_;
  CredHandle credentials_{};
  CtxtHandle context_{};
  bool haveCredentials_ = false;
  bool haveContext_ = false;
  SecPkgContext_StreamSizes sizes_{};
  std::string encrypted_;  // received, not yet decrypted
  std::string plain_;      // decrypted, not yet handed out
  bool ended_ = false;
};

class SocketStream : public NetStream {
 public:
  SocketStream(std::unique_ptr<Winsock> winsock, SOCKET s, std::string host)
      : winsock_(std::move(winsock)), s_(s), host_(std::move(host)) {}
  ~SocketStream() override {
    tls_.reset();
    closesocket(s_);
  }
  OsError Send(std::string_view data) override { return tls_ ? tls_->Send(data) : SendAll(s_, data.data(), data.size()); }
  OsError Receive(size_t max, uint32_t timeoutMs, std::string* out, bool* closed) override {
    return tls_ ? tls_->Receive(max, timeoutMs, out, closed) : ReadRaw(s_, max, timeoutMs, out, closed);
  }
  OsError StartTls(uint32_t timeoutMs) override {
    tls_ = std::make_unique<SchannelTls>(s_, host_);
    OsError e = tls_->Handshake(timeoutMs);
    if (!e) tls_.reset();
    return e;
  }

 private:
  std::unique_ptr<Winsock> winsock_;
  SOCKET s_;
  std::string host_;
  std::unique_ptr<SchannelTls> tls_;
};

SOCKET ConnectOne(const addrinfo* a, uint32_t timeoutMs, NetStage* stage, OsError* error) {
  SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
  if (s == INVALID_SOCKET) {
    *stage = NetStage::kSocket;
    *error = SocketError("socket");
    return INVALID_SOCKET;
  }
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  bool ok = connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0;
  if (!ok && WSAGetLastError() == WSAEWOULDBLOCK) {
    if (WaitFor(s, true, timeoutMs)) {
      ok = true;
    } else {
      int err = WSAETIMEDOUT, length = sizeof err;
      getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &length);
      WSASetLastError(err ? err : WSAETIMEDOUT);
    }
  }
  if (!ok) {
    *stage = NetStage::kConnect;
    *error = SocketError("connect");
    closesocket(s);
    return INVALID_SOCKET;
  }
  nonBlocking = 0;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  return s;
}

}  // namespace

std::unique_ptr<NetStream> WinsockNetwork::Connect(const std::string& host, uint16_t port, bool tls, uint32_t timeoutMs,
                                                   NetStage* stage, OsError* error) {
  auto winsock = std::make_unique<Winsock>();
  if (!winsock->Start(error)) {
    *stage = NetStage::kStartup;
    return nullptr;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* list = nullptr;
  if (int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list); rc != 0) {
    *stage = NetStage::kResolve;
    *error = Win32Error("getaddrinfo", static_cast<DWORD>(rc));
    return nullptr;
  }
  SOCKET s = INVALID_SOCKET;
  for (const addrinfo* a = list; a && s == INVALID_SOCKET; a = a->ai_next) s = ConnectOne(a, timeoutMs, stage, error);
  freeaddrinfo(list);
  if (s == INVALID_SOCKET) return nullptr;
  auto stream = std::make_unique<SocketStream>(std::move(winsock), s, host);
  if (tls) {
    if (OsError e = stream->StartTls(timeoutMs); !e) {
      *stage = NetStage::kTls;
      *error = e;
      return nullptr;
    }
  }
  return stream;
}

uint16_t WinsockNetwork::ServicePort(const std::string& service) {
  Winsock winsock;
  OsError ignored;
  if (!winsock.Start(&ignored)) return 0;
  const servent* entry = getservbyname(service.c_str(), "tcp");
  return entry ? ntohs(static_cast<u_short>(entry->s_port)) : 0;
}

uint16_t WinsockNetwork::EchoIdentifier() { return static_cast<uint16_t>(GetCurrentProcessId() & 0xFFFF); }

OsError WinsockNetwork::IcmpExchange(const std::string& host, std::string_view message, uint32_t timeoutMs,
                                     IcmpReply* reply, NetStage* stage) {
  Winsock winsock;
  OsError error;
  if (!winsock.Start(&error)) {
    *stage = NetStage::kStartup;
    return error;
  }
  SOCKET s = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
  if (s == INVALID_SOCKET) {
    *stage = NetStage::kSocket;
    return SocketError("socket");
  }
  struct Closer {
    SOCKET s;
    ~Closer() { closesocket(s); }
  } closer{s};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* list = nullptr;
  if (int rc = getaddrinfo(host.c_str(), nullptr, &hints, &list); rc != 0) {
    *stage = NetStage::kResolve;
    return Win32Error("getaddrinfo", static_cast<DWORD>(rc));
  }
  sockaddr_in to = *reinterpret_cast<sockaddr_in*>(list->ai_addr);
  freeaddrinfo(list);
  *stage = NetStage::kConnect;
  const DWORD start = GetTickCount();
  if (sendto(s, message.data(), static_cast<int>(message.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) ==
      SOCKET_ERROR)
    return SocketError("sendto");
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs || !WaitFor(s, false, timeoutMs - elapsed)) {
      reply->packet.clear();
      return OsError::Ok();
    }
    char buffer[1500];
    sockaddr_in from{};
    int fromLength = sizeof from;
    const int n = recvfrom(s, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n == SOCKET_ERROR) return SocketError("recvfrom");
    const size_t header = n > 0 ? static_cast<size_t>(buffer[0] & 0x0F) * 4 : 0;
    // Our own request, delivered to this machine when the target is this machine.
    if (static_cast<size_t>(n) >= header + message.size() && std::memcmp(buffer + header, message.data(), message.size()) == 0)
      continue;
    reply->packet.assign(buffer, static_cast<size_t>(n));
    reply->from = inet_ntoa(from.sin_addr);
    reply->elapsedMs = GetTickCount() - start;
    return OsError::Ok();
  }
}

OsError WinsockNetwork::RunPing(const std::string& host, uint32_t timeoutMs, uint32_t waitMs, int* exitCode) {
  std::string command = "ping.exe -n 1 -w " + std::to_string(timeoutMs) + " " + host;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process))
    return LastWin32Error("CreateProcessA");
  UniqueHandle thread(process.hThread), handle(process.hProcess);
  DWORD code = 1;
  if (WaitForSingleObject(handle.get(), waitMs) != WAIT_OBJECT_0 || !GetExitCodeProcess(handle.get(), &code) ||
      code == STILL_ACTIVE)
    code = 1;
  *exitCode = static_cast<int>(code);
  return OsError::Ok();
}

}  // namespace plumo
