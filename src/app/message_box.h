// SPDX-License-Identifier: MIT
// How the program tells the operator something: a modal box with only an OK
// button, or standard error where no screen can show one.
#pragma once

#include <string_view>

namespace tavelin::app {

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Returns once the operator has closed the box (at once when unattended).
    virtual void Show(std::string_view text) = 0;
};

} // namespace tavelin::app
