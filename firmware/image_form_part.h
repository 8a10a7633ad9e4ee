#pragma once
// The one part of the firmware post: field "firmware", file name "RavixFinderRocks.bin",
// application/octet-stream, the image bytes.

#include <cstddef>

#include "http/curl_request.h"

inline constexpr const char* kFirmwarePartName = "firmware";
inline constexpr const char* kFirmwarePartFileName = "RavixFinderRocks.bin";

// Adds the image as the form's part. The bytes are read from image while the form is
// posted and are not copied, so every camera of a parallel update shares one image; image
// must outlive every transfer of the form. False when the part cannot be made.
bool AddFirmwareImagePart(CCurlRequest::CCurlFormData& form, const unsigned char* image, std::size_t size);
