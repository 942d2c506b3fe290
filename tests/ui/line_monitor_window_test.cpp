// SPDX-License-Identifier: MIT
// The line monitor window over the manual window, offscreen: opened by its
// key, it shows the frames of a connection and a copy to the simulated
// hand-held (in process, on virtual time), a damaged frame marked; pause
// holds rows aside, clear empties the table, save and open go through the
// trace format; closed, it lets go of the line. A burst of thousands of
// frames reaches the table one batch a draw.
#include "link/frame.h"
#include "link/trace.h"
#include "settings/text_file.h"
#include "settings/texts.h"
#include "support/link_rig.h"
#include "ui/line_monitor_window.h"
#include "ui/manual_window.h"

#include <QAccessible>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>

using namespace tavelin;
namespace fs = std::filesystem;

namespace {

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

class AnsweredFiles final : public ui::MonitorFiles {
public:
    std::optional<std::string> SavePath(QWidget*) override { return path; }
    std::optional<std::string> OpenPath(QWidget*) override { return path; }
    std::optional<std::string> path;
};

// The manual window connected to hand-held 001, whose second answer comes
// with a bad check character.
struct Rig : testing::LinkRig {
    fs::path pc = work.Path() / "pc";
    fs::path before = fs::current_path();
    std::unique_ptr<ui::ManualWindow> window;

    Rig()
    {
        state.settings.PollInterval = 10;
        fs::create_directories(pc);
        fs::create_directories(work.Path() / "hht" / "001");
        std::ofstream(pc / "DOWN.DAT", std::ios::binary) << std::string(1500, 'd');
        sim::SimConfig config;
        config.ids = {1};
        config.faults.corruptBccOfSent = {2};
        AttachHandHelds(std::move(config));
        fs::current_path(pc);
        window = std::make_unique<ui::ManualWindow>(link, QStringLiteral("caption"));
        window->show();
    }
    ~Rig()
    {
        window->close();
        window.reset();
        fs::current_path(before);
    }
    bool Connect()
    {
        auto* start = window->findChild<QPushButton*>(QStringLiteral("BtnStart"));
        auto* dir = window->findChild<QPushButton*>(QStringLiteral("BtnDir"));
        if (!QTest::qWaitFor([&] { return !dir->isEnabled(); }, 5000))
            return false;
        start->click();
        return QTest::qWaitFor(
            [&] { return window->Session().ManualLinkOn() && !window->Session().HhtListPending(); }, 5000);
    }
    ui::LineMonitorWindow* OpenMonitor()
    {
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            return nullptr;
        QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
        return window->findChild<ui::LineMonitorWindow*>(QStringLiteral("Frm_Line"));
    }
};

// The rows of the table whose column holds `text`.
int RowsWith(const QTableView* table, int column, const QString& text)
{
    int count = 0;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        count += table->model()->index(row, column).data().toString() == text;
    return count;
}

} // namespace

class LineMonitorWindowTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheFramesOfAConnectionAndACopy()
    {
        Rig rig;
        ui::LineMonitorWindow* monitor = rig.OpenMonitor();
        QVERIFY(monitor);
        QVERIFY(monitor->isVisible());
        QVERIFY(rig.link.watchers.Attached(monitor->Monitor()));
        auto* table = monitor->findChild<QTableView*>(QStringLiteral("Lst_Frames"));
        QVERIFY(rig.Connect());
        auto* pcList = rig.window->findChild<QListWidget*>(QStringLiteral("FcFile"));
        pcList->findItems(QStringLiteral("DOWN.DAT"), Qt::MatchExactly).front()->setSelected(true);
        rig.window->findChild<QPushButton*>(QStringLiteral("BtnCopy"))->click();
        QTRY_COMPARE(rig.simulator->GetStats().filesStored, 1);

        using Table = ui::LineMonitorTable;
        QTRY_VERIFY(RowsWith(table, Table::Length, QStringLiteral("512")) >= 2);
        QCOMPARE(RowsWith(table, Table::Result, Q(texts::kLineBadCheck)), 1);
        QVERIFY(RowsWith(table, Table::Direction, Q(texts::kLineSent)) > 0);
        QVERIFY(RowsWith(table, Table::Direction, Q(texts::kLineReceived)) > 0);
        for (int row = 0; row < table->model()->rowCount(); ++row) { // every frame's fields shown
            if (!table->model()->index(row, Table::Command).data().toString().isEmpty())
                QCOMPARE(table->model()->index(row, Table::Id).data().toString(), QStringLiteral("001"));
        }
        // Newest at the bottom, in view; a screen reader hears each cell with its column.
        monitor->Refresh(); // the hand-held is polled on: no rows come in between
        const int last = table->model()->rowCount() - 1;
        QCOMPARE(table->model()->index(last, Table::Time).data().toString(),
                 QLocale().toString(monitor->Monitor().Row(monitor->Monitor().Count() - 1).record.ms));
        QVERIFY(table->visualRect(table->model()->index(last, 0)).intersects(table->viewport()->rect()));
        const QString spoken = table->model()->index(last, Table::Direction).data(Qt::AccessibleTextRole).toString();
        QVERIFY(spoken.startsWith(Q(texts::kColumnDirection)));

        monitor->close();
        QVERIFY(!rig.link.watchers.Find<modes::LineMonitor>());
    }

    // Leaving the hand-held closes the port, and the rows say so where it
    // happened, as the trace file does: the monitor's rows are the trace's
    // lines, word for word.
    void theCloseOfThePortIsARowAsInTheTrace()
    {
        Rig rig;
        const fs::path tracePath = rig.work.Path() / "trace.txt";
        auto opened = link::Tracer::Open(tracePath.string());
        QVERIFY(opened);
        const auto tracer = std::move(*opened);
        rig.link.watchers.Attach(*tracer);
        ui::LineMonitorWindow* monitor = rig.OpenMonitor();
        QVERIFY(monitor);
        QVERIFY(rig.Connect());
        auto* start = rig.window->findChild<QPushButton*>(QStringLiteral("BtnStart"));
        start->click(); // disconnect
        QVERIFY(!rig.port.IsOpen());
        const modes::LineMonitor& rows = monitor->Monitor();
        QCOMPARE(rows.Row(rows.Count() - 1).record.event, link::TraceEvent::PortClosed);
        monitor->Refresh();
        auto* table = monitor->findChild<QTableView*>(QStringLiteral("Lst_Frames"));
        QCOMPARE(RowsWith(table, ui::LineMonitorTable::Result, Q(texts::kLinePortClosed)), 1);

        QVERIFY(rig.Connect()); // opened again, and closed with the window
        rig.window->close();
        rig.link.watchers.Detach(*tracer);
        tracer->Flush();
        std::string lines;
        for (std::size_t i = 0; i < rows.Count(); ++i) {
            link::AppendTraceLine(rows.Row(i).record, lines);
            lines += '\n';
        }
        QCOMPARE(rows.Row(rows.Count() - 1).record.event, link::TraceEvent::PortClosed);
        // The file has the platform's line ends; the rows are compared.
        QCOMPARE(QString::fromStdString(settings::ReadFileBytes(tracePath.string(), 1 << 20).value_or(""))
                     .remove(QLatin1Char('\r')),
                 QString::fromStdString(lines));
    }

    void pauseClearSaveAndOpen()
    {
        Rig rig;
        AnsweredFiles files; // the file dialogs, answered
        ui::LineMonitorWindow own(rig.link, rig.window.get(), &files);
        own.show();
        QVERIFY(rig.link.watchers.Attached(own.Monitor()));
        QVERIFY(rig.Connect());
        auto* table = own.findChild<QTableView*>(QStringLiteral("Lst_Frames"));
        auto* pause = own.findChild<QPushButton*>(QStringLiteral("Cmd_Pause"));
        auto* state = own.findChild<QLabel*>(QStringLiteral("Lbl_State"));
        own.Refresh();
        QVERIFY(table->model()->rowCount() > 0);

        pause->click();
        QCOMPARE(pause->text(), Q(texts::kButtonLineResume));
        const int paused = table->model()->rowCount();
        QTest::keyClick(rig.window.get(), Qt::Key_F5); // both lists read again: frames on the line
        QTRY_VERIFY(own.Monitor().Held() > 0);
        own.Refresh();
        QCOMPARE(table->model()->rowCount(), paused);
        QVERIFY(state->text().contains(QString::number(own.Monitor().Held())));
        const int held = int(own.Monitor().Held());
        pause->click();
        QCOMPARE(table->model()->rowCount(), paused + held);

        // Saved in the trace's format, cleared, opened again.
        const int rows = table->model()->rowCount();
        files.path = (rig.work.Path() / "line.txt").string();
        own.findChild<QPushButton*>(QStringLiteral("Cmd_Save"))->click();
        QVERIFY(state->text().contains(QString::fromStdString(*files.path)));
        own.findChild<QPushButton*>(QStringLiteral("Cmd_Clear"))->click();
        QCOMPARE(table->model()->rowCount(), 0);
        std::ofstream(*files.path, std::ios::app) << "not a trace line\n";
        // Opened while paused: the rows held aside give way to the file's, and it says so.
        pause->click();
        QTest::keyClick(rig.window.get(), Qt::Key_F5);
        QTRY_VERIFY(own.Monitor().Held() > 0);
        const auto dropped = own.Monitor().Held();
        own.findChild<QPushButton*>(QStringLiteral("Cmd_Open"))->click();
        QCOMPARE(table->model()->rowCount(), rows);
        QCOMPARE(pause->text(), Q(texts::kButtonLineResume)); // live rows wait aside
        QVERIFY(state->text().contains(QStringLiteral(" 1 ")));
        QVERIFY2(state->text().endsWith(Q(texts::kLineLoadDroppedHeld).arg(dropped)), qPrintable(state->text()));
        QCOMPARE(own.Monitor().Held(), 0u);

        files.path.reset(); // the dialog cancelled: nothing happens
        own.findChild<QPushButton*>(QStringLiteral("Cmd_Open"))->click();
        QCOMPARE(table->model()->rowCount(), rows);
        own.close();
        QVERIFY(!rig.link.watchers.Find<modes::LineMonitor>());
    }

    // One monitor watches a link at a time: a second window says so and is
    // told of nothing, beside the frame trace, which the first shares the
    // line with.
    void aSecondMonitorLeavesTheLineToTheFirst()
    {
        Rig rig;
        auto opened = link::Tracer::Open((rig.work.Path() / "trace.txt").string());
        QVERIFY(opened);
        const auto tracer = std::move(*opened);
        rig.link.watchers.Attach(*tracer);
        AnsweredFiles files;
        ui::LineMonitorWindow first(rig.link, rig.window.get(), &files);
        ui::LineMonitorWindow second(rig.link, rig.window.get(), &files);
        first.show();
        second.show();
        QVERIFY(rig.link.watchers.Attached(first.Monitor()));
        QVERIFY(!rig.link.watchers.Attached(second.Monitor()));
        QVERIFY(second.findChild<QLabel*>(QStringLiteral("Lbl_State"))->text().contains(Q(texts::kLineOtherMonitor)));
        QVERIFY(rig.Connect());
        QTRY_VERIFY(first.Monitor().Count() > 0);
        QCOMPARE(second.Monitor().Count(), 0u);
        first.close();
        second.close();
        QVERIFY(!rig.link.watchers.Find<modes::LineMonitor>());
        QVERIFY(rig.link.watchers.Attached(*tracer));
        rig.link.watchers.Detach(*tracer);
    }

    // A fast line between two draws: whatever came since the last draw
    // reaches the table as one insertion, the oldest rows past the cap leave
    // as one removal, and the rows shown are the monitor's, the newest last.
    // More than the cap between two draws replaces the rows in one step. The
    // view follows the newest row only while the operator left it there.
    void aBurstOfFramesReachesTheTableOneBatchADraw()
    {
        Rig rig;
        AnsweredFiles files;
        ui::LineMonitorWindow own(rig.link, rig.window.get(), &files);
        own.show();
        QVERIFY(rig.link.watchers.Attached(own.Monitor()));
        auto* table = own.findChild<QTableView*>(QStringLiteral("Lst_Frames"));
        const QAbstractItemModel* model = table->model();
        QCOMPARE(model->rowCount(), 0); // not connected: the line is quiet
        QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(model, &QAbstractItemModel::modelReset);

        const link::Bytes block = link::BuildFrame('D', "001", 1, link::Bytes(512, 'x'));
        const link::Bytes ack = link::BuildFrame('A', "001", 1, {});
        const auto origin = link::Clock::now();
        int frames = 0; // each a millisecond after the one before: its time tells it
        const auto burst = [&](int count) {
            for (int i = 0; i < count; ++i, ++frames)
                rig.link.watchers.Find<modes::LineMonitor>()->Sent(origin + std::chrono::milliseconds(frames), frames % 2 ? ack : block);
        };
        const auto shownRight = [&] {
            const int rows = model->rowCount();
            const auto time = [&](int row) { return model->index(row, ui::LineMonitorTable::Time).data().toString(); };
            return rows == std::min(frames, int(modes::LineMonitor::kDefaultCap))
                && time(0) == QLocale().toString(frames - rows) && time(rows - 1) == QLocale().toString(frames - 1);
        };

        constexpr int kBurst = 6000, kDraws = 4; // the fourth passes the cap of 20,000
        static_assert(kBurst * kDraws > int(modes::LineMonitor::kDefaultCap));
        for (int draw = 1; draw <= kDraws; ++draw) {
            burst(kBurst);
            if (draw == 3)
                table->scrollToTop(); // the operator reads back
            QTRY_COMPARE(inserted.count(), draw); // the timer's draw
            const QList<QVariant> batch = inserted.last();
            QCOMPARE(batch.at(2).toInt() - batch.at(1).toInt() + 1, kBurst);
            QVERIFY(shownRight());
            if (draw == 3)
                QCOMPARE(table->verticalScrollBar()->value(), 0);
            else
                QCOMPARE(table->verticalScrollBar()->value(), table->verticalScrollBar()->maximum());
            if (draw == 3)
                table->scrollToBottom();
        }
        QCOMPARE(removed.count(), 1);
        const QList<QVariant> gone = removed.front();
        QCOMPARE(gone.at(1).toInt(), 0); // the oldest
        QCOMPARE(gone.at(2).toInt() + 1, kBurst * kDraws - int(modes::LineMonitor::kDefaultCap));
        QCOMPARE(model->rowCount(), int(modes::LineMonitor::kDefaultCap));
        QCOMPARE(reset.count(), 0);

        burst(int(modes::LineMonitor::kDefaultCap) + 5); // every row shown has gone
        own.Refresh();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(inserted.count(), kDraws);
        QVERIFY(shownRight());
        own.Refresh(); // nothing new: nothing changes
        QCOMPARE(reset.count() + inserted.count() + removed.count(), 1 + kDraws + 1);
    }
};

QTEST_MAIN(LineMonitorWindowTest)
#include "line_monitor_window_test.moc"
