#pragma once
// CommandTable: the commands of one owner (document, frame) as QActions, each declared
// once (CommandDeclaration) with its enabling rule and handler. Update evaluates every rule and
// enables or disables the actions; a triggered action evaluates its rule once more and
// runs its handler only when the rule still holds, so a command that arrives disabled
// never runs.

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

#include "gui/app/command_id.h"

class QAction;

namespace ravix {

class CommandTable {
 public:
  using Rule = std::function<bool()>;
  using Handler = std::function<void()>;

  // Everything about one command, in one place. The menu shows the first key beside the
  // text (QAction's own shortcut display); the tooltip gets it appended ("Copy URL
  // (Ctrl+C)"). The action's objectName is "action" + CommandName(id).
  struct CommandDeclaration {
    CommandId id;
    QString menuText;
    QString statusTip;      // the status bar's prompt while the item is under the mouse
    QString toolTip = {};   // empty: none
    QList<QKeySequence> keys = {};
    QString icon = {};      // resource path; empty: none
    Handler handler = {};   // empty: the owner reacts to the action's own signals
    Rule rule = {};         // empty: always enabled
    bool checkable = false;
  };

  // parent owns the actions.
  explicit CommandTable(QObject* parent) : parent_(parent) {}

  QAction* Add(CommandDeclaration declaration);

  // The action of id; null when the table has none.
  QAction* Action(CommandId id) const;
  // The rule of id at this moment (false for an unknown id).
  bool IsEnabled(CommandId id) const;
  // Runs id when its rule holds now; returns whether it ran.
  bool Execute(CommandId id) const;
  // Evaluates every rule and sets the actions' enabled state.
  void Update() const;

  // A key as menus and tooltips of the camera maker's tools write it: modifiers first in
  // the order Shift, Ctrl, Alt ("Shift+Ctrl+F5").
  static QString KeyText(const QKeySequence& keys);

 private:
  struct Command {
    CommandId id;
    QAction* action;
    Handler handler;
    Rule rule;
  };
  const Command* Find(CommandId id) const;

  QObject* parent_;
  std::vector<Command> commands_;
};

}  // namespace ravix
