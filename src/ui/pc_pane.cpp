// SPDX-License-Identifier: MIT
#include "pc_pane.h"

#include "controls.h"
#include "dir_browser.h"
#include "drives.h"
#include "file_drag.h"
#include "modes/pc_file_ops.h"
#include "settings/texts.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QListWidget>
#include <QSet>
#include <QTreeView>
#include <QVBoxLayout>

namespace tavelin::ui {

namespace {

// How long the directory stays quiet before its files are listed again.
constexpr int kSettleMs = 100;

} // namespace

PcPane::PcPane(QWidget* parent) : QWidget(parent)
{
    FcDrive = new QComboBox(this);
    Name(FcDrive, "FcDrive", Q(texts::kA11yDrive));
    FcDir = ui::DirectoryTree(this);
    Name(FcDir, "FcDir", Q(texts::kA11yDirectory));
    FcFile = new PcFileList(this);
    Name(FcFile, "FcFile", Q(texts::kA11yPcFiles));
    FcFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Thousands of names are measured a hundred at a time between other
    // events, never all in one go.
    FcFile->setLayoutMode(QListView::Batched);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FcDrive);
    layout->addWidget(FcDir, 3);
    layout->addWidget(FcFile, 2);

    // An unreadable drive stays in the list (FcDrive_Change); another
    // directory in either list lists its files (FcDir_Change).
    browser_ = new DirBrowser(FcDrive, FcDir, DirBrowser::UnreadableDrive::StaysChosen);
    connect(browser_, &DirBrowser::DirectoryChosen, this, &PcPane::RefreshFiles);
    connect(browser_, &DirBrowser::DirectoryGone, this, [this](const QString& gone) {
        RefreshFiles();
        emit DirectoryGone(gone);
    });

    changed_.setSingleShot(true);
    changed_.setInterval(kSettleMs);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &changed_, qOverload<>(&QTimer::start));
    connect(&changed_, &QTimer::timeout, this, &PcPane::FollowFiles);
}

QString PcPane::Directory() const { return browser_->Directory(); }

bool PcPane::KeepDirectory() { return browser_->KeepDirectory(); }

void PcPane::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    browser_->ShowLater();
}

void PcPane::SetDirectory(const QString& path)
{
    browser_->Show(QDir::cleanPath(QDir(path).absolutePath()));
    RefreshFiles();
}

void PcPane::RefreshFiles()
{
    changed_.stop();
    Watch(Directory());
    FcFile->clear();
    QStringList names;
    for (const std::string& name : modes::ListPcFiles(Directory().toStdString()))
        names.append(QString::fromStdString(name));
    FcFile->addItems(names);
}

// The files that came and went since the list was made, and nothing else:
// the items that stay keep their selection, the current item and the
// scrolling, and a folder of thousands of files costs one reading of it
// rather than one change of selection per item. Runs of rows come and go
// in one step each.
void PcPane::FollowFiles()
{
    changed_.stop();
    if (!KeepDirectory())
        return; // listed anew where the pane went
    Watch(Directory());
    QStringList names;
    for (const std::string& name : modes::ListPcFiles(Directory().toStdString()))
        names.append(QString::fromStdString(name));
    QStringList shown;
    shown.reserve(FcFile->count());
    for (int row = 0; row < FcFile->count(); ++row)
        shown.append(FcFile->item(row)->text());
    if (shown == names)
        return;
    const QSet<QString> listed(names.cbegin(), names.cend());
    for (int row = FcFile->count() - 1; row >= 0;) { // gone: from the end, a run at a time
        if (listed.contains(shown[row])) {
            --row;
            continue;
        }
        int first = row;
        while (first > 0 && !listed.contains(shown[first - 1]))
            --first;
        FcFile->model()->removeRows(first, row - first + 1);
        shown.remove(first, row - first + 1);
        row = first - 1;
    }
    // What stays is in the listing's order unless names changed places (a
    // case-only rename where the system lists in another order): then the
    // list is made again, keeping what was selected.
    const QSet<QString> kept(shown.cbegin(), shown.cend());
    QStringList order;
    for (const QString& name : names) {
        if (kept.contains(name))
            order.append(name);
    }
    if (order != shown) {
        RebuildKeepingSelection(names);
        return;
    }
    for (int row = 0; row < names.size();) { // new: a run at a time
        if (row < FcFile->count() && FcFile->item(row)->text() == names[row]) {
            ++row;
            continue;
        }
        int end = row;
        while (end < names.size() && !kept.contains(names[end]))
            ++end;
        if (end == row) { // cannot be, but a list that went astray is made again
            RebuildKeepingSelection(names);
            return;
        }
        FcFile->insertItems(row, names.mid(row, end - row));
        row = end;
    }
}

void PcPane::RebuildKeepingSelection(const QStringList& names)
{
    QSet<QString> selected;
    for (const QListWidgetItem* item : FcFile->selectedItems())
        selected.insert(item->text());
    const QString current = FcFile->currentItem() ? FcFile->currentItem()->text() : QString();
    FcFile->clear();
    FcFile->addItems(names);
    QItemSelection selection;
    for (int row = 0; row < FcFile->count(); ++row) {
        const QString& name = names[row];
        if (name == current)
            FcFile->setCurrentRow(row, QItemSelectionModel::NoUpdate);
        if (selected.contains(name)) {
            const QModelIndex index = FcFile->model()->index(row, 0);
            selection.select(index, index);
        }
    }
    FcFile->selectionModel()->select(selection, QItemSelectionModel::Select); // one change, not one an item
}

// Only the directory shown: the watcher's other paths would list this one
// again for changes elsewhere.
void PcPane::Watch(const QString& directory)
{
    const QStringList watched = watcher_.directories();
    if (watched.size() == 1 && watched.front() == directory)
        return;
    if (!watched.isEmpty())
        watcher_.removePaths(watched);
    if (!directory.isEmpty())
        watcher_.addPath(directory);
}

std::vector<std::string> PcPane::SelectedFiles() const
{
    std::vector<std::string> names;
    for (int row = 0; row < FcFile->count(); ++row) {
        if (FcFile->item(row)->isSelected())
            names.push_back(FcFile->item(row)->text().toStdString());
    }
    return names;
}

} // namespace tavelin::ui
