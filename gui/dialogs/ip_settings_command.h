#pragma once
// The IP Settings command after its checks: the dialog over a copy of the selected
// camera's record, then on Transmit the write through the engine and the refreshes.

#include <functional>

#include "records/browse_record.h"

class QWidget;
class CFindermDNS;
class CNetworkTools;
class CEditIPSettings;

namespace ravix {

struct IPSettingsCommandHooks {
  std::function<void()> PostRefresh;  // queues the Refresh command (after a failed transmit)
  std::function<void()> RefreshNow;   // the document's Refresh, run directly
  // Tests: sees the dialog before it runs and answers it (Accepted/Rejected) instead of a
  // person; empty: the dialog runs modally.
  std::function<int(CEditIPSettings& dialog)> RunDialog;
};

// record: a copy of the selected camera's record. True when the settings were transmitted.
bool RunIPSettingsCommand(QWidget* parent, const CBrowseRecord& record, CFindermDNS& engine,
                          const CNetworkTools& tools, const IPSettingsCommandHooks& hooks);

}  // namespace ravix
