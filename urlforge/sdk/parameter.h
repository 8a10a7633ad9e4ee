#pragma once
// CParameter: one parameter of a camera group. Update reads its state from the camera;
// the Set operations of the typed parameters only change the value kept here, and Write
// sends it. Every operation returns 0 or an eIPCamError code and leaves its failure text
// in GetLastIPCamError (and in the camera's).

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "urlforge/sdk/ip_cam_types.h"

namespace ravix {
class CameraLink;
}

namespace ZorvikIPCam {

class CParameter {
 public:
  CParameter(ravix::CameraLink& link, QString groupName, QString name);
  CParameter(const CParameter&) = delete;
  CParameter& operator=(const CParameter&) = delete;

  // Reads access mode, enabled state and the type's values from the camera.
  virtual int Update();
  virtual ~CParameter();
  // Sends the value kept here (or the chosen command) to the camera.
  virtual int Write();
  // eTypeUnknown for a type the library does not know.
  virtual eParameterType GetType() const;

  QString GetName() const { return name_; }
  QString GetGroupName() const { return groupName_; }
  // eAccessUnknown until the first Update.
  eAccessMode GetAccessMode() const { return accessMode_; }
  bool IsEnabled() const { return enabled_; }
  QString GetLastIPCamError() const { return lastError_; }

 protected:
  // The read methods of the type, in the order ApplyValues gets their answers.
  virtual std::vector<std::string> ReadMethods() const;
  // Takes the answers of ReadMethods; false when one is not understood.
  virtual bool ApplyValues(const std::vector<std::string>& values);
  // The method (and argument) that Write sends; false when the type has nothing to send.
  virtual bool PendingWrite(std::string& method, std::optional<std::string>& argument) const;
  // Takes the camera's answer to a successful write.
  virtual void Written(const std::string& answer);

  // Sets the failure text (here and in the camera's, unless the camera link has just
  // set its own) and returns code. Operations clear the camera's text when they start.
  int Fail(int code, const QString& detail = QString());
  int Succeed();
  // Starts an operation: clears the camera's failure text.
  void Begin();
  // "Group.Name" and the action "Group.Name.method".
  QString FullName() const;
  std::string ActionName(const std::string& method) const;
  ravix::CameraLink& Link() const { return link_; }

 private:
  ravix::CameraLink& link_;
  QString groupName_;
  QString name_;
  eAccessMode accessMode_ = eAccessUnknown;
  bool enabled_ = true;
  QString lastError_;
};

}  // namespace ZorvikIPCam
