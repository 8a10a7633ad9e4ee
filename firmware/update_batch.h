#pragma once
// The batch of firmware workers behind the headless update of ravixfinder (--update-firmware FILE --camera NAME ...):
// one worker per camera, all in parallel, progress lines while they run and a table of
// the results at the end.
//
// The caller finds the cameras and opens them (stored credentials), then hands each one
// over as a target; the update owns the open handles from then on and closes every one.

#include <iosfwd>
#include <string>
#include <vector>

#include "http/camera_result.h"
#include "firmware/update_timing.h"

struct FirmwareUpdateTarget {
  std::string name;                 // shown in the progress lines and the table
  int handleId = 0;                 // open camera handle; 0 when the camera could not be opened
  CameraResult openResult = CamOk;  // for handle id 0: why opening failed (401/18: credentials)
};

// Exit codes of the command.
constexpr int kFirmwareCommandOk = 0;            // every camera was updated
constexpr int kFirmwareCommandCameraFailed = 1;  // at least one camera was not
constexpr int kFirmwareCommandBadInput = 2;      // firmware file unusable or no camera given; nothing sent

// Result codes (as the workers' exit codes) of cameras that could not be opened; they read
// "Authentication failed" and "Could not connect to camera".
constexpr int kFwExitLoginFailed = -401;
constexpr int kFwExitNotConnected = -301;
// A target repeating another target's handle (one handle serves one worker).
constexpr int kFwExitDuplicateHandle = -1;

// Updates every target with image (held once, shared by all workers), writes progress
// lines and the result table to out and returns a command exit code. timing: null for the
// real clock and chain bounds. Makes a QCoreApplication for its event loop when the
// program has none.
int UpdateFirmwareOnCameras(const std::vector<unsigned char>& image, const std::vector<FirmwareUpdateTarget>& targets,
                            std::ostream& out, const FirmwareUpdateTiming* timing = nullptr);

// ReadFirmwareImage, then UpdateFirmwareOnCameras. An unusable file or an empty target list
// is reported on err before anything is sent to a camera, the targets' handles are closed,
// and the result is kFirmwareCommandBadInput.
int RunFirmwareUpdateCommand(const std::string& path, const std::vector<FirmwareUpdateTarget>& targets,
                             std::ostream& out, std::ostream& err, const FirmwareUpdateTiming* timing = nullptr);
