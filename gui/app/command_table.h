#pragma once
// CommandTable: the commands of one owner (document, frame) as QActions, each with its
// enabling rule. Update evaluates every rule and enables or disables the actions; a
// triggered action evaluates its rule once more and runs its handler only when the rule
// still holds, so a command that arrives disabled never runs.

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QAction;

namespace ravix {

class CommandTable {
 public:
  using Rule = std::function<bool()>;
  using Handler = std::function<void()>;

  // parent owns the actions.
  explicit CommandTable(QObject* parent) : parent_(parent) {}

  // A new action for command id with the texts of the string table (prompt as status
  // tip, tooltip) and menuText; its objectName is "action" + objectSuffix. A null rule
  // means always enabled.
  QAction* Add(int id, const QString& menuText, const QString& objectSuffix, Handler handler, Rule rule = {});

  // The action of id; null when the table has none.
  QAction* Action(int id) const;
  bool Contains(int id) const { return Action(id) != nullptr; }
  // The rule of id at this moment (false for an unknown id).
  bool IsEnabled(int id) const;
  // Runs id when its rule holds now; returns whether it ran.
  bool Execute(int id) const;
  // Evaluates every rule and sets the actions' enabled state.
  void Update() const;

 private:
  struct Command {
    int id;
    QAction* action;
    Handler handler;
    Rule rule;
  };
  const Command* Find(int id) const;

  QObject* parent_;
  std::vector<Command> commands_;
};

}  // namespace ravix
