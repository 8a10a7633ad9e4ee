#include "gui/dialogs/dlg_password.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "camera/camera_connect.h"
#include "camera/credential_strings.h"
#include "gui/dialogs/password_balloon.h"
#include "platform/locked_call.h"

namespace {

CameraResult TryTypedCredentials(const PasswordPromptData& typed) {
  if (typed.CheckingTools == nullptr || !typed.Record) return CamOk;
  CameraConnectContext context{*typed.CheckingTools, typed.AlwaysUseIPAddress, nullptr, nullptr, {}};
  return TryConnectCamera(context, *typed.Record, typed.UserName.c_str(), typed.Password.c_str(), nullptr);
}

QString FromBytes(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

CDlgPassword::CDlgPassword(PasswordPromptData& data, QWidget* parent)
    : QDialog(parent), m_data(data), check_(&TryTypedCredentials) {
  setObjectName(QStringLiteral("dlgPassword"));
  BuildControls();
  prompt_->setText(m_data.Prompt.empty() ? tr("Please enter a username and password.") : FromBytes(m_data.Prompt));
  userName_->setText(FromBytes(m_data.UserName));
  password_->setText(FromBytes(m_data.Password));
  save_->setChecked(m_data.Save);
  save_->setEnabled(m_data.SaveEnabled);
  setWindowTitle(m_data.Caption.empty() ? tr("Password Required") : FromBytes(m_data.Caption));
  connect(userName_, &QLineEdit::textChanged, this, &CDlgPassword::HideBalloon);
  connect(password_, &QLineEdit::textChanged, this, &CDlgPassword::HideBalloon);
}

void CDlgPassword::BuildControls() {
  prompt_ = new QLabel(this);
  prompt_->setObjectName(QStringLiteral("prompt"));
  prompt_->setTextFormat(Qt::PlainText);  // names the camera by the service name it announces
  prompt_->setWordWrap(true);
  prompt_->setMinimumHeight(prompt_->fontMetrics().height() * 3);
  prompt_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  userName_ = new QLineEdit(this);
  userName_->setObjectName(QStringLiteral("userName"));
  password_ = new QLineEdit(this);
  password_->setObjectName(QStringLiteral("password"));
  password_->setEchoMode(QLineEdit::Password);
  save_ = new QCheckBox(tr("&Save Password"), this);
  save_->setObjectName(QStringLiteral("savePassword"));
  auto* userLabel = new QLabel(tr("&Username:"), this);
  userLabel->setBuddy(userName_);
  auto* passwordLabel = new QLabel(tr("&Password:"), this);
  passwordLabel->setBuddy(password_);

  auto* buttons = new QDialogButtonBox(this);
  buttons_ = buttons;
  buttons->setObjectName(QStringLiteral("buttons"));
  QPushButton* ok = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("ok"));
  ok->setDefault(true);
  QPushButton* cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &CDlgPassword::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CDlgPassword::reject);

  auto* fields = new QGridLayout;
  fields->addWidget(userLabel, 0, 0);
  fields->addWidget(userName_, 0, 1);
  fields->addWidget(passwordLabel, 1, 0);
  fields->addWidget(password_, 1, 1);
  fields->addWidget(save_, 2, 1);
  fields->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt_);
  layout->addLayout(fields);
  layout->addStretch(1);
  layout->addWidget(buttons);
  setMinimumWidth(420);
  balloon_ = new PasswordBalloon(this);  // last, so it lies above the fields
  setTabOrder(userName_, password_);
  setTabOrder(password_, save_);
  setTabOrder(save_, ok);
  setTabOrder(ok, cancel);
}

void CDlgPassword::TakeControls() {
  m_data.UserName = userName_->text().toStdString();
  WipeString(m_data.Password);
  m_data.Password = password_->text().toStdString();
  m_data.Save = save_->isChecked();
}

void CDlgPassword::accept() {
  TakeControls();
  if (m_data.CheckingTools == nullptr) {
    HideBalloon();
    QDialog::accept();
    return;
  }
  // The login runs on a worker thread while the dialog is locked; a dialog closed
  // meanwhile (its asker cancelled) never hears the answer.
  ravix::RunLocked(
      this, [check = check_, typed = m_data] { return check(typed); },
      [this](CameraResult rc) { OnCredentialsChecked(rc); });
}

void CDlgPassword::OnCredentialsChecked(CameraResult rc) {
  if (IsAuthenticationFailure(rc)) {
    ShowBalloon();
    password_->setFocus();
    password_->selectAll();
    return;  // the dialog stays open
  }
  // Any other failure ends the dialog too: the caller's own attempt reports it.
  HideBalloon();
  QDialog::accept();
}

bool CDlgPassword::IsBalloonShown() const { return balloon_->isVisible(); }

void CDlgPassword::HideBalloon() {
  balloon_->hide();
  password_->setStyleSheet(QString());
}

void CDlgPassword::ShowBalloon() {
  password_->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid #c0392b; }"));
  balloon_->ShowAt(password_, tr(credential_strings::kBalloonTitle), tr(credential_strings::kBalloonText));
  // Room below the balloon for the buttons, which the stretch keeps at the bottom.
  const int needed = balloon_->geometry().bottom() + buttons_->sizeHint().height() + 16;
  if (height() < needed) resize(width(), needed);
}
