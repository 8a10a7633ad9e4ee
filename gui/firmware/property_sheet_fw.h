#pragma once
// CPropertySheetFW: the firmware update wizard over a list of camera record copies: the
// user picks a firmware file (CPageFWSelect), every camera is updated at once
// (CPageFWProgress) and each camera's outcome is listed (CPageFWResults). The wizard
// writes the camera handle and the update result into its own copies of the records.

#include <QString>
#include <QWizard>

#include <vector>

#include "gui/firmware/firmware_wizard_options.h"
#include "records/browse_record.h"

struct CameraConnectContext;
class CPageFWSelect;
class CPageFWProgress;
class CPageFWResults;

class CPropertySheetFW : public QWizard {
  Q_OBJECT

 public:
  enum PageId { SelectPageId = 0, ProgressPageId = 1, ResultsPageId = 2 };

  // connect: how every camera is opened (network tools, stored credentials, password
  // prompt); it outlives the wizard.
  CPropertySheetFW(std::vector<CBrowseRecord> cameras, const CameraConnectContext& connect,
                   FirmwareWizardOptions options, QWidget* parent = nullptr);
  // Waits for the update threads before the camera list goes.
  ~CPropertySheetFW() override;

  const std::vector<CBrowseRecord>& Cameras() const { return cameras_; }
  // The firmware file, set when the user leaves the select page.
  const QString& FirmwarePath() const { return firmwarePath_; }

  CPageFWSelect* SelectPage() const { return select_; }
  CPageFWProgress* ProgressPage() const { return progress_; }
  CPageFWResults* ResultsPage() const { return results_; }

  // Texts every page shares: the header title and the window title.
  static QString HeaderTitle();
  static QString WindowTitle();

  // Refused from the start of the update until the results page shows: the wizard
  // cannot be cancelled or closed then.
  void reject() override;

 private:
  std::vector<CBrowseRecord> cameras_;
  QString firmwarePath_;
  FirmwareWizardOptions options_;
  CPageFWSelect* select_;
  CPageFWProgress* progress_;
  CPageFWResults* results_;
};
