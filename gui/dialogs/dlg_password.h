#pragma once
// CDlgPassword: the "Password Required" dialog. It asks for a user name and password
// (and whether to save them) for a camera or for the default credentials. With checking
// tools set, OK first tries the typed credentials on the camera (on a worker thread, the
// dialog locked meanwhile) and keeps the dialog open with an error balloon at the password
// field when the camera refuses them.

#include <QDialog>

#include <functional>

#include "camera/password_prompt.h"
#include "http/camera_result.h"

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class PasswordBalloon;

class CDlgPassword final : public QDialog {
  Q_OBJECT

 public:
  // How OK tries typed credentials: the result of one login (0, 401, 18, ...).
  using CredentialCheck = std::function<CameraResult(const PasswordPromptData& typed)>;

  // data fills the controls now and receives what the user typed when the dialog ends
  // with Accepted; it must outlive the dialog.
  explicit CDlgPassword(PasswordPromptData& data, QWidget* parent = nullptr);

  // Tests: replaces the login attempt of OK (default: TryConnectCamera with the checking
  // tools on the data's record). It runs on a worker thread with a copy of the data.
  void SetCredentialCheck(CredentialCheck check) { check_ = std::move(check); }

  void accept() override;

  bool IsBalloonShown() const;

 private:
  void BuildControls();
  void TakeControls();
  void OnCredentialsChecked(CameraResult rc);
  void HideBalloon();
  void ShowBalloon();

  PasswordPromptData& m_data;
  CredentialCheck check_;
  QLabel* prompt_ = nullptr;
  QLineEdit* userName_ = nullptr;
  QLineEdit* password_ = nullptr;
  QCheckBox* save_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
  PasswordBalloon* balloon_ = nullptr;
};
