#include "gui/dialogs/password_prompt_handler.h"

#include <QEventLoop>
#include <QTimer>

#include "camera/credential_store.h"
#include "gui/dialogs/dlg_password.h"
#include "gui/dialogs/message_box.h"
#include "gui/dialogs/wait_cursor.h"

namespace ravix {

namespace {

constexpr int kLoginFailedWaitMs = 2000;

// The pause before the login-failed message: the wait cursor while windows still paint.
void WaitBeforeMessage(GuiRequestCall& call) {
  WaitCursor wait;
  QEventLoop loop;
  QTimer::singleShot(kLoginFailedWaitMs, &loop, &QEventLoop::quit);
  QPointer<QEventLoop> waiting(&loop);
  call.OnCancel([waiting] {
    if (waiting) waiting->quit();
  });
  loop.exec();
}

}  // namespace

int RunPasswordPrompt(PasswordPromptData& data, GuiRequestCall& call, QWidget* parent) {
  if (!data.LoginFailedMessage.empty()) {
    WaitBeforeMessage(call);
    if (call.IsCancelled()) return 2;
    ShowMessageBox(parent, QString::fromStdString(data.LoginFailedMessage), QMessageBox::Warning);
    data.LoginFailedMessage.clear();
    if (call.IsCancelled()) return 2;
  }
  CDlgPassword dialog(data, parent);
  QPointer<CDlgPassword> open(&dialog);
  call.OnCancel([open] {
    if (open) open->reject();
  });
  return dialog.exec() == QDialog::Accepted ? 1 : 2;
}

void InstallPasswordDialog(PasswordPromptService& service, QPointer<QWidget> parent) {
  service.InstallHandler([parent](PasswordPromptData& data, GuiRequestCall& call) {
    return RunPasswordPrompt(data, call, parent.data());
  });
}

bool RunSetDefaultPassword(QWidget* parent, const CCredentialStore& store) {
  PasswordPromptData data = MakeDefaultPasswordPrompt();
  CDlgPassword dialog(data, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  return store.SaveDefault(data.UserName, data.Password);
}

}  // namespace ravix
