#pragma once
// ViewsTest: a record store host with two adapters (eth0, index 2; wlan0, index 3 with
// two addresses) and its profile in a temporary file.

#include <gtest/gtest.h>

#include <memory>

#include "tests/gui/gui_test_base.h"
#include "tests/gui/views_test_host.h"

class ViewsTest : public GuiTestBase {
 protected:
  RecordStoreHost& Host() {
    if (!host_) {
      host_ = std::make_unique<RecordStoreHost>(
          ProfilePath(), std::vector<AdapterEntry>{
                             MakeAdapter(3, "wlan0", {{"10.1.0.5", "255.255.0.0"}, {"172.16.4.2", "255.255.255.0"}}),
                             MakeAdapter(2, "eth0", {{"192.168.77.1", "255.255.255.0"}}),
                         });
    }
    return *host_;
  }

 private:
  std::unique_ptr<RecordStoreHost> host_;
};
