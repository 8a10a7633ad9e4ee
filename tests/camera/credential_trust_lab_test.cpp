// Where stored passwords go, against simulated cameras on the lab's links: only to an
// address on the subnet of the adapter a camera was found on, one the user added, or
// what DNS gives for its name in a browse domain; and passwords of any text log in
// without reaching a URL or a trace line.
#include <net/if.h>

#include <cstdlib>

#include "camera/camera_client.h"
#include "camera/ip_settings_exchange.h"
#include "camera_lab_fixture.h"
#include "net/ipv4_text.h"
#include "platform/debug_trace.h"

namespace {

using finder_lab::kLoginCamera;
using finder_lab::kLoginPassword;
using finder_lab::kLoginUser;

using CredentialTrustLab = CameraLab;

std::size_t Logins(const std::string& address) {
  std::size_t n = 0;
  for (const finder_lab::Request& r : finder_lab::Summarise(finder_lab::RequestsOf(address)))
    n += r.cgi == "auth_if" && r.query.rfind("Login", 0) == 0 ? 1 : 0;
  return n;
}

// The login camera as a record found on the lab's second link (169.254.0.0/16): its
// advertised address lies on no subnet of that adapter, yet the kernel reaches it.
CBrowseRecord FoundOnTheOtherLink() {
  CBrowseRecord record = finder_lab::RecordFor(kLoginCamera, "ZV0011");
  const char* other = std::getenv("NETLAB_PC1_IF");
  record.InterfaceIndex = other != nullptr ? if_nametoindex(other) : 0;
  return record;
}

TEST_F(CredentialTrustLab, StoredPasswordGoesOnlyToTrustedAddressesAndThePromptStaysOffered) {
  ASSERT_TRUE(Store().SaveDefault(kLoginUser, kLoginPassword));
  const CBrowseRecord far = FoundOnTheOtherLink();
  ASSERT_NE(far.InterfaceIndex, 0u) << "the lab's second link";

  // Not on the subnet of its adapter and not asked for: listed, reached, not logged into.
  prompt_.Cancel();
  CBrowseRecord read = far;
  ReadNetworkSettings(Context(), read);
  EXPECT_EQ(Logins(kLoginCamera), 0u) << "the default password went to an untrusted address";
  EXPECT_EQ(prompt_.shown.size(), 1u) << "the prompt is still offered";
  EXPECT_NE(read.LoginWithheld.find(kLoginCamera), std::string::npos) << read.LoginWithheld;
  EXPECT_TRUE(read.NetworkSettingsValid) << "a camera that wants a login stays listed as reachable";

  // What the user typed goes where the user decided.
  prompt_.Type(kLoginUser, kLoginPassword, false);
  int typed = 0;
  ASSERT_EQ(ConnectCamera(Context(), far, &typed), CamOk);
  CameraClose(typed);
  EXPECT_EQ(Logins(kLoginCamera), 1u);

  // An address the user added is trusted (a range holding it).
  MutableContext().Origins = std::make_shared<CTrustedOrigins>();
  MutableContext().Origins->Add({}, {"192.168.77.9-12"});
  const std::size_t promptsBefore = prompt_.shown.size();
  read = far;
  ReadNetworkSettings(Context(), read);
  EXPECT_EQ(Logins(kLoginCamera), 2u);
  EXPECT_TRUE(read.LoginWithheld.empty()) << read.LoginWithheld;
  EXPECT_EQ(read.NetworkSettings.HostName.empty(), false);
  EXPECT_EQ(prompt_.shown.size(), promptsBefore);

  // Found on its own link: trusted without being asked for.
  MutableContext().Origins = nullptr;
  int own = 0;
  ASSERT_EQ(ConnectCamera(Context(), finder_lab::RecordFor(kLoginCamera, "ZV0011"), &own), CamOk);
  CameraClose(own);
  EXPECT_EQ(Logins(kLoginCamera), 3u);
}

// The rule for each origin, as ConnectCamera applies it (nothing is sent here).
TEST_F(CredentialTrustLab, TrustFollowsWhereTheAddressCameFrom) {
  const CBrowseRecord onLink = finder_lab::RecordFor(kLoginCamera, "ZV0011");
  EXPECT_EQ(StoredCredentialsWithheld(Context(), onLink), "");

  CBrowseRecord far = FoundOnTheOtherLink();
  far.SetDomain("cameras.lab.test.");
  far.SetHostTarget("cam11.cameras.lab.test.");
  EXPECT_NE(StoredCredentialsWithheld(Context(), far), "");

  uint32_t asked = 0;
  ASSERT_TRUE(ravix::ParseIPv4(kLoginCamera, asked));
  std::string lookedUp;
  MutableContext().DnsGivesAddress = [&](const std::string& name, uint32_t address) {
    lookedUp = name;
    return address == asked;
  };
  EXPECT_NE(StoredCredentialsWithheld(Context(), far), "") << "DNS counts only in a browse domain";
  EXPECT_EQ(lookedUp, "");
  MutableContext().Origins = std::make_shared<CTrustedOrigins>();
  MutableContext().Origins->Add({"Cameras.Lab.Test"}, {});
  EXPECT_EQ(StoredCredentialsWithheld(Context(), far), "");
  EXPECT_EQ(lookedUp, "cam11.cameras.lab.test");
  MutableContext().DnsGivesAddress = [](const std::string&, uint32_t) { return false; };
  EXPECT_NE(StoredCredentialsWithheld(Context(), far), "") << "the TXT address is not what DNS gives";

  // By host name: the browse domain's own name, or a name of the local link.
  MutableContext().AlwaysUseIPAddress = false;
  EXPECT_EQ(StoredCredentialsWithheld(Context(), far), "");
  CBrowseRecord claimed = onLink;
  claimed.SetHostTarget("mail.evil.example.");
  EXPECT_NE(StoredCredentialsWithheld(Context(), claimed), "");
  claimed.SetDomain("other.lab.test.");  // a domain nobody asked to browse is no better
  EXPECT_NE(StoredCredentialsWithheld(Context(), claimed), "");
  EXPECT_EQ(StoredCredentialsWithheld(Context(), onLink), "");
}

TEST_F(CredentialTrustLab, PasswordsOfAnyTextLogInAndNeverReachATrace) {
  using finder_lab::kSpecialCamera;
  using finder_lab::kSpecialPassword;
  using finder_lab::kSpecialUser;
  ASSERT_TRUE(Store().Write(CCredentialStore::ValueNameOfSerial("ZV0014"), kSpecialUser, kSpecialPassword));
  ravix::SetTraceEnabled(true);
  testing::internal::CaptureStderr();
  int id = 0;
  const CameraResult stored = ConnectCamera(Context(), finder_lab::RecordFor(kSpecialCamera, "ZV0014"), &id);
  if (id != 0) CameraClose(id);
  // The same through the URL form, percent-encoded.
  const std::string url = std::string("http://ad%20min%40x%3Ay:p%40ss%3Aw%2Fo%25rd%20%23%3F%26%3D%2B@") + kSpecialCamera;
  int viaUrl = 0;
  const CameraResult encoded = CameraOpen(url.c_str(), &viaUrl, nullptr);
  if (viaUrl != 0) CameraClose(viaUrl);
  // A wrong one fails and is traced, without the password.
  int wrong = 0;
  const CameraResult refused = CameraOpenAs((std::string("http://") + kSpecialCamera).c_str(), kSpecialUser,
                                            "p@ss:w/o%rd #?&=", &wrong, nullptr);
  const std::string trace = testing::internal::GetCapturedStderr();
  ravix::SetTraceEnabled(false);
  EXPECT_EQ(stored, CamOk);
  EXPECT_EQ(encoded, CamOk);
  EXPECT_EQ(refused, CamLoginFailed);
  EXPECT_EQ(Logins(kSpecialCamera), 3u);
  EXPECT_TRUE(prompt_.shown.empty());
  for (const char* secret : {"p@ss", "w/o", "ad min", "min@x", "%40ss"}) EXPECT_EQ(trace.find(secret), std::string::npos) << secret << " in\n" << trace;
  EXPECT_NE(trace.find(kSpecialCamera), std::string::npos) << "the trace still names the camera";
  for (const nlohmann::json& request : finder_lab::RequestsOf(kSpecialCamera))
    EXPECT_EQ(request.value("address", ""), kSpecialCamera) << "the host never moved";
}

}  // namespace
