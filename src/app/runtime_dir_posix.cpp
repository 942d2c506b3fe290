// SPDX-License-Identifier: MIT
#include "runtime_dir.h"

#include "single_instance.h"

#include <QFile>
#include <QtGlobal>

#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::app {

// One the lock would not use (relative, another user's, open to others)
// counts as none: Qt keeps its sockets and files there. When no folder of
// this user's own can be named, none is: Qt makes its own and says why.
void EnsureRuntimeDir()
{
    if (!SingleInstance::RuntimeDir().isEmpty())
        return;
    const QByteArray dir =
        QFile::encodeName(SingleInstance::TemporaryFolder()) + "/runtime-" + QByteArray::number(getuid());
    mkdir(dir.constData(), 0700); // or it is there already, checked below
    qputenv("XDG_RUNTIME_DIR", dir);
    if (SingleInstance::RuntimeDir().isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
}

} // namespace tavelin::app
