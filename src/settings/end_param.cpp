// SPDX-License-Identifier: MIT
#include "end_param.h"

#include "text_file.h"

namespace tavelin::settings {

std::int16_t ReadEndParam(AppState& state)
{
    const auto mode = state.settings.RunMode;
    if (mode < 1 || mode > 3)
        return 0;
    // The normal case, no file, costs one look-up and no open. Only a
    // regular file is read: a FIFO here would stop the run until written.
    const auto bytes = ReadFileBytes(state.settings.WorkDir + "ENDPRM.DAT", 1);
    if (!bytes || bytes->empty())
        return 0;
    const char first = bytes->front();
    if (first == '1') {
        state.flags.StopRequest = kTrue;
        return -2;
    }
    if (first == '2') {
        state.flags.QuitRequest = kTrue;
        state.flags.StopRequest = kTrue;
    }
    return 0;
}

} // namespace tavelin::settings
