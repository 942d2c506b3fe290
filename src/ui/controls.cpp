// SPDX-License-Identifier: MIT
#include "controls.h"

#include "japanese_faces.h"
#include "settings/console_output.h"
#include "settings/texts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleOptionFrame>
#include <QTranslator>

#include <cstdio>

namespace tavelin::ui {

namespace {

constexpr const char* kQuietName = "tavelinQuietName";

void NameAfter(QWidget* control, const QString& text)
{
    const QString name = text.isEmpty() ? control->property(kQuietName).toString() : text;
    if (control->accessibleName() != name)
        control->setAccessibleName(name);
}

} // namespace

void NameByText(QWidget* control, const char* tableName, const QString& quietName)
{
    Name(control, tableName, quietName);
    control->setProperty(kQuietName, quietName);
    if (auto* line = qobject_cast<QLineEdit*>(control)) {
        QObject::connect(line, &QLineEdit::textChanged, line, [line](const QString& text) { NameAfter(line, text); });
        NameAfter(line, line->text());
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
        QObject::connect(box, &QPlainTextEdit::textChanged, box, [box] { NameAfter(box, box->toPlainText()); });
        NameAfter(box, box->toPlainText());
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        NameAfter(label, label->text());
    }
}

void ShowText(QLabel* label, const QString& text)
{
    if (label->text() == text)
        return;
    label->setText(text);
    NameAfter(label, text);
}

ElidingLine::ElidingLine(QWidget* parent) : QLineEdit(parent)
{
    setReadOnly(true);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { setToolTip(text); });
}

QRect ElidingLine::TextArea() const
{
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    // QLineEdit keeps 2 pixels beside its text and 1 above and below it.
    return style()->subElementRect(QStyle::SE_LineEditContents, &panel, this).marginsRemoved(textMargins())
        .adjusted(2, 1, -2, -1);
}

QString ElidingLine::ShownText() const { return fontMetrics().elidedText(text(), Qt::ElideRight, TextArea().width()); }

void ElidingLine::paintEvent(QPaintEvent* event)
{
    // With the focus the operator may scroll through the text and select it.
    const QString shown = ShownText();
    if (shown == text() || hasFocus()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(TextArea(), int(QStyle::visualAlignment(layoutDirection(), alignment())) | Qt::AlignVCenter,
                     shown);
}

QPushButton* Button(QWidget* parent, std::string_view caption, const char* tableName, const QString& accessibleName)
{
    auto* button = new QPushButton(Q(caption), parent);
    Name(button, tableName, accessibleName.isEmpty() ? Q(caption) : accessibleName);
    button->setAutoDefault(false);
    return button;
}

bool UseCjkFont()
{
    QString chosen;
    for (const QString& family : PreferredJapaneseFaces()) {
        if (QFontDatabase::hasFamily(family)) {
            chosen = family;
            break;
        }
    }
    if (chosen.isEmpty())
        chosen = AnyJapaneseFace();
    if (chosen.isEmpty())
        return false;
    QFont font = QApplication::font();
    font.setFamily(chosen);
    QApplication::setFont(font);
    return true;
}

bool UseJapaneseQtTexts()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

QString OkBoxInformation(std::string_view details)
{
    if (details.empty())
        return {};
    return Q(texts::kDetailsCaption) + QLatin1Char('\n') + Q(details);
}

void LogToStandardError(std::string_view line)
{
    settings::PrintText(stderr, "tavelin: %.*s\n", int(line.size()), line.data());
    std::fflush(stderr);
}

void ShowOkBox(QWidget* parent, std::string_view text, std::string_view details)
{
    QMessageBox box(QMessageBox::NoIcon, Q(texts::kProductTitle), Q(text), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    // Qt's details button has a caption of its own, in English where Qt's
    // translations are missing: the details stand below the text instead.
    box.setInformativeText(OkBoxInformation(details));
    box.exec();
}

} // namespace tavelin::ui
