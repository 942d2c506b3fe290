// SPDX-License-Identifier: MIT
// The simulated hand-held as a child process whose standard output the test
// reads; killed when the object goes.
#pragma once

#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tavelin::testing {

class SimProcess {
public:
    SimProcess(const char* program, const std::vector<std::string>& args)
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<char*> argv{const_cast<char*>(program)};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        out_ = out[0];
    }
    ~SimProcess()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            close(out_);
    }

    pid_t Pid() const { return pid_; }

    // What the child has written so far, waiting at most timeoutMs for a line.
    std::string ReadLine(int timeoutMs)
    {
        std::string text;
        while (text.find('\n') == std::string::npos) {
            pollfd watch{out_, POLLIN, 0};
            char buffer[512];
            if (poll(&watch, 1, timeoutMs) <= 0)
                break;
            const ssize_t n = read(out_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            text.append(buffer, static_cast<std::size_t>(n));
        }
        return text;
    }

    // Everything the child writes until it closes its output, waiting at
    // most timeoutMs for each piece.
    std::string ReadAll(int timeoutMs)
    {
        std::string text;
        for (;;) {
            pollfd watch{out_, POLLIN, 0};
            char buffer[512];
            if (poll(&watch, 1, timeoutMs) <= 0)
                return text;
            const ssize_t n = read(out_, buffer, sizeof buffer);
            if (n <= 0)
                return text;
            text.append(buffer, static_cast<std::size_t>(n));
        }
    }

    // Exit status after SIGTERM, or -1.
    int Terminate()
    {
        kill(pid_, SIGTERM);
        int status = 0;
        const pid_t done = waitpid(pid_, &status, 0);
        pid_ = -1;
        return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

} // namespace tavelin::testing
