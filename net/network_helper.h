#pragma once
// The finder's side of the privileged network helper (ravixfinder-netadmin): where the
// helper is, how it is started (through pkexec, authorised by polkit), and what its exit
// says. Runners are the seam: the finder uses PkexecHelperRunner without CAP_NET_ADMIN
// and InProcessHelperRunner with it; tests put in their own.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace ravix {

enum class HelperOutcome {
  Done,             // the helper did it
  Refused,          // the helper refused the arguments (Message says why)
  Declined,         // the user dismissed the authentication dialog
  NotAuthorised,    // no polkit agent, not allowed, or polkit not reachable
  Unavailable,      // no helper or no pkexec installed, or it could not be started
  Stopped,          // the finder ended the run (program exit)
};

struct HelperReply {
  HelperOutcome Outcome = HelperOutcome::Unavailable;
  int ExitCode = -1;
  std::string Output;   // the helper's standard output
  std::string Message;  // its first line of standard error, or why it did not run
};

// Runs the helper with args (the command and its arguments); ends early when stop turns
// true. Runs on the calling thread and may wait a long time (the authentication dialog).
using HelperRunner = std::function<HelperReply(const std::vector<std::string>& args, const std::atomic<bool>& stop)>;

constexpr const char* kNetworkHelperName = "ravixfinder-netadmin";
constexpr const char* kPkexecPath = "/usr/bin/pkexec";

// Beside the running program (a build tree), else in <prefix>/libexec/ravixfinder/
// relative to the program's folder; "" when neither exists.
std::string FindNetworkHelper();

// Whether FindNetworkHelper finds the helper and pkexec is installed.
bool NetworkHelperAvailable();

// "pkexec HELPER args": pkexec exits 126 when the dialog was dismissed and 127 when no
// authorisation could be had. With textAgent pkexec may ask on the terminal when no
// desktop agent runs (command line); the window asks only through the desktop's agent.
HelperRunner PkexecHelperRunner(const std::string& helperPath, bool textAgent);
// Starts a program directly (no pkexec): the helper for a caller that is root already,
// or a stand-in for pkexec in tests.
HelperRunner ProgramRunner(const std::vector<std::string>& command);
// The helper's work in this process (for a process that holds CAP_NET_ADMIN).
HelperRunner InProcessHelperRunner();

// What a finished run says, from its exit code (pkexec's 126/127, the helper's own).
HelperOutcome OutcomeOfExitCode(int exitCode);
// One line for the user about a run that did not happen (Declined, NotAuthorised,
// Unavailable).
std::string DescribeHelperFailure(const HelperReply& reply);

}  // namespace ravix
