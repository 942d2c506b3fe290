// SPDX-License-Identifier: MIT
#include "qt_message_box.h"

#include "settings/texts.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace tavelin::app {

void QtMessageBox::Show(std::string_view text)
{
    if (!screenAvailable_ || !waitForOperator_) {
        std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
        std::fflush(stderr);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(texts::kProductTitle.data(), qsizetype(texts::kProductTitle.size())),
                    QString::fromUtf8(text.data(), qsizetype(text.size())), QMessageBox::Ok);
    box.exec();
}

void CloseWaitingMessageBoxes()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (box == nullptr || !box->isVisible())
            continue;
        box->close();
        if (box->isVisible()) // a box without a button that closes it
            box->reject();
    }
}

} // namespace tavelin::app
