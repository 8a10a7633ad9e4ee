#pragma once
// A host on a camera link of the lab that sends one datagram again and again to the mDNS
// group, from the mDNS port, at a steady rate: the hostile neighbour of the change
// listener's tests and benchmark.

#include <atomic>
#include <string>
#include <thread>

// A response of 2,246 one-byte labels and 749 questions that point into them (9 KB):
// read label by label it makes about 1.7 million strings.
std::string AmplificationDatagram();

class DatagramFlood {
 public:
  DatagramFlood(std::string datagram, int perSecond);
  ~DatagramFlood();
  DatagramFlood(const DatagramFlood&) = delete;
  DatagramFlood& operator=(const DatagramFlood&) = delete;

  // Starts sending from a thread inside the namespace, out of the named interface; false
  // when the socket cannot be made there.
  bool Start(const std::string& namespacePath, const std::string& interfaceName);
  void Stop();
  long Sent() const { return sent_; }

 private:
  bool Open(const std::string& interfaceName);
  void Send();

  std::string datagram_;
  int perSecond_;
  int fd_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<long> sent_{0};
  std::thread thread_;
};
