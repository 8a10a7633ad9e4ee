#pragma once
// A camera's firmware interface played by an HTTP server inside the test process on
// 127.0.0.1: login, the parameter probe, and firmware pages scripted per path. It logs
// every request target and keeps the parts of every image post.

#include <httplib.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FirmwareTestCamera {
 public:
  struct Page {
    int status = 200;
    std::string body;
    int delayMs = 0;  // answer only after this long (or when the camera stops)
  };

  static constexpr const char* kSessionId = "3fa9c1";
  static constexpr const char* kUpload = "/cgi-bin/firmware.cgi/upload";
  static constexpr const char* kVerify = "/cgi-bin/firmware.cgi/verify";
  static constexpr const char* kFinish = "/cgi-bin/firmware.cgi/finish";
  static constexpr const char* kReset = "/cgi-bin/firmware.cgi/reset";

  // A camera that takes any image: upload, verify, finish -> status1 -> status2 -> check.
  FirmwareTestCamera();
  ~FirmwareTestCamera();
  FirmwareTestCamera(const FirmwareTestCamera&) = delete;
  FirmwareTestCamera& operator=(const FirmwareTestCamera&) = delete;

  // path as it arrives, without query: pages named in a refresh carry a second "/".
  void SetPage(const std::string& path, Page page);

  // "<meta http-equiv=...>" page pointing to url after delay seconds, with text around it.
  static std::string RefreshPage(const std::string& delay, const std::string& url, const std::string& text = "");

  // Opens a camera handle through the client (with a login when withSession).
  int Open(bool withSession);

  std::vector<std::string> Log() const;  // request targets in order, "GET /..." / "POST /..."
  int Count(const std::string& pathPart) const;  // logged requests whose target holds pathPart
  std::vector<httplib::MultipartFormData> LastPostParts() const;
  std::string LastPostContentType() const;

 private:
  void Answer(const httplib::Request& request, httplib::Response& response);

  httplib::Server m_server;
  std::thread m_thread;
  int m_port = 0;
  mutable std::mutex m_lock;
  std::condition_variable m_stopped;
  bool m_stopping = false;
  std::map<std::string, Page> m_pages;
  std::vector<std::string> m_log;
  std::vector<httplib::MultipartFormData> m_parts;
  std::string m_postContentType;
};
