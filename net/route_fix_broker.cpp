#include "net/route_fix_broker.h"

#include <chrono>
#include <map>

#include "net/ipv4_text.h"
#include "platform/debug_trace.h"
#include "platform/name_thread.h"

namespace ravix {
namespace {
constexpr int kFixWaitSeconds = 90;
}  // namespace

RouteFixBroker::RouteFixBroker(HelperRunner runner, Notice notice, int gatherMs)
    : runner_(std::move(runner)), notice_(std::move(notice)), gatherMs_(gatherMs) {
  worker_ = std::thread([this] { Work(); });
}

RouteFixBroker::~RouteFixBroker() {
  Stop();
  if (worker_.joinable()) worker_.join();
}

void RouteFixBroker::Stop() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
}

bool RouteFixBroker::GivenUp() const {
  const std::lock_guard lock(mutex_);
  return givenUp_;
}

bool RouteFixBroker::Fix(const std::string& adapter, uint32_t net, unsigned prefix) {
  auto request = std::make_shared<Request>();
  request->Adapter = adapter;
  request->Subnet = FormatIPv4(net) + "/" + std::to_string(prefix);
  request->Key = adapter + " " + request->Subnet;
  std::unique_lock lock(mutex_);
  if (stop_ || givenUp_) return false;
  pending_.push_back(request);
  wake_.notify_all();
  // Bounded, so that a dialog left open does not hold up a Refresh for ever; the run goes
  // on and the route is right for the next completion.
  wake_.wait_for(lock, std::chrono::seconds(kFixWaitSeconds), [&] { return request->Done || stop_; });
  return request->Done && request->Ok;
}

void RouteFixBroker::Work() {
  NameThread("route helper");
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stop_ || !pending_.empty(); });
    if (stop_) return;
    // Let the other completions of this Refresh join the run.
    wake_.wait_for(lock, std::chrono::milliseconds(gatherMs_), [&] { return stop_.load(); });
    if (stop_) return;
    std::vector<std::shared_ptr<Request>> batch;
    batch.swap(pending_);
    lock.unlock();
    RunBatch(std::move(batch));
    lock.lock();
  }
}

void RouteFixBroker::RunBatch(std::vector<std::shared_ptr<Request>> batch) {
  std::map<std::string, const Request*> unique;
  for (const auto& r : batch) unique.emplace(r->Key, r.get());
  std::vector<std::string> args{"route"};
  for (const auto& [key, r] : unique) {
    args.push_back(r->Adapter);
    args.push_back(r->Subnet);
  }
  ++runs_;
  const HelperReply reply = runner_(args, stop_);
  DebugTrace("RouteFixBroker: %zu route(s) through the helper: exit %d %s", unique.size(), reply.ExitCode,
             reply.Message.c_str());
  // The helper checks the whole run first: one refused route (an adapter gone down since)
  // refuses all. Then each goes on its own (the kept authorisation covers them).
  if (reply.Outcome == HelperOutcome::Refused && unique.size() > 1) {
    for (const auto& [key, first] : unique) {
      std::vector<std::shared_ptr<Request>> same;
      for (const auto& r : batch)
        if (r->Key == key) same.push_back(r);
      RunBatch(std::move(same));
    }
    return;
  }
  const bool ok = reply.Outcome == HelperOutcome::Done;
  const bool giveUp = reply.Outcome == HelperOutcome::Declined || reply.Outcome == HelperOutcome::NotAuthorised ||
                      reply.Outcome == HelperOutcome::Unavailable;
  bool first = false;
  {
    const std::lock_guard lock(mutex_);
    first = giveUp && !givenUp_;
    if (giveUp) givenUp_ = true;
  }
  // Said before the waiting completions go on, so that it comes before anything they do.
  if (first) {
    const std::string notice = "camera subnets are not routed over their adapters: " + DescribeHelperFailure(reply) +
                               "; cameras on other adapters' subnets may stay unreachable";
    DebugTrace("RouteFixBroker: %s", notice.c_str());
    if (notice_) notice_(notice);
  }
  {
    const std::lock_guard lock(mutex_);
    for (const auto& r : batch) {
      r->Done = true;
      r->Ok = ok;
    }
  }
  wake_.notify_all();
}

}  // namespace ravix
