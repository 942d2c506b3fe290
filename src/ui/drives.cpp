// SPDX-License-Identifier: MIT
#include "drives.h"

#include "settings/paths.h"

#include <QComboBox>
#include <QDir>
#include <QAbstractFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QSignalBlocker>
#include <QTreeView>

#include <filesystem>
#include <system_error>

namespace tavelin::ui {

void FillDriveList(QComboBox* list)
{
    const QSignalBlocker quiet(list);
    list->clear();
    for (const QString& root : DriveRoots())
        list->addItem(QDir::toNativeSeparators(root), root);
}

void SelectDrive(QComboBox* list, const QString& root)
{
    const QSignalBlocker quiet(list);
    int index = list->findData(root);
    if (index < 0) {
        list->addItem(QDir::toNativeSeparators(root), root);
        index = list->count() - 1;
    }
    list->setCurrentIndex(index);
}

QString WhyUnreadable(const QString& path)
{
    std::error_code error;
    std::filesystem::directory_iterator probe(settings::FsPath(path.toStdString()), error);
    return error ? QString::fromLocal8Bit(error.message()) : QString();
}

namespace {

// Icons by what an entry is, never by its contents. Qt's own provider asks
// the MIME database, which opens and reads every file of a directory listed
// to guess its type: a file whose read waits for data (/proc/kmsg, shown
// through /proc/self/..) holds the listing, and the database's lock with
// it, so the window's own thread waits too. The tree shows directories by
// name only: it has no use for types.
class NameOnlyIconProvider final : public QAbstractFileIconProvider {
public:
    NameOnlyIconProvider() { setOptions(DontUseCustomDirectoryIcons); }
    QIcon icon(IconType type) const override { return QAbstractFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override
    {
        if (info.isRoot())
            return icon(Drive);
        return icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo&) const override { return {}; } // a column the tree does not show
};

} // namespace

QAbstractFileIconProvider* IconsByName()
{
    // A model only borrows its provider, and its listing thread may use it
    // until the model is gone: one provider, stateless, that outlives them all.
    static auto* const provider = new NameOnlyIconProvider;
    return provider;
}

QTreeView* DirectoryTree(QWidget* parent)
{
    auto* tree = new QTreeView(parent);
    auto* model = new QFileSystemModel(tree);
    model->setIconProvider(IconsByName());
    model->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model->setRootPath(QDir::rootPath());
    tree->setModel(model);
    for (int column = 1; column < model->columnCount(); ++column)
        tree->hideColumn(column);
    tree->setHeaderHidden(true);
    return tree;
}

} // namespace tavelin::ui
