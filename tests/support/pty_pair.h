// SPDX-License-Identifier: MIT
// A pseudo-terminal pair standing in for a serial line: the program opens the
// slave through TAVELIN_COMn, the test plays the far side on the master.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace tavelin::testing {

class PtyPair {
public:
    explicit PtyPair(int commPort = 1)
    {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
            return;
        termios raw{};
        ::tcgetattr(slave_, &raw);
        ::cfmakeraw(&raw); // no echo before the program sets the line up itself
        ::tcsetattr(slave_, TCSANOW, &raw);
        slaveName_ = name;
        variable_ = "TAVELIN_COM" + std::to_string(commPort);
        ::setenv(variable_.c_str(), name, 1);
    }
    ~PtyPair()
    {
        if (!variable_.empty())
            ::unsetenv(variable_.c_str());
        if (master_ >= 0)
            ::close(master_);
        if (slave_ >= 0)
            ::close(slave_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return !slaveName_.empty(); }
    // The far side goes away: every open end of the slave is hung up.
    void CloseMaster()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }
    int MasterFd() const { return master_; }
    const std::string& SlaveName() const { return slaveName_; }

    void Send(const std::vector<std::uint8_t>& bytes) const
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const auto n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                return;
            done += static_cast<std::size_t>(n);
        }
    }

    // What the program has written, waiting at most timeoutMs for each chunk.
    std::vector<std::uint8_t> Receive(std::size_t count, int timeoutMs) const
    {
        std::vector<std::uint8_t> got;
        while (got.size() < count) {
            pollfd fd{master_, POLLIN, 0};
            if (::poll(&fd, 1, timeoutMs) <= 0)
                break;
            std::uint8_t buffer[4096];
            const auto n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slaveName_;
    std::string variable_;
};

} // namespace tavelin::testing
