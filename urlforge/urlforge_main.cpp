// urlforge: composes, shows and sends command URLs of a camera's parameter interface.
#include <cstdio>

int main() {
  std::printf("Usage: urlforge\n\nCommand generator for one camera's parameter interface (being built).\n");
  return 0;
}
