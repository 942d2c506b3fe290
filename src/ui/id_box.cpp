// SPDX-License-Identifier: MIT
#include "id_box.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

namespace tavelin::ui {

namespace {

QString IdItem(int id) { return QStringLiteral("%1").arg(id, 3, 10, QLatin1Char('0')); }

// A key that types a character (not a shortcut).
bool Types(const QKeyEvent& key)
{
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    return !key.text().isEmpty() && key.text().at(0).isPrint();
}

bool Erases(const QKeyEvent& key) { return key.key() == Qt::Key_Backspace || key.key() == Qt::Key_Delete; }

} // namespace

IdBox::IdBox(int count, QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // An inline completion would turn "1" into "100" and address a
    // hand-held nobody chose.
    setCompleter(nullptr);
    for (int id = 1; id <= count; ++id)
        addItem(IdItem(id));
    view()->installEventFilter(this);
}

// The item of the ID the text names ("2" and "002" alike); -1 for none.
int IdBox::RowOf(const QString& text) const
{
    const int exact = findText(text, Qt::MatchFixedString);
    if (exact >= 0)
        return exact;
    bool number = false;
    const int id = text.trimmed().toInt(&number);
    return number ? findText(IdItem(id), Qt::MatchFixedString) : -1;
}

void IdBox::ChooseShownSilently()
{
    const QString shown = currentText();
    const int row = RowOf(shown);
    if (row != currentIndex()) {
        const QSignalBlocker quiet(this);
        setCurrentIndex(row);
        setEditText(shown);
    }
}

void IdBox::showPopup()
{
    // The list opens on the ID shown, not on the item chosen from it last.
    ChooseShownSilently();
    QComboBox::showPopup();
}

void IdBox::keyPressEvent(QKeyEvent* event)
{
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    switch (event->key()) {
    case Qt::Key_Escape:
        if (plain) {
            event->accept();
            emit EditCancelled();
            return;
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // "12" then Down is 013. Text that names no ID steps from the item
        // chosen last; the session then shows what it took.
        if (plain && RowOf(currentText()) >= 0)
            ChooseShownSilently();
        break;
    default: break;
    }
    QComboBox::keyPressEvent(event);
}

bool IdBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view() && event->type() == QEvent::KeyPress && lineEdit()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (Types(*key) || Erases(*key)) {
            hidePopup();
            if (Types(*key))
                lineEdit()->selectAll(); // a new ID, not digits added to the one shown
            QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(),
                           ushort(key->count()));
            QCoreApplication::sendEvent(lineEdit(), &copy);
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

} // namespace tavelin::ui
