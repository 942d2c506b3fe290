// SPDX-License-Identifier: MIT
// F_Manual, the manual-mode window: the PC pane on the left ("HOST PC"), the
// connected hand-held on the right ("HANDY TERMINAL"), the operation buttons
// and the menus. It owns nothing of the logic: its timers, buttons and ID box
// drive modes::ManualSession, and its controls serve as the session's
// ManualView. Files dragged from one list to the other are copied that way
// (file_drag.h). Every control carries its table name as object name and
// accessible description.
#pragma once

#include "manual_dialogs.h"
#include "modes/manual_session.h"
#include "stop_then_close.h"

#include <QMainWindow>
#include <QTimer>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTreeWidget;

namespace tavelin::ui {

class PcPane;
class ScanDialog;

// LbHHTFile as the hand-held list procedure sees it: item text the name,
// item data (Qt::UserRole) the size, the size also shown beside the name.
class QtHhtFileList final : public modes::FileListView {
public:
    explicit QtHhtFileList(QTreeWidget* list) : list_(list) {}
    void Clear() override;
    void AddItem(const std::string& text, std::int64_t itemData) override;

private:
    QTreeWidget* list_;
};

// TxtHHTFree: the free bytes, digits grouped as the file sizes are.
class QtBytesText final : public modes::TextView {
public:
    explicit QtBytesText(QLineEdit* line) : line_(line) {}
    void SetText(std::string_view text) override;

private:
    QLineEdit* line_;
};

class ManualWindow final : public QMainWindow, public modes::ManualView {
    Q_OBJECT
public:
    ManualWindow(link::Link& link, const QString& caption, QWidget* parent = nullptr);
    ~ManualWindow() override;

    // modes::ManualView
    void SetStartCaption(std::string_view text) override;
    void SetStartEnabled(bool enabled) override;
    void SetOperationsEnabled(bool enabled) override;
    void SetOperationEnabled(modes::OpButton button, bool enabled) override;
    void SetSettingsMenuEnabled(bool enabled) override;
    void SetPolling(bool on) override;
    void SetConnectionMessage(std::string_view text, modes::MessageColour colour) override;
    void LogLine(std::string_view line) override;
    modes::FileListView& HhtList() override { return hhtList_; }
    modes::TextView& FreeSpace() override { return freeSpace_; }
    std::string IdText() override;
    void SetIdText(std::string_view text) override;
    std::vector<modes::HhtFileEntry> SelectedHhtFiles() override;
    std::vector<std::string> SelectedPcFiles() override;
    std::string PcDirectory() override;
    void RefreshPcFiles() override;
    bool PcDirectoryThere() override;

    const modes::ManualSession& Session() const { return session_; }

    // The work folder menu: the program hands in the folders it knows and
    // the switch itself; without them the menu offers nothing.
    void SetWorkFolders(modes::WorkFolders* folders) { folders_ = folders; }
    // Switches to `dir` while disconnected: the title, the ID box and the PC
    // pane follow the new folder.
    void SwitchWorkFolder(const std::string& dir);

signals:
    void Closed(); // the window has unloaded: port closed, TAV0001.INF written

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    QWidget* BuildHhtPane();
    QWidget* BuildButtons();
    void BuildMenus();
    void FillWorkFolderMenu();
    void ShowScanDialog();
    void ShowWorkFolderInTitle();
    void GiveShortcuts();
    void SetTabOrder();
    void Centre();
    // Runs a session step, then closes if a close waited for it.
    template <typename Step> void Run(Step step);

    link::Link& link_;
    PcPane* pcPane_ = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* CbHHTID = nullptr;
    QPushButton* BtnStart = nullptr;
    QLineEdit* TxtHHTMsg = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* TxtHHTFree = nullptr;
    QTreeWidget* LbHHTFile = nullptr;
    QPushButton* BtnCopy = nullptr;
    QPushButton* BtnDel = nullptr;
    QPushButton* BtnRen = nullptr;
    QPushButton* BtnDir = nullptr;
    QPushButton* BtnInst = nullptr;
    QPushButton* BtnADown = nullptr;
    QPushButton* BtnAInst = nullptr;
    QPushButton* BtnEnd = nullptr;
    QAction* Mn_Set = nullptr;
    QAction* Mn_Ver = nullptr;
    QAction* Mn_Scan = nullptr; // 診断: the line scan, while disconnected
    ScanDialog* scanDialog_ = nullptr; // while 診断 shows: a close waits for its scan
    QMenu* Mn_Work = nullptr;
    QTimer Timer1;
    QTimer Timer2;

    QtHhtFileList hhtList_;
    QtBytesText freeSpace_;
    QtManualDialogs dialogs_;
    modes::ManualSession session_;
    modes::WorkFolders* folders_ = nullptr;
    QString caption_;
    StopThenClose closing_;
};

} // namespace tavelin::ui
