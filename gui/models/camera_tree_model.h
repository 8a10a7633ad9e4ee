#pragma once
// CameraTreeModel: the nodes of the camera tree (the computer, its adapters, their
// cameras), each with its tag, text and image. The model owns the node rules: Reset
// builds the root with one node per adapter; Upsert places a camera under the node of
// its adapter, making that node on demand (under the root when the adapter is unknown),
// moves it there when its adapter changed (a routed camera gets the adapter of its route
// once completed), and takes the camera's node away when the ZorvikOnly rule hides the record; Remove
// takes one camera node. Adapter nodes stay until the next Reset, with or without
// cameras. Children of one parent stay in natural order of their texts: a new or renamed
// node is placed by binary search. The quick filter hides the camera nodes whose camera
// does not match it; the root and the adapter nodes stay, with or without shown
// cameras, as they stay without a filter. Hidden nodes keep their place and have no index.
// Follow connects Upsert, Remove and Reset to the camera store.

#include <QAbstractItemModel>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/models/camera_filter.h"
#include "gui/models/camera_store.h"
#include "gui/models/node_tag.h"
#include "records/browse_record.h"
#include "views/record_columns.h"

class CameraTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  // One adapter node of Reset.
  struct AdapterNode {
    uint32_t IfIndex = 0;
    QString Name;
  };
  // What Upsert did with a record.
  enum class Change { Inserted, Updated, Moved, Hidden, Ignored };
  struct Placement {
    Change change = Change::Ignored;
    QModelIndex camera;      // the camera's node (Inserted, Updated, Moved)
    QModelIndex parent;      // its adapter's node, the root, or invalid for the top level
    QModelIndex newAdapter;  // the adapter node made for it, when there was none
  };

  // adapterName: the name of the adapter of an interface index, none when unknown.
  explicit CameraTreeModel(views::AdapterNameLookup adapterName, QObject* parent = nullptr);
  ~CameraTreeModel() override;

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // With ZorvikOnly on, only records with the vendor key get a node (default: on).
  void SetZorvikOnly(bool on) { zorvikOnly_ = on; }
  bool ZorvikOnly() const { return zorvikOnly_; }

  // Empties the tree, then adds the root with rootText and under it one node per adapter;
  // returns the root.
  QModelIndex Reset(const QString& rootText, const std::vector<AdapterNode>& adapters);
  // The camera's node: added under its adapter, renamed in place, or moved under its
  // adapter when it sits under another node; removed when the rule hides the record.
  Placement Upsert(const CBrowseRecord& record);
  // Removes the camera's node; false when it has none.
  bool Remove(uint32_t id);

  // What a reset from the store builds: the root's text and the adapters under it.
  struct RootSource {
    std::function<QString()> text;
    std::function<std::vector<AdapterNode>()> adapters;
  };
  // From now on the nodes follow store's records (updated: Upsert, removed: Remove,
  // cleared: Reset from root); the tree is reset and gets its records now, in its list
  // order. zorvikOnly, when given, sets the ZorvikOnly rule before each record.
  void Follow(CameraStore& store, RootSource root, std::function<bool()> zorvikOnly = {});

  // Appends a top-level node (the tree keeps top-level nodes in insertion order).
  QModelIndex AddTopLevel(NodeTag tag, const QString& text, int image);
  // Adds a child of parent (invalid: top level) at its place in natural order.
  QModelIndex AddChild(const QModelIndex& parent, NodeTag tag, const QString& text, int image);
  // New text and image; the node moves to its place among its siblings. Returns its index.
  QModelIndex SetNode(const QModelIndex& node, const QString& text, int image);
  void RemoveNode(const QModelIndex& node);
  // Moves node under parent, to its place in natural order. Returns its new index.
  QModelIndex MoveNode(const QModelIndex& node, const QModelIndex& parent);
  void Clear();

  // Shows only the camera nodes whose camera matches text (empty: all). A selected node
  // the filter hides leaves the selection.
  void SetFilterText(const QString& text);
  const QString& FilterText() const { return filter_.Text(); }
  // Camera nodes in the tree: all of them, or the shown ones only.
  int CameraCount(bool shownOnly) const;

  // Depth first from the first top-level node: each node, then its children, then its
  // next sibling. Invalid when no node has the tag or the filter hides it.
  QModelIndex FindNodeByTag(NodeTag tag) const;
  NodeTag TagOf(const QModelIndex& node) const;
  QString TextOf(const QModelIndex& node) const;
  int ImageOf(const QModelIndex& node) const;

 signals:
  // A reset from the store built the root (with adapters under it or none).
  void RootBuilt(const QModelIndex& root, bool withAdapters);
  // A record from the store was placed (the view opens the nodes it lies under).
  void Placed(const CameraTreeModel::Placement& placement, uint32_t recordId);

 private:
  void ResetFromRoot();
  void OnRecordUpdated(const CBrowseRecord& record);

  struct Node;

  Node* NodeOf(const QModelIndex& index) const;
  QModelIndex IndexOf(const Node* node) const;
  int RowOf(const Node* node) const;
  static int PlaceAmong(const Node& parent, const std::string& text, const Node* skip);
  static Node* Find(const Node& parent, NodeTag tag);
  // How many shown children of holder come before place in the order without skip.
  static int ShownBefore(const Node& holder, int place, const Node* skip);
  // Lists holder's shown children again (and those of every node below with deep).
  static void Relist(Node& holder, bool deep = false);
  static int CountCameras(const Node& holder, bool shownOnly);
  QModelIndex Add(Node* holder, std::unique_ptr<Node> node);
  // New text, image and filter key; the node moves among its siblings and is shown or
  // hidden by the filter. Returns its index (invalid when hidden).
  QModelIndex Place(Node* node, const QString& text, int image, const QString& filterKey);
  // Moves node under holder (to its place by its current text). Its index, or invalid
  // while the filter hides it.
  QModelIndex MoveTo(Node* node, Node* holder);
  void Remove(Node* node);

  views::AdapterNameLookup adapterName_;
  RootSource root_;
  std::function<bool()> zorvikRule_;
  bool zorvikOnly_ = true;
  CameraFilter filter_;
  std::unique_ptr<Node> top_;  // holds the top-level nodes; never shown
};
