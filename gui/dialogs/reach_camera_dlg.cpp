#include "gui/dialogs/reach_camera_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString FromBytes(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QLabel* TextLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->setTextFormat(Qt::PlainText);  // camera and adapter names come from the network
  label->setWordWrap(true);
  return label;
}

}  // namespace

CReachCameraDlg::CReachCameraDlg(FirstContactProposal proposal, QWidget* parent)
    : QDialog(parent), proposal_(std::move(proposal)) {
  setObjectName(QStringLiteral("reachCameraDialog"));
  setWindowTitle(tr("Reach Camera"));
  BuildControls();
  setMinimumWidth(440);
  if (entry_ != nullptr) {
    connect(entry_, &QLineEdit::textChanged, this, &CReachCameraDlg::CheckEntry);
    entry_->setFocus();
    entry_->selectAll();
  }
  CheckEntry();
}

void CReachCameraDlg::BuildControls() {
  const QString cameraName = FromBytes(proposal_.CameraName);
  auto* layout = new QVBoxLayout(this);
  const QString adapter = FromBytes(proposal_.Adapter);
  const QString camera = FromBytes(proposal_.CameraAddress);
  layout->addWidget(TextLabel(tr("%1 is at %2, in no subnet of adapter %3.").arg(cameraName, camera, adapter),
                              "situation", this));
  if (proposal_.LinkLocal) {
    layout->addWidget(TextLabel(tr("To reach it, adapter %1 gets a temporary link-local address "
                                   "(169.254.x.y/16, picked at random and checked to be free).")
                                    .arg(adapter),
                                "proposal", this));
  } else {
    auto* prompt = TextLabel(tr("To reach it, adapter %1 gets this &temporary address in the camera's subnet:")
                                 .arg(adapter),
                             "proposal", this);
    entry_ = new QLineEdit(this);
    entry_->setObjectName(QStringLiteral("addressEntry"));
    entry_->setMaxLength(18);
    entry_->setText(FromBytes(ravix::FormatAddressWithPrefix(proposal_.Candidates.front())));
    prompt->setBuddy(entry_);
    problem_ = TextLabel({}, "problem", this);
    layout->addWidget(prompt);
    layout->addWidget(entry_);
    layout->addWidget(problem_);
  }
  layout->addWidget(TextLabel(tr("The address is checked to be free before it is added and is removed when the "
                                 "finder ends; left behind, it expires within an hour. Adding it may ask for "
                                 "an administrator's authorisation."),
                              "note", this));
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons_->setObjectName(QStringLiteral("buttons"));
  buttons_->button(QDialogButtonBox::Ok)->setText(tr("Add &Address"));
  buttons_->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
  buttons_->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons_);
}

void CReachCameraDlg::CheckEntry() {
  if (entry_ == nullptr) return;
  ravix::AddressWithPrefix value;
  std::string why;
  const bool usable = IsAddressForCamera(proposal_, entry_->text().trimmed().toStdString(), value, why);
  problem_->setText(usable ? QString() : FromBytes(why));
  problem_->setVisible(!usable);
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(usable);
}

std::vector<std::string> CReachCameraDlg::Candidates() const {
  std::vector<std::string> candidates;
  if (entry_ == nullptr) return candidates;
  const std::string typed = entry_->text().trimmed().toStdString();
  if (typed == ravix::FormatAddressWithPrefix(proposal_.Candidates.front())) {
    for (const ravix::AddressWithPrefix& candidate : proposal_.Candidates)
      candidates.push_back(ravix::FormatAddressWithPrefix(candidate));
    return candidates;
  }
  candidates.push_back(typed);
  return candidates;
}
