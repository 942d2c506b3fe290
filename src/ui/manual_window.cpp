// SPDX-License-Identifier: MIT
#include "manual_window.h"

#include "controls.h"
#include "file_drag.h"
#include "id_box.h"
#include "line_monitor_window.h"
#include "pc_pane.h"
#include "program_icon.h"
#include "scan_dialog.h"
#include "settings_dialog.h"
#include "settings/numeric.h"
#include "settings/paths.h"
#include "settings/texts.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tavelin::ui {

using modes::OpButton;

namespace {

constexpr int kHhtIdCount = 128;
const QKeySequence kStartKeys(Qt::Key_F9); // 開始/中断
const QKeySequence kRereadKeys(Qt::Key_F5);

QLineEdit* ReadOnlyLine(QLineEdit* line, const char* tableName, std::string_view accessibleName)
{
    NameByText(line, tableName, Q(accessibleName));
    line->setReadOnly(true);
    line->setFocusPolicy(Qt::ClickFocus);
    return line;
}

// Sizes and free bytes alike: digits grouped as this PC groups them.
QString Bytes(qint64 count) { return QLocale().toString(count); }

// A caption with room beside it: a face that lends glyphs from another
// can draw them wider than it measured, and 全インストール cut at both
// ends would read like インストール beside it.
void KeepCaptionWhole(QPushButton* button)
{
    const QFontMetrics metrics = button->fontMetrics();
    const int whole = metrics.horizontalAdvance(button->text()) + 2 * metrics.height();
    button->setMinimumWidth(std::max(button->sizeHint().width(), whole));
}

QString WithKeys(const QString& caption, const QKeySequence& keys)
{
    return caption + QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) + QLatin1Char(')');
}

} // namespace

void QtHhtFileList::Clear() { list_->clear(); }

void QtHhtFileList::AddItem(const std::string& text, std::int64_t itemData)
{
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, QString::fromStdString(text));
    item->setData(0, Qt::UserRole, QVariant::fromValue<qint64>(itemData));
    item->setText(1, Bytes(itemData));
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
}

// The hand-held says its free bytes as a number with a blank for a plus sign.
void QtBytesText::SetText(std::string_view text)
{
    const QString given = Q(text).trimmed();
    bool number = false;
    const qint64 count = given.toLongLong(&number);
    line_->setText(number ? Bytes(count) : given);
}

ManualWindow::ManualWindow(link::Link& link, const QString& caption, QWidget* parent)
    : QMainWindow(parent), link_(link), hhtList_(nullptr), freeSpace_(nullptr), dialogs_(link, this),
      session_(link, *this, dialogs_), caption_(caption),
      closing_({[this] { return session_.Busy() || scanDialog_; },
                [this] {
                    session_.RequestStop();
                    if (scanDialog_)
                        scanDialog_->close(); // stops a scan under way, then closes
                },
                [this] {
                    Timer1.stop();
                    Timer2.stop();
                    session_.Unload();
                }})
{
    setObjectName(QStringLiteral("F_Manual"));
    ShowWorkFolderInTitle();
    setWindowIcon(ProgramIcon());
    BuildControls();
    BuildMenus();
    hhtList_ = QtHhtFileList(LbHHTFile);
    freeSpace_ = QtBytesText(TxtHHTFree);

    // Form_Load
    Centre();
    Timer2.setInterval(link_.state.settings.PollInterval);
    const std::string directory = session_.Load(settings::CurrentDirectory());
    pcPane_->SetDirectory(QString::fromStdString(directory));

    Timer1.setSingleShot(true);
    Timer1.setInterval(10);
    connect(&Timer1, &QTimer::timeout, this, [this] { Run([this] { session_.Initialise(); }); });
    connect(&Timer2, &QTimer::timeout, this, [this] { Run([this] { session_.Tick(); }); });
    Timer1.start();
}

ManualWindow::~ManualWindow() = default;

void ManualWindow::BuildControls()
{
    Frame1 = new QGroupBox(Q(texts::kFrameHostPc), this);
    Name(Frame1, "Frame1", Frame1->title());
    pcPane_ = new PcPane(Frame1);
    auto* pcLayout = new QVBoxLayout(Frame1);
    pcLayout->addWidget(pcPane_);

    auto* panes = new QSplitter(Qt::Horizontal, this);
    panes->setObjectName(QStringLiteral("Panes"));
    panes->setChildrenCollapsible(false);
    panes->addWidget(Frame1);
    panes->addWidget(BuildHhtPane());

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(panes, 1);
    layout->addWidget(BuildButtons());
    setCentralWidget(central);

    // Focusing one list clears the other's selection: one side at a time.
    pcPane_->FileList()->installEventFilter(this);
    LbHHTFile->installEventFilter(this);
    connect(pcPane_, &PcPane::DirectoryGone, this, [this](const QString& gone) {
        session_.PcDirectoryGone(QDir::toNativeSeparators(gone).toStdString());
    });

    new FileDropTarget(LbHHTFile, pcPane_->FileList()->objectName(),
                       [this] { Run([this] { session_.DropOnHht(); }); });
    new FileDropTarget(pcPane_->FileList(), LbHHTFile->objectName(), [this] { Run([this] { session_.DropOnPc(); }); });

    GiveShortcuts();
    SetTabOrder();
    BtnStart->setFocus();
}

QWidget* ManualWindow::BuildHhtPane()
{
    Frame2 = new QGroupBox(Q(texts::kFrameHandyTerminal), this);
    Name(Frame2, "Frame2", Frame2->title());
    Label1 = new QLabel(Q(texts::kLabelHandyId), Frame2);
    Name(Label1, "Label1", Label1->text());
    auto* idBox = new IdBox(kHhtIdCount, Frame2);
    CbHHTID = idBox;
    Name(CbHHTID, "CbHHTID", Q(texts::kA11yHhtId));
    CbHHTID->setEditText(QStringLiteral("001"));
    Label1->setBuddy(CbHHTID);
    BtnStart = Button(Frame2, texts::kButtonStart, "BtnStart");
    TxtHHTMsg = ReadOnlyLine(new ElidingLine(Frame2), "TxtHHTMsg", texts::kA11yConnection);
    Label2 = new QLabel(Q(texts::kLabelFree), Frame2);
    Name(Label2, "Label2", Label2->text());
    TxtHHTFree = ReadOnlyLine(new QLineEdit(Frame2), "TxtHHTFree", texts::kA11yFreeBytes);
    TxtHHTFree->setAlignment(Qt::AlignRight);
    Label2->setBuddy(TxtHHTFree);
    LbHHTFile = new HhtFileTree(Frame2);
    Name(LbHHTFile, "LbHHTFile", Q(texts::kA11yHhtFiles));
    LbHHTFile->setHeaderLabels({Q(texts::kColumnFileName), Q(texts::kColumnSize)});
    LbHHTFile->setHeaderHidden(true);
    LbHHTFile->setRootIsDecorated(false);
    LbHHTFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LbHHTFile->header()->setStretchLastSection(false);
    LbHHTFile->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    LbHHTFile->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);

    auto* grid = new QGridLayout(Frame2);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(CbHHTID, 0, 1);
    grid->addWidget(BtnStart, 0, 2);
    grid->addWidget(TxtHHTMsg, 1, 0, 1, 3);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(TxtHHTFree, 2, 1, 1, 2);
    grid->addWidget(LbHHTFile, 3, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);

    connect(BtnStart, &QPushButton::clicked, this, [this] { Run([this] { session_.StartClicked(); }); });
    connect(CbHHTID, &QComboBox::activated, this, [this] { Run([this] { session_.CheckHhtId(); }); });
    connect(CbHHTID->lineEdit(), &QLineEdit::returnPressed, this, [this] { Run([this] { session_.CheckHhtId(); }); });
    connect(idBox, &IdBox::EditCancelled, this, [this] { Run([this] { session_.ShowHhtIdInUse(); }); });
    CbHHTID->installEventFilter(this);
    CbHHTID->lineEdit()->installEventFilter(this);
    return Frame2;
}

QWidget* ManualWindow::BuildButtons()
{
    auto* row = new QWidget(this);
    BtnCopy = Button(row, texts::kButtonCopy, "BtnCopy");
    BtnDel = Button(row, texts::kButtonDelete, "BtnDel");
    BtnRen = Button(row, texts::kButtonRename, "BtnRen");
    BtnDir = Button(row, texts::kButtonHhtDir, "BtnDir");
    BtnInst = Button(row, texts::kButtonInstall, "BtnInst");
    BtnADown = Button(row, texts::kButtonCopyToAll, "BtnADown");
    BtnAInst = Button(row, texts::kButtonInstallOnAll, "BtnAInst");
    BtnEnd = Button(row, texts::kButtonEnd, "BtnEnd");
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QPushButton* button : {BtnCopy, BtnDel, BtnRen, BtnDir, BtnInst, BtnADown, BtnAInst, BtnEnd})
        KeepCaptionWhole(button);
    for (QPushButton* button : {BtnCopy, BtnDel, BtnRen, BtnDir, BtnInst, BtnADown, BtnAInst})
        layout->addWidget(button);
    layout->addStretch(1);
    layout->addWidget(BtnEnd);

    connect(BtnDir, &QPushButton::clicked, this, [this] { Run([this] { session_.DirClicked(); }); });
    connect(BtnDel, &QPushButton::clicked, this, [this] { Run([this] { session_.DeleteClicked(); }); });
    connect(BtnRen, &QPushButton::clicked, this, [this] { Run([this] { session_.RenameClicked(); }); });
    connect(BtnCopy, &QPushButton::clicked, this, [this] { Run([this] { session_.CopyClicked(); }); });
    connect(BtnInst, &QPushButton::clicked, this, [this] { Run([this] { session_.InstallClicked(); }); });
    connect(BtnADown, &QPushButton::clicked, this, [this] { Run([this] { session_.CopyToAllClicked(); }); });
    connect(BtnAInst, &QPushButton::clicked, this, [this] { Run([this] { session_.InstallOnAllClicked(); }); });
    connect(BtnEnd, &QPushButton::clicked, this, &QWidget::close);
    return row;
}

void ManualWindow::BuildMenus()
{
    Mn_Set = menuBar()->addAction(Q(texts::kMenuSettings));
    Mn_Ver = menuBar()->addAction(Q(texts::kMenuVersion));
    Mn_Set->setObjectName(QStringLiteral("Mn_Set"));
    Mn_Ver->setObjectName(QStringLiteral("Mn_Ver"));
    Mn_Set->setStatusTip(QStringLiteral("Mn_Set"));
    Mn_Ver->setStatusTip(QStringLiteral("Mn_Ver"));
    connect(Mn_Set, &QAction::triggered, this, [this] { ShowSettingsDialog(this, link_.state); });
    Mn_Scan = new QAction(Q(texts::kMenuScan), this);
    Mn_Scan->setObjectName(QStringLiteral("Mn_Scan"));
    Mn_Scan->setStatusTip(QStringLiteral("Mn_Scan"));
    menuBar()->insertAction(Mn_Ver, Mn_Scan);
    connect(Mn_Scan, &QAction::triggered, this, &ManualWindow::ShowScanDialog);
    Mn_Work = new QMenu(Q(texts::kMenuWorkFolder), this);
    Name(Mn_Work, "Mn_Work", Mn_Work->title());
    Mn_Work->menuAction()->setObjectName(QStringLiteral("Mn_Work"));
    Mn_Work->menuAction()->setStatusTip(QStringLiteral("Mn_Work"));
    menuBar()->insertMenu(Mn_Set, Mn_Work);
    menuBar()->insertAction(Mn_Ver, LineMonitorAction(this, link_));
    // The recent folders change while the program runs: listed as it opens.
    connect(Mn_Work, &QMenu::aboutToShow, this, &ManualWindow::FillWorkFolderMenu);
    FillWorkFolderMenu();
    connect(Mn_Ver, &QAction::triggered, this, [this] {
        VersionDialog dialog(this);
        dialog.exec();
    });
}

void ManualWindow::ShowScanDialog()
{
    if (session_.ManualLinkOn() || session_.Busy())
        return; // the scan needs the port to itself
    ScanDialog dialog(
        link_, [this](const modes::ScanSetting& line) { ShowSettingsDialog(scanDialog_, link_.state, &line); }, this);
    connect(&dialog, &ScanDialog::IdTaken, this, [this](int id) {
        SetIdText(settings::HhtIdText(id));
        session_.CheckHhtId();
    });
    scanDialog_ = &dialog;
    dialog.exec();
    scanDialog_ = nullptr;
    // A close that came meanwhile (a stop signal) waited for the scan.
    if (closing_.Due())
        QTimer::singleShot(0, this, &QWidget::close);
}

void ManualWindow::FillWorkFolderMenu()
{
    Mn_Work->clear();
    QAction* open = Mn_Work->addAction(Q(texts::kMenuWorkFolderOpen));
    open->setObjectName(QStringLiteral("Mn_WorkOpen"));
    open->setStatusTip(QStringLiteral("Mn_WorkOpen"));
    open->setEnabled(folders_ != nullptr);
    connect(open, &QAction::triggered, this, [this] {
        if (!folders_ || !session_.MaySwitchWorkFolder())
            return;
        if (const auto dir = folders_->AskFolder(settings::CurrentDirectory()))
            SwitchWorkFolder(*dir);
    });
    if (!folders_)
        return;
    const auto recent = folders_->Recent();
    if (!recent.empty())
        Mn_Work->addSeparator();
    int number = 0;
    for (const std::string& dir : recent) {
        ++number;
        // &1..&5: the number chooses it from the keyboard.
        QAction* entry = Mn_Work->addAction(QStringLiteral("&%1 %2").arg(number).arg(QString::fromStdString(dir)));
        entry->setObjectName(QStringLiteral("Mn_WorkRecent%1").arg(number));
        entry->setStatusTip(entry->objectName());
        connect(entry, &QAction::triggered, this, [this, dir] { SwitchWorkFolder(dir); });
    }
}

void ManualWindow::SwitchWorkFolder(const std::string& dir)
{
    if (!folders_)
        return;
    Run([&] {
        if (const auto directory = session_.SwitchWorkFolder(*folders_, dir)) {
            pcPane_->SetDirectory(QString::fromStdString(*directory));
            ShowWorkFolderInTitle();
        }
    });
}

// The caption of the table, then the folder whose files the window uses.
void ManualWindow::ShowWorkFolderInTitle()
{
    QString folder = QString::fromStdString(link_.state.settings.WorkDir);
    if (folder.size() > 1 && (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))))
        folder.chop(1);
    setWindowTitle(folder.isEmpty() ? caption_ : caption_ + QStringLiteral(" - ") + QDir::toNativeSeparators(folder));
}

// Keys for the main operations, named in each button's tooltip. They act
// only while the button is enabled; an edit box keeps its own keys (Delete,
// Ctrl+C) while it has the focus.
void ManualWindow::GiveShortcuts()
{
    const struct {
        QPushButton* button;
        QKeySequence keys;
    } shortcuts[] = {
        {BtnStart, kStartKeys},
        {BtnCopy, QKeySequence(Qt::CTRL | Qt::Key_C)},
        {BtnDel, QKeySequence(Qt::Key_Delete)},
        {BtnRen, QKeySequence(Qt::Key_F2)},
        {BtnInst, QKeySequence(Qt::CTRL | Qt::Key_I)},
        {BtnADown, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)},
        {BtnAInst, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I)},
        {BtnEnd, QKeySequence(Qt::CTRL | Qt::Key_Q)},
    };
    for (const auto& [button, keys] : shortcuts) {
        button->setShortcut(keys);
        button->setToolTip(WithKeys(button->text(), keys));
    }
    // F5 reads both lists again, the PC's also while disconnected: the key
    // belongs to the window, not to HHT Dir, which only acts while connected.
    auto* reread = new QAction(this);
    reread->setObjectName(QStringLiteral("Mn_Reread"));
    reread->setShortcut(kRereadKeys);
    addAction(reread);
    connect(reread, &QAction::triggered, this, [this] { Run([this] { session_.RereadClicked(); }); });
    BtnDir->setToolTip(WithKeys(BtnDir->text(), kRereadKeys));
}

// Tab goes through the PC pane from top to bottom, then the hand-held pane,
// then the button row from left to right.
void ManualWindow::SetTabOrder()
{
    const QList<QWidget*> order = {pcPane_->DriveList(), pcPane_->DirectoryTree(), pcPane_->FileList(), CbHHTID,
                                   BtnStart, LbHHTFile, BtnCopy, BtnDel, BtnRen, BtnDir, BtnInst, BtnADown,
                                   BtnAInst, BtnEnd};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void ManualWindow::Centre()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        resize(std::min(area.width(), std::max(sizeHint().width(), area.width() * 3 / 5)),
               std::min(area.height(), std::max(sizeHint().height(), area.height() * 3 / 5)));
        move(area.center() - rect().center());
    }
}

template <typename Step> void ManualWindow::Run(Step step)
{
    if (closing_.Unloaded())
        return;
    step();
    if (closing_.Due())
        QTimer::singleShot(0, this, &QWidget::close);
}

// --- modes::ManualView

void ManualWindow::SetStartCaption(std::string_view text)
{
    BtnStart->setText(Q(text));
    BtnStart->setShortcut(kStartKeys); // a new caption takes the button's key away
    BtnStart->setAccessibleName(BtnStart->text());
    BtnStart->setToolTip(WithKeys(BtnStart->text(), kStartKeys));
}

void ManualWindow::SetStartEnabled(bool enabled) { BtnStart->setEnabled(enabled); }

void ManualWindow::SetOperationsEnabled(bool enabled)
{
    for (QPushButton* button : {BtnAInst, BtnADown, BtnInst, BtnDir, BtnCopy, BtnDel, BtnRen})
        button->setEnabled(enabled);
}

void ManualWindow::SetOperationEnabled(OpButton button, bool enabled)
{
    switch (button) {
    case OpButton::Dir: BtnDir->setEnabled(enabled); break;
    case OpButton::Del: BtnDel->setEnabled(enabled); break;
    case OpButton::Ren: BtnRen->setEnabled(enabled); break;
    case OpButton::Copy: BtnCopy->setEnabled(enabled); break;
    case OpButton::Inst: BtnInst->setEnabled(enabled); break;
    case OpButton::ADown: BtnADown->setEnabled(enabled); break;
    case OpButton::AInst: BtnAInst->setEnabled(enabled); break;
    }
}

void ManualWindow::SetSettingsMenuEnabled(bool enabled)
{
    Mn_Set->setEnabled(enabled);
    Mn_Scan->setEnabled(enabled);
    Mn_Work->setEnabled(enabled); // another folder only while disconnected, as the settings
}

void ManualWindow::SetPolling(bool on)
{
    if (on)
        Timer2.start();
    else
        Timer2.stop();
}

void ManualWindow::LogLine(std::string_view line) { LogToStandardError(line); }

void ManualWindow::SetConnectionMessage(std::string_view text, modes::MessageColour colour)
{
    QPalette palette = TxtHHTMsg->palette();
    palette.setColor(QPalette::Text, colour == modes::MessageColour::Red ? QColor(255, 0, 0) : QColor(0, 0, 0));
    TxtHHTMsg->setPalette(palette);
    TxtHHTMsg->setText(Q(text));
}

std::string ManualWindow::IdText() { return CbHHTID->currentText().toStdString(); }

void ManualWindow::SetIdText(std::string_view text) { CbHHTID->setEditText(Q(text)); }

std::vector<modes::HhtFileEntry> ManualWindow::SelectedHhtFiles()
{
    std::vector<modes::HhtFileEntry> files;
    for (int row = 0; row < LbHHTFile->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = LbHHTFile->topLevelItem(row);
        if (item->isSelected())
            files.push_back({item->text(0).toStdString(), item->data(0, Qt::UserRole).toLongLong()});
    }
    return files;
}

std::vector<std::string> ManualWindow::SelectedPcFiles() { return pcPane_->SelectedFiles(); }

std::string ManualWindow::PcDirectory() { return QDir::toNativeSeparators(pcPane_->Directory()).toStdString(); }

void ManualWindow::RefreshPcFiles() { pcPane_->RefreshFiles(); }

bool ManualWindow::PcDirectoryThere() { return pcPane_->KeepDirectory(); }

// --- Events

bool ManualWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == pcPane_->FileList())
            LbHHTFile->clearSelection();
        else if (watched == LbHHTFile)
            pcPane_->FileList()->clearSelection();
    } else if (event->type() == QEvent::FocusOut && (watched == CbHHTID || watched == CbHHTID->lineEdit())) {
        // Opening the drop-down list is no leaving of the box.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason && !CbHHTID->hasFocus())
            Run([this] { session_.CheckHhtId(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

void ManualWindow::closeEvent(QCloseEvent* event)
{
    if (closing_.Close(event))
        emit Closed();
}

} // namespace tavelin::ui
