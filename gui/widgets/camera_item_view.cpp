#include "gui/widgets/camera_item_view.h"

#include <QAbstractItemDelegate>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>

#include "finder/settings_block.h"
#include "gui/widgets/app_image_list.h"
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

void CameraItemView::OnInitialUpdate() {
  OnUpdate(RecordUpdate::ClearAll());
  host_.NotifyAllRecords();
}

void CameraItemView::OnUpdate(const RecordUpdate& update) {
  switch (update.Operation) {
    case RecordOperation::Update:
      if (update.Record) UpsertRecord(*update.Record);
      emit CamerasChanged();
      return;
    case RecordOperation::Remove:
      RemoveRecord(update.RecordID);
      emit CamerasChanged();
      return;
    case RecordOperation::ClearAll:
      ClearRecords();
      emit CamerasChanged();
      return;
  }
  DebugTrace("Unknown operation %i passed to %s::OnUpdate. Opertion will be ignored.",
             static_cast<int>(update.Operation), viewName_);
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
  QTreeView::keyPressEvent(event);
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
  // Only a camera whose record still exists gets a menu.
  CBrowseRecord record;
  if (!request || request->recordId == 0 || !host_.GetRecord(request->recordId, record)) return;
  QToolTip::hideText();
  contextMenu_.Show(host_.CameraContextActions(), window(), request->globalPos);
  event->accept();
}
