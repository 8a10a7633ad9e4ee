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

  // False with a reason in Error() when something could not be set up. With wideArea
  // the daemon does wide-area lookups with nameServer as the namespace's resolver. In
  // the private mount namespace, the daemon's configuration is also bound over
  // /etc/avahi/avahi-daemon.conf (and with a name server, a resolv.conf over
  // /etc/resolv.conf), where the finder reads them.
  bool Start(bool wideArea = false, const std::string& nameServer = "");
  const std::string& Error() const { return error_; }

 private:
  bool Fail(const std::string& what);

  std::string dir_;
  pid_t dbus_ = -1;
  pid_t avahi_ = -1;
  bool configBound_ = false;
  bool resolverBound_ = false;
  std::string error_;
};
