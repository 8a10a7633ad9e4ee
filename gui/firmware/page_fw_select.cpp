#include "gui/firmware/page_fw_select.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/firmware/firmware_warning_icon.h"
#include "gui/firmware/property_sheet_fw.h"

CPageFWSelect::CPageFWSelect(QString& sharedPath, FirmwareFileChooser chooser, QWidget* parent)
    : QWizardPage(parent),
      sharedPath_(sharedPath),
      chooser_(chooser ? std::move(chooser) : FirmwareFileChooser(ChooseFirmwareFileWithDialog)) {
  setObjectName(QStringLiteral("firmwareSelectPage"));
  setTitle(CPropertySheetFW::HeaderTitle());
  setSubTitle(tr("Please select the firmware file."));

  auto* intro = new QLabel(tr("This wizard will help you to update the firmware on the selected Zorvik IP cameras."), this);
  intro->setObjectName(QStringLiteral("introText"));
  intro->setWordWrap(true);
  auto* attention = new QLabel(tr("Attention:\nThis will disrupt the regular operation of the camera: Streaming will be "
                                  "stopped, the camera will reboot."),
                               this);
  attention->setObjectName(QStringLiteral("attentionText"));
  attention->setWordWrap(true);
  auto* fileLabel = new QLabel(tr("&Select the firmware file:"), this);
  fileLabel->setObjectName(QStringLiteral("firmwareFileLabel"));
  pathEdit_ = new QLineEdit(sharedPath_, this);
  pathEdit_->setObjectName(QStringLiteral("firmwarePath"));
  fileLabel->setBuddy(pathEdit_);
  auto* files = new QFileSystemModel(this);
  files->setRootPath(QString());
  auto* completer = new QCompleter(files, this);
  completer->setObjectName(QStringLiteral("firmwarePathCompleter"));
  pathEdit_->setCompleter(completer);
  browseButton_ = new QPushButton(tr("&Browse..."), this);
  browseButton_->setObjectName(QStringLiteral("browseButton"));
  auto* howTo = new QLabel(tr("Click \"Next\" to start the update.\nClick \"Cancel\" to abort the upgrade and return to "
                              "normal operation."),
                           this);
  howTo->setObjectName(QStringLiteral("howToText"));
  howTo->setWordWrap(true);

  auto* warning = new QHBoxLayout;
  warning->addWidget(MakeFirmwareWarningIcon(this), 0, Qt::AlignTop);
  warning->addWidget(attention, 1);
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(pathEdit_, 1);
  pathRow->addWidget(browseButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addLayout(warning);
  layout->addSpacing(8);
  layout->addWidget(fileLabel);
  layout->addLayout(pathRow);
  layout->addStretch(1);
  layout->addWidget(howTo);

  connect(pathEdit_, &QLineEdit::textChanged, this, &QWizardPage::completeChanged);
  connect(browseButton_, &QPushButton::clicked, this, &CPageFWSelect::OnBrowse);
}

bool CPageFWSelect::IsAcceptableFile(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo file(path);
  return file.isFile() && file.size() > 0;
}

bool CPageFWSelect::isComplete() const { return IsAcceptableFile(pathEdit_->text()); }

void CPageFWSelect::ClosePathCompletion() {
  if (pathEdit_->completer() != nullptr) pathEdit_->completer()->popup()->hide();
}

bool CPageFWSelect::validatePage() {
  if (!isComplete()) return false;
  ClosePathCompletion();
  sharedPath_ = pathEdit_->text();
  return true;
}

void CPageFWSelect::OnBrowse() {
  QPointer<CPageFWSelect> page(this);
  chooser_(this, pathEdit_->text(), [page](const QString& chosen) {
    if (page == nullptr || chosen.isEmpty()) return;
    page->pathEdit_->setText(chosen);
    emit page->completeChanged();
  });
}
