#include "net/network_helper.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "net/network_admin.h"
#include "platform/file_descriptor.h"

extern char** environ;

namespace ravix {
namespace {

constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorised = 127;

struct Pipe {
  UniqueFd read, write;
  bool Open() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    read = UniqueFd(fds[0]);
    write = UniqueFd(fds[1]);
    return true;
  }
};

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// Reads both pipes until the child closes them or stop is set; true when stopped.
bool DrainUntilClosed(int outFd, int errFd, std::string& out, std::string& err, const std::atomic<bool>& stop) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* sinks[2] = {&out, &err};
  int open = 2;
  while (open > 0) {
    if (stop.load()) return true;
    if (poll(fds, 2, 100) < 0 && errno != EINTR) return false;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buf[4096];
      const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n > 0 && sinks[i]->size() < 65536) sinks[i]->append(buf, static_cast<std::size_t>(n));
      if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
        fds[i].fd = -1;
        --open;
      }
    }
  }
  return false;
}

HelperReply RunProgram(const std::vector<std::string>& command, const std::atomic<bool>& stop) {
  HelperReply reply;
  Pipe out, err;
  if (command.empty() || !out.Open() || !err.Open()) {
    reply.Message = "the network helper could not be started";
    return reply;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out.write.Get(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err.write.Get(), STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  std::vector<char*> argv;
  for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // The child starts with no blocked signals and default actions, whatever this
  // process blocks (a command line waiting for Ctrl-C), so that stopping it works.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  out.write.Reset();
  err.write.Reset();
  if (spawned != 0) {
    reply.Message = command[0] + ": " + std::strerror(spawned);
    return reply;
  }
  std::string errText;
  const bool stopped = DrainUntilClosed(out.read.Get(), err.read.Get(), reply.Output, errText, stop);
  if (stopped) kill(pid, SIGTERM);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  reply.Message = FirstLine(errText);
  if (stopped) {
    reply.Outcome = HelperOutcome::Stopped;
    return reply;
  }
  reply.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  reply.Outcome = OutcomeOfExitCode(reply.ExitCode);
  return reply;
}

}  // namespace

std::string FindNetworkHelper() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  const std::filesystem::path candidates[] = {
      program.parent_path() / kNetworkHelperName,
      program.parent_path().parent_path() / "libexec" / "ravixfinder" / kNetworkHelperName,
  };
  for (const std::filesystem::path& path : candidates)
    if (access(path.c_str(), X_OK) == 0) return path.string();
  return {};
}

bool NetworkHelperAvailable() { return !FindNetworkHelper().empty() && access(kPkexecPath, X_OK) == 0; }

HelperRunner PkexecHelperRunner(const std::string& helperPath, bool textAgent) {
  return [helperPath, textAgent](const std::vector<std::string>& args, const std::atomic<bool>& stop) {
    if (helperPath.empty() || access(kPkexecPath, X_OK) != 0) {
      HelperReply reply;
      reply.Message = helperPath.empty() ? "the network helper ravixfinder-netadmin is not installed"
                                         : "pkexec is not installed (package pkexec)";
      return reply;
    }
    std::vector<std::string> command{kPkexecPath};
    if (!textAgent) command.emplace_back("--disable-internal-agent");
    command.push_back(helperPath);
    command.insert(command.end(), args.begin(), args.end());
    return RunProgram(command, stop);
  };
}

HelperRunner ProgramRunner(const std::vector<std::string>& prefix) {
  return [prefix](const std::vector<std::string>& args, const std::atomic<bool>& stop) {
    std::vector<std::string> command = prefix;
    command.insert(command.end(), args.begin(), args.end());
    return RunProgram(command, stop);
  };
}

HelperRunner InProcessHelperRunner() {
  return [](const std::vector<std::string>& args, const std::atomic<bool>&) {
    const AdminResult result = RunAdminCommand(args);
    HelperReply reply;
    reply.ExitCode = static_cast<int>(result.Refusal);
    reply.Outcome = result.ok() ? HelperOutcome::Done : HelperOutcome::Refused;
    reply.Output = result.Output.empty() ? std::string() : result.Output + "\n";
    reply.Message = result.Message;
    return reply;
  };
}

HelperOutcome OutcomeOfExitCode(int exitCode) {
  if (exitCode == 0) return HelperOutcome::Done;
  if (exitCode == kPkexecDismissed) return HelperOutcome::Declined;
  if (exitCode == kPkexecNotAuthorised) return HelperOutcome::NotAuthorised;
  if (exitCode >= static_cast<int>(AdminRefusal::Usage) && exitCode <= static_cast<int>(AdminRefusal::SystemError))
    return HelperOutcome::Refused;
  return HelperOutcome::Unavailable;
}

std::string DescribeHelperFailure(const HelperReply& reply) {
  switch (reply.Outcome) {
    case HelperOutcome::Declined: return "the authorisation was declined";
    case HelperOutcome::NotAuthorised:
      return "no authorisation could be had (no polkit authentication agent, or not allowed)";
    case HelperOutcome::Unavailable:
      return reply.Message.empty() ? "the network helper could not run (exit code " + std::to_string(reply.ExitCode) + ")"
                                   : reply.Message;
    case HelperOutcome::Stopped: return "the finder is ending";
    case HelperOutcome::Refused: return reply.Message;
    case HelperOutcome::Done: break;
  }
  return {};
}

}  // namespace ravix
