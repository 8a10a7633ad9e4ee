#include "gui/dialogs/wait_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace ravix {

WaitCursor::WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

WaitCursor::~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }

}  // namespace ravix
