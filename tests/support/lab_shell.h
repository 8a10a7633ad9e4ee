#pragma once
// What lab tests ask of the shell: a variable of the lab (NETLAB_*), and the standard
// output of a command with its exit code.

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace ravix::test {

// The variable's value; empty when it is not set.
inline std::string Env(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? value : "";
}

// Everything command writes to standard output; exitCode (when given) gets its exit code,
// -1 when it did not exit normally or could not start.
inline std::string CommandOutput(const std::string& command, int* exitCode = nullptr) {
  std::string out;
  if (exitCode != nullptr) *exitCode = -1;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = pclose(pipe);
  if (exitCode != nullptr && status != -1 && WIFEXITED(status)) *exitCode = WEXITSTATUS(status);
  return out;
}

// The kernel marks a link operational, or no longer, a little after "ip link set" (a
// deferred work item that lags while other namespaces are torn down): cases that count
// running links wait for the state first. True once the link of this namespace is (not)
// up, false after 10 s.
inline bool WaitOperational(const std::string& name, bool up) {
  for (int i = 0; i < 400; ++i) {
    std::ifstream file("/sys/class/net/" + name + "/operstate");
    std::string state;
    file >> state;
    if ((state == "up") == up) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

}  // namespace ravix::test
