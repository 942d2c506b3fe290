// SPDX-License-Identifier: MIT
#include "already_running.h"

#include "display.h"
#include "qt_message_box.h"
#include "settings/console_output.h"
#include "stop_signals.h"
#include "window_handover.h"

#include "desktop/user_settings.h"
#include "settings/texts.h"
#include "ui/controls.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

namespace tavelin::app {

namespace {

void SayInABox(int& argc, char** argv)
{
    if (!ScreenAvailable() || !DesktopSeen())
        return;
    FallBackToOffscreen();
    EnsureRuntimeDir();
    QApplication application(argc, argv);
    desktop::NameTheApplication();
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    ui::UseCjkFont();
    ui::UseJapaneseQtTexts();
    const StopSignalWatch stopSignals([] { CloseWaitingMessageBoxes(); });
    QtMessageBox(BoxWait{true, std::nullopt}).Show(texts::kMsgAlreadyRunning); // a window start: for its operator
}

} // namespace

bool HandedOverToWindow(int& argc, char** argv, const SingleInstance& instance)
{
    const QCoreApplication application(argc, argv); // the socket's events
    return AskToRaise(instance.HandOverName());
}

void SayAlreadyRunning(int& argc, char** argv, bool window, const SingleInstance& instance)
{
    const QByteArray folder = QDir::toNativeSeparators(instance.Folder()).toUtf8();
    if (const long long owner = instance.RecordedOwner())
        settings::PrintText(stderr,
                            "tavelin: another copy is already running in the work folder %s (process %lld); this one "
                            "ends\n",
                            folder.constData(), owner);
    else
        settings::PrintText(stderr, "tavelin: another copy is already running in the work folder %s; this one ends\n",
                            folder.constData());
    if (window)
        SayInABox(argc, argv);
}

void SayLockUnusable(const SingleInstance& instance)
{
    settings::PrintText(stderr, "tavelin: cannot use the lock file %s (%s); another copy may be running, so this one "
                                "ends\n",
                        qUtf8Printable(QDir::toNativeSeparators(instance.Path())), instance.Problem().c_str());
}

} // namespace tavelin::app
