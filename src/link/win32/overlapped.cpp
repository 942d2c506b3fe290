// SPDX-License-Identifier: MIT
#include "overlapped.h"

#include <algorithm>

namespace tavelin::link::win32 {

Overlapped::Overlapped()
{
    // Manual reset, as overlapped I/O needs; Collect and Cancel reset it.
    operation_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

Overlapped::~Overlapped()
{
    if (operation_.hEvent)
        CloseHandle(operation_.hEvent);
}

// A call that returns at once has ended as well: its event is set and its
// result waits in the structure, as for one that ends later.
bool Overlapped::StartRead(HANDLE device, std::size_t size)
{
    buffer_.resize(size);
    const HANDLE event = operation_.hEvent;
    operation_ = OVERLAPPED{};
    operation_.hEvent = event;
    pending_ = ReadFile(device, buffer_.data(), static_cast<DWORD>(size), nullptr, &operation_) ||
        GetLastError() == ERROR_IO_PENDING;
    return pending_;
}

bool Overlapped::StartWrite(HANDLE device, std::span<const std::uint8_t> bytes)
{
    buffer_.assign(bytes.begin(), bytes.end());
    const HANDLE event = operation_.hEvent;
    operation_ = OVERLAPPED{};
    operation_.hEvent = event;
    pending_ = WriteFile(device, buffer_.data(), static_cast<DWORD>(buffer_.size()), nullptr, &operation_) ||
        GetLastError() == ERROR_IO_PENDING;
    return pending_;
}

Overlapped::End Overlapped::Collect(HANDLE device)
{
    return Finish(device, FALSE);
}

Overlapped::End Overlapped::Finish(HANDLE device, BOOL wait)
{
    End end;
    DWORD moved = 0;
    if (!GetOverlappedResult(device, &operation_, &moved, wait))
        end.error = GetLastError();
    end.bytes = std::span(buffer_).first(std::min<std::size_t>(moved, buffer_.size()));
    pending_ = false;
    ResetEvent(operation_.hEvent);
    return end;
}

bool Overlapped::WaitEnded(DWORD ms) const
{
    return pending_ && WaitForSingleObject(operation_.hEvent, ms) == WAIT_OBJECT_0;
}

Overlapped::End Overlapped::Cancel(HANDLE device)
{
    if (!pending_)
        return {};
    CancelIoEx(device, &operation_);
    return Finish(device, TRUE);
}

} // namespace tavelin::link::win32
