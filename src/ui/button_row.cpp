// SPDX-License-Identifier: MIT
#include "button_row.h"

#include <QDialogButtonBox>
#include <QPushButton>

namespace tavelin::ui {

// Action buttons stand after the stretch, in the order added, in the
// Windows, KDE and GNOME layouts alike; accept and reject buttons do not
// (GNOME puts OK last).
QDialogButtonBox* ButtonRow(QWidget* parent, std::initializer_list<QPushButton*> buttons)
{
    auto* row = new QDialogButtonBox(Qt::Horizontal, parent);
    for (QPushButton* button : buttons)
        row->addButton(button, QDialogButtonBox::ActionRole);
    return row;
}

} // namespace tavelin::ui
