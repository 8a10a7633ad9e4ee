#pragma once
// CameraListModel: the rows of the camera list, one per shown record, each holding a copy
// of the record of its latest update and the texts of the 17 columns. The model owns the
// row rules: Upsert gives a record its row (or takes it away when the ZorvikOnly rule
// hides the record), Remove and Reset follow the engine's Remove and ClearAll (Follow
// connects the three to the camera store). Rows are
// kept in the order of the sort keys: an insertion or update places its row by binary
// search among the others (which are in order already); new keys sort all rows once.
// Without a primary key rows stay where they are. The quick filter hides the rows whose
// camera does not match it: hidden rows keep their place in the order and are counted
// by TotalCount only; rows, indexes and every other call see the shown rows.

#include <QAbstractTableModel>
#include <QBrush>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "gui/models/camera_filter.h"
#include "gui/models/camera_store.h"
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

  // Row of the record, or -1 (also when the filter hides it).
  int RowOf(uint32_t id) const;
  uint32_t RecordIdAt(int row) const;
  const CBrowseRecord& RecordAt(int row) const;
  QString CellText(int row, views::Column column) const;

  // What Upsert did with a record.
  enum class Change { Inserted, Updated, Hidden, Ignored };

  // With ZorvikOnly on, only records with the vendor key get a row (default: on).
  void SetZorvikOnly(bool on) { zorvikOnly_ = on; }
  bool ZorvikOnly() const { return zorvikOnly_; }
  // Whether the ZorvikOnly rule lets the record have a row.
  bool Shows(const CBrowseRecord& record) const;

  // The record's row: inserted at its sort place, or refilled and moved there; a row
  // whose record the rule now hides is removed. Record ID 0 names no record and gets no
  // row. *row (when given) is the row inserted or updated, or the row removed; -1 when
  // the filter hides it.
  Change Upsert(const CBrowseRecord& record, int* row = nullptr);
  // Removes the record's row; false when it has none.
  bool Remove(uint32_t id);
  // No rows.
  void Reset();
  // From now on the rows follow store's records (updated: Upsert, removed: Remove,
  // cleared: Reset); the rows of its records now come first, in its list order.
  // zorvikOnly, when given, sets the ZorvikOnly rule before each record.
  void Follow(CameraStore& store, std::function<bool()> zorvikOnly = {});
  void RemoveAt(int row);

  // Shows only the rows whose camera matches text (empty: all). Selected rows that the
  // filter hides leave the selection; shown rows keep their order.
  void SetFilterText(const QString& text);
  const QString& FilterText() const { return filter_.Text(); }
  // Rows with or without the filter (rowCount gives the shown ones).
  int TotalCount() const { return static_cast<int>(rows_.size()); }

  const ravix::SortKeys& SortKeys() const { return keys_; }
  // Takes the keys and sorts every row once by them.
  void SetSortKeys(const ravix::SortKeys& keys);

  // The column shown highlighted (the primary sort column), -1 for none.
  void SetHighlightedColumn(int column, const QBrush& brush);

 private:
  struct Row;

  // rows_ holds every row in order, shown_ the shown ones. A slot is an index into
  // rows_, a row an index into shown_ (as in the model's indexes).

  // Where a row for record goes among the slots other than skip (-1: all), as an index
  // into the order without skip.
  int PlaceOf(const CBrowseRecord& record, int skip) const;
  // How many shown rows come before place in the order without skip (-1: none skipped).
  int ShownBefore(int place, int skip) const;
  int SlotOf(uint32_t id) const;
  int SlotOfRow(int row) const;
  // Moves the row of slot from to place (an index into the order without it).
  void MoveSlot(int from, int place);
  void RemoveSlot(int slot);
  // Lists the shown rows again after slots_ or a row's shown flag changed.
  void Relist();
  void MovePersistentIndexes(const std::vector<Row*>& before);
  int Insert(const CBrowseRecord& record);
  int Update(int slot, const CBrowseRecord& record);
  bool InOrderAt(int slot) const;
  int Compare(const CBrowseRecord& a, const CBrowseRecord& b) const;
  void Fill(Row& row, const CBrowseRecord& record) const;

  void OnRecordUpdated(const CBrowseRecord& record);

  views::AdapterNameLookup adapterName_;
  std::function<bool()> zorvikRule_;
  std::vector<std::unique_ptr<Row>> rows_;  // the slots
  std::vector<Row*> shown_;
  CameraFilter filter_;
  ravix::SortKeys keys_ = ravix::kNoSortKeys;
  bool zorvikOnly_ = true;
  int highlighted_ = -1;
  QBrush highlightBrush_;
};
