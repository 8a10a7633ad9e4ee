#pragma once
// The IP Settings command after its checks: the dialog over a copy of the selected
// camera's record, then on Transmit the write through the engine on a worker thread (the
// window locked meanwhile) and the refreshes.

#include <functional>

#include "records/browse_record.h"

class QWidget;
class CFindermDNS;
class CNetworkTools;
class CEditIPSettings;

namespace ravix {

struct IPSettingsCommandHooks {
  std::function<void()> PostRefresh;  // asks for the Refresh command after this one (failed transmit)
  // The document's Refresh as a step of this command; it calls then when it has ended.
  std::function<void(std::function<void()> then)> RefreshNow;
  // The command's end: whether the settings were transmitted (false also for Cancel).
  std::function<void(bool transmitted)> Done;
  // Tests: sees the dialog before it runs and answers it (Accepted/Rejected) instead of a
  // person; empty: the dialog opens window-modal and the command goes on when it closes.
  std::function<int(CEditIPSettings& dialog)> RunDialog;
};

// record: a copy of the selected camera's record; parent: the window locked while the
// settings are written (may be null). Returns once the dialog is open (with RunDialog: after
// Cancel, or while the write runs); hooks.Done follows in every case.
void RunIPSettingsCommand(QWidget* parent, const CBrowseRecord& record, CFindermDNS& engine,
                          const CNetworkTools& tools, const IPSettingsCommandHooks& hooks);

}  // namespace ravix
