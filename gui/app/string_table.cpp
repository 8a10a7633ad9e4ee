#include "gui/app/string_table.h"

#include <QCoreApplication>

#include <array>

#include "gui/app/resource_ids.h"

namespace ravix {
namespace {

struct Entry {
  int id;
  const char* text;
};

// clang-format off
constexpr std::array kEntries = {
  Entry{res::kMainFrame, QT_TRANSLATE_NOOP("StringTable",
        "Zorvik IP Camera Finder\n\nRavixFinder\n\n\nRavixFinder.Document\nRavixFinder.Document")},
  Entry{res::kMsgResponderFailed, QT_TRANSLATE_NOOP("StringTable",
        "Could not initialize mDNS Server. Application will exit.")},
  Entry{res::kMsgNoAdministrator, QT_TRANSLATE_NOOP("StringTable",
        "Since you do not have administrator rights, the available functionality is restricted.")},
  Entry{res::kMsgHelpMissing, QT_TRANSLATE_NOOP("StringTable", "Helpfile not found in application directory.")},
  Entry{res::kAppTitle, QT_TRANSLATE_NOOP("StringTable", "Zorvik IP Camera Finder")},
  Entry{res::kIdleMessage, QT_TRANSLATE_NOOP("StringTable", "Ready")},
  Entry{res::kRefresh, QT_TRANSLATE_NOOP("StringTable", "Refreshes the contents of the window\nRefresh (F5)")},
  Entry{res::kRequery, QT_TRANSLATE_NOOP("StringTable",
        "Requeries for changed cameras\nRequery (Shift+Ctrl+F5)")},
  Entry{res::kOpenInBrowser, QT_TRANSLATE_NOOP("StringTable",
        "Opens the Zorvik Web Client page for the selected camera(s) in your browser\n"
        "Open camera in browser (Enter)")},
  Entry{res::kCopyURL, QT_TRANSLATE_NOOP("StringTable",
        "Copies the URL(s) of the selected camera to the clipboard\nCopy URL (Ctrl+C)")},
  Entry{res::kIPSettings, QT_TRANSLATE_NOOP("StringTable", "Opens the IP Settings dialog\nIP Settings")},
  Entry{res::kUpdateFirmware, QT_TRANSLATE_NOOP("StringTable",
        "Updates the firmware in the selected cameras\nUpdate Firmware")},
  Entry{res::kSetDefaultPassword, QT_TRANSLATE_NOOP("StringTable",
        "Sets the default username and password for camera access.\nSet Default Password")},
  Entry{res::kVisitHomepage, QT_TRANSLATE_NOOP("StringTable",
        "Visit the Zorvik IP Camera home page for news and updates\nVisit Homepage")},
  Entry{res::kSelectAll, QT_TRANSLATE_NOOP("StringTable", "Selects all cameras of the list\nSelect All (Ctrl+A)")},
  Entry{res::kViewTree, QT_TRANSLATE_NOOP("StringTable",
        "Shows the cameras in a tree below the network adapters they were found on\nTree")},
  Entry{res::kViewList, QT_TRANSLATE_NOOP("StringTable", "Shows the cameras in a sortable list\nList")},
  Entry{res::kViewTrace, QT_TRANSLATE_NOOP("StringTable",
        "Switches the trace output on standard error on or off\nTrace Output")},
  Entry{res::kViewToolbar, QT_TRANSLATE_NOOP("StringTable", "Shows or hides the toolbar\nToggle Toolbar")},
  Entry{res::kViewStatusBar, QT_TRANSLATE_NOOP("StringTable", "Shows or hides the status bar\nToggle Status Bar")},
  Entry{res::kAppAbout, QT_TRANSLATE_NOOP("StringTable",
        "Displays program information and version number\nAbout")},
  Entry{res::kAppExit, QT_TRANSLATE_NOOP("StringTable", "Quits the application\nExit")},
  Entry{res::kHelp, QT_TRANSLATE_NOOP("StringTable", "Opens the user guide of the finder in your browser\nHelp (F1)")},
  Entry{res::kPaneScrollLock, QT_TRANSLATE_NOOP("StringTable", "SCRL")},
  Entry{res::kPaneBusy, QT_TRANSLATE_NOOP("StringTable", "REC")},
  Entry{res::kPaneService, QT_TRANSLATE_NOOP("StringTable", "SVC")},
};
// clang-format on

}  // namespace

QString StringTable::Text(int id) {
  for (const Entry& entry : kEntries) {
    if (entry.id == id) return QCoreApplication::translate("StringTable", entry.text);
  }
  return {};
}

QString StringTable::Prompt(int id) { return Text(id).section(QLatin1Char('\n'), 0, 0); }

QString StringTable::Tooltip(int id) {
  const QString text = Text(id);
  const qsizetype newline = text.indexOf(QLatin1Char('\n'));
  return newline < 0 ? QString() : text.mid(newline + 1);
}

}  // namespace ravix
