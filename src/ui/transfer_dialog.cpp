// SPDX-License-Identifier: MIT
#include "transfer_dialog.h"

#include "anim_pictures.h"
#include "button_row.h"
#include "controls.h"
#include "settings/texts.h"

#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <cmath>

namespace tavelin::ui {

namespace {

// Names for the controls without a caption of their own, and the figures
// line under the bar.

QPlainTextEdit* MessageText(QWidget* parent, std::string_view accessibleName, int lines)
{
    auto* text = new QPlainTextEdit(parent);
    NameByText(text, "TxtMsg", Q(accessibleName));
    text->setReadOnly(true);
    text->setFocusPolicy(Qt::ClickFocus);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Glyphs from a fallback font can make a line taller than the font says:
    // half a line to spare.
    const int margins = 2 * (text->frameWidth() + int(std::ceil(text->document()->documentMargin())));
    text->setFixedHeight(text->fontMetrics().lineSpacing() * (2 * lines + 1) / 2 + margins);
    return text;
}

QString Lines(std::string_view text) { return Q(text).replace(QLatin1String("\r\n"), QLatin1String("\n")); }

QString Duration(double seconds)
{
    const qint64 whole = qint64(std::ceil(seconds));
    const qint64 h = whole / 3600, m = whole / 60 % 60, s = whole % 60;
    return h > 0 ? QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'))
                 : QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

} // namespace

// --- F_UploadFile

UploadFileDialog::UploadFileDialog(std::string_view name, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("F_UploadFile"));
    setWindowTitle(Q(texts::kCaptionUploadQuestion));
    TxtMsg = MessageText(this, texts::kA11yUploadQuestion, 2);
    TxtMsg->setPlainText(Lines(std::string(name) + "\r\n" + std::string(texts::kSameNameExistsOnPc)));
    BtnOver = Button(this, texts::kButtonOverwrite, "BtnOver");
    BtnAppend = Button(this, texts::kButtonAppend, "BtnAppend");
    BtnCancel = Button(this, texts::kButtonCancel, "BtnCancel");
    // Enter keeps the PC's file: replacing it is a click away.
    BtnCancel->setDefault(true);
    connect(BtnOver, &QPushButton::clicked, this, [this] { Choose(settings::UploadMode::Overwrite); });
    connect(BtnAppend, &QPushButton::clicked, this, [this] { Choose(settings::UploadMode::Append); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { Choose(settings::UploadMode::Leave); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TxtMsg);
    layout->addWidget(ButtonRow(this, {BtnOver, BtnAppend, BtnCancel}));
    BtnCancel->setFocus();
}

void UploadFileDialog::Choose(settings::UploadMode answer)
{
    answer_ = answer;
    accept();
}

// --- F_DownDlg, F_UpDlg, F_APInst

TransferDialog::TransferDialog(link::Link& link, modes::TransferJob job, QWidget* parent)
    : QDialog(parent), link_(link), job_(std::move(job))
{
    switch (job_.kind) {
    case modes::TransferKind::Download: setObjectName(QStringLiteral("F_DownDlg")); break;
    case modes::TransferKind::Upload: setObjectName(QStringLiteral("F_UpDlg")); break;
    case modes::TransferKind::Install: setObjectName(QStringLiteral("F_APInst")); break;
    }
    setWindowTitle(Q(modes::TransferCaption(job_.kind)));
    BuildControls(job_.kind);
    progress_ = std::make_unique<ProgressBarFeed>(PBar, [this](bool visible) { ShowFigures(visible); });

    Timer1.setSingleShot(true);
    Timer1.setInterval(10);
    TimerPic.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &TransferDialog::Timer1_Timer);
    connect(&TimerPic, &QTimer::timeout, this, &TransferDialog::TimerPic_Timer);
    connect(BtnStop, &QPushButton::clicked, this, &TransferDialog::BtnStop_Click);
}

void TransferDialog::BuildControls(modes::TransferKind kind)
{
    const Direction direction = kind == modes::TransferKind::Upload ? Direction::Upload : Direction::Download;
    Pictures = new QStackedWidget(this);
    Pictures->setObjectName(QStringLiteral("Pictures"));
    Image1 = new QLabel(Pictures);
    Image2 = new QLabel(Pictures);
    Name(Image1, "Image1", Q(texts::kA11yAnimation));
    Name(Image2, "Image2", Q(texts::kA11yAnimation));
    Image1->setPixmap(AnimationPicture(direction, 1));
    Image2->setPixmap(AnimationPicture(direction, 2));
    Pictures->addWidget(Image1);
    Pictures->addWidget(Image2);
    Pictures->setCurrentWidget(Image1);

    TxtMsg = MessageText(this, texts::kA11yTransferMessage, 2);
    PBar = new QProgressBar(this);
    Name(PBar, "PBar", Q(texts::kA11yTransferProgress));
    LblFigures = new QLabel(this);
    NameByText(LblFigures, "LblFigures", Q(texts::kA11yTransferFigures));
    LblFigures->setAlignment(Qt::AlignCenter);
    // Wide enough for a large file, so the dialog does not grow as figures change.
    const QString widest = TransferFigures(999999999, 999999999, 1023.9 * 1024, 99 * 3600);
    LblFigures->setMinimumWidth(LblFigures->fontMetrics().horizontalAdvance(widest));
    for (QWidget* shownWhileSending : {static_cast<QWidget*>(PBar), static_cast<QWidget*>(LblFigures)}) {
        QSizePolicy policy = shownWhileSending->sizePolicy();
        policy.setRetainSizeWhenHidden(true); // no jumping layout between files
        shownWhileSending->setSizePolicy(policy);
        shownWhileSending->hide();
    }
    BtnStop = Button(this, texts::kButtonStop, "BtnStop");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Pictures, 0, Qt::AlignHCenter);
    layout->addWidget(TxtMsg);
    layout->addWidget(PBar);
    layout->addWidget(LblFigures);
    layout->addWidget(BtnStop, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TransferDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (started_)
        return;
    started_ = true;
    Timer1.start();
    TimerPic.start();
}

void TransferDialog::Timer1_Timer()
{
    if (stopAsked_) { // stopped before it began
        QDialog::reject();
        return;
    }
    running_ = true;
    modes::RunTransferJob(link_, *this, job_);
    running_ = false;
    progress_->Stop();
    TimerPic.stop();
    // A stop that came after the last file's engine had returned was for
    // this job alone: the window's next exchange must not end at once.
    if (stopAsked_)
        link_.state.flags.StopRequest = settings::kFalse;
    done(stopAsked_ ? Rejected : Accepted);
}

void TransferDialog::TimerPic_Timer()
{
    Pictures->setCurrentWidget(Pictures->currentWidget() == Image1 ? Image2 : Image1);
}

void TransferDialog::BtnStop_Click()
{
    stopAsked_ = true;
    if (running_)
        link_.state.flags.StopRequest = settings::kTrue;
}

void TransferDialog::reject()
{
    BtnStop_Click();
    if (!running_) {
        Timer1.stop();
        QDialog::reject();
    }
    // else the dialog closes when the loop has returned
}

// The figures under the bar, as the bar has just been shown.
void TransferDialog::ShowFigures(bool visible)
{
    LblFigures->setHidden(!visible);
    if (!visible)
        return;
    ShowText(LblFigures, Figures());
}

QString TransferDialog::Figures() const
{
    const LatchedProgress& progress = progress_->Latched();
    const std::int64_t done = progress.Value() - progress.Min();
    const std::int64_t total = progress.Max() - progress.Min();
    const double rate = progress.Rate();
    const double secondsLeft = rate > 0 ? double(std::max<std::int64_t>(total - done, 0)) / rate : 0;
    return TransferFigures(done, total, rate, secondsLeft);
}

QString RateFigure(double bytesPerSecond)
{
    const QLocale locale;
    if (bytesPerSecond < 1024)
        return Q(texts::kFiguresRateBytes).arg(locale.toString(qint64(std::llround(bytesPerSecond))));
    return Q(texts::kFiguresRateKBytes).arg(locale.toString(bytesPerSecond / 1024, 'f', 1));
}

QString TransferFigures(std::int64_t done, std::int64_t total, double bytesPerSecond, double secondsLeft)
{
    const QLocale locale;
    QString text = Q(texts::kFiguresBytes).arg(locale.toString(qint64(done)), locale.toString(qint64(total)));
    if (bytesPerSecond > 0) {
        text += Q(texts::kFiguresGap) + RateFigure(bytesPerSecond);
        text += Q(texts::kFiguresGap) + Q(texts::kFiguresLeft).arg(Duration(secondsLeft));
    }
    return text;
}

// --- modes::TransferView

void TransferDialog::SetMessage(std::string_view text) { TxtMsg->setPlainText(Lines(text)); }

void TransferDialog::ShowMessage(std::string_view text) { ShowOkBox(this, text); }

settings::UploadMode TransferDialog::AskExistingFile(std::string_view name)
{
    UploadFileDialog question(name, this);
    question.exec();
    return question.Answer();
}

} // namespace tavelin::ui
