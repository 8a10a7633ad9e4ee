#pragma once
// The camera-side firmware update over "cgi-bin/firmware.cgi/": prepare the upload, post
// the image, have the camera check and install it, follow its status pages, and ask it to
// reset when the sequence did not end normally.

#include "http/camera_result.h"
#include "firmware/progress.h"
#include "firmware/update_timing.h"

// Updates the camera of handle id with the image (not copied; it must stay valid until the
// call returns). Results: 6 unknown handle, 2 no image, 20 stopped by the callback, the
// upload's or a page's status or transfer failure, 1 the image post could not be set up,
// 19 the camera did not confirm the image, 13 the camera kept pointing to status pages
// beyond the chain bound, else 0. callback may be null.
CameraResult CameraUpdateFirmware(int handleId, const unsigned char* imageData, unsigned imageSize,
                                  FirmwareProgressCallback callback, void* context);

// The same with another clock, sleep and chain bound.
CameraResult CameraUpdateFirmware(int handleId, const unsigned char* imageData, unsigned imageSize,
                                  FirmwareProgressCallback callback, void* context,
                                  const FirmwareUpdateTiming& timing);
