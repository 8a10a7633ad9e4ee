// ravixfinder-netadmin: the finder's privileged network helper, started through pkexec.
// It does only what RunAdminCommand allows (route fix of an adapter's subnet, temporary
// addresses), checks every argument before it changes anything, and reads nothing from
// its environment. Exit code 0 on success, else the refusal's own code (net/admin_checks.h)
// after one line on standard error.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/network_admin.h"

int main(int argc, char** argv) {
  clearenv();
  umask(022);
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const ravix::AdminResult result = ravix::RunAdminCommand(args);
  if (!result.ok()) {
    std::fprintf(stderr, "ravixfinder-netadmin: %s\n", result.Message.c_str());
    return static_cast<int>(result.Refusal);
  }
  if (!result.Output.empty()) std::printf("%s\n", result.Output.c_str());
  return 0;
}
