// SPDX-License-Identifier: MIT
#include "single_instance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavelin::app {

#ifndef _WIN32
namespace {

QString FallbackFolder()
{
    return QDir::tempPath() + QStringLiteral("/tavelin-%1").arg(getuid());
}

// The fallback lock's folder, made private to this user when missing. One
// that is a link, another user's or open to others is refused: whoever may
// write in it could plant a lock file that takes the check away. The folder
// is looked at itself, not what a link in its place names.
std::string PrepareFallbackFolder(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return "its folder " + path.toStdString() + " cannot be made: " + std::strerror(errno);
    struct stat info;
    if (lstat(path.constData(), &info) != 0)
        return "its folder " + path.toStdString() + ": " + std::strerror(errno);
    if (!S_ISDIR(info.st_mode))
        return "its folder " + path.toStdString() + " is not a folder (a link or a file)";
    if (info.st_uid != geteuid())
        return "its folder " + path.toStdString() + " belongs to another user";
    if ((info.st_mode & 077) != 0)
        return "its folder " + path.toStdString() + " is open to other users";
    return {};
}

} // namespace
#endif

QString SingleInstance::RuntimeDir()
{
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return QDir::isAbsolutePath(runtimeDir) ? runtimeDir : QString();
}

QString SingleInstance::LockPath()
{
#ifdef _WIN32
    return QDir::tempPath() + QStringLiteral("/tavelin.lock");
#else
    const QString runtimeDir = RuntimeDir();
    if (!runtimeDir.isEmpty() && QDir(runtimeDir).exists())
        return runtimeDir + QStringLiteral("/tavelin.lock");
    return FallbackFolder() + QStringLiteral("/tavelin.lock");
#endif
}

// The lock file is never removed: a copy waiting to lock it could then hold
// a file that no longer has a name while a third copy locks a new one.
#ifdef _WIN32
SingleInstance::~SingleInstance()
{
    if (handle_)
        CloseHandle(static_cast<HANDLE>(handle_));
}

InstanceLock SingleInstance::Acquire()
{
    // Opened without sharing the right to write: the open of a second copy
    // fails while this handle lives, and the system closes it when the
    // process ends, however it ends.
    const std::wstring path = QDir::toNativeSeparators(LockPath()).toStdWString();
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION)
            return InstanceLock::HeldElsewhere;
        problem_ = "system error " + std::to_string(error);
        return InstanceLock::Unusable;
    }
    handle_ = handle;
    const std::string pid = std::to_string(GetCurrentProcessId()) + "\r\n";
    DWORD written = 0;
    if (SetEndOfFile(handle))
        WriteFile(handle, pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr);
    return InstanceLock::Acquired;
}
#else
SingleInstance::~SingleInstance()
{
    if (fd_ >= 0)
        close(fd_);
}

InstanceLock SingleInstance::Acquire()
{
    const QString lockPath = LockPath();
    if (const QString folder = QFileInfo(lockPath).path(); folder == FallbackFolder()) {
        problem_ = PrepareFallbackFolder(folder);
        if (!problem_.empty())
            return InstanceLock::Unusable;
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
    fd_ = fd;
    // A failure here costs only the pid in the message of a second copy.
    const QByteArray pid = QByteArray::number(static_cast<qint64>(getpid())) + '\n';
    if (ftruncate(fd_, 0) == 0) {
        [[maybe_unused]] const ssize_t written = pwrite(fd_, pid.constData(), static_cast<std::size_t>(pid.size()), 0);
    }
    return InstanceLock::Acquired;
}
#endif

long long SingleInstance::RecordedOwner()
{
    QFile file(LockPath());
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    bool number = false;
    const long long pid = file.readLine(32).trimmed().toLongLong(&number);
    return number && pid > 0 ? pid : 0;
}

} // namespace tavelin::app
