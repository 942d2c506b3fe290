// SPDX-License-Identifier: MIT
#include "qt_history_list.h"

#include <cstdio>

namespace tavelin::ui {

void QtHistoryList::Add(const std::string& line)
{
    list_->addItem(QString::fromStdString(line));
    if (echo_) {
        std::fprintf(stdout, "%s\n", line.c_str());
        std::fflush(stdout);
    }
}

void QtHistoryList::SelectLast()
{
    const int last = list_->count() - 1;
    list_->setCurrentRow(last);
    list_->scrollToItem(list_->item(last));
}

} // namespace tavelin::ui
