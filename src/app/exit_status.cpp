// SPDX-License-Identifier: MIT
#include "exit_status.h"

#include "settings/console_output.h"

#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <string>

namespace tavelin::app {

namespace {

// What the name stands for when that is why nothing was written there.
std::string WhyNotWritten(const std::string& path)
{
    return QFileInfo(QString::fromStdString(path)).isSymLink() ? " (a symbolic link, never written through)" : "";
}

} // namespace

int AutomaticRunStatus(bool failed, bool signalled, const settings::AppState& state)
{
    if (failed)
        return kExitStartupFailed;
    if (signalled)
        return kExitSignal;
    if (state.failedFiles == 0)
        return kExitOk;
    settings::PrintText(stderr, "tavelin: %d file(s) of this run failed; the history lines with a result other than 0 "
                                "say which\n",
                        state.failedFiles);
    return kExitFilesFailed;
}

int ReportLogWriteFailures(int status, const settings::AppState& state)
{
    const auto& failures = state.logFailures;
    const std::string& workDir = state.settings.WorkDir;
    if (!failures.Any())
        return status;
    if (failures.result)
        settings::PrintText(stderr,
                            "tavelin: %sRESULT.DAT could not be written%s; it does not hold this run's outcome\n",
                            workDir.c_str(), WhyNotWritten(workDir + "RESULT.DAT").c_str());
    if (failures.historyLines > 0)
        settings::PrintText(stderr, "tavelin: %d line(s) could not be written to %sHISTORY.DAT%s\n",
                            failures.historyLines, workDir.c_str(), WhyNotWritten(workDir + "HISTORY.DAT").c_str());
    if (failures.historyKept)
        settings::PrintText(stderr, "tavelin: %sHISTORY.DAT of earlier runs could be neither removed nor emptied\n",
                            workDir.c_str());
    return kExitLogNotWritten;
}

} // namespace tavelin::app
