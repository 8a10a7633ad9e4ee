#include "gui/app/command_table.h"

#include <QAction>
#include <QIcon>


namespace ravix {

QString CommandTable::KeyText(const QKeySequence& keys) {
  if (keys.isEmpty()) return {};
  const QKeyCombination combination = keys[0];
  const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
  QString text;
  if (modifiers.testFlag(Qt::ShiftModifier)) text += QStringLiteral("Shift+");
  if (modifiers.testFlag(Qt::ControlModifier)) text += QStringLiteral("Ctrl+");
  if (modifiers.testFlag(Qt::AltModifier)) text += QStringLiteral("Alt+");
  return text + QKeySequence(combination.key()).toString(QKeySequence::PortableText);
}

QAction* CommandTable::Add(CommandDeclaration declaration) {
  const QString key = declaration.keys.isEmpty() ? QString() : KeyText(declaration.keys.front());
  auto* action = new QAction(declaration.menuText, parent_);  // owned by parent_
  action->setObjectName(QStringLiteral("action") + QLatin1String(CommandName(declaration.id)));
  action->setData(ResourceNumber(declaration.id));
  action->setStatusTip(declaration.statusTip);
  if (const QString& tooltip = declaration.toolTip; !tooltip.isEmpty())
    action->setToolTip(key.isEmpty() ? tooltip : tooltip + QStringLiteral(" (") + key + QLatin1Char(')'));
  if (!declaration.keys.isEmpty()) action->setShortcuts(declaration.keys);
  if (!declaration.icon.isEmpty()) action->setIcon(QIcon(declaration.icon));
  action->setCheckable(declaration.checkable);
  const CommandId id = declaration.id;
  commands_.push_back(Command{id, action, std::move(declaration.handler), std::move(declaration.rule)});
  if (commands_.back().handler) QObject::connect(action, &QAction::triggered, parent_, [this, id] { Execute(id); });
  return action;
}

const CommandTable::Command* CommandTable::Find(CommandId id) const {
  for (const Command& command : commands_) {
    if (command.id == id) return &command;
  }
  return nullptr;
}

QAction* CommandTable::Action(CommandId id) const {
  const Command* command = Find(id);
  return command != nullptr ? command->action : nullptr;
}

bool CommandTable::IsEnabled(CommandId id) const {
  const Command* command = Find(id);
  if (command == nullptr) return false;
  return !command->rule || command->rule();
}

bool CommandTable::Execute(CommandId id) const {
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
