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

private:
    bool screenAvailable_;
};

} // namespace tavelin::app
