#include "gui/widgets/camera_item_view.h"

#include <QAbstractItemDelegate>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>

#include <algorithm>

#include "finder/settings_block.h"
#include "gui/models/camera_store.h"
#include "gui/models/app_image_list.h"
#include "gui/widgets/camera_view_support.h"
#include "platform/debug_trace.h"

CameraItemView::CameraItemView(CameraViewHost& host, const char* viewName, QWidget* parent)
    : QTreeView(parent), host_(host), viewName_(viewName) {
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragEnabled(false);
  setIconSize(QSize(AppImageList::kIconSize, AppImageList::kIconSize));
  ravix::KeepSelectionVisible(*this);
  connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex&) { OpenInBrowser(); });
}

CameraItemView::~CameraItemView() = default;

namespace {

std::string ServiceOf(const CBrowseRecord& record) {
  return record.ServiceName + '\n' + record.ServiceType + '\n' + record.Domain;
}

}  // namespace

// The selection model reports removed rows and filter changes too; a reset of the model
// empties the selection without a word, so it is reported then as well.
void CameraItemView::WatchSelection() {
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { ReportSelection(); });
  connect(model(), &QAbstractItemModel::modelReset, this, [this] { ReportSelection(); });
}

void CameraItemView::WatchStoreBeforeModel(CameraStore& store) {
  disconnect(&store, nullptr, this, nullptr);  // following again: once
  services_.clear();
  connect(&store, &CameraStore::Cleared, this, [this] {
    RememberSelection();
    services_.clear();
  });
  connect(&store, &CameraStore::RecordRemoved, this, [this](uint32_t id) { services_.erase(id); });
}

void CameraItemView::WatchStoreAfterModel(CameraStore& store) {
  for (const CBrowseRecord& record : store.Records()) services_[record.ID] = ServiceOf(record);
  connect(&store, &CameraStore::RecordUpdated, this, [this](const CBrowseRecord& record) {
    services_[record.ID] = ServiceOf(record);
    GiveBackSelection(record);
  });
}

void CameraItemView::RememberSelection() {
  std::vector<uint32_t> selected;
  GetSelectedRecordIDs(&selected);
  selectedServices_.clear();
  givenBack_.clear();
  for (uint32_t id : selected) {
    const auto service = services_.find(id);
    if (service != services_.end()) selectedServices_.insert(service->second);
  }
}

void CameraItemView::GiveBackSelection(const CBrowseRecord& record) {
  if (selectedServices_.empty() || selectedServices_.erase(ServiceOf(record)) == 0) return;
  std::vector<uint32_t> now;
  GetSelectedRecordIDs(&now);
  std::vector<uint32_t> expected = givenBack_;
  std::sort(now.begin(), now.end());
  std::sort(expected.begin(), expected.end());
  if (now != expected) {  // the person chose other cameras meanwhile: theirs stays
    selectedServices_.clear();
    givenBack_.clear();
    return;
  }
  givenBack_.push_back(record.ID);
  SelectRecordIDs(givenBack_);
  // Down and Up go on from a selected camera, not from the top.
  const QModelIndexList rows = selectionModel()->selectedRows();
  if (!rows.isEmpty() && !selectionModel()->isSelected(currentIndex()))
    selectionModel()->setCurrentIndex(rows.front(), QItemSelectionModel::NoUpdate);
}

void CameraItemView::OpenInBrowser() { ravix::TriggerIfEnabled(host_.OpenInBrowserAction()); }

void CameraItemView::keyPressEvent(QKeyEvent* event) {
  if (ravix::IsPlainEnter(*event)) {
    OpenInBrowser();
    event->accept();
    return;
  }
  // The copy keys belong to Copy URL: its shortcut takes them while it is enabled, and a
  // key that reaches the view means it is disabled. The view's own copy (the current
  // cell's text) never steps in.
  if (event->matches(QKeySequence::Copy)) {
    event->accept();
    return;
  }
  // The focus alone makes the first row current without selecting it: a person's first Up
  // or Down selects that row instead of moving past it, and Home or End on the row that is
  // current already selects it.
  const int key = event->key();
  const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
  if (plain && (key == Qt::Key_Up || key == Qt::Key_Down) && SelectCurrentWhenNoneIs()) {
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
  if (plain && (key == Qt::Key_Home || key == Qt::Key_End)) SelectCurrentWhenNoneIs();
}

bool CameraItemView::SelectCurrentWhenNoneIs() {
  if (selectionModel() == nullptr || selectionModel()->hasSelection() || !currentIndex().isValid()) return false;
  selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  return true;
}

bool CameraItemView::IsElided(const QModelIndex& index) const {
  if (!index.isValid()) return false;
  const QAbstractItemDelegate* delegate = itemDelegateForIndex(index);
  if (delegate == nullptr) return false;
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  const QRect room = visualRect(index);
  option.rect = room;
  return delegate->sizeHint(option, index).width() > room.width();
}

bool CameraItemView::ShowElidedTip(const QHelpEvent& help) {
  const QModelIndex index = indexAt(help.pos());
  const QString text = index.data(Qt::DisplayRole).toString();
  if (text.isEmpty() || !IsElided(index)) {
    QToolTip::hideText();
    return false;
  }
  QToolTip::showText(help.globalPos(), ravix::PlainTextTip(text), viewport(), visualRect(index));
  return true;
}

bool CameraItemView::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QTreeView::viewportEvent(event);
  if (!ShowElidedTip(*static_cast<QHelpEvent*>(event))) event->ignore();
  return true;
}

void CameraItemView::contextMenuEvent(QContextMenuEvent* event) {
  const std::optional<MenuRequest> request = ContextMenuRequest(*event);
  if (request && request->adapter != 0) {
    const QList<QAction*> actions = host_.AdapterContextActions(request->adapter);
    if (actions.isEmpty()) return;
    QToolTip::hideText();
    contextMenu_.Show(actions, window(), request->globalPos);
    event->accept();
    return;
  }
  // Only a camera whose record still exists gets a menu.
  CBrowseRecord record;
  if (!request || request->recordId == 0 || !host_.Store().GetRecord(request->recordId, record)) return;
  QToolTip::hideText();
  contextMenu_.Show(host_.CameraContextActions(), window(), request->globalPos);
  event->accept();
}
