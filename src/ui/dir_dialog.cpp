// SPDX-License-Identifier: MIT
#include "dir_dialog.h"

#include "button_row.h"
#include "controls.h"
#include "dir_browser.h"
#include "drives.h"
#include "settings/paths.h"
#include "settings/texts.h"
#include "settings_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace tavelin::ui {

DirDialog::DirDialog(settings::DirTarget target, const QString& boxText, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("F_Dir"));
    setWindowTitle(Q(texts::kCaptionDirChooser));
    TxtMsg = new QLineEdit(this);
    NameByText(TxtMsg, "TxtMsg", Q(texts::kA11yChooserPrompt));
    TxtMsg->setReadOnly(true);
    FcDrive = new QComboBox(this);
    Name(FcDrive, "FcDrive", Q(texts::kA11yChooserDrive));
    FcDir = DirectoryTree(this);
    Name(FcDir, "FcDir", Q(texts::kA11yChooserDirectory));
    BtnOk = Button(this, texts::kButtonOkWide, "BtnOk");
    BtnCancel = Button(this, texts::kButtonCancel, "BtnCancel");
    BtnOk->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TxtMsg);
    layout->addWidget(FcDrive);
    layout->addWidget(FcDir, 1);
    layout->addWidget(ButtonRow(this, {BtnOk, BtnCancel}));
    // Room for a few levels of the tree without scrolling sideways.
    const int em = fontMetrics().averageCharWidth();
    resize(std::max(sizeHint().width(), em * 60), std::max(sizeHint().height(), fontMetrics().lineSpacing() * 24));

    // FcDrive_Change and FcDir_Change: an unreadable drive leaves both lists
    // as they were.
    browser_ = new DirBrowser(FcDrive, FcDir, DirBrowser::UnreadableDrive::IsUndone);
    Form_Load(target, boxText);
    connect(BtnOk, &QPushButton::clicked, this, &DirDialog::BtnOk_Click);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    FcDir->setFocus();
}

void DirDialog::Form_Load(settings::DirTarget target, const QString& boxText)
{
    TxtMsg->setText(Q(settings::DirPrompt(target)));
    const std::string current = settings::CurrentDirectory();
    const std::string start = settings::ChooserStartDirectory(boxText.toStdString(), current);
    const QString directory = QDir::cleanPath(QDir::fromNativeSeparators(QString::fromStdString(start)));
    // A network path names no drive: the list shows the current one.
    const bool network = settings::IsNetworkPath(boxText.toStdString());
    browser_->Show(directory, DriveOf(network ? QString::fromStdString(current) : directory));
}

QString DirDialog::Directory() const { return browser_->Directory(); }

void DirDialog::BtnOk_Click()
{
    // A root already ends in the separator and gets no second one.
    chosen_ = QString::fromStdString(settings::WithTrailingSeparator(QDir::toNativeSeparators(Directory()).toStdString()));
    accept();
}

void DirDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
    browser_->ShowLater();
}

std::optional<QString> ChooseDirectory(QWidget* parent, settings::DirTarget target, const QString& boxText)
{
    DirDialog dialog(target, boxText, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Chosen();
}

} // namespace tavelin::ui
