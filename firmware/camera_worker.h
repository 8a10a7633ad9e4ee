#pragma once
// The worker of one camera's firmware update, and the progress it posts.

#include "firmware/camera_job.h"

// Runs the job's update: posts its progress to the job's receiver, closes the job's camera
// handle when the update returned and exits with 0 or one of the kFwExit codes (read back
// as a signed number).
unsigned FWUpdateThread(FirmwareJob* job);

// Posts a progress event (step code, percent, the job's index) to the job's receiver.
// False when the job or its receiver is null.
bool PostJobProgress(FirmwareJob* job, int stepCode, int percent);

// The progress callback the worker gives the update routine, with its job as context:
// maps the routine's 0-100 onto 10-90 and posts it. Always true.
bool ReportFirmwareProgress(int handleId, int stepCode, int stepPercent, void* job);
