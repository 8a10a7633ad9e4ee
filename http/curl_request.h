#pragma once
// CCurlRequest: one reusable HTTP request on a libcurl easy handle. It collects the answer
// body in memory and keeps options set earlier (URL, interface, form) between transfers,
// so consecutive requests through one object may reuse libcurl's connection.
//
// Every public member holds the request's recursive lock while it runs; body and header
// callbacks run inside Perform on the calling thread and take no lock of their own.

#include <curl/curl.h>

#include <boost/thread/recursive_mutex.hpp>
#include <cstddef>
#include <string>
#include <vector>

#include "http/curl_handle.h"

class CCurlRequest {
 public:
  // A multipart form posted with SetForm. It holds copies of its parts' bytes and must
  // outlive every transfer that posts it (libcurl keeps a pointer to it).
  class CCurlFormData {
   public:
    CCurlFormData();
    virtual ~CCurlFormData();

    CCurlFormData(const CCurlFormData&) = delete;
    CCurlFormData& operator=(const CCurlFormData&) = delete;

    // Adds a file part: field name, file name, the bytes (copied), content type
    // application/octet-stream. False when the part cannot be made.
    bool AddBufferPart(const char* name, const char* fileName, const void* data, std::size_t size);

    bool IsEmpty() const { return m_partCount == 0; }
    curl_mime* GetForm() const { return m_form; }

   private:
    CCurlHandle m_owner;  // the mime structure draws its part separator through this handle
    curl_mime* m_form = nullptr;
    std::size_t m_partCount = 0;
  };

  static constexpr int kDefaultTimeoutMs = 5000;

  CCurlRequest();
  virtual ~CCurlRequest();

  CCurlRequest(const CCurlRequest&) = delete;
  CCurlRequest& operator=(const CCurlRequest&) = delete;

  // Installs body and header callbacks and the default timeout; false at the first
  // libcurl setting that fails.
  virtual bool Init();
  // Appends size * count bytes to the body; returns size * count.
  virtual std::size_t OnData(const char* data, std::size_t size, std::size_t count);
  // Reserves the body to a "Content-Length:" header's value (exact, case-sensitive name);
  // returns size * count.
  virtual std::size_t OnHeader(const char* line, std::size_t size, std::size_t count);

  // curl_easy_setopt with a pointer value.
  CURLcode SetOption(CURLoption option, void* value);
  // curl_easy_setopt with a text; CURLOPT_URL is also remembered (GetUrl).
  CURLcode SetStringOption(CURLoption option, const char* text);
  // CURLOPT_TIMEOUT_MS: limit on the whole transfer, connection included.
  CURLcode SetTimeout(long timeoutMs);
  // CURLOPT_MIMEPOST: the form is posted by the following transfers.
  CURLcode SetForm(const CCurlFormData& form);
  CURLcode Perform();

  // CURLINFO_RESPONSE_CODE; 0 when it cannot be read or is negative.
  long GetResponseCode();

  // Empties the body, keeping its capacity.
  void ClearBody();
  // Appends one NUL byte to a non-empty body; false (nothing appended) when it is empty.
  bool TerminateBody();
  // Bytes in the body, a NUL from TerminateBody included.
  std::size_t GetBodySize();
  // The body bytes; null when the body is empty.
  const char* GetBodyData();
  // Capacity reserved for the body (what a Content-Length header asked for, or more).
  std::size_t GetBodyCapacity();

  // Copy of the last URL given through SetStringOption.
  std::string GetUrl();
  // Overwrites the remembered URL with zero bytes and empties it (the URL of a login
  // carries credentials).
  void WipeUrl();

 private:
  CCurlHandle m_handle;
  std::string m_url;
  int m_defaultTimeout = kDefaultTimeoutMs;
  std::vector<char> m_body;
  boost::recursive_mutex m_lock;
};
