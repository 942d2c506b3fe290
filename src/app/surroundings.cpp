// SPDX-License-Identifier: MIT
#include "surroundings.h"

#include "single_instance.h"

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#else
#include <windows.h>

#include <cstdio>
#endif

namespace tavelin::app {

#ifndef _WIN32
void OpenMissingStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1)
            continue;
        // open() takes the lowest free number: this one, as the lower ones are open.
        open("/dev/null", O_RDWR | O_NOCTTY);
    }
}

void IgnoreBrokenPipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}

void IgnoreFileSizeLimitSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}
#else
namespace {

bool HasHandle(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

} // namespace

// The program is a window program, so the Explorer opens no console beside
// it. Started from a console, it has no standard output of its own unless
// the caller redirected one: it then writes to that console, as a console
// program would. Redirected handles are kept as they are.
void OpenMissingStandardDescriptors()
{
    const bool output = HasHandle(STD_OUTPUT_HANDLE);
    const bool error = HasHandle(STD_ERROR_HANDLE);
    if ((output && error) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!output)
        std::freopen("CONOUT$", "w", stdout);
    if (!error)
        std::freopen("CONOUT$", "w", stderr);
}

// Windows has no SIGPIPE: a write to a pipe whose reader has gone fails.
void IgnoreBrokenPipes() {}

// Nor SIGXFSZ: a write past a quota fails.
void IgnoreFileSizeLimitSignal() {}
#endif

std::vector<std::string> FilesOfTheRun(const std::string& workDir)
{
    std::vector<std::string> files;
    for (const char* name : {"RESULT.DAT", "HISTORY.DAT", "RSPRM.DAT", "HHTPRM.DAT", "DIRPRM.DAT", "ENDPRM.DAT",
                             "TAV0001.INF"})
        files.push_back(workDir + name);
    files.push_back(SingleInstance::LockPath().toStdString());
    return files;
}

} // namespace tavelin::app
