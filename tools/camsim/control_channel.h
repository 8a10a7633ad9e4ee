#pragma once
// The simulator's control protocol: one command per line, one answer line per command,
// "ok[ <payload>]" or "error <message>". DEVICE is a host name, address or service name.
//
//   add <camera JSON>               add a camera ({"kind": "service", ...} for another service)
//   remove <DEVICE>                 withdraw it (goodbye packets) and stop its HTTP server
//   txt <DEVICE> <JSON object>      replace its TXT record ({"key": "value", ...})
//   fault <DEVICE> <JSON object>    replace its fault settings ({} clears them)
//   set <DEVICE> <Group.Name> <value>   set a parameter's applied value
//   get <DEVICE> <Group.Name>       ok <applied value>
//   staged <DEVICE> <Group.Name>    ok <value waiting for Commit>, or error
//   list                            ok <JSON array of the devices>
//   clear-log                       empty the request log
//   quit                            stop the simulator
//   help                            ok <the command list>

#include <string>

#include "tools/camsim/simulator.h"

namespace camsim {

class ControlChannel {
 public:
  explicit ControlChannel(Simulator& simulator) : simulator_(simulator) {}

  // Runs one command line and returns the answer line (without line feed); line breaks
  // in texts of the answer become blanks.
  std::string Execute(const std::string& line);
  bool QuitRequested() const { return quit_; }

 private:
  std::string Run(const std::string& line);
  std::string Add(const std::string& args);
  std::string Txt(const std::string& args);
  std::string Fault(const std::string& args);
  std::string Set(const std::string& args);
  std::string Get(const std::string& args, bool staged);

  Simulator& simulator_;
  bool quit_ = false;
};

}  // namespace camsim
