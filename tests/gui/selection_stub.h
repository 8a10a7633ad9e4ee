#pragma once
// SelectionStub: a camera view reduced to its selection, which the test sets directly.

#include <QWidget>

#include <cstdint>
#include <vector>

#include "gui/widgets/cameras_view_common_base.h"

class SelectionStub : public CCamerasViewCommonBase {
 public:
  std::size_t GetSelectedRecordIDs(std::vector<uint32_t>* ids) const override {
    if (ids != nullptr) *ids = selected;
    return selected.size();
  }
  std::size_t SelectRecordIDs(const std::vector<uint32_t>& ids) override {
    selected = ids;
    return ids.size();
  }
  void OnInitialUpdate() override {}
  QWidget* Widget() override { return &widget; }
  bool CanSelectAll() const override { return false; }
  void SelectAll() override {}

  // As a view does when the user changes the selection: it reports it.
  void Select(const std::vector<uint32_t>& ids) {
    selected = ids;
    ReportSelection();
  }

  std::vector<uint32_t> selected;
  QWidget widget;
};
