#include "single_instance.h"

#include <QDir>

#ifndef _WIN32
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

bool SingleInstance::Acquire()
{
    lock_ = std::make_unique<QLockFile>(LockPath());
    // A lock whose owner process is gone is taken over at once.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(0);
}

} // namespace tavelin::app
