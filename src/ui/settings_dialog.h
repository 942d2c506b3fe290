// SPDX-License-Identifier: MIT
// F_Set, the settings dialog: three pages (communication, polling IDs, data
// files) over the settings record, OK and Cancel below them. It copies its
// controls into a settings::SettingsForm and leaves every decision to
// settings::ApplySettingsForm; closing it by its window frame or Escape is
// Cancel. Beside the COM buttons the operator picks the device each COM name
// opens on this PC, from the system's serial devices (kept up to date while
// the dialog shows) or typed; OK stores that map in the user's settings file,
// apart from the parameter files. Each COM button's tooltip names the device
// it opens.
#pragma once

#include "link/qt/serial_device_list.h"
#include "modes/line_scan.h"
#include "settings/app_state.h"
#include "settings/settings_form.h"

#include <QDialog>

#include <array>
#include <memory>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QTimer;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace tavelin::ui {

// Option buttons of one frame, each standing for a code.
struct OptionGroup {
    QButtonGroup* group = nullptr;
    std::vector<QRadioButton*> buttons;
    std::vector<std::string> codes;

    // The index of the button selected, or -1: a code without a button
    // selects nothing. Selecting runs no handler.
    int Select(const std::string& code);
    std::string Selected() const;         // empty when none is selected
};

class SettingsDialog final : public QDialog {
    Q_OBJECT
public:
    // `devices` offers the serial devices (the system's when null); it must
    // outlive the dialog.
    SettingsDialog(settings::AppState& state, QWidget* parent, const link::SerialDeviceList* devices = nullptr);
    ~SettingsDialog() override;

    // True once OK has updated the record, also when the dialog stayed open
    // after that for the baud rate.
    bool Saved() const { return saved_; }

    // Selects a line setting found by the scan as the operator's clicks
    // would (the speed's default time-out, the buttons the kind allows);
    // OK saves it like any other, Cancel leaves everything as it was.
    void Propose(const modes::ScanSetting& line);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* BuildCommPage();
    QWidget* BuildPollingPage();
    QWidget* BuildDataPage();
    void Form_Load();
    settings::SettingsForm Form() const;
    void BtnOk_Click();
    void Baud_Click(int index);     // OBtB48_Click ... OBtB115K_Click
    void PortKind_Click(int index); // OBtO232C_Click ... OBtOIRL_Click
    void ChooseInto(settings::DirTarget target, QLineEdit* box);
    QWidget* BuildDeviceChoice(QWidget* parent);
    void RefreshDevices(); // when the list differs from the one shown
    void ShowDevices();
    void UpdateDeviceTips();
    settings::DeviceChoices ChosenDevices() const;
    void StoreDevices();
    void StoreDevicesForUser(const std::array<std::string, settings::kComNames>& boxes);

    settings::AppState& state_;
    bool saved_ = false;
    bool centred_ = false;

    QTabWidget* STabSet = nullptr;
    OptionGroup baud_, parity_, dataBits_, stopBits_, comPort_, portKind_, uploadMode_, historyMode_;
    std::unique_ptr<link::SerialDeviceList> ownDevices_;
    const link::SerialDeviceList* devices_ = nullptr;
    std::vector<link::SerialDeviceInfo> shownDevices_;
    QTimer* devicePoll_ = nullptr;
    std::array<QComboBox*, settings::kComNames> CboDev{};
    QCheckBox* ChkDevAllUsers = nullptr;
    QLineEdit* TxtRSTOut = nullptr;
    QLineEdit* TxtPTOut = nullptr;
    std::vector<QLineEdit*> TxtIDS;
    std::vector<QLineEdit*> TxtIDE;
    QLineEdit* TxtDirAP = nullptr;
    QLineEdit* TxtDirDown = nullptr;
    QLineEdit* TxtDirUp = nullptr;
    QPushButton* BtnDirA = nullptr;
    QPushButton* BtnDirD = nullptr;
    QPushButton* BtnDirU = nullptr;
    QLineEdit* TxtRetry = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCancel = nullptr;
};

// Opens F_Set modally over `parent`; true when OK saved new settings into
// the record (and the parameter files).
// With `proposal`, the dialog opens with that line setting selected (Propose).
bool ShowSettingsDialog(QWidget* parent, settings::AppState& state, const modes::ScanSetting* proposal = nullptr);

// Centres a dialog on the screen it is shown on.
void CentreOnScreen(QWidget* dialog);

} // namespace tavelin::ui
