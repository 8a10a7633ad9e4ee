#include "gui/dialogs/ip_settings_command.h"

#include <QCoreApplication>

#include "finder/finder_mdns.h"
#include "gui/dialogs/edit_ip_settings.h"
#include "gui/dialogs/message_box.h"
#include "gui/dialogs/wait_cursor.h"

namespace ravix {

bool RunIPSettingsCommand(QWidget* parent, const CBrowseRecord& record, CFindermDNS& engine,
                          const CNetworkTools& tools, const IPSettingsCommandHooks& hooks) {
  CEditIPSettings dialog(record, tools, parent);
  dialog.SetFromSettings(record.NetworkSettings);
  const int answer = hooks.RunDialog ? hooks.RunDialog(dialog) : dialog.exec();
  if (answer != QDialog::Accepted) return false;

  const NetworkSettings settings = dialog.ToSettings();
  WaitCursor wait;
  const bool transmitted = engine.ApplyNetworkSettings(record.ID, settings);
  if (!transmitted) {
    ShowMessageBox(parent, QCoreApplication::translate("CEditIPSettings", "Transmit failed!"), QMessageBox::Critical);
    if (hooks.PostRefresh) hooks.PostRefresh();
  }
  if (hooks.RefreshNow) hooks.RefreshNow();
  return transmitted;
}

}  // namespace ravix
