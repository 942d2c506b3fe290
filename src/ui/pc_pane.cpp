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
#include <QTreeView>
#include <QVBoxLayout>

namespace tavelin::ui {

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

void PcPane::RefreshFiles()
{
    FcFile->clear();
    for (const std::string& name : modes::ListPcFiles(Directory().toStdString()))
        FcFile->addItem(QString::fromStdString(name));
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
