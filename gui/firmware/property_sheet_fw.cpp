#include "gui/firmware/property_sheet_fw.h"

#include <QList>

#include "gui/firmware/page_fw_progress.h"
#include "gui/firmware/page_fw_results.h"
#include "gui/firmware/page_fw_select.h"

CPropertySheetFW::CPropertySheetFW(std::vector<CBrowseRecord> cameras, const CameraConnectContext& connect,
                                   FirmwareWizardOptions options, QWidget* parent)
    : QWizard(parent), cameras_(std::move(cameras)), options_(std::move(options)) {
  setObjectName(QStringLiteral("firmwareWizard"));
  setWindowTitle(WindowTitle());
  setWizardStyle(QWizard::ModernStyle);
  setOption(QWizard::NoBackButtonOnStartPage);
  // Back is never offered: an update that has started cannot be taken back.
  setButtonLayout({QWizard::Stretch, QWizard::NextButton, QWizard::FinishButton, QWizard::CancelButton});
  select_ = new CPageFWSelect(firmwarePath_, options_.chooseFile, this);
  progress_ = new CPageFWProgress(cameras_, firmwarePath_, connect, options_, this);
  results_ = new CPageFWResults(cameras_, this);
  setPage(SelectPageId, select_);
  setPage(ProgressPageId, progress_);
  setPage(ResultsPageId, results_);
  setStartId(SelectPageId);
  // Whatever moves the wizard on (Next, its Alt+N, a queued move), the select page's
  // completion popup goes with the page.
  QObject::connect(this, &QWizard::currentIdChanged, select_, &CPageFWSelect::ClosePathCompletion);
}

CPropertySheetFW::~CPropertySheetFW() { progress_->ReleaseJobSet(); }

QString CPropertySheetFW::HeaderTitle() { return tr("Update Firmware"); }

QString CPropertySheetFW::WindowTitle() { return tr("Firmware Update Wizard"); }

void CPropertySheetFW::reject() {
  if (progress_->Started() && currentId() != ResultsPageId) return;
  QWizard::reject();
}
