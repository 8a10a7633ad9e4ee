#include "gui/plan/assign_addresses_wizard.h"

#include <map>
#include <mutex>
#include <string>

#include "gui/plan/page_assign_preview.h"
#include "gui/plan/page_assign_results.h"
#include "gui/plan/page_assign_source.h"

namespace {

// The neighbour probe with its answers kept: an address is asked once per wizard.
ravix::AddressProbe RememberingProbe(const CNetworkTools& tools) {
  struct Memory {
    std::mutex lock;
    std::map<std::string, std::pair<bool, std::string>> answers;
  };
  auto memory = std::make_shared<Memory>();
  ravix::AddressProbe probe = ravix::NeighbourProbe(tools);
  return [memory, probe](const std::string& address, std::string& by) {
    {
      std::lock_guard<std::mutex> guard(memory->lock);
      if (const auto known = memory->answers.find(address); known != memory->answers.end()) {
        by = known->second.second;
        return known->second.first;
      }
    }
    const bool inUse = probe(address, by);
    std::lock_guard<std::mutex> guard(memory->lock);
    memory->answers[address] = {inUse, by};
    return inUse;
  };
}

}  // namespace

CAssignAddressesWizard::CAssignAddressesWizard(std::vector<CBrowseRecord> selected, std::vector<CBrowseRecord> found,
                                               const CameraConnectContext& connect, QWidget* parent)
    : QWizard(parent),
      selected_(std::move(selected)),
      found_(std::move(found)),
      connect_(connect),
      probe_(RememberingProbe(connect.Tools)) {
  setObjectName(QStringLiteral("assignAddressesWizard"));
  setWindowTitle(tr("Assign Addresses"));
  setWizardStyle(QWizard::ModernStyle);
  setOption(QWizard::NoBackButtonOnLastPage);
  setPage(SourcePageId, new CPageAssignSource(*this));
  previewPage_ = new CPageAssignPreview(*this);
  setPage(PreviewPageId, previewPage_);
  results_ = new CPageAssignResults(*this);
  setPage(ResultsPageId, results_);
  resize(760, 520);
}

CAssignAddressesWizard::~CAssignAddressesWizard() {
  previewPage_->WaitForWork();
  results_->WaitForWork();
}

void CAssignAddressesWizard::reject() {
  if (results_->Running()) return;
  QWizard::reject();
}
