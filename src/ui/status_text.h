// SPDX-License-Identifier: MIT
// A few lines of read-only text that change often, such as the automatic
// window's message line, which names the next ID at every poll. Setting the
// text only stores it and marks the widget for a paint: nothing is laid out
// again and no document is rebuilt. Paints come at most five times a second
// (a text that changes faster cannot be read anyway, and each paint of a few
// lines of CJK text costs about half a millisecond), and not at all while
// nothing shows them (hidden, minimised, no display); the window paints the
// latest text whenever it is shown again.
#pragma once

#include <QElapsedTimer>
#include <QFrame>
#include <QTimer>

namespace tavelin::ui {

class StatusText final : public QFrame {
    Q_OBJECT
public:
    static constexpr int kMinRefreshMs = 200;

    StatusText(int lines, QWidget* parent);

    // "\r\n" ends a line, as in the catalogue's texts.
    void SetText(const QString& text);
    const QString& Text() const { return text_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool Seen() const;

    int lines_;
    QString text_;
    QTimer refresh_;
    QElapsedTimer sincePaint_;
};

} // namespace tavelin::ui
