#pragma once
// CZorvikIPCamera: one camera reached over its HTTP parameter interface. Connect logs in
// (when a user name is given) and learns the camera's parameter groups and parameters
// with their types; the groups and parameters then live until the next Connect or the
// camera object's end. Results are 0 or an eIPCamError code; GetLastIPCamError gives the
// text of the last failure of the camera or of one of its parameters (empty after a
// success). Used from one thread at a time. The protocol: urlforge/sdk/README.md.

#include <QString>
#include <memory>
#include <vector>

#include "urlforge/sdk/ip_cam_types.h"
#include "urlforge/sdk/parameter_group.h"

namespace ravix {
class CameraLink;
}

namespace ZorvikIPCam {

class CZorvikIPCamera {
 public:
  CZorvikIPCamera();
  ~CZorvikIPCamera();
  CZorvikIPCamera(const CZorvikIPCamera&) = delete;
  CZorvikIPCamera& operator=(const CZorvikIPCamera&) = delete;

  // address: IPv4 address or host name; port 1 to 65535; an empty user means no login;
  // timeoutMs limits each request (0 or below: 5000 ms).
  int Connect(const QString& address, const QString& user, const QString& password, int port, int timeoutMs);
  bool IsConnected() const { return connected_; }
  QString GetLastIPCamError() const;
  // The address and port of the last Connect that succeeded.
  QString GetAddress() const;
  int GetPort() const;

  // The groups in the camera's order; they live until the next Connect.
  std::vector<CParameterGroup*> GetGroups() const;
  // group is set to the group of that name, null on failure (eGroupNotFound).
  int GetParameterGroup(const QString& name, CParameterGroup*& group);
  // parameter is set to the parameter name of the group (or, with index 0 or above, the
  // one at that place of the group), null on failure. With update true it is read from
  // the camera at once (Update's result is returned; parameter stays set).
  int GetParameter(const QString& groupName, const QString& name, CParameter*& parameter, bool update, int index);
  // GET of path (beginning "/cgi-bin/", printable ASCII without blanks) on the connected
  // camera, the login session added; response gets the camera's answer.
  int ExecuteHTTP(const QString& path, QString& response);

  static QString TypeToString(int type);
  static QString ErrorCodeToString(int code);
  static eFunction StringToFunction(const QString& method);

 private:
  int LoadCatalogue();
  int Fail(int code, const QString& detail = QString());

  std::unique_ptr<ravix::CameraLink> link_;
  std::vector<std::unique_ptr<CParameterGroup>> groups_;
  bool connected_ = false;
};

}  // namespace ZorvikIPCam
