// SPDX-License-Identifier: MIT
#include "scan_command.h"

#include "exit_status.h"
#include "settings/console_output.h"
#include "stop_signals.h"
#include "surroundings.h"

#include "link/qt/qt_event_pump.h"
#include "link/qt/system_serial_port.h"
#include "link/trace.h"
#include "modes/line_scan.h"
#include "settings/numeric.h"
#include "settings/param_files.h"
#include "settings/paths.h"
#include "settings/texts.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>
#include <optional>
#include <set>

namespace tavelin::app {

namespace {

// The scan's progress on standard error: the setting being tried, and the
// IDs as they answer.
class StandardErrorProgress final : public modes::ScanProgress {
public:
    explicit StandardErrorProgress(int comPort) : comPort_(comPort) {}

    void SettingBegins(const modes::ScanSetting& setting, int index, int count) override
    {
        unreadable_.clear();
        settings::PrintText(stderr, "tavelin: scan %d/%d: COM%d at %s, IDs 1-128\n", index + 1, count, comPort_,
                            modes::SettingText(setting).c_str());
    }
    void SettingFailed(const modes::ScanSetting&, link::PortSetupResult, const std::string&) override
    {
        settings::PrintText(stderr, "tavelin:   the adapter cannot be set to this speed; passed over\n");
    }
    void Polled(int id, int result) override
    {
        if (result == link::kOk) {
            // An ID that answers at several settings is one hand-held.
            found_.insert(id);
            settings::PrintText(stderr, "tavelin:   ID %s answered (IDs so far: %s)\n", settings::HhtIdText(id).c_str(),
                                modes::IdsText({found_.begin(), found_.end()}).c_str());
        } else if (result == link::kFailed) {
            unreadable_.push_back(id);
        }
    }
    void SettingEnds(const modes::ScanFind& find) override
    {
        // Bytes that make no answer: the hand-held is there, but at
        // another speed or framing.
        if (!unreadable_.empty())
            settings::PrintText(stderr, "tavelin:   unreadable answers to ID %s: another speed or framing?\n",
                                modes::IdsText(unreadable_).c_str());
        else if (find.ids.empty())
            settings::PrintText(stderr, "tavelin:   no answer\n");
    }

private:
    int comPort_;
    std::set<int> found_;
    std::vector<int> unreadable_;
};

void ReadSettings(settings::AppState& state, const Options& options, const std::string& workDir)
{
    auto& s = state.settings;
    s.WorkDir = settings::WithTrailingSeparator(workDir);
    const auto outcome = settings::ReadRsPrm(s);
    if (!outcome.unreadable.empty()) {
        settings::PrintText(stderr, "tavelin: %sRSPRM.DAT %s; scanning from its defaults\n", s.WorkDir.c_str(),
                            outcome.unreadable.c_str());
    } else if (outcome.checkFailed || outcome.readFailed) {
        settings::PrintText(stderr, "tavelin: %sRSPRM.DAT cannot be used as it is; scanning from its defaults\n",
                            s.WorkDir.c_str());
        settings::ApplyCommDefaults(s);
    }
    if (options.scanPort > 0)
        s.ComPortCode = std::to_string(options.scanPort - 1);
}

} // namespace

int RunScanCommand(int& argc, char** argv, const Options& options, const settings::DeviceChoices& devices,
                   const std::string& workDir, const std::string& lockPath)
{
    QCoreApplication application(argc, argv);
    settings::AppState state;
    ReadSettings(state, options, workDir);
    state.devices = devices;
    link::QtEventPump pump;
    const std::unique_ptr<link::SerialPort> port = link::MakeSystemSerialPort(pump, state.devices);
    link::Link link{*port, pump, state};
    const std::unique_ptr<link::Tracer> trace = link::Tracer::FromEnvironment(FilesOfTheRun(workDir, lockPath));
    if (trace)
        link.watchers.Attach(*trace);

    bool signalled = false;
    StopSignalWatch stopSignals([&] {
        signalled = true;
        state.flags.StopRequest = settings::kTrue;
    });
    const auto plan = modes::ScanPlan(state.settings, options.scanAll);
    const int comPort = state.settings.ComPortCode.empty() ? 1 : state.settings.ComPortCode[0] - '0' + 1;
    StandardErrorProgress progress(comPort);
    const modes::ScanOutcome outcome = modes::RunScan(link, plan, progress, {.watchEndParam = true});

    for (const auto& find : outcome.found)
        settings::PrintText(stdout, "%s\n", modes::FindText(find).c_str());
    std::fflush(stdout);
    if (outcome.end == modes::ScanEnd::PortError)
        settings::PrintText(stderr, "tavelin: COM%d: %s\n", comPort, outcome.reason.c_str());
    else if (outcome.end == modes::ScanEnd::Stopped)
        settings::PrintText(stderr, "tavelin: the scan was stopped%s\n",
                            signalled ? " by a signal" : " (ENDPRM.DAT)");
    for (const auto& left : modes::LeftTexts(outcome.left))
        settings::PrintText(stderr, "tavelin: not polled: %s\n", left.c_str());
    // Beside another run on the same device: ended as beside one in the same folder.
    if (outcome.end == modes::ScanEnd::PortError && port->LastOpenError() == link::OpenError::InUse)
        return kExitAlreadyRunning;
    if (outcome.found.empty())
        settings::PrintText(stderr, "tavelin: no hand-held answered\n");
    return outcome.found.empty() ? kExitStartupFailed : kExitOk;
}

} // namespace tavelin::app
