#pragma once
// What lab tests ask of the shell: a variable of the lab (NETLAB_*), and the standard
// output of a command with its exit code.

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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

}  // namespace ravix::test
