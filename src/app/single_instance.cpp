// SPDX-License-Identifier: MIT
#include "single_instance.h"

#include <QDir>
#include <QFile>

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

QString SingleInstance::LockPath()
{
#ifdef _WIN32
    return QDir::tempPath() + QStringLiteral("/tavelin.lock");
#else
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty() && QDir(runtimeDir).exists())
        return runtimeDir + QStringLiteral("/tavelin.lock");
    return QDir::tempPath() + QStringLiteral("/tavelin-%1.lock").arg(getuid());
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
    const QByteArray path = QFile::encodeName(LockPath());
    // No link is followed and nothing waits: in the shared temporary
    // directory a planted link or FIFO must not take this process's pid or
    // stop it.
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
