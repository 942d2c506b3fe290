// SPDX-License-Identifier: MIT
#include "operator_line.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace tavelin::crash {

// The master side stays open until the process ends, so what is written
// stays in the terminal's buffer.
OperatorLine::OperatorLine() : handle_(-1)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
        handle_ = open(ptsname(master), O_WRONLY | O_NOCTTY);
}

OperatorLine::~OperatorLine()
{
    if (IsOpen())
        close(static_cast<int>(handle_));
}

bool OperatorLine::IsOpen() const { return handle_ >= 0; }

bool OperatorLine::Tell(const std::string& what)
{
    const std::string line = what + "\r\n";
    return write(static_cast<int>(handle_), line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

} // namespace tavelin::crash
