#include "gui/firmware/page_fw_results.h"

#include <algorithm>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWizard>

#include <string>

#include "firmware/result_text.h"
#include "gui/firmware/property_sheet_fw.h"
#include "gui/models/app_image_list.h"
#include "views/record_columns.h"

namespace {

constexpr int kCameraColumnWidth = 120;

// The update result the wizard noted in the record copy; false when there is none.
bool NotedResult(const CBrowseRecord& record, int& code) {
  std::string text;
  if (!record.GetTxtValue(txtkey::kFirmwareResult, text) || text.empty()) return false;
  try {
    code = std::stoi(text);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

QString ResultText(int code) { return QCoreApplication::translate("FirmwareResult", FirmwareResultText(code)); }

}  // namespace

CPageFWResults::CPageFWResults(const std::vector<CBrowseRecord>& cameras, QWidget* parent)
    : QWizardPage(parent), cameras_(cameras) {
  setObjectName(QStringLiteral("firmwareResultsPage"));
  setTitle(CPropertySheetFW::HeaderTitle());
  setSubTitle(tr("The update has finished. Please see the table below for the results."));
  setFinalPage(true);

  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("firmwareResults"));
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSortingEnabled(false);
  list_->setUniformRowHeights(true);
  list_->setHeaderLabels({tr("Camera"), tr("Result")});
  list_->header()->setSectionsClickable(false);
  list_->header()->setSectionsMovable(false);
  list_->header()->setStretchLastSection(true);
  list_->setColumnWidth(CameraColumn, kCameraColumnWidth);
  auto* rebooting = new QLabel(tr("The cameras are now rebooting and will be available shortly."), this);
  rebooting->setObjectName(QStringLiteral("rebootingText"));
  rebooting->setWordWrap(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addWidget(rebooting);
}

void CPageFWResults::initializePage() {
  const AppImageList& images = AppImageList::Shared();
  list_->clear();
  for (const CBrowseRecord& camera : cameras_) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(CameraColumn, QString::fromStdString(camera.ServiceName));
    item->setIcon(CameraColumn, images.Icon(views::RecordImage(camera)));
    int code = 0;
    const bool known = NotedResult(camera, code);
    item->setText(ResultColumn, known ? ResultText(code) : QCoreApplication::translate("FirmwareResult", "Unknown"));
    item->setIcon(ResultColumn, images.Icon(known && code >= 0 ? AppImage::UpdateSucceeded : AppImage::UpdateFailed));
  }
  list_->resizeColumnToContents(CameraColumn);  // whole camera names, never narrower than at first
  list_->setColumnWidth(CameraColumn, std::max(kCameraColumnWidth, list_->columnWidth(CameraColumn)));
  if (wizard() != nullptr && wizard()->button(QWizard::CancelButton) != nullptr)
    wizard()->button(QWizard::CancelButton)->setEnabled(false);
}
