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

}  // namespace

void RunIPSettingsCommand(QWidget* parent, const CBrowseRecord& record, CFindermDNS& engine,
                          const CNetworkTools& tools, const IPSettingsCommandHooks& hooks) {
  CEditIPSettings dialog(record, tools, parent);
  dialog.SetFromSettings(record.NetworkSettings);
  const int answer = hooks.RunDialog ? hooks.RunDialog(dialog) : dialog.exec();
  if (answer != QDialog::Accepted) {
    Finish(hooks, false);
    return;
  }
  const NetworkSettings settings = dialog.ToSettings();
  const uint32_t id = record.ID;
  QPointer<QWidget> window(parent);
  // The engine outlives the command: the window does not close while a command runs.
  RunLocked(
      parent, [&engine, id, settings] { return engine.ApplyNetworkSettings(id, settings); },
      [window, hooks](bool transmitted) { AfterTransmit(window.data(), hooks, transmitted); });
}

}  // namespace ravix
