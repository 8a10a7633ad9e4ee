#pragma once
// Resource numbers of the finder's window besides its commands (command_id.h): status
// bar panes, messages and titles.

namespace ravix::res {

// Status bar panes.
inline constexpr int kPaneScrollLock = 59139;
inline constexpr int kPaneBusy = 59141;
inline constexpr int kPaneService = 59142;

// Messages and titles.
inline constexpr int kMsgResponderFailed = 131;
inline constexpr int kMsgNoAdministrator = 155;
inline constexpr int kMsgHelpMissing = 162;
inline constexpr int kMsgAddressesNotSaved = 170;  // our own
inline constexpr int kMsgExportFailed = 171;       // our own
inline constexpr int kMsgCredentialNotice = 172;   // our own
inline constexpr int kMsgTemporaryAddressFailed = 173;  // our own
inline constexpr int kAppTitle = 57344;
inline constexpr int kIdleMessage = 57345;

}  // namespace ravix::res
