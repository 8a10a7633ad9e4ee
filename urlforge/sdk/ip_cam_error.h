#pragma once
// The result codes of the camera SDK: 0 is success, every other value names a failure
// (CZorvikIPCamera::ErrorCodeToString gives its text).

namespace ZorvikIPCam {

enum eIPCamError : int {
  eIPCamOk = 0,
  eNotConnected = 1,
  eInvalidAddress = 2,
  eInvalidPort = 3,
  eConnectionFailed = 4,
  eTimedOut = 5,
  eLoginFailed = 6,
  eLoginRequired = 7,
  eHttpStatus = 8,
  eUnexpectedAnswer = 9,
  eCameraException = 10,
  eGroupNotFound = 11,
  eParameterNotFound = 12,
  eInvalidValue = 13,
  eParameterReadOnly = 14,
  eParameterDisabled = 15,
  eAnswerTooLarge = 16,
  eInvalidPath = 17,
};

}  // namespace ZorvikIPCam
