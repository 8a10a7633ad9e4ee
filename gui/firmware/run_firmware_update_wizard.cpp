#include "gui/firmware/run_firmware_update_wizard.h"

#include "gui/firmware/property_sheet_fw.h"

void RunFirmwareUpdateWizard(QWidget* parent, std::vector<CBrowseRecord> cameras, const CameraConnectContext& connect,
                             std::function<void()> requery) {
  if (cameras.empty()) return;
  FirmwareWizardOptions options;
  options.requery = std::move(requery);
  CPropertySheetFW wizard(std::move(cameras), connect, std::move(options), parent);
  wizard.exec();  // the outcome is in the wizard's own record copies, which go with it
}
