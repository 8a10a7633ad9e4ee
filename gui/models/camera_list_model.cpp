#include "gui/models/camera_list_model.h"

#include <QCoreApplication>

#include <algorithm>
#include <numeric>

#include "gui/widgets/app_image_list.h"

struct CameraListModel::Row {
  CBrowseRecord record;
  std::array<QString, views::kColumnCount> cells;
  int image = views::kImageOtherDevice;
};

CameraListModel::CameraListModel(views::AdapterNameLookup adapterName, QObject* parent)
    : QAbstractTableModel(parent), adapterName_(std::move(adapterName)) {}

CameraListModel::~CameraListModel() = default;

int CameraListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CameraListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : views::kColumnCount; }

QVariant CameraListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const Row& row = *rows_[static_cast<std::size_t>(index.row())];
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
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i]->record.ID == id) return static_cast<int>(i);
  }
  return -1;
}

uint32_t CameraListModel::RecordIdAt(int row) const { return rows_.at(static_cast<std::size_t>(row))->record.ID; }

const CBrowseRecord& CameraListModel::RecordAt(int row) const { return rows_.at(static_cast<std::size_t>(row))->record; }

QString CameraListModel::CellText(int row, views::Column column) const {
  return rows_.at(static_cast<std::size_t>(row))->cells[static_cast<std::size_t>(views::Index(column))];
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

int CameraListModel::Insert(const CBrowseRecord& record) {
  auto row = std::make_unique<Row>();
  Fill(*row, record);
  const int at = PlaceOf(record, -1);
  beginInsertRows(QModelIndex(), at, at);
  rows_.insert(rows_.begin() + at, std::move(row));
  endInsertRows();
  return at;
}

int CameraListModel::Update(int row, const CBrowseRecord& record) {
  Fill(*rows_.at(static_cast<std::size_t>(row)), record);
  int at = row;
  if (!InOrderAt(row)) {
    at = PlaceOf(record, row);
    if (at != row) {
      beginMoveRows(QModelIndex(), row, row, QModelIndex(), at > row ? at + 1 : at);
      auto moving = std::move(rows_[static_cast<std::size_t>(row)]);
      rows_.erase(rows_.begin() + row);
      rows_.insert(rows_.begin() + at, std::move(moving));
      endMoveRows();
    }
  }
  emit dataChanged(index(at, 0), index(at, views::kColumnCount - 1));
  return at;
}

void CameraListModel::RemoveAt(int row) {
  beginRemoveRows(QModelIndex(), row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
}

bool CameraListModel::Shows(const CBrowseRecord& record) const {
  return !zorvikOnly_ || views::IsVendorRecord(record);
}

CameraListModel::Change CameraListModel::Upsert(const CBrowseRecord& record, int* row) {
  const int existing = RowOf(record.ID);
  int at = existing;
  Change change = Change::Ignored;
  if (existing >= 0 && Shows(record)) {
    at = Update(existing, record);
    change = Change::Updated;
  } else if (existing >= 0) {
    RemoveAt(existing);
    change = Change::Hidden;
  } else if (Shows(record) && record.ID != 0) {
    at = Insert(record);
    change = Change::Inserted;
  }
  if (row != nullptr) *row = at;
  return change;
}

bool CameraListModel::Remove(uint32_t id) {
  const int row = RowOf(id);
  if (row < 0) return false;
  RemoveAt(row);
  return true;
}

void CameraListModel::Reset() {
  if (rows_.empty()) return;
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void CameraListModel::SetSortKeys(const ravix::SortKeys& keys) {
  keys_ = keys;
  if (keys_[0] == kEmptySortKey || rows_.size() < 2) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> order(rows_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
    return Compare(rows_[static_cast<std::size_t>(a)]->record, rows_[static_cast<std::size_t>(b)]->record) < 0;
  });
  std::vector<int> newRowOf(rows_.size());
  std::vector<std::unique_ptr<Row>> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    newRowOf[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    sorted.push_back(std::move(rows_[static_cast<std::size_t>(order[i])]));
  }
  rows_ = std::move(sorted);
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& old : before) {
    after.push_back(index(newRowOf[static_cast<std::size_t>(old.row())], old.column()));
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
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
