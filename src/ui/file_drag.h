// SPDX-License-Identifier: MIT
// Dragging files between the manual window's two lists: the PC's files
// (FcFile) and the hand-held's (LbHHTFile). A drag carries only the name of
// the list it left, under a private MIME type; what moves is the lists'
// selection, as with the Copy button. A list acts on a drop only when the
// drag came from the other list and was still over it at the release, and
// only after the drop has returned, so no modal window runs inside the
// system's drag loop. Neither list moves or removes items itself.
#pragma once

#include <QListWidget>
#include <QTreeWidget>

#include <functional>

namespace tavelin::ui {

inline constexpr char kFileListMimeType[] = "application/x-tavelin-file-list";

// What a drag from `source` carries: the list's table name.
QMimeData* FileListMimeData(const QWidget* source);

// FcFile: copy-only drags of its selection.
class PcFileList final : public QListWidget {
public:
    explicit PcFileList(QWidget* parent);

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
};

// LbHHTFile: copy-only drags of its selection.
class HhtFileTree final : public QTreeWidget {
public:
    explicit HhtFileTree(QWidget* parent);

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
};

// Watches a list's viewport for drops from the list named `from` and runs
// `onDrop` from the event loop once such a drop has been accepted.
class FileDropTarget final : public QObject {
public:
    FileDropTarget(QAbstractItemView* target, const QString& from, std::function<void()> onDrop);
    bool Armed() const { return armed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool FromOtherList(const QMimeData* data) const;

    QString from_;
    std::function<void()> onDrop_;
    bool armed_ = false;
};

} // namespace tavelin::ui
