// SPDX-License-Identifier: MIT
// A line to the operator that nobody reads, for a driver to tell of what it
// did where the recorder marks it as told: a terminal of its own on POSIX,
// the NUL device on Windows (operator_line_posix.cpp, operator_line_win32.cpp).
#pragma once

#include <cstdint>
#include <string>

namespace tavelin::crash {

class OperatorLine {
public:
    OperatorLine();
    ~OperatorLine();
    OperatorLine(const OperatorLine&) = delete;
    OperatorLine& operator=(const OperatorLine&) = delete;

    bool IsOpen() const;
    // `what` and CR LF, all of it written.
    bool Tell(const std::string& what);

private:
    std::intptr_t handle_;
};

} // namespace tavelin::crash
