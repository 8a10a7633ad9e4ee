#pragma once
// CBrowseRecord: the finder's picture of one camera, one DNS-SD service instance of
// "_http._tcp" in "local." plus what was learned about it afterwards. A plain value type:
// the engine owns the live records, everybody else works on copies.

#include <cstdint>
#include <map>
#include <string>

#include "records/network_settings.h"
#include "records/shared_txt_map.h"

// TXT keys the system reads or writes.
namespace txtkey {
inline constexpr const char* kVendor = "vendor.zorvnet";
inline constexpr const char* kModel = "model.zorvnet";
inline constexpr const char* kFirmwareVersion = "fwversion.zorvnet";
inline constexpr const char* kModelId = "modelid.zorvnet";
inline constexpr const char* kSerial = "serial.zorvnet";
inline constexpr const char* kMacAddress = "macaddress.zorvnet";
inline constexpr const char* kIpv4Net = "ipv4-net.zorvnet";
inline constexpr const char* kIpv4Zc = "ipv4-zc.zorvnet";
inline constexpr const char* kPath = "path";
inline constexpr const char* kCameraHandle = "hcam.finder.zorvnet";
inline constexpr const char* kFirmwareResult = "fwupdateresult.finder.zorvnet";
// Set by the finder on a camera it found by probing an address the user added ("address").
inline constexpr const char* kFoundBy = "foundby.finder.zorvnet";
}  // namespace txtkey

class CBrowseRecord {
 public:
  // Keys ordered byte by byte (std::string compares as unsigned bytes).
  using TxtMap = SharedTxtMap::Map;

  CBrowseRecord() = default;
  CBrowseRecord(const CBrowseRecord&) = default;
  CBrowseRecord& operator=(const CBrowseRecord&) = default;
  CBrowseRecord(CBrowseRecord&&) = default;
  CBrowseRecord& operator=(CBrowseRecord&&) = default;
  virtual ~CBrowseRecord() = default;

  // False when key is null or absent (value untouched), else copies the value out.
  bool GetTxtValue(const char* key, std::string& value) const;
  // The value, or "" when key is null or absent.
  std::string GetTxtValueOrEmpty(const char* key) const;
  // Inserts the pair when the key is new (true); an existing value is never replaced
  // (false); false for a null key or value.
  bool AddTxtValue(const char* key, const char* value);

  // Store the text without one final "."; null stores "".
  void SetDomain(const char* domain);
  void SetHostTarget(const char* host);

  // ServiceName + "." + ServiceType + Domain, for display and traces.
  std::string GetFullName() const;
  // Whether the escaped DNS-SD full name of this record equals fullName byte for byte.
  bool MatchesFullName(const char* fullName) const;
  // Same ServiceName, ServiceType and Domain.
  bool IsSameService(const CBrowseRecord& other) const;

  SharedTxtMap TxtRecord;  // shared by the record's copies
  uint32_t ID = 0;
  int64_t DiscoveredTime = 0;
  uint32_t InterfaceIndex = 0;
  std::string ServiceName;
  std::string ServiceType;
  std::string Domain;
  std::string HostTarget;
  uint32_t Port = 0;
  ::NetworkSettings NetworkSettings;
  bool NetworkSettingsValid = false;
  // Why the camera was not logged into with a stored password (it was kept from the
  // camera's address); empty otherwise. Set by the finder, never from the network.
  std::string LoginWithheld;

  // Where the address the finder contacts the camera at comes from. Only an Announced
  // camera is contacted at the addresses of its TXT record (ipv4-net, ipv4-zc), as heard
  // by multicast on its link; for the others those are what the camera claims, shown in
  // its tooltip and never contacted.
  enum class AddressSource : uint8_t {
    Announced,  // multicast DNS-SD on the adapter's link: the TXT record's addresses
    Asked,      // an address the user added, which answered the direct query or probe
    Dns,        // the A record unicast DNS gave for the SRV target (a browse domain)
  };
  AddressSource ContactSource = AddressSource::Announced;
  // Asked and Dns: the one address (dotted IPv4) the camera is contacted at; empty while
  // DNS has given none, and the camera is then not contacted at all.
  std::string ContactAddress;
  // Whether the camera is contacted only at ContactAddress.
  bool HasContactAddress() const { return ContactSource != AddressSource::Announced; }
};
