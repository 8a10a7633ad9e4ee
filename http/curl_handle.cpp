#include "http/curl_handle.h"

CCurlHandle::CCurlHandle() : m_handle(curl_easy_init()) {}

CCurlHandle::~CCurlHandle() {
  if (m_handle != nullptr) curl_easy_cleanup(m_handle);
}
