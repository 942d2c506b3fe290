// SPDX-License-Identifier: MIT
// F_Dir, the directory chooser of the settings dialog: the prompt for its
// target box, the drive list and the directory tree. It opens at the box's
// directory (the current directory when that is gone) and answers the chosen
// directory ending in the separator; closing it by its window frame or
// Escape is Cancel. On Linux the drive list holds the mounted file systems
// and follows the mount point of the directory shown.
#pragma once

#include "settings/settings_form.h"

#include <QDialog>
#include <QString>

#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace tavelin::ui {

class DirBrowser;

class DirDialog final : public QDialog {
    Q_OBJECT
public:
    DirDialog(settings::DirTarget target, const QString& boxText, QWidget* parent);

    // The text for the target box once OK was pressed.
    std::optional<QString> Chosen() const { return chosen_; }
    QString Directory() const; // the directory now highlighted

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load(settings::DirTarget target, const QString& boxText);
    void BtnOk_Click();

    QLineEdit* TxtMsg = nullptr;
    QComboBox* FcDrive = nullptr;
    QTreeView* FcDir = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCancel = nullptr;
    DirBrowser* browser_ = nullptr;
    bool centred_ = false;
    std::optional<QString> chosen_;
};

// Opens F_Dir modally for the target box holding `boxText`; the new text
// for the box, or nothing when cancelled.
std::optional<QString> ChooseDirectory(QWidget* parent, settings::DirTarget target, const QString& boxText);

} // namespace tavelin::ui
