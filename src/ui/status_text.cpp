// SPDX-License-Identifier: MIT
#include "status_text.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QPainter>

namespace tavelin::ui {

namespace {

// A static text named by the text it paints, as a label is, so a screen
// reader reads the status itself; the widget's own accessible name only
// while it paints nothing.
class StatusTextAccessible final : public QAccessibleWidget {
public:
    explicit StatusTextAccessible(StatusText* widget) : QAccessibleWidget(widget, QAccessible::StaticText) {}
    QString text(QAccessible::Text kind) const override
    {
        const QString& shown = static_cast<const StatusText*>(widget())->Text();
        if ((kind == QAccessible::Name || kind == QAccessible::Value) && !shown.isEmpty())
            return shown;
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* StatusTextFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("tavelin::ui::StatusText") && object && object->isWidgetType())
        return new StatusTextAccessible(static_cast<StatusText*>(object));
    return nullptr;
}

// Qt's offscreen platform paints into memory nobody looks at.
bool NoDisplay() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }

} // namespace

StatusText::StatusText(int lines, QWidget* parent) : QFrame(parent), lines_(lines)
{
    static const bool accessibleInstalled = (QAccessible::installFactory(StatusTextFactory), true);
    (void)accessibleInstalled;
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    refresh_.setSingleShot(true);
    connect(&refresh_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

bool StatusText::Seen() const { return isVisible() && !window()->isMinimized() && !NoDisplay(); }

void StatusText::SetText(const QString& text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (lines == text_)
        return;
    text_ = std::move(lines);
    if (QAccessible::isActive()) {
        QAccessibleEvent named(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&named);
        QAccessibleValueChangeEvent event(this, text_);
        QAccessible::updateAccessibility(&event);
    }
    if (!Seen() || refresh_.isActive())
        return; // a window shown again paints everything; a refresh is already due
    const qint64 since = sincePaint_.isValid() ? sincePaint_.elapsed() : kMinRefreshMs;
    if (since >= kMinRefreshMs)
        update();
    else
        refresh_.start(int(kMinRefreshMs - since));
}

QSize StatusText::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const int frame = 2 * frameWidth();
    // Glyphs from a fallback font can make a line taller than the font says:
    // half a line to spare.
    return {metrics.averageCharWidth() * 40 + frame + 2 * metrics.averageCharWidth(),
            metrics.lineSpacing() * (2 * lines_ + 1) / 2 + frame};
}

void StatusText::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    sincePaint_.start();
    QPainter painter(this);
    const int margin = fontMetrics().averageCharWidth() / 2 + 1;
    painter.drawText(contentsRect().adjusted(margin, margin / 2, -margin, 0),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text_);
}

} // namespace tavelin::ui
