#include "gui/dialogs/password_prompt_handler.h"

#include "camera/credential_store.h"
#include "gui/dialogs/dlg_password.h"
#include "gui/dialogs/message_box.h"

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

bool RunSetDefaultPassword(QWidget* parent, const CCredentialStore& store) {
  PasswordPromptData data = MakeDefaultPasswordPrompt();
  CDlgPassword dialog(data, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  return store.SaveDefault(data.UserName, data.Password);
}

}  // namespace ravix
