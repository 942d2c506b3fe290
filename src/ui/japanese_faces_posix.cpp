// SPDX-License-Identifier: MIT
#include "japanese_faces.h"

namespace tavelin::ui {

QStringList PreferredJapaneseFaces()
{
    return {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP"), QStringLiteral("IPAGothic"),
            QStringLiteral("Yu Gothic UI"), QStringLiteral("Meiryo UI")};
}

// The font system here finds a face for glyphs the application font lacks
// by itself: without a preferred face the application font stays.
QString AnyJapaneseFace() { return {}; }

} // namespace tavelin::ui
