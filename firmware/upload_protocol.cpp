#include "firmware/upload_protocol.h"

#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "camera/camera_client.h"
#include "camera/camera_handle.h"
#include "camera/camera_handle_map.h"
#include "http/perform_request.h"
#include "firmware/image_form_part.h"
#include "firmware/page_text.h"
#include "platform/debug_trace.h"

namespace {

constexpr char kFirmwareInterface[] = "cgi-bin/firmware.cgi/";
constexpr int kUploadTimeoutMs = 30000;
constexpr int kImagePostTimeoutMs = 60000;
constexpr int kPageTimeoutMs = 10000;
constexpr int kMaxRefreshDelaySeconds = 5;

// A zero-filled 4096-byte answer buffer.
struct PageBuffer {
  std::array<char, kCameraAnswerSize> bytes{};
  ResponseBuffer response{bytes.data(), kCameraAnswerSize, 0};

  void Clear() {
    bytes.fill('\0');
    response.length = 0;
  }
  const char* Text() const { return bytes.data(); }
};

// One run of the update against one camera.
class FirmwareUpdateRun {
 public:
  FirmwareUpdateRun(int handleId, CCameraHandle& handle, FirmwareProgressCallback callback, void* context,
                    const FirmwareUpdateTiming& timing)
      : m_id(handleId), m_handle(handle), m_callback(callback), m_context(context), m_timing(timing) {}

  CameraResult Run(const unsigned char* image, unsigned size);

 private:
  bool Report(int step, int percent) { return m_callback == nullptr || m_callback(m_id, step, percent, m_context); }
  void PrepareSession();
  std::string Path(const char* page) const;
  std::string WithSession(std::string path) const;
  CameraResult Get(const std::string& path, int timeoutMs, PageBuffer& page);
  CameraResult PostImage(const unsigned char* image, unsigned size, bool& postFailed);
  CameraResult FinishAndFollow(bool& reachedCheck);
  CameraResult FollowStatusPages(PageBuffer& page, std::string& next, bool& boundReached);
  CameraResult End(CameraResult result);
  CameraResult Reset(CameraResult result);

  int m_id;
  CCameraHandle& m_handle;
  FirmwareProgressCallback m_callback;
  void* m_context;
  const FirmwareUpdateTiming& m_timing;
  std::string m_session;  // "session_id=..." or empty
};

void FirmwareUpdateRun::PrepareSession() {
  const std::string suffix = m_handle.GetSessionSuffix();
  if (suffix.empty()) return;
  m_session = ReadSessionArgument(suffix.c_str());
}

std::string FirmwareUpdateRun::WithSession(std::string path) const {
  if (!m_session.empty()) path += "?" + m_session;
  return path;
}

std::string FirmwareUpdateRun::Path(const char* page) const { return WithSession(kFirmwareInterface + std::string(page)); }

CameraResult FirmwareUpdateRun::Get(const std::string& path, int timeoutMs, PageBuffer& page) {
  page.Clear();
  return CameraRequest(&page.response, path.c_str(), m_id, timeoutMs);
}

// Posts the image to "verify" on a request of its own and checks the camera's confirmation.
// postFailed tells the failures that end without reset (set-up, transfer) from the rest.
CameraResult FirmwareUpdateRun::PostImage(const unsigned char* image, unsigned size, bool& postFailed) {
  postFailed = true;
  CCurlRequest::CCurlFormData form;
  if (!AddFirmwareImagePart(form, image, size)) return CamFailed;
  CCurlRequest request;
  request.ClearBody();
  if (!request.Init()) return CamFailed;
  const std::string interfaceName = m_handle.GetInterface();
  if (!interfaceName.empty() && request.SetStringOption(CURLOPT_INTERFACE, interfaceName.c_str()) != CURLE_OK) {
    return CamFailed;
  }
  if (request.SetTimeout(kImagePostTimeoutMs) != CURLE_OK) return CamFailed;
  const std::string url = m_handle.GetBaseUrl() + Path("verify");
  if (request.SetStringOption(CURLOPT_URL, url.c_str()) != CURLE_OK) return CamFailed;
  if (request.SetForm(form) != CURLE_OK) return CamFailed;

  postFailed = false;
  if (!Report(kFwStepBeforeImage, 10)) return CamStopped;
  const CURLcode code = request.Perform();
  if (code != CURLE_OK) {
    postFailed = true;
    DebugTrace("CameraUpdateFirmware: posting the image failed: %s\n", curl_easy_strerror(code));
    return MapTransferError(code);
  }
  if (!Report(kFwStepImagePosted, 20)) return CamStopped;
  // The status of the post is not looked at: the camera's page tells whether it took the image.
  if (!request.TerminateBody()) return CamFirmwareRejected;
  if (!IsImageConfirmed(request.GetBodyData())) {
    DebugTrace("CameraUpdateFirmware: the camera did not confirm the image (HTTP %ld)\n", request.GetResponseCode());
    return CamFirmwareRejected;
  }
  return CamOk;
}

// Follows the refresh instructions of the pages from "finish" on. Ends with the last
// request's result; boundReached tells that the camera was given up on.
CameraResult FirmwareUpdateRun::FollowStatusPages(PageBuffer& page, std::string& next, bool& boundReached) {
  const auto start = m_timing.Now();
  unsigned statusPages = 0;
  for (;;) {
    Refresh refresh;
    if (!ReadRefresh(page.Text(), refresh, kMaxRefreshDelaySeconds)) return CamOk;
    next = WithSession(refresh.path);
    const unsigned shown = ReadShownPercent(page.Text());
    if (shown >= 1 && shown <= 99) Report(kFwStepInstalling, static_cast<int>(std::trunc(shown * 0.5 + 0.5)) + 40);
    m_timing.Sleep(std::chrono::seconds(refresh.delaySeconds));
    const CameraResult result = Get(next, kPageTimeoutMs, page);
    if (result != CamOk) return result;
    if (next.find("status") == std::string::npos) return CamOk;
    ++statusPages;
    if (statusPages >= m_timing.maxStatusPages || m_timing.Now() - start >= m_timing.statusChainLimit) {
      DebugTrace("CameraUpdateFirmware: handle %d still installing after %u status pages, giving up\n", m_id,
                 statusPages);
      boundReached = true;
      return CamTimedOut;
    }
  }
}

CameraResult FirmwareUpdateRun::FinishAndFollow(bool& reachedCheck) {
  PageBuffer page;
  const CameraResult finished = Get(Path("finish"), kPageTimeoutMs, page);
  if (finished != CamOk) return finished;
  Report(kFwStepInstalling, 25);
  std::string next;
  bool boundReached = false;
  const CameraResult result = FollowStatusPages(page, next, boundReached);
  Report(kFwStepStatusEnded, 95);
  // A camera that reached its check page may already be restarting: that request may fail.
  reachedCheck = !boundReached && next.find("check") != std::string::npos;
  return reachedCheck ? CamOk : result;
}

CameraResult FirmwareUpdateRun::Reset(CameraResult result) {
  Report(kFwStepEnding, 98);
  PageBuffer page;
  Get(Path("reset"), 0, page);
  return End(result);
}

CameraResult FirmwareUpdateRun::End(CameraResult result) {
  Report(result == CamOk ? kFwStepSucceeded : kFwStepFailed, 99);
  DebugTrace("CameraUpdateFirmware: handle %d ended with %d\n", m_id, result);
  return result;
}

CameraResult FirmwareUpdateRun::Run(const unsigned char* image, unsigned size) {
  PrepareSession();
  if (!Report(kFwStepSessionPrepared, 0)) return CamStopped;
  if (!Report(kFwStepBeforeUpload, 1)) return CamStopped;
  {
    PageBuffer page;
    const CameraResult uploaded = Get(Path("upload"), kUploadTimeoutMs, page);
    if (uploaded != CamOk) return uploaded;
  }
  if (!Report(kFwStepUploadAccepted, 5)) return Reset(CamStopped);
  bool postFailed = false;
  const CameraResult posted = PostImage(image, size, postFailed);
  if (postFailed) return posted;
  if (posted != CamOk) return Reset(posted);
  bool reachedCheck = false;
  const CameraResult result = FinishAndFollow(reachedCheck);
  if (!reachedCheck) return Reset(result);
  Report(kFwStepEnding, 97);
  return End(CamOk);
}

}  // namespace

CameraResult CameraUpdateFirmware(int handleId, const unsigned char* imageData, unsigned imageSize,
                                  FirmwareProgressCallback callback, void* context,
                                  const FirmwareUpdateTiming& timing) {
  CCameraHandle* handle = TheCameraHandleMap().FindHandleObject(handleId);
  if (handle == nullptr) return CamUnknownHandle;
  if (imageData == nullptr || imageSize == 0) return CamInvalidParameter;
  return FirmwareUpdateRun(handleId, *handle, callback, context, timing).Run(imageData, imageSize);
}

CameraResult CameraUpdateFirmware(int handleId, const unsigned char* imageData, unsigned imageSize,
                                  FirmwareProgressCallback callback, void* context) {
  return CameraUpdateFirmware(handleId, imageData, imageSize, callback, context, DefaultFirmwareUpdateTiming());
}
