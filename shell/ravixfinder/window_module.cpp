#include "shell/ravixfinder/window_module.h"

#include <QApplication>

#include "gui/app/ravix_finder_app.h"
#include "platform/debug_trace.h"

extern "C" __attribute__((visibility("default"))) int RavixFinderRunWindow(int argc, char** argv,
                                                                          const FinderOptions* options, bool trace) {
  ravix::SetTraceEnabled(trace);
  QApplication qt(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ravixfinder"));
  QApplication::setApplicationVersion(QStringLiteral(RAVIX_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("ravixfinder"));
  CRavixFinderApp::Options appOptions;
  appOptions.clipboardMode = options->clipboardMode;
  appOptions.browseDomains = options->domains;
  appOptions.dnsServers = options->dnsServers;
  appOptions.addresses = options->addresses;
  CRavixFinderApp app(std::move(appOptions));
  if (!app.InitInstance()) return app.ExitInstance(0);
  return app.ExitInstance(QApplication::exec());
}
