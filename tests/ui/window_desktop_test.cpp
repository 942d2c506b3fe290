// SPDX-License-Identifier: MIT
// The manual window as a desktop program: its title names the work folder,
// the work folder menu switches folders through an interface this test
// answers, the main operations have keys named in their tooltips, and Tab
// goes through the panes in the order they are seen. And one copy of the
// program per user.
#include "app/single_instance.h"
#include "link/memory_port.h"
#include "link/virtual_pump.h"
#include "settings/param_files.h"
#include "temp_dir.h"
#include "ui/manual_window.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <filesystem>
#include <optional>

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

} // namespace

class WindowDesktopTest : public QObject {
    Q_OBJECT

private:
    struct Fixture {
        Fixture() : folders(state)
        {
            state.settings.WorkDir = work.Text();
            settings::ApplyCommDefaults(state.settings);
            state.settings.PollInterval = 30;
        }
        tavelin::testing::TempDir work;
        settings::AppState state;
        link::VirtualPump pump;
        link::MemoryPort port{pump};
        link::Link link{port, pump, state};
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
        QSet<QKeySequence> seen;
        for (const auto& [name, keys] : expected) {
            auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name));
            QCOMPARE(button->shortcut(), keys);
            QVERIFY2(button->toolTip().contains(keys.toString(QKeySequence::NativeText)), name);
            QVERIFY2(button->toolTip().startsWith(button->text()), name);
        }
        for (auto* button : window.findChildren<QPushButton*>())
            if (!button->shortcut().isEmpty()) {
                QVERIFY2(!seen.contains(button->shortcut()), qPrintable(button->objectName()));
                seen.insert(button->shortcut());
            }
        QCOMPARE(seen.size(), 9);

        // 開始 becomes 中断 and back: the key stays.
        window.SetStartCaption("中　断");
        QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("BtnStart"))->shortcut(), QKeySequence(Qt::Key_F9));
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
        const QByteArray folder = QByteArray::fromStdString(own.Path().string());
#ifdef _WIN32
        const QByteArray names[] = {"TMP", "TEMP"}; // where Windows finds the user's temporary folder
#else
        const QByteArray names[] = {"XDG_RUNTIME_DIR"};
#endif
        std::vector<QByteArray> before;
        for (const QByteArray& name : names) {
            before.push_back(qgetenv(name.constData()));
            qputenv(name.constData(), folder);
        }
        const QString lock = app::SingleInstance::LockPath();

        std::optional<app::SingleInstance> first(std::in_place);
        QCOMPARE(first->Acquire(), app::InstanceLock::Acquired);
        for (int attempt = 0; attempt < 2; ++attempt) {
            app::SingleInstance second;
            QCOMPARE(second.Acquire(), app::InstanceLock::HeldElsewhere);
            QCOMPARE(app::SingleInstance::RecordedOwner(), QCoreApplication::applicationPid());
        }
        first.reset();
        app::SingleInstance next;
        QCOMPARE(next.Acquire(), app::InstanceLock::Acquired);

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
