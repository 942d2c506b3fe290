// SPDX-License-Identifier: MIT
// The history list of a window as the history procedures see it. Each line
// added is also written to standard output, so a batch log shows the run; a
// quiet run writes only the lines of files that failed, to standard error.
#pragma once

#include "settings/history.h"

#include <QListWidget>

namespace tavelin::ui {

class QtHistoryList final : public settings::HistoryList {
public:
    QtHistoryList(QListWidget* list, bool quiet) : list_(list), quiet_(quiet) {}
    int Count() const override { return list_->count(); }
    void RemoveFirst() override { delete list_->takeItem(0); }
    void Add(const std::string& line, bool failed) override;
    void SelectLast() override;

private:
    QListWidget* list_;
    bool quiet_;
};

} // namespace tavelin::ui
