// SPDX-License-Identifier: MIT
#include "common/batch_run.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace tavelin::bench {

pid_t StartIn(const std::vector<std::string>& args, const std::filesystem::path& dir,
              const std::map<std::string, std::string>& environment, bool keepDisplay)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    if (chdir(dir.c_str()) != 0)
        _exit(127);
    for (const auto& [name, value] : environment)
        setenv(name.c_str(), value.c_str(), 1);
    if (!keepDisplay) {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
    }
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<char*> argv;
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

RunUsage WaitFor(pid_t pid, std::chrono::steady_clock::time_point started)
{
    int status = 0;
    rusage usage{};
    RunUsage run;
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void PutFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

void WriteParameterFiles(const std::filesystem::path& work, const std::string& rsprm, const std::string& ids,
                         int rounds)
{
    PutFile(work / "RSPRM.DAT", rsprm + "\r\n");
    PutFile(work / "HHTPRM.DAT", ids + "\r\n");
    PutFile(work / "DIRPRM.DAT", (work / "AP.HEX").string() + "\r\n" + (work / "down").string() + "/\r\n" +
                                     (work / "up").string() + "/\r\nOVER\r\nNEWHISTORY\r\n" +
                                     std::to_string(rounds) + "\r\n");
}

} // namespace tavelin::bench
