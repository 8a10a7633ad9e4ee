#pragma once
// Fixture of the camera lab tests: a profile in a temporary INI file with its own key
// folder, the network tools, a scripted prompt and the connect context over them.

#include <gtest/gtest.h>

#include <QString>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "camera/camera_connect.h"
#include "camera/credential_store.h"
#include "net/network_tools.h"
#include "lab_cameras.h"
#include "platform/app_profile.h"
#include "scripted_prompt.h"

class CameraLab : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!finder_lab::InsideLab()) GTEST_SKIP() << "not inside tools/netlab";
    ASSERT_NE(finder_lab::Simulator(), nullptr) << "the simulator did not start";
    char pattern[] = "/tmp/finder-lab-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    iniFile_ = dir_ / "profile.ini";
    std::filesystem::create_directory(dir_ / "keys");
    profile_ = std::make_unique<ravix::AppProfile>(QString::fromStdString(iniFile_.string()));
    store_ = std::make_unique<CCredentialStore>(*profile_, (dir_ / "keys").string());
    tools_ = std::make_unique<CNetworkTools>();
    context_ = std::make_unique<CameraConnectContext>(CameraConnectContext{*tools_, true, nullptr, nullptr, {}});
    context_->Credentials = store_.get();
    context_->Prompt = &prompt_;
    context_->ShowLoginFailed = [this](const std::string& message) { loginFailed_.push_back(message); };
    finder_lab::Simulator()->ClearRequestLog();
  }
  void TearDown() override {
    context_.reset();
    tools_.reset();
    store_.reset();
    profile_.reset();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  CCredentialStore& Store() { return *store_; }
  const CameraConnectContext& Context() { return *context_; }
  CameraConnectContext& MutableContext() { return *context_; }
  const std::filesystem::path& IniFile() const { return iniFile_; }

  ScriptedPrompt prompt_;
  std::vector<std::string> loginFailed_;

 private:
  std::filesystem::path dir_;
  std::filesystem::path iniFile_;
  std::unique_ptr<ravix::AppProfile> profile_;
  std::unique_ptr<CCredentialStore> store_;
  std::unique_ptr<CNetworkTools> tools_;
  std::unique_ptr<CameraConnectContext> context_;
};
