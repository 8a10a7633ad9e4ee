#pragma once
// FinderDocFixture: a document over a RecordedFinder, without pauses, whose browser URLs
// are recorded in opened_ instead of being opened.

#include <QUrl>

#include <memory>
#include <string>
#include <vector>

#include "finder/finder_core.h"
#include "gui/app/app_state.h"
#include "gui/app/ravix_finder_doc.h"
#include "tests/gui/gui_test_base.h"
#include "tests/gui/recorded_finder.h"

class FinderDocFixture : public GuiTestBase {
 protected:
  void SetUp() override {
    core_ = std::make_unique<CFinderCore>(Profile());
    auto finder = std::make_unique<RecordedFinder>(*core_);
    finder_ = finder.get();
    doc_ = std::make_unique<CRavixFinderDoc>(*core_, state_, std::move(finder));
    doc_->SetRequeryWait(0);
    state_.SetUrlOpener([this](const QUrl& url) {
      opened_.push_back(url.toString().toStdString());
      return true;
    });
  }

  void TearDown() override { doc_.reset(); }

  ravix::AppState state_{[] {}};
  std::unique_ptr<CFinderCore> core_;
  RecordedFinder* finder_ = nullptr;
  std::unique_ptr<CRavixFinderDoc> doc_;
  std::vector<std::string> opened_;
};
