// SPDX-License-Identifier: MIT
#include "display.h"

#include "settings/console_output.h"

#include <QGuiApplication>
#include <QtGlobal>

#include <cstdio>

namespace tavelin::app {

namespace {

// The offscreen platform of unattended runs reports what it cannot do for a
// window nobody sees; that is no news for a batch log.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    settings::PrintText(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, message)));
}

} // namespace

bool ScreenAvailable()
{
    if (qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen"))
        return false;
    return DisplayNamed();
}

bool ChooseDisplay(bool automatic, bool& screen)
{
    screen = ScreenAvailable();
    if (screen) {
        FallBackToOffscreen();
        return true;
    }
    if (!automatic) {
        settings::PrintText(stderr, "tavelin: manual mode needs a display (set DISPLAY or WAYLAND_DISPLAY)\n");
        return false;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietOffscreenNotes);
    return true;
}

bool CheckDisplayReached(bool automatic, bool& screen)
{
    if (!screen || QGuiApplication::platformName() != QLatin1String("offscreen"))
        return true;
    screen = false;
    if (!automatic) {
        settings::PrintText(stderr, "tavelin: manual mode needs a display; %s cannot be reached\n",
                            qUtf8Printable(NamedDisplay()));
        return false;
    }
    settings::PrintText(stderr, "tavelin: the display %s cannot be reached; running without one\n",
                        qUtf8Printable(NamedDisplay()));
    qInstallMessageHandler(QuietOffscreenNotes);
    return true;
}

} // namespace tavelin::app
