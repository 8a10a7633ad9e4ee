#include "gui/widgets/camera_context_menu.h"

#include <QMenu>

void CameraContextMenu::Show(const QList<QAction*>& actions, QWidget* owner, const QPoint& globalPos) const {
  QMenu menu(owner);
  menu.setObjectName(QStringLiteral("cameraContextMenu"));
  for (QAction* action : actions) {
    if (action != nullptr) {
      menu.addAction(action);
    } else {
      menu.addSeparator();
    }
  }
  if (runner_) {
    runner_(menu, globalPos);
  } else {
    menu.exec(globalPos);
  }
}
