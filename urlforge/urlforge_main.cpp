// urlforge: composes, shows and sends command URLs of a camera's parameter interface.
#include <cstdio>
#include <cstring>

#include "urlforge/window/url_forge_app.h"

namespace {

constexpr const char* kUsage =
    "Usage: urlforge [Qt options]\n"
    "       urlforge --help | --version\n"
    "\n"
    "Zorvik IP Camera UrlForge: reads and writes one camera's parameters and composes,\n"
    "shows and sends the command URLs of its parameter interface.\n"
    "\n"
    "  --help     this text\n"
    "  --version  the version\n"
    "\n"
    "Other arguments are the Qt toolkit's own (e.g. -platform xcb).\n";

// 1 when --help or --version was answered (the program then ends with 0), else 0.
// Every other argument is left to Qt.
int AnswerOptions(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 1;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("urlforge %s\n", RAVIX_VERSION);
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnswerOptions(argc, argv) != 0) return 0;
  CUrlForgeApp app(argc, argv);
  return app.Run();
}
