#include "qt_progress.h"

#include <limits>

namespace tavelin::ui {

void QtProgress::SetMin(std::int64_t value)
{
    if (bar_)
        bar_->setMinimum(Scaled(value));
}

void QtProgress::SetMax(std::int64_t value)
{
    shift_ = 0;
    while ((value >> shift_) > std::numeric_limits<int>::max())
        ++shift_;
    if (bar_)
        bar_->setMaximum(Scaled(value));
}

void QtProgress::SetValue(std::int64_t value)
{
    if (bar_)
        bar_->setValue(Scaled(value));
}

void QtProgress::SetVisible(bool visible)
{
    if (bar_)
        bar_->setVisible(visible);
}

} // namespace tavelin::ui
