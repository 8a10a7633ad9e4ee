#pragma once
// Every message box of the finder's windows goes through ShowMessageBox, titled with the
// application's name, so that tests can answer them (SetMessageBoxHandler) instead of a
// person clicking.

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace ravix {

inline constexpr const char* kFinderTitle = "Zorvik IP Camera Finder";

struct MessageBoxRequest {
  QWidget* Parent = nullptr;
  QString Title;
  QString Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons Buttons = QMessageBox::Ok;
};

using MessageBoxHandler = std::function<QMessageBox::StandardButton(const MessageBoxRequest&)>;

// Opens the box modal to parent's window and returns at once (or hands it to the installed
// handler); the box closes itself by its button.
void ShowMessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                    QMessageBox::StandardButtons buttons = QMessageBox::Ok);
// The same; then runs once the box has closed (with a handler: once it has answered).
void ShowMessageBoxThen(QWidget* parent, const QString& text, QMessageBox::Icon icon, std::function<void()> then,
                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// Tests: every later box goes to handler instead of the screen; an empty handler shows
// them again. Returns the handler that was installed before.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace ravix
