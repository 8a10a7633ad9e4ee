#include "http/curl_request.h"

#include <algorithm>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/wipe_text.h"

namespace {

using Lock = std::lock_guard<boost::recursive_mutex>;

constexpr char kContentLength[] = "Content-Length:";
constexpr std::size_t kContentLengthSize = sizeof kContentLength - 1;
// libcurl's receive buffer (16 KiB by default, one per transfer in flight): camera
// answers are a few kilobytes, and a few hundred completions may wait at once.
constexpr long kReceiveBufferBytes = 4096;

// libcurl's callbacks. A zero count or a missing request aborts the transfer.
// Nothing may be thrown through libcurl: running out of memory aborts the transfer.
std::size_t BodyTrampoline(char* data, std::size_t size, std::size_t count, void* user) {
  if (count == 0 || user == nullptr) return 0;
  try {
    return static_cast<CCurlRequest*>(user)->OnData(data, size, count);
  } catch (...) {
    return 0;
  }
}

std::size_t HeaderTrampoline(char* data, std::size_t size, std::size_t count, void* user) {
  if (count == 0 || user == nullptr) return 0;
  try {
    return static_cast<CCurlRequest*>(user)->OnHeader(data, size, count);
  } catch (...) {
    return 0;
  }
}

// The decimal number at the start of text (after blanks), up to the first non-digit;
// 0 when there is none or it does not fit.
std::size_t LeadingNumber(const char* text, std::size_t length) {
  std::size_t i = 0;
  while (i < length && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::size_t value = 0;
  for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
    const std::size_t digit = static_cast<std::size_t>(text[i] - '0');
    if (value > (SIZE_MAX - digit) / 10) return 0;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace

CCurlRequest::CCurlRequest() = default;

CCurlRequest::~CCurlRequest() { WipeText(m_url); }

bool CCurlRequest::Init() {
  Lock lock(m_lock);
  CURL* h = m_handle.Get();
  if (h == nullptr) return false;
  if (curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &BodyTrampoline) != CURLE_OK) return false;
  if (curl_easy_setopt(h, CURLOPT_WRITEDATA, this) != CURLE_OK) return false;
  if (curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &HeaderTrampoline) != CURLE_OK) return false;
  if (curl_easy_setopt(h, CURLOPT_WRITEHEADER, this) != CURLE_OK) return false;
  if (curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBufferBytes) != CURLE_OK) return false;
  return SetTimeout(m_defaultTimeout) == CURLE_OK;
}

std::size_t CCurlRequest::OnData(const char* data, std::size_t size, std::size_t count) {
  const std::size_t n = size * count;
  if (m_discardBody) return n;
  if (n > m_bodyLimit - m_body.size()) {  // the body never grows past the limit
    m_bodyOverflowed = true;
    return 0;
  }
  m_body.insert(m_body.end(), data, data + n);
  return n;
}

std::size_t CCurlRequest::OnHeader(const char* line, std::size_t size, std::size_t count) {
  const std::size_t n = size * count;
  if (n < kContentLengthSize || std::memcmp(line, kContentLength, kContentLengthSize) != 0) return n;
  const std::size_t announced = LeadingNumber(line + kContentLengthSize, n - kContentLengthSize);
  // A camera could announce any size; reserve only what a sane answer needs.
  constexpr std::size_t kMaxReserve = 64 * 1024 * 1024;
  if (announced > 0 && announced <= kMaxReserve && !m_discardBody) m_body.reserve(std::min(announced, m_bodyLimit));
  return n;
}

CURLcode CCurlRequest::SetOption(CURLoption option, void* value) {
  Lock lock(m_lock);
  if (m_handle.Get() == nullptr) return CURLE_FAILED_INIT;
  return curl_easy_setopt(m_handle.Get(), option, value);
}

CURLcode CCurlRequest::SetStringOption(CURLoption option, const char* text) {
  Lock lock(m_lock);
  if (m_handle.Get() == nullptr) return CURLE_FAILED_INIT;
  if (option == CURLOPT_URL) {
    WipeText(m_url);
    if (text != nullptr) m_url = text;
  }
  return curl_easy_setopt(m_handle.Get(), option, text);
}

CURLcode CCurlRequest::SetTimeout(long timeoutMs) {
  Lock lock(m_lock);
  if (m_handle.Get() == nullptr) return CURLE_FAILED_INIT;
  return curl_easy_setopt(m_handle.Get(), CURLOPT_TIMEOUT_MS, timeoutMs);
}

CURLcode CCurlRequest::SetForm(const CCurlFormData& form) {
  Lock lock(m_lock);
  if (m_handle.Get() == nullptr) return CURLE_FAILED_INIT;
  return curl_easy_setopt(m_handle.Get(), CURLOPT_MIMEPOST, form.GetForm());
}

CURLcode CCurlRequest::Perform() {
  Lock lock(m_lock);
  if (m_handle.Get() == nullptr) return CURLE_FAILED_INIT;
  return curl_easy_perform(m_handle.Get());
}

long CCurlRequest::GetResponseCode() {
  Lock lock(m_lock);
  long code = 0;
  if (m_handle.Get() == nullptr) return 0;
  if (curl_easy_getinfo(m_handle.Get(), CURLINFO_RESPONSE_CODE, &code) != CURLE_OK) return 0;
  return code < 0 ? 0 : code;
}

void CCurlRequest::SetBodyLimit(std::size_t maxBytes, bool discard) {
  Lock lock(m_lock);
  m_bodyLimit = maxBytes;
  m_discardBody = discard;
}

bool CCurlRequest::BodyOverflowed() {
  Lock lock(m_lock);
  return m_bodyOverflowed;
}

void CCurlRequest::ClearBody() {
  Lock lock(m_lock);
  m_body.clear();
  m_bodyOverflowed = false;
}

bool CCurlRequest::TerminateBody() {
  Lock lock(m_lock);
  if (m_body.empty()) return false;
  m_body.push_back('\0');
  return true;
}

std::size_t CCurlRequest::GetBodySize() {
  Lock lock(m_lock);
  return m_body.size();
}

const char* CCurlRequest::GetBodyData() {
  Lock lock(m_lock);
  return m_body.empty() ? nullptr : m_body.data();
}

std::size_t CCurlRequest::GetBodyCapacity() {
  Lock lock(m_lock);
  return m_body.capacity();
}

std::string CCurlRequest::GetUrl() {
  Lock lock(m_lock);
  return m_url;
}

void CCurlRequest::WipeUrl() {
  Lock lock(m_lock);
  WipeText(m_url);
}
