// SPDX-License-Identifier: MIT
#include "operator_line.h"

#include <windows.h>

namespace tavelin::crash {

namespace {

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

} // namespace

OperatorLine::OperatorLine()
    : handle_(reinterpret_cast<std::intptr_t>(
          CreateFileW(L"\\\\.\\NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                      nullptr)))
{
}

OperatorLine::~OperatorLine()
{
    if (IsOpen())
        CloseHandle(Handle(handle_));
}

bool OperatorLine::IsOpen() const { return Handle(handle_) != INVALID_HANDLE_VALUE; }

bool OperatorLine::Tell(const std::string& what)
{
    const std::string line = what + "\r\n";
    DWORD written = 0;
    return WriteFile(Handle(handle_), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
}

} // namespace tavelin::crash
