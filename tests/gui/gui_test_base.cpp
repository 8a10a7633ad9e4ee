#include "gui_test_base.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

GuiTestBase::GuiTestBase()
    : profilePath_(dir_.filePath(QStringLiteral("profile.ini"))),
      profile_(std::make_unique<ravix::AppProfile>(profilePath_)) {}

GuiTestBase::~GuiTestBase() { QCoreApplication::processEvents(); }

QString GuiTestBase::KeyFolder() { return qEnvironmentVariable("XDG_DATA_HOME"); }

bool GuiTestBase::ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(1);
  }
  return true;
}
