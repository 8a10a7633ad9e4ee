// The Assign Addresses wizard against simulated cameras: a range planned on the first
// page, a row unticked on the preview, the apply on a worker while the window's event
// loop runs, the results, and the cameras moved to their planned addresses.
#include <QLineEdit>
#include <QTreeWidget>

#include <net/if.h>

#include <cstdlib>

#include "gui/plan/assign_addresses_wizard.h"
#include "gui/plan/page_assign_preview.h"
#include "gui/plan/page_assign_results.h"
#include "gui_test_base.h"
#include "net/network_tools.h"
#include "tests/support/camsim_process.h"

namespace {

class AssignWizardLab : public GuiTestBase {};

CBrowseRecord Camera(uint32_t id, const std::string& serial, const std::string& address) {
  CBrowseRecord record;
  record.ID = id;
  record.InterfaceIndex = if_nametoindex(std::getenv("NETLAB_PC0_IF"));
  record.ServiceName = "Camera " + serial;
  record.Port = 80;
  record.AddTxtValue(txtkey::kVendor, "Zorvik");
  record.AddTxtValue(txtkey::kIpv4Net, address.c_str());
  record.AddTxtValue(txtkey::kSerial, serial.c_str());
  return record;
}

TEST_F(AssignWizardLab, RangePreviewUntickApplyAndResults) {
  if (std::getenv("NETLAB_ID") == nullptr) GTEST_SKIP() << "not inside tools/netlab";
  CamsimProcess::Options options;
  options.camerasJson = R"({"cameras": [{"serial": "ZV0801"}, {"serial": "ZV0802"}, {"serial": "ZV0803"}]})";
  options.addresses = {"192.168.77.10", "192.168.77.11", "192.168.77.12"};
  options.extraArgs = {"--restart-ms", "300"};
  CamsimProcess sim(options);
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
  CNetworkTools tools;
  CameraConnectContext context{tools, true, nullptr, nullptr, {}};
  std::vector<CBrowseRecord> cameras = {Camera(1, "ZV0801", "192.168.77.10"), Camera(2, "ZV0802", "192.168.77.11"),
                                        Camera(3, "ZV0803", "192.168.77.12")};
  CAssignAddressesWizard wizard(cameras, cameras, context);
  wizard.show();
  wizard.findChild<QLineEdit*>(QStringLiteral("firstAddress"))->setText(QStringLiteral("192.168.77.110"));
  wizard.findChild<QLineEdit*>(QStringLiteral("hostPattern"))->setText(QStringLiteral("yard-{n}"));
  wizard.next();
  ASSERT_EQ(wizard.currentId(), CAssignAddressesWizard::PreviewPageId);
  auto* preview = wizard.findChild<QTreeWidget*>(QStringLiteral("assignPreview"));
  ASSERT_TRUE(ProcessEventsUntil([&] { return preview->topLevelItemCount() == 3; }, 10000));
  EXPECT_EQ(preview->topLevelItem(0)->text(CPageAssignPreview::ChangeColumn).contains(QStringLiteral("192.168.77.110")),
            true);
  EXPECT_TRUE(wizard.currentPage()->isComplete());
  preview->topLevelItem(2)->setCheckState(CPageAssignPreview::CameraColumn, Qt::Unchecked);
  ASSERT_TRUE(ProcessEventsUntil([&] { return wizard.currentPage()->isComplete(); }, 10000));
  EXPECT_FALSE(wizard.preview.rows[2].WillSend());

  wizard.next();
  ASSERT_EQ(wizard.currentId(), CAssignAddressesWizard::ResultsPageId);
  wizard.reject();  // refused while the cameras are being written
  EXPECT_TRUE(wizard.isVisible());
  auto* results = wizard.findChild<QTreeWidget*>(QStringLiteral("assignResults"));
  ASSERT_TRUE(ProcessEventsUntil([&] { return results->topLevelItemCount() == 3; }, 30000));
  EXPECT_EQ(results->topLevelItem(0)->text(CPageAssignResults::ResultColumn), QStringLiteral("Success"));
  EXPECT_EQ(results->topLevelItem(1)->text(CPageAssignResults::ResultColumn), QStringLiteral("Success"));
  EXPECT_EQ(results->topLevelItem(2)->text(CPageAssignResults::ResultColumn), QStringLiteral("Not sent"));
  EXPECT_TRUE(wizard.applied);
  EXPECT_TRUE(ProcessEventsUntil(
      [&] { return sim.GetParameter("192.168.77.111", "Network.HostName").value_or("") == "yard-2"; }, 10000))
      << "the second camera serves at its planned address under its planned name";
  EXPECT_TRUE(ProcessEventsUntil([&] { return sim.GetParameter("192.168.77.110", "Network.IPAddress").has_value(); },
                                 10000));
  EXPECT_EQ(sim.GetParameter("192.168.77.12", "Network.IPAddress").value_or(""), "192.168.77.12");
}

}  // namespace
