#include "controls.h"

#include "settings/texts.h"

#include <QMessageBox>

namespace tavelin::ui {

void ShowOkBox(QWidget* parent, std::string_view text, std::string_view details)
{
    QMessageBox box(QMessageBox::NoIcon, Q(texts::kProductTitle), Q(text), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    if (!details.empty())
        box.setDetailedText(Q(details));
    box.exec();
}

} // namespace tavelin::ui
