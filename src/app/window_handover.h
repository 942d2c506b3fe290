// SPDX-License-Identifier: MIT
// The window's hand-over: a window start in a work folder whose window runs
// already asks that window to come forward and ends. The running window
// listens on a local socket named for the folder (SingleInstance::
// HandOverName); a second start connects, sends kRaiseRequest and waits at
// most kHandOverWaitMs for kRaisedAnswer. Nothing else is said either way:
// anything else received is no request, and no answer (a batch run holds the
// folder, or the window is still starting) leaves the second start to say
// that another copy runs. The sockets are per system:
// window_handover_posix.cpp. Windows, whose Qt is built without local
// sockets, sends a window message instead (window_handover_win32.cpp): the
// request is the message registered under kRaiseRequest's name, the answer
// the value registered under kRaisedAnswer's. A message arrives whole, so
// there Hear has no part of a line to wait for and nothing else to refuse.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace tavelin::app {

inline constexpr char kRaiseRequest[] = "tavelin raise\n";
inline constexpr char kRaisedAnswer[] = "tavelin raised\n";
inline constexpr int kHandOverWaitMs = 2000;

enum class Heard {
    More,   // a part of a line: wait for the rest
    Raise,  // the request: answer kRaisedAnswer and come forward
    Refuse, // anything else: close unanswered
};
// What the window makes of the bytes a connection has sent so far.
Heard Hear(const QByteArray& received);

// The running window's side: `raise` is called for every request heard.
class HandOverServer {
public:
    explicit HandOverServer(std::function<void()> raise);
    ~HandOverServer();
    HandOverServer(const HandOverServer&) = delete;
    HandOverServer& operator=(const HandOverServer&) = delete;

    // Listens on `name`; false when it cannot (the window then runs without).
    // A socket left there by a copy that crashed is replaced: the caller
    // holds the folder's lock, so no other window can be listening on it.
    bool Listen(const QString& name);

private:
    struct Listener;
    std::unique_ptr<Listener> listener_;
    std::function<void()> raise_;
};

// The second start's side: true when the window listening on `name`
// answered that it came forward. Waits at most kHandOverWaitMs in all.
bool AskToRaise(const QString& name);

} // namespace tavelin::app
