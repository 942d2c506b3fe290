// SPDX-License-Identifier: MIT
// What the window's local socket does with what is not the request: the
// client talks from a thread of its own, as it would from its own process,
// while the window's event loop runs here.
#include "window_handover_fixture.h"

#include <QLocalSocket>

#include <atomic>
#include <filesystem>
#include <thread>

namespace tavelin::app {
namespace {

class HandOverSocket : public HandOverFixture {
protected:
    // Runs `client` on a thread of its own while this thread's events run.
    static void WhileServing(const std::function<void()>& client)
    {
        std::atomic<bool> done = false;
        std::thread asking([&] {
            client();
            done = true;
        });
        ServeUntil([&] { return done.load(); });
        asking.join();
    }
};

TEST_F(HandOverSocket, AnythingButTheRequestIsDroppedAndNobodyElseMayConnect)
{
    ASSERT_TRUE(server->Listen(socket));
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
    EXPECT_EQ(raised, 0);
    EXPECT_EQ(std::filesystem::status(socket.toStdString()).permissions() &
                  (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
              std::filesystem::perms::none);
}

} // namespace
} // namespace tavelin::app
