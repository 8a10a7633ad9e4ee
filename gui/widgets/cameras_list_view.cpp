#include "gui/widgets/cameras_list_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QStyleOptionHeader>

#include <algorithm>

#include "gui/widgets/sort_arrow_style.h"
#include "net/network_tools.h"
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
          views::AdapterNamesOf(host.NetworkTools()),
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
  columns->setResizeContentsPrecision(kFitSampleRows);
  columns->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(columns, &QHeaderView::sectionClicked, this, &CCamerasListView::OnColumnClick);
  connect(columns, &QHeaderView::customContextMenuRequested, this,
          [this, columns](const QPoint& at) { ShowColumnMenu(columns->mapToGlobal(at)); });

  fitTimer_.setParent(this);
  fitTimer_.setObjectName(QStringLiteral("columnFitTimer"));
  fitTimer_.setSingleShot(true);
  connect(&fitTimer_, &QTimer::timeout, this, &CCamerasListView::FitColumnsToContents);

  LoadLayout();
  ShowSortIndicators();
  WatchSelection();
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
  for (int c = 0; c < views::kColumnCount; ++c) {
    const int width = layout.widths[static_cast<std::size_t>(c)];
    columns->resizeSection(c, layout.stored ? width : std::max(width, TitleWidth(c)));
  }
  for (int position = 0; position < static_cast<int>(layout.order.size()); ++position) {
    columns->moveSection(columns->visualIndex(layout.order[static_cast<std::size_t>(position)]), position);
  }
  for (int column : layout.hidden) SetColumnShown(column, false);
  if (!layout.stored) FitWhileUntouched();
  model_->SetSortKeys(layout.sortKeys);
}

// New rows and changed values start the timer (unless it runs), so a burst costs one fit.
void CCamerasListView::FitWhileUntouched() {
  autoFit_ = true;
  const auto schedule = [this] {
    if (autoFit_ && !fitTimer_.isActive()) fitTimer_.start(kFitDelayMs);
  };
  connect(model_, &QAbstractItemModel::rowsInserted, this, schedule);
  connect(model_, &QAbstractItemModel::dataChanged, this, schedule);
  connect(header(), &QHeaderView::sectionResized, this, &CCamerasListView::OnSectionResized);
}

// A width the user sets (or a column shown or hidden) ends the fitting.
void CCamerasListView::OnSectionResized() {
  if (resizingForFit_) return;
  autoFit_ = false;
  fitTimer_.stop();
}

int CCamerasListView::TitleWidth(int column) const {
  const QHeaderView* columns = header();
  QStyleOptionHeader option;
  option.initFrom(columns);
  option.orientation = Qt::Horizontal;
  option.section = column;
  option.text = columns->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
  option.sortIndicator = QStyleOptionHeader::SortDown;  // room for the arrow, shown or not
  option.fontMetrics = columns->fontMetrics();
  const QStyle* style = columns->style();
  const QSize size = style->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), columns);
  // Some styles leave the arrow out of the section size; the header adds it then.
  const int arrow = style->pixelMetric(QStyle::PM_HeaderMarkSize, &option, columns) +
                    style->pixelMetric(QStyle::PM_HeaderMargin, &option, columns);
  const int text = option.fontMetrics.horizontalAdvance(option.text) +
                   2 * style->pixelMetric(QStyle::PM_HeaderMargin, &option, columns);
  return std::max(size.width(), text + arrow);
}

void CCamerasListView::FitColumnsToContents() {
  fitTimer_.stop();
  QHeaderView* columns = header();
  const int cap = std::clamp(viewport()->width() / 3, kFitMinCap, kFitMaxCap);
  resizingForFit_ = true;
  for (int c = 0; c < views::kColumnCount; ++c) {
    if (columns->isSectionHidden(c)) continue;
    const int contents = sizeHintForColumn(c);  // measures at most kFitSampleRows rows
    const int width = std::max(TitleWidth(c), std::min(contents, cap));
    columns->resizeSection(c, fitted_ ? std::max(width, columns->sectionSize(c)) : width);
  }
  resizingForFit_ = false;
  fitted_ = true;
}

void CCamerasListView::SaveLayout() const {
  const QHeaderView* columns = header();
  std::vector<int> widths;
  std::vector<int> order;
  std::vector<int> hidden;
  for (int c = 0; c < views::kColumnCount; ++c) {
    widths.push_back(LayoutWidth(c));
    order.push_back(columns->logicalIndex(c));
    if (columns->isSectionHidden(c)) hidden.push_back(c);
  }
  const bool orderKnown = std::none_of(order.begin(), order.end(), [](int c) { return c < 0; });
  ColumnLayoutStore::Save(Host().Profile(), widths, model_->SortKeys(),
                          orderKnown ? std::optional<std::vector<int>>(order) : std::nullopt, hidden);
}

int CCamerasListView::LayoutWidth(int column) const {
  if (header()->isSectionHidden(column)) return hiddenWidths_[static_cast<std::size_t>(column)];
  return header()->sectionSize(column);
}

int CCamerasListView::ShownColumnCount() const { return header()->count() - header()->hiddenSectionCount(); }

bool CCamerasListView::SetColumnShown(int column, bool shown) {
  if (!views::ColumnAt(column)) return false;
  QHeaderView* columns = header();
  if (columns->isSectionHidden(column) != shown) return true;  // already so
  if (shown) {
    columns->showSection(column);
    columns->resizeSection(column, hiddenWidths_[static_cast<std::size_t>(column)]);
    return true;
  }
  if (ShownColumnCount() <= 1) return false;
  hiddenWidths_[static_cast<std::size_t>(column)] = columns->sectionSize(column);
  columns->hideSection(column);
  return true;
}

void CCamerasListView::ShowColumnMenu(const QPoint& globalPos) {
  auto* menu = new QMenu(this);  // deletes itself when closed
  menu->setObjectName(QStringLiteral("columnChooserMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const QHeaderView* columns = header();
  // The last shown column cannot be unchecked.
  const auto keepOneShown = [this, menu] {
    const bool last = ShownColumnCount() <= 1;
    for (QAction* action : menu->actions()) action->setEnabled(!(last && action->isChecked()));
  };
  for (int position = 0; position < columns->count(); ++position) {
    const int column = columns->logicalIndex(position);
    QAction* action = menu->addAction(columns->model()->headerData(column, Qt::Horizontal).toString());
    action->setObjectName(QStringLiteral("actionShowColumn%1").arg(column));
    action->setCheckable(true);
    action->setChecked(!columns->isSectionHidden(column));
    connect(action, &QAction::toggled, this, [this, column, keepOneShown](bool on) {
      SetColumnShown(column, on);
      keepOneShown();
    });
  }
  keepOneShown();
  menu->popup(globalPos);
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
  WatchStoreBeforeModel(Host().Store());
  model_->Follow(Host().Store(), [this] { return Host().Settings().ZorvikOnly; });
  WatchStoreAfterModel(Host().Store());
}

void CCamerasListView::SetFilterText(const QString& text) {
  model_->SetFilterText(text);
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
