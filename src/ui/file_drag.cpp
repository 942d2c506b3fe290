// SPDX-License-Identifier: MIT
#include "file_drag.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

namespace tavelin::ui {

namespace {

void AllowCopyDrags(QAbstractItemView* list)
{
    list->setDragEnabled(true);
    list->setAcceptDrops(true);
    list->setDragDropMode(QAbstractItemView::DragDrop);
    list->setDefaultDropAction(Qt::CopyAction);
    list->setDropIndicatorShown(false); // a drop lands on the list, never between its items
}

} // namespace

QMimeData* FileListMimeData(const QWidget* source)
{
    auto* data = new QMimeData;
    data->setData(QLatin1String(kFileListMimeType), source->objectName().toUtf8());
    return data;
}

PcFileList::PcFileList(QWidget* parent) : QListWidget(parent) { AllowCopyDrags(this); }

QStringList PcFileList::mimeTypes() const { return {QLatin1String(kFileListMimeType)}; }

QMimeData* PcFileList::mimeData(const QList<QListWidgetItem*>&) const { return FileListMimeData(this); }

HhtFileTree::HhtFileTree(QWidget* parent) : QTreeWidget(parent) { AllowCopyDrags(this); }

QStringList HhtFileTree::mimeTypes() const { return {QLatin1String(kFileListMimeType)}; }

QMimeData* HhtFileTree::mimeData(const QList<QTreeWidgetItem*>&) const { return FileListMimeData(this); }

FileDropTarget::FileDropTarget(QAbstractItemView* target, const QString& from, std::function<void()> onDrop)
    : QObject(target), from_(from), onDrop_(std::move(onDrop))
{
    target->viewport()->installEventFilter(this);
}

bool FileDropTarget::FromOtherList(const QMimeData* data) const
{
    const QString format = QLatin1String(kFileListMimeType);
    return data && data->hasFormat(format) && QString::fromUtf8(data->data(format)) == from_;
}

// Every drag event stops here: the item view's own handling would offer to
// move items inside the list.
bool FileDropTarget::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        armed_ = FromOtherList(drag->mimeData());
        if (armed_) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::DragLeave:
        armed_ = false;
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const bool act = armed_ && FromOtherList(drop->mimeData());
        armed_ = false;
        if (!act) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        QTimer::singleShot(0, this, onDrop_);
        return true;
    }
    default:
        return false;
    }
}

} // namespace tavelin::ui
