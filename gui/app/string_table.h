#pragma once
// StringTable: the message texts of the finder's window (messages, titles, status bar
// panes) keyed by their resource numbers, wrapped for translation (context
// "StringTable"). The commands' texts live in their declarations (CommandTable).

#include <QString>

namespace ravix {

class StringTable {
 public:
  // The whole text of id; empty for an unknown number.
  static QString Text(int id);
};

}  // namespace ravix
