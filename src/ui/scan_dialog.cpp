// SPDX-License-Identifier: MIT
#include "scan_dialog.h"

#include "button_row.h"
#include "controls.h"

#include "settings/texts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tavelin::ui {

ScanDialog::ScanDialog(link::Link& link, TakeSettings takeSettings, QWidget* parent)
    : QDialog(parent), link_(link), takeSettings_(std::move(takeSettings)),
      closing_({[this] { return running_; }, [this] { link_.state.flags.StopRequest = settings::kTrue; }, [] {}})
{
    setObjectName(QStringLiteral("Dlg_Scan"));
    setWindowTitle(Q(texts::kScanTitle));
    Lbl_Status = new QLabel(this);
    NameByText(Lbl_Status, "Lbl_Status", Q(texts::kA11yScanStatus));
    Pb_Scan = new QProgressBar(this);
    Name(Pb_Scan, "Pb_Scan", Q(texts::kA11yScanProgress));
    Lst_Found = new QListWidget(this);
    Name(Lst_Found, "Lst_Found", Q(texts::kA11yScanFound));
    Chk_All = new QCheckBox(Q(texts::kScanAll), this);
    Name(Chk_All, "Chk_All", Chk_All->text());
    Cmd_Start = Button(this, texts::kScanStart, "Cmd_Start");
    Cmd_Stop = Button(this, texts::kButtonStop, "Cmd_Stop");
    Cmd_TakeSettings = Button(this, texts::kScanTakeSettings, "Cmd_TakeSettings");
    Cmd_TakeId = Button(this, texts::kScanTakeId, "Cmd_TakeId");
    Cmd_Close = Button(this, texts::kScanClose, "Cmd_Close");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Lbl_Status);
    layout->addWidget(Pb_Scan);
    layout->addWidget(Lst_Found, 1);
    layout->addWidget(Chk_All);
    layout->addWidget(ButtonRow(this, {Cmd_Start, Cmd_Stop, Cmd_TakeSettings, Cmd_TakeId, Cmd_Close}));
    resize(560, 320);

    connect(Cmd_Start, &QPushButton::clicked, this, &ScanDialog::Start);
    connect(Cmd_Stop, &QPushButton::clicked, this, [this] { link_.state.flags.StopRequest = settings::kTrue; });
    connect(Cmd_Close, &QPushButton::clicked, this, &QDialog::close);
    connect(Lst_Found, &QListWidget::currentRowChanged, this, &ScanDialog::UpdateButtons);
    connect(Cmd_TakeSettings, &QPushButton::clicked, this, [this] {
        if (const modes::ScanFind* find = ChosenFind(); find && takeSettings_)
            takeSettings_(find->setting);
    });
    connect(Cmd_TakeId, &QPushButton::clicked, this, [this] {
        if (const modes::ScanFind* find = ChosenFind())
            emit IdTaken(find->ids.front());
    });
    UpdateButtons();
}

void ScanDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        QTimer::singleShot(0, this, &ScanDialog::Start);
    }
}

void ScanDialog::Start()
{
    if (running_)
        return;
    started_ = true;
    running_ = true;
    outcome_ = {};
    Lst_Found->clear();
    UpdateButtons();
    const auto plan = modes::ScanPlan(link_.state.settings, Chk_All->isChecked());
    Pb_Scan->setRange(0, int(plan.size()) * settings::kMaxHhtId);
    Pb_Scan->setValue(0);
    link_.state.flags.StopRequest = settings::kFalse;
    outcome_ = modes::RunScan(link_, plan, *this);
    link_.state.flags.StopRequest = settings::kFalse; // the window's next exchange must not see it
    running_ = false;
    ShowEnd();
    if (closing_.Due())
        close();
}

void ScanDialog::SettingBegins(const modes::ScanSetting& setting, int index, int)
{
    settingIndex_ = index;
    Pb_Scan->setValue(index * settings::kMaxHhtId);
    ShowText(Lbl_Status, Q(texts::kScanTrying) + QString::fromStdString(modes::SettingText(setting)));
}

void ScanDialog::Polled(int id, int)
{
    Pb_Scan->setValue(settingIndex_ * settings::kMaxHhtId + id);
}

void ScanDialog::SettingEnds(const modes::ScanFind& find)
{
    Pb_Scan->setValue((settingIndex_ + 1) * settings::kMaxHhtId);
    if (!find.ids.empty())
        Lst_Found->addItem(QString::fromStdString(modes::FindText(find)));
}

void ScanDialog::ShowEnd()
{
    QString status;
    switch (outcome_.end) {
    case modes::ScanEnd::Stopped: status = Q(texts::kScanStopped); break;
    case modes::ScanEnd::PortError: status = Q(texts::kScanPortError) + QString::fromStdString(outcome_.reason); break;
    case modes::ScanEnd::Complete:
        Pb_Scan->setValue(Pb_Scan->maximum());
        status = Q(outcome_.found.empty() ? texts::kScanFoundNone : texts::kScanFoundSome);
        break;
    }
    ShowText(Lbl_Status, status);
    if (Lst_Found->count() > 0)
        Lst_Found->setCurrentRow(0);
    UpdateButtons();
}

const modes::ScanFind* ScanDialog::ChosenFind() const
{
    const int row = Lst_Found->currentRow();
    if (running_ || row < 0 || row >= int(outcome_.found.size()))
        return nullptr;
    return &outcome_.found[std::size_t(row)];
}

void ScanDialog::UpdateButtons()
{
    const modes::ScanFind* find = ChosenFind();
    Cmd_Start->setEnabled(!running_);
    Chk_All->setEnabled(!running_);
    Cmd_Stop->setEnabled(running_);
    Cmd_TakeSettings->setEnabled(find && modes::SettingsDialogCanTake(find->setting));
    Cmd_TakeId->setEnabled(find != nullptr);
}

// A close while the scan runs stops it; the dialog closes once it has.
void ScanDialog::closeEvent(QCloseEvent* event)
{
    if (closing_.Close(event))
        QDialog::closeEvent(event);
}

// Escape: as a close.
void ScanDialog::reject()
{
    QCloseEvent event;
    if (closing_.Close(&event))
        QDialog::reject();
}

} // namespace tavelin::ui
