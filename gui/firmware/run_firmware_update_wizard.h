#pragma once
// The Update Firmware command's way into the firmware wizard.

#include <functional>
#include <vector>

#include "records/browse_record.h"

class QWidget;
struct CameraConnectContext;

// Runs the firmware wizard modally over cameras (BuildFirmwareCameraList); does nothing for
// an empty list. connect opens the cameras (its prompt asks for passwords); requery asks
// discovery to look at the cameras again after the updates (RequeryResponder).
void RunFirmwareUpdateWizard(QWidget* parent, std::vector<CBrowseRecord> cameras, const CameraConnectContext& connect,
                             std::function<void()> requery);
