#include "gui/widgets/cameras_view.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QSysInfo>
#include <QToolTip>

#include <algorithm>
#include <functional>

#include "gui/models/record_sort_keys.h"
#include "gui/models/app_image_list.h"
#include "gui/models/camera_store.h"
#include "shell/column_layout_store.h"
#include "net/network_tools.h"
#include "platform/debug_trace.h"
#include "finder/settings_block.h"
#include "views/record_columns.h"
#include "views/tree_tooltips.h"

namespace {

// A tip's lines as a table: the label before the first tab in one column, the rest in
// the other; lines without a tab span both.
QString TipAsTable(const QString& text) {
  QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\">");
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    if (tab < 0) {
      const QString cell = line.isEmpty() ? QStringLiteral("&nbsp;") : line.toHtmlEscaped();
      html += QStringLiteral("<tr><td colspan=\"2\"><b>%1</b></td></tr>").arg(cell);
      continue;
    }
    const QString label = line.left(tab).toHtmlEscaped();
    const QString value = line.mid(tab).remove(QLatin1Char('\t')).toHtmlEscaped();
    html += QStringLiteral("<tr><td>%1</td><td style=\"padding-left:8px\">%2</td></tr>").arg(label, value);
  }
  return html + QStringLiteral("</table>");
}

}  // namespace

CCamerasView::CCamerasView(CameraViewHost& host, QWidget* parent)
    : CameraItemView(host, "CCamerasView", parent),
      model_(new CameraTreeModel(
          views::AdapterNamesOf(host.NetworkTools()),
          this)) {
  setObjectName(QStringLiteral("camerasTreeView"));
  model_->setObjectName(QStringLiteral("cameraTreeModel"));
  setModel(model_);
  setHeaderHidden(true);
  setRootIsDecorated(false);  // no lines or button at the computer
  setItemsExpandable(true);
  setExpandsOnDoubleClick(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  WatchSelection();
  connect(model_, &CameraTreeModel::RootBuilt, this, &CCamerasView::OnRootBuilt);
  connect(model_, &CameraTreeModel::Placed, this, &CCamerasView::OnPlaced);
}

CCamerasView::~CCamerasView() = default;

QString CCamerasView::RootText() {
  const QString name = QSysInfo::machineHostName();
  return name.isEmpty() ? tr("My Computer") : name;
}

void CCamerasView::OnInitialUpdate() {
  CameraTreeModel::RootSource root;
  root.text = [] { return RootText(); };
  root.adapters = [this] {
    std::vector<CameraTreeModel::AdapterNode> adapters;
    for (const AdapterEntry& adapter : Host().NetworkTools().Adapters()) {
      adapters.push_back({adapter.IfIndex, QString::fromUtf8(adapter.Name)});
    }
    // Up, but without an address: nothing is found there until it gets one.
    for (const AdapterEntry& adapter : Host().NetworkTools().AdaptersWithoutIPv4()) {
      adapters.push_back({adapter.IfIndex, tr("%1 (no IPv4 address)").arg(QString::fromUtf8(adapter.Name))});
    }
    return adapters;
  };
  WatchStoreBeforeModel(Host().Store());
  model_->Follow(Host().Store(), std::move(root), [this] { return Host().Settings().ZorvikOnly; });
  WatchStoreAfterModel(Host().Store());
}

void CCamerasView::OnRootBuilt(const QModelIndex& root, bool withAdapters) {
  setCurrentIndex(root);
  if (withAdapters) expand(root);
}

void CCamerasView::OnPlaced(const CameraTreeModel::Placement& placement, uint32_t recordId) {
  if (placement.newAdapter.isValid()) expand(placement.newAdapter);
  if (placement.change == CameraTreeModel::Change::Moved && placement.parent.isValid()) expand(placement.parent);
  if (placement.change != CameraTreeModel::Change::Inserted) return;
  DebugTrace("Added recID %u as hTreeItem %p", recordId, placement.camera.internalPointer());
  if (placement.parent.isValid()) expand(placement.parent);
  if (const QModelIndex root = model_->FindNodeByTag(NodeTag::RootTag()); root.isValid()) expand(root);
}

std::size_t CCamerasView::GetSelectedRecordIDs(std::vector<uint32_t>* ids) const {
  const QModelIndexList selected = selectionModel()->selectedIndexes();
  const NodeTag tag = selected.isEmpty() ? NodeTag{} : model_->TagOf(selected.front());
  if (tag.Kind != NodeKind::Camera) {
    if (ids != nullptr) ids->clear();
    return 0;
  }
  if (ids != nullptr) *ids = {tag.Value};
  return 1;
}

uint32_t CCamerasView::SelectedAdapter() const {
  const QModelIndexList selected = selectionModel()->selectedIndexes();
  const NodeTag tag = selected.isEmpty() ? NodeTag{} : model_->TagOf(selected.front());
  return tag.Kind == NodeKind::Adapter ? tag.Value : 0;
}

std::size_t CCamerasView::SelectRecordIDs(const std::vector<uint32_t>& ids) {
  if (ids.empty()) return 0;
  const QModelIndex node = model_->FindNodeByTag(NodeTag::CameraTag(ids.front()));
  if (!node.isValid()) return 0;
  setCurrentIndex(node);
  return 1;
}

void CCamerasView::SetFilterText(const QString& text) {
  model_->SetFilterText(text);
}

CameraItemView::CameraCounts CCamerasView::Counts() const {
  return {model_->CameraCount(true), model_->CameraCount(false)};
}

std::vector<uint32_t> CCamerasView::ShownRecordIDs() const {
  std::vector<CBrowseRecord> records;
  const std::function<void(const QModelIndex&)> collect = [&](const QModelIndex& parent) {
    for (int row = 0; row < model_->rowCount(parent); ++row) {
      const QModelIndex node = model_->index(row, 0, parent);
      const NodeTag tag = model_->TagOf(node);
      CBrowseRecord record;
      const bool camera = tag.Kind == NodeKind::Camera;
      if (camera && Host().Store().GetRecord(tag.Value, record)) records.push_back(std::move(record));
      collect(node);
    }
  };
  collect(QModelIndex());
  ravix::SortInListOrder(records, Host().Profile(), views::AdapterNamesOf(Host().NetworkTools()));
  std::vector<uint32_t> ids;
  for (const CBrowseRecord& record : records) ids.push_back(record.ID);
  return ids;
}

std::string CCamerasView::TipText(const QModelIndex& node) const {
  if (!Host().Settings().EnableTreeTips || !node.isValid()) return {};
  const NodeTag tag = model_->TagOf(node);
  std::string text;
  if (tag.Kind == NodeKind::Camera) {
    CBrowseRecord record;
    if (Host().Store().GetRecord(tag.Value, record)) text = views::CameraTooltip(record);
  } else if (tag.Kind == NodeKind::Adapter) {
    text = views::AdapterTooltip(Host().NetworkTools(), tag.Value);
  }
  if (text.size() > static_cast<std::size_t>(kMaxTipLength)) text.resize(static_cast<std::size_t>(kMaxTipLength));
  return text;
}

bool CCamerasView::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return CameraItemView::viewportEvent(event);
  auto* help = static_cast<QHelpEvent*>(event);
  const QModelIndex node = indexAt(help->pos());
  const std::string text = TipText(node);
  // Without a camera or adapter tip a name that does not fit shows in full.
  if (text.empty()) return CameraItemView::viewportEvent(event);
  QToolTip::showText(help->globalPos(), TipAsTable(QString::fromStdString(text)), viewport(), visualRect(node),
                     kTipDisplayMs);
  return true;
}

std::optional<CameraItemView::MenuRequest> CCamerasView::ContextMenuRequest(const QContextMenuEvent& event) {
  QModelIndex node;
  QPoint at;
  if (event.reason() == QContextMenuEvent::Keyboard) {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return std::nullopt;
    node = selected.front();
    const QRect label = visualRect(node);
    at = viewport()->mapToGlobal(QPoint(label.left() + 1, label.center().y()));
  } else {
    node = indexAt(event.pos());
    if (!node.isValid()) return std::nullopt;
    setCurrentIndex(node);
    at = event.globalPos();
  }
  const NodeTag tag = model_->TagOf(node);
  if (tag.Kind == NodeKind::Adapter) return MenuRequest{0, at, tag.Value};
  if (tag.Kind != NodeKind::Camera) return std::nullopt;
  return MenuRequest{tag.Value, at};
}
