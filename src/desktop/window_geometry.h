// SPDX-License-Identifier: MIT
// Where a window stood last time, restored only where it can stand now: a
// saved size larger than every screen (a settings file edited by hand, a
// monitor since removed) would open a window nobody can see whole or
// resize, and closing it would save that size again.
#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>

class QWidget;

namespace tavelin::desktop {

// True when `geometry` is no larger than the available area (the screen
// without its panels) of a screen it overlaps.
bool FitsAScreen(const QRect& geometry, const QList<QRect>& availableAreas);

// Restores what QWidget::saveGeometry gave when the result fits one of the
// screens present; else the window keeps the size and place it has. False
// when nothing was restored.
bool RestoreFittingGeometry(QWidget& window, const QByteArray& saved);

} // namespace tavelin::desktop
