// SPDX-License-Identifier: MIT
// X11 or Wayland: a display is there when the environment names one.
#include "display.h"

#include "single_instance.h"

#include <QByteArrayList>
#include <QFile>
#include <QtGlobal>

#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::app {

bool DisplayNamed()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

// The program then asks which platform it got. A platform chosen by
// whoever started the program is still tried first.
void FallBackToOffscreen()
{
    QByteArrayList platforms = qgetenv("QT_QPA_PLATFORM").split(';');
    platforms.removeAll(QByteArray());
    if (platforms.isEmpty()) {
        // Those a display is named for, the session's own kind first.
        if (qEnvironmentVariableIsSet("DISPLAY"))
            platforms << "xcb";
        if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
            if (qgetenv("XDG_SESSION_TYPE") == "wayland")
                platforms.prepend("wayland");
            else
                platforms.append("wayland");
        }
    }
    if (!platforms.contains("offscreen"))
        qputenv("QT_QPA_PLATFORM", (platforms << "offscreen").join(';'));
}

QString NamedDisplay()
{
    const QString x11 = qEnvironmentVariable("DISPLAY");
    return x11.isEmpty() ? qEnvironmentVariable("WAYLAND_DISPLAY") : x11;
}

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
