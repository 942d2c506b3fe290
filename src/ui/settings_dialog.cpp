// SPDX-License-Identifier: MIT
#include "settings_dialog.h"

#include "button_row.h"
#include "controls.h"
#include "dir_dialog.h"
#include "link/port_names.h"
#include "desktop/user_settings_store.h"
#include "settings/texts.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

namespace tavelin::ui {

namespace {

struct Option {
    std::string_view caption;
    const char* tableName;
    const char* code;
};

// A frame of option buttons laid out in a column, `beside` (if any) to its
// right. The accessible name of each button carries the frame's caption,
// which a screen reader would otherwise not say with it.
QGroupBox* OptionFrame(QWidget* parent, std::string_view caption, std::initializer_list<Option> options, OptionGroup& out,
                       QWidget* beside = nullptr)
{
    auto* frame = new QGroupBox(Q(caption), parent);
    auto* column = new QVBoxLayout;
    out.group = new QButtonGroup(frame);
    for (const Option& option : options) {
        auto* button = new QRadioButton(Q(option.caption), frame);
        Name(button, option.tableName, Q(caption) + QLatin1Char(' ') + Q(option.caption));
        out.group->addButton(button, int(out.buttons.size()));
        out.buttons.push_back(button);
        out.codes.emplace_back(option.code);
        // As wide as its caption: a wide frame (the device lists beside the
        // COM buttons widen a column) leaves no dead space that looks
        // clickable but is not.
        column->addWidget(button, 0, Qt::AlignLeft);
    }
    column->addStretch(1);
    auto* row = new QHBoxLayout(frame);
    row->addLayout(column);
    if (beside) {
        row->addSpacing(frame->fontMetrics().averageCharWidth() * 2);
        row->addWidget(beside, 1);
    }
    return frame;
}

QLineEdit* Box(QWidget* parent, const char* tableName, const QString& accessibleName, int characters)
{
    auto* box = new QLineEdit(parent);
    Name(box, tableName, accessibleName);
    // As wide as what it holds, in the dialog's own font; a short number
    // does not need a long box.
    const int width = box->fontMetrics().horizontalAdvance(QString(characters + 3, QLatin1Char('0')));
    box->setMinimumWidth(width);
    if (characters <= 5)
        box->setMaximumWidth(width);
    return box;
}

// A time-out frame: the box and "msec" after it.
QGroupBox* TimeoutFrame(QWidget* parent, std::string_view caption, QLineEdit*& box, const char* tableName)
{
    auto* frame = new QGroupBox(Q(caption), parent);
    box = Box(frame, tableName, Q(caption) + QStringLiteral(" (msec)"), 4);
    auto* unit = new QLabel(Q(texts::kLabelMsec), frame);
    unit->setBuddy(box);
    auto* row = new QHBoxLayout(frame);
    row->addWidget(box);
    row->addWidget(unit);
    row->addStretch(1);
    return frame;
}

// The device COMn opens and whether the system has it, for its tooltip.
QString ComDeviceTip(int commPort, const settings::DeviceChoices& choices,
                     const std::vector<link::SerialDeviceInfo>& devices)
{
    const link::PortDevice device = link::ResolvePortDevice(commPort, choices);
    if (device.source == link::DeviceSource::SettingsUnreadable)
        return Q(texts::kComDevicePrefix) + Q(texts::kComDeviceNone) + QLatin1Char('\n') +
               Q(texts::kMsgUserSettingsUnreadable);
    QString tip = Q(texts::kComDevicePrefix) + QString::fromStdString(device.path);
    if (device.source == link::DeviceSource::Environment)
        tip += QStringLiteral(" (TAVELIN_COM%1)").arg(commPort);
    if (device.source == link::DeviceSource::ChosenForPc)
        tip += Q(texts::kComDeviceForPc);
    const bool exists = link::DevicePresent(device.path, devices);
    return tip + QLatin1Char('\n') + Q(exists ? texts::kComDeviceFound : texts::kComDeviceMissing);
}

// Opening the list is when the operator looks for a device just plugged in.
class DeviceCombo final : public QComboBox {
public:
    DeviceCombo(QWidget* parent, std::function<void()> beforePopup)
        : QComboBox(parent), beforePopup_(std::move(beforePopup))
    {
    }
    void showPopup() override
    {
        beforePopup_();
        QComboBox::showPopup();
    }

private:
    std::function<void()> beforePopup_;
};

// Polling is cheap (the system lists its tty class) and sees a device come
// and go whichever way the system announces it.
constexpr int kDevicePollMs = 1500;

} // namespace

int OptionGroup::Select(const std::string& code)
{
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] == code) {
            buttons[i]->setChecked(true);
            return int(i);
        }
    }
    return -1;
}

std::string OptionGroup::Selected() const
{
    const int id = group->checkedId();
    return id >= 0 ? codes[std::size_t(id)] : std::string();
}

void CentreOnScreen(QWidget* dialog)
{
    const QScreen* screen = dialog->screen() ? dialog->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    dialog->move(area.center() - dialog->rect().center());
}

SettingsDialog::SettingsDialog(settings::AppState& state, QWidget* parent, const link::SerialDeviceList* devices)
    : QDialog(parent), state_(state), devices_(devices)
{
    if (!devices_) {
        ownDevices_ = std::make_unique<link::SystemSerialDeviceList>();
        devices_ = ownDevices_.get();
    }
    devicePoll_ = new QTimer(this);
    devicePoll_->setInterval(kDevicePollMs);
    connect(devicePoll_, &QTimer::timeout, this, [this] {
        // Refilling a list that is open would close it under the operator.
        for (const QComboBox* combo : CboDev)
            if (combo->view()->isVisible())
                return;
        RefreshDevices();
    });
    setObjectName(QStringLiteral("F_Set"));
    setWindowTitle(Q(texts::kCaptionSettings));
    STabSet = new QTabWidget(this);
    Name(STabSet, "STabSet", Q(texts::kA11ySettingsTabs));
    STabSet->addTab(BuildCommPage(), Q(texts::kTabComm));
    STabSet->addTab(BuildPollingPage(), Q(texts::kTabPolling));
    STabSet->addTab(BuildDataPage(), Q(texts::kTabDataFiles));

    BtnOk = Button(this, texts::kButtonOkWide, "BtnOk", Q(texts::kButtonOkWide));
    BtnCancel = Button(this, texts::kButtonCancel, "BtnCancel", Q(texts::kButtonCancel));
    BtnOk->setDefault(true);
    connect(BtnOk, &QPushButton::clicked, this, &SettingsDialog::BtnOk_Click);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(STabSet);
    layout->addWidget(ButtonRow(this, {BtnOk, BtnCancel}));
    Form_Load();
}

QWidget* SettingsDialog::BuildCommPage()
{
    auto* page = new QWidget;
    QGroupBox* baud = OptionFrame(page, texts::kFrameBaud,
                                  {{texts::kBaud4800, "OBtB48", "0"},
                                   {texts::kBaud9600, "OBtB96", "1"},
                                   {texts::kBaud19200, "OBtB192", "2"},
                                   {texts::kBaud38400, "OBtB384", "3"},
                                   {texts::kBaud115K, "OBtB115K", "5"}},
                                  baud_);
    QGroupBox* parity = OptionFrame(page, texts::kFrameParity,
                                    {{texts::kParityEven, "OBtPEve", "0"},
                                     {texts::kParityOdd, "OBtPOdd", "1"},
                                     {texts::kParityNone, "OBtPNon", "2"}},
                                    parity_);
    QGroupBox* dataBits = OptionFrame(page, texts::kFrameDataBits,
                                      {{texts::kDataBits7, "OBtD7", "0"}, {texts::kDataBits8, "OBtD8", "1"}}, dataBits_);
    QGroupBox* stopBits = OptionFrame(page, texts::kFrameStopBits,
                                      {{texts::kStopBits1, "OBtS1", "0"}, {texts::kStopBits2, "OBtS2", "1"}}, stopBits_);
    QGroupBox* com = OptionFrame(page, texts::kFrameComPort,
                                 {{texts::kCom1, "OBtCom1", "0"},
                                  {texts::kCom2, "OBtCom2", "1"},
                                  {texts::kCom3, "OBtCom3", "2"},
                                  {texts::kCom4, "OBtCom4", "3"}},
                                 comPort_, BuildDeviceChoice(page));

    QGroupBox* portKind = OptionFrame(page, texts::kFramePortKind,
                                      {{texts::kPortRs232c, "OBtO232C", "0"},
                                       {texts::kPortOptical, "OBtOOPT", "1"},
                                       {texts::kPortJetEye, "OBtOJET", "2"},
                                       {texts::kPortIrlink, "OBtOIRL", "3"}},
                                      portKind_);
    QGroupBox* commTimeout = TimeoutFrame(page, texts::kFrameCommTimeout, TxtRSTOut, "TxtRSTOut");
    QGroupBox* pollTimeout = TimeoutFrame(page, texts::kFramePollTimeout, TxtPTOut, "TxtPTOut");

    // A click, by mouse or keyboard (the arrow keys click the next button),
    // runs the handler once; Form_Load runs it for the button it selects.
    connect(baud_.group, &QButtonGroup::idClicked, this, &SettingsDialog::Baud_Click);
    connect(portKind_.group, &QButtonGroup::idClicked, this, &SettingsDialog::PortKind_Click);

    auto* timeouts = new QVBoxLayout;
    timeouts->addWidget(commTimeout);
    timeouts->addWidget(pollTimeout);
    timeouts->addStretch(1);
    auto* grid = new QGridLayout(page);
    grid->addWidget(baud, 0, 0);
    grid->addWidget(parity, 0, 1);
    grid->addWidget(dataBits, 0, 2);
    grid->addWidget(stopBits, 0, 3);
    grid->addWidget(com, 1, 0, 1, 2);
    grid->addWidget(portKind, 1, 2);
    grid->addLayout(timeouts, 1, 3);
    grid->setRowStretch(2, 1);
    return page;
}

QWidget* SettingsDialog::BuildPollingPage()
{
    auto* page = new QWidget;
    auto* prompt = new QLabel(Q(texts::kPollingRangePrompt), page);
    prompt->setWordWrap(true);
    auto* rows = new QGridLayout;
    for (int i = 0; i < settings::kIdRows; ++i) {
        const QByteArray from = "TxtIDS" + QByteArray::number(i);
        const QByteArray to = "TxtIDE" + QByteArray::number(i);
        auto* label = new QLabel(Q(texts::kLabelHandyId), page);
        TxtIDS.push_back(Box(page, from.constData(), Q(texts::kA11yIdFrom).arg(i + 1), 3));
        TxtIDE.push_back(Box(page, to.constData(), Q(texts::kA11yIdTo).arg(i + 1), 3));
        label->setBuddy(TxtIDS.back());
        rows->addWidget(label, i, 0);
        rows->addWidget(TxtIDS.back(), i, 1);
        rows->addWidget(new QLabel(Q(texts::kIdRangeTilde), page), i, 2);
        rows->addWidget(TxtIDE.back(), i, 3);
    }
    rows->setColumnStretch(4, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(prompt);
    layout->addLayout(rows);
    layout->addStretch(1);
    return page;
}

QWidget* SettingsDialog::BuildDataPage()
{
    auto* page = new QWidget;
    auto* paths = new QGridLayout;
    const struct {
        std::string_view caption;
        QLineEdit*& box;
        const char* boxName;
        QPushButton*& button;
        const char* buttonName;
        settings::DirTarget target;
    } rows[] = {
        {texts::kLabelApFile, TxtDirAP, "TxtDirAP", BtnDirA, "BtnDirA", settings::DirTarget::ApFile},
        {texts::kLabelDownDir, TxtDirDown, "TxtDirDown", BtnDirD, "BtnDirD", settings::DirTarget::DownDir},
        {texts::kLabelUpDir, TxtDirUp, "TxtDirUp", BtnDirU, "BtnDirU", settings::DirTarget::UpDir},
    };
    int line = 0;
    for (const auto& row : rows) {
        auto* label = new QLabel(Q(row.caption), page);
        row.box = Box(page, row.boxName, Q(row.caption), 40);
        label->setBuddy(row.box);
        row.button = Button(page, texts::kButtonBrowse, row.buttonName, Q(row.caption) + QLatin1Char(' ') + Q(texts::kButtonBrowse));
        paths->addWidget(label, line++, 0, 1, 2);
        paths->addWidget(row.box, line, 0);
        paths->addWidget(row.button, line++, 1);
        QLineEdit* box = row.box;
        const settings::DirTarget target = row.target;
        connect(row.button, &QPushButton::clicked, this, [this, target, box] { ChooseInto(target, box); });
    }
    paths->setColumnStretch(0, 1);

    QGroupBox* sameName = OptionFrame(page, texts::kFrameSameName,
                                      {{texts::kUpOver, "OBtUpOver", "1"},
                                       {texts::kUpAdd, "OBtUpAdd", "2"},
                                       {texts::kUpNon, "OBtUpNon", "3"}},
                                      uploadMode_);
    QGroupBox* history = OptionFrame(page, texts::kFrameHistory,
                                     {{texts::kHisNew, "OBtHisNew", "1"},
                                      {texts::kHisAdd, "OBtHisAdd", "2"},
                                      {texts::kHisNon, "OBtHisNon", "3"}},
                                     historyMode_);
    auto* count = new QGroupBox(Q(texts::kFramePollCount), page);
    TxtRetry = Box(count, "TxtRetry", Q(texts::kFramePollCount), 2);
    auto* countColumn = new QVBoxLayout(count);
    countColumn->addWidget(TxtRetry);
    countColumn->addStretch(1);

    auto* frames = new QHBoxLayout;
    frames->addWidget(sameName);
    frames->addWidget(history);
    frames->addWidget(count);
    frames->addStretch(1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(paths);
    layout->addLayout(frames);
    layout->addStretch(1);
    return page;
}

void SettingsDialog::Form_Load()
{
    const settings::SettingsForm form = settings::FormFromSettings(state_.settings);
    if (const int baud = baud_.Select(form.baudCode); baud >= 0)
        Baud_Click(baud); // puts in the default time-out, replaced below
    parity_.Select(form.parityCode);
    dataBits_.Select(form.dataBitsCode);
    stopBits_.Select(form.stopBitsCode);
    comPort_.Select(form.comPortCode);
    // Each box shows what its COM name opens for this user: the user's own
    // choice, else the PC's. Saving for all users is proposed where the
    // PC's choices are all there is.
    bool own = false;
    for (std::size_t i = 0; i < CboDev.size(); ++i) {
        const std::string& mine = state_.devices.chosen[i];
        own = own || !mine.empty();
        CboDev[i]->setEditText(QString::fromStdString(mine.empty() ? state_.devices.machine[i] : mine));
        // An empty box leaves the PC's choice standing, not the standard device.
        if (!state_.devices.machine[i].empty())
            CboDev[i]->lineEdit()->setPlaceholderText(QString::fromStdString(state_.devices.machine[i]) +
                                                     Q(texts::kComDeviceForPc));
    }
    const bool forPc = state_.devices.machine != decltype(state_.devices.machine){};
    ChkDevAllUsers->setChecked(forPc && !own);
    shownDevices_ = devices_->Devices();
    ShowDevices();
    TxtPTOut->setText(Q(form.pollTimeout));
    TxtRSTOut->setText(Q(form.commTimeout));
    for (int i = 0; i < settings::kIdRows; ++i) {
        TxtIDS[i]->setText(Q(form.idFrom[i]));
        TxtIDE[i]->setText(Q(form.idTo[i]));
    }
    TxtDirAP->setText(Q(form.apFile));
    TxtDirDown->setText(Q(form.downDir));
    TxtDirUp->setText(Q(form.upDir));
    TxtRetry->setText(Q(form.retry));
    uploadMode_.Select(std::to_string(form.uploadMode));
    historyMode_.Select(std::to_string(form.historyMode));
    if (const int kind = portKind_.Select(form.portKindCode); kind >= 0)
        PortKind_Click(kind); // last: enables the baud buttons the kind allows
}

settings::SettingsForm SettingsDialog::Form() const
{
    settings::SettingsForm form;
    form.baudCode = baud_.Selected();
    form.parityCode = parity_.Selected();
    form.dataBitsCode = dataBits_.Selected();
    form.stopBitsCode = stopBits_.Selected();
    form.comPortCode = comPort_.Selected();
    form.portKindCode = portKind_.Selected();
    form.commTimeout = TxtRSTOut->text().toStdString();
    form.pollTimeout = TxtPTOut->text().toStdString();
    for (int i = 0; i < settings::kIdRows; ++i) {
        form.idFrom[i] = TxtIDS[i]->text().toStdString();
        form.idTo[i] = TxtIDE[i]->text().toStdString();
    }
    form.apFile = TxtDirAP->text().toStdString();
    form.downDir = TxtDirDown->text().toStdString();
    form.upDir = TxtDirUp->text().toStdString();
    form.retry = TxtRetry->text().toStdString();
    const std::string upload = uploadMode_.Selected();
    const std::string history = historyMode_.Selected();
    form.uploadMode = upload.empty() ? 0 : upload[0] - '0';
    form.historyMode = history.empty() ? 0 : history[0] - '0';
    return form;
}

void SettingsDialog::BtnOk_Click()
{
    settings::SettingsForm form = Form();
    const settings::OkOutcome outcome = settings::ApplySettingsForm(form, state_);
    TxtRSTOut->setText(Q(form.commTimeout)); // raised for the slow rates
    if (outcome.end == settings::OkEnd::NotSaved) { // nothing changed: the values stay typed
        ShowOkBox(this, std::string(outcome.message) + "\n" + outcome.file, outcome.reason);
        return;
    }
    if (outcome.end != settings::OkEnd::Refused) {
        saved_ = true;
        StoreDevices();
    }
    if (!outcome.message.empty()) {
        ShowOkBox(this, outcome.message);
        return; // stays open
    }
    accept();
}

void SettingsDialog::Baud_Click(int index)
{
    TxtRSTOut->setText(Q(settings::DefaultCommTimeout(baud_.codes[std::size_t(index)])));
}

void SettingsDialog::PortKind_Click(int index)
{
    const auto enabled = settings::BaudButtonsFor(portKind_.codes[std::size_t(index)]);
    for (std::size_t i = 0; i < enabled.size(); ++i) {
        if (enabled[i])
            baud_.buttons[i]->setEnabled(*enabled[i]); // a disabled button keeps its selection
    }
}

void SettingsDialog::ChooseInto(settings::DirTarget target, QLineEdit* box)
{
    if (const auto chosen = ChooseDirectory(this, target, box->text()))
        box->setText(*chosen);
}

SettingsDialog::~SettingsDialog() = default;

// One editable list per COM name, in the order of the COM buttons beside it.
// A typed path is taken as typed: no completion puts a device in the box
// that the operator did not mean.
QWidget* SettingsDialog::BuildDeviceChoice(QWidget* parent)
{
    auto* panel = new QWidget(parent);
    auto* rows = new QGridLayout(panel);
    rows->setContentsMargins(0, 0, 0, 0);
    const std::string_view names[] = {texts::kCom1, texts::kCom2, texts::kCom3, texts::kCom4};
    for (int i = 0; i < settings::kComNames; ++i) {
        auto* combo = new DeviceCombo(panel, [this] { RefreshDevices(); });
        const QByteArray name = "CboDevCom" + QByteArray::number(i + 1);
        Name(combo, name.constData(), Q(texts::kA11yComDevice).arg(i + 1));
        combo->setEditable(true);
        combo->setCompleter(nullptr);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(24);
        combo->lineEdit()->setPlaceholderText(Q(texts::kComDeviceDefaultPrefix) +
                                              QString::fromStdString(link::StandardDevice(i + 1)));
        connect(combo, &QComboBox::editTextChanged, this, &SettingsDialog::UpdateDeviceTips);
        auto* label = new QLabel(Q(names[i]) + Q(texts::kLabelComDevice), panel);
        label->setBuddy(combo);
        rows->addWidget(label, i, 0);
        rows->addWidget(combo, i, 1);
        CboDev[std::size_t(i)] = combo;
    }
    ChkDevAllUsers = new QCheckBox(Q(texts::kCheckDevAllUsers), panel);
    Name(ChkDevAllUsers, "ChkDevAllUsers", Q(texts::kCheckDevAllUsers));
    ChkDevAllUsers->setToolTip(Q(texts::kDevAllUsersTip));
    rows->addWidget(ChkDevAllUsers, settings::kComNames, 1);
    rows->setColumnStretch(1, 1);
    rows->setRowStretch(settings::kComNames + 1, 1);
    return panel;
}

void SettingsDialog::RefreshDevices()
{
    auto devices = devices_->Devices();
    if (devices == shownDevices_)
        return;
    shownDevices_ = std::move(devices);
    ShowDevices();
}

// Refills the lists, keeping what each box holds.
void SettingsDialog::ShowDevices()
{
    for (QComboBox* combo : CboDev) {
        const QSignalBlocker quiet(combo);
        const QString text = combo->currentText();
        combo->clear();
        for (const auto& device : shownDevices_) {
            combo->addItem(device.path);
            combo->setItemData(combo->count() - 1, link::DeviceToolTip(device), Qt::ToolTipRole);
        }
        combo->setEditText(text);
        // The open list shows whole by-id names, wider than the box if need be.
        combo->view()->setMinimumWidth(combo->view()->sizeHintForColumn(0) +
                                       combo->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    }
    UpdateDeviceTips();
}

// A box's tooltip describes the device in it, and says when the
// environment overrules it; each COM button's names what it would open.
void SettingsDialog::UpdateDeviceTips()
{
    const settings::DeviceChoices chosen = ChosenDevices();
    for (int i = 0; i < settings::kComNames; ++i) {
        QComboBox* combo = CboDev[std::size_t(i)];
        QString tip = Q(texts::kComDeviceChoiceTip);
        const QString text = combo->currentText().trimmed();
        for (const auto& device : shownDevices_) {
            if (!text.isEmpty() && (device.path == text || device.systemLocation == text))
                tip = link::DeviceToolTip(device);
        }
        const link::PortDevice opened = link::ResolvePortDevice(i + 1, chosen);
        if (opened.source == link::DeviceSource::SettingsUnreadable)
            tip += QLatin1Char('\n') + Q(texts::kMsgUserSettingsUnreadable);
        if (opened.source == link::DeviceSource::Environment)
            tip += QLatin1Char('\n') + Q(texts::kComDeviceByVariable)
                                           .arg(QStringLiteral("TAVELIN_COM%1").arg(i + 1),
                                                QString::fromStdString(opened.path));
        combo->setToolTip(tip);
        if (std::size_t(i) < comPort_.buttons.size())
            comPort_.buttons[std::size_t(i)]->setToolTip(ComDeviceTip(i + 1, chosen, shownDevices_));
    }
}

settings::DeviceChoices SettingsDialog::ChosenDevices() const
{
    settings::DeviceChoices chosen = state_.devices; // an unreadable file: the boxes cannot make up for it
    for (std::size_t i = 0; i < CboDev.size(); ++i)
        chosen.chosen[i] = CboDev[i]->currentText().trimmed().toStdString();
    return chosen;
}

// The map is this PC's, not the parameter files': each file is written on
// its own, and only when what it keeps changed. A settings file that could
// not be read stays unread (and unwritten): a COM name left empty still
// opens nothing.
//
// For all users: the boxes become the PC's choices, and this user's own are
// dropped so that the user, too, opens what was saved. Where this user may
// not write the PC's file, the choices are kept as this user's instead and
// the dialog says so.
void SettingsDialog::StoreDevices()
{
    const settings::DeviceChoices boxes = ChosenDevices();
    if (!ChkDevAllUsers->isChecked()) {
        StoreDevicesForUser(boxes.chosen);
        return;
    }
    settings::DeviceChoices saved = state_.devices;
    saved.machine = boxes.chosen;
    if (saved.machine != state_.devices.machine && !desktop::SaveMachineDeviceChoices(saved)) {
        const QString folder = QDir::toNativeSeparators(QFileInfo(desktop::MachineSettingsFile()).absolutePath());
        ShowOkBox(this, Q(texts::kMsgDeviceMapNotSavedForPc).arg(folder).toStdString());
        StoreDevicesForUser(boxes.chosen);
        return;
    }
    state_.devices.machine = saved.machine;
    StoreDevicesForUser(boxes.chosen); // the same as the PC's now: none of this user's own
}

// This user's file keeps only what differs from the PC's choice: the same
// device there opens the same port, and a later change for the PC reaches
// this user too.
void SettingsDialog::StoreDevicesForUser(const std::array<std::string, settings::kComNames>& boxes)
{
    std::array<std::string, settings::kComNames> own{};
    for (std::size_t i = 0; i < own.size(); ++i)
        own[i] = boxes[i] == state_.devices.machine[i] ? std::string() : boxes[i];
    if (own == state_.devices.chosen)
        return;
    state_.devices.chosen = own;
    if (!desktop::SaveDeviceChoices(state_.devices))
        ShowOkBox(this, texts::kMsgDeviceMapNotSaved);
}

void SettingsDialog::hideEvent(QHideEvent* event)
{
    devicePoll_->stop();
    QDialog::hideEvent(event);
}

void SettingsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RefreshDevices();
    devicePoll_->start();
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
}

void SettingsDialog::Propose(const modes::ScanSetting& line)
{
    if (const int baud = baud_.Select(line.baudCode); baud >= 0)
        Baud_Click(baud);
    parity_.Select(line.parityCode);
    dataBits_.Select(line.dataBitsCode);
    stopBits_.Select(line.stopBitsCode);
    if (const int kind = portKind_.Select(line.portKindCode); kind >= 0)
        PortKind_Click(kind);
}

bool ShowSettingsDialog(QWidget* parent, settings::AppState& state, const modes::ScanSetting* proposal)
{
    SettingsDialog dialog(state, parent);
    if (proposal)
        dialog.Propose(*proposal);
    dialog.exec();
    return dialog.Saved();
}

} // namespace tavelin::ui
