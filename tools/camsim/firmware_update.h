#pragma once
// A camera's side of a firmware update: "upload" prepares, "verify" receives and checks
// the image, "finish" starts the installation, whose status pages refresh themselves
// until they point to the "check" page; "reset" abandons the sequence at any point.

#include <string>

#include "tools/camsim/camera_config.h"

namespace camsim {

struct FirmwarePage {
  int status = 200;
  std::string body;
};

// The one part of a multipart upload.
struct UploadedPart {
  std::string name;
  std::string filename;
  std::string content;
};

class FirmwareUpdate {
 public:
  enum class State { Idle, UploadReady, Verified, Installing };

  FirmwarePage Upload();
  FirmwarePage Verify(const UploadedPart* part, bool refuse);
  FirmwarePage Finish(const FirmwareBehaviour& behaviour);
  FirmwarePage Status(const FirmwareBehaviour& behaviour, bool endless);
  // Completes an installation; installedVersion gets the image's version ("" when none).
  FirmwarePage Check(std::string& installedVersion);
  FirmwarePage Reset();

  State GetState() const { return state_; }

 private:
  static FirmwarePage Refresh(int seconds, const std::string& target, int percent, const std::string& text);

  State state_ = State::Idle;
  std::string image_;
  int statusPagesServed_ = 0;
};

}  // namespace camsim
