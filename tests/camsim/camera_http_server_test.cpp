// One camera's HTTP server on loopback: uploads and raw paths as the request log records
// them, and the transport faults (refusal, delay, no answer, dropped upload).
#include <gtest/gtest.h>
#include <httplib.h>

#include <fstream>

#include "tools/camsim/camera_http_server.h"
#include "tools/camsim/firmware_image.h"

namespace {

class CameraHttpServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    logPath_ = testing::TempDir() + "/camsim_http_" + std::to_string(getpid()) + ".log";
    std::remove(logPath_.c_str());
    std::string error;
    ASSERT_TRUE(log_.Open(logPath_, error)) << error;
    camsim::CameraConfig config;
    config.serial = "H1";
    config.address = "127.0.0.1";
    config.port = 0;
    camsim::CompleteCamera(config, 1);
    camera_ = std::shared_ptr<camsim::SimulatedCamera>(camsim::SimulatedCamera::Create(
        config,
        std::shared_ptr<const camsim::ParameterCatalogue>(&camsim::ParameterCatalogue::Default(),
                                                          [](const camsim::ParameterCatalogue*) {}),
        error));
    server_ = std::make_unique<camsim::CameraHttpServer>(camera_, "127.0.0.1", 0, log_);
    ASSERT_TRUE(server_->Start(error)) << error;
  }
  void TearDown() override {
    if (server_) server_->Stop();
    std::remove(logPath_.c_str());
  }

  httplib::Client Client(int readTimeoutMs = 3000) {
    httplib::Client client("127.0.0.1", server_->Port());
    client.set_connection_timeout(2);
    client.set_read_timeout(0, readTimeoutMs * 1000);
    return client;
  }

  void SetFaults(const camsim::FaultSettings& faults) {
    camera_->SetFaults(faults);
    std::string error;
    ASSERT_TRUE(server_->FaultsChanged(error)) << error;
  }

  std::vector<nlohmann::json> Log() {
    std::vector<nlohmann::json> entries;
    std::ifstream in(logPath_);
    for (std::string line; std::getline(in, line);) entries.push_back(nlohmann::json::parse(line));
    return entries;
  }

  std::string logPath_;
  camsim::RequestLog log_;
  std::shared_ptr<camsim::SimulatedCamera> camera_;
  std::unique_ptr<camsim::CameraHttpServer> server_;
};

TEST_F(CameraHttpServerTest, UploadAndRawPathsAreServedAndLogged) {
  auto client = Client();
  ASSERT_EQ(client.Get("/cgi-bin/firmware.cgi/upload")->status, 200);
  const std::string image = camsim::MakeFirmwareImage(300000, "4.0");
  httplib::MultipartFormDataItems items = {{"firmware", image, "RavixFinderRocks.bin", "application/octet-stream"}};
  auto verified = client.Post("/cgi-bin/firmware.cgi/verify", items);
  ASSERT_TRUE(verified);
  EXPECT_NE(verified->body.find(" is matching "), std::string::npos) << verified->body;
  auto status = client.Get("//cgi-bin/firmware.cgi/status?session_id=00ff");
  ASSERT_TRUE(status);
  EXPECT_EQ(status->status, 200);

  const auto log = Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1]["method"], "POST");
  EXPECT_EQ(log[1]["part"]["name"], "firmware");
  EXPECT_EQ(log[1]["part"]["filename"], "RavixFinderRocks.bin");
  EXPECT_EQ(log[1]["part"]["size"], image.size());
  EXPECT_EQ(log[2]["path"], "//cgi-bin/firmware.cgi/status");
  EXPECT_EQ(log[2]["query"], "session_id=00ff");
  EXPECT_EQ(log[2]["host"], "ravix-h1");
  EXPECT_LT(log[0]["seq"].get<int>(), log[2]["seq"].get<int>());
}

TEST_F(CameraHttpServerTest, RefusalClosesAndReopensTheListener) {
  camsim::FaultSettings refuse;
  refuse.refuse = true;
  SetFaults(refuse);
  EXPECT_FALSE(server_->IsListening());
  auto res = Client().Get("/");
  ASSERT_FALSE(res);
  EXPECT_EQ(res.error(), httplib::Error::Connection);
  SetFaults({});
  EXPECT_TRUE(server_->IsListening());
  res = Client().Get("/");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
}

TEST_F(CameraHttpServerTest, DelayAndNoAnswerOutlastTheClient) {
  camsim::FaultSettings delay;
  delay.delayMs = 1500;
  delay.pathFilter = "param_if";
  SetFaults(delay);
  EXPECT_FALSE(Client(300).Get("/cgi-bin/param_if.cgi?NumActions=0"));
  EXPECT_TRUE(Client(300).Get("/"));  // filtered out

  camsim::FaultSettings silent;
  silent.noAnswer = true;
  SetFaults(silent);
  EXPECT_FALSE(Client(300).Get("/"));
  // A held answer does not keep the server from stopping.
  server_->Stop();
  const auto log = Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[2]["faults"], nlohmann::json::array({"no_answer"}));
}

TEST_F(CameraHttpServerTest, DroppedUploadLeavesTheClientWithoutAnswer) {
  camsim::FaultSettings drop;
  drop.dropUpload = true;
  SetFaults(drop);
  auto client = Client();
  const std::string image = camsim::MakeFirmwareImage(4 << 20, "4.0");
  httplib::MultipartFormDataItems items = {{"firmware", image, "RavixFinderRocks.bin", "application/octet-stream"}};
  EXPECT_FALSE(client.Post("/cgi-bin/firmware.cgi/verify", items));
  const auto log = Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0]["dropped"], true);
  EXPECT_EQ(log[0]["part"]["name"], "firmware");
  EXPECT_LT(log[0]["part"]["size"].get<std::size_t>(), image.size());
  // The camera serves the next connection normally.
  EXPECT_TRUE(Client().Get("/"));
}

}  // namespace
