#pragma once
// What the firmware wizard takes from its caller besides the cameras and the connect
// context.

#include <functional>

#include "gui/firmware/firmware_file_chooser.h"

struct FirmwareUpdateTiming;

struct FirmwareWizardOptions {
  // Asks discovery to look at the cameras again once the updates ended (they restart).
  std::function<void()> requery;
  // Asks for the firmware file on Browse; null: the file-open dialog.
  FirmwareFileChooser chooseFile;
  // Clock and bounds of the updates; null: the real ones.
  const FirmwareUpdateTiming* timing = nullptr;
};
