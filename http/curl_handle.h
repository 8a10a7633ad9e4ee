#pragma once
// CCurlHandle: owns one libcurl easy handle for its whole life.

#include <curl/curl.h>

class CCurlHandle {
 public:
  // curl_easy_init; the handle is null when that fails.
  CCurlHandle();
  // curl_easy_cleanup when the handle is not null.
  virtual ~CCurlHandle();

  CCurlHandle(const CCurlHandle&) = delete;
  CCurlHandle& operator=(const CCurlHandle&) = delete;

  CURL* Get() const { return m_handle; }

 private:
  CURL* m_handle = nullptr;
};
