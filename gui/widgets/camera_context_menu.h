#pragma once
// CameraContextMenu: the context menu of a camera in either view, made of the frame's
// own camera actions (the very QAction objects, so their enabling and handlers stay the
// frame's). How the menu is shown can be replaced, so tests can look at it instead of
// running it.

#include <QList>
#include <QPoint>

#include <functional>

class QAction;
class QMenu;
class QWidget;

class CameraContextMenu {
 public:
  using Runner = std::function<void(QMenu& menu, const QPoint& globalPos)>;

  // Builds the menu under owner (the window that holds the view) from actions, a null
  // entry standing for a separator, and shows it at globalPos.
  void Show(const QList<QAction*>& actions, QWidget* owner, const QPoint& globalPos) const;

  // Replaces the default runner (QMenu::popup); an empty runner restores it. A runner gets
  // the menu for the time of its call.
  void SetRunner(Runner runner) { runner_ = std::move(runner); }

 private:
  Runner runner_;
};
