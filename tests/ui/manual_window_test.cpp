// SPDX-License-Identifier: MIT
// The operator's window with the real Qt serial port, over a pseudo-terminal
// to the simulated hand-held executable: connect, see the list, close while a
// list is being read. And the small dialogs' own rules.
#include "idle_windows.h"
#include "link/memory_port.h"
#include "link/qt/qt_event_pump.h"
#include "settings/codepage.h"
#include "settings/param_files.h"
#include "settings/tav_inf.h"
#include "support/temp_dir.h"
#include "ui/manual_dialogs.h"
#include "ui/manual_window.h"
#include "ui/transfer_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#ifdef TAVELIN_SIMULATOR
#include "link/qt/qt_serial_port.h"
#include "support/sim_process.h"
#endif

using namespace tavelin;
using tavelin::testing::IdleLink;
using tavelin::testing::ShownWindow;

#ifdef TAVELIN_SIMULATOR
// The window on the real Qt serial port, its COM1 a pseudo-terminal that the
// simulator executable serves for ID 1, with `files` on the hand-held.
struct WindowOnPty {
    WindowOnPty(const std::map<std::string, std::string>& files, const std::vector<std::string>& simOptions)
        : linkPath((work.Path() / "hht.link").string()), options(simOptions)
    {
        std::filesystem::create_directories(work.Path() / "hht/001");
        for (const auto& [name, data] : files)
            work.Put("hht/001/" + name, data);
        state.settings.WorkDir = work.Text();
        settings::ApplyCommDefaults(state.settings);
        state.settings.PollInterval = 30;
    }
    ~WindowOnPty() { qunsetenv("TAVELIN_COM1"); }

    // Starts the simulator and shows the window, initialised.
    bool Open()
    {
        std::vector<std::string> args{"--ids", "1", "--dir", (work.Path() / "hht").string(), "--link", linkPath};
        args.insert(args.end(), options.begin(), options.end());
        sim = std::make_unique<tavelin::testing::SimProcess>(TAVELIN_SIMULATOR, args);
        if (sim->ReadLine(5000).find("serving on") == std::string::npos)
            return false;
        qputenv("TAVELIN_COM1", QByteArray::fromStdString(linkPath));
        window = std::make_unique<ui::ManualWindow>(link, QStringLiteral("caption"));
        window->show();
        start = window->findChild<QPushButton*>(QStringLiteral("BtnStart"));
        list = window->findChild<QTreeWidget*>(QStringLiteral("LbHHTFile"));
        dir = window->findChild<QPushButton*>(QStringLiteral("BtnDir"));
        const auto initialised = [&] { return !dir->isEnabled() && start->text() == QString::fromUtf8("開　始"); };
        return start && list && dir && QTest::qWaitFor(initialised);
    }

    tavelin::testing::TempDir work;
    std::string linkPath;
    std::vector<std::string> options;
    std::unique_ptr<tavelin::testing::SimProcess> sim;
    settings::AppState state;
    link::QtEventPump pump;
    link::QtSerialPort port{pump};
    link::Link link{port, pump, state};
    std::unique_ptr<ui::ManualWindow> window;
    QPushButton* start = nullptr;
    QTreeWidget* list = nullptr;
    QPushButton* dir = nullptr;
};
#endif

class ManualWindowTest : public QObject {
    Q_OBJECT

private slots:
#ifdef TAVELIN_SIMULATOR // the simulator executable serves a pseudo-terminal
    void connectsListsAndClosesMidList()
    {
        std::map<std::string, std::string> files;
        for (int i = 0; i < 100; ++i)
            files["F" + std::to_string(i) + ".DAT"] = std::string(std::size_t(i), 'd');
        // 100 entries take about two seconds on a 9,600 bit/s line.
        WindowOnPty pty(files, {"--baud", "9600"});
        pty.state.settings.BaudCode = "1"; // 9600
        QVERIFY(pty.Open());
        auto& window = *pty.window;
        QSignalSpy closed(&window, &ui::ManualWindow::Closed);
        QCOMPARE(pty.start->accessibleDescription(), QStringLiteral("BtnStart"));
        QVERIFY(!pty.start->accessibleName().isEmpty());
        QTest::mouseClick(pty.start, Qt::LeftButton);
        QVERIFY(pty.port.IsOpen());
        QTRY_COMPARE_WITH_TIMEOUT(pty.list->topLevelItemCount(), 100, 10000);
        const auto seven = pty.list->findItems(QStringLiteral("F7.DAT"), Qt::MatchExactly);
        QCOMPARE(seven.size(), 1);
        QCOMPARE(seven.front()->data(0, Qt::UserRole).toLongLong(), 7);

        // Re-read the list and close the window a little way into it.
        QElapsedTimer sinceClose;
        QTimer::singleShot(400, &window, [&] {
            QVERIFY(window.Session().Busy());
            sinceClose.start();
            window.close();
            QVERIFY(window.isVisible()); // not before the exchange has stopped
        });
        QTest::mouseClick(pty.dir, Qt::LeftButton);
        QVERIFY(closed.wait(5000));
        QVERIFY(sinceClose.elapsed() < 1500);
        QVERIFY(!window.isVisible());
        QVERIFY(!pty.port.IsOpen());
        const auto memory = settings::ReadTavInf(pty.work.Text());
        QVERIFY(memory && memory->hhtId == "001");
        std::string log;
        for (std::string more;
             log.find("ended by the PC") == std::string::npos && !(more = pty.sim->ReadLine(1000)).empty();)
            log += more;
        QVERIFY2(log.find("list: ended by the PC") != std::string::npos, log.c_str()); // the hand-held was told
    }

    // The hand-held's pseudo-terminal goes away while connected and comes back
    // 1.5 s later at the same link: the window shows 回線切断 with the device in
    // red meanwhile, and reconnects and reads the list by itself.
    void reconnectsWhenTheLineComesBack()
    {
        WindowOnPty pty({{"A.DAT", "a"}}, {"--away", "8:1500"});
        QVERIFY(pty.Open());
        auto* message = pty.window->findChild<QLineEdit*>(QStringLiteral("TxtHHTMsg"));
        QVERIFY(message);
        // The wait runs inside a polling tick: a timer looks at the message meanwhile.
        const QString gone = QString::fromUtf8("回線切断: ") + QString::fromStdString(pty.linkPath);
        bool goneShownInRed = false;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            goneShownInRed = goneShownInRed ||
                             (message->text() == gone && message->palette().color(QPalette::Text) == Qt::red);
        });
        look.start(20);
        QTest::mouseClick(pty.start, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(pty.list->topLevelItemCount(), 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(goneShownInRed, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(message->text() != gone && pty.list->topLevelItemCount() == 1, 10000);
        QVERIFY(pty.port.IsOpen());
        QCOMPARE(pty.start->text(), QString::fromUtf8("中　断"));
    }
#endif

    // What is typed is the ID: the box never completes it to another one.
    void idBoxTakesTheTypedIdAsItStands()
    {
        IdleLink idle;
        ui::ManualWindow window(idle.link, QStringLiteral("caption"));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* box = window.findChild<QComboBox*>(QStringLiteral("CbHHTID"));
        QVERIFY(box && box->lineEdit());
        const struct {
            const char* typed;
            const char* id;
        } rows[] = {{"2", "002"}, {"1", "001"}, {"12", "012"}, {"01", "001"}, {"128", "128"}};
        for (const auto& row : rows) {
            box->lineEdit()->setFocus();
            box->lineEdit()->selectAll();
            QTest::keyClicks(box->lineEdit(), QString::fromLatin1(row.typed));
            QCOMPARE(box->currentText(), QString::fromLatin1(row.typed));
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
            QTRY_COMPARE(idle.state.CurHhtId, std::string(row.id));
            QCOMPARE(box->currentText(), QString::fromLatin1(row.id));
        }
    }

    void deleteDialogClosedByItsFrameIsACancel()
    {
        IdleLink idle;
        ui::QtManualDialogs dialogs(idle.link, nullptr);
        QTimer::singleShot(0, [] {
            auto* dialog = ShownWindow<ui::DeleteDialog>();
            QVERIFY(dialog);
            dialog->close();
        });
        QCOMPARE(dialogs.AskDelete("A.TXT"), modes::DelAnswer::Cancel);
    }

    void uploadQuestionClosedByItsFrameLeavesThePcFile()
    {
        ui::UploadFileDialog question("UP.DAT", nullptr);
        QTimer::singleShot(0, [&] { question.close(); });
        question.exec();
        QCOMPARE(question.Answer(), settings::UploadMode::Leave);
        ui::UploadFileDialog escaped("UP.DAT", nullptr);
        QTimer::singleShot(0, [&] { QTest::keyClick(&escaped, Qt::Key_Escape); });
        escaped.exec();
        QCOMPARE(escaped.Answer(), settings::UploadMode::Leave);
    }

    void renameDialogKeepsAskingForAUsableHandHeldName()
    {
        IdleLink idle;
        ui::QtManualDialogs dialogs(idle.link, nullptr);
        bool refused = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = ShownWindow<ui::RenameDialog>();
            QVERIFY(dialog);
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("TxtFName"));
            auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("BtnRen"));
            name->setText(QStringLiteral("TOOLONGNAME.TXT"));
            QTimer::singleShot(0, [&] { // the refusal's box
                auto* box = ShownWindow<QMessageBox>();
                QVERIFY(box);
                refused = box->text().contains(QStringLiteral("TOOLONGNAME.TXT"));
                box->accept();
            });
            ok->click();
            QVERIFY(dialog->isVisible());
            name->setText(QStringLiteral("NEW.TXT"));
            ok->click();
        });
        QCOMPARE(dialogs.AskNewName(modes::RenameSide::Hht, "OLD.TXT"), std::optional<std::string>("NEW.TXT"));
        QVERIFY(refused);
    }
};

QTEST_MAIN(ManualWindowTest)
#include "manual_window_test.moc"
