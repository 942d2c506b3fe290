// SPDX-License-Identifier: MIT
// The two pairs of animation pictures of the transfer windows, drawn here:
// a PC and a hand-held with a file crossing between them, in two positions.
// Downloads move the file towards the hand-held, uploads towards the PC.
#pragma once

#include <QPixmap>

namespace tavelin::ui {

enum class Direction { Download, Upload };

// frame 1 or 2 of the pair for the direction.
QPixmap AnimationPicture(Direction direction, int frame);

} // namespace tavelin::ui
