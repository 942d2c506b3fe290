// SPDX-License-Identifier: MIT
// Message boxes for the operator: Qt boxes with only an OK button and no
// icon; where nobody can see one, the text goes to standard error and
// nobody is waited for, so a batch job never hangs on an invisible box. A
// batch run's box closes by itself after its bound (box_wait.h).
#pragma once

#include "box_wait.h"
#include "message_box.h"

namespace tavelin::app {

class QtMessageBox final : public MessageBox {
public:
    explicit QtMessageBox(const BoxWait& wait) : wait_(wait) {}
    void Show(std::string_view text) override;

    // Once the run is told to end (a stop signal), nobody is waited for:
    // later texts go to standard error as without a screen.
    void StopWaiting() { waitForOperator_ = false; }

private:
    BoxWait wait_;
    bool waitForOperator_ = true;
};

// Closes every message box that waits for its OK, as the operator's OK or
// Escape would (a question box takes its cancelling answer).
void CloseWaitingMessageBoxes();

} // namespace tavelin::app
