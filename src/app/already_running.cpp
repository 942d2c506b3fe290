// SPDX-License-Identifier: MIT
#include "already_running.h"

#include "display.h"
#include "qt_message_box.h"
#include "stop_signals.h"

#include "desktop/user_settings.h"
#include "settings/texts.h"
#include "ui/controls.h"

#include <QApplication>

#include <cstdio>

namespace tavelin::app {

namespace {

void SayInABox(int& argc, char** argv)
{
    if (!ScreenAvailable())
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
    QtMessageBox(true).Show(texts::kMsgAlreadyRunning);
}

} // namespace

void SayAlreadyRunning(int& argc, char** argv, bool window)
{
    if (const long long owner = SingleInstance::RecordedOwner())
        std::fprintf(stderr, "tavelin: another copy is already running (process %lld); this one ends\n", owner);
    else
        std::fprintf(stderr, "tavelin: another copy is already running; this one ends\n");
    if (window)
        SayInABox(argc, argv);
}

void SayLockUnusable(const SingleInstance& instance)
{
    std::fprintf(stderr, "tavelin: cannot use the lock file %s (%s); another copy may be running, so this one "
                         "ends\n",
                 qPrintable(SingleInstance::LockPath()), instance.Problem().c_str());
}

} // namespace tavelin::app
