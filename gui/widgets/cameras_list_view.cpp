#include "gui/widgets/cameras_list_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>

#include <algorithm>

#include "gui/widgets/sort_arrow_style.h"
#include "net/network_tools.h"
#include "platform/debug_trace.h"
#include "shell/column_layout_store.h"
#include "finder/settings_block.h"
#include "views/record_columns.h"

namespace {

QBrush HighlightedColumnBrush(const QPalette& palette) {
  const QColor base = palette.color(QPalette::Base), mark = palette.color(QPalette::Highlight);
  const auto mix = [](int a, int b) { return (a * 92 + b * 8) / 100; };
  return QColor(mix(base.red(), mark.red()), mix(base.green(), mark.green()), mix(base.blue(), mark.blue()));
}

}  // namespace

CCamerasListView::CCamerasListView(CameraViewHost& host, QWidget* parent)
    : CameraItemView(host, "CCamerasListView", parent),
      model_(new CameraListModel(
          [&host](uint32_t ifIndex) -> std::optional<std::string> {
            const AdapterEntry* adapter = host.NetworkTools().FindAdapter(ifIndex);
            if (adapter == nullptr) return std::nullopt;
            return std::string(adapter->Name);
          },
          this)) {
  setObjectName(QStringLiteral("camerasListView"));
  model_->setObjectName(QStringLiteral("cameraListModel"));
  setModel(model_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSortingEnabled(false);  // the five-key rule below decides, not the header
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(host.ClipboardMode() ? QAbstractItemView::SingleSelection : QAbstractItemView::ExtendedSelection);

  QHeaderView* columns = header();
  columns->setObjectName(QStringLiteral("camerasListHeader"));
  columns->setSectionsClickable(true);
  columns->setSectionsMovable(true);
  columns->setFirstSectionMovable(true);
  columns->setStretchLastSection(false);
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setHighlightSections(false);
  columns->setStyle(new SortArrowStyle(columns));
  connect(columns, &QHeaderView::sectionClicked, this, &CCamerasListView::OnColumnClick);

  LoadLayout();
  ShowSortIndicators();
}

CCamerasListView::~CCamerasListView() {
  model_->Reset();
  SaveLayout();
}

void CCamerasListView::LoadLayout() {
  std::vector<int> widths;
  for (const views::ColumnInfo& info : views::ColumnTable) widths.push_back(info.DefaultWidth);
  ColumnLayout layout = ColumnLayout::Defaults(widths);
  ColumnLayoutStore::Load(Host().Profile(), layout);
  QHeaderView* columns = header();
  for (int c = 0; c < views::kColumnCount; ++c) columns->resizeSection(c, layout.widths[static_cast<std::size_t>(c)]);
  for (int position = 0; position < static_cast<int>(layout.order.size()); ++position) {
    columns->moveSection(columns->visualIndex(layout.order[static_cast<std::size_t>(position)]), position);
  }
  model_->SetSortKeys(layout.sortKeys);
}

void CCamerasListView::SaveLayout() const {
  const QHeaderView* columns = header();
  std::vector<int> widths;
  std::vector<int> order;
  for (int c = 0; c < views::kColumnCount; ++c) {
    widths.push_back(columns->sectionSize(c));
    order.push_back(columns->logicalIndex(c));
  }
  const bool orderKnown = std::none_of(order.begin(), order.end(), [](int c) { return c < 0; });
  ColumnLayoutStore::Save(Host().Profile(), widths, model_->SortKeys(),
                          orderKnown ? std::optional<std::vector<int>>(order) : std::nullopt);
}

void CCamerasListView::ShowSortIndicators() {
  const SortKey primary = model_->SortKeys()[0];
  QHeaderView* columns = header();
  if (primary == kEmptySortKey) {
    columns->setSortIndicatorShown(false);
    model_->SetHighlightedColumn(-1, {});
    return;
  }
  const int column = ravix::SortKeyColumn(primary);
  columns->setSortIndicatorShown(true);
  columns->setSortIndicator(column, ravix::IsDescending(primary) ? Qt::DescendingOrder : Qt::AscendingOrder);
  model_->SetHighlightedColumn(column, HighlightedColumnBrush(palette()));
}

void CCamerasListView::OnColumnClick(int column) {
  if (!views::ColumnAt(column)) return;
  const ravix::SortKeys keys = ravix::ApplyColumnClick(model_->SortKeys(), column);
  model_->SetSortKeys(keys);
  ShowSortIndicators();
}

void CCamerasListView::UpsertRecord(const CBrowseRecord& record) {
  model_->SetZorvikOnly(Host().Settings().ZorvikOnly);
  const std::string name = record.GetFullName();
  int row = -1;
  switch (model_->Upsert(record, &row)) {
    case CameraListModel::Change::Inserted:
      DebugTrace("Inserted '%s' recID %u as listitem %u", name.c_str(), record.ID, static_cast<unsigned>(row));
      return;
    case CameraListModel::Change::Updated:
      DebugTrace("Updated '%s' recID %u with listIndex %u", name.c_str(), record.ID, static_cast<unsigned>(row));
      return;
    case CameraListModel::Change::Hidden:
      DebugTrace("Deleted '%s' recID %u with listIndex %u since its not a zorvik camera.", name.c_str(), record.ID,
                 static_cast<unsigned>(row));
      return;
    case CameraListModel::Change::Ignored:
      if (record.ID == 0 && model_->Shows(record)) {
        DebugTrace("Could not insert '%s' recID %u", name.c_str(), record.ID);
      }
      return;
  }
}

void CCamerasListView::RemoveRecord(uint32_t id) { model_->Remove(id); }

void CCamerasListView::ClearRecords() { model_->Reset(); }

void CCamerasListView::SetFilterText(const QString& text) {
  model_->SetFilterText(text);
  emit CamerasChanged();
}

CameraItemView::CameraCounts CCamerasListView::Counts() const { return {model_->rowCount(), model_->TotalCount()}; }

std::vector<uint32_t> CCamerasListView::ShownRecordIDs() const {
  std::vector<uint32_t> ids;
  for (int row = 0; row < model_->rowCount(); ++row) ids.push_back(model_->RecordIdAt(row));
  return ids;
}

bool CCamerasListView::CanSelectAll() const {
  const auto mode = selectionMode();
  return mode == QAbstractItemView::ExtendedSelection || mode == QAbstractItemView::MultiSelection;
}

void CCamerasListView::SelectAll() {
  if (CanSelectAll()) selectAll();
}

std::vector<int> CCamerasListView::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::size_t CCamerasListView::GetSelectedRecordIDs(std::vector<uint32_t>* ids) const {
  const std::vector<int> rows = SelectedRows();
  if (ids != nullptr) {
    ids->clear();
    for (int row : rows) ids->push_back(model_->RecordIdAt(row));
  }
  return rows.size();
}

std::size_t CCamerasListView::SelectRecordIDs(const std::vector<uint32_t>& ids) {
  const bool single = selectionMode() == QAbstractItemView::SingleSelection;
  std::size_t found = 0;
  for (uint32_t id : ids) {
    const int row = model_->RowOf(id);
    if (row < 0) continue;
    const auto flags = (single ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::Select) |
                       QItemSelectionModel::Rows;
    selectionModel()->select(model_->index(row, 0), flags);
    ++found;
    if (single) break;  // one row at most in this mode
  }
  return found;
}

std::optional<CameraItemView::MenuRequest> CCamerasListView::ContextMenuRequest(const QContextMenuEvent& event) {
  if (event.reason() == QContextMenuEvent::Keyboard) {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return std::nullopt;
    const QModelIndex current = currentIndex();
    const bool currentSelected = current.isValid() && selectionModel()->isRowSelected(current.row(), QModelIndex());
    const QModelIndex row = model_->index(currentSelected ? current.row() : rows.front(), 0);
    return MenuRequest{model_->RecordIdAt(row.row()), viewport()->mapToGlobal(visualRect(row).center())};
  }
  const QModelIndex hit = indexAt(event.pos());
  if (!hit.isValid()) return std::nullopt;
  const QModelIndex row = model_->index(hit.row(), 0);
  const bool single = selectionMode() == QAbstractItemView::SingleSelection;
  selectionModel()->select(row, (single ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::Select) |
                                    QItemSelectionModel::Rows);
  selectionModel()->setCurrentIndex(row, QItemSelectionModel::NoUpdate);
  return MenuRequest{model_->RecordIdAt(row.row()), event.globalPos()};
}
