// SPDX-License-Identifier: MIT
// What an operator reads in the boxes and dialogs: Japanese captions around
// the system's own words, and the progress figures in one family of
// Japanese units.
#include "idle_windows.h"
#include "support/system.h"
#include "ui/controls.h"
#include "ui/manual_dialogs.h"
#include "ui/manual_window.h"
#include "ui/transfer_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPushButton>
#include <QLocale>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace tavelin;
using tavelin::testing::ShownWindow;

namespace {


// Latin letters in a caption are English words; digits, signs and the
// catalogue's Japanese are not.
bool HasEnglishWord(const QString& caption)
{
    return caption.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2,}")));
}

} // namespace

class OperatorTextsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); }

    // The lost-line box of the manual window: the catalogue's text as it
    // stands, the device and the system's words below a Japanese caption,
    // and no button but OK.
    void thePortFailureBoxShowsItsDetailsUnderAJapaneseCaption()
    {
        tavelin::testing::IdleLink idle;
        ui::QtManualDialogs dialogs(idle.link, nullptr);
        const std::string details = "COM1 (/dev/ttyUSB0): the device is gone: Input/output error";
        QString text, information, detailed;
        QStringList captions;
        QTimer::singleShot(0, [&] {
            auto* box = ShownWindow<QMessageBox>();
            QVERIFY(box);
            text = box->text();
            information = box->informativeText();
            detailed = box->detailedText();
            for (QAbstractButton* button : box->findChildren<QAbstractButton*>())
                if (button->isVisible())
                    captions << button->text();
            box->accept();
        });
        dialogs.ShowMessage("指定されたＣＯＭポートは使用できません", details);
        QCOMPARE(text, QStringLiteral("指定されたＣＯＭポートは使用できません"));
        QCOMPARE(information, QStringLiteral("詳細：\n") + QString::fromStdString(details));
        QVERIFY(detailed.isEmpty());
        QCOMPARE(captions, QStringList{QStringLiteral("OK")});
    }

    void aBoxWithoutDetailsHasTheTextAlone()
    {
        QVERIFY(ui::OkBoxInformation({}).isEmpty());
    }

    // Qt's standard captions, as a context menu or a standard button shows
    // them, come from Qt's Japanese translation (scripts/setup.sh installs it).
    void qtsOwnCaptionsAreJapanese()
    {
        QVERIFY(ui::UseJapaneseQtTexts());
        const std::pair<const char*, const char*> captions[] = {
            {"QPlatformTheme", "Cancel"}, {"QLineEdit", "&Undo"},         {"QLineEdit", "&Copy"},
            {"QLineEdit", "Select All"},  {"QWidgetTextControl", "&Copy"}, {"QMessageBox", "Show Details..."}};
        for (const auto& [context, caption] : captions) {
            const QString shown = QCoreApplication::translate(context, caption);
            QVERIFY2(!HasEnglishWord(shown), qPrintable(QString::fromLatin1(caption) + QLatin1String(" -> ") + shown));
        }
    }

    // The face of every window is one the system has for Japanese; of a
    // collection with a face per language, the Japanese one, whose glyph
    // shapes differ from the Chinese and Korean ones sorted before it. On
    // Windows its own Japanese UI face comes first.
    void theFaceOfEveryWindowIsAJapaneseOneTheSystemHas()
    {
        const QFont before = QApplication::font();
        QStringList japanese;
        for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese))
            if (!family.startsWith(QLatin1Char('@')))
                japanese << family;
        const bool chosen = ui::UseCjkFont();
        const QString face = QApplication::font().family();
        QApplication::setFont(before);
        // Where the system has its own faces, it lists them for Japanese.
        const std::vector<std::string> systemFaces = tavelin::testing::SystemJapaneseUiFaces();
        if (!chosen) {
            QCOMPARE(face, before.family());
            if (!systemFaces.empty())
                QVERIFY2(japanese.isEmpty(), qPrintable(japanese.join(QLatin1Char(','))));
            return; // nothing to choose from: the face stays Qt's
        }
        QVERIFY2(QFontDatabase::hasFamily(face), qPrintable(face));
        if (!systemFaces.empty())
            QVERIFY2(japanese.contains(face), qPrintable(face + QLatin1String(" of ") + japanese.join(QLatin1Char(','))));
        for (const std::string& systemFace : systemFaces) {
            if (QFontDatabase::hasFamily(QString::fromStdString(systemFace))) {
                QCOMPARE(face, QString::fromStdString(systemFace));
                break;
            }
        }
        if (QFontDatabase::hasFamily(QStringLiteral("Noto Sans CJK SC")))
            QVERIFY2(face != QStringLiteral("Noto Sans CJK SC") && face != QStringLiteral("Noto Sans CJK KR"),
                     qPrintable(face));
    }

    // The hand-held's free bytes read as its file sizes do.
    void freeBytesAreGroupedAsFileSizes()
    {
        tavelin::testing::IdleLink idle;
        ui::ManualWindow manual(idle.link, QStringLiteral("manual"));
        auto* free = manual.findChild<QLineEdit*>(QStringLiteral("TxtHHTFree"));
        const struct {
            const char* given;
            const char* shown;
        } cases[] = {{" 3765579", "3,765,579"}, {" 512", "512"}, {" 0", "0"}, {"-5", "-5"}, {"", ""}};
        for (const auto& [given, shown] : cases) {
            manual.FreeSpace().SetText(given);
            QCOMPARE(free->text(), QString::fromUtf8(shown));
        }
        manual.HhtList().AddItem("A.DAT", 3765579);
        QCOMPARE(manual.findChild<QTreeWidget*>(QStringLiteral("LbHHTFile"))->topLevelItem(0)->text(1),
                 QStringLiteral("3,765,579"));
    }

    // At the size the window opens with, a long message shows its start and
    // is cut at its end; the whole text is in its tooltip and is what a
    // screen reader reads.
    void theMessageLineShowsItsStartAndItsWholeTextInTheTooltip()
    {
        tavelin::testing::IdleLink idle;
        ui::ManualWindow manual(idle.link, QStringLiteral("manual"));
        manual.show();
        QVERIFY(QTest::qWaitForWindowExposed(&manual));
        auto* line = manual.findChild<QLineEdit*>(QStringLiteral("TxtHHTMsg"));
        const QString message = QStringLiteral("ファイルが多すぎます（先頭の129件だけを表示しています）") +
                                QStringLiteral("　作業フォルダの設定を確認してください");
        manual.SetConnectionMessage(message.toStdString(), modes::MessageColour::Red);
        QCOMPARE(line->toolTip(), message);
        QCOMPARE(line->accessibleName(), message);
        auto* eliding = dynamic_cast<ui::ElidingLine*>(line);
        QVERIFY(eliding);
        const QString shown = eliding->ShownText();
        QVERIFY2(shown.startsWith(message.left(8)) && shown.endsWith(QChar(0x2026)) && shown.size() < message.size(),
                 qPrintable(shown));
        manual.SetConnectionMessage("ハンディ接続中･･･", modes::MessageColour::Black);
        QCOMPARE(eliding->ShownText(), QStringLiteral("ハンディ接続中･･･"));
    }

    // Each button of the row keeps room beside its caption at the size the
    // window opens with: インストール and 全インストール never look alike.
    void theButtonsKeepTheirCaptionsWhole()
    {
        tavelin::testing::IdleLink idle;
        ui::ManualWindow manual(idle.link, QStringLiteral("manual"));
        manual.show();
        QVERIFY(QTest::qWaitForWindowExposed(&manual));
        for (const char* name : {"BtnCopy", "BtnDel", "BtnRen", "BtnDir", "BtnInst", "BtnADown", "BtnAInst", "BtnEnd"}) {
            auto* button = manual.findChild<QPushButton*>(QString::fromLatin1(name));
            const QFontMetrics metrics = button->fontMetrics();
            QVERIFY2(button->width() >= metrics.horizontalAdvance(button->text()) + metrics.height(), name);
        }
    }

    // One family of units, in Japanese, from a few bytes a second to the
    // fastest line and beyond.
    void progressFiguresUseJapaneseUnitsOnly()
    {
        QCOMPARE(ui::RateFigure(975), QStringLiteral("975 バイト/秒"));
        QCOMPARE(ui::RateFigure(1023.4), QStringLiteral("1,023 バイト/秒"));
        QCOMPARE(ui::RateFigure(1024), QStringLiteral("1.0 Kバイト/秒"));
        QCOMPARE(ui::RateFigure(11520), QStringLiteral("11.3 Kバイト/秒"));
        QCOMPARE(ui::TransferFigures(512, 26300, -1, 0), QStringLiteral("512 / 26,300 バイト"));
        const QString line = ui::TransferFigures(10000, 26300, 1900, 8.6);
        QCOMPARE(line, QStringLiteral("10,000 / 26,300 バイト　　1.9 Kバイト/秒　　残り 0:09"));
        for (const double rate : {1.0, 975.0, 1900.0, 11520.0, 2e6})
            QVERIFY2(!HasEnglishWord(ui::TransferFigures(1, 2, rate, 1)), qPrintable(ui::RateFigure(rate)));
    }
};

QTEST_MAIN(OperatorTextsTest)
#include "operator_texts_test.moc"
