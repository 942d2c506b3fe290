// SPDX-License-Identifier: MIT
#include "anim_pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace tavelin::ui {

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 64;

void DrawPc(QPainter& p)
{
    p.setPen(QPen(QColor(40, 40, 60), 2));
    p.setBrush(QColor(210, 220, 235));
    p.drawRoundedRect(QRect(6, 8, 44, 32), 3, 3); // screen
    p.setBrush(QColor(90, 140, 200));
    p.drawRect(QRect(11, 13, 34, 22));
    p.setBrush(QColor(180, 185, 195));
    p.drawRect(QRect(20, 40, 16, 6)); // stand
    p.drawRoundedRect(QRect(2, 46, 52, 10), 2, 2); // keyboard
}

void DrawHandHeld(QPainter& p)
{
    const int x = kWidth - 40;
    p.setPen(QPen(QColor(40, 40, 60), 2));
    p.setBrush(QColor(70, 75, 85));
    p.drawRoundedRect(QRect(x, 4, 30, 56), 5, 5);
    p.setBrush(QColor(170, 210, 160));
    p.drawRect(QRect(x + 5, 9, 20, 18)); // display
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 205));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            p.drawRect(QRect(x + 6 + col * 7, 32 + row * 8, 5, 5)); // keys
}

void DrawFile(QPainter& p, int x, bool towardsHandHeld)
{
    QPainterPath sheet;
    sheet.moveTo(x, 20);
    sheet.lineTo(x + 14, 20);
    sheet.lineTo(x + 20, 26);
    sheet.lineTo(x + 20, 44);
    sheet.lineTo(x, 44);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.drawLine(x + 4, 31, x + 16, 31);
    p.drawLine(x + 4, 36, x + 16, 36);

    // an arrow under the file says which way it travels
    const int y = 52;
    const int from = towardsHandHeld ? x - 6 : x + 26;
    const int to = towardsHandHeld ? x + 26 : x - 6;
    const int head = towardsHandHeld ? -5 : 5;
    p.setPen(QPen(QColor(200, 90, 30), 2.5));
    p.drawLine(from, y, to, y);
    p.drawLine(to, y, to + head, y - 4);
    p.drawLine(to, y, to + head, y + 4);
}

} // namespace

QPixmap AnimationPicture(Direction direction, int frame)
{
    QPixmap picture(kWidth, kHeight);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    DrawPc(p);
    DrawHandHeld(p);
    const bool down = direction == Direction::Download;
    // frame 1 shows the file near where it starts, frame 2 near where it goes
    const bool nearPc = (frame == 1) == down;
    DrawFile(p, nearPc ? 66 : 112, down);
    return picture;
}

} // namespace tavelin::ui
