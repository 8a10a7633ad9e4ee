#include "shell/first_contact_hints.h"

#include <set>

#include "finder/first_contact.h"
#include "platform/terminal_text.h"

std::vector<std::string> FirstContactHints(const std::vector<CBrowseRecord>& records, const CNetworkTools& tools) {
  std::vector<std::string> hints;
  std::set<std::string> given;
  for (const CBrowseRecord& record : records) {
    const std::optional<FirstContactProposal> proposal = ProposeFirstContact(record, tools, 1);
    if (!proposal) continue;
    if (CNetworkTools::RouteInterface(proposal->CameraAddress) != 0) continue;  // routed: reached as it is
    std::string option = "--temporary-address " + proposal->Adapter;
    if (!proposal->LinkLocal) option += "=" + ravix::FormatAddressWithPrefix(proposal->Candidates.front());
    if (!given.insert(option).second) continue;
    hints.push_back(ravix::TerminalSafe(record.ServiceName) + " (" + proposal->CameraAddress +
                    ") is in no subnet of adapter " + ravix::TerminalSafe(proposal->Adapter) + "; " +
                    ravix::TerminalSafe(option) + " would reach it");
  }
  return hints;
}
