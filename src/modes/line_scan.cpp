// SPDX-License-Identifier: MIT
#include "line_scan.h"

#include "link/commands.h"
#include "link/line_settings.h"
#include "settings/baud_rules.h"
#include "settings/numeric.h"
#include "settings/settings_form.h"
#include "settings/text_file.h"
#include "settings/texts.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tavelin::modes {

namespace {

constexpr std::array<std::string_view, 4> kKindNames = {texts::kPortRs232c, texts::kPortOptical, texts::kPortJetEye,
                                                         texts::kPortIrlink};
constexpr std::string_view kParityLetters = "EON"; // ParityCode 0..2

bool EndParamAsksToStop(const settings::Settings& record)
{
    const auto bytes = settings::ReadFileBytes(record.WorkDir + "ENDPRM.DAT", 1);
    return bytes && !bytes->empty() && (bytes->front() == '1' || bytes->front() == '2');
}

// The record's own values, put back however the scan ends.
class RecordKeeper {
public:
    explicit RecordKeeper(settings::AppState& state) : state_(state), saved_(state.settings), id_(state.CurHhtId) {}
    ~RecordKeeper()
    {
        state_.settings = std::move(saved_);
        state_.CurHhtId = id_;
    }
    RecordKeeper(const RecordKeeper&) = delete;
    RecordKeeper& operator=(const RecordKeeper&) = delete;

private:
    settings::AppState& state_;
    settings::Settings saved_;
    std::string id_;
};

class Scan {
public:
    Scan(link::Link& link, ScanProgress& progress, ScanOptions options)
        : link_(link), progress_(progress), options_(options)
    {
    }
    ScanOutcome Run(const std::vector<ScanSetting>& plan);

private:
    bool StopAsked() const
    {
        return link_.state.flags.StopRequest != settings::kFalse ||
               (options_.watchEndParam && EndParamAsksToStop(link_.state.settings));
    }
    // False when the scan must end (stopped, or the port is gone).
    bool TrySetting(const ScanSetting& setting, ScanFind& find);
    // Notes what a scan that ends now leaves: IDs from `nextId` of the
    // setting at `index` (all of it when 1), and the settings after it.
    void NoteLeft(const std::vector<ScanSetting>& plan, std::size_t index, int nextId);
    void ClosePort()
    {
        if (link_.port.IsOpen())
            link_.port.Close();
    }

    link::Link& link_;
    ScanProgress& progress_;
    ScanOptions options_;
    ScanOutcome outcome_;
    int nextId_ = 1; // the first ID of the setting under way not yet polled
};

ScanOutcome Scan::Run(const std::vector<ScanSetting>& plan)
{
    RecordKeeper keeper(link_.state);
    const int count = static_cast<int>(plan.size());
    for (int index = 0; index < count; ++index) {
        if (StopAsked()) {
            outcome_.end = ScanEnd::Stopped;
            NoteLeft(plan, std::size_t(index), 1);
            break;
        }
        progress_.SettingBegins(plan[std::size_t(index)], index, count);
        ScanFind find{plan[std::size_t(index)], {}};
        const bool goOn = TrySetting(find.setting, find);
        ClosePort();
        if (!find.ids.empty())
            outcome_.found.push_back(find);
        if (!goOn) {
            NoteLeft(plan, std::size_t(index), nextId_);
            break;
        }
        progress_.SettingEnds(find);
    }
    ClosePort();
    return outcome_;
}

void Scan::NoteLeft(const std::vector<ScanSetting>& plan, std::size_t index, int nextId)
{
    auto& left = outcome_.left;
    if (nextId > 1 && nextId <= settings::kMaxHhtId) {
        left.partial = plan[index];
        left.firstIdLeft = nextId;
    }
    // A setting with no ID polled counts as not begun.
    const std::size_t from = nextId > 1 ? index + 1 : index;
    left.notBegun.assign(plan.begin() + std::ptrdiff_t(from), plan.end());
}

bool Scan::TrySetting(const ScanSetting& setting, ScanFind& find)
{
    auto& record = link_.state.settings;
    record.BaudCode = setting.baudCode;
    record.ParityCode = setting.parityCode;
    record.DataBitsCode = setting.dataBitsCode;
    record.StopBitsCode = setting.stopBitsCode;
    record.PortKindCode = setting.portKindCode;
    ClosePort();
    nextId_ = 1;
    const link::PortOpening opened = link::OpenHhtPort(link_);
    if (opened.result == link::PortSetupResult::PortError) {
        outcome_.end = ScanEnd::PortError;
        outcome_.reason = opened.reason;
        return false;
    }
    if (opened.result != link::PortSetupResult::Ok) {
        progress_.SettingFailed(setting, opened.result, opened.reason);
        return true;
    }
    for (int id = 1; id <= settings::kMaxHhtId; ++id) {
        link_.state.CurHhtId = settings::HhtIdText(id);
        const int result = link::ConnectHht(link_);
        if (result == link::kOk) {
            link::EndSession(link_); // the hand-held is not left waiting for a command
            find.ids.push_back(id);
        }
        nextId_ = id + 1;
        progress_.Polled(id, result);
        if (link_.port.Lost()) {
            outcome_.end = ScanEnd::PortError;
            outcome_.reason = "the port went away";
            return false;
        }
        if (StopAsked()) {
            outcome_.end = ScanEnd::Stopped;
            return false;
        }
    }
    return true;
}

} // namespace

std::vector<ScanSetting> ScanPlan(const settings::Settings& record, bool all)
{
    std::vector<std::string> kinds{record.PortKindCode};
    std::vector<std::array<std::string, 3>> framings{{record.ParityCode, record.DataBitsCode, record.StopBitsCode}};
    if (all) {
        kinds = {"0", "1", "2", "3"};
        framings.clear();
        for (const char* parity : {"2", "0", "1"}) // none first: the commonest
            for (const char* dataBits : {"1", "0"})
                for (const char* stopBits : {"0", "1"})
                    framings.push_back({parity, dataBits, stopBits});
    }
    std::vector<ScanSetting> plan;
    for (const auto& kind : kinds)
        for (const auto& framing : framings)
            for (const char baud : settings::AllowedBaudCodes(kind))
                plan.push_back({std::string(1, baud), framing[0], framing[1], framing[2], kind});
    return plan;
}

std::string IdsText(const std::vector<int>& ids)
{
    std::string text;
    for (const int id : ids)
        text += (text.empty() ? "" : ", ") + settings::HhtIdText(id);
    return text;
}

std::vector<std::string> LeftTexts(const ScanLeft& left)
{
    std::vector<std::string> lines;
    if (left.partial) {
        const bool one = left.firstIdLeft == settings::kMaxHhtId;
        lines.push_back((one ? "ID " : "IDs ") + settings::HhtIdText(left.firstIdLeft) +
                        (one ? "" : "-" + settings::HhtIdText(settings::kMaxHhtId)) + " at " +
                        SettingText(*left.partial));
    }
    if (!left.notBegun.empty()) {
        const std::size_t count = left.notBegun.size();
        lines.push_back(count == 1 ? "the setting " + SettingText(left.notBegun.front())
                                   : std::to_string(count) + " settings from " +
                                         SettingText(left.notBegun.front()) + " on");
    }
    return lines;
}

std::string FindText(const ScanFind& find) { return SettingText(find.setting) + ": ID " + IdsText(find.ids); }

bool SettingsDialogCanTake(const ScanSetting& setting)
{
    const auto& codes = settings::kBaudButtonCodes;
    return std::find(codes.begin(), codes.end(), setting.baudCode) != codes.end();
}

int BaudOf(const ScanSetting& setting) { return link::BaudForCode(setting.baudCode).value_or(0); }

std::string SettingText(const ScanSetting& s)
{
    const auto index = [](const std::string& code, std::size_t count) {
        return code.size() == 1 && code[0] >= '0' && std::size_t(code[0] - '0') < count ? std::size_t(code[0] - '0')
                                                                                         : count;
    };
    const std::size_t parity = index(s.parityCode, 3), kind = index(s.portKindCode, kKindNames.size());
    std::string text = std::to_string(BaudOf(s)) + " bit/s, ";
    text += parity < 3 ? kParityLetters[parity] : '?';
    text += s.dataBitsCode == "0" ? ",7," : ",8,";
    text += s.stopBitsCode == "1" ? "2, " : "1, ";
    text += kind < kKindNames.size() ? std::string(kKindNames[kind]) : "kind " + s.portKindCode;
    return text;
}

double WorstCaseSeconds(const std::vector<ScanSetting>& plan, int pollTimeoutMs)
{
    double seconds = 0;
    for (const auto& setting : plan) {
        // As the receive bounds it: whole milliseconds, one more for the rounding.
        const long long baud = BaudOf(setting) > 0 ? BaudOf(setting) : 4800;
        const long long frameMs = static_cast<long long>(link::kFrameOverhead) * 10 * 1000 / baud + 1;
        seconds += settings::kMaxHhtId * double(pollTimeoutMs + frameMs) / 1000.0;
    }
    return seconds;
}

ScanOutcome RunScan(link::Link& link, const std::vector<ScanSetting>& plan, ScanProgress& progress,
                    ScanOptions options)
{
    return Scan(link, progress, options).Run(plan);
}

} // namespace tavelin::modes
