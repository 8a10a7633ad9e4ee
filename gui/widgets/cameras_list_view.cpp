#include "gui/widgets/cameras_list_view.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>

#include <algorithm>

#include "gui/widgets/app_image_list.h"
#include "gui/widgets/camera_view_support.h"
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
    : QTreeView(parent),
      host_(host),
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
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragEnabled(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(host_.ClipboardMode() ? QAbstractItemView::SingleSelection : QAbstractItemView::ExtendedSelection);
  setIconSize(QSize(AppImageList::kIconSize, AppImageList::kIconSize));
  ravix::KeepSelectionVisible(*this);

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
  connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex&) { OpenInBrowser(); });

  LoadLayout();
  ShowSortIndicators();
}

CCamerasListView::~CCamerasListView() {
  host_.StopPeriodicRequeryTimer();
  model_->Clear();
  SaveLayout();
}

void CCamerasListView::LoadLayout() {
  std::vector<int> widths;
  for (const views::ColumnInfo& info : views::ColumnTable) widths.push_back(info.DefaultWidth);
  ColumnLayout layout = ColumnLayout::Defaults(widths);
  ColumnLayoutStore::Load(host_.Profile(), layout);
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
  ColumnLayoutStore::Save(host_.Profile(), widths, model_->SortKeys(),
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

void CCamerasListView::OnInitialUpdate() {
  OnUpdate({RecordOperation::ClearAll, 0});
  host_.NotifyAllRecords();
}

void CCamerasListView::OnUpdate(const RecordEvent& event) {
  switch (event.Operation) {
    case RecordOperation::Update: {
      CBrowseRecord record;
      if (host_.GetRecord(event.RecordID, record)) InsertOrUpdateRow(record);
      return;
    }
    case RecordOperation::Remove: {
      const int row = model_->RowOf(event.RecordID);
      if (row >= 0) model_->RemoveAt(row);
      return;
    }
    case RecordOperation::ClearAll: model_->Clear(); return;
  }
  DebugTrace("Unknown operation %i passed to CCamerasListView::OnUpdate. Opertion will be ignored.",
             static_cast<int>(event.Operation));
}

void CCamerasListView::InsertOrUpdateRow(const CBrowseRecord& record) {
  const bool shown = views::IsVendorRecord(record) || !host_.Settings().ZorvikOnly;
  const std::string name = record.GetFullName();
  const int row = model_->RowOf(record.ID);
  if (row < 0) {
    if (!shown) return;
    if (record.ID == 0) {  // 0 names no record
      DebugTrace("Could not insert '%s' recID %u", name.c_str(), record.ID);
      return;
    }
    const int at = model_->Insert(record);
    DebugTrace("Inserted '%s' recID %u as listitem %u", name.c_str(), record.ID, static_cast<unsigned>(at));
    return;
  }
  if (shown) {
    model_->Update(row, record);
    DebugTrace("Updated '%s' recID %u with listIndex %u", name.c_str(), record.ID, static_cast<unsigned>(row));
    return;
  }
  model_->RemoveAt(row);
  DebugTrace("Deleted '%s' recID %u with listIndex %u since its not a zorvik camera.", name.c_str(), record.ID,
             static_cast<unsigned>(row));
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

void CCamerasListView::OpenInBrowser() { ravix::TriggerIfEnabled(host_.OpenInBrowserAction()); }

void CCamerasListView::keyPressEvent(QKeyEvent* event) {
  if (ravix::IsPlainEnter(*event)) {
    OpenInBrowser();
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
}

void CCamerasListView::contextMenuEvent(QContextMenuEvent* event) {
  QModelIndex row;
  QPoint at;
  if (event->reason() == QContextMenuEvent::Keyboard) {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    const QModelIndex current = currentIndex();
    const bool currentSelected = current.isValid() && selectionModel()->isRowSelected(current.row(), QModelIndex());
    row = model_->index(currentSelected ? current.row() : rows.front(), 0);
    at = viewport()->mapToGlobal(visualRect(row).center());
  } else {
    row = indexAt(event->pos());
    if (!row.isValid()) return;
    row = model_->index(row.row(), 0);
    const bool single = selectionMode() == QAbstractItemView::SingleSelection;
    selectionModel()->select(row, (single ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::Select) |
                                      QItemSelectionModel::Rows);
    selectionModel()->setCurrentIndex(row, QItemSelectionModel::NoUpdate);
    at = event->globalPos();
  }
  CBrowseRecord record;
  if (!host_.GetRecord(model_->RecordIdAt(row.row()), record)) return;
  contextMenu_.Show(host_.CameraContextActions(), window(), at);
  event->accept();
}
