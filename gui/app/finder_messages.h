#pragma once
// The messages of the finder's window by name (their texts live in the string table).

#include <QString>

namespace ravix::messages {

// "Could not initialize mDNS Server. Application will exit."
QString ResponderFailed();
// The user may not change routes: the functionality is restricted.
QString NoAdministrator();
// Help without the user guide next to the program.
QString HelpMissing();
// Add by Address could not write the addresses to the settings.
QString AddressesNotSaved();
// What the credential store tells the user (passwords kept in the file store instead of
// the desktop keyring, a copy it could not remove).
QString CredentialNotice(const QString& text);
// Give Adapter a Link-Local Address or Reach Camera could not add an address to adapter;
// reason says why.
QString TemporaryAddressFailed(const QString& adapter, const QString& reason);
// Export List could not write file; reason says why.
QString ExportFailed(const QString& file, const QString& reason);

}  // namespace ravix::messages
