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

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FcDrive);
    layout->addWidget(FcDir, 3);
    layout->addWidget(FcFile, 2);

    // An unreadable drive stays in the list (FcDrive_Change); another
    // directory in either list lists its files (FcDir_Change).
    browser_ = new DirBrowser(FcDrive, FcDir, DirBrowser::UnreadableDrive::StaysChosen);
    connect(browser_, &DirBrowser::DirectoryChosen, this, &PcPane::RefreshFiles);

    changed_.setSingleShot(true);
    changed_.setInterval(kSettleMs);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &changed_, qOverload<>(&QTimer::start));
    connect(&changed_, &QTimer::timeout, this, [this] { ListFiles(true); });
}

QString PcPane::Directory() const { return browser_->Directory(); }

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

void PcPane::RefreshFiles() { ListFiles(false); }

void PcPane::ListFiles(bool keepSelection)
{
    changed_.stop();
    Watch(Directory());
    QSet<QString> selected;
    QString current;
    if (keepSelection) {
        for (const QListWidgetItem* item : FcFile->selectedItems())
            selected.insert(item->text());
        if (FcFile->currentItem())
            current = FcFile->currentItem()->text();
    }
    FcFile->clear();
    for (const std::string& name : modes::ListPcFiles(Directory().toStdString())) {
        auto* item = new QListWidgetItem(QString::fromStdString(name), FcFile);
        if (item->text() == current)
            FcFile->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        item->setSelected(selected.contains(item->text()));
    }
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
