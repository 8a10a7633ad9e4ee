#pragma once
// CUrlForgeApp: the UrlForge application. Run shows the UrlForge window modally and ends
// the application when it closes.

#include <QApplication>

class CUrlForgeApp : public QApplication {
  Q_OBJECT
 public:
  CUrlForgeApp(int& argc, char** argv);

  int Run();
};
