#pragma once
// CAssignAddressesWizard: gives the selected cameras their network settings from an
// address range or a plan file. Pages: the plan (CPageAssignSource), the preview with
// its conflicts where rows can be unticked (CPageAssignPreview), and the apply with its
// progress and results (CPageAssignResults). Previews and the apply run on worker
// threads; the window keeps painting.

#include <QWizard>

#include <functional>
#include <memory>
#include <vector>

#include "camera/camera_connect.h"
#include "plan/address_plan.h"
#include "plan/plan_apply.h"
#include "plan/plan_preview.h"
#include "records/browse_record.h"

class CPageAssignSource;
class CPageAssignPreview;
class CPageAssignResults;

class CAssignAddressesWizard : public QWizard {
  Q_OBJECT

 public:
  enum PageId { SourcePageId = 0, PreviewPageId = 1, ResultsPageId = 2 };

  // selected: the cameras in the list's order; found: every camera of the list (for the
  // addresses other cameras hold). connect outlives the wizard.
  CAssignAddressesWizard(std::vector<CBrowseRecord> selected, std::vector<CBrowseRecord> found,
                         const CameraConnectContext& connect, QWidget* parent = nullptr);
  // Waits for the pages' workers, which use the wizard's data.
  ~CAssignAddressesWizard() override;

  const std::vector<CBrowseRecord>& Selected() const { return selected_; }
  const std::vector<CBrowseRecord>& Found() const { return found_; }
  const CameraConnectContext& Connect() const { return connect_; }
  // The probe of the link, remembering what it learned (several checks ask again).
  const ravix::AddressProbe& Probe() const { return probe_; }

  ravix::AddressPlan plan;
  ravix::PlanPreview preview;
  std::vector<ravix::PlanOutcome> outcomes;
  bool applied = false;  // the apply ran (the caller refreshes once then)

  // Refused while the apply runs.
  void reject() override;

 private:
  std::vector<CBrowseRecord> selected_;
  std::vector<CBrowseRecord> found_;
  const CameraConnectContext& connect_;
  ravix::AddressProbe probe_;
  CPageAssignPreview* previewPage_;
  CPageAssignResults* results_;
};
