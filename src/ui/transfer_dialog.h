// SPDX-License-Identifier: MIT
// The manual window's progress dialogs, one per kind of job: F_DownDlg
// (download), F_UpDlg (upload), F_APInst (install). Once shown, a dialog runs
// its job's loop on the open port and closes itself when the loop returns;
// 中断, Escape and the window frame ask the loop to stop, and never close
// the dialog while it runs. Below the bar it shows the bytes done of the
// file's size, the rate and the time left. Bar and figures are refreshed
// from a timer, never by the engine's calls, so a fast line never waits for
// painting. Also F_UploadFile, the question an upload asks when the PC
// already has a file of that name.
#pragma once

#include "modes/manual_transfers.h"
#include "qt_progress.h"

#include <QDialog>
#include <QTimer>

#include <memory>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace tavelin::ui {

// F_UploadFile: overwrite, append or leave the PC's file (leave also when
// closed by the window frame or Escape).
class UploadFileDialog final : public QDialog {
    Q_OBJECT
public:
    UploadFileDialog(std::string_view name, QWidget* parent);
    settings::UploadMode Answer() const { return answer_; }

private:
    void Choose(settings::UploadMode answer);

    QPlainTextEdit* TxtMsg = nullptr;
    QPushButton* BtnOver = nullptr;
    QPushButton* BtnAppend = nullptr;
    QPushButton* BtnCancel = nullptr;
    settings::UploadMode answer_ = settings::UploadMode::Leave;
};

// The line under the bar: bytes done of the file's size, and once there is a
// rate (bytes a second, > 0), the rate and the time left. All in Japanese
// units: バイト, and バイト/秒 below 1,024 bytes a second, Kバイト/秒 above.
QString TransferFigures(std::int64_t done, std::int64_t total, double bytesPerSecond, double secondsLeft);
QString RateFigure(double bytesPerSecond);

class TransferDialog final : public QDialog, public modes::TransferView {
    Q_OBJECT
public:
    TransferDialog(link::Link& link, modes::TransferJob job, QWidget* parent);

    // modes::TransferView
    void SetMessage(std::string_view text) override;
    transfer::ProgressIndicator& Progress() override { return progress_->Indicator(); }
    void ShowMessage(std::string_view text) override;
    settings::UploadMode AskExistingFile(std::string_view name) override;

    bool Running() const { return running_; }

public slots:
    void reject() override; // Escape and the window frame

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls(modes::TransferKind kind);
    void Timer1_Timer();
    void TimerPic_Timer();
    void ShowFigures(bool visible);
    void BtnStop_Click();
    QString Figures() const;

    link::Link& link_;
    modes::TransferJob job_;
    QStackedWidget* Pictures = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QPlainTextEdit* TxtMsg = nullptr;
    QProgressBar* PBar = nullptr;
    QLabel* LblFigures = nullptr;
    QPushButton* BtnStop = nullptr;
    QTimer Timer1;
    QTimer TimerPic;

    std::unique_ptr<ProgressBarFeed> progress_; // on PBar, with LblFigures
    bool started_ = false;
    bool running_ = false;
    bool stopAsked_ = false;
};

} // namespace tavelin::ui
