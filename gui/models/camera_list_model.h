#pragma once
// CameraListModel: the rows of the camera list, one per record, each holding a copy of
// the record of its latest update and the texts of the 17 columns. Rows are kept in the
// order of the sort keys: an insertion or update places its row by binary search among
// the others (which are in order already); new keys sort all rows once. Without a
// primary key rows stay where they are.

#include <QAbstractTableModel>
#include <QBrush>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "gui/models/record_sort_keys.h"
#include "records/browse_record.h"
#include "views/record_columns.h"

class CameraListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int RecordIdRole = Qt::UserRole + 1;

  explicit CameraListModel(views::AdapterNameLookup adapterName, QObject* parent = nullptr);
  ~CameraListModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // Row of the record, or -1.
  int RowOf(uint32_t id) const;
  uint32_t RecordIdAt(int row) const;
  const CBrowseRecord& RecordAt(int row) const;
  QString CellText(int row, views::Column column) const;

  // A new row for the record, placed by the sort keys; returns its row.
  int Insert(const CBrowseRecord& record);
  // Replaces the record copy and texts of row and moves it where the keys place it;
  // returns its new row.
  int Update(int row, const CBrowseRecord& record);
  void RemoveAt(int row);
  void Clear();

  const ravix::SortKeys& SortKeys() const { return keys_; }
  // Takes the keys and sorts every row once by them.
  void SetSortKeys(const ravix::SortKeys& keys);

  // The column shown highlighted (the primary sort column), -1 for none.
  void SetHighlightedColumn(int column, const QBrush& brush);

 private:
  struct Row;

  // Where a row for record goes among the rows other than skip (-1: all rows), as an
  // index into the order without skip.
  int PlaceOf(const CBrowseRecord& record, int skip) const;
  bool InOrderAt(int row) const;
  int Compare(const CBrowseRecord& a, const CBrowseRecord& b) const;
  void Fill(Row& row, const CBrowseRecord& record) const;

  views::AdapterNameLookup adapterName_;
  std::vector<std::unique_ptr<Row>> rows_;
  ravix::SortKeys keys_ = ravix::kNoSortKeys;
  int highlighted_ = -1;
  QBrush highlightBrush_;
};
