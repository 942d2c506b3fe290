// SPDX-License-Identifier: MIT
#include "qt_message_box.h"

#include "settings/console_output.h"
#include "settings/texts.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

namespace tavelin::app {

void QtMessageBox::Show(std::string_view text)
{
    if (!wait_.show || !waitForOperator_) {
        settings::PrintText(stderr, "%.*s\n", int(text.size()), text.data());
        std::fflush(stderr);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(texts::kProductTitle.data(), qsizetype(texts::kProductTitle.size())),
                    QString::fromUtf8(text.data(), qsizetype(text.size())), QMessageBox::Ok);
    // The bound closes the box as its OK would; the log says nobody did.
    QTimer bound;
    bool unanswered = false;
    if (wait_.bound) {
        bound.setSingleShot(true);
        QObject::connect(&bound, &QTimer::timeout, &box, [&] {
            unanswered = true;
            box.done(QMessageBox::Ok);
        });
        bound.start(*wait_.bound);
    }
    box.exec();
    if (unanswered) {
        settings::PrintText(stderr, "%.*s\ntavelin: nobody answered the message box within %g s; the run goes on as if "
                                    "it had been answered\n",
                            int(text.size()), text.data(), double(wait_.bound->count()) / 1000);
        std::fflush(stderr);
    }
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
