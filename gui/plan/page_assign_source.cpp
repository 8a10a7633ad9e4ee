#include "gui/plan/page_assign_source.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/plan/assign_addresses_wizard.h"
#include "plan/address_range.h"

namespace {

QLineEdit* Field(QWidget* parent, const char* name, const QString& placeholder) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(QString::fromLatin1(name));
  field->setPlaceholderText(placeholder);
  field->setMaxLength(80);
  return field;
}

}  // namespace

CPageAssignSource::CPageAssignSource(CAssignAddressesWizard& wizard) : QWizardPage(&wizard), wizard_(wizard) {
  setObjectName(QStringLiteral("assignSourcePage"));
  setTitle(tr("Assign Addresses"));
  setSubTitle(tr("Give the %n selected camera(s) addresses from a range or from a plan file.", nullptr,
                 static_cast<int>(wizard.Selected().size())));
  useRange_ = new QRadioButton(tr("&Range, in the list's order"), this);
  useRange_->setObjectName(QStringLiteral("useRange"));
  useRange_->setChecked(true);
  first_ = Field(this, "firstAddress", tr("e.g. 192.168.5.20"));
  prefix_ = new QSpinBox(this);
  prefix_->setObjectName(QStringLiteral("prefix"));
  prefix_->setRange(1, 32);
  prefix_->setValue(24);
  gateway_ = Field(this, "gateway", tr("empty: each camera keeps its own"));
  nameServer_ = Field(this, "nameServer", tr("empty: each camera keeps its own"));
  pattern_ = Field(this, "hostPattern", tr("e.g. cam-{n} or cam-{serial}; empty: names stay"));
  auto* range = new QFormLayout;
  range->addRow(tr("&First address:"), first_);
  range->addRow(tr("&Prefix:"), prefix_);
  range->addRow(tr("&Gateway:"), gateway_);
  range->addRow(tr("Na&me server:"), nameServer_);
  range->addRow(tr("&Host names:"), pattern_);

  useFile_ = new QRadioButton(tr("Plan fi&le (CSV: serial or mac, then hostname, address, prefix, ...)"), this);
  useFile_->setObjectName(QStringLiteral("useFile"));
  file_ = Field(this, "planFile", tr("CSV file"));
  file_->setMaxLength(4096);
  auto* browse = new QPushButton(tr("Bro&wse..."), this);
  browse->setObjectName(QStringLiteral("browsePlan"));
  connect(browse, &QPushButton::clicked, this, &CPageAssignSource::Browse);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(file_);
  fileRow->addWidget(browse);

  faults_ = new QLabel(this);
  faults_->setObjectName(QStringLiteral("planFaults"));
  faults_->setTextFormat(Qt::PlainText);  // plan texts are shown as they are, never as markup
  faults_->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(useRange_);
  layout->addLayout(range);
  layout->addWidget(useFile_);
  layout->addLayout(fileRow);
  layout->addWidget(faults_, 1);
}

void CPageAssignSource::Browse() {
  auto* dialog = new QFileDialog(this, tr("Address Plan"), file_->text(), tr("CSV files (*.csv);;All files (*)"));
  dialog->setObjectName(QStringLiteral("planFileDialog"));
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
    file_->setText(path);
    useFile_->setChecked(true);
  });
  dialog->open();
}

bool CPageAssignSource::MakeRange() {
  ravix::AddressRange range;
  range.firstAddress = first_->text().trimmed().toStdString();
  range.prefix = prefix_->value();
  range.gateway = gateway_->text().trimmed().toStdString();
  range.nameServer = nameServer_->text().trimmed().toStdString();
  range.hostPattern = pattern_->text().trimmed().toStdString();
  std::vector<ravix::RangeCamera> cameras;
  for (const CBrowseRecord& record : wizard_.Selected()) {
    std::string mac;
    ravix::NormaliseMacAddress(record.GetTxtValueOrEmpty(txtkey::kMacAddress), mac);
    cameras.push_back({record.ID, record.GetTxtValueOrEmpty(txtkey::kSerial), mac});
  }
  std::vector<ravix::PlanError> errors;
  if (ravix::MakeRangePlan(range, cameras, wizard_.plan, errors)) return true;
  QString text;
  for (const ravix::PlanError& error : errors) text += QString::fromStdString(ravix::FormatPlanError(error)) + '\n';
  faults_->setText(text);
  return false;
}

bool CPageAssignSource::ReadFile() {
  std::vector<ravix::PlanError> errors;
  if (ravix::ReadAddressPlan(file_->text().toStdString(), wizard_.plan, errors)) return true;
  QString text = tr("The plan cannot be used; nothing was sent:") + '\n';
  for (const ravix::PlanError& error : errors) text += QString::fromStdString(ravix::FormatPlanError(error)) + '\n';
  faults_->setText(text);
  return false;
}

bool CPageAssignSource::validatePage() {
  faults_->clear();
  return useRange_->isChecked() ? MakeRange() : ReadFile();
}
