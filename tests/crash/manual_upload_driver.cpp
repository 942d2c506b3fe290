// SPDX-License-Identifier: MIT
// tavelin-crash-manual-upload: the manual window's upload of hand-held files
// for a recorded run, through the loop its progress dialog runs: the port
// opened as the window's connect opens it (the settings in WORK), then the
// files of hand-held 001 copied into PCDIR. A PC file of the same name is
// treated as the operator's ANSWER says (OVER, ADD or NON). Exits 1 when the
// port cannot be opened or the dialog showed a failure.
//
//   tavelin-crash-manual-upload WORK PCDIR ANSWER NAME:SIZE...
#include "link/port_setup.h"
#include "link/qt/qt_event_pump.h"
#include "link/qt/system_serial_port.h"
#include "modes/manual_transfers.h"
#include "settings/param_files.h"
#include "settings/paths.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>
#include <string>

namespace {

using namespace tavelin;

class AnsweringView final : public modes::TransferView {
public:
    explicit AnsweringView(settings::UploadMode answer) : answer_(answer) {}
    void SetMessage(std::string_view) override {}
    transfer::ProgressIndicator& Progress() override { return progress_; }
    void ShowMessage(std::string_view text) override
    {
        failed = true;
        std::fprintf(stderr, "the dialog showed: %.*s\n", int(text.size()), text.data());
    }
    settings::UploadMode AskExistingFile(std::string_view) override { return answer_; }
    bool failed = false;

private:
    settings::UploadMode answer_;
    transfer::NoProgress progress_;
};

std::optional<settings::UploadMode> Answer(const std::string& word)
{
    for (int mode = 1; mode <= 3; ++mode)
        if (word == settings::UploadModeWord(mode))
            return settings::UploadMode(mode);
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const auto answer = argc >= 5 ? Answer(argv[3]) : std::nullopt;
    if (!answer) {
        std::fprintf(stderr, "usage: %s WORK PCDIR OVER|ADD|NON NAME:SIZE...\n", argv[0]);
        return 2;
    }
    settings::AppState state;
    state.settings.WorkDir = settings::WithTrailingSeparator(argv[1]);
    settings::ReadRsPrm(state.settings);
    link::QtEventPump pump;
    const std::unique_ptr<link::SerialPort> port = link::MakeSystemSerialPort(pump, state.devices);
    link::Link link{*port, pump, state};
    const link::PortOpening opening = link::OpenHhtPort(link);
    if (opening.result != link::PortSetupResult::Ok) {
        std::fprintf(stderr, "the port did not open: %s\n", opening.reason.c_str());
        return 1;
    }
    modes::TransferJob job{.kind = modes::TransferKind::Upload, .directory = argv[2], .pcNames = {}, .hhtFiles = {}};
    for (int i = 4; i < argc; ++i) {
        const std::string entry = argv[i];
        const auto colon = entry.find(':');
        job.hhtFiles.push_back({entry.substr(0, colon), std::stoll(entry.substr(colon + 1))});
    }
    AnsweringView view(*answer);
    modes::RunTransferJob(link, view, job);
    port->Close();
    return view.failed ? 1 : 0;
}
