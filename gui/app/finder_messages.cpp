#include "gui/app/finder_messages.h"

#include "gui/app/resource_ids.h"
#include "gui/app/string_table.h"

namespace ravix::messages {

QString ResponderFailed() { return StringTable::Text(res::kMsgResponderFailed); }
QString NoAdministrator() { return StringTable::Text(res::kMsgNoAdministrator); }
QString HelpMissing() { return StringTable::Text(res::kMsgHelpMissing); }
QString AddressesNotSaved() { return StringTable::Text(res::kMsgAddressesNotSaved); }
QString CredentialNotice(const QString& text) { return StringTable::Text(res::kMsgCredentialNotice).arg(text); }
QString TemporaryAddressFailed(const QString& adapter, const QString& reason) {
  return StringTable::Text(res::kMsgTemporaryAddressFailed).arg(adapter, reason);
}
QString ExportFailed(const QString& file, const QString& reason) {
  return StringTable::Text(res::kMsgExportFailed).arg(file, reason);
}

}  // namespace ravix::messages
