#pragma once
// CameraTreeModel: the nodes of the camera tree (the computer, its adapters, their
// cameras), each with its tag, text and image. Children of one parent stay in natural
// order of their texts: a new or renamed node is placed by binary search.

#include <QAbstractItemModel>
#include <QString>

#include <memory>
#include <string>
#include <vector>

#include "gui/models/node_tag.h"

class CameraTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit CameraTreeModel(QObject* parent = nullptr);
  ~CameraTreeModel() override;

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // Appends a top-level node (the tree keeps top-level nodes in insertion order).
  QModelIndex AddTopLevel(NodeTag tag, const QString& text, int image);
  // Adds a child of parent (invalid: top level) at its place in natural order.
  QModelIndex AddChild(const QModelIndex& parent, NodeTag tag, const QString& text, int image);
  // New text and image; the node moves to its place among its siblings. Returns its index.
  QModelIndex SetNode(const QModelIndex& node, const QString& text, int image);
  void RemoveNode(const QModelIndex& node);
  void Clear();

  // Depth first from the first top-level node: each node, then its children, then its
  // next sibling. Invalid when no node has the tag.
  QModelIndex FindNodeByTag(NodeTag tag) const;
  NodeTag TagOf(const QModelIndex& node) const;
  QString TextOf(const QModelIndex& node) const;
  int ImageOf(const QModelIndex& node) const;

 private:
  struct Node;

  Node* NodeOf(const QModelIndex& index) const;
  QModelIndex IndexOf(const Node* node) const;
  int RowOf(const Node* node) const;
  static int PlaceAmong(const Node& parent, const std::string& text, const Node* skip);
  static const Node* Find(const Node& parent, NodeTag tag);

  std::unique_ptr<Node> top_;  // holds the top-level nodes; never shown
};
