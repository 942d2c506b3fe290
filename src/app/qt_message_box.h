// SPDX-License-Identifier: MIT
// Message boxes for the operator: Qt boxes with only an OK button and no
// icon; where no screen can show one, the text goes to standard error and
// nobody is waited for, so a batch job never hangs on an invisible box.
#pragma once

#include "message_box.h"

namespace tavelin::app {

class QtMessageBox final : public MessageBox {
public:
    explicit QtMessageBox(bool screenAvailable) : screenAvailable_(screenAvailable) {}
    void Show(std::string_view text) override;

    // Once the run is told to end (a stop signal), nobody is waited for:
    // later texts go to standard error as without a screen.
    void StopWaiting() { waitForOperator_ = false; }

private:
    bool screenAvailable_;
    bool waitForOperator_ = true;
};

// Closes every message box that waits for its OK, as the operator's OK or
// Escape would (a question box takes its cancelling answer).
void CloseWaitingMessageBoxes();

} // namespace tavelin::app
