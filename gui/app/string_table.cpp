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
  Entry{res::kMsgTemporaryAddressFailed, QT_TRANSLATE_NOOP("StringTable",
        "Adapter %1 could not be given a temporary address:\n%2\nNothing was changed.")},
  Entry{res::kAppTitle, QT_TRANSLATE_NOOP("StringTable", "Zorvik IP Camera Finder")},
  Entry{res::kIdleMessage, QT_TRANSLATE_NOOP("StringTable", "Ready")},
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

}  // namespace ravix
