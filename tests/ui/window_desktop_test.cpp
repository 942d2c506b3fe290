// SPDX-License-Identifier: MIT
// The manual window as a desktop program: its title names the work folder,
// the work folder menu switches folders through an interface this test
// answers, the main operations have keys named in their tooltips, and Tab
// goes through the panes in the order they are seen. And one copy of the
// program per user.
#include "app/qt_work_folders.h"
#include "app/single_instance.h"
#include "support/link_rig.h"
#include "support/no_wait.h"
#include "support/not_a_file.h"
#include "support/open_watch.h"
#include "support/system.h"
#include "support/temp_dir.h"
#include "ui/manual_window.h"
#include "ui/pc_pane.h"
#include "desktop/window_geometry.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTreeView>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>


using namespace tavelin;

namespace {

// Answers the menu as an operator would; Enter does what the program's
// switch does to the settings record.
class FakeFolders final : public modes::WorkFolders {
public:
    explicit FakeFolders(settings::AppState& state) : state_(state) {}
    std::vector<std::string> Recent() override { return recent; }
    std::optional<std::string> AskFolder(const std::string&) override
    {
        ++asked;
        return answer;
    }
    bool Enter(const std::string& dir) override
    {
        entered.push_back(dir);
        if (!accept)
            return false;
        state_.settings.WorkDir = dir + "/";
        return true;
    }

    std::vector<std::string> recent;
    std::optional<std::string> answer;
    std::vector<std::string> entered;
    bool accept = true;
    int asked = 0;

private:
    settings::AppState& state_;
};

QString Plain(const tavelin::testing::TempDir& dir) { return QString::fromStdString(dir.Path().string()); }

QStringList Names(const QListWidget* list, bool selectedOnly = false)
{
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        if (!selectedOnly || list->item(row)->isSelected())
            names << list->item(row)->text();
    return names;
}

// Where a keyboard's keys go: the widget with the focus (the open list
// while the ID box's list is open, else its edit text).
QWidget* KeyTarget()
{
    QWidget* popup = QApplication::activePopupWidget();
    return popup && popup->focusWidget() ? popup->focusWidget() : QApplication::focusWidget();
}

void Type(const QString& keys)
{
    for (const QChar key : keys)
        QTest::keyClick(KeyTarget(), key.toLatin1());
}

} // namespace

class RecordingMessages : public app::MessageBox {
public:
    void Show(std::string_view text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

class WindowDesktopTest : public QObject {
    Q_OBJECT

private:
    struct Fixture : tavelin::testing::LinkRig {
        Fixture() : folders(state) { state.settings.PollInterval = 30; }
        FakeFolders folders;
    };

    static QAction* Action(QWidget& window, const char* name)
    {
        return window.findChild<QAction*>(QString::fromLatin1(name));
    }

private slots:
    void TitleNamesTheWorkFolderAndFollowsASwitch()
    {
        Fixture f;
        tavelin::testing::TempDir other;
        other.Put("TAV0001.INF", "007\r\n" + other.Path().string() + "\r\n");
        ui::ManualWindow window(f.link, QStringLiteral("Tavelin"));
        window.SetWorkFolders(&f.folders);
        QCOMPARE(window.windowTitle(), QStringLiteral("Tavelin - ") + Plain(f.work));
        QTRY_VERIFY(window.Session().MaySwitchWorkFolder()); // once the one-shot initialisation ran

        f.folders.recent = {other.Path().string(), "/no/such"};
        auto* menu = window.findChild<QMenu*>(QStringLiteral("Mn_Work"));
        QVERIFY(menu);
        emit menu->aboutToShow();
        QVERIFY(Action(window, "Mn_WorkRecent2"));
        QVERIFY(!Action(window, "Mn_WorkRecent3"));
        Action(window, "Mn_WorkRecent1")->trigger();

        QCOMPARE(f.folders.entered, std::vector<std::string>{other.Path().string()});
        QCOMPARE(window.windowTitle(), QStringLiteral("Tavelin - ") + Plain(other));
        // The folder left remembers the window as a close would; the new one restores the ID.
        QVERIFY(f.work.Has("TAV0001.INF"));
        QCOMPARE(window.findChild<QComboBox*>(QStringLiteral("CbHHTID"))->currentText(), QStringLiteral("007"));
        QCOMPARE(f.state.CurHhtId, std::string("007"));
    }

    void FolderDialogAnswerIsEnteredAndARefusalChangesNothing()
    {
        Fixture f;
        ui::ManualWindow window(f.link, QStringLiteral("Tavelin"));
        window.SetWorkFolders(&f.folders);
        QTRY_VERIFY(window.Session().MaySwitchWorkFolder());
        emit window.findChild<QMenu*>(QStringLiteral("Mn_Work"))->aboutToShow();

        Action(window, "Mn_WorkOpen")->trigger(); // cancelled
        QCOMPARE(f.folders.asked, 1);
        QVERIFY(f.folders.entered.empty());

        f.folders.answer = "/somewhere";
        f.folders.accept = false; // cannot be entered: the program said so
        const QString title = window.windowTitle();
        Action(window, "Mn_WorkOpen")->trigger();
        QCOMPARE(f.folders.entered.size(), std::size_t(1));
        QCOMPARE(window.windowTitle(), title);
    }

    void MenuFollowsTheSettingsMenuWhileConnected()
    {
        Fixture f;
        ui::ManualWindow window(f.link, QStringLiteral("Tavelin"));
        window.SetWorkFolders(&f.folders);
        auto* menu = window.findChild<QMenu*>(QStringLiteral("Mn_Work"));
        window.SetSettingsMenuEnabled(false); // as a connect does
        QVERIFY(!menu->isEnabled());
        QVERIFY(!Action(window, "Mn_Set")->isEnabled());
        window.SetSettingsMenuEnabled(true);
        QVERIFY(menu->isEnabled());
    }

    void MainOperationsHaveKeysNamedInTheirTooltips()
    {
        Fixture f;
        ui::ManualWindow window(f.link, QStringLiteral("Tavelin"));
        const struct {
            const char* button;
            QKeySequence keys;
        } expected[] = {
            {"BtnDir", QKeySequence(Qt::Key_F5)},
            {"BtnDel", QKeySequence(Qt::Key_Delete)},
            {"BtnRen", QKeySequence(Qt::Key_F2)},
            {"BtnCopy", QKeySequence(Qt::CTRL | Qt::Key_C)},
            {"BtnStart", QKeySequence(Qt::Key_F9)},
            {"BtnEnd", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        };
        // F5 belongs to the window: it reads the PC list also while HHT Dir is disabled.
        QAction* reread = Action(window, "Mn_Reread");
        QVERIFY(reread);
        QSet<QKeySequence> seen = {reread->shortcut()};
        for (const auto& [name, keys] : expected) {
            auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name));
            QCOMPARE(button->objectName() == QLatin1String("BtnDir") ? reread->shortcut() : button->shortcut(), keys);
            QVERIFY2(button->toolTip().contains(keys.toString(QKeySequence::NativeText)), name);
            QVERIFY2(button->toolTip().startsWith(button->text()), name);
        }
        for (auto* button : window.findChildren<QPushButton*>())
            if (!button->shortcut().isEmpty()) {
                QVERIFY2(!seen.contains(button->shortcut()), qPrintable(button->objectName()));
                seen.insert(button->shortcut());
            }
        QCOMPARE(seen.size(), 9);

        // 開始 becomes 中断 and back: the key stays, the tooltip names the caption shown.
        auto* start = window.findChild<QPushButton*>(QStringLiteral("BtnStart"));
        window.SetStartCaption("中　断");
        QCOMPARE(start->shortcut(), QKeySequence(Qt::Key_F9));
        QCOMPARE(start->toolTip(), QStringLiteral("中　断 (F9)"));
        window.SetStartCaption("開　始");
        QCOMPARE(start->toolTip(), QStringLiteral("開　始 (F9)"));
    }

    // What is typed is the ID, also into the open list; the list opens on
    // the ID the box shows, so Enter there keeps it.
    void theIdBoxTakesWhatIsTypedIntoItsOpenList()
    {
        Fixture f;
        f.work.Put("TAV0001.INF", "002\r\n" + f.work.Path().string() + "\r\n");
        ui::ManualWindow window(f.link, QStringLiteral("Tavelin"));
        window.show();
        QTRY_VERIFY(window.Session().MaySwitchWorkFolder()); // once the one-shot initialisation ran
        auto* box = window.findChild<QComboBox*>(QStringLiteral("CbHHTID"));
        QCOMPARE(box->currentText(), QStringLiteral("002"));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        box->setFocus();

        const struct {
            const char* typed;
            const char* id;
        } cases[] = {{"1", "001"}, {"12", "012"}, {"", "012"}, {"7", "007"}};
        for (const auto& [typed, id] : cases) {
            box->showPopup();
            QTRY_VERIFY(box->view()->isVisible());
            QCOMPARE(box->view()->currentIndex().data().toString(), QString::fromStdString(f.state.CurHhtId));
            Type(QString::fromLatin1(typed));
            QTest::keyClick(KeyTarget(), Qt::Key_Return);
            QTRY_VERIFY(!box->view()->isVisible());
            QCOMPARE(f.state.CurHhtId, std::string(id));
            QCOMPARE(box->currentText(), QString::fromLatin1(id));
        }
        box->hidePopup();
    }

    // The box never shows another ID than the one in use: Escape gives up
    // what was typed, and Up and Down step from the ID typed.
    void theIdBoxShowsTheIdInUseAfterEscapeAndSteps()
    {
        Fixture f;
        f.work.Put("TAV0001.INF", "002\r\n" + f.work.Path().string() + "\r\n");
        ui::ManualWindow window(f.link, QStringLiteral("Tavelin"));
        window.show();
        QTRY_VERIFY(window.Session().MaySwitchWorkFolder());
        auto* box = window.findChild<QComboBox*>(QStringLiteral("CbHHTID"));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        box->setFocus();

        const struct {
            const char* typed;
            Qt::Key key;
            const char* id;
        } cases[] = {{"1", Qt::Key_Escape, "002"}, {"12", Qt::Key_Down, "013"}, {"12", Qt::Key_Up, "011"},
                     {"120", Qt::Key_PageDown, "121"}, {"7", Qt::Key_Escape, "121"}};
        for (const auto& [typed, key, id] : cases) {
            box->lineEdit()->selectAll();
            Type(QString::fromLatin1(typed));
            QCOMPARE(box->currentText(), QString::fromLatin1(typed));
            QTest::keyClick(KeyTarget(), key);
            QCOMPARE(f.state.CurHhtId, std::string(id));
            QCOMPARE(box->currentText(), QString::fromLatin1(id));
        }
        QVERIFY(box->hasFocus()); // Escape left the operator in the box
    }

    // A saved size and place are used only where a screen can show them.
    void aSavedGeometryIsRestoredOnlyWhereItFits()
    {
        const QList<QRect> screens = {{0, 0, 1280, 800}, {1280, 0, 1024, 768}};
        const struct {
            QRect geometry;
            bool fits;
        } cases[] = {
            {{100, 100, 900, 600}, true},    {{0, 0, 1280, 800}, true},      {{1400, 100, 1000, 700}, true},
            {{1200, 0, 1100, 700}, true},    {{0, 0, 99999, 99999}, false},  {{0, 0, 32767, 32767}, false},
            {{1400, 0, 1100, 700}, false},   {{5000, 5000, 800, 600}, false}, {{-900, 100, 800, 600}, false},
            {{100, 100, 0, 0}, false},
        };
        for (const auto& [geometry, fits] : cases)
            QVERIFY2(desktop::FitsAScreen(geometry, screens) == fits,
                     qPrintable(QStringLiteral("%1,%2 %3x%4").arg(geometry.x()).arg(geometry.y())
                                    .arg(geometry.width()).arg(geometry.height())));

        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget huge;
        huge.setGeometry(area.x(), area.y(), 99999, 99999);
        QWidget small;
        small.setGeometry(area.x() + 10, area.y() + 20, area.width() / 2, area.height() / 2);
        Fixture f;
        ui::ManualWindow window(f.link, QStringLiteral("Tavelin"));
        const QRect opened = window.geometry();
        QVERIFY(!desktop::RestoreFittingGeometry(window, huge.saveGeometry()));
        QCOMPARE(window.geometry(), opened);
        QVERIFY(!desktop::RestoreFittingGeometry(window, QByteArray("not a geometry")));
        QCOMPARE(window.geometry(), opened);
        QVERIFY(desktop::RestoreFittingGeometry(window, small.saveGeometry()));
        QCOMPARE(window.size(), small.size());
    }

    // The PC list follows its folder: files that appear or vanish there are
    // listed again by themselves (the operator's selection stays), and F5
    // reads the list at once, also while no hand-held is connected.
    void thePcListFollowsItsFolderAndF5ReadsItAgain()
    {
        Fixture f;
        tavelin::testing::TempDir shown;
        shown.Put("A.DAT", "a");
        shown.Put("B.DAT", "b");
        f.work.Put("TAV0001.INF", "001\r\n" + shown.Path().string() + "\r\n");
        ui::ManualWindow window(f.link, QStringLiteral("Tavelin"));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* list = window.findChild<QListWidget*>(QStringLiteral("FcFile"));
        QCOMPARE(Names(list), (QStringList{"A.DAT", "B.DAT"}));
        list->item(1)->setSelected(true);

        shown.Put("C.DAT", "c");
        std::filesystem::remove(shown.Path() / "A.DAT");
        QTRY_COMPARE(Names(list), (QStringList{"B.DAT", "C.DAT"}));
        QCOMPARE(Names(list, true), QStringList{"B.DAT"});

        shown.Put("D.DAT", "d");
        QTest::keyClick(&window, Qt::Key_F5); // read before the folder's change is reported
        QCOMPARE(Names(list), (QStringList{"B.DAT", "C.DAT", "D.DAT"}));
    }

    // The folder shown deleted (or one of its parents): the pane goes to the
    // nearest parent still there, not to the folder beside it, and the
    // message line says so; a copy asked for before the change was noticed
    // finds the pane moved.
    void aDeletedFolderGivesWayToItsParentAndIsSaid()
    {
        if (!tavelin::testing::WatcherSeesItsFolderRemoved())
            QSKIP("Wine's folder watcher does not report the removal of the folder it watches");
        Fixture f;
        tavelin::testing::TempDir parent;
        std::filesystem::create_directories(parent.Path() / "A_BESIDE");
        std::filesystem::create_directories(parent.Path() / "B_SHOWN");
        std::filesystem::create_directories(parent.Path() / "C_BESIDE");
        parent.Put("B_SHOWN/IN.DAT", "i");
        parent.Put("TOP.DAT", "t");
        const std::filesystem::path shown = parent.Path() / "B_SHOWN";
        f.work.Put("TAV0001.INF", "001\r\n" + shown.string() + "\r\n");
        ui::ManualWindow window(f.link, QStringLiteral("Tavelin"));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* tree = window.findChild<QTreeView*>(QStringLiteral("FcDir"));
        auto* list = window.findChild<QListWidget*>(QStringLiteral("FcFile"));
        auto* message = window.findChild<QLineEdit*>(QStringLiteral("TxtHHTMsg"));
        QTRY_VERIFY(tree->currentIndex().isValid());
        QCOMPARE(Names(list), QStringList{"IN.DAT"});
        const QString top = QDir::toNativeSeparators(Plain(parent));

        // Noticed before anything asks: by the watcher or the tree.
        std::filesystem::remove_all(shown);
        QTRY_COMPARE(QString::fromStdString(window.PcDirectory()), top);
        QVERIFY(window.PcDirectoryThere());
        QCOMPARE(Names(list), QStringList{"TOP.DAT"});
        QCOMPARE(message->text(), QStringLiteral("フォルダ［ ") + QDir::toNativeSeparators(Plain(parent) + "/B_SHOWN") +
                                      QStringLiteral(" ］がなくなったため、［ ") + top +
                                      QStringLiteral(" ］を表示しています。"));
        QTRY_COMPARE(tree->currentIndex().data().toString(), QFileInfo(Plain(parent)).fileName());
        QCOMPARE(QString::fromStdString(window.PcDirectory()), top); // and not the folder beside it

        // A parent of the folder shown, asked at once, before the system
        // has reported anything.
        message->clear();
        std::filesystem::create_directories(shown / "INNER");
        window.findChild<ui::PcPane*>()->SetDirectory(QString::fromStdString((shown / "INNER").string()));
        std::filesystem::remove_all(shown);
        QVERIFY(!window.PcDirectoryThere());
        QCOMPARE(QString::fromStdString(window.PcDirectory()), top);
        QVERIFY(message->text().contains(top));
    }

    // A folder of thousands of files, a burst of files arriving and a run
    // going: the list changes those rows alone, each run in one step, and
    // the rest keep their selection and the current row. A file that came
    // and went within the burst never shows.
    void aBusyFolderChangesOnlyTheRowsThatCameAndWent()
    {
        Fixture f;
        tavelin::testing::TempDir shown;
        const auto name = [](char letter, int number) {
            return QStringLiteral("%1%2.DAT").arg(letter).arg(number, 4, 10, QLatin1Char('0'));
        };
        constexpr int kFiles = 3000;
        for (int i = 0; i < kFiles; ++i)
            shown.Put(name('F', i).toStdString(), "f");
        f.work.Put("TAV0001.INF", "001\r\n" + shown.Path().string() + "\r\n");
        ui::ManualWindow window(f.link, QStringLiteral("Tavelin"));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* list = window.findChild<QListWidget*>(QStringLiteral("FcFile"));
        QCOMPARE(list->count(), kFiles);
        list->item(3)->setSelected(true);
        list->item(2000)->setSelected(true);
        list->setCurrentRow(2000, QItemSelectionModel::NoUpdate);
        QSignalSpy inserted(list->model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(list->model(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(list->model(), &QAbstractItemModel::modelReset);

        for (int i = 0; i < 40; ++i) // listed together, after the F files
            shown.Put(name('G', i).toStdString(), "g");
        shown.Put("E0000.DAT", "brief");
        for (int i = 5; i < 10; ++i)
            std::filesystem::remove(shown.Path() / name('F', i).toStdString());
        std::filesystem::remove(shown.Path() / "E0000.DAT");
        QTRY_COMPARE(list->count(), kFiles + 40 - 5);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.front().at(1).toInt(), kFiles - 5);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.front().at(1).toInt(), 5);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(Names(list, true), (QStringList{name('F', 3), name('F', 2000)}));
        QCOMPARE(list->currentItem()->text(), name('F', 2000));
        QCOMPARE(list->item(kFiles - 6)->text(), name('F', kFiles - 1));
        QCOMPARE(list->item(kFiles - 5)->text(), name('G', 0));
        QVERIFY(list->findItems(QStringLiteral("E0000.DAT"), Qt::MatchExactly).isEmpty());
    }

    // Listing a folder never opens its files to tell their type: a FIFO, or
    // a file such as /proc/kmsg, blocks the reader until something is
    // written. The system reports every open in the folders shown; the test
    // is also the FIFO's writer, so a listing that opens it is let go.
    void aFolderIsListedWithoutOpeningItsFiles()
    {
        tavelin::testing::OpenWatch opens;
        if (!opens.Offered())
            QSKIP("the opens are watched through inotify");
        Fixture f;
        tavelin::testing::TempDir parent;
        const std::filesystem::path shown = parent.Path() / "SHOWN";
        std::filesystem::create_directories(shown / "SUB");
        parent.Put("BESIDE", "b");
        parent.Put("SHOWN/PLAIN.DAT", "p");
        parent.Put("SHOWN/NOTES", "#!/bin/sh\n");
        const std::filesystem::path fifo = shown / "PIPE";
        QVERIFY(tavelin::testing::MakeFifo(fifo));
        f.work.Put("TAV0001.INF", "001\r\n" + shown.string() + "\r\n");

        for (const auto& folder : {parent.Path(), shown, shown / "SUB"})
            QVERIFY(opens.Add(folder));
        std::atomic<bool> done{false};
        std::thread writer([&] {
            while (!done) {
                tavelin::testing::LetGoOfFifo(fifo); // nothing while nobody reads
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        {
            ui::ManualWindow window(f.link, QStringLiteral("Tavelin"));
            window.show();
            auto* tree = window.findChild<QTreeView*>(QStringLiteral("FcDir"));
            QTRY_VERIFY(tree->currentIndex().isValid());
            tree->expand(tree->currentIndex());
            QTest::qWait(1000); // the tree's listing runs in the background
            QCOMPARE(Names(window.findChild<QListWidget*>(QStringLiteral("FcFile"))),
                     (QStringList{"NOTES", "PLAIN.DAT"}));
        }
        done = true;
        writer.join();

        QStringList opened;
        for (const std::string& name : opens.FilesOpened())
            opened << QString::fromStdString(name);
        QVERIFY2(opened.isEmpty(), qPrintable(opened.join(QLatin1Char(','))));
    }

    void TabFollowsThePanes()
    {
        Fixture f;
        ui::ManualWindow window(f.link, QStringLiteral("Tavelin"));
        const QStringList expected = {"FcDrive", "FcDir",   "FcFile",  "CbHHTID",  "BtnStart", "LbHHTFile", "BtnCopy",
                                      "BtnDel",  "BtnRen",  "BtnDir",  "BtnInst",  "BtnADown", "BtnAInst",  "BtnEnd"};
        QStringList seen;
        QWidget* first = window.findChild<QWidget*>(QStringLiteral("FcDrive"));
        QVERIFY(first);
        QWidget* widget = first;
        do {
            if (expected.contains(widget->objectName()) && !seen.contains(widget->objectName()))
                seen << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != first);
        QCOMPARE(seen, expected);
    }

    // The lock of the one copy lives in a folder of the user's own; while
    // one copy holds it a second is refused and told who holds it, however
    // often it asks; once the first has ended the next one runs.
    void aSecondCopyIsRefusedUntilTheFirstHasEnded()
    {
        tavelin::testing::TempDir own;
        std::filesystem::permissions(own.Path(), std::filesystem::perms::owner_all); // a runtime folder is private
        const QByteArray folder = QByteArray::fromStdString(own.Path().string());
        std::vector<QByteArray> names;
        for (const std::string& name : tavelin::testing::UserRuntimeFolderVariables())
            names.push_back(QByteArray::fromStdString(name));
        std::vector<QByteArray> before;
        for (const QByteArray& name : names) {
            before.push_back(qgetenv(name.constData()));
            qputenv(name.constData(), folder);
        }
        tavelin::testing::TempDir work;
        const QString here = QString::fromStdString(work.Path().string());
        std::filesystem::create_directory(work.Path() / "other");
        const QString lock = app::SingleInstance::LockPath(here);

        std::optional<app::SingleInstance> first(std::in_place, here);
        QCOMPARE(first->Acquire(), app::InstanceLock::Acquired);
        // The same folder by another name is the same folder.
        for (const QString& name : {here, here + "/other/..", QDir::toNativeSeparators(here) + "/"}) {
            app::SingleInstance second(name);
            QCOMPARE(second.Acquire(), app::InstanceLock::HeldElsewhere);
            QCOMPARE(second.Path(), first->Path());
            QCOMPARE(second.RecordedOwner(), QCoreApplication::applicationPid());
        }
        // Another folder, even one not made yet, has a lock of its own.
        for (const QString& name : {here + "/other", here + "/not/made/yet"}) {
            app::SingleInstance beside(name);
            QCOMPARE(beside.Acquire(), app::InstanceLock::Acquired);
            QVERIFY(beside.Path() != first->Path());
        }
        QCOMPARE(app::SingleInstance(here + "/not/made/yet").Path(),
                 app::SingleInstance(here + "/not/../not/made/yet").Path());
        first.reset();
        app::SingleInstance next(here);
        QCOMPARE(next.Acquire(), app::InstanceLock::Acquired);

        // The manual window's switch holds the lock of the folder it is in
        // besides that of its start, and refuses one that another copy runs in.
        {
            const std::filesystem::path cwd = std::filesystem::current_path();
            QStandardPaths::setTestModeEnabled(true); // the recent folders go to a settings file of the test's
            Fixture f;
            desktop::UserSettings user;
            RecordingMessages messages;
            app::QtWorkFolders folders(f.state, messages, user, nullptr, next);
            const std::string other = (work.Path() / "other").string();
            std::optional<app::SingleInstance> held(std::in_place, here + "/other");
            QCOMPARE(held->Acquire(), app::InstanceLock::Acquired);
            QVERIFY(!folders.Enter(other));
            QCOMPARE(messages.shown.size(), std::size_t(1));
            QVERIFY2(messages.shown[0].ends_with("another copy is already running there (process " +
                                                 std::to_string(QCoreApplication::applicationPid()) + ")"),
                     messages.shown[0].c_str());
            held.reset();
            QVERIFY(folders.Enter(other));
            QCOMPARE(app::SingleInstance(here + "/other").Acquire(), app::InstanceLock::HeldElsewhere);
            QVERIFY(folders.Enter(here.toStdString())); // back to the start folder: the other is free again
            QCOMPARE(app::SingleInstance(here + "/other").Acquire(), app::InstanceLock::Acquired);
            QStandardPaths::setTestModeEnabled(false);
            std::filesystem::current_path(cwd);
        }

        for (std::size_t i = 0; i < std::size(names); ++i) {
            if (before[i].isEmpty())
                qunsetenv(names[i].constData());
            else
                qputenv(names[i].constData(), before[i]);
        }
        QVERIFY2(QDir::cleanPath(lock).startsWith(QDir::cleanPath(QDir::fromNativeSeparators(QString::fromUtf8(folder)))),
                 qPrintable(lock));
    }
};

QTEST_MAIN(WindowDesktopTest)
#include "window_desktop_test.moc"
