// SPDX-License-Identifier: MIT
// The settings dialog with the names of Windows: the directory chooser's
// drive letters, and COM names found in the system's list of ports.
#include "settings_dialog_fixture.h"
#include "link/port_names.h"
#include "desktop/user_settings_store.h"
#include "ui/dir_dialog.h"
#include "ui/settings_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTreeView>

#include <filesystem>

using namespace tavelin;
using namespace tavelin::testing;
namespace fs = std::filesystem;

// Its settings files are its own from the start.
class SettingsDialogWin32Test : public QObject {
    Q_OBJECT
public:
    SettingsDialogWin32Test() { UseSettingsFilesIn(config_); }

private slots:
    // The drive list holds the drive letters, shown as the system writes
    // them; a drive chosen there is where the tree goes, and OK answers its
    // root in the system's form.
    void theChooserListsDriveLettersAndItsTreeFollowsTheDriveChosen()
    {
        Work work;
        ui::DirDialog chooser(settings::DirTarget::DownDir, QString::fromStdString(work.dir.Text()), nullptr);
        chooser.show();
        auto* drives = Control<QComboBox>(&chooser, "FcDrive");
        auto* tree = Control<QTreeView>(&chooser, "FcDir");
        auto* model = qobject_cast<QFileSystemModel*>(tree->model());
        const QRegularExpression letter(QStringLiteral("^[A-Z]:/$"));
        QVERIFY(drives->count() >= 1);
        for (int i = 0; i < drives->count(); ++i) {
            const QString root = drives->itemData(i).toString();
            QVERIFY2(letter.match(root).hasMatch(), qPrintable(root));
            QCOMPARE(drives->itemText(i), QDir::toNativeSeparators(root)); // "C:\"
        }
        const QString here = QDir::fromNativeSeparators(QString::fromStdString(work.dir.Path().string()));
        QCOMPARE(drives->currentData().toString(), here.left(3));
        QTRY_COMPARE(model->filePath(tree->currentIndex()), here);

        // Another drive that can be read where there is one (Wine maps Z:
        // to the host's /), else the same drive's root.
        int other = drives->currentIndex();
        for (int i = 0; i < drives->count(); ++i) {
            std::error_code unreadable;
            fs::directory_iterator probe(drives->itemData(i).toString().toStdWString(), unreadable);
            if (i != drives->currentIndex() && !unreadable)
                other = i;
        }
        const QString root = drives->itemData(other).toString();
        drives->setCurrentIndex(other);
        emit drives->activated(other);
        QCOMPARE(chooser.Directory(), root);
        QCOMPARE(model->filePath(tree->currentIndex()), root);
        Control<QPushButton>(&chooser, "BtnOk")->click();
        QCOMPARE(chooser.Chosen(), std::optional<QString>(QDir::toNativeSeparators(root)));
    }

    // COM names: the system's COM ports offered by name, a choice opened in
    // the device namespace (COM10 and above too), found or not in the
    // system's list whatever the case it was typed in.
    void aComPortIsFoundByItsNameInTheSystemsList()
    {
        Work work;
        FakeDevices fake;
        fake.devices = {{QStringLiteral("COM3"), QStringLiteral("COM3"), QStringLiteral("USB Serial Port"), {}, {}, {}},
                        {QStringLiteral("COM12"), QStringLiteral("COM12"), {}, {}, {}, {}}};
        ui::SettingsDialog dialog(work.state, nullptr, &fake);
        dialog.show();
        QComboBox* com1 = DeviceBox(&dialog, 1);
        QCOMPARE(Items(com1), (QStringList{QStringLiteral("COM3"), QStringLiteral("COM12")}));
        QVERIFY(com1->lineEdit()->placeholderText().contains(QLatin1String("\\\\.\\COM1")));
        const auto tip = [&](int commPort) {
            return Control<QRadioButton>(&dialog, ("OBtCom" + std::to_string(commPort)).c_str())->toolTip();
        };
        QVERIFY2(tip(1).contains(QLatin1String("\\\\.\\COM1\n")) && tip(1).contains(U("（見つかりません）")),
                 qPrintable(tip(1)));
        QVERIFY2(tip(3).contains(QLatin1String("\\\\.\\COM3\n")) && tip(3).contains(U("（あり）")), qPrintable(tip(3)));

        com1->setEditText(QStringLiteral("com12"));
        DeviceBox(&dialog, 2)->setEditText(QStringLiteral("COM7"));
        QVERIFY2(tip(1).contains(QLatin1String("\\\\.\\com12\n")) && tip(1).contains(U("（あり）")), qPrintable(tip(1)));
        QVERIFY2(tip(2).contains(QLatin1String("\\\\.\\COM7\n")) && tip(2).contains(U("（見つかりません）")),
                 qPrintable(tip(2)));
        Control<QPushButton>(&dialog, "BtnOk")->click();
        QCOMPARE(work.state.devices.chosen[0], std::string("com12"));
        QCOMPARE(link::PortDeviceName(1, work.state.devices), std::string("\\\\.\\com12"));
    }

private:
    TempDir config_;
};

QTEST_MAIN(SettingsDialogWin32Test)
#include "settings_dialog_win32_test.moc"
