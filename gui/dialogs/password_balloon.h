#pragma once
// PasswordBalloon: the error balloon the password dialog shows under a field when the
// camera refused the typed credentials: an error icon, a bold title and a text, in a
// tinted frame with a pointer towards the field. A child of the dialog, so it moves and
// closes with it.

#include <QFrame>

class QLabel;

class PasswordBalloon final : public QFrame {
  Q_OBJECT

 public:
  explicit PasswordBalloon(QWidget* dialog);

  // Shows title and text just below anchor (a widget of the same dialog).
  void ShowAt(QWidget* anchor, const QString& title, const QString& text);
  QString Title() const;
  QString Text() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QLabel* icon_;
  QLabel* title_;
  QLabel* text_;
};
