// SPDX-License-Identifier: MIT
// The main of the suites that need Qt's event loop without windows (the
// program's pump, Qt SerialPort, QWinEventNotifier): a QCoreApplication
// around GoogleTest.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
