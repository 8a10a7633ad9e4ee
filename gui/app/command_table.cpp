#include "gui/app/command_table.h"

#include <QAction>

#include "gui/app/string_table.h"

namespace ravix {

QAction* CommandTable::Add(int id, const QString& menuText, const QString& objectSuffix, Handler handler,
                           Rule rule) {
  auto* action = new QAction(menuText, parent_);  // owned by parent_
  action->setObjectName(QStringLiteral("action") + objectSuffix);
  action->setData(id);
  action->setStatusTip(StringTable::Prompt(id));
  const QString tooltip = StringTable::Tooltip(id);
  if (!tooltip.isEmpty()) action->setToolTip(tooltip);
  commands_.push_back(Command{id, action, std::move(handler), std::move(rule)});
  QObject::connect(action, &QAction::triggered, parent_, [this, id] { Execute(id); });
  return action;
}

const CommandTable::Command* CommandTable::Find(int id) const {
  for (const Command& command : commands_) {
    if (command.id == id) return &command;
  }
  return nullptr;
}

QAction* CommandTable::Action(int id) const {
  const Command* command = Find(id);
  return command != nullptr ? command->action : nullptr;
}

bool CommandTable::IsEnabled(int id) const {
  const Command* command = Find(id);
  if (command == nullptr) return false;
  return !command->rule || command->rule();
}

bool CommandTable::Execute(int id) const {
  const Command* command = Find(id);
  if (command == nullptr) return false;
  const bool enabled = !command->rule || command->rule();
  command->action->setEnabled(enabled);
  if (!enabled || !command->handler) return false;
  command->handler();
  return true;
}

void CommandTable::Update() const {
  for (const Command& command : commands_) command.action->setEnabled(!command.rule || command.rule());
}

}  // namespace ravix
