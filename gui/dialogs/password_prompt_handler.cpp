#include "gui/dialogs/password_prompt_handler.h"

#include <memory>
#include <utility>
#include <QPointer>

#include "camera/credential_store.h"
#include "gui/dialogs/dlg_password.h"
#include "gui/dialogs/message_box.h"
#include "platform/locked_call.h"

namespace ravix {

namespace {

void OpenPasswordDialog(const std::shared_ptr<PasswordPromptData>& data, GuiRequestCall call, QWidget* parent) {
  if (call.IsCancelled()) {  // the asker stopped waiting while the message was shown
    call.Answer(2);
    return;
  }
  auto* dialog = new CDlgPassword(*data, parent);  // deletes itself when closed; data goes with it
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  QPointer<CDlgPassword> open(dialog);
  QObject::connect(dialog, &QDialog::finished, dialog,
                   [data, call](int result) { call.Answer(result == QDialog::Accepted ? 1 : 2); });
  call.OnCancel([open] {
    if (open) open->reject();
  });
  dialog->open();
}

}  // namespace

void OpenPasswordPrompt(std::shared_ptr<PasswordPromptData> data, GuiRequestCall call, QWidget* parent) {
  // The asker has paused before it asked (GuiPasswordPrompt), so the message comes at once.
  if (data->LoginFailedMessage.empty()) {
    OpenPasswordDialog(data, call, parent);
    return;
  }
  const QString message = QString::fromStdString(data->LoginFailedMessage);
  data->LoginFailedMessage.clear();
  QPointer<QWidget> window(parent);
  ShowMessageBoxThen(parent, message, QMessageBox::Warning,
                     [data, call, window] { OpenPasswordDialog(data, call, window.data()); });
}

void InstallPasswordDialog(PasswordPromptService& service, QPointer<QWidget> parent) {
  service.InstallAsyncHandler([parent](std::shared_ptr<PasswordPromptData> data, GuiRequestCall call) {
    OpenPasswordPrompt(std::move(data), std::move(call), parent.data());
  });
}

void RunSetDefaultPassword(QWidget* parent, const CCredentialStore& store, std::function<void(bool stored)> done) {
  auto data = std::make_shared<PasswordPromptData>(MakeDefaultPasswordPrompt());
  auto* dialog = new CDlgPassword(*data, parent);  // deletes itself when closed; data goes with it
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  const CCredentialStore* target = &store;  // the application's store outlives its windows' work
  QPointer<QWidget> owner(parent);
  const bool owned = parent != nullptr;
  QObject::connect(dialog, &QDialog::finished, dialog, [data, target, owner, owned, done = std::move(done)](int result) {
    if (result != QDialog::Accepted || (owned && !owner)) {  // a window that went takes its command along
      if (done) done(false);
      return;
    }
    // The first contact with the desktop keyring may wait for a person to unlock it: the
    // value is stored off the GUI thread while the window is locked.
    auto typed = std::make_shared<CameraCredentials>();
    typed->UserName = data->UserName;
    typed->Password = data->Password;
    WipeString(data->Password);
    RunLocked(
        owner.data(), [typed, target] { return target->SaveDefault(typed->UserName, typed->Password); },
        [done](bool stored) {
          if (done) done(stored);
        });
  });
  dialog->open();
}

}  // namespace ravix
