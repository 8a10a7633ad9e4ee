// ravix-camsim: camera simulator for the network lab.
#include <cstdio>

int main() {
  std::printf("Usage: ravix-camsim [options]\n\nSimulates the maker's IP cameras (being built).\n");
  return 0;
}
