#include "http/curl_request.h"

CCurlRequest::CCurlFormData::CCurlFormData() {
  if (m_owner.Get() != nullptr) m_form = curl_mime_init(m_owner.Get());
}

CCurlRequest::CCurlFormData::~CCurlFormData() {
  if (m_form != nullptr) curl_mime_free(m_form);
  m_form = nullptr;
  m_partCount = 0;
}

bool CCurlRequest::CCurlFormData::AddBufferPart(const char* name, const char* fileName, const void* data,
                                                std::size_t size) {
  if (m_form == nullptr || name == nullptr || fileName == nullptr || (data == nullptr && size > 0)) return false;
  curl_mimepart* part = curl_mime_addpart(m_form);
  if (part == nullptr) return false;
  ++m_partCount;
  static const char kEmpty = 0;
  const char* bytes = data != nullptr ? static_cast<const char*>(data) : &kEmpty;
  return curl_mime_name(part, name) == CURLE_OK && curl_mime_filename(part, fileName) == CURLE_OK &&
         curl_mime_type(part, "application/octet-stream") == CURLE_OK &&
         curl_mime_data(part, bytes, size) == CURLE_OK;
}
