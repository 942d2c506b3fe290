// SPDX-License-Identifier: MIT
// The row of buttons under a dialog, right-aligned, in the order given.
// QDialogButtonBox would order buttons by their role as the desktop's
// layout has it (Cancel before OK on some), and every dialog's buttons keep
// the order the operator knows: all take the role whose place no layout
// reverses, and each dialog wires its buttons' clicks itself (Escape and the
// window frame still reject, Enter presses the button made default).
#pragma once

#include <QDialogButtonBox>

#include <initializer_list>

class QPushButton;

namespace tavelin::ui {

QDialogButtonBox* ButtonRow(QWidget* parent, std::initializer_list<QPushButton*> buttons);

} // namespace tavelin::ui
