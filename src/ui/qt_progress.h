// A progress bar as the transfer engines drive it. File sizes may pass the
// range of the bar's int, so large values are scaled down together.
#pragma once

#include "transfer/engines.h"

#include <QProgressBar>

namespace tavelin::ui {

class QtProgress final : public transfer::ProgressIndicator {
public:
    explicit QtProgress(QProgressBar* bar) : bar_(bar) {}
    void SetMin(std::int64_t value) override;
    void SetMax(std::int64_t value) override;
    void SetValue(std::int64_t value) override;
    void SetVisible(bool visible) override;

private:
    int Scaled(std::int64_t value) const { return int(value >> shift_); }
    QProgressBar* bar_;
    int shift_ = 0;
};

} // namespace tavelin::ui
