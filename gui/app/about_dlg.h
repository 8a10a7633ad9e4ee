#pragma once
// CAboutDlg: the About box: the application icon and title, a separator, one line about
// the program and the version in a read-only field.

#include <QDialog>

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr const char* kVersion = "1.7.0.238";

  explicit CAboutDlg(QWidget* parent = nullptr);
};
