// SPDX-License-Identifier: MIT
// The hand-over on a Unix domain socket, at a path in the user's private
// lock folder, with no rights for anybody else on it either.
#include "window_handover.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace tavelin::app {

struct HandOverServer::Listener {
    QLocalServer server;
};

HandOverServer::HandOverServer(std::function<void()> raise)
    : listener_(std::make_unique<Listener>()), raise_(std::move(raise))
{
}

HandOverServer::~HandOverServer() = default;

// Each connection has the time a second start waits to say its request;
// whatever else it sends is dropped unanswered.
bool HandOverServer::Listen(const QString& name)
{
    QLocalServer& server = listener_->server;
    server.setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(name);
    if (!server.listen(name))
        return false;
    QObject::connect(&server, &QLocalServer::newConnection, &server, [this, &server] {
        while (QLocalSocket* socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QTimer::singleShot(kHandOverWaitMs, socket, [socket] { socket->abort(); });
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                switch (Hear(socket->peek(socket->bytesAvailable()))) {
                case Heard::More: return;
                case Heard::Refuse: socket->abort(); return;
                case Heard::Raise: break;
                }
                socket->readAll();
                socket->write(kRaisedAnswer);
                socket->disconnectFromServer();
                raise_();
            });
        }
    });
    return true;
}

bool AskToRaise(const QString& name)
{
    const QDeadlineTimer deadline(kHandOverWaitMs);
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(deadline.remainingTime()))
        return false;
    socket.write(kRaiseRequest);
    if (!socket.waitForBytesWritten(deadline.remainingTime()))
        return false;
    const QByteArray expected(kRaisedAnswer);
    QByteArray answer;
    while (answer.size() < expected.size()) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(deadline.remainingTime()))
            break;
        answer += socket.read(expected.size() - answer.size());
    }
    return answer == expected;
}

} // namespace tavelin::app
