// SPDX-License-Identifier: MIT
// Windows' event handles woken on through QWinEventNotifier: the event loop
// returns from its sleep when one is signalled, and the pump's caller looks
// at its condition again.
#include "qt_event_pump.h"

#include <QWinEventNotifier>

namespace tavelin::link {

bool QtEventPump::Watch(void* object, std::function<void()> signalled)
{
    Unwatch(object);
    auto notifier = std::make_unique<QWinEventNotifier>(object);
    QObject::connect(notifier.get(), &QWinEventNotifier::activated, [signalled = std::move(signalled)] { signalled(); });
    watches_[object] = std::move(notifier);
    return true;
}

// The notifier may be the one whose signal is running (a port closing when
// its read failed): it stops at once and goes once that is over.
void QtEventPump::Unwatch(void* object)
{
    const auto watch = watches_.find(object);
    if (watch == watches_.end())
        return;
    static_cast<QWinEventNotifier*>(watch->second.get())->setEnabled(false);
    watch->second.release()->deleteLater();
    watches_.erase(watch);
}

} // namespace tavelin::link
