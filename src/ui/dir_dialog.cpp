// SPDX-License-Identifier: MIT
#include "dir_dialog.h"

#include "controls.h"
#include "drives.h"
#include "settings/paths.h"
#include "settings/texts.h"
#include "settings_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tavelin::ui {

DirDialog::DirDialog(settings::DirTarget target, const QString& boxText, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("F_Dir"));
    setWindowTitle(Q(texts::kCaptionDirChooser));
    TxtMsg = new QLineEdit(this);
    Name(TxtMsg, "TxtMsg", Q(texts::kA11yChooserPrompt));
    TxtMsg->setReadOnly(true);
    FcDrive = new QComboBox(this);
    Name(FcDrive, "FcDrive", Q(texts::kA11yChooserDrive));
    FcDir = DirectoryTree(this);
    Name(FcDir, "FcDir", Q(texts::kA11yChooserDirectory));
    model_ = static_cast<QFileSystemModel*>(FcDir->model());
    BtnOk = Button(this, texts::kButtonOkWide, "BtnOk");
    BtnCancel = Button(this, texts::kButtonCancel, "BtnCancel");
    BtnOk->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnOk);
    buttons->addWidget(BtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TxtMsg);
    layout->addWidget(FcDrive);
    layout->addWidget(FcDir, 1);
    layout->addLayout(buttons);
    // Room for a few levels of the tree without scrolling sideways.
    const int em = fontMetrics().averageCharWidth();
    resize(std::max(sizeHint().width(), em * 60), std::max(sizeHint().height(), fontMetrics().lineSpacing() * 24));

    FillDriveList(FcDrive);
    Form_Load(target, boxText);
    connect(FcDrive, &QComboBox::activated, this, &DirDialog::FcDrive_Change);
    connect(FcDir->selectionModel(), &QItemSelectionModel::currentChanged, this, &DirDialog::FcDir_Change);
    // The tree fills itself in the background: show the directory once it is there.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        if (directory_.startsWith(loaded))
            ShowInTree(directory_);
    });
    connect(BtnOk, &QPushButton::clicked, this, &DirDialog::BtnOk_Click);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    FcDir->setFocus();
}

void DirDialog::Form_Load(settings::DirTarget target, const QString& boxText)
{
    TxtMsg->setText(Q(settings::DirPrompt(target)));
    const std::string current = settings::CurrentDirectory();
    const std::string start = settings::ChooserStartDirectory(boxText.toStdString(), current);
    directory_ = QDir::cleanPath(QDir::fromNativeSeparators(QString::fromStdString(start)));
    // A network path names no drive: the list shows the current one.
    const bool network = settings::IsNetworkPath(boxText.toStdString());
    driveRoot_ = DriveOf(network ? QString::fromStdString(current) : directory_);
    SelectDrive(FcDrive, driveRoot_);
    ShowInTree(directory_);
}

void DirDialog::ShowInTree(const QString& path)
{
    const QModelIndex index = model_->index(path);
    if (!index.isValid()) {
        FcDir->clearSelection(); // a hidden directory: OK takes it as it stands
        return;
    }
    showingInTree_ = true; // the tree follows the dialog here, not the other way round
    FcDir->setCurrentIndex(index);
    showingInTree_ = false;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        FcDir->expand(parent);
    FcDir->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void DirDialog::FcDrive_Change(int index)
{
    const QString root = FcDrive->itemData(index).toString();
    const QString why = WhyUnreadable(root);
    if (!why.isEmpty()) {
        SelectDrive(FcDrive, driveRoot_); // both lists stay as they were
        ShowOkBox(this, why.toStdString());
        return;
    }
    driveRoot_ = root;
    directory_ = root;
    ShowInTree(root);
}

void DirDialog::FcDir_Change()
{
    const QModelIndex current = FcDir->currentIndex();
    if (showingInTree_ || !current.isValid())
        return;
    directory_ = model_->filePath(current);
    driveRoot_ = DriveOf(directory_);
    SelectDrive(FcDrive, driveRoot_);
}

void DirDialog::BtnOk_Click()
{
    // A root already ends in the separator and gets no second one.
    chosen_ = QString::fromStdString(settings::WithTrailingSeparator(QDir::toNativeSeparators(directory_).toStdString()));
    accept();
}

void DirDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
    // A hidden tree cannot scroll: bring the directory into view once laid out.
    QTimer::singleShot(0, this, [this] { ShowInTree(directory_); });
}

std::optional<QString> ChooseDirectory(QWidget* parent, settings::DirTarget target, const QString& boxText)
{
    DirDialog dialog(target, boxText, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Chosen();
}

} // namespace tavelin::ui
