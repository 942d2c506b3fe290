// SPDX-License-Identifier: MIT
// Frm_Line, the line monitor (ライン表示): the frames on the line as they
// happen, one row each in Lst_Frames, newest at the bottom; the view follows
// the newest row unless the operator scrolled up. Cmd_Pause holds new rows
// aside, Cmd_Clear forgets the rows, Cmd_Save writes them in the frame
// trace's format and Cmd_Open shows a trace file (pausing the live rows).
// Lbl_State says how many rows there are and what a save or open did.
//
// The rows live in modes::LineMonitor, attached to the link as its watcher
// only while the window is shown: a closed monitor costs the link nothing.
// The table follows the rows in batches, at most four times a second, so a
// fast line costs one row copy per frame and no painting per frame: each draw
// takes in whatever came since the last one as one insertion (and the oldest
// rows past the cap as one removal) and paints the rows in view alone, a few
// milliseconds however many rows are kept. While frames flow, a draw waits
// for the PC's next frame to go out: the line is then busy for that frame's
// time and no answer can arrive while the window paints. A quiet line is
// drawn by the timer.
#pragma once

#include "link/frame.h"
#include "modes/line_monitor.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <optional>
#include <string>

class QAction;
class QLabel;
class QPushButton;
class QTableView;

namespace tavelin::ui {

// Where to save or what to open: a file dialog, or a test's answer.
class MonitorFiles {
public:
    virtual ~MonitorFiles() = default;
    virtual std::optional<std::string> SavePath(QWidget* parent) = 0;
    virtual std::optional<std::string> OpenPath(QWidget* parent) = 0;
};

// The rows of a LineMonitor as a table, as far as Follow() has brought it.
class LineMonitorTable final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, Direction, Id, Command, Sequence, Length, Result, Retries, Data, ColumnCount };

    explicit LineMonitorTable(const modes::LineMonitor& monitor, QObject* parent = nullptr);
    // Takes in the rows that came and lets go of those that went. True
    // when rows came.
    bool Follow();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const modes::MonitorRow* RowAt(int row) const;

    const modes::LineMonitor& monitor_;
    std::uint64_t generation_ = 0;
    std::uint64_t first_ = 0, end_ = 0; // the monitor's serials the table shows
};

class LineMonitorWindow final : public QDialog {
    Q_OBJECT
public:
    // `files`: null for the system's file dialogs.
    LineMonitorWindow(link::Link& link, QWidget* parent, MonitorFiles* files = nullptr);
    ~LineMonitorWindow() override;

    const modes::LineMonitor& Monitor() const { return monitor_; }
    // Brings the table up to the rows now (the draws do so while shown).
    void Refresh();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Attach();
    void Detach();
    void SetPaused(bool paused);
    void Save();
    void Open();
    void ShowCount();
    void ShowState(const QString& text);
    void Sent();
    void Tick();
    void Draw();

    link::Link& link_;
    MonitorFiles* files_;
    std::unique_ptr<MonitorFiles> ownFiles_;
    modes::LineMonitor monitor_;
    LineMonitorTable* table_ = nullptr;
    QTableView* Lst_Frames = nullptr;
    QLabel* Lbl_State = nullptr;
    QPushButton* Cmd_Pause = nullptr;
    QPushButton* Cmd_Clear = nullptr;
    QPushButton* Cmd_Save = nullptr;
    QPushButton* Cmd_Open = nullptr;
    QPushButton* Cmd_Close = nullptr;
    QTimer refresh_;  // draws a quiet line, and a busy one that went too long without
    QTimer drawSoon_; // a draw due, as the PC's frame goes out
    QElapsedTimer sinceDraw_;
    bool sentSinceDraw_ = false;
    QString note_; // what the last save or open did, beside the count
};

// Mn_Line: ライン表示 on Ctrl+L for `window` (added to it, so the key works
// while it is active; a menu may show the action too), opening one monitor
// of `link` as a window of its own.
QAction* LineMonitorAction(QWidget* window, link::Link& link);

} // namespace tavelin::ui
