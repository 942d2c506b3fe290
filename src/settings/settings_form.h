// SPDX-License-Identifier: MIT
// The rules of the settings dialog without its widgets: the field values it
// shows for a settings record, the defaults its buttons put in, the checks of
// OK with their messages, the record update and the three parameter files
// written, and the directory chooser's start directory and answer. The
// dialog copies its controls into a SettingsForm and back; everything it
// decides is decided here.
#pragma once

#include "app_state.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tavelin::settings {

constexpr int kIdRows = 5;

// The dialog's controls as plain values. A code holds the value of the
// selected option button of its group, empty when none is selected.
struct SettingsForm {
    std::string baudCode;
    std::string parityCode;
    std::string dataBitsCode;
    std::string stopBitsCode;
    std::string comPortCode;
    std::string portKindCode;
    std::string commTimeout; // TxtRSTOut, as typed
    std::string pollTimeout; // TxtPTOut
    std::array<std::string, kIdRows> idFrom{}; // TxtIDS
    std::array<std::string, kIdRows> idTo{};   // TxtIDE
    std::string apFile;
    std::string downDir;
    std::string upDir;
    int uploadMode = 0;  // 1..3, 0 none selected
    int historyMode = 0; // 1..3, 0 none selected
    std::string retry;   // TxtRetry
};

// The baud buttons in the dialog's order and the code each one stands for;
// there is none for "4" (57600).
inline constexpr std::array<std::string_view, 5> kBaudButtonCodes = {"0", "1", "2", "3", "5"};

// The communication time-out a baud button puts in, as plain digits; empty
// for a code without a button.
std::string DefaultCommTimeout(std::string_view baudCode);

// What a port-kind button does to each baud button (kBaudButtonCodes order):
// enable, disable, or leave it as it is (nothing).
std::array<std::optional<bool>, 5> BaudButtonsFor(std::string_view portKindCode);

// The values the dialog opens with. The selections of codes without a
// button come out empty; the time-outs are the record's, not the defaults.
SettingsForm FormFromSettings(const Settings& settings);

enum class OkEnd {
    Refused,       // a check failed: `message` says which; the record and files are untouched
    SavedBaudClash, // saved, but the baud rate does not suit the port kind: `message`, stay open
    Saved,         // saved: close
    NotSaved,      // a parameter file could not be written (`file`, `reason`): the record and
                   // the files stay as they were; stay open with the values typed
};

struct OkOutcome {
    OkEnd end = OkEnd::Refused;
    std::string_view message; // empty for Saved
    // The parameter file that could not be replaced (NotSaved), and the
    // system's words for why when it gave any.
    bool rsPrmFailed = false;
    bool hhtPrmFailed = false;
    bool dirPrmFailed = false;
    std::string file;
    std::string reason;
};

// OK: checks the form in order; the first failure refuses. `form.commTimeout`
// may be raised for 4800 or 9600 baud, refused or not (the dialog shows it).
// Then updates the record, recomputes the polling range, writes RSPRM.DAT,
// HHTPRM.DAT and DIRPRM.DAT, and last compares the baud rate with the port
// kind. The three files change together or not at all: when one cannot be
// written (a full disk, the work folder gone), those written before it get
// their old bytes back, and the record and polling range their old values.
OkOutcome ApplySettingsForm(SettingsForm& form, AppState& state);

// The directory chooser.

// The box the chooser fills; the values are those of the original files.
enum class DirTarget { ApFile = 0, DownDir = 1, UpDir = 2 };

std::string_view DirPrompt(DirTarget target);

// Where the chooser opens for the target box's text: the text up to and
// including its last separator, when that names a directory; else the
// current directory. A relative text is taken from the current directory.
std::string ChooserStartDirectory(std::string_view boxText, const std::string& currentDirectory);

// A text beginning with two backslashes (Windows network path). Such a text
// does not name a drive.
bool IsNetworkPath(std::string_view text);

} // namespace tavelin::settings
