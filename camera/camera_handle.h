#pragma once
// CCameraHandle: one open camera. It remembers the camera's base URL (credentials taken
// out, ending in "/"), the session of its login and the local interface to send from, and
// keeps one request object for every request made through it.
//
// A handle belongs to one thread at a time. Its lock guards the session suffix and the
// interface; base URL, id and default timeout never change after construction.

#include <boost/thread/recursive_mutex.hpp>
#include <string>

#include "http/curl_request.h"

class CCameraHandle {
 public:
  virtual ~CCameraHandle();

  CCameraHandle(const CCameraHandle&) = delete;
  CCameraHandle& operator=(const CCameraHandle&) = delete;

  int GetId() const { return m_id; }
  const std::string& GetBaseUrl() const { return m_baseUrl; }

  // "&session_id=" + id, or empty without a session.
  std::string GetSessionSuffix();
  void ClearSessionSuffix();
  std::string GetInterface();
  int GetDefaultTimeout();

  // Sets CURLOPT_INTERFACE (when an interface is set) and the default timeout on the
  // handle's request and returns it.
  CCurlRequest& PrepareRequest();

  // The lock over session suffix and interface, for callers that read both at once.
  boost::recursive_mutex& GetLock() { return m_lock; }

 protected:
  // Handles are made only by CCameraHandleMap::CreateHandleObject.
  CCameraHandle(int id, int defaultTimeoutMs, std::string baseUrl, std::string sessionSuffix,
                std::string interfaceName);

 private:
  int m_id;
  int m_defaultTimeout;
  std::string m_baseUrl;
  std::string m_sessionSuffix;
  std::string m_interface;
  CCurlRequest m_request;
  boost::recursive_mutex m_lock;
};
