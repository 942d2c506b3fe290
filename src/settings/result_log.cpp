// SPDX-License-Identifier: MIT
#include "result_log.h"

#include "text_file.h"
#include "texts.h"

namespace tavelin::settings {

std::string_view ResultText(std::int16_t isError, std::int16_t code)
{
    if (isError == 0)
        return texts::kResultOk;
    switch (code) {
    case 1: return texts::kResultComPort;
    case 2: return texts::kResultCommParam;
    case 3: return texts::kResultHhtAddress;
    case 4: return texts::kResultDataParam;
    case 5: return texts::kResultIrlink;
    case 6: return texts::kResultBaudRate;
    default: return {};
    }
}

std::string ResultLine(std::int16_t isError, std::int16_t code, const LocalTime& when)
{
    return WithoutControlCharacters(FormatDate(when) + "," + FormatTime(when) + "," + PrintStyle(isError) + "," +
                                    PrintStyle(code) + "," + std::string(ResultText(isError, code)));
}

bool WriteResult(AppState& state, std::int16_t isError, std::int16_t code)
{
    return WriteResult(state, isError, code, NowLocal());
}

bool WriteResult(AppState& state, std::int16_t isError, std::int16_t code, const LocalTime& when)
{
    state.resultLine = ResultLine(isError, code, when);
    const bool written = WriteTextLines(state.settings.WorkDir + "RESULT.DAT", {state.resultLine}, WriteMode::Replace);
    state.logFailures.result = !written;
    return written;
}

} // namespace tavelin::settings
