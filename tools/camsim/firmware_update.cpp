#include "tools/camsim/firmware_update.h"

#include "tools/camsim/firmware_image.h"

namespace camsim {

namespace {

constexpr const char* kStatusPath = "/cgi-bin/firmware.cgi/status";
constexpr const char* kCheckPath = "/cgi-bin/firmware.cgi/check";

FirmwarePage Page(int status, const std::string& text) {
  return {status, "<html><head><title>Firmware</title></head><body><p>" + text + "</p></body></html>\n"};
}

}  // namespace

FirmwarePage FirmwareUpdate::Refresh(int seconds, const std::string& target, int percent, const std::string& text) {
  return {200, "<html><head><title>Firmware</title><meta http-equiv=\"refresh\" content=\"" + std::to_string(seconds) +
                   "; url=" + target + "\"></head><body><p>" + text + ": " + std::to_string(percent) +
                   " %</p></body></html>\n"};
}

FirmwarePage FirmwareUpdate::Upload() {
  state_ = State::UploadReady;
  image_.clear();
  return Page(200, "Ready for the firmware image.");
}

FirmwarePage FirmwareUpdate::Verify(const UploadedPart* part, bool refuse) {
  if (state_ != State::UploadReady) {
    state_ = State::Idle;
    return Page(200, "No upload was prepared; the image was discarded.");
  }
  state_ = State::Idle;
  if (part == nullptr || part->name != "firmware") return Page(200, "The request holds no part named firmware.");
  if (part->filename.empty()) return Page(200, "The firmware part has no file name.");
  if (refuse || !FirmwareImageIsIntact(part->content)) {
    return Page(200, "Firmware " + part->filename + " does not fit this camera or is damaged.");
  }
  state_ = State::Verified;
  image_ = part->content;
  return Page(200, "Firmware " + part->filename + " is matching this camera (" + std::to_string(image_.size()) +
                       " bytes).");
}

FirmwarePage FirmwareUpdate::Finish(const FirmwareBehaviour& behaviour) {
  if (state_ != State::Verified) {
    state_ = State::Idle;
    return Page(409, "No verified firmware image to install.");
  }
  state_ = State::Installing;
  statusPagesServed_ = 0;
  const std::string next = behaviour.statusPages > 0 ? kStatusPath : kCheckPath;
  return Refresh(behaviour.refreshSeconds, next, 5, "Installing firmware");
}

FirmwarePage FirmwareUpdate::Status(const FirmwareBehaviour& behaviour, bool endless) {
  if (state_ != State::Installing) return Page(200, "No firmware installation is running.");
  ++statusPagesServed_;
  if (endless) {
    return Refresh(behaviour.refreshSeconds, kStatusPath, 1 + statusPagesServed_ % 99, "Installing firmware");
  }
  const int percent = statusPagesServed_ * 100 / (behaviour.statusPages + 1);
  const bool last = statusPagesServed_ >= behaviour.statusPages;
  return Refresh(behaviour.refreshSeconds, last ? kCheckPath : kStatusPath, percent, "Installing firmware");
}

FirmwarePage FirmwareUpdate::Check(std::string& installedVersion) {
  installedVersion.clear();
  if (state_ != State::Installing) return Page(200, "No firmware installation to check.");
  installedVersion = FirmwareImageVersion(image_);
  state_ = State::Idle;
  image_.clear();
  return Page(200, "Firmware installed; the camera restarts.");
}

FirmwarePage FirmwareUpdate::Reset() {
  state_ = State::Idle;
  image_.clear();
  return Page(200, "Firmware update reset.");
}

}  // namespace camsim
