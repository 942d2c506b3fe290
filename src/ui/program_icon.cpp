// SPDX-License-Identifier: MIT
#include "program_icon.h"

#include <QPainter>

namespace tavelin::ui {

QPixmap ProgramPicture(int size)
{
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0); // drawn on a 64 x 64 grid
    p.setPen(QPen(QColor(40, 40, 60), 2));
    p.setBrush(QColor(70, 75, 85));
    p.drawRoundedRect(QRectF(18, 3, 28, 58), 5, 5); // body
    p.setBrush(QColor(170, 210, 160));
    p.drawRect(QRectF(23, 9, 18, 17)); // display
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 205));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            p.drawRect(QRectF(24 + col * 6.5, 32 + row * 8, 4.5, 5)); // keys
    p.setPen(QPen(QColor(200, 90, 30), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 50), QPointF(60, 50)); // the line between PC and hand-held
    p.drawLine(QPointF(60, 50), QPointF(53, 44));
    p.drawLine(QPointF(4, 50), QPointF(11, 56));
    return picture;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(ProgramPicture(size));
    return icon;
}

} // namespace tavelin::ui
