// The address search's deadline holds with hosts that accept a connection and never
// answer it (a /22 of them took minutes): no parameter interface is read after it. The
// lab's first camera namespace holds eight addresses, all served by one such listener.
//
// Lab: the default one (192.168.77.10-17 on the first link).

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "finder/address_finder.h"
#include "net/address_block.h"

namespace {

// Accepts on port 80 of every address of network namespace ns and never answers; the
// connections stay open until it stops.
class SilentWebServer {
 public:
  explicit SilentWebServer(const std::string& ns) {
    thread_ = std::thread([this, ns] {
      const int nsFd = open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
      if (nsFd < 0 || setns(nsFd, CLONE_NEWNET) != 0) return;
      close(nsFd);
      const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      const int on = 1;
      setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
      sockaddr_in at{};
      at.sin_family = AF_INET;
      at.sin_port = htons(80);
      if (bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(fd, 64) != 0) {
        close(fd);
        return;
      }
      listening_ = true;
      std::vector<int> clients;
      while (!stop_) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        const int client = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) clients.push_back(client);
      }
      for (int client : clients) close(client);
      close(fd);
    });
  }
  ~SilentWebServer() {
    stop_ = true;
    thread_.join();
  }
  SilentWebServer(const SilentWebServer&) = delete;
  SilentWebServer& operator=(const SilentWebServer&) = delete;
  bool Listening() const { return listening_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<bool> listening_{false};
  std::thread thread_;
};

TEST(AddressSearchLab, TheDeadlineAlsoEndsTheHttpProbes) {
  const char* ns = std::getenv("NETLAB_CAM0");
  if (ns == nullptr) GTEST_SKIP() << "not inside tools/netlab";
  SilentWebServer silent(ns);
  for (int i = 0; i < 100 && !silent.Listening(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(silent.Listening());

  std::vector<uint32_t> addresses;
  std::string error;
  ASSERT_TRUE(ravix::ParseAddressBlock("192.168.77.10-17", addresses, error)) << error;
  AddressFinderLimits limits;
  limits.Deadline = std::chrono::milliseconds(1500);
  limits.QueryTimeout = std::chrono::milliseconds(300);
  limits.HttpWorkers = 1;  // one probe at a time: eight silent hosts take eight probe times
  CNetworkTools tools;
  const auto start = std::chrono::steady_clock::now();
  const std::vector<CBrowseRecord> found = FindCamerasByAddress(addresses, tools, limits);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_TRUE(found.empty());
  // The deadline plus the one probe running at it (login-free: one request of 1 s);
  // without the bound the search ran for all eight (over 8 s).
  EXPECT_LT(took.count(), 4500) << "the search ran past its deadline";
}

}  // namespace
