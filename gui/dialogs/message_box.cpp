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

// The box opens modal to its window and deletes itself when closed; the caller goes on at
// once (every box of the finder is a notice with one button), then when it has closed.
void ShowOnScreen(const MessageBoxRequest& request, std::function<void()> then) {
  auto* box = new QMessageBox(request.Icon, request.Title, request.Text, request.Buttons, request.Parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setObjectName(QStringLiteral("finderMessageBox"));
  box->setTextFormat(Qt::PlainText);  // messages may carry what the user typed or a camera sent
  if (then) QObject::connect(box, &QDialog::finished, box, [then = std::move(then)](int) { then(); });
  box->open();
}

}  // namespace

void ShowMessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                    QMessageBox::StandardButtons buttons) {
  ShowMessageBoxThen(parent, text, icon, {}, buttons);
}

void ShowMessageBoxThen(QWidget* parent, const QString& text, QMessageBox::Icon icon, std::function<void()> then,
                        QMessageBox::StandardButtons buttons) {
  MessageBoxRequest request;
  request.Parent = parent;
  request.Title = QCoreApplication::translate("MessageBox", kFinderTitle);
  request.Text = text;
  request.Icon = icon;
  request.Buttons = buttons;
  const MessageBoxHandler& handler = InstalledHandler();
  if (handler) {
    handler(request);
    if (then) then();
    return;
  }
  ShowOnScreen(request, std::move(then));
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  return std::exchange(InstalledHandler(), std::move(handler));
}

}  // namespace ravix
