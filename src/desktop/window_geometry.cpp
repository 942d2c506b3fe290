// SPDX-License-Identifier: MIT
#include "window_geometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tavelin::desktop {

bool FitsAScreen(const QRect& geometry, const QList<QRect>& availableAreas)
{
    if (!geometry.isValid())
        return false;
    for (const QRect& area : availableAreas)
        if (geometry.width() <= area.width() && geometry.height() <= area.height() && area.intersects(geometry))
            return true;
    return false;
}

bool RestoreFittingGeometry(QWidget& window, const QByteArray& saved)
{
    if (saved.isEmpty())
        return false;
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    const QRect before = window.geometry();
    const Qt::WindowStates state = window.windowState();
    if (window.restoreGeometry(saved) && FitsAScreen(window.geometry(), areas))
        return true;
    window.setWindowState(state);
    window.setGeometry(before);
    return false;
}

} // namespace tavelin::desktop
