// SPDX-License-Identifier: MIT
#include "qt_history_list.h"

#include "controls.h"
#include "settings/console_output.h"

#include <cstdio>

namespace tavelin::ui {

void QtHistoryList::Add(const std::string& line, bool failed)
{
    list_->addItem(QString::fromStdString(line));
    if (!quiet_) {
        settings::PrintText(stdout, "%s\n", line.c_str());
        std::fflush(stdout);
    } else if (failed) {
        LogToStandardError(line);
    }
}

void QtHistoryList::SelectLast()
{
    const int last = list_->count() - 1;
    list_->setCurrentRow(last);
    list_->scrollToItem(list_->item(last));
}

} // namespace tavelin::ui
