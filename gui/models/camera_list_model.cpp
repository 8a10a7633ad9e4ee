#include "gui/models/camera_list_model.h"

#include <QCoreApplication>

#include <algorithm>

#include "gui/models/app_image_list.h"
#include "platform/debug_trace.h"

struct CameraListModel::Row {
  CBrowseRecord record;
  std::array<QString, views::kColumnCount> cells;
  int image = views::kImageOtherDevice;
  QString filterKey;
  bool shown = true;
  int shownRow = -1;  // its row while shown
};

CameraListModel::CameraListModel(views::AdapterNameLookup adapterName, QObject* parent)
    : QAbstractTableModel(parent), adapterName_(std::move(adapterName)) {}

CameraListModel::~CameraListModel() = default;

int CameraListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int CameraListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : views::kColumnCount; }

QVariant CameraListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const Row& row = *shown_[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole: return row.cells[static_cast<std::size_t>(column)];
    case Qt::DecorationRole:
      if (column == views::Index(views::Column::Type)) return AppImageList::Shared().Icon(row.image);
      return {};
    case Qt::TextAlignmentRole: {
      const bool right = views::ColumnTable[static_cast<std::size_t>(column)].Align == views::Alignment::Right;
      return QVariant::fromValue(Qt::Alignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    case Qt::BackgroundRole:
      if (column == highlighted_) return highlightBrush_;
      return {};
    case RecordIdRole: return QVariant::fromValue(row.record.ID);
    default: return {};
  }
}

QVariant CameraListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= views::kColumnCount) return {};
  const views::ColumnInfo& info = views::ColumnTable[static_cast<std::size_t>(section)];
  if (role == Qt::DisplayRole) return QCoreApplication::translate("CCamerasListView", info.Title);
  if (role == Qt::TextAlignmentRole) {
    const bool right = info.Align == views::Alignment::Right;
    return QVariant::fromValue(Qt::Alignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
  }
  return {};
}

int CameraListModel::RowOf(uint32_t id) const {
  for (std::size_t i = 0; i < shown_.size(); ++i) {
    if (shown_[i]->record.ID == id) return static_cast<int>(i);
  }
  return -1;
}

int CameraListModel::SlotOf(uint32_t id) const {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i]->record.ID == id) return static_cast<int>(i);
  }
  return -1;
}

int CameraListModel::SlotOfRow(int row) const { return SlotOf(shown_.at(static_cast<std::size_t>(row))->record.ID); }

uint32_t CameraListModel::RecordIdAt(int row) const { return shown_.at(static_cast<std::size_t>(row))->record.ID; }

const CBrowseRecord& CameraListModel::RecordAt(int row) const { return shown_.at(static_cast<std::size_t>(row))->record; }

QString CameraListModel::CellText(int row, views::Column column) const {
  return shown_.at(static_cast<std::size_t>(row))->cells[static_cast<std::size_t>(views::Index(column))];
}

int CameraListModel::Compare(const CBrowseRecord& a, const CBrowseRecord& b) const {
  return ravix::CompareRecords(keys_, a, b, adapterName_);
}

void CameraListModel::Fill(Row& row, const CBrowseRecord& record) const {
  row.record = record;
  for (int c = 0; c < views::kColumnCount; ++c) {
    row.cells[static_cast<std::size_t>(c)] =
        QString::fromStdString(views::CellText(static_cast<views::Column>(c), record, adapterName_));
  }
  row.image = views::RecordImage(record);
  row.filterKey = CameraFilter::KeyOf(record);
}

int CameraListModel::PlaceOf(const CBrowseRecord& record, int skip) const {
  const int count = static_cast<int>(rows_.size()) - (skip >= 0 ? 1 : 0);
  if (keys_[0] == kEmptySortKey) return count;
  auto at = [&](int i) -> const CBrowseRecord& {
    return rows_[static_cast<std::size_t>(skip >= 0 && i >= skip ? i + 1 : i)]->record;
  };
  // Upper bound: after every row that compares equal.
  int low = 0, high = count;
  while (low < high) {
    const int mid = low + (high - low) / 2;
    if (Compare(record, at(mid)) < 0) {
      high = mid;
    } else {
      low = mid + 1;
    }
  }
  return low;
}

bool CameraListModel::InOrderAt(int row) const {
  if (keys_[0] == kEmptySortKey) return true;
  const CBrowseRecord& record = rows_[static_cast<std::size_t>(row)]->record;
  if (row > 0 && Compare(rows_[static_cast<std::size_t>(row - 1)]->record, record) > 0) return false;
  const int next = row + 1;
  if (next < static_cast<int>(rows_.size()) && Compare(record, rows_[static_cast<std::size_t>(next)]->record) > 0) {
    return false;
  }
  return true;
}

int CameraListModel::ShownBefore(int place, int skip) const {
  int count = 0;
  int position = 0;
  for (int slot = 0; slot < static_cast<int>(rows_.size()) && position < place; ++slot) {
    if (slot == skip) continue;
    if (rows_[static_cast<std::size_t>(slot)]->shown) ++count;
    ++position;
  }
  return count;
}

void CameraListModel::Relist() {
  shown_.clear();
  for (const auto& row : rows_) {
    row->shownRow = row->shown ? static_cast<int>(shown_.size()) : -1;
    if (row->shown) shown_.push_back(row.get());
  }
}

void CameraListModel::MoveSlot(int from, int place) {
  if (from == place) return;
  auto moving = std::move(rows_[static_cast<std::size_t>(from)]);
  rows_.erase(rows_.begin() + from);
  rows_.insert(rows_.begin() + place, std::move(moving));
}

int CameraListModel::Insert(const CBrowseRecord& record) {
  auto row = std::make_unique<Row>();
  Fill(*row, record);
  row->shown = filter_.Matches(row->filterKey);
  const int slot = PlaceOf(record, -1);
  if (!row->shown) {
    rows_.insert(rows_.begin() + slot, std::move(row));
    Relist();
    return -1;
  }
  const int at = ShownBefore(slot, -1);
  beginInsertRows(QModelIndex(), at, at);
  rows_.insert(rows_.begin() + slot, std::move(row));
  Relist();
  endInsertRows();
  return at;
}

// The row is refilled, moved to its sort place and shown or hidden by the filter; views
// see one move, insertion or removal at most.
int CameraListModel::Update(int slot, const CBrowseRecord& record) {
  Row& row = *rows_.at(static_cast<std::size_t>(slot));
  const bool wasShown = row.shown;
  const int oldRow = row.shownRow;
  Fill(row, record);
  const bool nowShown = filter_.Matches(row.filterKey);
  const int place = InOrderAt(slot) ? slot : PlaceOf(record, slot);
  const int newRow = ShownBefore(place, slot);
  if (wasShown && nowShown) {
    const bool moves = newRow != oldRow;
    if (moves) beginMoveRows(QModelIndex(), oldRow, oldRow, QModelIndex(), newRow > oldRow ? newRow + 1 : newRow);
    MoveSlot(slot, place);
    Relist();
    if (moves) endMoveRows();
    emit dataChanged(index(newRow, 0), index(newRow, views::kColumnCount - 1));
    return newRow;
  }
  if (wasShown) {
    beginRemoveRows(QModelIndex(), oldRow, oldRow);
    MoveSlot(slot, place);
    row.shown = false;
    Relist();
    endRemoveRows();
    return -1;
  }
  MoveSlot(slot, place);
  Relist();
  if (!nowShown) return -1;
  beginInsertRows(QModelIndex(), newRow, newRow);
  row.shown = true;
  Relist();
  endInsertRows();
  return newRow;
}

void CameraListModel::RemoveSlot(int slot) {
  const Row& row = *rows_.at(static_cast<std::size_t>(slot));
  if (!row.shown) {
    rows_.erase(rows_.begin() + slot);
    Relist();
    return;
  }
  const int at = row.shownRow;
  beginRemoveRows(QModelIndex(), at, at);
  rows_.erase(rows_.begin() + slot);
  Relist();
  endRemoveRows();
}

void CameraListModel::RemoveAt(int row) { RemoveSlot(SlotOfRow(row)); }

bool CameraListModel::Shows(const CBrowseRecord& record) const {
  return !zorvikOnly_ || views::IsVendorRecord(record);
}

CameraListModel::Change CameraListModel::Upsert(const CBrowseRecord& record, int* row) {
  const int existing = SlotOf(record.ID);
  int at = existing >= 0 ? rows_[static_cast<std::size_t>(existing)]->shownRow : -1;
  Change change = Change::Ignored;
  if (existing >= 0 && Shows(record)) {
    at = Update(existing, record);
    change = Change::Updated;
  } else if (existing >= 0) {
    RemoveSlot(existing);
    change = Change::Hidden;
  } else if (Shows(record) && record.ID != 0) {
    at = Insert(record);
    change = Change::Inserted;
  }
  if (row != nullptr) *row = at;
  return change;
}

bool CameraListModel::Remove(uint32_t id) {
  const int slot = SlotOf(id);
  if (slot < 0) return false;
  RemoveSlot(slot);
  return true;
}

void CameraListModel::Follow(CameraStore& store, std::function<bool()> zorvikOnly) {
  zorvikRule_ = std::move(zorvikOnly);
  disconnect(&store, nullptr, this, nullptr);  // following again: once
  connect(&store, &CameraStore::RecordUpdated, this, &CameraListModel::OnRecordUpdated);
  connect(&store, &CameraStore::RecordRemoved, this, &CameraListModel::Remove);
  connect(&store, &CameraStore::Cleared, this, &CameraListModel::Reset);
  Reset();
  for (const CBrowseRecord& record : store.Records()) OnRecordUpdated(record);
}

void CameraListModel::OnRecordUpdated(const CBrowseRecord& record) {
  if (zorvikRule_) zorvikOnly_ = zorvikRule_();
  const std::string name = record.GetFullName();
  int row = -1;
  switch (Upsert(record, &row)) {
    case Change::Inserted:
      DebugTrace("Inserted '%s' recID %u as listitem %u", name.c_str(), record.ID, static_cast<unsigned>(row));
      return;
    case Change::Updated:
      DebugTrace("Updated '%s' recID %u with listIndex %u", name.c_str(), record.ID, static_cast<unsigned>(row));
      return;
    case Change::Hidden:
      DebugTrace("Deleted '%s' recID %u with listIndex %u since its not a zorvik camera.", name.c_str(), record.ID,
                 static_cast<unsigned>(row));
      return;
    case Change::Ignored:
      if (record.ID == 0 && Shows(record)) DebugTrace("Could not insert '%s' recID %u", name.c_str(), record.ID);
      return;
  }
}

void CameraListModel::Reset() {
  if (rows_.empty()) return;
  beginResetModel();
  rows_.clear();
  shown_.clear();
  endResetModel();
}

void CameraListModel::SetSortKeys(const ravix::SortKeys& keys) {
  keys_ = keys;
  if (keys_[0] == kEmptySortKey || rows_.size() < 2) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const std::vector<Row*> before = shown_;
  std::stable_sort(rows_.begin(), rows_.end(), [this](const std::unique_ptr<Row>& a, const std::unique_ptr<Row>& b) {
    return Compare(a->record, b->record) < 0;
  });
  Relist();
  MovePersistentIndexes(before);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// Persistent indexes follow their rows from the rows listed in before to where the rows
// are shown now; those of rows no longer shown become invalid.
void CameraListModel::MovePersistentIndexes(const std::vector<Row*>& before) {
  const QModelIndexList from = persistentIndexList();
  QModelIndexList to;
  to.reserve(from.size());
  for (const QModelIndex& old : from) {
    const Row* row = before[static_cast<std::size_t>(old.row())];
    to.push_back(row->shown ? index(row->shownRow, old.column()) : QModelIndex());
  }
  changePersistentIndexList(from, to);
}

void CameraListModel::SetFilterText(const QString& text) {
  if (!filter_.SetText(text)) return;
  std::vector<bool> shows;
  shows.reserve(rows_.size());
  bool changes = false;
  for (const auto& row : rows_) {
    shows.push_back(filter_.Matches(row->filterKey));
    changes = changes || shows.back() != row->shown;
  }
  if (!changes) return;
  emit layoutAboutToBeChanged();
  const std::vector<Row*> before = shown_;
  for (std::size_t slot = 0; slot < rows_.size(); ++slot) rows_[slot]->shown = shows[slot];
  Relist();
  MovePersistentIndexes(before);
  emit layoutChanged();
}

void CameraListModel::SetHighlightedColumn(int column, const QBrush& brush) {
  const int old = highlighted_;
  highlighted_ = column;
  highlightBrush_ = brush;
  if (rows_.empty()) return;
  for (int c : {old, column}) {
    if (c >= 0 && c < views::kColumnCount) emit dataChanged(index(0, c), index(rowCount() - 1, c), {Qt::BackgroundRole});
  }
}
