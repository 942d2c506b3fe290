// SPDX-License-Identifier: MIT
// The dialogs' button rows keep the order the operator knows on every
// desktop: Qt's button box orders buttons by role as the desktop's layout
// has it (GNOME puts OK last, macOS Cancel before OK), and the rows must not
// follow. Each row stands on one line in the dialog's own order, with its
// default button.
#include "idle_windows.h"
#include "ui/dir_dialog.h"
#include "ui/manual_dialogs.h"
#include "ui/settings_dialog.h"
#include "ui/transfer_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLayout>
#include <QProxyStyle>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

using namespace tavelin;

namespace {

// The application's style with the dialog button layout of another desktop.
class DesktopLayout final : public QProxyStyle {
public:
    explicit DesktopLayout(QDialogButtonBox::ButtonLayout layout) : layout_(layout) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override
    {
        if (hint == SH_DialogButtonLayout)
            return layout_;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }

private:
    QDialogButtonBox::ButtonLayout layout_;
};

struct Row {
    const char* dialog;
    std::function<std::unique_ptr<QDialog>(testing::IdleLink&)> make;
    QStringList buttons; // left to right
    const char* defaultButton;
};

std::vector<Row> Rows()
{
    return {
        {"F_Set", [](testing::IdleLink& idle) { return std::make_unique<ui::SettingsDialog>(idle.state, nullptr); },
         {QStringLiteral("BtnOk"), QStringLiteral("BtnCancel")}, "BtnOk"},
        {"F_Dir",
         [](testing::IdleLink& idle) {
             return std::make_unique<ui::DirDialog>(settings::DirTarget::DownDir, idle.work.Text().c_str(), nullptr);
         },
         {QStringLiteral("BtnOk"), QStringLiteral("BtnCancel")}, "BtnOk"},
        {"F_Del", [](testing::IdleLink&) { return std::make_unique<ui::DeleteDialog>("A.TXT", nullptr); },
         {QStringLiteral("BtnAllDel"), QStringLiteral("BtnDel"), QStringLiteral("BtnCancel")}, "BtnDel"},
        {"F_Ren",
         [](testing::IdleLink&) { return std::make_unique<ui::RenameDialog>(modes::RenameSide::Pc, "A.TXT", nullptr); },
         {QStringLiteral("BtnRen"), QStringLiteral("BtnCancel")}, "BtnRen"},
        {"F_Ver", [](testing::IdleLink&) { return std::make_unique<ui::VersionDialog>(nullptr); },
         {QStringLiteral("BtnOK")}, "BtnOK"},
        {"F_UploadFile", [](testing::IdleLink&) { return std::make_unique<ui::UploadFileDialog>("A.TXT", nullptr); },
         {QStringLiteral("BtnOver"), QStringLiteral("BtnAppend"), QStringLiteral("BtnCancel")}, "BtnCancel"},
    };
}

// The row's buttons left to right, as shown; empty when they are not on
// one line.
QStringList ShownOrder(QDialogButtonBox* box)
{
    QList<QAbstractButton*> buttons = box->buttons();
    std::sort(buttons.begin(), buttons.end(),
              [](const QAbstractButton* a, const QAbstractButton* b) { return a->x() < b->x(); });
    QStringList names;
    for (const QAbstractButton* button : buttons) {
        if (button->y() != buttons.front()->y() || !button->isVisible())
            return {};
        names << button->objectName();
    }
    return names;
}

} // namespace

class ButtonRowsTest : public QObject {
    Q_OBJECT

private slots:
    void keepTheirOrderOnEveryDesktop_data()
    {
        QTest::addColumn<int>("layout");
        QTest::newRow("Windows") << int(QDialogButtonBox::WinLayout);
        QTest::newRow("macOS") << int(QDialogButtonBox::MacLayout);
        QTest::newRow("KDE") << int(QDialogButtonBox::KdeLayout);
        QTest::newRow("GNOME") << int(QDialogButtonBox::GnomeLayout);
    }

    void keepTheirOrderOnEveryDesktop()
    {
        QFETCH(int, layout);
        // The application owns the style it is given and deletes the one before.
        QApplication::setStyle(new DesktopLayout(QDialogButtonBox::ButtonLayout(layout)));
        testing::IdleLink idle;
        for (const Row& row : Rows()) {
            const std::unique_ptr<QDialog> dialog = row.make(idle);
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
            QCOMPARE(dialog->objectName(), QString::fromLatin1(row.dialog));
            auto* box = dialog->findChild<QDialogButtonBox*>();
            QVERIFY2(box, row.dialog);
            QCOMPARE(ShownOrder(box), row.buttons);
            for (const QString& name : row.buttons) {
                auto* button = dialog->findChild<QPushButton*>(name);
                QVERIFY2(button, qPrintable(name));
                // Only the button chosen is the default, also after the focus moved.
                QCOMPARE(button->isDefault(), name == QLatin1String(row.defaultButton));
                QVERIFY2(!button->autoDefault(), qPrintable(name));
            }
            dialog->hide();
        }
    }
};

QTEST_MAIN(ButtonRowsTest)
#include "button_rows_test.moc"
