// SPDX-License-Identifier: MIT
#include "user_settings_store.h"

#include "file_owner.h"
#include "link/port_names.h"
#include "machine_settings_file.h"
#include "user_settings_file.h"
#include "settings/console_output.h"
#include "settings/file_system.h"
#include "settings/status.h"
#include "settings/texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <filesystem>

namespace tavelin::desktop {

using link::QuotedName;

// A former file that could not be moved stays the one read and written
// until it can be: a user's settings are never left behind.
QString UserSettingsFile()
{
    const QString file = SystemUserSettingsFile();
    const QString former = FormerUserSettingsFile();
    if (!former.isEmpty() && !QFileInfo(file).exists() && !QFileInfo(file).isSymLink() && QFileInfo(former).isFile())
        return former;
    return file;
}

// A rename leaves the file whole in one place or the other, and never
// replaces one already at the new place; only a plain file is moved (a link
// is read where it is, and not written, as at the new place).
void MoveFormerUserSettings()
{
    const QString former = FormerUserSettingsFile();
    if (former.isEmpty() || UserSettingsFile() != former || QFileInfo(former).isSymLink())
        return;
    const QString file = SystemUserSettingsFile();
    const QString folder = QFileInfo(file).absolutePath();
    const auto native = [](const QString& path) { return QDir::toNativeSeparators(path).toStdString(); };
    if (!QDir().mkpath(folder) || !settings::RenameNoReplace(std::filesystem::path(former.toStdU16String()),
                                                             std::filesystem::path(file.toStdU16String()))) {
        settings::PrintText(stderr, "tavelin: the settings file %s cannot be moved to %s; it is used where it is\n",
                            QuotedName(native(former)).c_str(), QuotedName(native(file)).c_str());
        return;
    }
    settings::FlushDirectory(std::filesystem::path(folder.toStdU16String()));
    settings::FlushDirectory(std::filesystem::path(QFileInfo(former).absolutePath().toStdU16String()));
    settings::PrintText(stderr, "tavelin: the settings file %s is now %s, apart from the work folder\n",
                        QuotedName(native(former)).c_str(), QuotedName(native(file)).c_str());
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

// Done when the file can be read or there is none. Only a regular file is
// opened: anything else could make the read wait.
Status Readable(const QString& path, const QFileInfo& info)
{
    if (!info.exists())
        return info.isSymLink() ? Status::Failed("is a symbolic link to nothing") : Status::Ok();
    if (info.isDir())
        return Status::Failed("is a folder, not a file");
    if (!info.isFile())
        return Status::Failed("is not a regular file (a FIFO, socket or device)");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QString words = file.errorString();
        if (!words.isEmpty())
            words[0] = words[0].toLower();
        return Status::Failed("cannot be read (" + words.toStdString() + ")");
    }
    if (!InSettingsForm(file.readAll()))
        return Status::Failed("is not in the form of a settings file");
    return Status::Ok();
}

QString Key(int commPort) { return QStringLiteral("ports/COM%1").arg(commPort); }

const QString kVersionKey = QStringLiteral("version");
const QString kLastKey = QStringLiteral("workdir/last");
const QString kRecentKey = QStringLiteral("workdir/recent");
const QString kGeometryKey = QStringLiteral("window/geometry");

// Every save says the layout it wrote; a newer program's file keeps its own.
void MarkLayout(QSettings& store)
{
    if (!store.contains(kVersionKey) || store.value(kVersionKey).toInt() < kUserSettingsLayout)
        store.setValue(kVersionKey, kUserSettingsLayout);
}

// Written with the layout; Qt flushes its new file and renames it over the
// old one, and the rename is brought to the disk too, so a save that says
// it is done outlasts a power cut. False when the file was not written.
bool Save(QSettings& store)
{
    MarkLayout(store);
    store.sync();
    settings::FlushDirectory(std::filesystem::path(QFileInfo(store.fileName()).absolutePath().toStdU16String()));
    return store.status() == QSettings::NoError;
}

// Every user's run takes its devices from the file for all users of the PC,
// so what anybody else than an administrator or the user running could have
// written in it is not read, as a file that cannot be read is not.
Status Trusted(const QString& path)
{
    const OthersMayChange found = WhoElseMayChange(path);
    using Why = OthersMayChange::Why;
    if (found.why == Why::Nobody)
        return Status::Ok();
    if (found.why == Why::CannotTell)
        return Status::Failed(std::string(texts::kOpenToOthersCannotTell));
    std::string why(texts::kOpenToOthersPrefix);
    if (found.where.empty())
        why += texts::kOpenToOthersItself;
    else if (found.folder)
        why += std::string(texts::kOpenToOthersFolder) + QuotedName(found.where);
    else
        why += std::string(texts::kOpenToOthersTarget) + QuotedName(found.where) +
               std::string(texts::kOpenToOthersTargetEnd);
    if (found.why == Why::WritableByAll)
        return Status::Failed(why + std::string(texts::kOpenToOthersWritable));
    if (found.why == Why::OtherWriter)
        return Status::Failed(why + std::string(texts::kOpenToOthersWriter) + QuotedName(found.owner) +
                              std::string(texts::kOpenToOthersOwnerEnd));
    return Status::Failed(why + std::string(texts::kOpenToOthersOwner) + QuotedName(found.owner) +
                          std::string(texts::kOpenToOthersOwnerEnd));
}

// mustBeOwn: this user's file, which is not written when another's;
// otherwise the file for all users, which is not read when others could
// have written it.
UserSettingsFileCheck CheckSettingsFile(const QString& path, bool mustBeOwn)
{
    const QFileInfo info(path);
    UserSettingsFileCheck check;
    check.unreadable = Readable(path, info).Reason();
    if (check.Readable() && info.exists() && !mustBeOwn)
        check.unreadable = Trusted(path).Reason();
    if (!check.Readable() || !info.exists())
        return check;
    if (info.isSymLink())
        check.unwritable = "is a symbolic link";
    else if (mustBeOwn && BelongsToAnotherUser(info))
        check.unwritable = "belongs to another user";
    return check;
}

using Entries = std::array<std::string, settings::kComNames>;

// The group "ports" of a file that passed its checks.
Entries ReadPorts(const QSettings& store)
{
    Entries entries;
    for (int port = 1; port <= settings::kComNames; ++port)
        entries[std::size_t(port - 1)] = store.value(Key(port)).toString().trimmed().toStdString();
    return entries;
}

bool WritePorts(const QString& path, const Entries& entries)
{
    QSettings store(path, QSettings::IniFormat);
    for (int port = 1; port <= settings::kComNames; ++port) {
        const std::string& device = entries[std::size_t(port - 1)];
        if (device.empty())
            store.remove(Key(port));
        else
            store.setValue(Key(port), QString::fromStdString(device));
    }
    return Save(store);
}

} // namespace

UserSettingsFileCheck CheckUserSettingsFile() { return CheckSettingsFile(UserSettingsFile(), true); }

std::string UserSettingsFileProblem(const std::string& problem)
{
    return "the settings file " + QuotedName(UserSettingsFile().toStdString()) + " " + problem;
}

QString MachineSettingsFile()
{
    if (const QString file = qEnvironmentVariable("TAVELIN_MACHINE_CONF"); !file.isEmpty())
        return file;
    return SystemMachineSettingsFolder() + QStringLiteral("/tavelin.conf");
}

UserSettingsFileCheck CheckMachineSettingsFile() { return CheckSettingsFile(MachineSettingsFile(), false); }

std::string MachineSettingsFileProblem(const std::string& problem)
{
    return "the settings file for all users of this PC " +
           QuotedName(QDir::toNativeSeparators(MachineSettingsFile()).toStdString()) + " " + problem;
}

namespace {

// This user's choices from the file as it was checked (`file`) and read
// (`store`), and this PC's, its file checked and read here.
settings::DeviceChoices ReadDeviceChoices(const UserSettingsFileCheck& file, const QSettings& store)
{
    settings::DeviceChoices choices;
    if (file.Readable())
        choices.chosen = ReadPorts(store);
    else
        choices.unreadable = UserSettingsFileProblem(file.unreadable);
    if (const UserSettingsFileCheck machine = CheckMachineSettingsFile(); machine.Readable())
        choices.machine = ReadPorts(QSettings(MachineSettingsFile(), QSettings::IniFormat));
    else
        choices.machineUnreadable = MachineSettingsFileProblem(machine.unreadable);
    return choices;
}

} // namespace

settings::DeviceChoices LoadDeviceChoices() { return UserSettingsStore().Devices(); }

bool SaveDeviceChoices(const settings::DeviceChoices& choices)
{
    return CheckUserSettingsFile().Writable() && WritePorts(UserSettingsFile(), choices.chosen);
}

bool SaveMachineDeviceChoices(const settings::DeviceChoices& choices)
{
    const QString path = MachineSettingsFile();
    if (!CheckMachineSettingsFile().Writable() || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    return WritePorts(path, choices.machine);
}

namespace {

UserSettingsFileCheck MovedAndChecked()
{
    MoveFormerUserSettings();
    return CheckUserSettingsFile();
}

} // namespace

// A file that cannot be read is not handed to Qt at all; Qt's settings
// without a file name read nothing and are never written here.
UserSettingsStore::UserSettingsStore()
    : read_(MovedAndChecked()), settings_(read_.Readable() ? UserSettingsFile() : QString(), QSettings::IniFormat),
      devices_(ReadDeviceChoices(read_, settings_))
{
}

bool UserSettingsStore::MayWrite()
{
    if (!read_.Readable())
        return false; // the device map's loading has said so
    const UserSettingsFileCheck now = CheckUserSettingsFile();
    if (now.Writable())
        return true;
    if (!toldUnwritable_) {
        toldUnwritable_ = true;
        const std::string& why = now.Readable() ? now.unwritable : now.unreadable;
        settings::PrintText(stderr, "tavelin: %s; the work folders and the window's place are not saved in it\n",
                            UserSettingsFileProblem(why).c_str());
    }
    return false;
}

void UserSettingsStore::Sync() { Save(settings_); }

std::optional<std::string> UserSettingsStore::LastWorkFolder() const
{
    const QString last = settings_.value(kLastKey).toString();
    if (last.isEmpty())
        return std::nullopt;
    return last.toStdString();
}

std::vector<std::string> UserSettingsStore::RecentWorkFolders() const
{
    std::vector<std::string> recent;
    for (const QString& dir : settings_.value(kRecentKey).toStringList())
        if (!dir.isEmpty())
            recent.push_back(dir.toStdString());
    return recent;
}

void UserSettingsStore::SaveWorkFolders(const std::string& last, const std::vector<std::string>& recent)
{
    if (!MayWrite())
        return;
    QStringList list;
    for (const std::string& entry : recent)
        list << QString::fromStdString(entry);
    settings_.setValue(kLastKey, QString::fromStdString(last));
    settings_.setValue(kRecentKey, list);
    Sync();
}

QByteArray UserSettingsStore::WindowGeometry() const { return settings_.value(kGeometryKey).toByteArray(); }

void UserSettingsStore::SaveWindowGeometry(const QByteArray& geometry)
{
    if (!MayWrite())
        return;
    settings_.setValue(kGeometryKey, geometry);
    Sync();
}

} // namespace tavelin::desktop
