#include "gui/dialogs/message_box.h"

#include <QCoreApplication>
#include <QWidget>

#include <utility>

namespace ravix {

namespace {

MessageBoxHandler& InstalledHandler() {
  static MessageBoxHandler handler;  // GUI thread only
  return handler;
}

QMessageBox::StandardButton ShowOnScreen(const MessageBoxRequest& request) {
  QMessageBox box(request.Icon, request.Title, request.Text, request.Buttons, request.Parent);
  box.setObjectName(QStringLiteral("finderMessageBox"));
  box.setTextFormat(Qt::PlainText);  // messages may carry what the user typed or a camera sent
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons) {
  MessageBoxRequest request;
  request.Parent = parent;
  request.Title = QCoreApplication::translate("MessageBox", kFinderTitle);
  request.Text = text;
  request.Icon = icon;
  request.Buttons = buttons;
  const MessageBoxHandler& handler = InstalledHandler();
  return handler ? handler(request) : ShowOnScreen(request);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  return std::exchange(InstalledHandler(), std::move(handler));
}

}  // namespace ravix
