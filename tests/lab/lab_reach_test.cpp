// Runs inside tools/netlab: the pc namespace reaches a listener in a camera namespace
// over its link, and nothing outside the lab.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <future>
#include <string>
#include <thread>

namespace {

struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
};

sockaddr_in Address(const std::string& ip, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  inet_pton(AF_INET, ip.c_str(), &sa.sin_addr);
  return sa;
}

// Moves the calling thread into the network namespace at path; true on success.
bool EnterNamespace(const std::string& path) {
  Fd ns(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  return ns.fd >= 0 && setns(ns.fd, CLONE_NEWNET) == 0;
}

// Listens in the given namespace, answers one connection with "hello", returns the port.
std::thread ServeOnce(const std::string& nsPath, const std::string& ip, std::promise<uint16_t>& ready) {
  return std::thread([nsPath, ip, &ready] {
    if (!EnterNamespace(nsPath)) {
      ready.set_value(0);
      return;
    }
    Fd listener(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in sa = Address(ip, 0);
    socklen_t len = sizeof sa;
    if (bind(listener.fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || listen(listener.fd, 4) != 0 ||
        getsockname(listener.fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
      ready.set_value(0);
      return;
    }
    ready.set_value(ntohs(sa.sin_port));
    timeval tv{5, 0};
    setsockopt(listener.fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    Fd conn(accept(listener.fd, nullptr, nullptr));
    if (conn.fd >= 0) (void)!write(conn.fd, "hello", 5);
  });
}

int ConnectTo(const std::string& ip, uint16_t port, std::string* reply) {
  Fd s(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  timeval tv{3, 0};
  setsockopt(s.fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  setsockopt(s.fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  sockaddr_in sa = Address(ip, port);
  if (connect(s.fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return errno;
  char buf[16] = {};
  const ssize_t n = read(s.fd, buf, sizeof buf - 1);
  if (reply != nullptr && n > 0) reply->assign(buf, static_cast<std::size_t>(n));
  return 0;
}

class LabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("NETLAB_ID") == nullptr) GTEST_SKIP() << "not inside tools/netlab";
    camNs_ = std::string("/run/netns/") + std::getenv("NETLAB_CAM0");
    const std::string addrs = std::getenv("NETLAB_CAM0_ADDRS");
    camAddr_ = addrs.substr(0, addrs.find(' '));
    lastCamAddr_ = addrs.substr(addrs.rfind(' ') + 1);
  }
  std::string camNs_, camAddr_, lastCamAddr_;
};

TEST_F(LabTest, PcReachesListenerInCameraNamespace) {
  for (const std::string& ip : {camAddr_, lastCamAddr_}) {
    std::promise<uint16_t> ready;
    std::thread server = ServeOnce(camNs_, ip, ready);
    const uint16_t port = ready.get_future().get();
    ASSERT_NE(port, 0) << "listener could not start in " << camNs_;
    std::string reply;
    EXPECT_EQ(ConnectTo(ip, port, &reply), 0) << ip;
    EXPECT_EQ(reply, "hello");
    server.join();
  }
}

TEST_F(LabTest, NothingOutsideTheLabIsReachable) {
  // No default route: an address outside the lab's subnets is unreachable at once.
  EXPECT_EQ(ConnectTo("192.0.2.1", 80, nullptr), ENETUNREACH);

  // A listener on the machine's own loopback is not the lab's loopback.
  std::promise<uint16_t> ready;
  const std::string hostNs = std::string("/proc/") + std::getenv("NETLAB_OWNER_PID") + "/ns/net";
  std::thread server = ServeOnce(hostNs, "127.0.0.1", ready);
  const uint16_t port = ready.get_future().get();
  ASSERT_NE(port, 0);
  EXPECT_EQ(ConnectTo("127.0.0.1", port, nullptr), ECONNREFUSED);
  // let the host listener go: connect to it from its own namespace
  std::thread closer([&] {
    if (EnterNamespace(hostNs)) ConnectTo("127.0.0.1", port, nullptr);
  });
  closer.join();
  server.join();
}

}  // namespace
