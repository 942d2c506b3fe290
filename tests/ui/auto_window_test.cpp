// SPDX-License-Identifier: MIT
// The automatic window with real Qt timers, its port the in-memory one with a
// simulated hand-held on virtual time.
#include "settings/codepage.h"
#include "support/link_rig.h"
#include "ui/auto_window.h"

#include <QListWidget>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>

using namespace tavelin;
using namespace std::chrono_literals;

class AutoWindowTest : public QObject {
    Q_OBJECT

private:
    struct Rig : testing::LinkRig {
        explicit Rig(int lineBaud)
        {
            auto& s = state.settings;
            s.RunMode = 2;
            s.PollInterval = 10;
            s.HistoryMode = 2;
            s.AutoPollCount = 1;
            PollOnly({1, 2});
            std::filesystem::create_directories(work.Path() / "down");
            s.DownDir = work.Text() + "down/";
            work.Put("down/BIG.DAT", std::string(20000, 'x'));
            sim::SimConfig config;
            config.ids = {1, 2};
            config.lineBaud = lineBaud;
            AttachHandHelds(std::move(config));
        }
        std::string Result() const { return settings::Cp932ToUtf8(work.Get("RESULT.DAT")); }
    };

private slots:
    void runEndsAndClosesTheWindow()
    {
        Rig rig(0);
        ui::AutoWindow window(rig.link, "caption");
        QSignalSpy closed(&window, &ui::AutoWindow::Closed);
        window.show();
        QVERIFY(closed.wait(5000));
        QVERIFY(!window.isVisible());
        QCOMPARE(window.HistoryWidget()->count(), 2);
        QVERIFY(window.HistoryWidget()->currentRow() == 1);
        QVERIFY(rig.Result().find(" 0 , 2 ,正常終了") != std::string::npos);
        QVERIFY(!rig.port.IsOpen());
    }

    void closingDuringATransferStopsItFirst()
    {
        Rig rig(19200); // the file takes about ten seconds of virtual line time
        ui::AutoWindow window(rig.link, "caption");
        QSignalSpy closed(&window, &ui::AutoWindow::Closed);
        rig.pump.ScheduleAfter(2s, [&] {
            QVERIFY(window.Cycle().InTick());
            // The bar shows as the engine starts; its value follows from a timer.
            QVERIFY(!window.findChild<QProgressBar*>(QStringLiteral("PBar"))->isHidden());
            QVERIFY(window.findChild<ui::StatusText*>(QStringLiteral("TxtMsg"))->Text().contains("BIG.DAT"));
            window.close(); // the operator closes the window mid-transfer
            QVERIFY(window.isVisible());
            QCOMPARE(rig.state.flags.StopRequest, settings::kTrue);
        });
        window.show();
        QVERIFY(closed.wait(5000));
        QVERIFY(!window.isVisible());
        QVERIFY(window.findChild<QProgressBar*>(QStringLiteral("PBar"))->isHidden());
        QVERIFY(!rig.port.IsOpen());
        const auto lines = window.HistoryWidget()->findItems("BIG.DAT", Qt::MatchContains);
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.front()->text().contains(QString::fromUtf8("中断")));
        QVERIFY(!std::filesystem::exists(rig.work.Path() / "hht/001/BIG.DAT"));
    }
};

QTEST_MAIN(AutoWindowTest)
#include "auto_window_test.moc"
