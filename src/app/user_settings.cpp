// SPDX-License-Identifier: MIT
#include "user_settings.h"

#include "work_folder.h"
#include "link/qt/device_map_store.h"
#include "settings/paths.h"
#include "settings/texts.h"
#include "ui/drives.h"
#include "ui/window_geometry.h"

#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QWidget>

#include <cstdio>

namespace tavelin::app {

namespace {

const QString kOrganisation = QStringLiteral("tavelin");
const QString kApplication = QStringLiteral("tavelin");
// The packaging installs the desktop entry under this name.
const QString kDesktopFileName = QStringLiteral("org.example.tavelin");

const QString kLastKey = QStringLiteral("workdir/last");
const QString kRecentKey = QStringLiteral("workdir/recent");
const QString kGeometryKey = QStringLiteral("window/geometry");

// A folder as the user reads it: no trailing separator but for the root.
std::string Plain(std::string dir)
{
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\'))
        dir.pop_back();
    return dir;
}

} // namespace

void NameTheApplication()
{
    QCoreApplication::setOrganizationName(kOrganisation);
    QCoreApplication::setApplicationName(kApplication);
    QGuiApplication::setDesktopFileName(kDesktopFileName);
}

// The same file as the COM port map, so a user has one place for all. A
// file that cannot be read is not handed to Qt at all; Qt's settings without
// a file name read nothing and are never written here.
UserSettings::UserSettings()
    : read_(link::CheckUserSettingsFile()),
      settings_(read_.Readable() ? link::UserSettingsFile() : QString(), QSettings::IniFormat)
{
}

bool UserSettings::MayWrite()
{
    if (!read_.Readable())
        return false; // the device map's loading has said so
    const link::UserSettingsFileCheck now = link::CheckUserSettingsFile();
    if (now.Writable())
        return true;
    if (!toldUnwritable_) {
        toldUnwritable_ = true;
        const std::string& why = now.Readable() ? now.unwritable : now.unreadable;
        std::fprintf(stderr, "tavelin: %s; the work folders and the window's place are not saved in it\n",
                     link::UserSettingsFileProblem(why).c_str());
    }
    return false;
}

std::optional<std::string> UserSettings::LastWorkFolder() const
{
    const QString last = settings_.value(kLastKey).toString();
    if (last.isEmpty())
        return std::nullopt;
    return last.toStdString();
}

std::vector<std::string> UserSettings::RecentWorkFolders() const
{
    std::vector<std::string> recent;
    for (const QString& dir : settings_.value(kRecentKey).toStringList())
        if (!dir.isEmpty())
            recent.push_back(dir.toStdString());
    return recent;
}

void UserSettings::RememberWorkFolder(const std::string& dir)
{
    if (!MayWrite())
        return;
    const std::string plain = Plain(dir);
    QStringList recent;
    for (const std::string& entry : WithRecentFolder(RecentWorkFolders(), plain))
        recent << QString::fromStdString(entry);
    settings_.setValue(kLastKey, QString::fromStdString(plain));
    settings_.setValue(kRecentKey, recent);
    settings_.sync();
}

void UserSettings::RestoreWindow(QWidget& window) const
{
    // Only a size and place that fit a screen present now; else the default.
    ui::RestoreFittingGeometry(window, settings_.value(kGeometryKey).toByteArray());
}

void UserSettings::SaveWindow(const QWidget& window)
{
    if (!MayWrite())
        return;
    settings_.setValue(kGeometryKey, window.saveGeometry());
    settings_.sync();
}

std::optional<std::string> QtWorkFolders::AskFolder(const std::string& start)
{
    QFileDialog dialog(parent_, QString::fromUtf8(texts::kAskWorkFolder.data(), qsizetype(texts::kAskWorkFolder.size())),
                       QString::fromStdString(start));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // Qt's own dialog lists a folder by name only: a FIFO or a device in the
    // folder shown must not hold the window.
    dialog.setIconProvider(ui::IconsByName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

bool QtWorkFolders::Enter(const std::string& dir)
{
    if (!SwitchWorkFolder(state_, messages_, dir, state_.settings.WorkDir))
        return false;
    user_.RememberWorkFolder(state_.settings.WorkDir);
    return true;
}

} // namespace tavelin::app
