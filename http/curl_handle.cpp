#include "http/curl_handle.h"

#include <openssl/ssl.h>

#include <mutex>

namespace {

// libcurl's global set-up, once per process and before the first handle (curl_easy_init
// would otherwise run it implicitly, from whichever worker thread comes first). The
// cameras speak plain HTTP, so OpenSSL is initialised first without its configuration
// file and error texts: libcurl asks for both, and they cost about a megabyte of memory
// that a TLS transfer with OpenSSL's defaults does not need.
void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    OPENSSL_init_ssl(OPENSSL_INIT_NO_LOAD_CONFIG | OPENSSL_INIT_NO_LOAD_SSL_STRINGS |
                         OPENSSL_INIT_NO_LOAD_CRYPTO_STRINGS,
                     nullptr);
    curl_global_init(CURL_GLOBAL_DEFAULT);
  });
}

CURL* NewHandle() {
  InitCurlOnce();
  return curl_easy_init();
}

}  // namespace

CCurlHandle::CCurlHandle() : m_handle(NewHandle()) {}

CCurlHandle::~CCurlHandle() {
  if (m_handle != nullptr) curl_easy_cleanup(m_handle);
}
