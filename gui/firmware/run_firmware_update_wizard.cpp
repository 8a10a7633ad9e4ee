#include "gui/firmware/run_firmware_update_wizard.h"

#include <utility>

#include "camera/camera_connect.h"
#include "camera/password_prompt.h"
#include "gui/firmware/property_sheet_fw.h"

void RunFirmwareUpdateWizard(QWidget* parent, std::vector<CBrowseRecord> cameras, const CameraConnectContext& connect,
                             std::shared_ptr<IPasswordPrompt> prompt, std::function<void()> requery,
                             std::function<void()> done) {
  if (cameras.empty()) {
    if (done) done();
    return;
  }
  FirmwareWizardOptions options;
  options.requery = std::move(requery);
  // The pages keep a reference to the context: it lives as long as the wizard, as the prompt.
  auto context = std::make_shared<CameraConnectContext>(connect);
  // The outcome is in the wizard's own record copies, which go with it.
  auto* wizard = new CPropertySheetFW(std::move(cameras), *context, std::move(options), parent);
  wizard->setAttribute(Qt::WA_DeleteOnClose);  // deletes itself when closed
  QObject::connect(wizard, &QDialog::finished, wizard, [done = std::move(done)](int) {
    if (done) done();
  });
  // Context and prompt are released with this connection, when the wizard object is
  // destroyed: after its own destructor and its pages' have ended their workers.
  QObject::connect(wizard, &QObject::destroyed, [context, prompt = std::move(prompt)] {});
  wizard->open();
}
