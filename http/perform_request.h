#pragma once
// One GET transfer on a CCurlRequest, its body copied into a caller's buffer, and the
// mapping of libcurl failures to CameraResult.

#include <curl/curl.h>

#include "http/camera_result.h"
#include "http/curl_request.h"

// Caller-owned destination of an answer body. Callers zero-fill their buffer first, so an
// empty body reads as an empty text.
struct ResponseBuffer {
  // Destination bytes. When null, PerformRequest allocates exactly the needed size with
  // malloc and stores it here; the caller frees it with free.
  char* data = nullptr;
  unsigned capacity = 0;  // size of data in bytes
  unsigned length = 0;    // set on success: bytes written, the terminating NUL included
};

// Runs one transfer of url with the given timeout on request and copies the NUL-terminated
// body to out (out may be null when the body is not wanted). Results: 3 url null, 5 timeout
// not positive, libcurl failures through MapTransferError, any status other than 200 as
// itself, 11 no memory for out.data, 8 body plus NUL larger than out.capacity.
CameraResult PerformRequest(const char* url, int timeoutMs, CCurlRequest& request, ResponseBuffer* out);

// CURLE_OK 0, couldn't resolve host 16, timed out 13, send error 15, receive error 14,
// anything else 12.
CameraResult MapTransferError(CURLcode code);
