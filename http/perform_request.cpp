#include "http/perform_request.h"

#include <cstdlib>
#include <cstring>

CameraResult MapTransferError(CURLcode code) {
  static constexpr struct {
    CURLcode code;
    CameraResult result;
  } kTable[] = {
      {CURLE_OK, CamOk},
      {CURLE_COULDNT_RESOLVE_HOST, CamHostNotFound},
      {CURLE_OPERATION_TIMEDOUT, CamTimedOut},
      {CURLE_SEND_ERROR, CamSendFailed},
      {CURLE_RECV_ERROR, CamReceiveFailed},
  };
  for (const auto& entry : kTable) {
    if (entry.code == code) return entry.result;
  }
  return CamTransferFailed;
}

namespace {

CameraResult CopyBody(CCurlRequest& request, ResponseBuffer& out) {
  request.TerminateBody();
  const std::size_t n = request.GetBodySize();
  if (n > 0xFFFFFFFFu) return CamResponseTooLarge;
  if (out.data == nullptr) {
    out.data = static_cast<char*>(std::malloc(n > 0 ? n : 1));
    if (out.data == nullptr) return CamOutOfResources;
    out.capacity = static_cast<unsigned>(n);
  }
  if (n > out.capacity) return CamResponseTooLarge;
  if (n > 0) std::memcpy(out.data, request.GetBodyData(), n);
  out.length = static_cast<unsigned>(n);
  return CamOk;
}

}  // namespace

CameraResult PerformRequest(const char* url, int timeoutMs, CCurlRequest& request, ResponseBuffer* out) {
  if (url == nullptr) return CamMissingArgument;
  if (timeoutMs <= 0) return CamInvalidTimeout;
  request.ClearBody();
  request.Init();
  CURLcode code = request.SetTimeout(timeoutMs);
  if (code != CURLE_OK) return MapTransferError(code);
  code = request.SetStringOption(CURLOPT_URL, url);
  if (code != CURLE_OK) return MapTransferError(code);
  code = request.Perform();
  if (code != CURLE_OK) return MapTransferError(code);
  const long status = request.GetResponseCode();
  if (status != 200) return static_cast<CameraResult>(status);
  if (out == nullptr) return CamOk;
  return CopyBody(request, *out);
}
