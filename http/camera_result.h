#pragma once
// CameraResult: the int result of every camera operation. 0 is success, 1 to 20 are the
// failure codes below, and any value from 100 up is the HTTP status the camera answered
// instead of 200 (401: the camera wants a login).

using CameraResult = int;

constexpr CameraResult CamOk = 0;
constexpr CameraResult CamFailed = 1;
constexpr CameraResult CamInvalidParameter = 2;
constexpr CameraResult CamMissingArgument = 3;
constexpr CameraResult CamMissingText = 4;
constexpr CameraResult CamInvalidTimeout = 5;
constexpr CameraResult CamUnknownHandle = 6;
// 7 is not assigned.
constexpr CameraResult CamResponseTooLarge = 8;
constexpr CameraResult CamUnexpectedResponse = 9;
constexpr CameraResult CamCameraException = 10;
constexpr CameraResult CamOutOfResources = 11;
constexpr CameraResult CamTransferFailed = 12;
constexpr CameraResult CamTimedOut = 13;
constexpr CameraResult CamReceiveFailed = 14;
constexpr CameraResult CamSendFailed = 15;
constexpr CameraResult CamHostNotFound = 16;
// 17 is not assigned.
constexpr CameraResult CamLoginFailed = 18;
constexpr CameraResult CamFirmwareRejected = 19;
constexpr CameraResult CamStopped = 20;

// The camera's "authentication required" status, the one status callers act on.
constexpr CameraResult CamHttpUnauthorized = 401;
