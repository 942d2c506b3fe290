// SPDX-License-Identifier: MIT
#include "auto_window.h"

#include "anim_pictures.h"
#include "controls.h"
#include "line_monitor_window.h"
#include "settings/texts.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>


#include <algorithm>

namespace tavelin::ui {

AutoWindow::AutoWindow(link::Link& link, const QString& caption, modes::ManualSelection selection, QWidget* parent)
    : QWidget(parent), link_(link), history_(nullptr, link.state.quiet), cycle_(link, *this, std::move(selection)),
      closing_({[this] { return cycle_.InTick(); }, [this] { link_.state.flags.StopRequest = settings::kTrue; },
                [this] {
                    Timer1.stop();
                    Timer2.stop();
                    TimerPic.stop();
                    progress_->Stop();
                    cycle_.Unload();
                }})
{
    setObjectName(QStringLiteral("F_Auto"));
    setWindowTitle(caption);
    BuildControls();
    LineMonitorAction(this, link_); // no menu here: the key alone opens it
    history_ = QtHistoryList(LbHistory, link_.state.quiet);
    progress_ = std::make_unique<ProgressBarFeed>(PBar);

    // Form_Load
    Centre();
    Timer2.setInterval(link_.state.settings.PollInterval);
    AnimFrame = 1;
    Pictures->setCurrentWidget(ImageFirst);

    Timer1.setSingleShot(true);
    Timer1.setInterval(50);
    TimerPic.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &AutoWindow::Timer1_Timer);
    connect(&Timer2, &QTimer::timeout, this, &AutoWindow::Timer2_Timer);
    connect(&TimerPic, &QTimer::timeout, this, &AutoWindow::TimerPic_Timer);
    connect(BtnEnd, &QPushButton::clicked, this, &AutoWindow::BtnEnd_Click);
    Timer1.start();
    TimerPic.start();
}

void AutoWindow::BuildControls()
{
    const bool upload = link_.state.settings.RunMode == 3;
    const Direction direction = upload ? Direction::Upload : Direction::Download;
    Pictures = new QStackedWidget(this);
    Pictures->setObjectName(QStringLiteral("Pictures"));
    ImageFirst = new QLabel(Pictures);
    ImageSecond = new QLabel(Pictures);
    Name(ImageFirst, upload ? "ImageU1" : "ImageD1", Q(texts::kA11yAnimation));
    Name(ImageSecond, upload ? "ImageU2" : "ImageD2", Q(texts::kA11yAnimation));
    ImageFirst->setPixmap(AnimationPicture(direction, 1));
    ImageSecond->setPixmap(AnimationPicture(direction, 2));
    Pictures->addWidget(ImageFirst);
    Pictures->addWidget(ImageSecond);
    Pictures->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    TxtMsg = new StatusText(3, this);
    Name(TxtMsg, "TxtMsg", Q(texts::kA11yTransferMessage));
    LbHistory = new QListWidget(this);
    Name(LbHistory, "LbHistory", Q(texts::kA11yHistory));
    PBar = new QProgressBar(this);
    Name(PBar, "PBar", Q(texts::kA11yTransferProgress));
    PBar->setVisible(false);
    BtnEnd = new QPushButton(Q(texts::kButtonEnd), this);
    Name(BtnEnd, "BtnEnd", Q(texts::kButtonEnd));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Pictures, 0, Qt::AlignHCenter);
    layout->addWidget(TxtMsg);
    layout->addWidget(PBar);
    layout->addWidget(LbHistory, 1);
    layout->addWidget(BtnEnd, 0, Qt::AlignHCenter);
    // Room for a history of a dozen lines, sized by the font rather than in pixels.
    const QFontMetrics metrics = fontMetrics();
    resize(std::max(sizeHint().width(), metrics.averageCharWidth() * 64), sizeHint().height() + metrics.lineSpacing() * 8);
}

void AutoWindow::Centre()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void AutoWindow::Timer1_Timer()
{
    if (cycle_.Start())
        Timer2.start();
}

void AutoWindow::Timer2_Timer()
{
    cycle_.Tick();
    if (closing_.Due())
        close();
}

void AutoWindow::TimerPic_Timer()
{
    Pictures->setCurrentWidget(AnimFrame == 1 ? ImageSecond : ImageFirst);
    AnimFrame = AnimFrame == 1 ? 2 : 1;
}

void AutoWindow::BtnEnd_Click() { link_.state.flags.StopRequest = settings::kTrue; }

void AutoWindow::SetMessage(std::string_view text) { TxtMsg->SetText(Q(text)); }

void AutoWindow::SetEndButtonCaption(std::string_view text)
{
    BtnEnd->setText(Q(text));
    BtnEnd->setAccessibleName(BtnEnd->text());
}

void AutoWindow::ShowMessageBox(std::string_view text)
{
    ShowOkBox(this, text);
}

void AutoWindow::LogLine(std::string_view line) { LogToStandardError(line); }

void AutoWindow::RequestUnload()
{
    Timer2.stop();
    // Closing waits until the tick under way has returned.
    QTimer::singleShot(0, this, &QWidget::close);
}

void AutoWindow::closeEvent(QCloseEvent* event)
{
    if (closing_.Close(event))
        emit Closed();
}

} // namespace tavelin::ui
