// SPDX-License-Identifier: MIT
#include "qt_progress.h"

#include <QProgressBar>

#include <algorithm>
#include <limits>

namespace tavelin::ui {

namespace {

// A measured rate needs this much of a file behind it to mean anything.
constexpr qint64 kRateSettleMs = 500;

} // namespace

void LatchedProgress::Restart()
{
    startValue_ = value_;
    sinceStart_.start();
}

void LatchedProgress::SetMax(std::int64_t value)
{
    max_ = value;
    Restart(); // a new file
}

void LatchedProgress::SetValue(std::int64_t value)
{
    value_ = value;
    if (value < startValue_ || !sinceStart_.isValid())
        Restart();
}

void LatchedProgress::SetVisible(bool visible)
{
    const bool changed = visible != visible_;
    visible_ = visible;
    if (changed && onVisible_)
        onVisible_(visible);
}

double LatchedProgress::Rate() const
{
    if (!sinceStart_.isValid())
        return -1;
    const qint64 ms = sinceStart_.elapsed();
    if (ms < kRateSettleMs || value_ <= startValue_)
        return -1;
    return double(value_ - startValue_) * 1000.0 / double(ms);
}

// The whole percent of the range a value stands at: what the bar's text
// says, and as fine as its fill moves on a bar of a few hundred pixels.
int ProgressBarPainter::Percent(std::int64_t min, std::int64_t max, std::int64_t value)
{
    if (value <= min)
        return 0;
    if (value >= max)
        return 100;
    return int(double(value - min) * 100.0 / double(max - min)); // in range: max > value > min
}

// The bar is touched only when what it shows changes: another range (a new
// file), another percent, shown or hidden. An engine reports every block,
// the feed polls a few times a second, and the bar repaints about once a
// percent. QProgressBar paints at once inside setValue and setRange when the
// change is large enough; with its updates held it is only marked for the
// next paint, like every other control.
bool ProgressBarPainter::Show(const LatchedProgress& progress)
{
    const bool visible = progress.Visible();
    bar_->setHidden(!visible);
    if (!visible)
        return false;
    const Shown now{progress.Min(), progress.Max(), Percent(progress.Min(), progress.Max(), progress.Value())};
    if (now == shown_)
        return true;
    shift_ = 0;
    while ((now.max >> shift_) > std::numeric_limits<int>::max())
        ++shift_;
    bar_->setUpdatesEnabled(false);
    bar_->setRange(Scaled(now.min), Scaled(now.max));
    bar_->setValue(Scaled(std::clamp(progress.Value(), now.min, std::max(now.min, now.max))));
    bar_->setUpdatesEnabled(true);
    shown_ = now;
    return true;
}

ProgressBarFeed::ProgressBarFeed(QProgressBar* bar, std::function<void(bool)> refreshed)
    : painter_(bar), refreshed_(std::move(refreshed)), progress_([this](bool visible) {
          Refresh();
          if (visible)
              timer_.start();
          else
              timer_.stop();
      })
{
    timer_.setInterval(kProgressRefreshMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Refresh(); });
}

void ProgressBarFeed::Refresh()
{
    const bool visible = painter_.Show(progress_);
    if (refreshed_)
        refreshed_(visible);
}

} // namespace tavelin::ui
