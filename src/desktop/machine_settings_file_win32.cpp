// SPDX-License-Identifier: MIT
// Qt names no ProgramData location; the system sets PROGRAMDATA for every
// account, services and scheduled tasks included. Its standard place stands
// in should a stripped environment lack it.
#include "machine_settings_file.h"

#include <QDir>

namespace tavelin::desktop {

QString SystemMachineSettingsFolder()
{
    QString base = qEnvironmentVariable("PROGRAMDATA");
    if (base.isEmpty())
        base = QStringLiteral("C:\\ProgramData");
    return QDir::fromNativeSeparators(base) + QStringLiteral("/tavelin");
}

} // namespace tavelin::desktop
