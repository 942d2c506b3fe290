// SPDX-License-Identifier: MIT
// F_Auto, the automatic-mode window: message line, history list, progress
// bar, End button and the transfer animation. It owns nothing of the cycle's
// logic: its timers drive modes::AutoCycle and its controls serve as the
// cycle's AutoView.
#pragma once

#include "modes/auto_cycle.h"
#include "qt_history_list.h"
#include "qt_progress.h"
#include "status_text.h"
#include "stop_then_close.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace tavelin::ui {

class AutoWindow final : public QWidget, public modes::AutoView {
    Q_OBJECT
public:
    AutoWindow(link::Link& link, const QString& caption, modes::ManualSelection selection = {},
               QWidget* parent = nullptr);

    // modes::AutoView
    void SetMessage(std::string_view text) override;
    void SetEndButtonCaption(std::string_view text) override;
    settings::HistoryList* History() override { return &history_; }
    transfer::ProgressIndicator& Progress() override { return progress_->Indicator(); }
    void ShowMessageBox(std::string_view text) override;
    void LogLine(std::string_view line) override;
    void RequestUnload() override;

    QListWidget* HistoryWidget() const { return LbHistory; }
    const modes::AutoCycle& Cycle() const { return cycle_; }

    // A quit from outside (a signal): as ENDPRM.DAT "2", the transfer under
    // way stops, the run's RESULT.DAT line is written and the window closes.
    void RequestQuit() { cycle_.RequestQuit(); }

signals:
    void Closed(); // the window has unloaded; the run is over

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Timer1_Timer();
    void Timer2_Timer();
    void TimerPic_Timer();
    void BtnEnd_Click();
    void BuildControls();
    void Centre();

    link::Link& link_;
    StatusText* TxtMsg = nullptr;
    QListWidget* LbHistory = nullptr;
    QProgressBar* PBar = nullptr;
    QPushButton* BtnEnd = nullptr;
    QStackedWidget* Pictures = nullptr;
    QLabel* ImageFirst = nullptr;  // ImageD1 or ImageU1, by run mode
    QLabel* ImageSecond = nullptr; // ImageD2 or ImageU2
    QTimer Timer1;
    QTimer Timer2;
    QTimer TimerPic;
    int AnimFrame = 1;

    QtHistoryList history_;
    std::unique_ptr<ProgressBarFeed> progress_; // on PBar
    modes::AutoCycle cycle_;
    StopThenClose closing_;
};

} // namespace tavelin::ui
