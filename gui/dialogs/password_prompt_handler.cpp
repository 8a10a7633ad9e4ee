#include "gui/dialogs/password_prompt_handler.h"

#include "camera/credential_store.h"
#include "gui/dialogs/dlg_password.h"
#include "gui/dialogs/message_box.h"
#include "platform/locked_call.h"

namespace ravix {

int RunPasswordPrompt(PasswordPromptData& data, GuiRequestCall& call, QWidget* parent) {
  // The asker has paused before it asked (GuiPasswordPrompt), so the message comes at once.
  if (!data.LoginFailedMessage.empty()) {
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

void RunSetDefaultPassword(QWidget* parent, const CCredentialStore& store, std::function<void(bool stored)> done) {
  PasswordPromptData data = MakeDefaultPasswordPrompt();
  CDlgPassword dialog(data, parent);
  if (dialog.exec() != QDialog::Accepted) {
    if (done) done(false);
    return;
  }
  // The first contact with the desktop keyring may wait for a person to unlock it: the
  // value is stored off the GUI thread while the window is locked.
  auto typed = std::make_shared<CameraCredentials>();
  typed->UserName = data.UserName;
  typed->Password = data.Password;
  WipeString(data.Password);
  const CCredentialStore* target = &store;  // the application's store outlives its windows' work
  RunLocked(
      parent, [typed, target] { return target->SaveDefault(typed->UserName, typed->Password); },
      [done = std::move(done)](bool stored) {
        if (done) done(stored);
      });
}

}  // namespace ravix
