#include "net/temporary_address_keeper.h"

#include <chrono>

#include "net/network_admin.h"
#include "platform/debug_trace.h"
#include "platform/name_thread.h"

namespace ravix {

TemporaryAddressKeeper::TemporaryAddressKeeper(Command command, int renewSeconds)
    : command_(std::move(command)), renewSeconds_(renewSeconds) {}

TemporaryAddressKeeper::~TemporaryAddressKeeper() { RemoveAll(); }

HelperReply TemporaryAddressKeeper::Add(const std::string& adapter, const std::string& address) {
  HelperReply reply = command_({"add", adapter, address.empty() ? std::string(kLinkLocalRequest) : address});
  if (reply.Outcome != HelperOutcome::Done) return reply;
  const std::string taken = reply.Output.substr(0, reply.Output.find('\n'));
  DebugTrace("TemporaryAddressKeeper: %s on %s", taken.c_str(), adapter.c_str());
  const std::lock_guard lock(mutex_);
  entries_.push_back({adapter, taken});
  stop_ = false;
  if (!renewer_.joinable()) renewer_ = std::thread([this] { Renew(); });
  return reply;
}

HelperReply TemporaryAddressKeeper::AddFirstFree(const std::string& adapter, const std::vector<std::string>& candidates) {
  HelperReply reply;
  reply.Outcome = HelperOutcome::Refused;
  reply.Message = "no address to try";
  for (const std::string& candidate : candidates) {
    reply = Add(adapter, candidate);
    if (reply.Outcome != HelperOutcome::Refused || reply.ExitCode != static_cast<int>(AdminRefusal::AddressInUse))
      return reply;
  }
  return reply;
}

void TemporaryAddressKeeper::RemoveAll() {
  const std::lock_guard removing(removing_);
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (renewer_.joinable()) renewer_.join();
  std::vector<Entry> entries;
  {
    const std::lock_guard lock(mutex_);
    entries.swap(entries_);
  }
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    const HelperReply reply = command_({"remove", it->Adapter, it->Address});
    if (reply.Outcome != HelperOutcome::Done)
      DebugTrace("TemporaryAddressKeeper: %s stays on %s until it expires: %s", it->Address.c_str(),
                 it->Adapter.c_str(), DescribeHelperFailure(reply).c_str());
  }
}

std::vector<TemporaryAddressKeeper::Entry> TemporaryAddressKeeper::Entries() const {
  const std::lock_guard lock(mutex_);
  return entries_;
}

void TemporaryAddressKeeper::Renew() {
  NameThread("address renew");
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, std::chrono::seconds(renewSeconds_), [&] { return stop_; })) {
    const std::vector<Entry> entries = entries_;
    lock.unlock();
    for (const Entry& e : entries) {
      const HelperReply reply = command_({"renew", e.Adapter, e.Address});
      DebugTrace("TemporaryAddressKeeper: renew %s: %s", e.Address.c_str(),
                 reply.Outcome == HelperOutcome::Done ? "ok" : DescribeHelperFailure(reply).c_str());
    }
    lock.lock();
  }
}

}  // namespace ravix
