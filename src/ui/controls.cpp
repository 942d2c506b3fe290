// SPDX-License-Identifier: MIT
#include "controls.h"

#include "settings/texts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPushButton>

namespace tavelin::ui {

QPushButton* Button(QWidget* parent, std::string_view caption, const char* tableName, const QString& accessibleName)
{
    auto* button = new QPushButton(Q(caption), parent);
    Name(button, tableName, accessibleName.isEmpty() ? Q(caption) : accessibleName);
    button->setAutoDefault(false);
    return button;
}

bool UseCjkFont()
{
    for (const char* family : {"Noto Sans CJK JP", "Noto Sans JP", "IPAGothic", "Yu Gothic UI", "Meiryo UI"}) {
        if (QFontDatabase::hasFamily(QString::fromLatin1(family))) {
            QFont font = QApplication::font();
            font.setFamily(QString::fromLatin1(family));
            QApplication::setFont(font);
            return true;
        }
    }
    return false;
}

void ShowOkBox(QWidget* parent, std::string_view text, std::string_view details)
{
    QMessageBox box(QMessageBox::NoIcon, Q(texts::kProductTitle), Q(text), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    if (!details.empty())
        box.setDetailedText(Q(details));
    box.exec();
}

} // namespace tavelin::ui
