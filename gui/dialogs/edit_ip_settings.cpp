#include "gui/dialogs/edit_ip_settings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <limits>

#include "gui/dialogs/message_box.h"
#include "net/network_tools.h"

namespace {

constexpr int kMaxNameChars = 80;
constexpr int kMaxAddressChars = 15;
constexpr int kMinPrefix = 0;
constexpr int kMaxPrefix = 32;

QString FromBytes(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QLineEdit* AddressField(QWidget* parent, const char* name) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(QLatin1String(name));
  field->setMaxLength(kMaxAddressChars);
  // As an IP address control: digits and dots only.
  field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), field));
  return field;
}

// Unsigned decimal as the dialog exchange reads it: blanks around it allowed.
bool ParseUnsigned(const QString& text, unsigned& value) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty() || !trimmed.front().isDigit()) return false;
  bool ok = false;
  const qulonglong number = trimmed.toULongLong(&ok);
  if (!ok || number > std::numeric_limits<unsigned>::max()) return false;
  value = static_cast<unsigned>(number);
  return true;
}

bool ParseInt(const QString& text, int& value) {
  bool ok = false;
  value = text.trimmed().toInt(&ok);
  return ok;
}

}  // namespace

CEditIPSettings::CEditIPSettings(const CBrowseRecord& record, const CNetworkTools& tools, QWidget* parent)
    : QDialog(parent), m_record(record) {
  setObjectName(QStringLiteral("editIPSettings"));
  setWindowTitle(tr("IP Settings"));
  reachable_ = [&tools](const CBrowseRecord& r, const std::string& candidate) {
    return tools.IsReachable(r, candidate);
  };
  BuildControls();
}

void CEditIPSettings::BuildControls() {
  dhcp_ = new QCheckBox(this);
  dhcp_->setObjectName(QStringLiteral("dhcp"));
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("name"));
  name_->setMaxLength(kMaxNameChars);
  gateway_ = AddressField(this, "gateway");
  ipAddress_ = AddressField(this, "ipAddress");
  nameServer_ = AddressField(this, "nameServer");
  port_ = new QLineEdit(this);
  port_->setObjectName(QStringLiteral("port"));
  prefix_ = new QLineEdit(this);
  prefix_->setObjectName(QStringLiteral("prefix"));

  auto* form = new QFormLayout;
  form->addRow(tr("Name:"), name_);
  form->addRow(tr("DHCP:"), dhcp_);
  form->addRow(tr("IP Address:"), ipAddress_);
  form->addRow(tr("Prefix:"), prefix_);
  form->addRow(tr("Name Server:"), nameServer_);
  form->addRow(tr("Gateway:"), gateway_);
  form->addRow(tr("Port:"), port_);

  auto* buttons = new QDialogButtonBox(this);
  buttons->setObjectName(QStringLiteral("buttons"));
  QPushButton* transmit = buttons->addButton(tr("Transmit"), QDialogButtonBox::AcceptRole);
  transmit->setObjectName(QStringLiteral("transmit"));
  transmit->setDefault(true);
  QPushButton* cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &CEditIPSettings::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CEditIPSettings::reject);
  connect(dhcp_, &QCheckBox::clicked, this, &CEditIPSettings::OnDhcpClicked);
  ipAddress_->installEventFilter(this);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  setMinimumWidth(320);
  // The exchange order, which is also the tab order of the fields.
  setTabOrder(dhcp_, name_);
  setTabOrder(name_, gateway_);
  setTabOrder(gateway_, ipAddress_);
  setTabOrder(ipAddress_, nameServer_);
  setTabOrder(nameServer_, port_);
  setTabOrder(port_, prefix_);
  setTabOrder(prefix_, transmit);
  setTabOrder(transmit, cancel);
}

void CEditIPSettings::SetFromSettings(const NetworkSettings& settings) {
  m_name = FromBytes(settings.HostName);
  m_dhcp = settings.DHCP ? 1 : 0;
  m_ipAddress = FromBytes(settings.IPAddress);
  m_prefix = settings.NetPrefix;
  m_nameServer = FromBytes(settings.NameServer);
  m_gateway = FromBytes(settings.Gateway);
  m_port = static_cast<unsigned>(settings.HTTPPort);
  UpdateData(false);
}

NetworkSettings CEditIPSettings::ToSettings() const {
  NetworkSettings settings;
  settings.HostName = m_name.toStdString();
  settings.DHCP = m_dhcp == 1;
  settings.IPAddress = m_ipAddress.toStdString();
  settings.NetPrefix = m_prefix;
  settings.NameServer = m_nameServer.toStdString();
  settings.Gateway = m_gateway.toStdString();
  settings.HTTPPort = static_cast<int32_t>(m_port);
  return settings;
}

bool CEditIPSettings::Fail(QLineEdit* field, const QString& message) {
  ravix::ShowMessageBox(this, message, QMessageBox::Warning);
  field->setFocus();
  field->selectAll();
  return false;
}

bool CEditIPSettings::UpdateData(bool saveAndValidate) {
  if (!saveAndValidate) {
    dhcp_->setChecked(m_dhcp == 1);
    name_->setText(m_name);
    gateway_->setText(m_gateway);
    ipAddress_->setText(m_ipAddress);
    nameServer_->setText(m_nameServer);
    port_->setText(QString::number(m_port));
    prefix_->setText(QString::number(m_prefix));
    return true;
  }
  const QString tooLong = tr("Enter no more than %1 characters.");
  m_dhcp = dhcp_->isChecked() ? 1 : 0;
  m_name = name_->text();
  if (m_name.size() > kMaxNameChars) return Fail(name_, tooLong.arg(kMaxNameChars));
  const std::pair<QLineEdit*, QString*> addresses[] = {
      {gateway_, &m_gateway}, {ipAddress_, &m_ipAddress}, {nameServer_, &m_nameServer}};
  for (const auto& [field, member] : addresses) {
    *member = field->text();
    if (member->size() > kMaxAddressChars) return Fail(field, tooLong.arg(kMaxAddressChars));
  }
  if (!ParseUnsigned(port_->text(), m_port)) return Fail(port_, tr("Enter a positive integer."));
  if (!ParseInt(prefix_->text(), m_prefix)) return Fail(prefix_, tr("Enter an integer."));
  if (m_prefix < kMinPrefix || m_prefix > kMaxPrefix)
    return Fail(prefix_, tr("Enter an integer between %1 and %2.").arg(kMinPrefix).arg(kMaxPrefix));
  return true;
}

void CEditIPSettings::accept() {
  if (!UpdateData(true)) return;  // the faulty field has the focus; the dialog stays
  QDialog::accept();
}

void CEditIPSettings::WarnUnlessReachable(const QString& candidate) {
  if (reachable_(m_record, candidate.toStdString())) return;
  warning_ = true;
  ravix::ShowMessageBox(this, tr("This change may cause the camera to be unreachable in the network. "),
                        QMessageBox::Warning);
  warning_ = false;
}

void CEditIPSettings::OnDhcpClicked() {
  warning_ = true;
  UpdateData(true);  // goes on whatever the check says
  warning_ = false;
  WarnUnlessReachable(m_dhcp == 0 ? m_ipAddress : QString());
  const bool staticAddress = m_dhcp == 0;
  for (QLineEdit* field : {gateway_, ipAddress_, nameServer_, prefix_}) field->setEnabled(staticAddress);
}

void CEditIPSettings::OnIPAddressKillFocus() {
  warning_ = true;
  UpdateData(true);
  warning_ = false;
  WarnUnlessReachable(m_ipAddress);
}

bool CEditIPSettings::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ipAddress_ && event->type() == QEvent::FocusOut && !warning_) {
    // The user left the field; a window or popup taking the focus is not leaving it.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) OnIPAddressKillFocus();
  }
  return QDialog::eventFilter(watched, event);
}
