#pragma once
// CameraLink: the SDK's connection to one camera: its address and port, the login
// session, one reusable HTTP request, and the text of the last failure that the camera
// object and its parameters share. Used from one thread at a time.

#include <QString>
#include <string>
#include <vector>

#include "http/curl_request.h"
#include "urlforge/sdk/param_action.h"

namespace ravix {

class CameraLink {
 public:
  static constexpr int kDefaultTimeoutMs = 5000;
  // Most actions in one request; longer lists go out in several.
  static constexpr std::size_t kActionsPerRequest = 100;
  // Largest answer body taken from the camera.
  static constexpr unsigned kAnswerLimit = 256 * 1024;

  CameraLink() = default;
  ~CameraLink();
  CameraLink(const CameraLink&) = delete;
  CameraLink& operator=(const CameraLink&) = delete;

  // Checks address (an IPv4 address or host name) and port and makes them the camera of
  // this link, logged out. timeoutMs 0 or below means kDefaultTimeoutMs.
  int Open(const std::string& address, int port, int timeoutMs);
  // Logs out (when logged in) and forgets the camera.
  void Close();
  bool IsOpen() const { return !address_.empty(); }
  const std::string& Address() const { return address_; }
  int Port() const { return port_; }

  // Logs in on the camera's auth interface; later requests carry the session.
  int Login(const std::string& user, const std::string& password);

  // GET of path (which begins with "/") with the session appended; body gets the answer.
  int Get(const std::string& path, std::string& body);
  // Runs the actions on the parameter interface; answers gets one entry per action, in
  // order. Values and names are escaped where they would change the query.
  int Run(const std::vector<ParamAction>& actions, std::vector<ParamAnswer>& answers);
  // Runs one action; a camera exception fails with eCameraException naming the action.
  int RunOne(const ParamAction& action, std::string& value);

  // The last failure of an operation of the camera or one of its parameters; empty after
  // a success.
  const QString& LastError() const { return lastError_; }
  void ClearLastError() { lastError_.clear(); }
  // Sets the last failure to the code's text, followed by detail when given; returns code.
  int Fail(int code, const QString& detail = QString());

 private:
  std::string BaseUrl() const;
  std::string WithSession(const std::string& path) const;
  int RunBatch(const ParamAction* actions, std::size_t count, std::vector<ParamAnswer>& answers);
  int MapResult(int cameraResult);

  std::string address_;
  int port_ = 0;
  int timeoutMs_ = kDefaultTimeoutMs;
  std::string sessionId_;
  CCurlRequest request_;
  QString lastError_;
};

}  // namespace ravix
