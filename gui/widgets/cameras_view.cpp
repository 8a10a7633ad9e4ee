#include "gui/widgets/cameras_view.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QSysInfo>
#include <QToolTip>

#include "gui/widgets/app_image_list.h"
#include "gui/widgets/camera_view_support.h"
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
    : QTreeView(parent), host_(host), model_(new CameraTreeModel(this)) {
  setObjectName(QStringLiteral("camerasTreeView"));
  model_->setObjectName(QStringLiteral("cameraTreeModel"));
  setModel(model_);
  setHeaderHidden(true);
  setRootIsDecorated(false);  // no lines or button at the computer
  setItemsExpandable(true);
  setExpandsOnDoubleClick(true);
  setDragEnabled(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setIconSize(QSize(AppImageList::kIconSize, AppImageList::kIconSize));
  ravix::KeepSelectionVisible(*this);
  connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex&) { OpenInBrowser(); });
}

CCamerasView::~CCamerasView() { host_.StopPeriodicRequeryTimer(); }

QString CCamerasView::RootText() {
  const QString name = QSysInfo::machineHostName();
  return name.isEmpty() ? tr("My Computer") : name;
}

void CCamerasView::OnInitialUpdate() {
  OnUpdate({RecordOperation::ClearAll, 0});
  host_.NotifyAllRecords();
}

void CCamerasView::OnUpdate(const RecordEvent& event) {
  switch (event.Operation) {
    case RecordOperation::Update: {
      CBrowseRecord record;
      if (host_.GetRecord(event.RecordID, record)) AddOrUpdateCameraNode(record);
      return;
    }
    case RecordOperation::Remove: {
      const QModelIndex node = model_->FindNodeByTag(NodeTag::CameraTag(event.RecordID));
      if (node.isValid()) model_->RemoveNode(node);
      return;
    }
    case RecordOperation::ClearAll:
      model_->Clear();
      BuildRoot();
      return;
  }
  DebugTrace("Unknown operation %i passed to CCamerasView::OnUpdate. Opertion will be ignored.",
             static_cast<int>(event.Operation));
}

void CCamerasView::BuildRoot() {
  if (model_->rowCount() != 0) return;
  const QModelIndex root = model_->AddTopLevel(NodeTag::RootTag(), RootText(), static_cast<int>(AppImage::Computer));
  setCurrentIndex(root);
  bool added = false;
  for (const AdapterEntry& adapter : host_.NetworkTools().Adapters()) added |= AddAdapterNode(root, adapter).isValid();
  if (added) expand(root);
}

QModelIndex CCamerasView::AddAdapterNode(const QModelIndex& parent, const AdapterEntry& adapter) {
  return model_->AddChild(parent, NodeTag::AdapterTag(adapter.IfIndex), QString::fromUtf8(adapter.Name),
                          static_cast<int>(AppImage::Adapter));
}

void CCamerasView::AddOrUpdateCameraNode(const CBrowseRecord& record) {
  const NodeTag cameraTag = NodeTag::CameraTag(record.ID);
  if (!views::IsVendorRecord(record) && host_.Settings().ZorvikOnly) {
    // Like the list: a service that lost the vendor key leaves the view.
    const QModelIndex stale = model_->FindNodeByTag(cameraTag);
    if (!stale.isValid()) return;
    DebugTrace("Delete recID %u as hTreeItem %p", record.ID, stale.internalPointer());
    model_->RemoveNode(stale);
    return;
  }
  const QModelIndex root = model_->FindNodeByTag(NodeTag::RootTag());
  QModelIndex parent = model_->FindNodeByTag(NodeTag::AdapterTag(record.InterfaceIndex));
  if (!parent.isValid()) {
    if (const AdapterEntry* adapter = host_.NetworkTools().FindAdapter(record.InterfaceIndex)) {
      parent = AddAdapterNode(root, *adapter);
      expand(parent);
    }
    if (!parent.isValid()) parent = root;
  }
  const QString text = QString::fromStdString(record.ServiceName);
  const int image = views::RecordImage(record);
  const QModelIndex existing = model_->FindNodeByTag(cameraTag);
  if (existing.isValid()) {
    model_->SetNode(existing, text, image);
    return;
  }
  const QModelIndex added = model_->AddChild(parent, cameraTag, text, image);
  DebugTrace("Added recID %u as hTreeItem %p", record.ID, added.internalPointer());
  if (parent.isValid()) expand(parent);
  if (root.isValid()) expand(root);
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

std::size_t CCamerasView::SelectRecordIDs(const std::vector<uint32_t>& ids) {
  if (ids.empty()) return 0;
  const QModelIndex node = model_->FindNodeByTag(NodeTag::CameraTag(ids.front()));
  if (!node.isValid()) return 0;
  setCurrentIndex(node);
  return 1;
}

std::string CCamerasView::TipText(const QModelIndex& node) const {
  if (!host_.Settings().EnableTreeTips || !node.isValid()) return {};
  const NodeTag tag = model_->TagOf(node);
  std::string text;
  if (tag.Kind == NodeKind::Camera) {
    CBrowseRecord record;
    if (host_.GetRecord(tag.Value, record)) text = views::CameraTooltip(record);
  } else if (tag.Kind == NodeKind::Adapter) {
    text = views::AdapterTooltip(host_.NetworkTools(), tag.Value);
  }
  if (text.size() > static_cast<std::size_t>(kMaxTipLength)) text.resize(static_cast<std::size_t>(kMaxTipLength));
  return text;
}

bool CCamerasView::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QTreeView::viewportEvent(event);
  auto* help = static_cast<QHelpEvent*>(event);
  const QModelIndex node = indexAt(help->pos());
  const std::string text = TipText(node);
  if (text.empty()) {
    QToolTip::hideText();
    event->ignore();
    return true;
  }
  QToolTip::showText(help->globalPos(), TipAsTable(QString::fromStdString(text)), viewport(), visualRect(node),
                     kTipDisplayMs);
  return true;
}

void CCamerasView::OpenInBrowser() { ravix::TriggerIfEnabled(host_.OpenInBrowserAction()); }

void CCamerasView::keyPressEvent(QKeyEvent* event) {
  if (ravix::IsPlainEnter(*event)) {
    OpenInBrowser();
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
}

void CCamerasView::contextMenuEvent(QContextMenuEvent* event) {
  QModelIndex node;
  QPoint at;
  if (event->reason() == QContextMenuEvent::Keyboard) {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return;
    node = selected.front();
    const QRect label = visualRect(node);
    at = viewport()->mapToGlobal(QPoint(label.left() + 1, label.center().y()));
  } else {
    node = indexAt(event->pos());
    if (!node.isValid()) return;
    setCurrentIndex(node);
    at = event->globalPos();
  }
  const NodeTag tag = model_->TagOf(node);
  CBrowseRecord record;
  if (tag.Kind != NodeKind::Camera || !host_.GetRecord(tag.Value, record)) return;
  QToolTip::hideText();
  contextMenu_.Show(host_.CameraContextActions(), window(), at);
  event->accept();
}
