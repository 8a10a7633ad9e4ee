#include "gui/app/string_table.h"

#include <QCoreApplication>

#include <array>

#include "gui/app/command_id.h"
#include "gui/app/resource_ids.h"

namespace ravix {
namespace {

constexpr int Command(CommandId id) { return ResourceNumber(id); }

struct Entry {
  int id;
  const char* text;
};

// clang-format off
constexpr std::array kEntries = {
  Entry{res::kMsgResponderFailed, QT_TRANSLATE_NOOP("StringTable",
        "Could not initialize mDNS Server. Application will exit.")},
  Entry{res::kMsgNoAdministrator, QT_TRANSLATE_NOOP("StringTable",
        "Since you do not have administrator rights, the available functionality is restricted.")},
  Entry{res::kMsgHelpMissing, QT_TRANSLATE_NOOP("StringTable", "Helpfile not found in application directory.")},
  Entry{res::kMsgAddressesNotSaved, QT_TRANSLATE_NOOP("StringTable",
        "The addresses could not be saved in the settings. Nothing was changed.")},
  Entry{res::kMsgExportFailed, QT_TRANSLATE_NOOP("StringTable",
        "The camera list could not be written to %1:\n%2\nNo file was written.")},
  Entry{res::kMsgCredentialNotice, QT_TRANSLATE_NOOP("StringTable", "Passwords: %1")},
  Entry{res::kAppTitle, QT_TRANSLATE_NOOP("StringTable", "Zorvik IP Camera Finder")},
  Entry{res::kIdleMessage, QT_TRANSLATE_NOOP("StringTable", "Ready")},
  Entry{Command(CommandId::Refresh), QT_TRANSLATE_NOOP("StringTable", "Refreshes the contents of the window\nRefresh")},
  Entry{Command(CommandId::Requery), QT_TRANSLATE_NOOP("StringTable",
        "Requeries for changed cameras\nRequery")},
  Entry{Command(CommandId::OpenInBrowser), QT_TRANSLATE_NOOP("StringTable",
        "Opens the Zorvik Web Client page for the selected camera(s) in your browser\n"
        "Open camera in browser")},
  Entry{Command(CommandId::CopyURL), QT_TRANSLATE_NOOP("StringTable",
        "Copies the URL(s) of the selected camera to the clipboard\nCopy URL")},
  Entry{Command(CommandId::IPSettings), QT_TRANSLATE_NOOP("StringTable", "Opens the IP Settings dialog\nIP Settings")},
  Entry{Command(CommandId::AddByAddress), QT_TRANSLATE_NOOP("StringTable",
        "Adds or removes the addresses where cameras beyond the link are looked for\nAdd by Address")},
  Entry{Command(CommandId::ExportList), QT_TRANSLATE_NOOP("StringTable",
        "Writes the cameras shown in the window to a CSV or JSON file\nExport List")},
  Entry{Command(CommandId::QuickFilter), QT_TRANSLATE_NOOP("StringTable",
        "Moves to the filter field: only cameras whose name, model, serial number, host name, MAC or IP address "
        "contain its text are shown\nFilter Cameras")},
  Entry{Command(CommandId::UpdateFirmware), QT_TRANSLATE_NOOP("StringTable",
        "Updates the firmware in the selected cameras\nUpdate Firmware")},
  Entry{Command(CommandId::SetDefaultPassword), QT_TRANSLATE_NOOP("StringTable",
        "Sets the default username and password for camera access.\nSet Default Password")},
  Entry{Command(CommandId::VisitHomepage), QT_TRANSLATE_NOOP("StringTable",
        "Visit the Zorvik IP Camera home page for news and updates\nVisit Homepage")},
  Entry{Command(CommandId::SelectAll), QT_TRANSLATE_NOOP("StringTable", "Selects all cameras of the list\nSelect All")},
  Entry{Command(CommandId::ViewTree), QT_TRANSLATE_NOOP("StringTable",
        "Shows the cameras in a tree below the network adapters they were found on\nTree")},
  Entry{Command(CommandId::ViewList), QT_TRANSLATE_NOOP("StringTable", "Shows the cameras in a sortable list\nList")},
  Entry{Command(CommandId::ViewTrace), QT_TRANSLATE_NOOP("StringTable",
        "Switches the trace output on standard error on or off\nTrace Output")},
  Entry{Command(CommandId::ViewToolbar), QT_TRANSLATE_NOOP("StringTable", "Shows or hides the toolbar\nToggle Toolbar")},
  Entry{Command(CommandId::ViewStatusBar), QT_TRANSLATE_NOOP("StringTable", "Shows or hides the status bar\nToggle Status Bar")},
  Entry{Command(CommandId::AppAbout), QT_TRANSLATE_NOOP("StringTable",
        "Displays program information and version number\nAbout")},
  Entry{Command(CommandId::AppExit), QT_TRANSLATE_NOOP("StringTable", "Quits the application\nExit")},
  Entry{Command(CommandId::Help), QT_TRANSLATE_NOOP("StringTable", "Opens the user guide of the finder in your browser\nHelp")},
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
