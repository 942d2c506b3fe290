// SPDX-License-Identifier: MIT
// No hand-over on Windows: the program's Qt is built without local sockets.
// A second window start in a folder then says that another copy runs.
#include "window_handover.h"

namespace tavelin::app {

struct HandOverServer::Listener {};

HandOverServer::HandOverServer(std::function<void()> raise) : raise_(std::move(raise)) {}

HandOverServer::~HandOverServer() = default;

bool HandOverServer::Listen(const QString&) { return false; }

bool AskToRaise(const QString&) { return false; }

} // namespace tavelin::app
