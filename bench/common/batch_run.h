// SPDX-License-Identifier: MIT
// The built program started as a scheduler starts a batch run: in its work
// folder, without a display unless asked, with the variables given and its
// output thrown away; its wall time, CPU and exit status once it ends. The
// parameter files a run reads are written here too. POSIX only.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tavelin::bench {

struct RunUsage {
    double wall = 0, cpu = 0; // seconds; cpu is user and system time
    int status = -1;          // the exit status, or -1 when ended by a signal
};

// Starts `args` (the program first) in `dir` with `environment` set; the
// child's id, or -1.
pid_t StartIn(const std::vector<std::string>& args, const std::filesystem::path& dir,
              const std::map<std::string, std::string>& environment, bool keepDisplay = false);

// Waits for `pid` to end; wall time counted from `started`.
RunUsage WaitFor(pid_t pid, std::chrono::steady_clock::time_point started);

void PutFile(const std::filesystem::path& path, const std::string& bytes);

// RSPRM.DAT, HHTPRM.DAT ("FIRST,LAST") and DIRPRM.DAT in `work`: the
// application file work/AP.HEX, the folders work/down/ and work/up/,
// overwrite, a new history, `rounds` rounds.
void WriteParameterFiles(const std::filesystem::path& work, const std::string& rsprm, const std::string& ids,
                         int rounds);

} // namespace tavelin::bench
