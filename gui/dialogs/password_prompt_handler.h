#pragma once
// The password dialog as the prompt of every camera login: installed once by the
// application, it answers the logins that completion threads, the IP settings and the
// firmware wizard ask for, one at a time on the GUI thread. And Set Default Password.

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

#include "camera/gui_password_prompt.h"

class CCredentialStore;

namespace ravix {

// GUI thread. Prompts are shown over parent (may be null), one at a time, without a loop
// of their own: the asking thread waits, the GUI thread goes on. Remove it with
// service.RemoveHandler() before parent goes away.
void InstallPasswordDialog(PasswordPromptService& service, QPointer<QWidget> parent);

// One prompt: when data carries a login-failed message, that message first; then the
// dialog, opened window-modal. It answers call when closed: 1 (OK, data holds what was
// typed) or 2; a cancelled call closes it.
void OpenPasswordPrompt(std::shared_ptr<PasswordPromptData> data, GuiRequestCall call, QWidget* parent);

// Set Default Password: the dialog without a camera test, Save ticked and fixed, opened
// window-modal; OK stores the default credentials on a worker thread while parent is
// locked (the desktop keyring may wait for an unlock prompt), Cancel changes nothing.
// done (may be empty) runs on the GUI thread with whether they were stored; store
// outlives the work.
void RunSetDefaultPassword(QWidget* parent, const CCredentialStore& store, std::function<void(bool stored)> done = {});

}  // namespace ravix
