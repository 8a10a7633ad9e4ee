#include "urlforge/window/url_forge_dlg.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
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
#include "platform/locked_call.h"
#include "urlforge/window/method_view.h"
#include "urlforge/window/parameter_snapshot.h"
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

// Replaces the entries of a sorted selection list without running its handler.
void FillSorted(QComboBox* combo, const QStringList& names) {
  const QSignalBlocker blocker(combo);
  combo->clear();
  combo->addItems(ravix::SortedForList(names));
}

// The methods of a parameter type in list order, each with its function as item data.
void FillMethods(QComboBox* combo, ZorvikIPCam::eParameterType type) {
  QStringList names;
  for (const eFunction method : ravix::MethodsOf(type)) names << ravix::MethodName(method);
  const QSignalBlocker blocker(combo);
  combo->clear();
  for (const QString& name : ravix::SortedForList(names)) {
    combo->addItem(name, static_cast<int>(CZorvikIPCamera::StringToFunction(name)));
  }
}

void Run(const std::function<void()>& then) {
  if (then) then();
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
      m_pCamera(std::make_shared<CZorvikIPCamera>()),
      urlOpener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      guideFile_(DefaultGuideFile()) {
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

void CUrlForgeDlg::SetUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }

QString CUrlForgeDlg::DefaultGuideFile() {
  return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("ravixfinder.html"));
}

QString CUrlForgeDlg::MessageTitle() { return tr("Zorvik IP Camera UrlForge"); }

// Built from top to bottom, which is also the order of the Tab key.
void CUrlForgeDlg::CreateControls() {
  auto* top = new QHBoxLayout;
  top->addWidget(CreateCameraBox());
  top->addStretch(1);
  QLayout* selection = CreateSelection();
  m_editLog = Named(new QPlainTextEdit(this), "log");
  m_editLog->setMinimumHeight(DluY(this, 101));
  QLayout* buttons = CreateButtons();
  m_staticStatus = Named(new QLabel(this), "status");
  m_staticStatus->setTextFormat(Qt::PlainText);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(selection);
  layout->addWidget(m_editLog, 1);
  layout->addLayout(buttons);
  layout->addWidget(m_staticStatus);
  resize(DluX(this, 449), DluY(this, 338));

  auto* help = Named(new QAction(tr("Help"), this), "actionHelp");
  help->setShortcut(QKeySequence::HelpContents);
  connect(help, &QAction::triggered, this, &CUrlForgeDlg::OnHelp);
  addAction(help);
}

QWidget* CUrlForgeDlg::CreateCameraBox() {
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
  return cameraBox;
}

// The five value controls share one place; at most the edit with its arrows shows.
// Hidden controls take no room: the row is as tall as the one that shows (the entries
// list makes it taller, the log below gives way).
QWidget* CUrlForgeDlg::CreateValueArea() {
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
  return valueArea;
}

// Group, parameter and method lists, the value controls and "&Execute".
QLayout* CUrlForgeDlg::CreateSelection() {
  m_comboGroup = Named(new QComboBox(this), "group");
  m_comboGroup->setMinimumWidth(DluX(this, 98));
  m_labelParameter = Named(new QLabel(tr("Parameter"), this), "parameterLabel");
  m_labelParameter->setTextFormat(Qt::PlainText);  // names the parameter's type as the camera library reads it
  m_comboParameter = Named(new QComboBox(this), "parameter");
  m_comboParameter->setMinimumWidth(DluX(this, 98));
  m_comboMethod = Named(new QComboBox(this), "method");
  m_comboMethod->setMinimumWidth(DluX(this, 90));
  QWidget* valueArea = CreateValueArea();
  m_labelValue = Named(new QLabel(tr("Value"), this), "valueLabel");
  m_buttonExecute = Named(new QPushButton(tr("&Execute"), this), "execute");
  m_buttonExecute->setAutoDefault(false);

  auto* selection = new QGridLayout;
  selection->addWidget(Named(new QLabel(tr("Group"), this), "groupLabel"), 0, 0);
  selection->addWidget(m_labelParameter, 0, 1);
  selection->addWidget(Named(new QLabel(tr("Method"), this), "methodLabel"), 0, 2);
  selection->addWidget(m_labelValue, 0, 3);
  selection->addWidget(m_comboGroup, 1, 0, Qt::AlignTop);
  selection->addWidget(m_comboParameter, 1, 1, Qt::AlignTop);
  selection->addWidget(m_comboMethod, 1, 2, Qt::AlignTop);
  selection->addWidget(valueArea, 1, 3);
  selection->addWidget(m_buttonExecute, 1, 4, Qt::AlignTop);
  return selection;
}

// "&Execute URL", "&Clear" and "&Quit" below the log.
QLayout* CUrlForgeDlg::CreateButtons() {
  m_buttonExecuteUrl = Named(new QPushButton(tr("&Execute URL"), this), "executeUrl");
  m_buttonClear = Named(new QPushButton(tr("&Clear"), this), "clear");
  m_buttonQuit = Named(new QPushButton(tr("&Quit"), this), "quit");
  for (QPushButton* button : {m_buttonExecuteUrl, m_buttonClear, m_buttonQuit}) {
    button->setAutoDefault(false);
    button->setMinimumWidth(DluX(this, 63));
  }
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_buttonExecuteUrl);
  buttons->addWidget(m_buttonClear);
  buttons->addStretch(1);
  buttons->addWidget(m_buttonQuit);
  return buttons;
}

void CUrlForgeDlg::ConnectSignals() {
  connect(m_buttonConnect, &QPushButton::clicked, this, &CUrlForgeDlg::OnBnClickedButtonconnect);
  connect(m_comboGroup, &QComboBox::currentIndexChanged, this, &CUrlForgeDlg::OnCbnSelchangeCombogroup);
  connect(m_comboParameter, &QComboBox::currentIndexChanged, this, &CUrlForgeDlg::OnCbnSelchangeComboparameter);
  connect(m_comboMethod, &QComboBox::currentIndexChanged, this, &CUrlForgeDlg::OnCbnSelchangeCombomethod);
  connect(m_editValue, &QLineEdit::textChanged, this, &CUrlForgeDlg::OnEnChangeEditvalue);
  connect(m_buttonExecute, &QPushButton::clicked, this, &CUrlForgeDlg::OnBnClickedButtonshowurl);
  connect(m_comboEntries, &QComboBox::currentIndexChanged, this, &CUrlForgeDlg::OnCbnSelchangeComboentries);
  connect(m_buttonExecuteUrl, &QPushButton::clicked, this, &CUrlForgeDlg::OnBnClickedButtonexecute);
  connect(m_buttonClear, &QPushButton::clicked, this, &CUrlForgeDlg::OnBnClickedButtonclear);
  connect(m_buttonQuit, &QPushButton::clicked, this, &QDialog::reject);
}

template <class Work, class Done>
void CUrlForgeDlg::RunCameraWork(Work work, Done done) {
  cameraBusy_ = true;
  ravix::RunLocked(this, std::move(work), [this, done = std::move(done)](auto&&... result) mutable {
    cameraBusy_ = false;
    done(std::forward<decltype(result)>(result)...);
  });
}

void CUrlForgeDlg::ShowMessage(const QString& text) {
  if (messageSink_) {
    messageSink_(MessageTitle(), text);
    return;
  }
  // Opens modal to the window and closes itself by its button; the caller goes on at once.
  auto* box = new QMessageBox(QMessageBox::Warning, MessageTitle(), text, QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setObjectName(QStringLiteral("urlForgeMessageBox"));
  box->setTextFormat(Qt::PlainText);  // the camera library's texts carry what the camera answered
  box->open();
}

QString CUrlForgeDlg::CameraErrorOr(const QString& fallback) const {
  const QString error = m_pCamera->GetLastIPCamError();
  return error.isEmpty() ? fallback : error;
}

eFunction CUrlForgeDlg::SelectedMethod() const {
  const QVariant method = m_comboMethod->currentData();
  return method.isValid() ? static_cast<eFunction>(method.toInt()) : eFunctionUnknown;
}

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
  m_buttonExecuteUrl->setEnabled(false);
  m_buttonExecute->setEnabled(false);
  QTextCursor cursor = m_editLog->textCursor();  // the log loses its selected text only
  cursor.removeSelectedText();
  m_editLog->setTextCursor(cursor);
  m_staticStatus->clear();
  m_bNothingToWrite = true;
}

void CUrlForgeDlg::OnBnClickedButtonconnect() {
  if (cameraBusy_) return;
  EmptyList(m_comboGroup);
  EmptyList(m_comboParameter);
  EmptyList(m_comboMethod);
  m_pGroup = nullptr;  // the objects of an earlier connection end with this one
  m_pParameter = nullptr;
  ResetValueControls();
  m_nActions = 0;
  m_strActions.clear();
  const int port = ravix::LeadingInteger(m_editPort->text());
  RunCameraWork([camera = m_pCamera, address = m_ipAddress->text(), user = m_editUser->text(),
                 password = m_editPassword->text(),
                 port] { return camera->Connect(address, user, password, port, 0); },
                [this](int result) { ShowConnected(result); });
}

void CUrlForgeDlg::ShowConnected(int result) {
  if (result != 0) {
    ShowMessage(m_pCamera->GetLastIPCamError());
    return;
  }
  QStringList names;
  for (const CParameterGroup* group : m_pCamera->GetGroups()) names << group->GetName();
  FillSorted(m_comboGroup, names);
  const Then connected = [this] { m_staticStatus->setText(tr(" Camera successfully connected!")); };
  if (!SelectFirst(m_comboGroup)) {
    connected();
    return;
  }
  ShowGroup(connected);
}

void CUrlForgeDlg::OnCbnSelchangeCombogroup() {
  if (!cameraBusy_) ShowGroup({});
}

void CUrlForgeDlg::ShowGroup(Then then) {
  if (!m_pCamera->IsConnected()) return Run(then);
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
    return Run(then);
  }
  QStringList names;
  for (const CParameter* parameter : m_pGroup->GetParameters()) names << parameter->GetName();
  FillSorted(m_comboParameter, names);
  if (!SelectFirst(m_comboParameter)) return Run(then);
  ShowParameter(std::move(then));
}

void CUrlForgeDlg::OnCbnSelchangeComboparameter() {
  if (!cameraBusy_) ShowParameter({});
}

void CUrlForgeDlg::ShowParameter(Then then) {
  if (!m_pCamera->IsConnected()) return Run(then);
  ResetValueControls();
  EmptyList(m_comboMethod);
  m_pParameter = nullptr;
  m_labelParameter->setText(tr("Parameter"));
  if (m_pGroup == nullptr) return Run(then);
  const int rc = m_pCamera->GetParameter(m_pGroup->GetName(), m_comboParameter->currentText(), m_pParameter, false, -1);
  if (rc != 0 || m_pParameter == nullptr) {
    // No methods to offer; the library says why.
    m_pParameter = nullptr;
    ShowMessage(CameraErrorOr(CZorvikIPCamera::ErrorCodeToString(rc)));
    return Run(then);
  }
  // The parameter belongs to the camera, which the work holds on to.
  RunCameraWork([camera = m_pCamera, parameter = m_pParameter] { return parameter->Update(); },
                [this, then = std::move(then)](int result) {
                  ShowParameterRead(result);
                  Run(then);
                });
}

void CUrlForgeDlg::ShowParameterRead(int result) {
  if (result != 0) ShowMessage(CameraErrorOr(m_pParameter->GetLastIPCamError()));
  m_labelParameter->setText(tr("Parameter (%1)").arg(CZorvikIPCamera::TypeToString(m_pParameter->GetType())));
  FillMethods(m_comboMethod, m_pParameter->GetType());
  if (SelectFirst(m_comboMethod)) OnCbnSelchangeCombomethod();
}

void CUrlForgeDlg::ShowValueEdit(const QString& text, bool editable) {
  m_editValue->setReadOnly(!editable);
  m_editValue->show();
  m_editValue->setText(text);
}

void CUrlForgeDlg::FillValueChoice(const QStringList& items, const QString& text) {
  const QSignalBlocker blocker(m_comboEntries);
  m_comboEntries->clear();
  m_comboEntries->addItems(items);
  m_comboEntries->setCurrentIndex(-1);  // no entry chosen: choosing any one is a change
  m_comboEntries->setEditText(text);
  m_comboEntries->show();
}

void CUrlForgeDlg::ShowMethodView(const ravix::MethodView& view) {
  using ravix::ValueControl;
  if (!view.valueLabel) m_labelValue->hide();
  switch (view.control) {
    case ValueControl::kNone:
      break;
    case ValueControl::kEdit:
      ShowValueEdit(view.text, view.editable);
      break;
    case ValueControl::kNumberEdit:
      m_spinValue->SetRange(view.min, view.max);
      m_spinValue->SetStep(view.step);
      m_spinValue->show();
      ShowValueEdit(view.text, view.editable);
      break;
    case ValueControl::kChoice:
      FillValueChoice(view.items, view.text);
      break;
    case ValueControl::kList:
      m_listEntries->addItems(view.items);
      m_listEntries->show();
      break;
    case ValueControl::kCheck:
      m_checkValue->setChecked(view.checked);
      m_checkValue->show();
      break;
  }
  if (view.writes) WriteCheck();
}

void CUrlForgeDlg::OnCbnSelchangeCombomethod() {
  if (!m_pCamera->IsConnected() || cameraBusy_) return;
  ResetValueControls();
  m_labelValue->show();
  m_buttonExecute->setEnabled(true);
  if (m_pParameter == nullptr) return;
  const eFunction method = SelectedMethod();
  // Choosing Execute or Stop chooses what the command's next write sends.
  if (auto* command = dynamic_cast<CCommandParameter*>(m_pParameter)) {
    if (method == eExecute) command->Execute();
    if (method == eStop) command->Stop();
  }
  ShowMethodView(ravix::ViewOfMethod(ravix::SnapshotOf(*m_pParameter), method));
}

void CUrlForgeDlg::WriteCheck() {
  if (m_pParameter != nullptr && m_pParameter->IsEnabled() && m_pParameter->GetAccessMode() == eReadWrite) {
    m_buttonExecute->setEnabled(true);
    m_bNothingToWrite = false;
    return;
  }
  m_buttonExecute->setEnabled(false);
  m_staticStatus->setText(tr(" Parameter is readonly!"));
}

void CUrlForgeDlg::OnEnChangeEditvalue() {
  if (m_bInValueUpdate || cameraBusy_) return;
  const QScopedValueRollback<bool> inUpdate(m_bInValueUpdate, true);
  if (SelectedMethod() != eSetValue) return;
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
  if (enumeration == nullptr || index < 0 || cameraBusy_) return;
  const QString text = m_comboEntries->itemText(index);
  if (SelectedMethod() == eSetIntValue) {
    enumeration->SetIntValue(ravix::LeadingInteger(text));
  } else {
    enumeration->SetStringValue(text);
  }
}

QString CUrlForgeDlg::ActionValue(eFunction method) const {
  if (auto* integer = dynamic_cast<const CIntegerParameter*>(m_pParameter)) return QString::number(integer->GetValue());
  if (auto* text = dynamic_cast<const CStringParameter*>(m_pParameter)) return text->GetValue();
  if (auto* enumeration = dynamic_cast<const CEnumerationParameter*>(m_pParameter)) {
    return method == eSetIntValue ? QString::number(enumeration->GetIntValue()) : enumeration->GetStringValue();
  }
  return QString();
}

void CUrlForgeDlg::OnBnClickedButtonshowurl() {
  if (m_pParameter == nullptr || m_pGroup == nullptr || cameraBusy_) return;
  if (m_bNothingToWrite) {  // a Get method only composes
    AppendAction();
    return;
  }
  RunCameraWork([camera = m_pCamera, parameter = m_pParameter] { return parameter->Write(); },
                [this](int result) {
                  ShowWritten(result);
                  AppendAction();
                });
}

void CUrlForgeDlg::ShowWritten(int result) {
  if (result != 0) {
    ShowMessage(CameraErrorOr(CZorvikIPCamera::ErrorCodeToString(result)));
    return;
  }
  m_staticStatus->setText(tr(" Value was successfully written to camera!"));
}

void CUrlForgeDlg::AppendAction() {
  m_buttonExecuteUrl->setEnabled(true);
  const eFunction method = SelectedMethod();
  const QString name = ravix::MethodName(method);
  const QString group = m_pGroup->GetName();
  const QString parameter = m_pParameter->GetName();
  m_strActions += ravix::IsSetMethod(method)
                      ? ravix::ComposeSetAction(m_nActions, group, parameter, name, ActionValue(method))
                      : ravix::ComposeAction(m_nActions, group, parameter, name);
  ++m_nActions;
  // The camera this dialog is connected to, so that the URL reaches what Execute URL does.
  m_editLog->setPlainText(
      ravix::ComposeCommandUrl(m_pCamera->GetAddress(), m_pCamera->GetPort(), m_nActions, m_strActions));
}

void CUrlForgeDlg::OnBnClickedButtonexecute() {
  if (cameraBusy_) return;
  const QString path = ravix::ComposeCommandPath(m_nActions, m_strActions);
  RunCameraWork(
      [camera = m_pCamera, path] {
        QString answer;
        const int result = camera->ExecuteHTTP(path, answer);
        return std::make_pair(result, answer);
      },
      [this, path](const std::pair<int, QString>& outcome) {
        if (outcome.first != 0) {
          const QString parameterError = m_pParameter != nullptr ? m_pParameter->GetLastIPCamError() : QString();
          ShowMessage(
              CameraErrorOr(parameterError.isEmpty() ? CZorvikIPCamera::ErrorCodeToString(outcome.first) : parameterError));
          return;
        }
        m_editLog->setPlainText(path + QLatin1Char('\n') + outcome.second);
      });
}

void CUrlForgeDlg::OnBnClickedButtonclear() {
  m_strActions.clear();
  m_editLog->clear();
  m_nActions = 0;
}

// F1: the user guide's UrlForge section in the browser; the status line says so when the
// guide is not installed beside the program.
void CUrlForgeDlg::OnHelp() {
  const QFileInfo guide(guideFile_);
  if (!guide.isFile()) {
    m_staticStatus->setText(tr(" The user guide %1 was not found.").arg(guideFile_));
    return;
  }
  QUrl url = QUrl::fromLocalFile(guide.absoluteFilePath());
  url.setFragment(QStringLiteral("urlforge"));
  urlOpener_(url);
}
