// SPDX-License-Identifier: MIT
// The files of a run; what each system does with the descriptors and the
// signals is in surroundings_posix.cpp and surroundings_win32.cpp.
#include "surroundings.h"

namespace tavelin::app {

std::vector<std::string> FilesOfTheRun(const std::string& workDir, const std::string& lockPath)
{
    std::vector<std::string> files;
    for (const char* name : {"RESULT.DAT", "HISTORY.DAT", "RSPRM.DAT", "HHTPRM.DAT", "DIRPRM.DAT", "ENDPRM.DAT",
                             "TAV0001.INF"})
        files.push_back(workDir + name);
    files.push_back(lockPath);
    return files;
}

} // namespace tavelin::app
