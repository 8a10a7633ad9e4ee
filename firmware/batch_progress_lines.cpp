#include "firmware/batch_progress_lines.h"

#include <QEventLoop>
#include <ostream>

#include "firmware/progress.h"
#include "platform/posted_event.h"

CBatchProgressLines::CBatchProgressLines(std::vector<std::string> names, int running, std::ostream& out,
                                                   QEventLoop& loop)
    : m_names(std::move(names)), m_running(running), m_out(out), m_loop(loop) {}

const char* CBatchProgressLines::StepText(int stepCode, int percent) {
  switch (stepCode) {
    case kFwStepWorkerStarted:
      return "started";
    case kFwStepJobChecked:
      return "starting the update";
    case kFwStepSessionPrepared:
    case kFwStepBeforeUpload:
      return "preparing the upload";
    case kFwStepUploadAccepted:
      return "camera ready for the image";
    case kFwStepBeforeImage:
      return "sending the image";
    case kFwStepImagePosted:
      return "image sent";
    case kFwStepInstalling:
      return percent <= 30 ? "camera accepted the image, installing" : "installing";
    case kFwStepStatusEnded:
      return "installation pages ended";
    case kFwStepEnding:
      return "ending the update";
    case kFwStepSucceeded:
      return "update sequence complete";
    case kFwStepFailed:
      return "update sequence failed";
    case kFwStepRoutineReturned:
      return "closing the camera connection";
    case kFwStepJobSucceeded:
      return "done";
    case kFwStepJobFailed:
      return "failed";
    default:
      return "working";
  }
}

bool CBatchProgressLines::event(QEvent* event) {
  const auto* posted = ravix::PostedEvent<FirmwareProgress>::From(event, FirmwareProgressMessage());
  if (posted == nullptr) return QObject::event(event);
  const FirmwareProgress& progress = posted->Value();
  const int index = progress.JobIndex;
  const std::string name = index >= 0 && static_cast<std::size_t>(index) < m_names.size()
                               ? m_names[static_cast<std::size_t>(index)]
                               : "camera " + std::to_string(index);
  m_out << name << ": " << progress.Percent << "% " << StepText(progress.StepCode, progress.Percent) << std::endl;
  const int step = progress.StepCode;
  if ((step == kFwStepJobSucceeded || step == kFwStepJobFailed) && --m_running <= 0) m_loop.quit();
  return true;
}
