#pragma once
// Runs dbus-daemon and avahi-daemon for the lab's pc namespace with private runtime
// paths: the process moves into a mount namespace of its own with a private /run (only
// the lab's /run/netns is carried over), so the machine's own services are never touched. Must be started before the process has threads.

#include <string>
#include <sys/types.h>

class LabAvahiDaemon {
 public:
  LabAvahiDaemon() = default;
  ~LabAvahiDaemon();
  LabAvahiDaemon(const LabAvahiDaemon&) = delete;
  LabAvahiDaemon& operator=(const LabAvahiDaemon&) = delete;

  // False with a reason in Error() when something could not be set up.
  bool Start();
  const std::string& Error() const { return error_; }

 private:
  bool Fail(const std::string& what);

  std::string dir_;
  pid_t dbus_ = -1;
  pid_t avahi_ = -1;
  std::string error_;
};
