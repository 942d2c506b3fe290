// SPDX-License-Identifier: MIT
// What both systems share; taking the lock is in single_instance_posix.cpp
// and single_instance_win32.cpp.
#include "single_instance.h"

#include <QFile>

namespace tavelin::app {

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
