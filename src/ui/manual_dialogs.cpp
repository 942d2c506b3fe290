// SPDX-License-Identifier: MIT
#include "manual_dialogs.h"

#include "auto_window.h"
#include "button_row.h"
#include "controls.h"
#include "program_icon.h"
#include "settings/console_output.h"
#include "settings/texts.h"
#include "transfer_dialog.h"

#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

namespace tavelin::ui {

DeleteDialog::DeleteDialog(std::string_view name, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("F_Del"));
    setWindowTitle(Q(texts::kCaptionDelete));
    TxtMsg = new QPlainTextEdit(this);
    NameByText(TxtMsg, "TxtMsg", Q(texts::kA11yDeleteMessage));
    TxtMsg->setReadOnly(true);
    TxtMsg->setPlainText(Q(modes::DeleteQuestion(name)).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    TxtMsg->setMaximumHeight(TxtMsg->fontMetrics().lineSpacing() * 4);
    BtnAllDel = Button(this, texts::kButtonDeleteAll, "BtnAllDel");
    BtnDel = Button(this, texts::kButtonDelete, "BtnDel");
    BtnCancel = Button(this, texts::kButtonCancel, "BtnCancel");
    BtnDel->setDefault(true);
    connect(BtnAllDel, &QPushButton::clicked, this, [this] { Choose(modes::DelAnswer::DeleteAll); });
    connect(BtnDel, &QPushButton::clicked, this, [this] { Choose(modes::DelAnswer::DeleteThis); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { Choose(modes::DelAnswer::Cancel); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TxtMsg);
    layout->addWidget(ButtonRow(this, {BtnAllDel, BtnDel, BtnCancel}));
    BtnDel->setFocus();
}

void DeleteDialog::Choose(modes::DelAnswer answer)
{
    answer_ = answer;
    accept();
}

RenameDialog::RenameDialog(modes::RenameSide side, std::string_view name, QWidget* parent)
    : QDialog(parent), side_(side)
{
    setObjectName(QStringLiteral("F_Ren"));
    setWindowTitle(Q(texts::kCaptionRename));
    Label1 = new QLabel(Q(modes::RenameSideText(side)), this);
    Name(Label1, "Label1", Label1->text());
    TxtFName = new QLineEdit(Q(name), this);
    Name(TxtFName, "TxtFName", Q(texts::kA11yNewName));
    Label1->setBuddy(TxtFName);
    BtnRen = Button(this, texts::kButtonRename, "BtnRen");
    BtnCancel = Button(this, texts::kButtonCancel, "BtnCancel");
    BtnRen->setDefault(true);
    connect(BtnRen, &QPushButton::clicked, this, &RenameDialog::BtnRen_Click);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(TxtFName);
    layout->addWidget(ButtonRow(this, {BtnRen, BtnCancel}));
    TxtFName->selectAll();
    TxtFName->setFocus();
}

std::string RenameDialog::NewName() const { return TxtFName->text().toStdString(); }

void RenameDialog::BtnRen_Click()
{
    if (const Status name = modes::CheckNewName(side_, NewName()); !name) {
        ShowOkBox(this, name.Reason());
        return; // the dialog stays open for another name
    }
    accept();
}

VersionDialog::VersionDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("F_Ver"));
    setWindowTitle(Q(texts::kCaptionVersion));
    Image1 = new QLabel(this);
    Name(Image1, "Image1", Q(texts::kA11yIcon));
    const int side = fontMetrics().height() * 3;
    QPixmap picture = ProgramPicture(int(side * devicePixelRatioF())); // sharp at high DPI
    picture.setDevicePixelRatio(devicePixelRatioF());
    Image1->setPixmap(picture);
    const QString line = Q(texts::kProductTitle) + QLatin1Char(' ') + Q(texts::kVersion);
    Label1 = new QLabel(line, this);
    Name(Label1, "Label1", line);
    BtnOK = Button(this, texts::kButtonOk, "BtnOK");
    BtnOK->setDefault(true);
    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QHBoxLayout;
    text->addWidget(Image1);
    text->addSpacing(fontMetrics().averageCharWidth() * 2);
    text->addWidget(Label1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(text);
    layout->addWidget(ButtonRow(this, {BtnOK}));
}

modes::DelAnswer QtManualDialogs::AskDelete(std::string_view name)
{
    DeleteDialog dialog(name, parent_);
    return dialog.exec() == QDialog::Accepted ? dialog.Answer() : modes::DelAnswer::Cancel;
}

std::optional<std::string> QtManualDialogs::AskNewName(modes::RenameSide side, std::string_view name)
{
    RenameDialog dialog(side, name, parent_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.NewName();
}

// Details are the system's words (the port that failed and why): standard
// error keeps them for whoever looks into it later.
void QtManualDialogs::ShowMessage(std::string_view text, std::string_view details)
{
    if (!details.empty()) {
        settings::PrintText(stderr, "tavelin: %.*s\n", int(details.size()), details.data());
        std::fflush(stderr);
    }
    ShowOkBox(parent_, text, details);
}

void QtManualDialogs::RunTransfer(const modes::TransferJob& job)
{
    TransferDialog dialog(link_, job, parent_);
    dialog.exec();
}

void QtManualDialogs::RunAutoCycle(std::int16_t runMode, const modes::ManualSelection& selection)
{
    AutoWindow window(link_, Q(modes::AutoRunCaption(runMode)), selection);
    window.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    bool closed = false;
    QObject::connect(&window, &AutoWindow::Closed, &loop, [&] {
        closed = true;
        loop.quit();
    });
    window.show();
    if (!closed)
        loop.exec(QEventLoop::DialogExec);
}

} // namespace tavelin::ui
