#pragma once
// The Update Firmware command's way into the firmware wizard.

#include <functional>
#include <memory>
#include <vector>

#include "records/browse_record.h"

class IPasswordPrompt;
class QWidget;
struct CameraConnectContext;

// Opens the firmware wizard window-modal over cameras (BuildFirmwareCameraList) and returns;
// done follows once the wizard has closed. Nothing opens for an empty list (done follows at
// once). connect opens the cameras; prompt is the one connect.Prompt points to, kept alive
// until the wizard (and its workers) are gone. requery asks discovery to look at the cameras
// again after the updates (RequeryResponder).
void RunFirmwareUpdateWizard(QWidget* parent, std::vector<CBrowseRecord> cameras, const CameraConnectContext& connect,
                             std::shared_ptr<IPasswordPrompt> prompt, std::function<void()> requery,
                             std::function<void()> done);
