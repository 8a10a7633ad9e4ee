#include "lab_avahi_daemon.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "discovery/avahi_client_backend.h"

namespace {

constexpr const char* kDbusConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=/run/dbus/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_type="method_call"/>
    <allow send_destination="*"/>
    <allow receive_type="*"/>
  </policy>
</busconfig>
)";

constexpr const char* kAvahiConfig = R"([server]
use-ipv4=yes
use-ipv6=no
enable-dbus=yes
disallow-other-stacks=no
cache-entries-max=20000
[wide-area]
enable-wide-area=%WIDE%
[publish]
publish-hinfo=no
publish-workstation=no
)";

pid_t Spawn(const std::vector<std::string>& args, const std::string& log) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (out >= 0) {
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
  }
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

void Stop(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  pid = -1;
}

}  // namespace

bool LabAvahiDaemon::Fail(const std::string& what) {
  error_ = what + ": " + std::strerror(errno);
  return false;
}

bool LabAvahiDaemon::Start(bool wideArea, const std::string& nameServer) {
  if (std::getenv("NETLAB_PC") == nullptr) {
    errno = 0;
    return Fail("not inside the network lab");
  }
  if (unshare(CLONE_NEWNS) != 0) return Fail("unshare(CLONE_NEWNS)");
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return Fail("private mounts");
  char pattern[] = "/tmp/ravix-lab-avahi-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return Fail("mkdtemp");
  dir_ = pattern;
  // A private /run: fresh dbus and avahi-daemon folders, the lab's namespaces kept.
  const std::string run = dir_ + "/run";
  for (const char* sub : {"/run", "/run/dbus", "/run/avahi-daemon", "/run/netns"}) mkdir((dir_ + sub).c_str(), 0755);
  if (mount("/run/netns", (run + "/netns").c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0)
    return Fail("bind of /run/netns");
  if (mount(run.c_str(), "/run", nullptr, MS_BIND | MS_REC, nullptr) != 0) return Fail("bind over /run");
  std::ofstream(dir_ + "/dbus.conf") << kDbusConfig;
  std::string config = kAvahiConfig;
  config.replace(config.find("%WIDE%"), 6, wideArea ? "yes" : "no");
  std::ofstream(dir_ + "/avahi-daemon.conf") << config;
  if (access("/etc/avahi/avahi-daemon.conf", F_OK) == 0 &&
      mount((dir_ + "/avahi-daemon.conf").c_str(), "/etc/avahi/avahi-daemon.conf", nullptr, MS_BIND, nullptr) != 0)
    return Fail("bind of the daemon configuration");
  configBound_ = access("/etc/avahi/avahi-daemon.conf", F_OK) == 0;
  if (!nameServer.empty()) {
    std::ofstream(dir_ + "/resolv.conf") << "nameserver " << nameServer << "\n";
    if (mount((dir_ + "/resolv.conf").c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0)
      return Fail("bind of resolv.conf");
    resolverBound_ = true;
  }
  setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/run/dbus/system_bus_socket", 1);

  dbus_ = Spawn({"/usr/bin/dbus-daemon", "--nofork", "--nopidfile", "--config-file=" + dir_ + "/dbus.conf"},
                dir_ + "/daemons.log");
  for (int i = 0; i < 100 && access("/run/dbus/system_bus_socket", F_OK) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  avahi_ = Spawn({"/usr/sbin/avahi-daemon", "-f", dir_ + "/avahi-daemon.conf", "--no-drop-root", "--no-chroot",
                  "--no-rlimits", "--no-proc-title"},
                 dir_ + "/daemons.log");
  for (int i = 0; i < 200; ++i) {
    if (AvahiClientBackend::DaemonAnswers()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  errno = ETIMEDOUT;
  return Fail("avahi-daemon did not register on the lab bus");
}

LabAvahiDaemon::~LabAvahiDaemon() {
  Stop(avahi_);
  Stop(dbus_);
  if (dir_.empty()) return;
  if (configBound_) umount2("/etc/avahi/avahi-daemon.conf", MNT_DETACH);
  if (resolverBound_) umount2("/etc/resolv.conf", MNT_DETACH);
  umount2("/run", MNT_DETACH);
  // Only remove the folder once nothing of the lab is bound into it any more.
  if (umount2((dir_ + "/run/netns").c_str(), MNT_DETACH) == 0) std::filesystem::remove_all(dir_);
}
