#include "urlforge/window/url_forge_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "urlforge/sdk/command_parameter.h"
#include "urlforge/sdk/enumeration_parameter.h"
#include "urlforge/sdk/integer_parameter.h"
#include "urlforge/sdk/string_parameter.h"
#include "urlforge/sdk/zorvik_ip_camera.h"
#include "urlforge/window/up_down_control.h"
#include "urlforge/window/url_forge_text.h"

using namespace ZorvikIPCam;

namespace {

// Dialog units of the window's layout in pixels of the dialog's font.
int DluX(const QWidget* widget, int units) { return units * widget->fontMetrics().averageCharWidth() / 4; }
int DluY(const QWidget* widget, int units) { return units * widget->fontMetrics().height() / 8; }

template <class Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

// The methods offered for a parameter type, before "IsEnabled" and "IsReadonly".
QStringList MethodsOf(int type) {
  switch (type) {
    case eInteger: return {"SetValue", "GetValue", "GetMin", "GetMax", "GetInc"};
    case eString: return {"SetValue", "GetValue", "GetMaxLength"};
    case eCommand: return {"Execute", "IsDone", "Stop"};
    case eEnumeration: return {"SetStringValue", "SetIntValue", "GetStringValue", "GetIntValue", "GetEntries"};
    default: return {};
  }
}

// Replaces the entries of a sorted selection list without running its handler.
void FillSorted(QComboBox* combo, const QStringList& names) {
  const QSignalBlocker blocker(combo);
  combo->clear();
  combo->addItems(ravix::SortedForList(names));
}

void EmptyList(QComboBox* combo) {
  const QSignalBlocker blocker(combo);
  combo->clear();
}

// Selects a list's first entry without running its handler; false when it has none.
bool SelectFirst(QComboBox* combo) {
  const QSignalBlocker blocker(combo);
  combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
  return combo->count() > 0;
}

}  // namespace

CUrlForgeDlg::CUrlForgeDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_pCamera(std::make_unique<CZorvikIPCamera>()) {
  setObjectName(QStringLiteral("urlForgeDialog"));
  setWindowTitle(tr(" Zorvik IP Camera UrlForge"));
  setWindowIcon(QIcon(QStringLiteral(":/urlforge/urlforge.svg")));
  CreateControls();
  ConnectSignals();
  m_editPort->setText(QStringLiteral("80"));
  ResetValueControls();
}

CUrlForgeDlg::~CUrlForgeDlg() = default;

void CUrlForgeDlg::SetMessageSink(MessageSink sink) { messageSink_ = std::move(sink); }

QString CUrlForgeDlg::MessageTitle() { return tr("Zorvik IP Camera UrlForge"); }

void CUrlForgeDlg::CreateControls() {
  auto* cameraBox = Named(new QGroupBox(tr("Camera"), this), "cameraBox");
  m_ipAddress = Named(new QLineEdit(cameraBox), "ipAddress");
  static const QString octet = QStringLiteral("(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])");
  m_ipAddress->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("(%1\\.){0,3}%1?").arg(octet)), m_ipAddress));
  m_ipAddress->setMinimumWidth(DluX(this, 114));
  m_editPort = Named(new QLineEdit(cameraBox), "port");
  m_editPort->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_editPort));
  m_editPort->setAlignment(Qt::AlignRight);
  m_editPort->setMaxLength(5);
  m_editPort->setFixedWidth(DluX(this, 30));
  m_buttonConnect = Named(new QPushButton(tr("&Connect"), cameraBox), "connect");
  m_buttonConnect->setDefault(true);
  m_editUser = Named(new QLineEdit(cameraBox), "user");
  m_editUser->setFixedWidth(DluX(this, 72));
  m_editPassword = Named(new QLineEdit(cameraBox), "password");
  m_editPassword->setEchoMode(QLineEdit::Password);
  m_editPassword->setFixedWidth(DluX(this, 72));

  auto* cameraGrid = new QGridLayout(cameraBox);
  cameraGrid->addWidget(Named(new QLabel(tr("IP Address"), cameraBox), "ipAddressLabel"), 0, 0);
  cameraGrid->addWidget(m_ipAddress, 0, 1);
  cameraGrid->addWidget(Named(new QLabel(QStringLiteral(":"), cameraBox), "portLabel"), 0, 2);
  cameraGrid->addWidget(m_editPort, 0, 3);
  cameraGrid->addWidget(m_buttonConnect, 0, 4);
  cameraGrid->addWidget(Named(new QLabel(tr("Username"), cameraBox), "userLabel"), 1, 0);
  cameraGrid->addWidget(m_editUser, 1, 1, Qt::AlignLeft);
  cameraGrid->addWidget(Named(new QLabel(tr("Password"), cameraBox), "passwordLabel"), 2, 0);
  cameraGrid->addWidget(m_editPassword, 2, 1, Qt::AlignLeft);

  m_comboGroup = Named(new QComboBox(this), "group");
  m_comboGroup->setMinimumWidth(DluX(this, 98));
  m_labelParameter = Named(new QLabel(tr("Parameter"), this), "parameterLabel");
  m_comboParameter = Named(new QComboBox(this), "parameter");
  m_comboParameter->setMinimumWidth(DluX(this, 98));
  m_comboMethod = Named(new QComboBox(this), "method");
  m_comboMethod->setMinimumWidth(DluX(this, 90));

  // The five value controls share one place; at most the edit with its arrows shows.
  auto* valueArea = Named(new QWidget(this), "valueArea");
  valueArea->setMinimumWidth(DluX(this, 93));
  m_editValue = Named(new QLineEdit(valueArea), "value");
  m_spinValue = Named(new ravix::UpDownControl(valueArea), "upDown");
  m_spinValue->setFixedSize(DluX(this, 10) + 8, m_editValue->sizeHint().height());
  m_listEntries = Named(new QListWidget(valueArea), "entries");
  m_listEntries->setMinimumHeight(DluY(this, 75));
  m_checkValue = Named(new QCheckBox(valueArea), "check");
  m_comboEntries = Named(new QComboBox(valueArea), "valueChoice");
  m_comboEntries->setEditable(true);
  m_comboEntries->setInsertPolicy(QComboBox::NoInsert);
  auto* valueGrid = new QGridLayout(valueArea);
  valueGrid->setContentsMargins(0, 0, 0, 0);
  valueGrid->setSpacing(0);
  valueGrid->addWidget(m_editValue, 0, 0, Qt::AlignTop);
  valueGrid->addWidget(m_spinValue, 0, 1, Qt::AlignTop);
  valueGrid->addWidget(m_listEntries, 0, 0, 1, 2);
  valueGrid->addWidget(m_checkValue, 0, 0, 1, 2, Qt::AlignTop);
  valueGrid->addWidget(m_comboEntries, 0, 0, 1, 2, Qt::AlignTop);
  valueGrid->setRowStretch(1, 1);
  m_labelValue = Named(new QLabel(tr("Value"), this), "valueLabel");
  m_buttonShowUrl = Named(new QPushButton(tr("&Execute"), this), "execute");
  m_buttonShowUrl->setAutoDefault(false);

  auto* selection = new QGridLayout;
  selection->addWidget(Named(new QLabel(tr("Group"), this), "groupLabel"), 0, 0);
  selection->addWidget(m_labelParameter, 0, 1);
  selection->addWidget(Named(new QLabel(tr("Method"), this), "methodLabel"), 0, 2);
  selection->addWidget(m_labelValue, 0, 3);
  selection->addWidget(m_comboGroup, 1, 0, Qt::AlignTop);
  selection->addWidget(m_comboParameter, 1, 1, Qt::AlignTop);
  selection->addWidget(m_comboMethod, 1, 2, Qt::AlignTop);
  selection->addWidget(valueArea, 1, 3);
  selection->addWidget(m_buttonShowUrl, 1, 4, Qt::AlignTop);
  selection->setRowMinimumHeight(1, DluY(this, 80));

  m_editLog = Named(new QPlainTextEdit(this), "log");
  m_editLog->setMinimumHeight(DluY(this, 101));
  m_buttonExecute = Named(new QPushButton(tr("&Execute URL"), this), "executeUrl");
  m_buttonClear = Named(new QPushButton(tr("&Clear"), this), "clear");
  m_buttonQuit = Named(new QPushButton(tr("&Quit"), this), "quit");
  for (QPushButton* button : {m_buttonExecute, m_buttonClear, m_buttonQuit}) {
    button->setAutoDefault(false);
    button->setMinimumWidth(DluX(this, 63));
  }
  m_staticStatus = Named(new QLabel(this), "status");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_buttonExecute);
  buttons->addWidget(m_buttonClear);
  buttons->addStretch(1);
  buttons->addWidget(m_buttonQuit);

  auto* top = new QHBoxLayout;
  top->addWidget(cameraBox);
  top->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(selection);
  layout->addWidget(m_editLog, 1);
  layout->addLayout(buttons);
  layout->addWidget(m_staticStatus);
  resize(DluX(this, 449), DluY(this, 338));
}

void CUrlForgeDlg::ConnectSignals() {
  connect(m_buttonConnect, &QPushButton::clicked, this, &CUrlForgeDlg::OnBnClickedButtonconnect);
  connect(m_comboGroup, &QComboBox::currentIndexChanged, this, &CUrlForgeDlg::OnCbnSelchangeCombogroup);
  connect(m_comboParameter, &QComboBox::currentIndexChanged, this, &CUrlForgeDlg::OnCbnSelchangeComboparameter);
  connect(m_comboMethod, &QComboBox::currentIndexChanged, this, &CUrlForgeDlg::OnCbnSelchangeCombomethod);
  connect(m_editValue, &QLineEdit::textChanged, this, &CUrlForgeDlg::OnEnChangeEditvalue);
  connect(m_buttonShowUrl, &QPushButton::clicked, this, &CUrlForgeDlg::OnBnClickedButtonshowurl);
  connect(m_comboEntries, &QComboBox::currentIndexChanged, this, &CUrlForgeDlg::OnCbnSelchangeComboentries);
  connect(m_buttonExecute, &QPushButton::clicked, this, &CUrlForgeDlg::OnBnClickedButtonexecute);
  connect(m_buttonClear, &QPushButton::clicked, this, &CUrlForgeDlg::OnBnClickedButtonclear);
  connect(m_buttonQuit, &QPushButton::clicked, this, &QDialog::reject);
}

void CUrlForgeDlg::ShowMessage(const QString& text) {
  if (messageSink_) {
    messageSink_(MessageTitle(), text);
    return;
  }
  QMessageBox box(QMessageBox::Warning, MessageTitle(), text, QMessageBox::Ok, this);
  box.exec();
}

QString CUrlForgeDlg::CameraErrorOr(const QString& fallback) const {
  const QString error = m_pCamera->GetLastIPCamError();
  return error.isEmpty() ? fallback : error;
}

QString CUrlForgeDlg::MethodText() const { return m_comboMethod->currentText(); }

void CUrlForgeDlg::ResetValueControls() {
  m_editValue->setReadOnly(true);
  m_editValue->hide();
  m_listEntries->hide();
  m_listEntries->clear();
  m_checkValue->hide();
  m_checkValue->setEnabled(false);
  m_spinValue->hide();
  m_spinValue->SetBuddy(m_editValue);
  m_comboEntries->hide();
  EmptyList(m_comboEntries);
  m_labelValue->hide();
  m_buttonExecute->setEnabled(false);
  m_buttonShowUrl->setEnabled(false);
  QTextCursor cursor = m_editLog->textCursor();  // the log loses its selected text only
  cursor.removeSelectedText();
  m_editLog->setTextCursor(cursor);
  m_staticStatus->clear();
  m_bNothingToWrite = true;
}

void CUrlForgeDlg::OnBnClickedButtonconnect() {
  EmptyList(m_comboGroup);
  EmptyList(m_comboParameter);
  EmptyList(m_comboMethod);
  m_pGroup = nullptr;  // the objects of an earlier connection end with this one
  m_pParameter = nullptr;
  ResetValueControls();
  m_nActions = 0;
  m_strActions.clear();
  const int port = ravix::LeadingInteger(m_editPort->text());
  if (m_pCamera->Connect(m_ipAddress->text(), m_editUser->text(), m_editPassword->text(), port, 0) != 0) {
    ShowMessage(m_pCamera->GetLastIPCamError());
    return;
  }
  QStringList names;
  for (const CParameterGroup* group : m_pCamera->GetGroups()) names << group->GetName();
  FillSorted(m_comboGroup, names);
  if (SelectFirst(m_comboGroup)) OnCbnSelchangeCombogroup();
  m_staticStatus->setText(tr(" Camera successfully connected!"));
}

void CUrlForgeDlg::OnCbnSelchangeCombogroup() {
  if (!m_pCamera->IsConnected()) return;
  ResetValueControls();
  EmptyList(m_comboParameter);
  EmptyList(m_comboMethod);
  m_labelParameter->setText(tr("Parameter"));
  m_pGroup = nullptr;
  m_pParameter = nullptr;
  const int rc = m_pCamera->GetParameterGroup(m_comboGroup->currentText(), m_pGroup);
  if (rc != 0 || m_pGroup == nullptr) {
    // The lists below stay empty; the library says why.
    ShowMessage(CameraErrorOr(CZorvikIPCamera::ErrorCodeToString(rc)));
    return;
  }
  QStringList names;
  for (const CParameter* parameter : m_pGroup->GetParameters()) names << parameter->GetName();
  FillSorted(m_comboParameter, names);
  if (SelectFirst(m_comboParameter)) OnCbnSelchangeComboparameter();
}

void CUrlForgeDlg::OnCbnSelchangeComboparameter() {
  if (!m_pCamera->IsConnected()) return;
  ResetValueControls();
  EmptyList(m_comboMethod);
  m_pParameter = nullptr;
  m_labelParameter->setText(tr("Parameter"));
  if (m_pGroup == nullptr) return;
  const int rc = m_pCamera->GetParameter(m_pGroup->GetName(), m_comboParameter->currentText(), m_pParameter, false, -1);
  if (rc != 0 || m_pParameter == nullptr) {
    // No methods to offer; the library says why.
    m_pParameter = nullptr;
    ShowMessage(CameraErrorOr(CZorvikIPCamera::ErrorCodeToString(rc)));
    return;
  }
  if (m_pParameter->Update() != 0) ShowMessage(CameraErrorOr(m_pParameter->GetLastIPCamError()));
  m_labelParameter->setText(tr("Parameter (%1)").arg(CZorvikIPCamera::TypeToString(m_pParameter->GetType())));
  QStringList methods = MethodsOf(m_pParameter->GetType());
  methods << QStringLiteral("IsEnabled") << QStringLiteral("IsReadonly");
  FillSorted(m_comboMethod, methods);
  if (SelectFirst(m_comboMethod)) OnCbnSelchangeCombomethod();
}

void CUrlForgeDlg::ShowValueEdit(const QString& text, bool editable) {
  m_editValue->setReadOnly(!editable);
  m_editValue->show();
  m_editValue->setText(text);
}

void CUrlForgeDlg::FillValueChoice(bool byValue) {
  auto* enumeration = dynamic_cast<CEnumerationParameter*>(m_pParameter);
  if (enumeration == nullptr) return;
  const QSignalBlocker blocker(m_comboEntries);
  m_comboEntries->clear();
  for (const sEnumEntry& entry : enumeration->GetEntries()) {
    m_comboEntries->addItem(byValue ? QString::number(entry.value) : entry.text);
  }
  m_comboEntries->setCurrentIndex(-1);  // no entry chosen: choosing any one is a change
  m_comboEntries->setEditText(byValue ? QString::number(enumeration->GetIntValue()) : enumeration->GetStringValue());
  m_comboEntries->show();
}

void CUrlForgeDlg::OnCbnSelchangeCombomethod() {
  if (!m_pCamera->IsConnected()) return;
  ResetValueControls();
  const QString method = MethodText();
  m_labelValue->show();
  m_buttonShowUrl->setEnabled(true);
  if (m_pParameter == nullptr) return;
  auto* integer = dynamic_cast<CIntegerParameter*>(m_pParameter);
  auto* text = dynamic_cast<CStringParameter*>(m_pParameter);
  auto* enumeration = dynamic_cast<CEnumerationParameter*>(m_pParameter);
  auto* command = dynamic_cast<CCommandParameter*>(m_pParameter);
  const auto decimal = [](int value) { return QString::number(value); };
  switch (CZorvikIPCamera::StringToFunction(method)) {
    case eGetValue:
      ShowValueEdit(integer != nullptr ? decimal(integer->GetValue()) : text != nullptr ? text->GetValue() : QString(),
                    false);
      break;
    case eGetIntValue:
      if (enumeration != nullptr) ShowValueEdit(decimal(enumeration->GetIntValue()), false);
      break;
    case eGetMin:
      if (integer != nullptr) ShowValueEdit(decimal(integer->GetMin()), false);
      break;
    case eGetMax:
      if (integer != nullptr) ShowValueEdit(decimal(integer->GetMax()), false);
      break;
    case eGetInc:
      if (integer != nullptr) ShowValueEdit(decimal(integer->GetInc()), false);
      break;
    case eGetMaxLength:
      if (text != nullptr) ShowValueEdit(decimal(text->GetMaxLength()), false);
      break;
    case eGetStringValue:
      if (enumeration != nullptr) ShowValueEdit(enumeration->GetStringValue(), false);
      break;
    case eSetValue:
      if (integer != nullptr) {
        m_spinValue->SetRange(integer->GetMin(), integer->GetMax());
        m_spinValue->SetStep(integer->GetInc());
        m_spinValue->show();
        ShowValueEdit(decimal(integer->GetValue()), true);
      } else if (text != nullptr) {
        ShowValueEdit(text->GetValue(), true);
      }
      WriteCheck();
      break;
    case eSetIntValue:
    case eSetStringValue:
      FillValueChoice(method == QLatin1String("SetIntValue"));
      WriteCheck();
      break;
    case eGetEntries:
      if (enumeration != nullptr) {
        for (const sEnumEntry& entry : enumeration->GetEntries()) m_listEntries->addItem(entry.text);
      }
      m_listEntries->show();
      break;
    case eIsEnabled:
    case eIsReadonly:
    case eIsDone:
      m_checkValue->setChecked(method == QLatin1String("IsEnabled")   ? m_pParameter->IsEnabled()
                               : method == QLatin1String("IsReadonly") ? m_pParameter->GetAccessMode() == eReadOnly
                                                                       : command != nullptr && command->IsDone());
      m_checkValue->show();
      break;
    case eExecute:
    case eStop:
      m_labelValue->hide();
      if (command != nullptr && method == QLatin1String("Stop")) command->Stop();
      if (command != nullptr && method != QLatin1String("Stop")) command->Execute();
      WriteCheck();
      break;
    default:
      break;
  }
}

void CUrlForgeDlg::WriteCheck() {
  if (m_pParameter != nullptr && m_pParameter->IsEnabled() && m_pParameter->GetAccessMode() == eReadWrite) {
    m_buttonShowUrl->setEnabled(true);
    m_bNothingToWrite = false;
    return;
  }
  m_buttonShowUrl->setEnabled(false);
  m_staticStatus->setText(tr(" Parameter is readonly!"));
}

void CUrlForgeDlg::OnEnChangeEditvalue() {
  if (m_bInValueUpdate) return;
  const QScopedValueRollback<bool> inUpdate(m_bInValueUpdate, true);
  if (MethodText() != QLatin1String("SetValue")) return;
  if (auto* integer = dynamic_cast<CIntegerParameter*>(m_pParameter)) {
    QString valueText = m_editValue->text();
    valueText.remove(QLatin1Char('.'));
    const int value = ravix::StepIntegerValue(ravix::LeadingInteger(valueText), integer->GetMin(), integer->GetMax(),
                                              integer->GetInc());
    m_editValue->setText(QString::number(value));
    m_editValue->setCursorPosition(static_cast<int>(m_editValue->text().size()));
    integer->SetValue(value);
  } else if (auto* text = dynamic_cast<CStringParameter*>(m_pParameter)) {
    text->SetValue(m_editValue->text());
  }
}

void CUrlForgeDlg::OnCbnSelchangeComboentries(int index) {
  auto* enumeration = dynamic_cast<CEnumerationParameter*>(m_pParameter);
  if (enumeration == nullptr || index < 0) return;
  const QString text = m_comboEntries->itemText(index);
  if (MethodText() == QLatin1String("SetIntValue")) {
    enumeration->SetIntValue(ravix::LeadingInteger(text));
  } else {
    enumeration->SetStringValue(text);
  }
}

QString CUrlForgeDlg::ActionValue(const QString& method) const {
  if (auto* integer = dynamic_cast<const CIntegerParameter*>(m_pParameter)) return QString::number(integer->GetValue());
  if (auto* text = dynamic_cast<const CStringParameter*>(m_pParameter)) return text->GetValue();
  if (auto* enumeration = dynamic_cast<const CEnumerationParameter*>(m_pParameter)) {
    return method == QLatin1String("SetIntValue") ? QString::number(enumeration->GetIntValue())
                                                  : enumeration->GetStringValue();
  }
  return QString();
}

void CUrlForgeDlg::OnBnClickedButtonshowurl() {
  if (m_pParameter == nullptr || m_pGroup == nullptr) return;
  if (!m_bNothingToWrite) {
    const int rc = m_pParameter->Write();
    if (rc != 0) {
      ShowMessage(CameraErrorOr(CZorvikIPCamera::ErrorCodeToString(rc)));
    } else {
      m_staticStatus->setText(tr(" Value was successfully written to camera!"));
    }
  }
  m_buttonExecute->setEnabled(true);
  const QString method = MethodText();
  const QString group = m_pGroup->GetName();
  const QString parameter = m_pParameter->GetName();
  m_strActions += method.contains(QLatin1String("Set"), Qt::CaseSensitive)
                      ? ravix::ComposeSetAction(m_nActions, group, parameter, method, ActionValue(method))
                      : ravix::ComposeAction(m_nActions, group, parameter, method);
  ++m_nActions;
  // The camera this dialog is connected to, so that the URL reaches what Execute URL does.
  m_editLog->setPlainText(
      ravix::ComposeCommandUrl(m_pCamera->GetAddress(), m_pCamera->GetPort(), m_nActions, m_strActions));
}

void CUrlForgeDlg::OnBnClickedButtonexecute() {
  const QString path = ravix::ComposeCommandPath(m_nActions, m_strActions);
  QString answer;
  const int rc = m_pCamera->ExecuteHTTP(path, answer);
  if (rc != 0) {
    const QString parameterError = m_pParameter != nullptr ? m_pParameter->GetLastIPCamError() : QString();
    ShowMessage(CameraErrorOr(parameterError.isEmpty() ? CZorvikIPCamera::ErrorCodeToString(rc) : parameterError));
    return;
  }
  m_editLog->setPlainText(path + QLatin1Char('\n') + answer);
}

void CUrlForgeDlg::OnBnClickedButtonclear() {
  m_strActions.clear();
  m_editLog->clear();
  m_nActions = 0;
}
