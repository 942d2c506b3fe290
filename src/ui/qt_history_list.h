// SPDX-License-Identifier: MIT
// The history list of a window as the history procedures see it. Each line
// added is also written to standard output, so a batch log shows the run.
#pragma once

#include "settings/history.h"

#include <QListWidget>

namespace tavelin::ui {

class QtHistoryList final : public settings::HistoryList {
public:
    explicit QtHistoryList(QListWidget* list, bool echoToStdout) : list_(list), echo_(echoToStdout) {}
    int Count() const override { return list_->count(); }
    void RemoveFirst() override { delete list_->takeItem(0); }
    void Add(const std::string& line) override;
    void SelectLast() override;

private:
    QListWidget* list_;
    bool echo_;
};

} // namespace tavelin::ui
