#include "urlforge/sdk/ip_cam_error_text.h"

#include <QCoreApplication>

#include "urlforge/sdk/ip_cam_error.h"

namespace ravix {

QString IPCamErrorText(int code) {
  using namespace ZorvikIPCam;
  static constexpr struct {
    int code;
    const char* text;
  } kTexts[] = {
      {eIPCamOk, QT_TRANSLATE_NOOP("ZorvikIPCam", "No error")},
      {eNotConnected, QT_TRANSLATE_NOOP("ZorvikIPCam", "Not connected to a camera")},
      {eInvalidAddress, QT_TRANSLATE_NOOP("ZorvikIPCam", "Invalid camera address")},
      {eInvalidPort, QT_TRANSLATE_NOOP("ZorvikIPCam", "Invalid port: use 1 to 65535")},
      {eConnectionFailed, QT_TRANSLATE_NOOP("ZorvikIPCam", "The camera cannot be reached")},
      {eTimedOut, QT_TRANSLATE_NOOP("ZorvikIPCam", "The camera did not answer in time")},
      {eLoginFailed, QT_TRANSLATE_NOOP("ZorvikIPCam", "Login failed: wrong user name or password")},
      {eLoginRequired, QT_TRANSLATE_NOOP("ZorvikIPCam", "The camera requires a user name and password")},
      {eHttpStatus, QT_TRANSLATE_NOOP("ZorvikIPCam", "The camera answered with an HTTP error")},
      {eUnexpectedAnswer, QT_TRANSLATE_NOOP("ZorvikIPCam", "The camera's answer is not understood")},
      {eCameraException, QT_TRANSLATE_NOOP("ZorvikIPCam", "The camera refused the action")},
      {eGroupNotFound, QT_TRANSLATE_NOOP("ZorvikIPCam", "No such parameter group")},
      {eParameterNotFound, QT_TRANSLATE_NOOP("ZorvikIPCam", "No such parameter")},
      {eInvalidValue, QT_TRANSLATE_NOOP("ZorvikIPCam", "Invalid value")},
      {eParameterReadOnly, QT_TRANSLATE_NOOP("ZorvikIPCam", "The parameter is read-only")},
      {eParameterDisabled, QT_TRANSLATE_NOOP("ZorvikIPCam", "The parameter is disabled")},
      {eAnswerTooLarge, QT_TRANSLATE_NOOP("ZorvikIPCam", "The camera's answer is too large")},
      {eInvalidPath, QT_TRANSLATE_NOOP("ZorvikIPCam", "The request path must begin with /cgi-bin/")},
  };
  for (const auto& entry : kTexts) {
    if (entry.code == code) return QCoreApplication::translate("ZorvikIPCam", entry.text);
  }
  return QCoreApplication::translate("ZorvikIPCam", "Unknown error %1").arg(code);
}

}  // namespace ravix
