// SPDX-License-Identifier: MIT
// The hand-held ID box (CbHHTID): an editable drop-down of the IDs 001-128.
// What is typed is the ID, wherever the box has the focus: a key typed
// while the list is open closes the list and goes into the edit text (the
// list's own keyboard search would pick "100" for a typed "1"), and the
// open list highlights the ID the edit text shows, so Enter in it keeps
// that ID. Up and Down step from the ID the edit text shows, not from the
// item chosen from the list last; Escape gives up what was typed
// (EditCancelled), and the window shows the ID in use again.
#pragma once

#include <QComboBox>

namespace tavelin::ui {

class IdBox final : public QComboBox {
    Q_OBJECT
public:
    IdBox(int count, QWidget* parent);
    void showPopup() override;

signals:
    void EditCancelled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int RowOf(const QString& text) const;
    void ChooseShownSilently(); // the item of the ID shown becomes the current one
};

} // namespace tavelin::ui
