#include "camera/camera_handle.h"

#include <mutex>
#include <utility>

namespace {
using Lock = std::lock_guard<boost::recursive_mutex>;
}

CCameraHandle::CCameraHandle(int id, int defaultTimeoutMs, std::string baseUrl, std::string sessionSuffix,
                             std::string interfaceName)
    : m_id(id),
      m_defaultTimeout(defaultTimeoutMs),
      m_baseUrl(std::move(baseUrl)),
      m_sessionSuffix(std::move(sessionSuffix)),
      m_interface(std::move(interfaceName)) {}

CCameraHandle::~CCameraHandle() = default;

std::string CCameraHandle::GetSessionSuffix() {
  Lock lock(m_lock);
  return m_sessionSuffix;
}

void CCameraHandle::ClearSessionSuffix() {
  Lock lock(m_lock);
  m_sessionSuffix.clear();
}

std::string CCameraHandle::GetInterface() {
  Lock lock(m_lock);
  return m_interface;
}

int CCameraHandle::GetDefaultTimeout() {
  Lock lock(m_lock);
  return m_defaultTimeout;
}

CCurlRequest& CCameraHandle::PrepareRequest() {
  const std::string interfaceName = GetInterface();
  if (!interfaceName.empty()) m_request.SetStringOption(CURLOPT_INTERFACE, interfaceName.c_str());
  m_request.SetTimeout(GetDefaultTimeout());
  return m_request;
}
