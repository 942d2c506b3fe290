// SPDX-License-Identifier: MIT
#include "frame_watcher.h"

#include <algorithm>

namespace tavelin::link {

void FrameWatchers::Attach(FrameWatcher& watcher)
{
    if (!Attached(watcher))
        watchers_.push_back(&watcher);
}

void FrameWatchers::Detach(FrameWatcher& watcher) { std::erase(watchers_, &watcher); }

bool FrameWatchers::Attached(const FrameWatcher& watcher) const
{
    return std::find(watchers_.begin(), watchers_.end(), &watcher) != watchers_.end();
}

void FrameWatchers::Sent(Clock::time_point now, const SerialPort& port, std::span<const std::uint8_t> frame) const
{
    for (FrameWatcher* watcher : watchers_) {
        watcher->WatchPort(now, port);
        watcher->Sent(now, frame);
    }
}

void FrameWatchers::Received(Clock::time_point now, const SerialPort& port, std::span<const std::uint8_t> frame,
                             TraceResult result) const
{
    for (FrameWatcher* watcher : watchers_) {
        watcher->WatchPort(now, port);
        watcher->Received(now, frame, result);
    }
}

void FrameWatchers::TimedOut(Clock::time_point now, const SerialPort& port, long long waitedMs) const
{
    for (FrameWatcher* watcher : watchers_) {
        watcher->WatchPort(now, port);
        watcher->TimedOut(now, waitedMs);
    }
}

void FrameWatchers::PortChanged(Clock::time_point now, const SerialPort& port) const
{
    for (FrameWatcher* watcher : watchers_)
        watcher->WatchPort(now, port);
}

} // namespace tavelin::link
