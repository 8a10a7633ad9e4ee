#pragma once
// CompletionTimes: where the completion of camera records spends its time, summed over
// all runs (address and route check, ARP lookup, settings read over HTTP, merge under the
// record lock), for benchmarks and traces. Safe to add to from any thread.

#include <atomic>
#include <chrono>
#include <cstdint>

namespace ravix {

class CompletionTimes {
 public:
  enum Phase { Address, Arp, Settings, Merge, kPhaseCount };

  struct Figures {
    uint64_t runs = 0;
    double totalMs = 0;
    double longestMs = 0;
  };

  void Add(Phase phase, std::chrono::steady_clock::duration spent) {
    const auto ns = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(spent).count());
    Slot& slot = slots_[phase];
    slot.runs.fetch_add(1, std::memory_order_relaxed);
    slot.totalNs.fetch_add(ns, std::memory_order_relaxed);
    uint64_t longest = slot.longestNs.load(std::memory_order_relaxed);
    while (ns > longest && !slot.longestNs.compare_exchange_weak(longest, ns, std::memory_order_relaxed)) {
    }
  }

  // Adds the time from construction to destruction to one phase.
  class Timer {
   public:
    Timer(CompletionTimes& times, Phase phase) : times_(times), phase_(phase), start_(std::chrono::steady_clock::now()) {}
    ~Timer() { times_.Add(phase_, std::chrono::steady_clock::now() - start_); }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

   private:
    CompletionTimes& times_;
    Phase phase_;
    std::chrono::steady_clock::time_point start_;
  };

  Figures Of(Phase phase) const {
    const Slot& slot = slots_[phase];
    return {slot.runs.load(), slot.totalNs.load() / 1e6, slot.longestNs.load() / 1e6};
  }

 private:
  struct Slot {
    std::atomic<uint64_t> runs{0};
    std::atomic<uint64_t> totalNs{0};
    std::atomic<uint64_t> longestNs{0};
  };
  Slot slots_[kPhaseCount];
};

}  // namespace ravix
