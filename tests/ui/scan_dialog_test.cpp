// SPDX-License-Identifier: MIT
// The 診断 dialog on the in-memory port with a simulated hand-held at
// 38,400 bit/s: what it lists, its stop button, what it hands to 設定 and
// to the ID box, and the manual window's menu item that opens it.
#include "idle_windows.h"
#include "ui/manual_window.h"
#include "ui/scan_dialog.h"
#include "ui/settings_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <optional>

using namespace tavelin;
using namespace std::chrono_literals;

namespace {

// A link with a hand-held answering ID 7 at its own speed only.
struct Rig : testing::IdleLink {
    Rig()
    {
        sim::SimConfig config;
        config.ids = {7};
        config.hhtBaud = 38400;
        AttachHandHelds(std::move(config));
    }
};

template <typename T> T* Child(QWidget& parent, const char* name)
{
    return parent.findChild<T*>(QString::fromLatin1(name));
}

} // namespace

class ScanDialogTest : public QObject {
    Q_OBJECT

private slots:
    void listsWhatAnsweredAndHandsItOn()
    {
        Rig rig;
        std::optional<modes::ScanSetting> taken;
        ui::ScanDialog dialog(rig.link, [&](const modes::ScanSetting& line) { taken = line; });
        QSignalSpy ids(&dialog, &ui::ScanDialog::IdTaken);
        auto* list = Child<QListWidget>(dialog, "Lst_Found");
        auto* takeId = Child<QPushButton>(dialog, "Cmd_TakeId");
        auto* takeSettings = Child<QPushButton>(dialog, "Cmd_TakeSettings");
        QVERIFY(list && takeId && takeSettings);
        QVERIFY(!takeId->isEnabled()); // nothing found yet

        dialog.Start();
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("38400 bit/s, N,8,1, RS-232C: ID 007"));
        auto* bar = Child<QProgressBar>(dialog, "Pb_Scan");
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(!Child<QPushButton>(dialog, "Cmd_Stop")->isEnabled());
        QVERIFY(takeId->isEnabled() && takeSettings->isEnabled());
        takeId->click();
        QCOMPARE(ids.count(), 1);
        QCOMPARE(ids.front().front().toInt(), 7);
        takeSettings->click();
        QVERIFY(taken && taken->baudCode == "3" && taken->portKindCode == "0");
        QCOMPARE(QString::fromStdString(rig.state.settings.BaudCode), QStringLiteral("2")); // nothing taken by itself
    }

    void stopEndsTheScanAndLeavesNoStopBehind()
    {
        Rig rig;
        ui::ScanDialog dialog(rig.link, {});
        rig.pump.ScheduleAfter(3s, [&] { Child<QPushButton>(dialog, "Cmd_Stop")->click(); });
        dialog.Start();
        QCOMPARE(dialog.Outcome().end, modes::ScanEnd::Stopped);
        QCOMPARE(Child<QLabel>(dialog, "Lbl_Status")->text(), QStringLiteral("診断を中断しました"));
        QVERIFY(Child<QPushButton>(dialog, "Cmd_Start")->isEnabled());
        QCOMPARE(rig.state.flags.StopRequest, settings::kFalse);
    }

    // 設定 opens with the found line selected as clicks would select it.
    void settingsDialogOpensWithTheFoundLine()
    {
        testing::IdleLink idle;
        ui::SettingsDialog dialog(idle.state, nullptr);
        dialog.Propose({"3", "0", "0", "1", "3"}); // 38400, E,7,2, irlink
        for (const char* name : {"OBtB384", "OBtPEve", "OBtD7", "OBtS2", "OBtOIRL"})
            QVERIFY2(Child<QRadioButton>(dialog, name)->isChecked(), name);
        QVERIFY(!Child<QRadioButton>(dialog, "OBtB48")->isEnabled()); // irlink has no 4800
        QCOMPARE(QString::fromStdString(idle.state.settings.BaudCode), QStringLiteral("2")); // until OK
    }

    // The menu item opens the dialog while disconnected; the ID taken lands
    // in the ID box; connected, the item is off.
    void theWindowsMenuItemRunsItWhileDisconnected()
    {
        Rig rig;
        ui::ManualWindow window(rig.link, QStringLiteral("caption"));
        window.show();
        auto* item = Child<QAction>(window, "Mn_Scan");
        QVERIFY(item && item->isEnabled());
        QTimer::singleShot(0, [] {
            auto* dialog = testing::ShownWindow<ui::ScanDialog>();
            QVERIFY(dialog);
            QVERIFY(QTest::qWaitFor([&] { return !dialog->Running() && dialog->Outcome().found.size() == 1; }, 5000));
            Child<QPushButton>(*dialog, "Cmd_TakeId")->click();
            Child<QPushButton>(*dialog, "Cmd_Close")->click();
        });
        item->trigger();
        QCOMPARE(window.IdText(), std::string("007"));
        QCOMPARE(rig.state.CurHhtId, std::string("007"));

        rig.state.settings.BaudCode = "3"; // as 設定 would have taken it
        auto* dir = Child<QPushButton>(window, "BtnDir");
        QVERIFY(QTest::qWaitFor([&] { return !dir->isEnabled(); }, 5000)); // initialised
        Child<QPushButton>(window, "BtnStart")->click();
        QVERIFY(QTest::qWaitFor([&] { return window.Session().ManualLinkOn(); }, 5000));
        QVERIFY(!item->isEnabled());
        window.close();
    }

    // A close of the window (a stop signal) while the scan runs stops the
    // scan, closes the dialog and then the window, once.
    void closingTheWindowWaitsForTheScan()
    {
        Rig rig;
        ui::ManualWindow window(rig.link, QStringLiteral("caption"));
        QSignalSpy closed(&window, &ui::ManualWindow::Closed);
        window.show();
        rig.pump.ScheduleAfter(2s, [&] { window.close(); });
        Child<QAction>(window, "Mn_Scan")->trigger();
        QVERIFY(QTest::qWaitFor([&] { return closed.count() == 1; }, 5000));
        QVERIFY(!rig.port.IsOpen());
        QVERIFY(rig.pump.Now().time_since_epoch() < 10s); // the scan did not run on
    }
};

QTEST_MAIN(ScanDialogTest)
#include "scan_dialog_test.moc"
