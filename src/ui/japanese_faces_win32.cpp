// SPDX-License-Identifier: MIT
#include "japanese_faces.h"

#include <QFontDatabase>

namespace tavelin::ui {

QStringList PreferredJapaneseFaces()
{
    return {QStringLiteral("Yu Gothic UI"), QStringLiteral("Meiryo UI"), QStringLiteral("MS UI Gothic"),
            QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP")};
}

// Any face Windows has for Japanese; those named with "@" are the vertical
// faces it lists beside each.
QString AnyJapaneseFace()
{
    for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese)) {
        if (!family.startsWith(QLatin1Char('@')))
            return family;
    }
    return {};
}

} // namespace tavelin::ui
