#include "gui/dialogs/ip_settings_command.h"

#include <QCoreApplication>
#include <QPointer>

#include "finder/finder_mdns.h"
#include "gui/dialogs/edit_ip_settings.h"
#include "gui/dialogs/message_box.h"
#include "platform/locked_call.h"

namespace ravix {

namespace {

void Finish(const IPSettingsCommandHooks& hooks, bool transmitted) {
  if (hooks.Done) hooks.Done(transmitted);
}

// After the write: on failure the message and a Refresh asked for after this command, then
// in both cases the Refresh of this command.
void AfterTransmit(QWidget* parent, const IPSettingsCommandHooks& hooks, bool transmitted) {
  if (!transmitted) {
    ShowMessageBox(parent, QCoreApplication::translate("CEditIPSettings", "Transmit failed!"), QMessageBox::Critical);
    if (hooks.PostRefresh) hooks.PostRefresh();
  }
  if (!hooks.RefreshNow) {
    Finish(hooks, transmitted);
    return;
  }
  hooks.RefreshNow([hooks, transmitted] { Finish(hooks, transmitted); });
}

// After the dialog: Cancel ends the command; Transmit writes through the engine on a
// worker thread.
void Continue(QWidget* parent, CEditIPSettings& dialog, int answer, uint32_t id, CFindermDNS& engine,
              const IPSettingsCommandHooks& hooks) {
  if (answer != QDialog::Accepted) {
    Finish(hooks, false);
    return;
  }
  const NetworkSettings settings = dialog.ToSettings();
  QPointer<QWidget> window(parent);
  // The engine outlives the command: the window does not close while a command runs.
  RunLocked(
      parent, [&engine, id, settings] { return engine.ApplyNetworkSettings(id, settings); },
      [window, hooks](bool transmitted) { AfterTransmit(window.data(), hooks, transmitted); });
}

}  // namespace

void RunIPSettingsCommand(QWidget* parent, const CBrowseRecord& record, CFindermDNS& engine,
                          const CNetworkTools& tools, const IPSettingsCommandHooks& hooks) {
  const uint32_t id = record.ID;
  if (hooks.RunDialog) {
    CEditIPSettings dialog(record, tools, parent);
    dialog.SetFromSettings(record.NetworkSettings);
    Continue(parent, dialog, hooks.RunDialog(dialog), id, engine, hooks);
    return;
  }
  auto* dialog = new CEditIPSettings(record, tools, parent);  // deletes itself when closed
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->SetFromSettings(record.NetworkSettings);
  QPointer<QWidget> window(parent);
  QObject::connect(dialog, &QDialog::finished, dialog, [window, dialog, id, &engine, hooks](int answer) {
    Continue(window.data(), *dialog, answer, id, engine, hooks);
  });
  dialog->open();
}

}  // namespace ravix
