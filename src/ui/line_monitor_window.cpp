// SPDX-License-Identifier: MIT
#include "line_monitor_window.h"

#include "button_row.h"
#include "controls.h"
#include "settings/texts.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace tavelin::ui {

namespace {

using link::TraceEvent;
using link::TraceResult;

// At most four draws a second; while frames flow, each as the PC's next frame
// goes out, and never more than a second apart.
constexpr int kDrawMs = 250;
constexpr int kLongestWithoutDrawMs = 1000;
const QKeySequence kMonitorKeys(Qt::CTRL | Qt::Key_L);

class QtMonitorFiles final : public MonitorFiles {
public:
    std::optional<std::string> SavePath(QWidget* parent) override
    {
        return Chosen(QFileDialog::getSaveFileName(parent, Q(texts::kCaptionLineMonitor), {},
                                                   Q(texts::kLineFileFilter)));
    }
    std::optional<std::string> OpenPath(QWidget* parent) override
    {
        return Chosen(QFileDialog::getOpenFileName(parent, Q(texts::kCaptionLineMonitor), {},
                                                   Q(texts::kLineFileFilter)));
    }

private:
    static std::optional<std::string> Chosen(const QString& path)
    {
        if (path.isEmpty())
            return std::nullopt;
        return QDir::toNativeSeparators(path).toStdString();
    }
};

QString Latin1(const char* text, qsizetype size) { return QString::fromLatin1(text, size); }

QString ResultText(const link::TraceRecord& record)
{
    switch (record.event) {
    case TraceEvent::TimedOut: return Q(texts::kLineTimedOut).arg(record.waitedMs);
    case TraceEvent::PortOpen: return Q(texts::kLinePortOpen);
    case TraceEvent::PortClosed: return Q(texts::kLinePortClosed);
    case TraceEvent::PortLost: return Q(texts::kLinePortLost);
    case TraceEvent::Sent:
    case TraceEvent::Received: break;
    }
    if (record.shortFrame)
        return Q(texts::kLineShortFrame);
    switch (record.result) {
    case TraceResult::Ok: return Q(texts::kLineOk);
    case TraceResult::BadCheck: return Q(texts::kLineBadCheck);
    case TraceResult::WrongId: return Q(texts::kLineWrongId);
    case TraceResult::Resynchronised: return Q(texts::kLineResynchronised);
    }
    return {};
}

// What went wrong stands out: a damaged or foreign frame, a silence, a lost port.
bool IsTrouble(const link::TraceRecord& record)
{
    if (record.IsFrame())
        return record.shortFrame || record.result == TraceResult::BadCheck || record.result == TraceResult::WrongId;
    return record.event == TraceEvent::TimedOut || record.event == TraceEvent::PortLost;
}

QString DataText(const link::TraceRecord& record)
{
    QString text;
    for (std::size_t i = 0; i < record.shown; ++i) {
        const auto byte = record.data[i];
        text += byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar('.');
    }
    return record.more ? text + QStringLiteral("...") : text;
}

QString DataHex(const link::TraceRecord& record)
{
    QString text;
    for (std::size_t i = 0; i < record.shown; ++i)
        text += QStringLiteral("%1 ").arg(record.data[i], 2, 16, QChar('0')).toUpper();
    return text.trimmed();
}

QString CellText(const modes::MonitorRow& row, int column)
{
    const link::TraceRecord& r = row.record;
    const bool fields = r.IsFrame() && !r.shortFrame;
    switch (column) {
    case LineMonitorTable::Time: return QLocale().toString(r.ms);
    case LineMonitorTable::Direction:
        return Q(r.event == TraceEvent::Sent                                    ? texts::kLineSent
                 : r.event == TraceEvent::Received || r.event == TraceEvent::TimedOut ? texts::kLineReceived
                                                                                : texts::kLinePort);
    case LineMonitorTable::Id: return fields ? Latin1(r.id.data(), 3) : QString();
    case LineMonitorTable::Command: return fields ? Latin1(&r.kind, 1) : QString();
    case LineMonitorTable::Sequence: return fields ? Latin1(&r.sequence, 1) : QString();
    case LineMonitorTable::Length:
        if (!fields)
            return {};
        return r.DataLength() >= 0 ? QString::number(r.DataLength()) : Latin1(r.length.data(), 4);
    case LineMonitorTable::Result: return ResultText(r);
    case LineMonitorTable::Retries: return r.IsFrame() ? QString::number(row.retries) : QString();
    case LineMonitorTable::Data: return DataText(r);
    }
    return {};
}

std::string_view ColumnTitle(int column)
{
    static constexpr std::string_view kTitles[] = {texts::kColumnTime,    texts::kColumnDirection,
                                                   texts::kColumnId,      texts::kColumnCommand,
                                                   texts::kColumnSequence, texts::kColumnLength,
                                                   texts::kColumnResult,  texts::kColumnRetries,
                                                   texts::kColumnData};
    return kTitles[column];
}

} // namespace

// --- LineMonitorTable

LineMonitorTable::LineMonitorTable(const modes::LineMonitor& monitor, QObject* parent)
    : QAbstractTableModel(parent), monitor_(monitor), generation_(monitor.Generation()),
      first_(monitor.FirstSerial()), end_(monitor.FirstSerial())
{
}

bool LineMonitorTable::Follow()
{
    const std::uint64_t first = monitor_.FirstSerial(), end = monitor_.EndSerial();
    const bool same = monitor_.Generation() == generation_;
    if (same && first_ == end_) // none shown: the rows come as an insertion, from the oldest kept
        first_ = end_ = std::max(first, end_);
    if (!same || (first >= end_ && first_ != end_)) { // replaced, or every row shown has gone
        beginResetModel();
        generation_ = monitor_.Generation();
        first_ = first;
        end_ = end;
        endResetModel();
        return end > first;
    }
    if (first > first_) {
        beginRemoveRows({}, 0, int(first - first_ - 1));
        first_ = first;
        endRemoveRows();
    }
    if (end == end_)
        return false;
    beginInsertRows({}, int(end_ - first_), int(end - first_ - 1));
    end_ = end;
    endInsertRows();
    return true;
}

const modes::MonitorRow* LineMonitorTable::RowAt(int row) const
{
    const std::uint64_t serial = first_ + std::uint64_t(row);
    if (row < 0 || monitor_.Generation() != generation_ || serial < monitor_.FirstSerial()
        || serial >= monitor_.EndSerial())
        return nullptr; // gone since the table last followed
    return &monitor_.Row(std::size_t(serial - monitor_.FirstSerial()));
}

int LineMonitorTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(end_ - first_);
}

int LineMonitorTable::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant LineMonitorTable::data(const QModelIndex& index, int role) const
{
    const modes::MonitorRow* row = RowAt(index.row());
    if (!row)
        return {};
    switch (role) {
    case Qt::DisplayRole: return CellText(*row, index.column());
    // A screen reader reads each cell with its column's name.
    case Qt::AccessibleTextRole:
        return Q(ColumnTitle(index.column())) + QStringLiteral(" ") + CellText(*row, index.column());
    case Qt::ToolTipRole: return index.column() == Data ? DataHex(row->record) : QVariant();
    case Qt::ForegroundRole: return IsTrouble(row->record) ? QVariant(QColor(200, 0, 0)) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == Time || index.column() == Length || index.column() == Retries
            ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
            : QVariant();
    default: return {};
    }
}

QVariant LineMonitorTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount
        || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    return Q(ColumnTitle(section));
}

// --- LineMonitorWindow

LineMonitorWindow::LineMonitorWindow(link::Link& link, QWidget* parent, MonitorFiles* files)
    : QDialog(parent), link_(link), files_(files)
{
    if (!files_) {
        ownFiles_ = std::make_unique<QtMonitorFiles>();
        files_ = ownFiles_.get();
    }
    setObjectName(QStringLiteral("Frm_Line"));
    setAccessibleName(Q(texts::kCaptionLineMonitor));
    setAccessibleDescription(QStringLiteral("Frm_Line"));
    setWindowTitle(Q(texts::kCaptionLineMonitor));
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    table_ = new LineMonitorTable(monitor_, this);
    Lst_Frames = new QTableView(this);
    Name(Lst_Frames, "Lst_Frames", Q(texts::kA11yLineFrames));
    Lst_Frames->setModel(table_);
    Lst_Frames->setSelectionBehavior(QAbstractItemView::SelectRows);
    Lst_Frames->setWordWrap(false);
    Lst_Frames->verticalHeader()->hide();
    // Fixed heights and widths: thousands of rows are never measured.
    const int line = fontMetrics().height();
    Lst_Frames->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Lst_Frames->verticalHeader()->setDefaultSectionSize(line + 4);
    Lst_Frames->horizontalHeader()->setStretchLastSection(true);
    for (int column = 0; column < LineMonitorTable::Data; ++column) {
        const int title = fontMetrics().horizontalAdvance(Q(ColumnTitle(column)));
        const int sample = fontMetrics().horizontalAdvance(column == LineMonitorTable::Result
                                                               ? Q(texts::kLineBadCheck)
                                                               : QStringLiteral("0,000,000"));
        Lst_Frames->setColumnWidth(column, std::max(title, column == LineMonitorTable::Time
                                                              || column == LineMonitorTable::Result
                                                          ? sample
                                                          : 0) + line);
    }

    Lbl_State = new QLabel(this);
    Lbl_State->setTextFormat(Qt::PlainText); // it names files, whose names may look like markup
    NameByText(Lbl_State, "Lbl_State", Q(texts::kA11yLineState));
    Cmd_Pause = Button(this, texts::kButtonLinePause, "Cmd_Pause");
    Cmd_Clear = Button(this, texts::kButtonLineClear, "Cmd_Clear");
    Cmd_Save = Button(this, texts::kButtonLineSave, "Cmd_Save");
    Cmd_Open = Button(this, texts::kButtonLineOpen, "Cmd_Open");
    Cmd_Close = Button(this, texts::kButtonLineClose, "Cmd_Close");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Lst_Frames, 1);
    layout->addWidget(Lbl_State);
    layout->addWidget(ButtonRow(this, {Cmd_Pause, Cmd_Clear, Cmd_Save, Cmd_Open, Cmd_Close}));
    resize(line * 50, line * 30);

    connect(Cmd_Pause, &QPushButton::clicked, this, [this] { SetPaused(!monitor_.Paused()); });
    connect(Cmd_Clear, &QPushButton::clicked, this, [this] {
        monitor_.Clear();
        note_.clear();
        Refresh();
    });
    connect(Cmd_Save, &QPushButton::clicked, this, &LineMonitorWindow::Save);
    connect(Cmd_Open, &QPushButton::clicked, this, &LineMonitorWindow::Open);
    connect(Cmd_Close, &QPushButton::clicked, this, &QDialog::reject);
    refresh_.setInterval(kDrawMs / 2);
    connect(&refresh_, &QTimer::timeout, this, &LineMonitorWindow::Tick);
    drawSoon_.setSingleShot(true);
    drawSoon_.setInterval(0);
    connect(&drawSoon_, &QTimer::timeout, this, &LineMonitorWindow::Draw);
    monitor_.OnSent([this] { Sent(); });
    sinceDraw_.start();
    ShowCount();
}

LineMonitorWindow::~LineMonitorWindow() { Detach(); }

void LineMonitorWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Attach();
    refresh_.start();
    Draw();
}

// Minimised, the window still watches; closed, it lets go of the line.
void LineMonitorWindow::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    refresh_.stop();
    drawSoon_.stop();
    Detach();
}

// One line monitor watches a link at a time; a second window says so.
void LineMonitorWindow::Attach()
{
    if (link_.watchers.Find<modes::LineMonitor>() == nullptr)
        link_.watchers.Attach(monitor_);
    if (!link_.watchers.Attached(monitor_))
        note_ = Q(texts::kLineOtherMonitor);
}

void LineMonitorWindow::Detach() { link_.watchers.Detach(monitor_); }

// A frame of the PC's is going out: the moment to draw, if a draw is due.
// Only a timer is started here: the link is in the middle of an exchange.
void LineMonitorWindow::Sent()
{
    sentSinceDraw_ = true;
    if (sinceDraw_.elapsed() >= kDrawMs && !drawSoon_.isActive() && refresh_.isActive())
        drawSoon_.start();
}

// The timer draws what no frame of the PC's brought to a draw: a quiet line
// (a time-out, the hand-held's silence, a pause) or a draw overdue.
void LineMonitorWindow::Tick()
{
    const qint64 since = sinceDraw_.elapsed();
    if (since >= kDrawMs && (!sentSinceDraw_ || since >= kLongestWithoutDrawMs))
        Draw();
}

void LineMonitorWindow::Draw()
{
    drawSoon_.stop();
    sentSinceDraw_ = false;
    sinceDraw_.restart();
    Refresh();
}

void LineMonitorWindow::Refresh()
{
    const QScrollBar* bar = Lst_Frames->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    if (table_->Follow() && atEnd)
        Lst_Frames->scrollToBottom();
    ShowCount();
}

void LineMonitorWindow::SetPaused(bool paused)
{
    monitor_.SetPaused(paused);
    Cmd_Pause->setText(Q(paused ? texts::kButtonLineResume : texts::kButtonLinePause));
    Cmd_Pause->setAccessibleName(Cmd_Pause->text());
    Refresh();
}

void LineMonitorWindow::Save()
{
    const auto path = files_->SavePath(this);
    if (!path)
        return;
    const bool saved = monitor_.Save(*path);
    note_ = Q(saved ? texts::kLineSaved : texts::kLineNotSaved).arg(QString::fromStdString(*path));
    ShowCount();
}

// The file's rows take the place of the live ones, which wait aside until
// the operator runs the monitor again.
void LineMonitorWindow::Open()
{
    const auto path = files_->OpenPath(this);
    if (!path)
        return;
    const QString name = QString::fromStdString(*path);
    const modes::MonitorLoad load = monitor_.Load(*path);
    if (!load.opened) {
        note_ = Q(texts::kLineNotLoaded).arg(name);
        ShowCount();
        return;
    }
    note_ = load.skipped ? Q(texts::kLineLoadedSkipped).arg(name).arg(load.rows).arg(load.skipped)
                         : Q(texts::kLineLoaded).arg(name).arg(load.rows);
    if (load.cut)
        note_ += Q(texts::kLineLoadCut);
    if (load.dropped)
        note_ += Q(texts::kLineLoadDroppedHeld).arg(load.dropped);
    SetPaused(link_.watchers.Attached(monitor_));
    Lst_Frames->scrollToTop();
}

void LineMonitorWindow::ShowCount()
{
    QString text = monitor_.Paused() ? Q(texts::kLinePausedRows).arg(monitor_.Count()).arg(monitor_.Held())
                                     : Q(texts::kLineRows).arg(monitor_.Count());
    if (!note_.isEmpty())
        text += QStringLiteral("　") + note_;
    if (text != Lbl_State->text())
        ShowText(Lbl_State, text);
}

QAction* LineMonitorAction(QWidget* window, link::Link& link)
{
    auto* action = new QAction(Q(texts::kMenuLineMonitor), window);
    action->setObjectName(QStringLiteral("Mn_Line"));
    action->setStatusTip(QStringLiteral("Mn_Line"));
    action->setShortcut(kMonitorKeys);
    window->addAction(action);
    QPointer<LineMonitorWindow> monitor; // made on first use, a child of the window
    QObject::connect(action, &QAction::triggered, window, [window, &link, monitor]() mutable {
        if (!monitor)
            monitor = new LineMonitorWindow(link, window);
        monitor->show();
        monitor->raise();
        monitor->activateWindow();
    });
    return action;
}

} // namespace tavelin::ui
