// SPDX-License-Identifier: MIT
// The engines' progress on a window's bar. The engines only report into a
// LatchedProgress (a few stores and a clock read); a ProgressBarFeed shows it
// a few times a second, so the bar repaints while the next frame is on the
// line rather than between two frames.
#pragma once

#include "transfer/engines.h"

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

class QProgressBar;

namespace tavelin::ui {

// How often a window shows the latched progress: a few times a second, so
// the figures move smoothly enough and painting stays off the line's way.
constexpr int kProgressRefreshMs = 250;

class LatchedProgress final : public transfer::ProgressIndicator {
public:
    // onVisible hears each change of visibility as it is reported, for a
    // window that runs its refresh timer only while a bar shows.
    explicit LatchedProgress(std::function<void(bool)> onVisible = {}) : onVisible_(std::move(onVisible)) {}
    LatchedProgress(const LatchedProgress&) = delete;
    LatchedProgress& operator=(const LatchedProgress&) = delete;

    void SetMin(std::int64_t value) override { min_ = value; }
    void SetMax(std::int64_t value) override;
    void SetValue(std::int64_t value) override;
    void SetVisible(bool visible) override;

    std::int64_t Min() const { return min_; }
    std::int64_t Max() const { return max_; }
    std::int64_t Value() const { return value_; }
    bool Visible() const { return visible_; }
    // Bytes a second since the file began; negative until there is a measure.
    double Rate() const;

private:
    void Restart();

    std::function<void(bool)> onVisible_;
    std::int64_t min_ = 0, max_ = 0, value_ = 0, startValue_ = 0;
    bool visible_ = false;
    QElapsedTimer sinceStart_;
};

// Puts a LatchedProgress on a bar, touching it only when what it shows
// changed: the range, or the whole percent the value stands at. File sizes
// may pass the range of the bar's int, so large values are scaled down
// together.
class ProgressBarPainter {
public:
    explicit ProgressBarPainter(QProgressBar* bar) : bar_(bar) {}
    // Shows or hides the bar as reported; true when it shows.
    bool Show(const LatchedProgress& progress);
    static int Percent(std::int64_t min, std::int64_t max, std::int64_t value);

private:
    struct Shown {
        std::int64_t min = 0, max = -1;
        int percent = -1;
        bool operator==(const Shown&) const = default;
    };
    int Scaled(std::int64_t value) const { return int(value >> shift_); }

    QProgressBar* bar_;
    int shift_ = 0;
    Shown shown_;
};

// The engines' progress on a bar: they report into Indicator(); the bar
// shows or hides as they say, and while it shows a timer puts their latest
// report on it every kProgressRefreshMs. Polling between transfers costs no
// timer. `refreshed` runs after each showing, for what goes with the bar.
class ProgressBarFeed {
public:
    explicit ProgressBarFeed(QProgressBar* bar, std::function<void(bool visible)> refreshed = {});

    transfer::ProgressIndicator& Indicator() { return progress_; }
    const LatchedProgress& Latched() const { return progress_; }
    void Stop() { timer_.stop(); }

private:
    void Refresh();

    ProgressBarPainter painter_;
    std::function<void(bool)> refreshed_;
    QTimer timer_;
    LatchedProgress progress_;
};

} // namespace tavelin::ui
