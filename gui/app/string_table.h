#pragma once
// StringTable: the texts of the finder's window keyed by their resource numbers, wrapped
// for translation (context "StringTable"). A command's text is its status-bar prompt,
// then after "\n" its tooltip (its key is added by the command table).

#include <QString>

namespace ravix {

class StringTable {
 public:
  // The whole text of id; empty for an unknown number.
  static QString Text(int id);
  // The part before the first "\n" (the status-bar prompt).
  static QString Prompt(int id);
  // The part after the first "\n" (the tooltip); empty when there is none.
  static QString Tooltip(int id);
};

}  // namespace ravix
