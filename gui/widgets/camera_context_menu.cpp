#include "gui/widgets/camera_context_menu.h"

#include <QMenu>

// The menu pops up and the event loop goes on; it deletes itself once closed (after the
// chosen action has been triggered).
void CameraContextMenu::Show(const QList<QAction*>& actions, QWidget* owner, const QPoint& globalPos) const {
  auto* menu = new QMenu(owner);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->setObjectName(QStringLiteral("cameraContextMenu"));
  for (QAction* action : actions) {
    if (action != nullptr) {
      menu->addAction(action);
    } else {
      menu->addSeparator();
    }
  }
  if (runner_) {
    runner_(*menu, globalPos);
    delete menu;
    return;
  }
  menu->popup(globalPos);
}
