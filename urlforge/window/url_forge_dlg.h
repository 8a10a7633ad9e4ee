#pragma once
// CUrlForgeDlg: the UrlForge window. The user connects to one camera, picks a parameter
// group, a parameter and a method; the dialog shows what the method reads, lets the user
// edit and write a value, appends one action per "&Execute" to a command URL shown in its
// log, and "&Execute URL" sends that command and shows the camera's answer. Every camera
// access goes through the camera SDK library; the ones that reach the camera (connect,
// the parameter read, write, the command) run on a worker thread while the dialog is
// disabled and shows the busy cursor, so that it keeps painting.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>

#include "urlforge/sdk/ip_cam_types.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace ZorvikIPCam {
class CZorvikIPCamera;
class CParameterGroup;
class CParameter;
}  // namespace ZorvikIPCam

namespace ravix {
class UpDownControl;
struct MethodView;
}

class CUrlForgeDlg : public QDialog {
  Q_OBJECT
 public:
  // Shows a message box: its title and text. Tests install their own to answer them.
  using MessageSink = std::function<void(const QString& title, const QString& text)>;

  explicit CUrlForgeDlg(QWidget* parent = nullptr);
  ~CUrlForgeDlg() override;

  void SetMessageSink(MessageSink sink);
  // Opens a URL (the user guide) in the desktop's browser: true when it was handed on.
  // Tests install their own; the default is the desktop's.
  using UrlOpener = std::function<bool(const QUrl& url)>;
  void SetUrlOpener(UrlOpener opener);
  // The user guide F1 opens at its UrlForge section.
  void SetGuideFile(const QString& path) { guideFile_ = path; }
  // The finder's guide beside the program ("ravixfinder.html" in its folder).
  static QString DefaultGuideFile();
  // "Zorvik IP Camera UrlForge", the title of every message box.
  static QString MessageTitle();

 private:
  // Runs after a step that may wait for the camera, on every path.
  using Then = std::function<void()>;

  void CreateControls();
  QWidget* CreateCameraBox();
  QWidget* CreateValueArea();
  QLayout* CreateSelection();
  QLayout* CreateButtons();
  void ConnectSignals();
  void ResetValueControls();
  void ShowMessage(const QString& text);
  // The camera's last failure text, else fallback.
  QString CameraErrorOr(const QString& fallback) const;
  ZorvikIPCam::eFunction SelectedMethod() const;
  void WriteCheck();
  void ShowValueEdit(const QString& text, bool editable);
  void ShowMethodView(const ravix::MethodView& view);
  void FillValueChoice(const QStringList& items, const QString& text);
  QString ActionValue(ZorvikIPCam::eFunction method) const;

  // Camera work on a worker thread while the dialog is locked; `done` gets its result
  // on the dialog's thread unless the dialog has gone.
  template <class Work, class Done>
  void RunCameraWork(Work work, Done done);
  // Connected: fills the groups and runs the selection chain.
  void ShowConnected(int result);
  void ShowGroup(Then then);
  void ShowParameter(Then then);
  void ShowParameterRead(int result);
  void ShowWritten(int result);
  void AppendAction();

  void OnBnClickedButtonconnect();
  void OnCbnSelchangeCombogroup();
  void OnCbnSelchangeComboparameter();
  void OnCbnSelchangeCombomethod();
  void OnEnChangeEditvalue();
  void OnCbnSelchangeComboentries(int index);
  void OnBnClickedButtonshowurl();
  void OnBnClickedButtonexecute();
  void OnBnClickedButtonclear();
  void OnHelp();

  // Shared with the camera work that runs, which may outlive the dialog.
  std::shared_ptr<ZorvikIPCam::CZorvikIPCamera> m_pCamera;
  ZorvikIPCam::CParameterGroup* m_pGroup = nullptr;
  ZorvikIPCam::CParameter* m_pParameter = nullptr;
  bool m_bInValueUpdate = false;
  QString m_strActions;
  int m_nActions = 0;
  bool m_bNothingToWrite = true;

  QLineEdit* m_ipAddress = nullptr;        // 1000
  QPushButton* m_buttonConnect = nullptr;  // 1001
  QComboBox* m_comboGroup = nullptr;       // 1002
  QComboBox* m_comboParameter = nullptr;   // 1003
  QComboBox* m_comboMethod = nullptr;      // 1004
  QLineEdit* m_editValue = nullptr;        // 1005
  QLabel* m_labelParameter = nullptr;      // 1006
  QListWidget* m_listEntries = nullptr;    // 1007
  QCheckBox* m_checkValue = nullptr;       // 1008
  ravix::UpDownControl* m_spinValue = nullptr;  // 1009
  QComboBox* m_comboEntries = nullptr;     // 1010
  QLabel* m_labelValue = nullptr;          // 1011
  QPushButton* m_buttonExecute = nullptr;  // 1012 "&Execute"
  QPlainTextEdit* m_editLog = nullptr;     // 1015
  QPushButton* m_buttonExecuteUrl = nullptr;  // 1017 "&Execute URL"
  QLineEdit* m_editPort = nullptr;         // 1018
  QLineEdit* m_editUser = nullptr;         // 1019
  QLineEdit* m_editPassword = nullptr;     // 1020
  QPushButton* m_buttonClear = nullptr;    // 1021
  QPushButton* m_buttonQuit = nullptr;     // IDCANCEL
  QLabel* m_staticStatus = nullptr;        // 1022

  MessageSink messageSink_;
  UrlOpener urlOpener_;
  QString guideFile_;
  // Camera work runs: the handlers leave the camera alone.
  bool cameraBusy_ = false;
};
