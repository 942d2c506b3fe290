// SPDX-License-Identifier: MIT
#include "user_settings.h"

#include "window_geometry.h"

#include "app/work_folder.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>

namespace tavelin::desktop {

namespace {

const QString kOrganisation = QStringLiteral("tavelin");
const QString kApplication = QStringLiteral("tavelin");
// The packaging installs the desktop entry under this name.
const QString kDesktopFileName = QStringLiteral("org.example.tavelin");

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

void UserSettings::RememberWorkFolder(const std::string& dir)
{
    const std::string plain = Plain(dir);
    store_.SaveWorkFolders(plain, app::WithRecentFolder(store_.RecentWorkFolders(), plain));
}

void UserSettings::RestoreWindow(QWidget& window) const
{
    // Only a size and place that fit a screen present now; else the default.
    RestoreFittingGeometry(window, store_.WindowGeometry());
}

void UserSettings::SaveWindow(const QWidget& window) { store_.SaveWindowGeometry(window.saveGeometry()); }

} // namespace tavelin::desktop
