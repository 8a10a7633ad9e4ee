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
// ReadNetworkSettings that also says how it went: CamOk when the block was read, else the
// result of opening the session or of the read.
CameraResult ReadNetworkSettingsResult(const CameraConnectContext& context, CBrowseRecord& record);

// Writes settings to the camera parameter by parameter and ends with Commit, or with
// Revert when the last write failed (the record's block is then emptied). True when the
// camera session was opened and closed again without error.
bool WriteNetworkSettings(const NetworkSettings& settings, const CameraConnectContext& context, CBrowseRecord& record);

// How one WriteNetworkSettings went, step by step.
struct NetworkWriteOutcome {
  CameraResult open = CamOk;       // opening the session; nothing else ran unless CamOk
  CameraResult lastWrite = CamOk;  // the write that decides Commit (CamOk) or Revert
  CameraResult action = CamOk;     // the camera's answer to the Commit or Revert
  CameraResult close = CamOk;      // closing the session
  bool committed = false;          // Commit was sent (else Revert, or nothing)
};

// WriteNetworkSettings with the outcome of every step; the record changes the same way.
NetworkWriteOutcome WriteNetworkSettingsOutcome(const NetworkSettings& settings, const CameraConnectContext& context,
                                                CBrowseRecord& record);
