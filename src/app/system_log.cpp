// SPDX-License-Identifier: MIT
#include "system_log.h"

#include "exit_status.h"

namespace tavelin::app {

RunEventKind RunEventKindFor(int status)
{
    switch (status) {
    case kExitOk: return RunEventKind::Information;
    case kExitSignal:
    case kExitFilesFailed: return RunEventKind::Warning;
    default: return RunEventKind::Error;
    }
}

RunEvent DescribeBatchRun(const std::string& resultLine, int status)
{
    const std::string result = resultLine.empty() ? "(this run wrote no line)" : resultLine;
    return {RunEventKindFor(status), "RESULT.DAT: " + result + "\r\nexit status: " + std::to_string(status)};
}

} // namespace tavelin::app
