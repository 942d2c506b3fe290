// SPDX-License-Identifier: MIT
// tavelin-crash-save-settings: the settings the window saves, for a recorded
// run: the settings dialog's OK (RSPRM.DAT, HHTPRM.DAT, DIRPRM.DAT, through
// the same code the dialog calls), then the manual window's memory
// (TAV0001.INF) and this user's device choices (tavelin.conf). ROUND changes
// the values, so each run replaces what the one before wrote. Each save the
// operator would see as done is told on a line of its own, as the recorder
// marks what the program told the outside world. Exits 3 when the
// parameter files were not saved (and the operator told so).
//
//   tavelin-crash-save-settings WORK ROUND
#include "desktop/user_settings_store.h"
#include "operator_line.h"
#include "settings/param_files.h"
#include "settings/paths.h"
#include "settings/settings_form.h"
#include "settings/tav_inf.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tavelin;

int main(int argc, char** argv)
{
    crash::OperatorLine terminal;
    if (argc != 3 || !terminal.IsOpen()) {
        std::fprintf(stderr, "usage: %s WORK ROUND (and a terminal to tell of each save)\n", argv[0]);
        return 2;
    }
    const int round = std::atoi(argv[2]);
    settings::AppState state;
    state.settings.WorkDir = settings::WithTrailingSeparator(argv[1]);
    settings::ReadRsPrm(state.settings);
    settings::ReadHhtPrm(state.settings, [] { return true; });
    settings::ReadDirPrm(state.settings);
    settings::SettingsForm form = settings::FormFromSettings(state.settings);
    form.pollTimeout = std::to_string(100 + round);
    form.idTo[0] = std::to_string(round + 1);
    form.uploadMode = 1 + round % 3;
    const settings::OkOutcome outcome = settings::ApplySettingsForm(form, state);
    if (outcome.end == settings::OkEnd::NotSaved)
        return terminal.Tell("settings not saved") ? 3 : 1;
    if (outcome.end != settings::OkEnd::Saved || !terminal.Tell("settings saved"))
        return 1;
    if (!settings::WriteTavInf(state.settings.WorkDir, {std::to_string(round), argv[1]}) ||
        !terminal.Tell("window memory saved"))
        return 1;
    state.devices.chosen[0] = "/dev/ttyS" + std::to_string(round);
    if (!desktop::SaveDeviceChoices(state.devices) || !terminal.Tell("devices saved"))
        return 1;
    return 0;
}
