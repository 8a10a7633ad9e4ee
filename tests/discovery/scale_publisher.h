#pragma once
// Answers mDNS questions for thousands of "_http._tcp" services from a camera namespace of
// the lab on one socket, the way that many separate cameras would: every question is
// answered at once with the records asked for (no additional records, as avahi-core on a
// camera does), known answers are respected (also those carried on in truncated queries),
// nothing is probed or announced. One avahi-core server publishing thousands of services
// spends seconds per query round in its own bookkeeping, and many servers in one lab each
// read every datagram; either way the measurement becomes one of the publisher.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

class ScalePublisher {
 public:
  ScalePublisher() = default;
  ~ScalePublisher();
  ScalePublisher(const ScalePublisher&) = delete;
  ScalePublisher& operator=(const ScalePublisher&) = delete;

  // Before Start: a service "<name>._http._tcp.local" on host "<host>.local".
  void Add(const std::string& name, const std::string& host, uint16_t port, const std::vector<std::string>& txt);
  // Starts answering in the camera namespace (its interface and first address from the
  // lab's variables); false with a reason in Error().
  bool Start(const std::string& namespacePath, const std::string& interfaceName, const std::string& address);
  void Stop();
  const std::string& Error() const { return error_; }
  long Questions() const { return questions_; }
  long AnswersSent() const { return answers_; }

 private:
  struct Record {
    std::string name;  // wire form
    uint16_t type = 0;
    bool unique = false;
    uint32_t ttl = 0;
    std::string data;  // rdata
  };
  void Run();
  bool OpenSocket(const std::string& interfaceName);
  void HandleDatagram(const uint8_t* data, size_t size);

  std::vector<Record> records_;
  // Records by the key of their name and type; the PTR records under the browsed type.
  std::unordered_multimap<std::string, size_t> byQuestion_;
  uint32_t address_ = 0;  // network byte order
  int fd_ = -1;
  int stop_ = -1;
  std::thread thread_;
  std::string error_;
  std::atomic<long> questions_{0};
  std::atomic<long> answers_{0};
};
