// urlforge: composes, shows and sends command URLs of a camera's parameter interface.
#include "urlforge/window/url_forge_app.h"

int main(int argc, char** argv) {
  CUrlForgeApp app(argc, argv);
  return app.Run();
}
