// SPDX-License-Identifier: MIT
// Every control of every window and dialog can be found by tests, screen
// readers and automation: its table name as object name and accessible
// description, and a name a person understands as accessible name.
#include "link/memory_port.h"
#include "link/virtual_pump.h"
#include "settings/param_files.h"
#include "temp_dir.h"
#include "ui/auto_window.h"
#include "ui/dir_dialog.h"
#include "ui/manual_dialogs.h"
#include "ui/manual_window.h"
#include "ui/settings_dialog.h"
#include "ui/transfer_dialog.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTest>

#include <memory>

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

} // namespace

class ControlNamesTest : public QObject {
    Q_OBJECT

private slots:
    void everyControlIsNamed()
    {
        tavelin::testing::TempDir work;
        settings::AppState state;
        state.settings.WorkDir = work.Text();
        settings::ApplyCommDefaults(state.settings);
        state.settings.RunMode = 2;
        state.settings.PollInterval = 30;
        link::VirtualPump pump;
        link::MemoryPort port{pump};
        link::Link link{port, pump, state};
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
        QStringList faults;
        for (const auto& window : windows)
            faults << Unnamed(*window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1String(", "))));
    }
};

QTEST_MAIN(ControlNamesTest)
#include "control_names_test.moc"
