// SPDX-License-Identifier: MIT
// The manual window's transfers with real Qt timers and dialogs, its port the
// in-memory one with simulated hand-helds on virtual time: drops between the
// two lists, a progress dialog closed by its frame, and copy to all through
// the automatic window on the window's own port.
#include "settings/texts.h"
#include "support/link_rig.h"
#include "ui/auto_window.h"
#include "ui/file_drag.h"
#include "ui/manual_window.h"
#include "ui/transfer_dialog.h"

#include <QApplication>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>

using namespace tavelin;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

std::string Pattern(std::size_t size, int seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = char((i * 31 + std::size_t(seed)) % 251);
    return bytes;
}

// Calls back for every window as it is shown, while the modal loop that
// shows it runs.
class WindowWatch final : public QObject {
public:
    explicit WindowWatch(std::function<void(QWidget*)> onShow) : onShow_(std::move(onShow))
    {
        qApp->installEventFilter(this);
    }
    ~WindowWatch() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
            onShow_(static_cast<QWidget*>(watched));
        return false;
    }

private:
    std::function<void(QWidget*)> onShow_;
};

// A drag from `source` over `target`'s viewport, then released there (or
// after it has left). True when the target took the drop.
bool DragAndDrop(QAbstractItemView* source, QAbstractItemView* target, bool leaveFirst = false)
{
    const std::unique_ptr<QMimeData> data(ui::FileListMimeData(source));
    QWidget* viewport = target->viewport();
    const QPoint at = viewport->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
    if (leaveFirst) {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(viewport, &leave);
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &drop);
    return drop.isAccepted();
}

struct Rig : testing::LinkRig {
    fs::path pc = work.Path() / "pc";
    fs::path before = fs::current_path();

    Rig(int lineBaud, const std::set<int>& ids)
    {
        auto& s = state.settings;
        s.PollInterval = 10;
        s.UploadMode = 1;
        PollOnly(ids);
        fs::create_directories(pc);
        for (int id : ids)
            fs::create_directories(Store(id));
        sim::SimConfig config;
        config.ids = ids;
        config.lineBaud = lineBaud;
        AttachHandHelds(std::move(config));
        fs::current_path(pc); // the window shows the current directory
    }
    ~Rig() { fs::current_path(before); }

    static void Put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    static std::string Get(const fs::path& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }
    const sim::Stats& Stats() const { return simulator->GetStats(); }
};

// The window, connected to hand-held 001 with its list shown.
struct Connected {
    ui::ManualWindow window;
    QListWidget* pcList = nullptr;
    QTreeWidget* hhtList = nullptr;

    explicit Connected(Rig& rig) : window(rig.link, QStringLiteral("caption"))
    {
        window.show();
        pcList = window.findChild<QListWidget*>(QStringLiteral("FcFile"));
        hhtList = window.findChild<QTreeWidget*>(QStringLiteral("LbHHTFile"));
    }
    bool Connect()
    {
        auto* start = window.findChild<QPushButton*>(QStringLiteral("BtnStart"));
        auto* dir = window.findChild<QPushButton*>(QStringLiteral("BtnDir"));
        if (!QTest::qWaitFor([&] { return !dir->isEnabled(); }, 5000)) // initialised
            return false;
        start->click();
        return QTest::qWaitFor([&] { return window.Session().ManualLinkOn() && !window.Session().HhtListPending(); },
                               5000);
    }
    // Selects exactly `name` in one list and nothing in the other.
    void SelectPc(const QString& name)
    {
        hhtList->clearSelection();
        pcList->clearSelection();
        pcList->findItems(name, Qt::MatchExactly).front()->setSelected(true);
    }
    void SelectHht(const QString& name)
    {
        pcList->clearSelection();
        hhtList->clearSelection();
        hhtList->findItems(name, Qt::MatchExactly).front()->setSelected(true);
    }
    bool Idle() const { return window.Session().ManualOp() == 'P'; }
    ~Connected() { window.close(); }
};

} // namespace

class ManualTransferTest : public QObject {
    Q_OBJECT

private slots:
    void dropsCopyFromTheOtherListOnly()
    {
        Rig rig(0, {1});
        const std::string down = Pattern(3000, 1), fresh = Pattern(2500, 2), up = Pattern(1800, 3);
        Rig::Put(rig.pc / "DOWN.DAT", down);
        Rig::Put(rig.pc / "UP.DAT", "old,");
        Rig::Put(rig.Store(1) / "NEW.DAT", fresh);
        Rig::Put(rig.Store(1) / "UP.DAT", up);
        QStringList shown;
        WindowWatch watch([&](QWidget* window) {
            shown << window->objectName();
            if (auto* question = qobject_cast<ui::UploadFileDialog*>(window)) {
                QVERIFY(question->findChild<QPlainTextEdit*>(QStringLiteral("TxtMsg"))->toPlainText() ==
                        QStringLiteral("UP.DAT\n") + Q(texts::kSameNameExistsOnPc));
                QTimer::singleShot(0, question->findChild<QPushButton*>(QStringLiteral("BtnAppend")),
                                   &QPushButton::click);
            }
        });
        Connected ui(rig);
        QVERIFY(ui.Connect());
        shown.clear();

        // PC file to the hand-held: not from its own list, not once the drag has left.
        ui.SelectPc(QStringLiteral("DOWN.DAT"));
        QVERIFY(!DragAndDrop(ui.pcList, ui.pcList));
        QVERIFY(!DragAndDrop(ui.pcList, ui.hhtList, true));
        QVERIFY(!DragAndDrop(ui.hhtList, ui.hhtList));
        QTest::qWait(50);
        QVERIFY(shown.isEmpty());
        QVERIFY(DragAndDrop(ui.pcList, ui.hhtList));
        QVERIFY(shown.isEmpty()); // the transfer starts after the drop has returned
        QTRY_COMPARE(rig.Stats().filesStored, 1);
        QCOMPARE(Rig::Get(rig.Store(1) / "DOWN.DAT"), down);
        QTRY_VERIFY(ui.Idle());
        QCOMPARE(shown, QStringList{QStringLiteral("F_DownDlg")});
        QCOMPARE(ui.hhtList->findItems(QStringLiteral("DOWN.DAT"), Qt::MatchExactly).size(), 1); // read again

        // Hand-held file to the PC, a new one and one the PC has (appended).
        shown.clear();
        ui.SelectHht(QStringLiteral("NEW.DAT"));
        QVERIFY(!DragAndDrop(ui.hhtList, ui.hhtList));
        QTest::qWait(50);
        QCOMPARE(rig.Stats().filesOffered, 0);
        QVERIFY(DragAndDrop(ui.hhtList, ui.pcList));
        QTRY_VERIFY(ui.Idle() && rig.Stats().filesSent == 1);
        QCOMPARE(Rig::Get(rig.pc / "NEW.DAT"), fresh);
        QCOMPARE(ui.pcList->findItems(QStringLiteral("NEW.DAT"), Qt::MatchExactly).size(), 1);
        ui.SelectHht(QStringLiteral("UP.DAT"));
        QVERIFY(DragAndDrop(ui.hhtList, ui.pcList));
        QTRY_VERIFY(ui.Idle() && rig.Stats().filesSent == 2);
        QCOMPARE(Rig::Get(rig.pc / "UP.DAT"), "old," + up);
        QCOMPARE(rig.state.settings.UploadMode, std::int16_t(1)); // the answer was for that copy only
        QCOMPARE(shown, (QStringList{QStringLiteral("F_UpDlg"), QStringLiteral("F_UpDlg"), QStringLiteral("F_UploadFile")}));
    }

    // F5 reads both lists again while connected and idle.
    void f5ReadsBothListsAgain()
    {
        Rig rig(0, {1});
        Connected ui(rig);
        QVERIFY(ui.Connect());
        ui.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&ui.window));
        Rig::Put(rig.pc / "NEWPC.DAT", "p");
        Rig::Put(rig.Store(1) / "NEWHHT.DAT", "h");
        QTest::keyClick(&ui.window, Qt::Key_F5); // before the PC folder's change is reported
        QCOMPARE(ui.pcList->findItems(QStringLiteral("NEWPC.DAT"), Qt::MatchExactly).size(), 1);
        QCOMPARE(ui.hhtList->findItems(QStringLiteral("NEWHHT.DAT"), Qt::MatchExactly).size(), 1);
        QVERIFY(ui.Idle());
    }

    void progressDialogClosedByItsFrameStopsFirst()
    {
        Rig rig(19200, {1}); // 20,000 bytes take about ten seconds of virtual line time
        Rig::Put(rig.pc / "BIG.DAT", Pattern(20000, 4));
        ui::TransferDialog* dialog = nullptr;
        WindowWatch watch([&](QWidget* window) {
            if (auto* found = qobject_cast<ui::TransferDialog*>(window))
                dialog = found;
        });
        Connected ui(rig);
        QVERIFY(ui.Connect());
        ui.SelectPc(QStringLiteral("BIG.DAT"));
        auto* copy = ui.window.findChild<QPushButton*>(QStringLiteral("BtnCopy"));
        bool closedMidway = false;
        rig.pump.ScheduleAfter(2s, [&] {
            QVERIFY(dialog && dialog->Running());
            QCOMPARE(dialog->objectName(), QStringLiteral("F_DownDlg"));
            QCOMPARE(dialog->windowTitle(), Q(texts::kCaptionDownload));
            QVERIFY(!copy->isEnabled());
            dialog->close(); // the operator closes it by its frame
            QVERIFY(dialog->isVisible() && dialog->Running());
            QCOMPARE(rig.state.flags.StopRequest, settings::kTrue);
            closedMidway = true;
        });
        copy->click(); // returns when the dialog has closed
        QVERIFY(closedMidway);
        QVERIFY(ui.Idle());
        QVERIFY(copy->isEnabled());
        QCOMPARE(rig.Stats().filesStored, 0);
        QVERIFY(!fs::exists(rig.Store(1) / "BIG.DAT"));
        QCOMPARE(rig.state.flags.StopRequest, settings::kFalse);
        QVERIFY(ui.window.Session().ManualLinkOn());
    }

    void copyToAllRunsTheAutomaticWindowOnTheOpenPort()
    {
        Rig rig(0, {1, 2});
        const std::string data = Pattern(1500, 5);
        Rig::Put(rig.pc / "ALL.DAT", data);
        bool topLevelModal = false;
        QString caption;
        WindowWatch watch([&](QWidget* window) {
            if (qobject_cast<ui::AutoWindow*>(window)) {
                topLevelModal = window->parentWidget() == nullptr && window->isModal() &&
                                window->windowModality() == Qt::ApplicationModal;
                caption = window->windowTitle();
            }
        });
        Connected ui(rig);
        QVERIFY(ui.Connect());
        ui.SelectPc(QStringLiteral("ALL.DAT"));
        ui.window.findChild<QPushButton*>(QStringLiteral("BtnADown"))->click(); // returns when the window has closed
        QVERIFY(topLevelModal);
        QCOMPARE(caption, Q(texts::kCaptionCopyToAll));
        QCOMPARE(Rig::Get(rig.Store(1) / "ALL.DAT"), data);
        QCOMPARE(Rig::Get(rig.Store(2) / "ALL.DAT"), data);
        const auto& calls = rig.port.Calls();
        QCOMPARE(std::count(calls.begin(), calls.end(), "Open"), 1);
        QCOMPARE(std::count(calls.begin(), calls.end(), "Close"), 0);
        QVERIFY(ui.Idle() && ui.window.Session().ManualLinkOn());
        // The window goes on with its own hand-held: its list is read again.
        QTRY_VERIFY(!ui.window.Session().HhtListPending());
        QCOMPARE(ui.hhtList->findItems(QStringLiteral("ALL.DAT"), Qt::MatchExactly).size(), 1);
    }
};

QTEST_MAIN(ManualTransferTest)
#include "manual_transfer_test.moc"
