// SPDX-License-Identifier: MIT
// The line scan: which speed, framing, adapter kind and ID a silent
// hand-held answers at. For each setting of the plan, slowest speed first,
// the port is opened as a connect opens it and IDs 1-128 are polled in order
// with the connect poll (link::ConnectHht), PollTimeout each. Every ID is
// polled at every setting: a rack of cradles may hold any IDs, and an answer
// that comes late on a busy PC must not end a setting early. A stop (the
// flag StopRequest, or ENDPRM.DAT "1"/"2" when asked to watch it) ends the
// scan after the poll under way, and the outcome says what was left. The
// settings record and CurHhtId are left as they were; nothing is written to
// any file.
#pragma once

#include "link/frame.h"
#include "link/port_setup.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavelin::modes {

// One combination to try, as setting codes of the record.
struct ScanSetting {
    std::string baudCode, parityCode, dataBitsCode, stopBitsCode, portKindCode;
    bool operator==(const ScanSetting&) const = default;
};

// What answered at one setting: the IDs in polling order.
struct ScanFind {
    ScanSetting setting;
    std::vector<int> ids;
};

// The settings to try: every speed the record's kind allows, with the
// record's framing and kind; with `all`, every framing and every kind too.
std::vector<ScanSetting> ScanPlan(const settings::Settings& record, bool all);

// "38400 bit/s, N,8,1, RS-232C": how the progress and the results name a setting.
std::string SettingText(const ScanSetting& setting);
int BaudOf(const ScanSetting& setting); // bit/s
std::string IdsText(const std::vector<int>& ids); // "007, 009"
std::string FindText(const ScanFind& find);       // "38400 bit/s, N,8,1, RS-232C: ID 007, 009"
// The settings dialog has a button for the speed (it has none for 57600).
bool SettingsDialogCanTake(const ScanSetting& setting);

// The longest a plan takes when nothing answers, from the time-outs: a
// silent poll ends after PollTimeout, and the receive allows at most the
// line time of an empty frame (and a millisecond) more.
double WorstCaseSeconds(const std::vector<ScanSetting>& plan, int pollTimeoutMs);

// Where the scan tells how far it got.
class ScanProgress {
public:
    virtual ~ScanProgress() = default;
    virtual void SettingBegins(const ScanSetting& setting, int index, int count) = 0; // index from 0
    // The port could not be set up for this setting: it is passed over.
    virtual void SettingFailed(const ScanSetting& setting, link::PortSetupResult why, const std::string& reason) = 0;
    virtual void Polled(int id, int result) = 0; // link::kOk answered, kFailed unreadable, kTimedOut silent
    virtual void SettingEnds(const ScanFind& find) = 0;
};

enum class ScanEnd { Complete, Stopped, PortError };

// What a scan that did not complete left unpolled: the rest of the setting
// under way, and the settings of the plan not begun.
struct ScanLeft {
    std::optional<ScanSetting> partial; // the setting under way, when IDs of it are left
    int firstIdLeft = 0;                // partial's IDs firstIdLeft..128 were not polled
    std::vector<ScanSetting> notBegun;  // in plan order
    bool Empty() const { return !partial && notBegun.empty(); }
};

// "IDs 004-128 at 9600 bit/s, N,8,1, RS-232C", then "19 settings from
// 19200 bit/s, N,8,1, RS-232C on": one line each, none when nothing was left.
std::vector<std::string> LeftTexts(const ScanLeft& left);

struct ScanOutcome {
    ScanEnd end = ScanEnd::Complete;
    std::vector<ScanFind> found; // settings where some ID answered, in plan order
    std::string reason;          // PortError: the system's words
    ScanLeft left;               // Stopped, PortError: what was not polled
};

struct ScanOptions {
    bool watchEndParam = false; // ENDPRM.DAT in the work folder stops the scan too
};

// Runs the plan on the link's port (closed on return) and reports as it goes.
ScanOutcome RunScan(link::Link& link, const std::vector<ScanSetting>& plan, ScanProgress& progress,
                    ScanOptions options = {});

} // namespace tavelin::modes
