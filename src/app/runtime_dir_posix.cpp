// SPDX-License-Identifier: MIT
#include "runtime_dir.h"

#include "single_instance.h"

#include <QDir>
#include <QtGlobal>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::app {

// A relative one counts as none: it would make a folder wherever the run is.
void EnsureRuntimeDir()
{
    if (!SingleInstance::RuntimeDir().isEmpty())
        return;
    const QByteArray dir = QDir::tempPath().toLocal8Bit() + "/runtime-" + QByteArray::number(getuid());
    if (mkdir(dir.constData(), 0700) == 0 || errno == EEXIST)
        qputenv("XDG_RUNTIME_DIR", dir);
}

} // namespace tavelin::app
