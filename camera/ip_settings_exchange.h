#pragma once
// Reading and writing a camera's network settings (Network.* parameters) for a record.

#include "camera/camera_connect.h"
#include "records/browse_record.h"

// The parameter names, in the order they are read.
inline constexpr const char* kNetworkParameterNames[] = {
    "Network.DHCP",    "Network.HTTPPort", "Network.NetPrefix", "Network.IPAddress",
    "Network.Gateway", "Network.HostName", "Network.NameServer"};

// Fills record.NetworkSettings from the camera. NetworkSettingsValid becomes false when
// the camera cannot be reached or read; it stays true (settings unchanged) when the login
// failed or was cancelled, and LoginWithheld then says why no stored password was tried
// when it was kept from the camera's address.
void ReadNetworkSettings(const CameraConnectContext& context, CBrowseRecord& record);

// Writes settings to the camera parameter by parameter and ends with Commit, or with
// Revert when the last write failed (the record's block is then emptied). True when the
// camera session was opened and closed again without error.
bool WriteNetworkSettings(const NetworkSettings& settings, const CameraConnectContext& context, CBrowseRecord& record);
