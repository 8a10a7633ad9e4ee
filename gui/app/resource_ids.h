#pragma once
// Resource and command numbers of the finder's window: menu items, accelerators,
// toolbar buttons and status prompts share the number of their command.

namespace ravix::res {

// Commands of the document.
inline constexpr int kRefresh = 32771;
inline constexpr int kOpenInBrowser = 32774;
inline constexpr int kRequery = 32778;
inline constexpr int kUpdateFirmware = 32802;
inline constexpr int kSetDefaultPassword = 32803;
inline constexpr int kIPSettings = 32810;
inline constexpr int kCopyURL = 57634;

// Commands of the frame and the application.
inline constexpr int kSelectAll = 32785;
inline constexpr int kViewTree = 32800;
inline constexpr int kViewList = 32801;
inline constexpr int kVisitHomepage = 32806;
inline constexpr int kViewTrace = 32811;  // our own: the trace switch of the View menu
inline constexpr int kAppAbout = 57664;
inline constexpr int kAppExit = 57665;
inline constexpr int kHelp = 57671;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;

// Status bar panes.
inline constexpr int kPaneScrollLock = 59139;
inline constexpr int kPaneBusy = 59141;
inline constexpr int kPaneService = 59142;

// Messages and titles.
inline constexpr int kMainFrame = 128;
inline constexpr int kMsgResponderFailed = 131;
inline constexpr int kMsgNoAdministrator = 155;
inline constexpr int kMsgHelpMissing = 162;
inline constexpr int kAppTitle = 57344;
inline constexpr int kIdleMessage = 57345;

}  // namespace ravix::res
