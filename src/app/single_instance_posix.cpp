// SPDX-License-Identifier: MIT
#include "single_instance.h"
#include "settings/status.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::app {

namespace {

QString FallbackFolder()
{
    return SingleInstance::TemporaryFolder() + QStringLiteral("/tavelin-%1").arg(getuid());
}

// The fallback lock's folder, made private to this user when missing. One
// that is a link, another user's or open to others is refused: whoever may
// write in it could plant a lock file that takes the check away. The folder
// is looked at itself, not what a link in its place names.
Status PrepareFallbackFolder(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return Status::Failed("its folder " + path.toStdString() + " cannot be made: " + std::strerror(errno));
    struct stat info;
    if (lstat(path.constData(), &info) != 0)
        return Status::Failed("its folder " + path.toStdString() + ": " + std::strerror(errno));
    if (!S_ISDIR(info.st_mode))
        return Status::Failed("its folder " + path.toStdString() + " is not a folder (a link or a file)");
    if (info.st_uid != geteuid())
        return Status::Failed("its folder " + path.toStdString() + " belongs to another user");
    if ((info.st_mode & 077) != 0)
        return Status::Failed("its folder " + path.toStdString() + " is open to other users");
    return Status::Ok();
}

} // namespace

// Qt's temporary path takes TMPDIR as it finds it: a relative one becomes a
// folder of the current directory, and one that does not exist an empty
// path, which put the lock's folder in "/".
QString SingleInstance::TemporaryFolder()
{
    const QString named = qEnvironmentVariable("TMPDIR");
    if (QDir::isAbsolutePath(named) && QFileInfo(named).isDir())
        return QDir::cleanPath(named);
    return QStringLiteral("/tmp");
}

// Looked at itself, as the fallback folder is: a link could be turned to
// another folder once the check has passed.
QString SingleInstance::RuntimeDir()
{
    const QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!QDir::isAbsolutePath(dir))
        return {};
    struct stat info;
    if (lstat(QFile::encodeName(dir).constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid() ||
        (info.st_mode & 077) != 0)
        return {};
    return dir;
}

QString SingleInstance::LockFolder()
{
    if (const QString runtimeDir = RuntimeDir(); !runtimeDir.isEmpty())
        return runtimeDir;
    return FallbackFolder();
}

// Names are as the system compares them: byte for byte.
QString SingleInstance::FolderKey(const QString& canonical) { return canonical; }

// A socket in the lock's private folder: nobody else can make one there
// first, nor connect to it.
QString SingleInstance::HandOverNameFor(const QString& canonical)
{
    return LockFolder() + QLatin1Char('/') + Stem(canonical) + QStringLiteral(".socket");
}

// The lock file is never removed: a copy waiting to lock it could then hold
// a file that no longer has a name while a third copy locks a new one.
SingleInstance::~SingleInstance()
{
    if (file_ >= 0)
        close(static_cast<int>(file_));
}

InstanceLock SingleInstance::Acquire()
{
    const QString& lockPath = path_;
    if (const QString folder = QFileInfo(lockPath).path(); folder == FallbackFolder()) {
        if (const Status prepared = PrepareFallbackFolder(folder); !prepared) {
            problem_ = prepared.Reason();
            return InstanceLock::Unusable;
        }
    }
    const QByteArray path = QFile::encodeName(lockPath);
    // No link is followed and nothing waits: a planted link or FIFO must not
    // take this process's pid or stop it.
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = open(path.constData(), O_RDWR | O_CREAT | flags, 0600);
    if (fd < 0 && errno == EACCES)
        fd = open(path.constData(), O_RDONLY | flags); // a file this user may not write still locks
    if (fd < 0) {
        problem_ = std::strerror(errno);
        return InstanceLock::Unusable;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid()) {
        // Another user's file could be held by that user for ever.
        problem_ = "not a regular file of this user";
        close(fd);
        return InstanceLock::Unusable;
    }
    // A lock on the open file, released by the system when the process ends
    // however it ends: what the file holds never matters.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        if (error == EWOULDBLOCK)
            return InstanceLock::HeldElsewhere;
        problem_ = std::strerror(error);
        return InstanceLock::Unusable;
    }
    file_ = fd;
    // A failure here costs only the pid in the message of a second copy.
    const QByteArray record =
        QByteArray::number(static_cast<qint64>(getpid())) + '\n' + QFile::encodeName(folder_) + '\n';
    if (ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written =
            pwrite(fd, record.constData(), static_cast<std::size_t>(record.size()), 0);
    }
    return InstanceLock::Acquired;
}

} // namespace tavelin::app
