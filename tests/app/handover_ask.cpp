// SPDX-License-Identifier: MIT
// A second start's side of the hand-over in a process of its own: ends with
// 0 when the window listening on the name given answered, else with 1.
#include "app/window_handover.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    const QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    return arguments.size() == 2 && tavelin::app::AskToRaise(arguments[1]) ? 0 : 1;
}
