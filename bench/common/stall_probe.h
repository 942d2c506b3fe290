// SPDX-License-Identifier: MIT
// How long the event loop was held: a 1 ms timer whose beats should come a
// millisecond apart while the loop runs; a longer gap is time something held
// it (an event handler, a paint, a refresh) or the engine spent between two
// waits. The longest gap and the gaps over 10, 50 and 100 ms are the figures.
//
// EventCosts says who held it: installed as the application's notify hook,
// it times each outermost event delivery by the receiver's class and the
// event's type and keeps the longest and the total of each.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QMetaEnum>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace tavelin::bench {

class StallProbe {
public:
    using Clock = std::chrono::steady_clock;

    struct Figures {
        double longestMs = 0;
        long over10 = 0, over50 = 0, over100 = 0;
        long beats = 0;
    };

    StallProbe()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Beat(); });
    }

    void Start()
    {
        figures_ = {};
        last_ = Clock::now();
        timer_.start();
    }
    Figures Stop()
    {
        timer_.stop();
        return figures_;
    }

private:
    void Beat()
    {
        const auto now = Clock::now();
        const double ms = std::chrono::duration<double, std::milli>(now - last_).count();
        last_ = now;
        ++figures_.beats;
        figures_.longestMs = std::max(figures_.longestMs, ms);
        figures_.over10 += ms > 10;
        figures_.over50 += ms > 50;
        figures_.over100 += ms > 100;
    }

    QTimer timer_;
    Clock::time_point last_{};
    Figures figures_;
};

// Use with an application class whose notify() calls Deliver().
class EventCosts {
public:
    using Clock = std::chrono::steady_clock;

    template <typename Notify> bool Deliver(QObject* receiver, QEvent* event, Notify notify)
    {
        if (depth_ > 0 || !on_)
            return notify();
        ++depth_;
        const auto start = Clock::now();
        const std::string key = KeyOf(receiver, event);
        const bool result = notify();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        --depth_;
        Cost& cost = costs_[key];
        cost.longestMs = std::max(cost.longestMs, ms);
        cost.totalMs += ms;
        ++cost.count;
        return result;
    }

    void Start()
    {
        costs_.clear();
        on_ = true;
    }
    void Stop() { on_ = false; }

    // The `count` deliveries that held the loop longest, one line each.
    void Print(const char* indent, std::size_t count) const
    {
        std::vector<std::pair<std::string, Cost>> sorted(costs_.begin(), costs_.end());
        std::sort(sorted.begin(), sorted.end(),
                  [](const auto& a, const auto& b) { return a.second.longestMs > b.second.longestMs; });
        for (std::size_t i = 0; i < std::min(count, sorted.size()); ++i) {
            const Cost& c = sorted[i].second;
            std::printf("%s%-44s longest %7.2f ms, %6ld times, %8.1f ms in all\n", indent, sorted[i].first.c_str(),
                        c.longestMs, c.count, c.totalMs);
        }
    }

private:
    struct Cost {
        double longestMs = 0, totalMs = 0;
        long count = 0;
    };

    // A timer's beat by its interval: the only thing that tells the
    // windows' timers apart when they have no name.
    static std::string KeyOf(QObject* receiver, QEvent* event)
    {
        std::string key = receiver ? receiver->metaObject()->className() : "?";
        if (const auto* timer = qobject_cast<QTimer*>(receiver))
            key += " " + std::to_string(timer->interval()) + " ms";
        const char* type = QMetaEnum::fromType<QEvent::Type>().valueToKey(event->type());
        return key + " " + (type ? std::string(type) : std::to_string(int(event->type())));
    }

    std::map<std::string, Cost> costs_;
    int depth_ = 0;
    bool on_ = false;
};

} // namespace tavelin::bench
