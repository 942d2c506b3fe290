// SPDX-License-Identifier: MIT
// The hand-over as the program makes it: the window listens here while a
// second start asks from a process of its own (handover_ask, built beside
// this test), as it must on every system.
#include "window_handover_fixture.h"

#include <QProcess>

namespace tavelin::app {
namespace {

class HandOverRoundTrip : public HandOverFixture {
protected:
    // The helper's status: 0 answered, 1 not, -1 when it did not run or end.
    int AskFromAnotherProcess()
    {
        QProcess asking;
        asking.start(QCoreApplication::applicationDirPath() + QStringLiteral("/handover_ask"), {socket});
        ServeUntil([&] { return asking.state() == QProcess::NotRunning; });
        if (asking.state() != QProcess::NotRunning || asking.exitStatus() != QProcess::NormalExit ||
            asking.error() == QProcess::FailedToStart)
            return -1;
        return asking.exitCode();
    }
};

TEST_F(HandOverRoundTrip, AnotherProcessIsAnsweredOnlyWhileTheWindowListens)
{
    EXPECT_EQ(AskFromAnotherProcess(), 1); // nobody listens
    // Where the name is a path, what a crashed window left there is replaced.
    folder.Put("tavelin-test.socket", "");
    ASSERT_TRUE(server->Listen(socket));

    EXPECT_EQ(AskFromAnotherProcess(), 0);
    EXPECT_EQ(raised, 1);

    server.reset(); // the window closed
    EXPECT_EQ(AskFromAnotherProcess(), 1);
    EXPECT_EQ(raised, 1);
}

} // namespace
} // namespace tavelin::app
