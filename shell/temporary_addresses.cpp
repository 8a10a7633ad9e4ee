#include "shell/temporary_addresses.h"

#include "net/admin_checks.h"

int AddTemporaryAddresses(const std::vector<FinderOptions::TemporaryAddress>& requests,
                          ravix::TemporaryAddressKeeper& keeper, std::FILE* err) {
  for (const FinderOptions::TemporaryAddress& request : requests) {
    const ravix::HelperReply reply = keeper.Add(request.Adapter, request.Address);
    if (reply.Outcome == ravix::HelperOutcome::Done) {
      const std::string taken = reply.Output.substr(0, reply.Output.find('\n'));
      std::fprintf(err, "ravixfinder: temporary address %s on %s\n", taken.c_str(), request.Adapter.c_str());
      continue;
    }
    const bool refused = reply.Outcome == ravix::HelperOutcome::Refused &&
                         reply.ExitCode != static_cast<int>(ravix::AdminRefusal::SystemError);
    std::fprintf(err, "ravixfinder: --temporary-address %s%s%s: %s\n", request.Adapter.c_str(),
                 request.Address.empty() ? "" : "=", request.Address.c_str(),
                 ravix::DescribeHelperFailure(reply).c_str());
    return refused ? 2 : 1;
  }
  return 0;
}
