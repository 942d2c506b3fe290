// SPDX-License-Identifier: MIT
// X11 or Wayland: a display is there when the environment names one.
#include "display.h"

#include <QByteArrayList>
#include <QtGlobal>

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

} // namespace tavelin::app
