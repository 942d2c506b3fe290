// SPDX-License-Identifier: MIT
// Dlg_Scan, the 診断 dialog: runs the line scan (modes/line_scan.h) on the
// manual window's port while it is disconnected, with a progress bar, a stop
// button and the list of settings that answered. For the chosen row it
// offers to take the speed, framing and kind into 設定 (through the
// settings dialog, which `takeSettings` opens pre-filled, so its OK and
// Cancel decide) and the first ID into the ID box (IdTaken). The scan
// starts when the dialog is first shown; a close while it runs stops it
// first.
#pragma once

#include "stop_then_close.h"

#include "link/frame.h"
#include "modes/line_scan.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace tavelin::ui {

class ScanDialog final : public QDialog, private modes::ScanProgress {
    Q_OBJECT
public:
    using TakeSettings = std::function<void(const modes::ScanSetting&)>;
    ScanDialog(link::Link& link, TakeSettings takeSettings, QWidget* parent = nullptr);

    void Start();                 // Cmd_Start: runs the scan, returns when it ended
    bool Running() const { return running_; }
    const modes::ScanOutcome& Outcome() const { return outcome_; }

signals:
    void IdTaken(int id);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // modes::ScanProgress
    void SettingBegins(const modes::ScanSetting& setting, int index, int count) override;
    void SettingFailed(const modes::ScanSetting&, link::PortSetupResult, const std::string&) override {}
    void Polled(int id, int result) override;
    void SettingEnds(const modes::ScanFind& find) override;

    void ShowEnd();
    void UpdateButtons();
    const modes::ScanFind* ChosenFind() const;

    link::Link& link_;
    TakeSettings takeSettings_;
    modes::ScanOutcome outcome_;
    bool running_ = false;
    bool started_ = false;
    StopThenClose closing_;
    int settingIndex_ = 0;

    QLabel* Lbl_Status = nullptr;
    QProgressBar* Pb_Scan = nullptr;
    QListWidget* Lst_Found = nullptr;
    QCheckBox* Chk_All = nullptr;
    QPushButton* Cmd_Start = nullptr;
    QPushButton* Cmd_Stop = nullptr;
    QPushButton* Cmd_TakeSettings = nullptr;
    QPushButton* Cmd_TakeId = nullptr;
    QPushButton* Cmd_Close = nullptr;
};

} // namespace tavelin::ui
