// SPDX-License-Identifier: MIT
// Every control of every window and dialog can be found by tests, screen
// readers and automation: its table name as object name and accessible
// description, and a name a person understands as accessible name. A text
// that the program shows (a message, progress figures, a caption) is what a
// screen reader reads as that control's name.
#include "idle_windows.h"
#include "link/memory_port.h"
#include "link/virtual_pump.h"
#include "settings/param_files.h"
#include "support/temp_dir.h"
#include "ui/auto_window.h"
#include "ui/dir_dialog.h"
#include "ui/line_monitor_window.h"
#include "ui/manual_dialogs.h"
#include "ui/manual_window.h"
#include "ui/scan_dialog.h"
#include "ui/settings_dialog.h"
#include "ui/status_text.h"
#include "ui/transfer_dialog.h"

#include <QAccessible>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>

#include <memory>
#include <optional>

using namespace tavelin;

namespace {

// The widgets a person operates or reads. The parts Qt builds inside a
// combo box, a list's header, a tab bar or a menu bar belong to them.
bool IsControl(const QWidget* widget)
{
    for (const QWidget* up = widget->parentWidget(); up; up = up->parentWidget())
        if (qobject_cast<const QComboBox*>(up) || qobject_cast<const QAbstractItemView*>(up) ||
            up->inherits("QTabBar") || up->inherits("QMenuBar"))
            return false;
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return !label->pixmap().isNull(); // a caption is named by its own text
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QAbstractItemView*>(widget) || qobject_cast<const QProgressBar*>(widget) ||
           qobject_cast<const QTabWidget*>(widget) || widget->inherits("tavelin::ui::StatusText");
}

QStringList Unnamed(const QWidget& window)
{
    QStringList faults;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!IsControl(widget))
            continue;
        const QString what = window.objectName() + QLatin1Char('/') + QLatin1String(widget->metaObject()->className()) +
                             QLatin1Char(' ') + widget->objectName();
        if (widget->objectName().isEmpty() || widget->accessibleDescription() != widget->objectName() ||
            widget->accessibleName().isEmpty())
            faults << what;
    }
    return faults;
}

// The text a control shows, when it is one that shows a text to be read.
std::optional<QString> ShownText(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget); label && label->pixmap().isNull())
        return label->text();
    if (const auto* line = qobject_cast<const QLineEdit*>(widget); line && line->isReadOnly())
        return line->text();
    if (const auto* box = qobject_cast<const QPlainTextEdit*>(widget); box && box->isReadOnly())
        return box->toPlainText();
    if (const auto* status = qobject_cast<const ui::StatusText*>(widget))
        return status->Text();
    return std::nullopt;
}

// A name a Japanese operator cannot read: English words and no Japanese,
// where the control has no caption of its own to be named by (captions such
// as "HHT Dir" or "OK" are the window's own words, read as shown).
QStringList NamedInEnglish(const QWidget& window)
{
    const QRegularExpression english(QStringLiteral("^[^\\x{3000}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]*[A-Za-z]{2,}"
                                                    "[^\\x{3000}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]*$"));
    QStringList faults;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!IsControl(widget) || !widget->accessibleName().contains(english))
            continue;
        const auto* button = qobject_cast<const QAbstractButton*>(widget);
        if (button && QString(button->text()).remove(QLatin1Char('&')) == widget->accessibleName())
            continue;
        if (ShownText(widget) == widget->accessibleName())
            continue;
        faults << window.objectName() + QLatin1Char('/') + widget->objectName() + QLatin1String(": ") +
                      widget->accessibleName();
    }
    return faults;
}

// Controls whose accessible name is not the text they show.
QStringList NamedOtherwise(const QWidget& window)
{
    QStringList faults;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        const auto shown = ShownText(widget);
        if (!shown || shown->isEmpty())
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        const QString name = accessible ? accessible->text(QAccessible::Name) : QString();
        if (name != *shown)
            faults << window.objectName() + QLatin1Char('/') + widget->objectName() + QLatin1String(": \"") + name +
                          QLatin1String("\" instead of \"") + *shown + QLatin1Char('"');
    }
    return faults;
}

} // namespace

class ControlNamesTest : public QObject {
    Q_OBJECT

private slots:
    void everyControlIsNamed()
    {
        tavelin::testing::IdleLink idle;
        auto& [work, state, pump, port, link, simulator] = idle;
        state.settings.RunMode = 2;
        modes::TransferJob job;
        job.directory = work.Text();

        std::vector<std::unique_ptr<QWidget>> windows;
        windows.push_back(std::make_unique<ui::ManualWindow>(link, QStringLiteral("manual")));
        windows.push_back(std::make_unique<ui::AutoWindow>(link, QStringLiteral("auto")));
        windows.push_back(std::make_unique<ui::SettingsDialog>(state, nullptr));
        windows.push_back(std::make_unique<ui::DirDialog>(settings::DirTarget::DownDir, work.Text().c_str(), nullptr));
        windows.push_back(std::make_unique<ui::DeleteDialog>("A.TXT", nullptr));
        windows.push_back(std::make_unique<ui::RenameDialog>(modes::RenameSide::Hht, "A.TXT", nullptr));
        windows.push_back(std::make_unique<ui::VersionDialog>(nullptr));
        windows.push_back(std::make_unique<ui::UploadFileDialog>("A.TXT", nullptr));
        windows.push_back(std::make_unique<ui::TransferDialog>(link, job, nullptr));
        windows.push_back(std::make_unique<ui::LineMonitorWindow>(link, nullptr));
        windows.push_back(std::make_unique<ui::ScanDialog>(link, ui::ScanDialog::TakeSettings{}, nullptr));
        QStringList faults, english;
        for (const auto& window : windows) {
            faults << Unnamed(*window);
            english << NamedInEnglish(*window);
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1String(", "))));
        QVERIFY2(english.isEmpty(), qPrintable(english.join(QLatin1String(", "))));
    }

    // A screen reader names the hand-held list's columns, though the list
    // shows no header.
    void theHandHeldListNamesItsColumns()
    {
        tavelin::testing::IdleLink idle;
        ui::ManualWindow manual(idle.link, QStringLiteral("manual"));
        auto* list = manual.findChild<QAbstractItemView*>(QStringLiteral("LbHHTFile"));
        QVERIFY(list);
        QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("ファイル名"));
        QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("サイズ"));
    }

    // The texts that change as the program runs, each set the way the
    // program sets it, then read back through the accessibility interface.
    void aChangingTextIsReadAsShown()
    {
        tavelin::testing::IdleLink idle;
        auto& [work, state, pump, port, link, simulator] = idle;
        state.settings.RunMode = 2;
        modes::TransferJob job;
        job.directory = work.Text();

        ui::TransferDialog transfer(link, job, nullptr);
        transfer.setObjectName(QStringLiteral("F_DownDlg"));
        transfer.SetMessage("MASTER.DAT をダウンロードしています");
        auto& progress = transfer.Progress();
        progress.SetMin(0);
        progress.SetMax(26300);
        progress.SetValue(10000);
        progress.SetVisible(true);
        auto* figures = transfer.findChild<QLabel*>(QStringLiteral("LblFigures"));
        QVERIFY(figures->text().contains(QStringLiteral("10")));
        ui::AutoWindow automatic(link, QStringLiteral("auto"));
        automatic.SetMessage("ハンディ［001］に接続しています");
        ui::ManualWindow manual(link, QStringLiteral("manual"));
        manual.SetConnectionMessage("ハンディ接続中･･･", modes::MessageColour::Black);
        manual.FreeSpace().SetText("123456");
        ui::DeleteDialog deletion("A.TXT", nullptr);
        ui::UploadFileDialog question("UP.DAT", nullptr);
        ui::DirDialog chooser(settings::DirTarget::UpDir, work.Text().c_str(), nullptr);
        ui::SettingsDialog settingsDialog(state, nullptr);

        QStringList faults;
        for (const QWidget* window : std::initializer_list<const QWidget*>{
                 &transfer, &automatic, &manual, &deletion, &question, &chooser, &settingsDialog})
            faults << NamedOtherwise(*window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1String(", "))));

        // Nothing shown: the control's descriptive name stands in.
        transfer.SetMessage("");
        auto* message = transfer.findChild<QPlainTextEdit*>(QStringLiteral("TxtMsg"));
        QCOMPARE(message->accessibleName(), QStringLiteral("転送メッセージ"));
        QCOMPARE(message->accessibleDescription(), QStringLiteral("TxtMsg"));
    }
};

QTEST_MAIN(ControlNamesTest)
#include "control_names_test.moc"
