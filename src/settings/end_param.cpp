#include "end_param.h"

#include "paths.h"

#include <fstream>

namespace tavelin::settings {

std::int16_t ReadEndParam(AppState& state)
{
    const auto mode = state.settings.RunMode;
    if (mode < 1 || mode > 3)
        return 0;
    // The normal case, no file, costs one look-up and no open.
    std::error_code error;
    const auto path = FsPath(state.settings.WorkDir + "ENDPRM.DAT");
    if (!std::filesystem::exists(path, error))
        return 0;
    std::ifstream file(path, std::ios::binary);
    char first = 0;
    if (!file || !file.get(first))
        return 0;
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
