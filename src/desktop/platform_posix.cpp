// SPDX-License-Identifier: MIT
// The settings files on POSIX systems: who else may change one (file_owner.h,
// owners and mode bits) and the folder of the one for all users
// (machine_settings_file.h), and this user's (user_settings_file.h).
#include "file_owner.h"
#include "machine_settings_file.h"
#include "user_settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdlib>
#include <memory>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::desktop {

bool BelongsToAnotherUser(const QFileInfo& info) { return info.ownerId() != ::getuid(); }

namespace {

using Why = OthersMayChange::Why;

bool MayBeTrusted(uid_t owner) { return owner == 0 || owner == ::getuid() || owner == ::geteuid(); }

std::string UserName(uid_t uid)
{
    // getpwuid's record is enough here: read at once.
    if (const passwd* user = ::getpwuid(uid))
        return user->pw_name;
    return std::to_string(uid);
}

std::string Parent(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

std::optional<std::string> RealPath(const std::string& path)
{
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (!real)
        return std::nullopt;
    return std::string(real.get());
}

// `path` and `shown` name an entry found by RealPath, so no link is left in it.
OthersMayChange Look(const std::string& path, const std::string& shown, bool folder, bool stickyWillDo)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {Why::CannotTell, {}, false, {}};
    if (!MayBeTrusted(info.st_uid))
        return {Why::ForeignOwner, shown, folder, UserName(info.st_uid)};
    if ((info.st_mode & S_IWOTH) != 0 && !(stickyWillDo && (info.st_mode & S_ISVTX) != 0))
        return {Why::WritableByAll, shown, folder, {}};
    return {};
}

// The folder and every one above it.
OthersMayChange LookUp(const std::string& folder)
{
    bool own = true; // the folder that holds the entry itself: not even sticky may be open
    for (std::string dir = folder;; dir = Parent(dir)) {
        if (const OthersMayChange found = Look(dir, dir, true, !own); found.why != Why::Nobody)
            return found;
        own = false;
        if (dir == "/")
            return {};
    }
}

} // namespace

OthersMayChange WhoElseMayChange(const QString& path)
{
    const std::string given = QFile::encodeName(QDir::cleanPath(QFileInfo(path).absoluteFilePath())).toStdString();
    const std::optional<std::string> file = RealPath(given);
    const std::optional<std::string> linkFolder = RealPath(Parent(given));
    if (!file || !linkFolder)
        return {Why::CannotTell, {}, false, {}};
    if (const OthersMayChange found = Look(*file, *file == given ? std::string() : *file, false, false);
        found.why != Why::Nobody)
        return found;
    if (const OthersMayChange found = LookUp(Parent(*file)); found.why != Why::Nobody)
        return found;
    return *linkFolder == Parent(*file) ? OthersMayChange{} : LookUp(*linkFolder);
}

// Fixed rather than the first entry of XDG_CONFIG_DIRS: a run under cron or
// another account would see another list, and the point of the file is that
// every user's run reads the same one.
QString SystemMachineSettingsFolder() { return QStringLiteral("/etc/xdg/tavelin"); }

// Named outright: Qt's own name for a user's INI file ends in .ini, where
// the desktop's convention (and Qt's native format there) is .conf.
QString SystemUserSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tavelin/tavelin.conf");
}

QString FormerUserSettingsFile() { return {}; }

} // namespace tavelin::desktop
