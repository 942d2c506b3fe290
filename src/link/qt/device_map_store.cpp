// SPDX-License-Identifier: MIT
#include "device_map_store.h"

#include "link/port_names.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace tavelin::link {

// Named outright: Qt's own name for a user's INI file ends in .ini, where
// the desktop's convention (and Qt's native format there) is .conf.
QString UserSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tavelin/tavelin.conf");
}

namespace {

// Qt's own reading decides whether a text is in the settings file's form,
// every section of it. It reads a copy: Qt keeps what it once read of a file
// and reports a format error only to the first reader of it.
bool InSettingsForm(const QByteArray& text)
{
    QTemporaryFile copy;
    if (!copy.open() || copy.write(text) != text.size() || !copy.flush())
        return true; // cannot tell: read as Qt reads it
    QSettings probe(copy.fileName(), QSettings::IniFormat);
    probe.allKeys();
    return probe.status() != QSettings::FormatError;
}

// Only a regular file is opened: anything else could make the read wait.
std::string WhyUnreadable(const QString& path, const QFileInfo& info)
{
    if (!info.exists())
        return info.isSymLink() ? "is a symbolic link to nothing" : "";
    if (info.isDir())
        return "is a folder, not a file";
    if (!info.isFile())
        return "is not a regular file (a FIFO, socket or device)";
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QString words = file.errorString();
        if (!words.isEmpty())
            words[0] = words[0].toLower();
        return "cannot be read (" + words.toStdString() + ")";
    }
    if (!InSettingsForm(file.readAll()))
        return "is not in the form of a settings file";
    return "";
}

QString Key(int commPort) { return QStringLiteral("ports/COM%1").arg(commPort); }

} // namespace

UserSettingsFileCheck CheckUserSettingsFile()
{
    const QString path = UserSettingsFile();
    const QFileInfo info(path);
    UserSettingsFileCheck check;
    check.unreadable = WhyUnreadable(path, info);
    if (!check.Readable() || !info.exists())
        return check;
    if (info.isSymLink())
        check.unwritable = "is a symbolic link";
#ifdef Q_OS_UNIX
    else if (info.ownerId() != ::getuid())
        check.unwritable = "belongs to another user";
#endif
    return check;
}

std::string UserSettingsFileProblem(const std::string& problem)
{
    return "the settings file " + QuotedName(UserSettingsFile().toStdString()) + " " + problem;
}

settings::DeviceChoices LoadDeviceChoices()
{
    settings::DeviceChoices choices;
    const UserSettingsFileCheck file = CheckUserSettingsFile();
    if (!file.Readable()) {
        choices.unreadable = UserSettingsFileProblem(file.unreadable);
        return choices;
    }
    const QSettings store(UserSettingsFile(), QSettings::IniFormat);
    for (int port = 1; port <= settings::kComNames; ++port)
        choices.chosen[std::size_t(port - 1)] = store.value(Key(port)).toString().trimmed().toStdString();
    return choices;
}

bool SaveDeviceChoices(const settings::DeviceChoices& choices)
{
    if (!CheckUserSettingsFile().Writable())
        return false;
    QSettings store(UserSettingsFile(), QSettings::IniFormat);
    for (int port = 1; port <= settings::kComNames; ++port) {
        const std::string& device = choices.chosen[std::size_t(port - 1)];
        if (device.empty())
            store.remove(Key(port));
        else
            store.setValue(Key(port), QString::fromStdString(device));
    }
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace tavelin::link
