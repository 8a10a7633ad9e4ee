#include "gui/models/camera_tree_model.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "gui/models/app_image_list.h"
#include "platform/debug_trace.h"
#include "platform/natural_compare.h"

struct CameraTreeModel::Node {
  NodeTag tag;
  QString text;
  std::string key;  // text in UTF-8, for the natural order
  int image = 0;
  QString filterKey;  // cameras only
  bool shown = true;  // false: a camera the filter hides
  Node* parent = nullptr;
  std::vector<std::unique_ptr<Node>> children;  // all, in order
  std::vector<Node*> listed;                    // the shown children, in order
};

CameraTreeModel::CameraTreeModel(views::AdapterNameLookup adapterName, QObject* parent)
    : QAbstractItemModel(parent), adapterName_(std::move(adapterName)), top_(std::make_unique<Node>()) {}

CameraTreeModel::~CameraTreeModel() = default;

CameraTreeModel::Node* CameraTreeModel::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<Node*>(index.internalPointer()) : top_.get();
}

int CameraTreeModel::RowOf(const Node* node) const {
  const auto& siblings = node->parent->listed;
  for (std::size_t i = 0; i < siblings.size(); ++i) {
    if (siblings[i] == node) return static_cast<int>(i);
  }
  return -1;
}

QModelIndex CameraTreeModel::IndexOf(const Node* node) const {
  if (node == nullptr || node == top_.get() || !node->shown) return {};
  return createIndex(RowOf(node), 0, const_cast<Node*>(node));
}

int CameraTreeModel::ShownBefore(const Node& holder, int place, const Node* skip) {
  int count = 0;
  int position = 0;
  for (const auto& child : holder.children) {
    if (position >= place) break;
    if (child.get() == skip) continue;
    if (child->shown) ++count;
    ++position;
  }
  return count;
}

void CameraTreeModel::Relist(Node& holder, bool deep) {
  holder.listed.clear();
  for (const auto& child : holder.children) {
    if (child->shown) holder.listed.push_back(child.get());
    if (deep) Relist(*child, true);
  }
}

QModelIndex CameraTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  const Node* holder = NodeOf(parent);
  if (row >= static_cast<int>(holder->listed.size())) return {};
  return createIndex(row, 0, holder->listed[static_cast<std::size_t>(row)]);
}

QModelIndex CameraTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  return IndexOf(NodeOf(child)->parent);
}

int CameraTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  return static_cast<int>(NodeOf(parent)->listed.size());
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
  const int row = static_cast<int>(top_->listed.size());
  beginInsertRows(QModelIndex(), row, row);
  top_->children.push_back(std::move(node));
  Relist(*top_);
  endInsertRows();
  return index(row, 0);
}

QModelIndex CameraTreeModel::AddChild(const QModelIndex& parent, NodeTag tag, const QString& text, int image) {
  auto node = std::make_unique<Node>();
  node->tag = tag;
  node->text = text;
  node->key = text.toStdString();
  node->image = image;
  return Add(NodeOf(parent), std::move(node));
}

QModelIndex CameraTreeModel::Add(Node* holder, std::unique_ptr<Node> node) {
  Node* added = node.get();
  node->parent = holder;
  const int place = PlaceAmong(*holder, node->key, nullptr);
  if (!node->shown) {
    holder->children.insert(holder->children.begin() + place, std::move(node));
    return {};
  }
  const int row = ShownBefore(*holder, place, nullptr);
  beginInsertRows(IndexOf(holder), row, row);
  holder->children.insert(holder->children.begin() + place, std::move(node));
  Relist(*holder);
  endInsertRows();
  return IndexOf(added);
}

QModelIndex CameraTreeModel::SetNode(const QModelIndex& index, const QString& text, int image) {
  Node* node = NodeOf(index);
  if (node == top_.get()) return {};
  return Place(node, text, image, node->filterKey);
}

// Views see one move, insertion or removal at most.
QModelIndex CameraTreeModel::Place(Node* node, const QString& text, int image, const QString& filterKey) {
  Node& holder = *node->parent;
  const QModelIndex parentIndex = IndexOf(&holder);
  const bool wasShown = node->shown;
  const int oldRow = wasShown ? RowOf(node) : -1;
  node->text = text;
  node->key = text.toStdString();
  node->image = image;
  node->filterKey = filterKey;
  const bool nowShown = node->tag.Kind != NodeKind::Camera || filter_.Matches(filterKey);
  auto& siblings = holder.children;
  int from = 0;
  while (siblings[static_cast<std::size_t>(from)].get() != node) ++from;
  const int place = PlaceAmong(holder, node->key, node);
  const int newRow = ShownBefore(holder, place, node);
  const auto move = [&] {
    auto moving = std::move(siblings[static_cast<std::size_t>(from)]);
    siblings.erase(siblings.begin() + from);
    siblings.insert(siblings.begin() + place, std::move(moving));
  };
  if (wasShown && nowShown) {
    const bool moves = newRow != oldRow;
    if (moves) beginMoveRows(parentIndex, oldRow, oldRow, parentIndex, newRow > oldRow ? newRow + 1 : newRow);
    move();
    Relist(holder);
    if (moves) endMoveRows();
    const QModelIndex now = IndexOf(node);
    emit dataChanged(now, now);
    return now;
  }
  if (wasShown) {
    beginRemoveRows(parentIndex, oldRow, oldRow);
    move();
    node->shown = false;
    Relist(holder);
    endRemoveRows();
    return {};
  }
  move();
  if (!nowShown) return {};
  beginInsertRows(parentIndex, newRow, newRow);
  node->shown = true;
  Relist(holder);
  endInsertRows();
  return IndexOf(node);
}

void CameraTreeModel::RemoveNode(const QModelIndex& index) {
  Node* node = NodeOf(index);
  if (node == top_.get()) return;
  Remove(node);
}

void CameraTreeModel::Remove(Node* node) {
  Node& holder = *node->parent;
  auto& siblings = holder.children;
  const auto at = std::find_if(siblings.begin(), siblings.end(), [node](const auto& child) { return child.get() == node; });
  if (!node->shown) {
    siblings.erase(at);
    return;
  }
  const int row = RowOf(node);
  beginRemoveRows(IndexOf(&holder), row, row);
  siblings.erase(at);
  Relist(holder);
  endRemoveRows();
}

// Views see one move, or nothing while the filter hides the node.
QModelIndex CameraTreeModel::MoveNode(const QModelIndex& index, const QModelIndex& parent) {
  Node* node = NodeOf(index);
  Node* holder = NodeOf(parent);
  if (node == top_.get() || node->parent == holder) return index;
  return MoveTo(node, holder);
}

QModelIndex CameraTreeModel::MoveTo(Node* node, Node* holder) {
  Node& from = *node->parent;
  auto& siblings = from.children;
  const auto at = std::find_if(siblings.begin(), siblings.end(), [node](const auto& child) { return child.get() == node; });
  const int place = PlaceAmong(*holder, node->key, nullptr);
  const auto move = [&] {
    auto moving = std::move(*at);
    siblings.erase(at);
    node->parent = holder;
    holder->children.insert(holder->children.begin() + place, std::move(moving));
  };
  if (!node->shown) {
    move();
    return {};
  }
  const int oldRow = RowOf(node);
  const int newRow = ShownBefore(*holder, place, nullptr);
  beginMoveRows(IndexOf(&from), oldRow, oldRow, IndexOf(holder), newRow);
  move();
  Relist(from);
  Relist(*holder);
  endMoveRows();
  return IndexOf(node);
}

void CameraTreeModel::Clear() {
  beginResetModel();
  top_->children.clear();
  top_->listed.clear();
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

void CameraTreeModel::Follow(CameraStore& store, RootSource root, std::function<bool()> zorvikOnly) {
  root_ = std::move(root);
  zorvikRule_ = std::move(zorvikOnly);
  disconnect(&store, nullptr, this, nullptr);  // following again: once
  connect(&store, &CameraStore::RecordUpdated, this, &CameraTreeModel::OnRecordUpdated);
  connect(&store, &CameraStore::RecordRemoved, this, qOverload<uint32_t>(&CameraTreeModel::Remove));
  connect(&store, &CameraStore::Cleared, this, &CameraTreeModel::ResetFromRoot);
  ResetFromRoot();
  for (const CBrowseRecord& record : store.Records()) OnRecordUpdated(record);
}

void CameraTreeModel::ResetFromRoot() {
  const std::vector<AdapterNode> adapters = root_.adapters ? root_.adapters() : std::vector<AdapterNode>{};
  const QModelIndex root = Reset(root_.text ? root_.text() : QString(), adapters);
  emit RootBuilt(root, !adapters.empty());
}

void CameraTreeModel::OnRecordUpdated(const CBrowseRecord& record) {
  if (zorvikRule_) zorvikOnly_ = zorvikRule_();
  const Placement placement = Upsert(record);
  emit Placed(placement, record.ID);
}

CameraTreeModel::Placement CameraTreeModel::Upsert(const CBrowseRecord& record) {
  const NodeTag cameraTag = NodeTag::CameraTag(record.ID);
  Placement placement;
  if (zorvikOnly_ && !views::IsVendorRecord(record)) {
    // A service that lost the vendor key leaves the tree, as it leaves the list.
    Node* stale = Find(*top_, cameraTag);
    if (stale == nullptr) return placement;
    DebugTrace("Delete recID %u as hTreeItem %p", record.ID, static_cast<void*>(stale));
    Remove(stale);
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
  const QString filterKey = CameraFilter::KeyOf(record);
  if (Node* existing = Find(*top_, cameraTag); existing != nullptr) {
    Node* holder = NodeOf(placement.parent);
    placement.change = Change::Updated;
    if (existing->parent != holder) {
      MoveTo(existing, holder);
      placement.change = Change::Moved;
    }
    placement.camera = Place(existing, text, image, filterKey);
    placement.parent = IndexOf(existing->parent);
    return placement;
  }
  auto node = std::make_unique<Node>();
  node->tag = cameraTag;
  node->text = text;
  node->key = text.toStdString();
  node->image = image;
  node->filterKey = filterKey;
  node->shown = filter_.Matches(filterKey);
  placement.camera = Add(NodeOf(placement.parent), std::move(node));
  placement.change = Change::Inserted;
  return placement;
}

bool CameraTreeModel::Remove(uint32_t id) {
  Node* node = Find(*top_, NodeTag::CameraTag(id));
  if (node == nullptr) return false;
  Remove(node);
  return true;
}

void CameraTreeModel::SetFilterText(const QString& text) {
  if (!filter_.SetText(text)) return;
  std::vector<std::pair<Node*, bool>> changes;
  const std::function<void(Node&)> collect = [&](Node& holder) {
    for (const auto& child : holder.children) {
      if (child->tag.Kind == NodeKind::Camera) {
        const bool shows = filter_.Matches(child->filterKey);
        if (shows != child->shown) changes.emplace_back(child.get(), shows);
      }
      collect(*child);
    }
  };
  collect(*top_);
  if (changes.empty()) return;
  emit layoutAboutToBeChanged();
  const QModelIndexList from = persistentIndexList();
  std::vector<Node*> nodes;
  nodes.reserve(static_cast<std::size_t>(from.size()));
  for (const QModelIndex& old : from) nodes.push_back(NodeOf(old));
  for (const auto& [node, shows] : changes) node->shown = shows;
  Relist(*top_, true);
  QModelIndexList to;
  to.reserve(from.size());
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const QModelIndex now = IndexOf(nodes[i]);
    to.push_back(now.isValid() ? createIndex(now.row(), from[static_cast<qsizetype>(i)].column(), nodes[i]) : now);
  }
  changePersistentIndexList(from, to);
  emit layoutChanged();
}

int CameraTreeModel::CountCameras(const Node& holder, bool shownOnly) {
  int count = 0;
  for (const auto& child : holder.children) {
    if (child->tag.Kind == NodeKind::Camera && (child->shown || !shownOnly)) ++count;
    count += CountCameras(*child, shownOnly);
  }
  return count;
}

int CameraTreeModel::CameraCount(bool shownOnly) const { return CountCameras(*top_, shownOnly); }

CameraTreeModel::Node* CameraTreeModel::Find(const Node& parent, NodeTag tag) {
  for (const auto& child : parent.children) {
    if (child->tag == tag) return child.get();
    if (Node* below = Find(*child, tag)) return below;
  }
  return nullptr;
}

QModelIndex CameraTreeModel::FindNodeByTag(NodeTag tag) const { return IndexOf(Find(*top_, tag)); }

NodeTag CameraTreeModel::TagOf(const QModelIndex& index) const { return index.isValid() ? NodeOf(index)->tag : NodeTag{}; }

QString CameraTreeModel::TextOf(const QModelIndex& index) const { return index.isValid() ? NodeOf(index)->text : QString(); }

int CameraTreeModel::ImageOf(const QModelIndex& index) const { return index.isValid() ? NodeOf(index)->image : -1; }
