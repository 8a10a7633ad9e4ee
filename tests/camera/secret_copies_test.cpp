// Building the URLs and queries that carry a camera's password must not leave copies of
// it in memory that a growing string gave back. This program replaces the global
// operator delete to look into every block given back while a login is attempted.
#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "camera/camera_client.h"
#include "camera/camera_connect.h"
#include "net/network_tools.h"

namespace {

constexpr char kMarker[] = "Pw7f3a9c1eSecretMarker";
std::atomic<bool> watching{false};
std::atomic<int> copiesGivenBack{0};

void Look(void* block) {
  if (!watching || block == nullptr) return;
  const std::size_t size = malloc_usable_size(block);
  if (memmem(block, size, kMarker, sizeof kMarker - 1) != nullptr) ++copiesGivenBack;
}

}  // namespace

void* operator new(std::size_t size) {
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
  Look(block);
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  Look(block);
  std::free(block);
}

namespace {

// A camera address where nothing listens: every attempt fails at once, after the URLs and
// the login query were built.
CBrowseRecord Nowhere() {
  CBrowseRecord record;
  record.ServiceName = "Nowhere";
  record.HostTarget = "127.0.0.1:9";
  return record;
}

int CopiesLeftBy(const char* user, const std::string& password) {
  CNetworkTools tools;
  CameraConnectContext context{tools, false, nullptr, nullptr, {}};
  const CBrowseRecord record = Nowhere();
  copiesGivenBack = 0;
  watching = true;
  const CameraResult rc = TryConnectCamera(context, record, user, password.c_str(), nullptr);
  watching = false;
  EXPECT_NE(rc, CamOk);
  return copiesGivenBack.load();
}

TEST(SecretCopies, LoginAttemptGivesBackNoMemoryHoldingThePassword) {
  const std::string password = std::string(kMarker) + "-and-a-tail-longer-than-a-short-string";
  EXPECT_EQ(CopiesLeftBy("admin", password), 0);
  // A password the login exchange cannot carry stays in the URL of every request.
  EXPECT_EQ(CopiesLeftBy("admin", "x:" + password), 0);
}

}  // namespace
