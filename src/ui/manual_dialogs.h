// SPDX-License-Identifier: MIT
// The small modal dialogs of the manual window: F_Del (confirm a deletion),
// F_Ren (a new file name), F_Ver (the version), and the adapter through
// which the manual session asks the operator and opens its transfer windows
// (the progress dialogs of transfer_dialog.h, and the automatic window for
// copy and install to all). A dialog closed by its window frame or Escape
// answers Cancel.
#pragma once

#include "modes/manual_session.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tavelin::ui {

class DeleteDialog final : public QDialog {
    Q_OBJECT
public:
    DeleteDialog(std::string_view name, QWidget* parent);
    modes::DelAnswer Answer() const { return answer_; }

private:
    void Choose(modes::DelAnswer answer);

    QPlainTextEdit* TxtMsg = nullptr;
    QPushButton* BtnAllDel = nullptr;
    QPushButton* BtnDel = nullptr;
    QPushButton* BtnCancel = nullptr;
    modes::DelAnswer answer_ = modes::DelAnswer::Cancel;
};

class RenameDialog final : public QDialog {
    Q_OBJECT
public:
    RenameDialog(modes::RenameSide side, std::string_view name, QWidget* parent);
    std::string NewName() const;

private:
    void BtnRen_Click();

    modes::RenameSide side_;
    QLabel* Label1 = nullptr;
    QLineEdit* TxtFName = nullptr;
    QPushButton* BtnRen = nullptr;
    QPushButton* BtnCancel = nullptr;
};

class VersionDialog final : public QDialog {
    Q_OBJECT
public:
    explicit VersionDialog(QWidget* parent);

private:
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* BtnOK = nullptr;
};

class QtManualDialogs final : public modes::ManualDialogs {
public:
    QtManualDialogs(link::Link& link, QWidget* parent) : link_(link), parent_(parent) {}
    modes::DelAnswer AskDelete(std::string_view name) override;
    std::optional<std::string> AskNewName(modes::RenameSide side, std::string_view name) override;
    void ShowMessage(std::string_view text, std::string_view details) override;
    void RunTransfer(const modes::TransferJob& job) override;
    // The automatic window is a top-level window of its own, modal to the
    // whole program; the run uses the port the manual window holds open.
    void RunAutoCycle(std::int16_t runMode, const modes::ManualSelection& selection) override;

private:
    link::Link& link_;
    QWidget* parent_;
};

} // namespace tavelin::ui
