// What the Windows end-to-end run needs besides Plumo.exe:
//   internet_helper record LOG WORD...   appends the words as one line to LOG (a registered
//                                         browser, mail program or mailto handler)
//   internet_helper trust|untrust CERT   adds the PEM certificate to the machine's root store,
//                                         or takes it out again
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

int Record(int argc, char** argv) {
  FILE* log = std::fopen(argv[2], "ab");
  if (!log) return 2;
  for (int i = 3; i < argc; ++i) std::fprintf(log, i > 3 ? " %s" : "%s", argv[i]);
  std::fputs("\n", log);
  std::fclose(log);
  return 0;
}

int Trust(bool add, const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream pem;
  pem << in.rdbuf();
  const std::string text = pem.str();
  DWORD size = 0;
  if (!CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) return 2;
  std::string der(size, '\0');
  if (!CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()), &size,
                            nullptr, nullptr))
    return 2;
  HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "ROOT");
  if (!root) return 3;
  PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<BYTE*>(der.data()), size);
  BOOL ok = FALSE;
  if (cert && add) {
    ok = CertAddCertificateContextToStore(root, cert, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  } else if (cert) {
    PCCERT_CONTEXT found = CertFindCertificateInStore(root, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, cert, nullptr);
    ok = !found || CertDeleteCertificateFromStore(found);
  }
  if (cert) CertFreeCertificateContext(cert);
  CertCloseStore(root, 0);
  return ok ? 0 : 4;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && !std::strcmp(argv[1], "record")) return Record(argc, argv);
  if (argc == 3 && !std::strcmp(argv[1], "trust")) return Trust(true, argv[2]);
  if (argc == 3 && !std::strcmp(argv[1], "untrust")) return Trust(false, argv[2]);
  std::fputs("usage: internet_helper record LOG WORD... | trust CERT | untrust CERT\n", stderr);
  return 2;
}
