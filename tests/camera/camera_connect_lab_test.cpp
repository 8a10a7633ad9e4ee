// ConnectCamera against simulated cameras: which credentials go out in which order, told
// by the simulator's request log, and what ends up stored.
#include <QSettings>
#include <QStringList>

#include <algorithm>

#include "camera/camera_client.h"
#include "camera/password_prompt.h"
#include "camera_lab_fixture.h"

namespace {

using finder_lab::kLoginCamera;
using finder_lab::kLoginPassword;
using finder_lab::kLoginUser;
using finder_lab::kOpenCamera;
using finder_lab::Request;

using ConnectCameraLab = CameraLab;

std::vector<Request> RequestsTo(const char* address) { return finder_lab::Summarise(finder_lab::RequestsOf(address)); }

bool IsLogin(const Request& r) { return r.cgi == "auth_if" && r.query.rfind("Login", 0) == 0; }

std::vector<std::string> LoginUsers(const std::vector<Request>& requests) {
  std::vector<std::string> users;
  for (const Request& r : requests) {
    if (!IsLogin(r)) continue;
    const auto at = r.query.find("username=");
    users.push_back(at == std::string::npos ? "" : r.query.substr(at + 9, r.query.find('&', at) - at - 9));
  }
  return users;
}

bool CarriesSession(const Request& r) { return r.query.find("session_id=") != std::string::npos; }

QStringList AuthenticationValues(const std::filesystem::path& ini) {
  QSettings settings(QString::fromStdString(ini.string()), QSettings::IniFormat);
  settings.beginGroup("Authentication");
  return settings.childKeys();
}

class OpenHandle {
 public:
  ~OpenHandle() {
    if (id != 0) CameraClose(id);
  }
  int id = 0;
};

TEST_F(ConnectCameraLab, OpenCameraGetsAHandleWithoutLoginOrStoredCredentials) {
  ASSERT_TRUE(Store().SaveDefault(kLoginUser, kLoginPassword));
  OpenHandle handle;
  ASSERT_EQ(ConnectCamera(Context(), finder_lab::RecordFor(kOpenCamera, "ZV0010"), &handle.id), CamOk);
  EXPECT_NE(handle.id, 0);
  const auto requests = RequestsTo(kOpenCamera);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].cgi, "param_if");
  EXPECT_FALSE(CarriesSession(requests[0]));
  EXPECT_TRUE(prompt_.shown.empty());
}

TEST_F(ConnectCameraLab, NullOutIdIsRefusedBeforeAnyRequest) {
  EXPECT_EQ(ConnectCamera(Context(), finder_lab::RecordFor(kOpenCamera, "ZV0010"), nullptr), CamInvalidParameter);
  EXPECT_TRUE(RequestsTo(kOpenCamera).empty());
}

TEST_F(ConnectCameraLab, StoredCameraCredentialsAreUsedAndMasterIsNot) {
  ASSERT_TRUE(Store().Write(CCredentialStore::ValueNameOfSerial("ZV0011"), kLoginUser, kLoginPassword));
  ASSERT_TRUE(Store().SaveDefault("master", "other"));
  OpenHandle handle;
  ASSERT_EQ(ConnectCamera(Context(), finder_lab::RecordFor(kLoginCamera, "ZV0011"), &handle.id), CamOk);
  const auto requests = RequestsTo(kLoginCamera);
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].cgi, "param_if");
  EXPECT_FALSE(CarriesSession(requests[0]));
  EXPECT_EQ(LoginUsers(requests), std::vector<std::string>{kLoginUser});
  EXPECT_EQ(requests[2].cgi, "param_if");
  EXPECT_TRUE(CarriesSession(requests[2]));
  EXPECT_TRUE(prompt_.shown.empty());
}

TEST_F(ConnectCameraLab, FailingCameraCredentialsGoToThePromptNotToMaster) {
  ASSERT_TRUE(Store().Write(CCredentialStore::ValueNameOfSerial("ZV0011"), "olduser", "oldpass"));
  ASSERT_TRUE(Store().SaveDefault(kLoginUser, kLoginPassword));
  prompt_.Cancel();
  OpenHandle handle;
  EXPECT_TRUE(IsAuthenticationFailure(ConnectCamera(Context(), finder_lab::RecordFor(kLoginCamera, "ZV0011"), &handle.id)));
  EXPECT_EQ(handle.id, 0);
  EXPECT_EQ(LoginUsers(RequestsTo(kLoginCamera)), std::vector<std::string>{"olduser"});
  EXPECT_EQ(prompt_.shown.size(), 1u);
  CameraCredentials kept;
  ASSERT_TRUE(Store().Read(CCredentialStore::ValueNameOfSerial("ZV0011"), kept)) << "failing values are not removed";
  EXPECT_EQ(kept.UserName, "olduser");
}

TEST_F(ConnectCameraLab, MasterAloneOpensTheCamera) {
  ASSERT_TRUE(Store().SaveDefault(kLoginUser, kLoginPassword));
  OpenHandle handle;
  ASSERT_EQ(ConnectCamera(Context(), finder_lab::RecordFor(kLoginCamera, "ZV0011"), &handle.id), CamOk);
  EXPECT_EQ(LoginUsers(RequestsTo(kLoginCamera)), std::vector<std::string>{kLoginUser});
  EXPECT_TRUE(prompt_.shown.empty());
  EXPECT_EQ(AuthenticationValues(IniFile()), QStringList{"Master"});
}

TEST_F(ConnectCameraLab, CameraWithoutSerialGoesStraightToThePromptAndSavesNothing) {
  ASSERT_TRUE(Store().SaveDefault(kLoginUser, kLoginPassword));
  prompt_.Type(kLoginUser, kLoginPassword, true);
  const CBrowseRecord record = finder_lab::RecordFor(kLoginCamera, "");
  OpenHandle handle;
  ASSERT_EQ(ConnectCamera(Context(), record, &handle.id), CamOk);
  ASSERT_EQ(prompt_.shown.size(), 1u);
  const PasswordPromptData& shown = prompt_.shown[0];
  EXPECT_NE(shown.Caption.find(record.ServiceName), std::string::npos) << shown.Caption;
  EXPECT_NE(shown.Prompt.find(record.ServiceName), std::string::npos) << shown.Prompt;
  EXPECT_TRUE(shown.UserName.empty());
  EXPECT_TRUE(shown.Password.empty());
  EXPECT_TRUE(shown.Save);
  EXPECT_TRUE(shown.SaveEnabled);
  const auto requests = RequestsTo(kLoginCamera);
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests[0].cgi, "param_if");
  EXPECT_TRUE(IsLogin(requests[1])) << "Master must not be tried for a camera without serial";
  EXPECT_EQ(LoginUsers(requests).size(), 1u);
  EXPECT_EQ(AuthenticationValues(IniFile()), QStringList{"Master"});
}

TEST_F(ConnectCameraLab, PromptedLoginIsStoredOnlyWithSaveTicked) {
  const CBrowseRecord record = finder_lab::RecordFor(kLoginCamera, "ZV0011");
  const std::string valueName = CCredentialStore::ValueNameOfSerial("ZV0011");
  {
    prompt_.Type(kLoginUser, kLoginPassword, false);
    OpenHandle handle;
    ASSERT_EQ(ConnectCamera(Context(), record, &handle.id), CamOk);
    EXPECT_FALSE(Store().Exists(valueName));
  }
  {
    prompt_.Type(kLoginUser, kLoginPassword, true);
    OpenHandle handle;
    ASSERT_EQ(ConnectCamera(Context(), record, &handle.id), CamOk);
    CameraCredentials saved;
    ASSERT_TRUE(Store().Read(valueName, saved));
    EXPECT_EQ(saved.UserName, kLoginUser);
    EXPECT_EQ(saved.Password, kLoginPassword);
  }
  // The next connection uses what was saved; the prompt (which would cancel) stays shut.
  const std::size_t promptsSoFar = prompt_.shown.size();
  OpenHandle handle;
  EXPECT_EQ(ConnectCamera(Context(), record, &handle.id), CamOk);
  EXPECT_EQ(prompt_.shown.size(), promptsSoFar);
}

TEST_F(ConnectCameraLab, WrongThenRightTellsTheUserAndKeepsTheUserName) {
  prompt_.Type("installer", "wrong", true);
  prompt_.Type(kLoginUser, kLoginPassword, false);
  OpenHandle handle;
  ASSERT_EQ(ConnectCamera(Context(), finder_lab::RecordFor(kLoginCamera, "ZV0011"), &handle.id), CamOk);
  ASSERT_EQ(loginFailed_.size(), 1u);
  EXPECT_EQ(loginFailed_[0], FormatLoginFailedMessage("installer"));
  EXPECT_EQ(loginFailed_[0].rfind("Login failed for user \"installer\".", 0), 0u) << loginFailed_[0];
  ASSERT_EQ(prompt_.shown.size(), 2u);
  EXPECT_EQ(prompt_.shown[1].UserName, "installer") << "the name typed last stays in the field";
  EXPECT_TRUE(prompt_.shown[1].Password.empty());
  EXPECT_EQ(LoginUsers(RequestsTo(kLoginCamera)), (std::vector<std::string>{"installer", kLoginUser}));
  EXPECT_FALSE(Store().Exists(CCredentialStore::ValueNameOfSerial("ZV0011")));
}

TEST_F(ConnectCameraLab, CancelOrNoPromptReturnsTheAuthenticationFailure) {
  const CBrowseRecord record = finder_lab::RecordFor(kLoginCamera, "ZV0011");
  prompt_.Type("installer", "wrong", false);
  prompt_.Cancel();
  int id = 0;
  const CameraResult cancelled = ConnectCamera(Context(), record, &id);
  EXPECT_TRUE(cancelled == CamHttpUnauthorized || cancelled == CamLoginFailed) << cancelled;
  EXPECT_EQ(id, 0);
  EXPECT_EQ(prompt_.shown.size(), 2u);
  EXPECT_EQ(loginFailed_.size(), 1u);

  MutableContext().Prompt = nullptr;
  const CameraResult noPrompt = ConnectCamera(Context(), record, &id);
  EXPECT_TRUE(IsAuthenticationFailure(noPrompt)) << noPrompt;
  EXPECT_EQ(id, 0);
}

TEST_F(ConnectCameraLab, EmptyMasterCredentialsGoOutWithoutCredentials) {
  ASSERT_TRUE(Store().SaveDefault("", ""));
  prompt_.Cancel();
  int id = 0;
  EXPECT_TRUE(IsAuthenticationFailure(ConnectCamera(Context(), finder_lab::RecordFor(kLoginCamera, "ZV0011"), &id)));
  const auto requests = RequestsTo(kLoginCamera);
  ASSERT_EQ(requests.size(), 2u) << "the plain attempt and the one with the empty default";
  for (const Request& r : requests) {
    EXPECT_EQ(r.cgi, "param_if");
    EXPECT_FALSE(CarriesSession(r));
  }
  EXPECT_EQ(prompt_.shown.size(), 1u);
}

TEST_F(ConnectCameraLab, UnreachableCameraReturnsAtOnceWithoutPrompt) {
  ASSERT_TRUE(Store().SaveDefault(kLoginUser, kLoginPassword));
  int id = 0;
  const CameraResult rc = ConnectCamera(Context(), finder_lab::RecordFor(finder_lab::kRefusingCamera, "ZV0013"), &id);
  EXPECT_NE(rc, CamOk);
  EXPECT_FALSE(IsAuthenticationFailure(rc)) << rc;
  EXPECT_TRUE(prompt_.shown.empty());
}

}  // namespace
