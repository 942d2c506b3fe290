// SPDX-License-Identifier: MIT
// Small helpers every window uses: the catalogue's UTF-8 texts as QStrings,
// naming a control for tests, screen readers and automation, and the
// program's message box (only an OK button, no icon).
#pragma once

#include <QLineEdit>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

#include <string_view>

namespace tavelin::ui {

inline QString Q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// objectName and accessible description: the control's name in the window's
// table (BtnStart, LbHHTFile ...); accessible name: what a person calls it.
inline void Name(QWidget* control, const char* tableName, const QString& accessibleName)
{
    control->setObjectName(QString::fromLatin1(tableName));
    control->setAccessibleName(accessibleName);
    control->setAccessibleDescription(QString::fromLatin1(tableName));
}

// A control that shows a changing text (a message line, progress figures, a
// question naming a file): its accessible name is the text it shows, so a
// screen reader reads the status itself, and `quietName` while it shows
// nothing. objectName and accessible description stay the table name. Line
// edits and plain text boxes follow by themselves; a label's text goes
// through ShowText.
void NameByText(QWidget* control, const char* tableName, const QString& quietName);
void ShowText(QLabel* label, const QString& text);

// A read-only line for a message: a text longer than the line is cut at its
// end with an ellipsis (a plain line edit scrolls to the end and hides the
// start, where a message says what it is about); the whole text is its
// tooltip and, through NameByText, what a screen reader reads.
class ElidingLine final : public QLineEdit {
public:
    explicit ElidingLine(QWidget* parent);
    QString ShownText() const; // the text as the line paints it

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect TextArea() const;
};

// A push button named by its caption (or accessibleName when given). It never
// becomes a dialog's default on focus: only the button chosen as default is.
QPushButton* Button(QWidget* parent, std::string_view caption, const char* tableName,
                    const QString& accessibleName = {});

// Japanese captions and file names read best in a CJK face; where one is
// installed it becomes the face of every window. False when none is.
bool UseCjkFont();

// Qt's own captions (standard buttons, the edit boxes' context menus) in
// Japanese, from Qt's translations where they are installed. False when
// they are not: those captions then stay in English.
bool UseJapaneseQtTexts();

// Modal, with only OK. `details` (the system's words: a device name, the
// system's error text) stand below the text under a Japanese caption; the
// box has no details button.
void ShowOkBox(QWidget* parent, std::string_view text, std::string_view details = {});

// A line of the run's log on standard error, "tavelin: " before it.
void LogToStandardError(std::string_view line);
// What ShowOkBox puts below the text: empty without details.
QString OkBoxInformation(std::string_view details);

} // namespace tavelin::ui
