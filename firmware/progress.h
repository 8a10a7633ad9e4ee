#pragma once
// Progress of one camera's firmware update: the step codes the update routine and its
// worker report, the callback the routine calls, the progress notification the worker
// posts to its receiver, and the worker exit codes.

#include <QEvent>

// Steps reported by the worker thread around the update (posted percent in brackets).
constexpr int kFwStepWorkerStarted = 10;    // [1]
constexpr int kFwStepJobChecked = 20;       // [5]
constexpr int kFwStepRoutineReturned = 9000;  // [95]
constexpr int kFwStepJobSucceeded = 9001;   // [99]
constexpr int kFwStepJobFailed = 9002;      // [99]

// Steps reported by CameraUpdateFirmware (step percent 0-100 in brackets).
constexpr int kFwStepSessionPrepared = 100;  // [0]
constexpr int kFwStepBeforeUpload = 101;     // [1]
constexpr int kFwStepUploadAccepted = 102;   // [5]
constexpr int kFwStepBeforeImage = 103;      // [10]
constexpr int kFwStepImagePosted = 104;      // [20]
constexpr int kFwStepInstalling = 107;       // [25] finish accepted, [41-90] figure of a status page
constexpr int kFwStepStatusEnded = 108;      // [95]
constexpr int kFwStepEnding = 109;           // [97] check page reached, [98] reset about to be sent
constexpr int kFwStepSucceeded = 110;        // [99]
constexpr int kFwStepFailed = 111;           // [99]

// Called by CameraUpdateFirmware with (handle id, step code, step percent 0-100,
// context); returns true to go on. Answers after the image was posted are ignored.
using FirmwareProgressCallback = bool (*)(int handleId, int stepCode, int stepPercent, void* context);

// Exit codes of FWUpdateThread.
constexpr int kFwExitSuccess = 0;
constexpr int kFwExitNoJob = -100;
constexpr int kFwExitCancelled = -150;
constexpr int kFwExitNoRecord = -200;
constexpr int kFwExitNoImage = -300;
constexpr int kFwExitRejected = -500;  // the camera did not confirm the image
constexpr int kFwExitFailed = -600;    // any other failure

// What a worker posts to its job's receiver, as PostedEvent<FirmwareProgress> of type
// FirmwareProgressMessage().
struct FirmwareProgress {
  int JobIndex = 0;  // position of the job in the runner's camera list
  int StepCode = 0;  // one of the kFwStep codes above
  int Percent = 0;   // 0-99
};

// Event type of firmware progress, registered once per process (0x8FCF when free).
QEvent::Type FirmwareProgressMessage();
