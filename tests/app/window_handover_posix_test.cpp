// SPDX-License-Identifier: MIT
// The hand-over over a real local socket: the second start asks from a
// thread of its own, as it would from its own process, while the window's
// event loop runs here.
#include "app/window_handover.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLocalSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

namespace tavelin::app {
namespace {

class HandOverSocket : public ::testing::Test {
protected:
    // Runs `client` on a thread of its own while this thread's events run.
    static void WhileServing(const std::function<void()>& client)
    {
        std::atomic<bool> done = false;
        std::thread asking([&] {
            client();
            done = true;
        });
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done)
                loop.quit();
        });
        poll.start(5);
        loop.exec();
        asking.join();
        QCoreApplication::processEvents(); // what the last connection left
    }

    int argc = 1;
    char name[9] = "handover";
    char* argv[2] = {name, nullptr};
    QCoreApplication application{argc, argv};
    testing::TempDir folder;
    const QString socket = QString::fromStdString((folder.Path() / "tavelin-test.socket").string());
    int raised = 0;
    HandOverServer server{[this] { ++raised; }};
};

TEST_F(HandOverSocket, ARequestIsAnsweredAndRaisesAndNothingElseIs)
{
    EXPECT_FALSE(AskToRaise(socket)); // nobody listens
    // What a crashed window left behind is replaced.
    folder.Put("tavelin-test.socket", "");
    ASSERT_TRUE(server.Listen(socket));

    bool answered = false;
    WhileServing([&] { answered = AskToRaise(socket); });
    EXPECT_TRUE(answered);
    EXPECT_EQ(raised, 1);

    // Another request, or one cut short, is dropped unanswered.
    for (const QByteArray& said : {QByteArray("open /etc/passwd\n"), QByteArray("tavelin ra")}) {
        QByteArray answer = "none";
        WhileServing([&] {
            QLocalSocket client;
            client.connectToServer(socket);
            ASSERT_TRUE(client.waitForConnected(1000));
            client.write(said);
            client.waitForBytesWritten(1000);
            client.waitForReadyRead(kHandOverWaitMs + 500);
            answer = client.readAll();
        });
        EXPECT_EQ(answer, "") << said.toStdString();
    }
    EXPECT_EQ(raised, 1);
    // Nobody else may connect.
    EXPECT_EQ(std::filesystem::status(socket.toStdString()).permissions() &
                  (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
              std::filesystem::perms::none);
}

} // namespace
} // namespace tavelin::app
