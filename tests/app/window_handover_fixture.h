// SPDX-License-Identifier: MIT
// The running window's side of the hand-over in this process, with a name
// to listen on in a folder of the test's own and the requests it heard.
#pragma once

#include "app/window_handover.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tavelin::app {

class HandOverFixture : public ::testing::Test {
protected:
    // Runs this thread's events, which serve the window's side, until
    // `done` (or ten seconds have passed, not to hang the suite).
    static void ServeUntil(const std::function<bool()>& done)
    {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done())
                loop.quit();
        });
        poll.start(5);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        QCoreApplication::processEvents(); // what the last request left
    }

    int argc = 1;
    char name[9] = "handover";
    char* argv[2] = {name, nullptr};
    QCoreApplication application{argc, argv};
    testing::TempDir folder;
    const QString socket = QString::fromStdString((folder.Path() / "tavelin-test.socket").string());
    int raised = 0;
    std::unique_ptr<HandOverServer> server = std::make_unique<HandOverServer>([this] { ++raised; });
};

} // namespace tavelin::app
