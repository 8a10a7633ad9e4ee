#include "gui/models/camera_tree_model.h"

#include <algorithm>

#include "gui/widgets/app_image_list.h"
#include "platform/debug_trace.h"
#include "platform/natural_compare.h"

struct CameraTreeModel::Node {
  NodeTag tag;
  QString text;
  std::string key;  // text in UTF-8, for the natural order
  int image = 0;
  Node* parent = nullptr;
  std::vector<std::unique_ptr<Node>> children;
};

CameraTreeModel::CameraTreeModel(views::AdapterNameLookup adapterName, QObject* parent)
    : QAbstractItemModel(parent), adapterName_(std::move(adapterName)), top_(std::make_unique<Node>()) {}

CameraTreeModel::~CameraTreeModel() = default;

CameraTreeModel::Node* CameraTreeModel::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<Node*>(index.internalPointer()) : top_.get();
}

int CameraTreeModel::RowOf(const Node* node) const {
  const auto& siblings = node->parent->children;
  for (std::size_t i = 0; i < siblings.size(); ++i) {
    if (siblings[i].get() == node) return static_cast<int>(i);
  }
  return -1;
}

QModelIndex CameraTreeModel::IndexOf(const Node* node) const {
  if (node == nullptr || node == top_.get()) return {};
  return createIndex(RowOf(node), 0, const_cast<Node*>(node));
}

QModelIndex CameraTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  const Node* holder = NodeOf(parent);
  if (row >= static_cast<int>(holder->children.size())) return {};
  return createIndex(row, 0, holder->children[static_cast<std::size_t>(row)].get());
}

QModelIndex CameraTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  return IndexOf(NodeOf(child)->parent);
}

int CameraTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  return static_cast<int>(NodeOf(parent)->children.size());
}

int CameraTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant CameraTreeModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
  const Node* node = NodeOf(index);
  if (role == Qt::DisplayRole) return node->text;
  if (role == Qt::DecorationRole) return AppImageList::Shared().Icon(node->image);
  return {};
}

int CameraTreeModel::PlaceAmong(const Node& parent, const std::string& key, const Node* skip) {
  // Upper bound over the children without skip.
  std::vector<const Node*> others;
  others.reserve(parent.children.size());
  for (const auto& child : parent.children) {
    if (child.get() != skip) others.push_back(child.get());
  }
  const auto at = std::upper_bound(others.begin(), others.end(), key, [](const std::string& k, const Node* n) {
    return ravix::NaturalCompare(k, n->key) < 0;
  });
  return static_cast<int>(at - others.begin());
}

QModelIndex CameraTreeModel::AddTopLevel(NodeTag tag, const QString& text, int image) {
  auto node = std::make_unique<Node>();
  node->tag = tag;
  node->text = text;
  node->key = text.toStdString();
  node->image = image;
  node->parent = top_.get();
  const int row = static_cast<int>(top_->children.size());
  beginInsertRows(QModelIndex(), row, row);
  top_->children.push_back(std::move(node));
  endInsertRows();
  return index(row, 0);
}

QModelIndex CameraTreeModel::AddChild(const QModelIndex& parent, NodeTag tag, const QString& text, int image) {
  Node* holder = NodeOf(parent);
  auto node = std::make_unique<Node>();
  node->tag = tag;
  node->text = text;
  node->key = text.toStdString();
  node->image = image;
  node->parent = holder;
  const int row = PlaceAmong(*holder, node->key, nullptr);
  beginInsertRows(parent, row, row);
  holder->children.insert(holder->children.begin() + row, std::move(node));
  endInsertRows();
  return index(row, 0, parent);
}

QModelIndex CameraTreeModel::SetNode(const QModelIndex& index, const QString& text, int image) {
  Node* node = NodeOf(index);
  if (node == top_.get()) return {};
  node->text = text;
  node->key = text.toStdString();
  node->image = image;
  const int row = index.row();
  const QModelIndex parentIndex = index.parent();
  const int place = PlaceAmong(*node->parent, node->key, node);
  if (place != row) {
    auto& siblings = node->parent->children;
    beginMoveRows(parentIndex, row, row, parentIndex, place > row ? place + 1 : place);
    auto moving = std::move(siblings[static_cast<std::size_t>(row)]);
    siblings.erase(siblings.begin() + row);
    siblings.insert(siblings.begin() + place, std::move(moving));
    endMoveRows();
  }
  const QModelIndex now = IndexOf(node);
  emit dataChanged(now, now);
  return now;
}

void CameraTreeModel::RemoveNode(const QModelIndex& index) {
  Node* node = NodeOf(index);
  if (node == top_.get()) return;
  const int row = index.row();
  beginRemoveRows(index.parent(), row, row);
  node->parent->children.erase(node->parent->children.begin() + row);
  endRemoveRows();
}

QModelIndex CameraTreeModel::MoveNode(const QModelIndex& index, const QModelIndex& parent) {
  Node* node = NodeOf(index);
  Node* holder = NodeOf(parent);
  if (node == top_.get() || node->parent == holder) return index;
  const int row = index.row();
  const int place = PlaceAmong(*holder, node->key, nullptr);
  beginMoveRows(index.parent(), row, row, parent, place);
  auto moving = std::move(node->parent->children[static_cast<std::size_t>(row)]);
  node->parent->children.erase(node->parent->children.begin() + row);
  node->parent = holder;
  holder->children.insert(holder->children.begin() + place, std::move(moving));
  endMoveRows();
  return IndexOf(node);
}

void CameraTreeModel::Clear() {
  beginResetModel();
  top_->children.clear();
  endResetModel();
}

QModelIndex CameraTreeModel::Reset(const QString& rootText, const std::vector<AdapterNode>& adapters) {
  Clear();
  const QModelIndex root = AddTopLevel(NodeTag::RootTag(), rootText, static_cast<int>(AppImage::Computer));
  for (const AdapterNode& adapter : adapters) {
    AddChild(root, NodeTag::AdapterTag(adapter.IfIndex), adapter.Name, static_cast<int>(AppImage::Adapter));
  }
  return root;
}

CameraTreeModel::Placement CameraTreeModel::Upsert(const CBrowseRecord& record) {
  const NodeTag cameraTag = NodeTag::CameraTag(record.ID);
  Placement placement;
  if (zorvikOnly_ && !views::IsVendorRecord(record)) {
    // A service that lost the vendor key leaves the tree, as it leaves the list.
    const QModelIndex stale = FindNodeByTag(cameraTag);
    if (!stale.isValid()) return placement;
    DebugTrace("Delete recID %u as hTreeItem %p", record.ID, stale.internalPointer());
    RemoveNode(stale);
    placement.change = Change::Hidden;
    return placement;
  }
  const QModelIndex root = FindNodeByTag(NodeTag::RootTag());
  placement.parent = FindNodeByTag(NodeTag::AdapterTag(record.InterfaceIndex));
  if (!placement.parent.isValid()) {
    const std::optional<std::string> name = adapterName_ ? adapterName_(record.InterfaceIndex) : std::nullopt;
    if (name) {
      placement.newAdapter = AddChild(root, NodeTag::AdapterTag(record.InterfaceIndex), QString::fromStdString(*name),
                                      static_cast<int>(AppImage::Adapter));
      placement.parent = placement.newAdapter;
    } else {
      placement.parent = root;
    }
  }
  const QString text = QString::fromStdString(record.ServiceName);
  const int image = views::RecordImage(record);
  if (const QModelIndex existing = FindNodeByTag(cameraTag); existing.isValid()) {
    placement.camera = SetNode(existing, text, image);
    placement.change = Change::Updated;
    if (placement.camera.parent() != placement.parent) {
      placement.camera = MoveNode(placement.camera, placement.parent);
      placement.change = Change::Moved;
    }
    return placement;
  }
  placement.camera = AddChild(placement.parent, cameraTag, text, image);
  placement.change = Change::Inserted;
  return placement;
}

bool CameraTreeModel::Remove(uint32_t id) {
  const QModelIndex node = FindNodeByTag(NodeTag::CameraTag(id));
  if (!node.isValid()) return false;
  RemoveNode(node);
  return true;
}

const CameraTreeModel::Node* CameraTreeModel::Find(const Node& parent, NodeTag tag) {
  for (const auto& child : parent.children) {
    if (child->tag == tag) return child.get();
    if (const Node* below = Find(*child, tag)) return below;
  }
  return nullptr;
}

QModelIndex CameraTreeModel::FindNodeByTag(NodeTag tag) const { return IndexOf(Find(*top_, tag)); }

NodeTag CameraTreeModel::TagOf(const QModelIndex& index) const { return index.isValid() ? NodeOf(index)->tag : NodeTag{}; }

QString CameraTreeModel::TextOf(const QModelIndex& index) const { return index.isValid() ? NodeOf(index)->text : QString(); }

int CameraTreeModel::ImageOf(const QModelIndex& index) const { return index.isValid() ? NodeOf(index)->image : -1; }
